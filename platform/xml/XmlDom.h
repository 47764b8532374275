// The document object model the response reader uses: case-sensitive names, text handed out
// in code page 936.
//
// Two ways in:
//   LoadXML(std::u16string_view)  the text as a wide string, as the home platform's DOM took it.
//   LoadAnsi(std::string_view)    the 8-bit CP936 text itself. When the text allows it (every
//                                 byte pair a mapped character, no CDATA, no DOCTYPE, no
//                                 character reference beyond ASCII), a copy of the bytes is
//                                 parsed in place with no conversion and values come out as they
//                                 stand; otherwise (or when that parse fails) the text is
//                                 converted to UTF-8 once and parsed like the wide path. Both
//                                 paths give the same nodes, names, values and errors; LoadAnsi
//                                 is the fast one.
//
// Safety: the reader never reads files, never resolves external entities and never processes
// a DTD (a DOCTYPE is skipped, its entities are not defined). Loading never throws; it returns
// a result with a status and the byte offset where the text went wrong.
//
// Handles (XmlDomNode, XmlDomNodeList) are cheap values that point into their document; an
// empty handle answers every call with empty/false/0. Handles are invalid once their document
// is loaded again or destroyed.
#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvxml {

using AnsiString = std::string;

// Outcome of a load; `offset` is the byte offset into the text as parsed (the UTF-8 form, or
// the CP936 bytes on LoadAnsi's direct path) where parsing stopped, 0 on success.
struct XmlParseResult {
  enum Status {
    ok = 0,
    outOfMemory,
    badMarkup,           // a tag, comment, CDATA, PI or DOCTYPE that does not parse
    badAttribute,
    endElementMismatch,  // closing tag with another name, or an element left open
    noDocumentElement,   // empty text or no element at all
    notLoaded,           // nothing loaded yet
  };
  Status status = notLoaded;
  std::ptrdiff_t offset = 0;

  // True for status ok.
  explicit operator bool() const { return status == ok; }
  // Short English description of the status.
  const char* description() const;
};

enum class XmlNodeType { none, element, text, cdata, comment, processingInstruction, document };

class XmlDomDocument;
class XmlDomNodeList;

// A node of a loaded document, or empty.
class XmlDomNode {
 public:
  XmlDomNode() = default;

  // True when the handle points at no node.
  bool isNull() const { return !node_; }
  explicit operator bool() const { return bool(node_); }

  // Kind of node; none for an empty handle.
  XmlNodeType nodeType() const;
  // Element name (CP936); "#text", "#cdata-section", "#comment" for those kinds; empty if null.
  AnsiString nodeName() const;
  // True when the element's name is exactly `name` (ASCII names compare without conversion).
  bool nameIs(std::string_view name) const;

  // The first direct child element named exactly `name`; empty when there is none.
  XmlDomNode selectSingleNode(std::string_view name) const;
  // All text below this node (text and CDATA descendants joined in document order), CP936.
  // Not trimmed. For a text node, its own text.
  AnsiString text() const;
  // Every element named exactly `name` below this node, in document order, at any depth.
  XmlDomNodeList getElementsByTagName(std::string_view name) const;
  // The child nodes in order: elements, text, CDATA, comments, PIs (blank-only text between
  // elements is not kept).
  XmlDomNodeList childNodes() const;
  // First child node / next sibling node; empty at the end.
  XmlDomNode firstChild() const;
  XmlDomNode nextSibling() const;
  // First child / next sibling that is an element; empty at the end.
  XmlDomNode firstChildElement() const;
  XmlDomNode nextSiblingElement() const;

  // True when the element has an attribute named exactly `name`.
  bool hasAttribute(std::string_view name) const;
  // Value of the attribute named exactly `name` (CP936, entities replaced); empty when absent.
  AnsiString getAttribute(std::string_view name) const;
  // Fast lookup for loops: when present, stores the value (CP936) in `out`, reusing its
  // capacity, and returns true; when absent returns false and leaves `out` alone.
  bool getAttribute(std::string_view name, AnsiString& out) const;
  // Number of attributes of an element; 0 otherwise.
  int attributeCount() const;

  // Two handles are equal when they point at the same node (or both are empty).
  bool operator==(const XmlDomNode& other) const { return node_ == other.node_; }

 private:
  friend class XmlDomDocument;
  friend class XmlDomNodeList;
  friend class XmlDomAttributes;
  XmlDomNode(pugi::xml_node node, const XmlDomDocument* doc) : node_(node), doc_(doc) {}
  AnsiString toAnsi(const char* utf8OrAnsi) const;
  void assignAnsi(const char* value, AnsiString& out) const;
  std::string_view inDocumentText(std::string_view name, std::string& storage) const;

  pugi::xml_node node_;
  const XmlDomDocument* doc_ = nullptr;
};

// An ordered list of nodes, as childNodes and getElementsByTagName return it.
class XmlDomNodeList {
 public:
  XmlDomNodeList() = default;

  // Number of nodes.
  int length() const { return int(nodes_.size()); }
  // Node at a 0-based index; empty for an index outside 0 .. length()-1.
  XmlDomNode item(int index) const;

 private:
  friend class XmlDomNode;
  std::vector<pugi::xml_node> nodes_;
  const XmlDomDocument* doc_ = nullptr;
};

// The attributes of one element, read once, for loops that look up several names on each
// element (a row of a record set): each lookup is then a compare over the cached names
// instead of a walk of the tree. Valid until the document is loaded again or destroyed.
class XmlDomAttributes {
 public:
  // Reads the attributes of ELEMENT, in order (none for an empty handle or a non-element).
  void read(const XmlDomNode& element);
  // Number of attributes read.
  int count() const { return int(entries_.size()); }
  // True when an attribute named exactly NAME was read.
  bool has(std::string_view name) const;
  // When an attribute named exactly NAME was read, stores its value (CP936) into OUT,
  // reusing its capacity, and returns true; otherwise returns false and leaves OUT alone.
  bool get(std::string_view name, AnsiString& out) const;

 private:
  struct Entry {
    std::string_view name;
    const char* value;
  };
  const Entry* find(std::string_view name) const;
  std::vector<Entry> entries_;
  mutable std::size_t next_ = 0;  // where the next lookup starts
  const XmlDomDocument* doc_ = nullptr;
};

// A document: owns the parsed tree and the text it was parsed from.
class XmlDomDocument {
 public:
  XmlDomDocument();
  ~XmlDomDocument();
  XmlDomDocument(const XmlDomDocument&) = delete;
  XmlDomDocument& operator=(const XmlDomDocument&) = delete;

  // Parses UTF-16 text; any earlier document is dropped first. Never throws.
  XmlParseResult LoadXML(std::u16string_view text);
  // Parses CP936 text, directly when it is safe, else through one UTF-8 copy. Never throws.
  XmlParseResult LoadAnsi(std::string_view cp936);

  // Parses UTF-8 text (for tools and tests). Never throws.
  XmlParseResult LoadUtf8(std::string_view utf8);

  // Result of the last load (notLoaded before the first).
  const XmlParseResult& parseError() const { return result_; }
  // The document element; empty when nothing is loaded.
  XmlDomNode documentElement() const;
  // The document node itself (parent of the document element); empty when nothing is loaded.
  XmlDomNode document() const;
  // The first top-level element named exactly `name` (documentElement when it has that name).
  XmlDomNode selectSingleNode(std::string_view name) const { return document().selectSingleNode(name); }
  // Every element named `name` in the document, in document order.
  XmlDomNodeList getElementsByTagName(std::string_view name) const {
    return document().getElementsByTagName(name);
  }

  // True when the last LoadAnsi parsed the CP936 bytes directly (values need no conversion).
  bool isDirectAnsi() const { return directAnsi_; }

 private:
  friend class XmlDomNode;
  friend class XmlDomAttributes;
  XmlParseResult loadOwnedBuffer(std::string buffer, bool directAnsi);
  void reset();

  pugi::xml_document doc_;
  std::string buffer_;  // the text pugixml parsed in place
  XmlParseResult result_;
  bool directAnsi_ = false;
};

// True when `cp936` can be parsed as it stands: see LoadAnsi. Exposed for tests and tools.
bool CanParseAnsiDirectly(std::string_view cp936);

}  // namespace kvxml
