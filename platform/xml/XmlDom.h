// The document object model the response reader uses: case-sensitive names, text handed out
// in code page 936.
//
// Three ways in:
//   LoadAnsi(std::string_view)    the 8-bit CP936 text itself, read as it stands: double-byte
//                                 characters are kept whole, bytes that do not form a mapped
//                                 character read as '?' (as the code-page converter shows them),
//                                 character references beyond ASCII come out in CP936.
//   LoadXML(std::u16string_view)  the text as a wide string, as the home platform's DOM took it.
//   LoadUtf8(std::string_view)    UTF-8 text (for tools and tests).
// All three give the same nodes, names, values and errors for the same document.
//
// The reader is our own: one pass over the text builds flat arrays of nodes and attributes
// that point into a copy of the text; values that need no entity or white-space work are
// handed out as their bytes. Large responses are read in about the time a general-purpose
// DOM takes, and a row's attributes are then at hand without walking a tree.
//
// Safety: the reader never reads files, never resolves external entities and never processes
// a DTD (a DOCTYPE is skipped, its entities are not defined). Loading never throws; it returns
// a result with a status and the byte offset where the text went wrong.
//
// Handles (XmlDomNode, XmlDomNodeList) are cheap values that point into their document; an
// empty handle answers every call with empty/false/0. Handles are invalid once their document
// is loaded again or destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml/XmlTree.h"

namespace kvxml {

using AnsiString = std::string;

// Outcome of a load; `offset` is the byte offset into the text as read (the CP936 bytes, or the
// UTF-8 form of wide text) where reading stopped, 0 on success.
struct XmlParseResult {
  enum Status {
    ok = 0,
    outOfMemory,         // also: a text of 2 GB or more
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
  bool isNull() const { return !doc_; }
  explicit operator bool() const { return doc_ != nullptr; }

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
  bool operator==(const XmlDomNode& other) const { return doc_ == other.doc_ && index_ == other.index_; }

 private:
  friend class XmlDomDocument;
  friend class XmlDomNodeList;
  friend class XmlDomAttributes;
  XmlDomNode(const XmlDomDocument* doc, std::uint32_t index) : doc_(doc), index_(index) {}
  const detail::XmlTree& tree() const;
  const detail::XmlNodeRec& rec() const;
  bool isElement() const;
  // The attribute of this element named exactly NAME (CP936), or null.
  const detail::XmlAttrRec* findAttribute(std::string_view name) const;

  const XmlDomDocument* doc_ = nullptr;
  std::uint32_t index_ = 0;
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
  std::vector<std::uint32_t> nodes_;
  const XmlDomDocument* doc_ = nullptr;
};

// The attributes of one element, for loops that look up several names on each element (a row
// of a record set): lookups start after the last hit, so names asked in the order they are
// written cost one compare each. Valid until the document is loaded again or destroyed.
class XmlDomAttributes {
 public:
  // Reads the attributes of ELEMENT, in order (none for an empty handle or a non-element).
  void read(const XmlDomNode& element);
  // Number of attributes read.
  int count() const { return int(count_); }
  // True when an attribute named exactly NAME was read.
  bool has(std::string_view name) const;
  // When an attribute named exactly NAME was read, stores its value (CP936) into OUT,
  // reusing its capacity, and returns true; otherwise returns false and leaves OUT alone.
  bool get(std::string_view name, AnsiString& out) const;
  // When an attribute named exactly NAME was read, sets VALUE to its text (CP936) and returns
  // true. VALUE views the document's text, or SCRATCH when the value had to be decoded; it
  // is valid until the next call with the same SCRATCH or until the document changes.
  [[gnu::always_inline]] bool view(std::string_view name, std::string_view& value, std::string& scratch) const {
    const detail::XmlAttrRec* a = find(name);
    if (!a) return false;
    value = detail::ValueView(*tree_, tree_->slice(a->valueOff, a->valueLen), a->valueFlags,
                              detail::ValueKind::attribute, scratch);
    return true;
  }

 private:
  // Row loops call this once per field, asking for the names in the order they are written:
  // the attribute after the last one found is tried first, inline.
  const detail::XmlAttrRec* find(std::string_view name) const {
    if (next_ < count_ && tree_->form == detail::TextForm::cp936) {
      const detail::XmlAttrRec& a = first_[next_];
      if (a.nameLen == name.size() && detail::SameBytes(tree_->text.data() + a.nameOff, name.data(), name.size())) {
        ++next_;
        return &a;
      }
    }
    return findAnywhere(name);
  }
  const detail::XmlAttrRec* findAnywhere(std::string_view name) const;
  const detail::XmlTree* tree_ = nullptr;
  const detail::XmlAttrRec* first_ = nullptr;
  std::uint32_t count_ = 0;
  mutable std::uint32_t next_ = 0;  // where the next lookup starts
};

// A document: owns the parsed tree and the text it was parsed from.
class XmlDomDocument {
 public:
  XmlDomDocument();
  ~XmlDomDocument();
  XmlDomDocument(const XmlDomDocument&) = delete;
  XmlDomDocument& operator=(const XmlDomDocument&) = delete;

  // Reads UTF-16 text; any earlier document is dropped first. Never throws.
  XmlParseResult LoadXML(std::u16string_view text);
  // Reads CP936 text (a copy of it is kept). Never throws.
  XmlParseResult LoadAnsi(std::string_view cp936);
  // Reads UTF-8 text (for tools and tests). Never throws.
  XmlParseResult LoadUtf8(std::string_view utf8);
  // Reads CP936 text without copying it: the text must stay alive and unchanged until the
  // document is loaded again or destroyed, or until OwnText. Never throws.
  XmlParseResult LoadAnsiBorrowed(std::string_view cp936);
  // Makes the document keep its own copy of borrowed text (nothing when it has one already),
  // so that the caller's text may change from now on; nodes and values stay as they are.
  // May throw std::bad_alloc (then the document still borrows).
  void OwnText();

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


 private:
  friend class XmlDomNode;
  friend class XmlDomAttributes;
  // Runs READ on a cleared document; out of memory there leaves it cleared with that status.
  template <class Read>
  XmlParseResult loadGuarded(Read read);
  XmlParseResult load(std::string text, detail::TextForm form);
  XmlParseResult read(detail::TextForm form);
  void reset();

  detail::XmlTree tree_;
  XmlParseResult result_;
};

}  // namespace kvxml
