// The small XML reader the field-list component uses: element and attribute names are matched
// without regard to ASCII case, values come out unescaped in code page 936, and whatever is
// absent reads as empty.
//
// Encoding of the 8-bit input: a UTF-8 byte-order mark, or text that is well-formed UTF-8 and
// not declared as a GB encoding (gb2312, gbk, cp936, gb18030), is read as UTF-8 and converted;
// anything else is read as CP936. (Form resources hold field lists already converted to CP936
// while their declaration still says utf-8: CP936 text with Chinese characters is not
// well-formed UTF-8, so it is taken as it is.)
//
// Like the DOM reader: no files, no external entities, no DTD processing; loading never throws.
#pragma once

#include <pugixml.hpp>

#include "platform/xml/XmlDom.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvxml {

class TSimpleXmlDocument;

// An element of a loaded document, or empty.
class TSimpleXmlNode {
 public:
  TSimpleXmlNode() = default;

  // True when the handle points at no element.
  bool IsNull() const { return !node_; }
  explicit operator bool() const { return bool(node_); }

  // Element name as written (CP936); empty if null.
  AnsiString Name() const;
  // The first child element whose name equals `name` ignoring ASCII case; empty if none.
  TSimpleXmlNode FindChild(std::string_view name) const;
  // Every child element whose name equals `name` ignoring ASCII case, in document order.
  std::vector<TSimpleXmlNode> FindChildren(std::string_view name) const;
  // All child elements in document order.
  std::vector<TSimpleXmlNode> Children() const;
  // True when an attribute named `name` (ignoring ASCII case) is present.
  bool HasAttribute(std::string_view name) const;
  // Value of the first attribute named `name` ignoring ASCII case (CP936, entities replaced);
  // empty when absent.
  AnsiString Attribute(std::string_view name) const;
  // All text below the element, CP936.
  AnsiString Text() const;

 private:
  friend class TSimpleXmlDocument;
  TSimpleXmlNode(pugi::xml_node node, const TSimpleXmlDocument* doc) : node_(node), doc_(doc) {}
  std::string key(std::string_view name) const;
  AnsiString out(const char* text) const;

  pugi::xml_node node_;
  const TSimpleXmlDocument* doc_ = nullptr;
};

// A document read from 8-bit text.
class TSimpleXmlDocument {
 public:
  TSimpleXmlDocument() = default;
  TSimpleXmlDocument(const TSimpleXmlDocument&) = delete;
  TSimpleXmlDocument& operator=(const TSimpleXmlDocument&) = delete;

  // Parses 8-bit text (CP936 or UTF-8, see above); any earlier document is dropped. Never throws.
  XmlParseResult LoadFromString(std::string_view text);
  // Result of the last load.
  const XmlParseResult& Result() const { return result_; }
  // The document element; empty when nothing is loaded.
  TSimpleXmlNode Root() const;
  // True when the last text was read as UTF-8.
  bool WasUtf8() const { return utf8_; }

 private:
  friend class TSimpleXmlNode;
  pugi::xml_document doc_;
  std::string buffer_;
  XmlParseResult result_;
  bool utf8_ = false;
};

}  // namespace kvxml
