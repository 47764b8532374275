// The response DOM's storage and reader (internal to platform/xml).
//
// A document is its text plus two flat arrays: nodes in document order and attributes in
// document order. Names and values are offsets into the text; a value that needs work
// (entities, white-space rules, code-page repair or conversion) is flagged and decoded when it
// is read, every other value is handed out as the bytes it is in the text. Children of a node
// are linked by index, and the descendants of node i are exactly the nodes i+1 .. end-1, so
// "every element below" is a scan of one range.
//
// Two text forms: CP936 (the process code page; double-byte characters are kept whole, bytes
// that do not form a mapped character read as '?') and UTF-8 (values are converted to CP936
// when read). Markup delimiters are ASCII below 0x40 and no CP936 trail byte is, so both forms
// are scanned alike except where a trail byte can look like markup (']' in CDATA ends and
// DOCTYPEs, name characters).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kvxml::detail {

enum class TextForm : std::uint8_t { cp936, utf8 };

enum class NodeKind : std::uint8_t { document, element, text, cdata, comment, pi };

// What a stored value needs before it can be handed out.
enum : std::uint8_t {
  kPlain = 0,
  kDecode = 1,   // entities, white space or end-of-line rules, broken CP936 bytes
  kConvert = 2,  // UTF-8 text with characters beyond ASCII
};

struct XmlNodeRec {
  NodeKind kind = NodeKind::document;
  std::uint8_t valueFlags = kPlain;
  std::uint32_t parent = 0;
  std::uint32_t firstChild = 0;   // 0: none (node 0, the document, is nobody's child)
  std::uint32_t nextSibling = 0;  // 0: none
  std::uint32_t end = 0;          // one past the last descendant
  std::uint32_t nameOff = 0, nameLen = 0;    // element and PI names
  std::uint32_t valueOff = 0, valueLen = 0;  // text, CDATA, comment, PI value
  std::uint32_t firstAttr = 0, attrCount = 0;
};

struct XmlAttrRec {
  std::uint32_t nameOff, nameLen;
  std::uint32_t valueOff, valueLen;
  std::uint8_t valueFlags;
};

// Outcome of a read: a status (the values of XmlParseResult::Status) and the offset at fault.
struct XmlReadOutcome {
  int status;
  std::size_t offset;
};

struct XmlTree {
  std::string ownedText;     // the text, when the tree owns it
  std::string_view text;     // what offsets point into
  TextForm form = TextForm::cp936;
  std::vector<XmlNodeRec> nodes;
  std::vector<XmlAttrRec> attrs;

  std::string_view slice(std::uint32_t off, std::uint32_t len) const { return text.substr(off, len); }
  std::string_view name(const XmlNodeRec& n) const { return slice(n.nameOff, n.nameLen); }
  std::string_view name(const XmlAttrRec& a) const { return slice(a.nameOff, a.nameLen); }
  void clear();
};

// Equality of N bytes; names are short, so a few wide compares beat a call to memcmp.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
  const auto load32 = [](const char* p) { std::uint32_t v; std::memcpy(&v, p, 4); return v; };
  const auto load64 = [](const char* p) { std::uint64_t v; std::memcpy(&v, p, 8); return v; };
  if (n >= 8 && n <= 16) return load64(a) == load64(b) && load64(a + n - 8) == load64(b + n - 8);
  if (n >= 4 && n < 8) return load32(a) == load32(b) && load32(a + n - 4) == load32(b + n - 4);
  for (std::size_t k = 0; k < n; ++k)
    if (a[k] != b[k]) return false;
  return true;
}

// Reads TREE.text (already set, in TREE.form) into TREE's arrays. Never throws except
// std::bad_alloc. The status codes are those of XmlParseResult.
XmlReadOutcome ReadXmlTree(XmlTree& tree);

// How a value is read: attributes and text replace entities; attributes, text and raw
// sections (CDATA, comments) follow the end-of-line rules; verbatim ones (PIs) are as written.
enum class ValueKind { attribute, text, raw, verbatim };

// The value RAW as the DOM hands it out (CP936), per its flags and kind, appended to OUT.
void AppendValue(const XmlTree& tree, std::string_view raw, std::uint8_t flags, ValueKind kind, std::string& out);

// The value as a view when it needs no work, else decoded into SCRATCH and viewed there.
inline std::string_view ValueView(const XmlTree& tree, std::string_view raw, std::uint8_t flags, ValueKind kind,
                                  std::string& scratch) {
  if (flags == kPlain) return raw;
  scratch.clear();
  AppendValue(tree, raw, flags, kind, scratch);
  return scratch;
}

}  // namespace kvxml::detail
