#include "platform/xml/XmlDom.h"

#include "platform/xml/XmlText.h"

#include <new>

namespace kvxml {

using detail::IsAscii;

namespace {

// Comments and PIs are kept so childNodes shows them; DOCTYPE is skipped unparsed (no DTD).
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

XmlParseResult::Status MapStatus(pugi::xml_parse_status s) {
  switch (s) {
    case pugi::status_ok: return XmlParseResult::ok;
    case pugi::status_out_of_memory: return XmlParseResult::outOfMemory;
    case pugi::status_bad_attribute: return XmlParseResult::badAttribute;
    case pugi::status_end_element_mismatch: return XmlParseResult::endElementMismatch;
    case pugi::status_no_document_element: return XmlParseResult::noDocumentElement;
    default: return XmlParseResult::badMarkup;
  }
}

bool IsElement(const pugi::xml_node& n) { return n.type() == pugi::node_element; }

// Scanner for LoadAnsi: decides whether the CP936 bytes parse to the same tree and values as
// their UTF-8 conversion would. Trail bytes of double-byte characters may look like ASCII
// (0x40..0x7E), but never like markup: none of < > & " ' = / ? ! - is in that range. So the
// bytes are safe where pugixml only hunts for a delimiter (text, quoted values, comments,
// PIs) and unsafe in names, in CDATA and DOCTYPE (where ']' matters), and wherever a
// character reference would put UTF-8 bytes into the text.
class DirectAnsiScanner {
 public:
  explicit DirectAnsiScanner(std::string_view s)
      : p_(reinterpret_cast<const unsigned char*>(s.data())), n_(s.size()) {}

  bool safe() {
    if (n_ >= 3 && p_[0] == 0xEF && p_[1] == 0xBB && p_[2] == 0xBF) return false;  // a BOM
    while (i_ < n_) {
      const unsigned c = p_[i_];
      if (c == '<') {
        if (!markup()) return false;
      } else if (!textByte()) {
        return false;
      }
    }
    return true;
  }

 private:
  // One unit of text or quoted value at i_: ASCII, an entity, or a mapped double-byte pair.
  bool textByte() {
    const unsigned c = p_[i_];
    if (c < 0x80) {
      if (c == '&') return reference();
      ++i_;
      return true;
    }
    if (c == 0x80) {  // the euro sign: one byte both ways
      ++i_;
      return true;
    }
    if (i_ + 1 >= n_ || !detail::IsMappedAnsiPair(c, p_[i_ + 1])) return false;
    i_ += 2;
    return true;
  }

  // "&#...;" must give an ASCII character; named entities are ASCII anyway.
  bool reference() {
    if (i_ + 1 < n_ && p_[i_ + 1] == '#') {
      std::size_t j = i_ + 2;
      const bool hex = j < n_ && (p_[j] == 'x');
      if (hex) ++j;
      unsigned value = 0;
      std::size_t digits = 0;
      for (; j < n_ && digits < 8; ++j, ++digits) {
        const unsigned d = p_[j];
        unsigned v;
        if (d >= '0' && d <= '9') v = d - '0';
        else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
        else break;
        value = value * (hex ? 16 : 10) + v;
      }
      if (digits == 0 || j >= n_ || p_[j] != ';' || value >= 0x80) return false;
    }
    ++i_;
    return true;
  }

  bool startsWith(const char* s) const {
    std::size_t k = 0;
    for (; s[k]; ++k)
      if (i_ + k >= n_ || p_[i_ + k] != static_cast<unsigned char>(s[k])) return false;
    return true;
  }

  // Skips to just after `end`, checking the bytes in between like text. False when absent.
  bool skipPast(const char* end) {
    while (i_ < n_) {
      if (startsWith(end)) {
        i_ += std::char_traits<char>::length(end);
        return true;
      }
      const unsigned c = p_[i_];
      if (c < 0x80) {
        ++i_;
      } else if (!textByte()) {
        return false;
      }
    }
    return true;  // unterminated: pugixml reports it either way
  }

  bool markup() {
    if (startsWith("<!--")) {
      i_ += 4;
      return skipPast("-->");
    }
    if (startsWith("<!")) return false;  // CDATA or DOCTYPE
    if (startsWith("<?")) {
      i_ += 2;
      return skipPast("?>");
    }
    ++i_;
    return tag();
  }

  // Inside a start or end tag: names must be ASCII; quoted values are text.
  bool tag() {
    while (i_ < n_) {
      const unsigned c = p_[i_];
      if (c == '>') {
        ++i_;
        return true;
      }
      if (c >= 0x80) return false;
      if (c == '"' || c == '\'') {
        ++i_;
        while (i_ < n_ && p_[i_] != c) {
          if (p_[i_] == '<') return true;  // malformed: let the parser say so
          if (!textByte()) return false;
        }
        ++i_;
        continue;
      }
      if (c == '<') return true;  // malformed: let the parser say so
      ++i_;
    }
    return true;
  }

  const unsigned char* p_;
  std::size_t n_;
  std::size_t i_ = 0;
};

// Text and CDATA below `root` in document order; iterative so depth cannot exhaust the stack.
void CollectText(const pugi::xml_node& root, std::string& out) {
  pugi::xml_node n = root.first_child();
  while (n) {
    const auto t = n.type();
    if (t == pugi::node_pcdata || t == pugi::node_cdata) out += n.value();
    if (t == pugi::node_element && n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n && n != root && !n.next_sibling()) n = n.parent();
    if (!n || n == root) break;
    n = n.next_sibling();
  }
}

}  // namespace

const char* XmlParseResult::description() const {
  switch (status) {
    case ok: return "No error";
    case outOfMemory: return "Out of memory";
    case badMarkup: return "Malformed markup";
    case badAttribute: return "Malformed attribute";
    case endElementMismatch: return "Start and end tags do not match";
    case noDocumentElement: return "No document element";
    case notLoaded: return "No document loaded";
  }
  return "Unknown error";
}

bool CanParseAnsiDirectly(std::string_view cp936) { return DirectAnsiScanner(cp936).safe(); }

// --- XmlDomNode ---------------------------------------------------------------------------

AnsiString XmlDomNode::toAnsi(const char* s) const {
  if (!s) return {};
  if (doc_->directAnsi_) return AnsiString(s);
  return detail::Utf8ToAnsiText(s);
}

void XmlDomNode::assignAnsi(const char* s, AnsiString& out) const {
  const std::size_t n = std::char_traits<char>::length(s);
  if (doc_->directAnsi_) out.assign(s, n);
  else detail::Utf8ToAnsiInto(s, n, out);
}

XmlNodeType XmlDomNode::nodeType() const {
  switch (node_.type()) {
    case pugi::node_element: return XmlNodeType::element;
    case pugi::node_pcdata: return XmlNodeType::text;
    case pugi::node_cdata: return XmlNodeType::cdata;
    case pugi::node_comment: return XmlNodeType::comment;
    case pugi::node_pi: return XmlNodeType::processingInstruction;
    case pugi::node_document: return XmlNodeType::document;
    default: return XmlNodeType::none;
  }
}

AnsiString XmlDomNode::nodeName() const {
  switch (node_.type()) {
    case pugi::node_element:
    case pugi::node_pi: return toAnsi(node_.name());
    case pugi::node_pcdata: return "#text";
    case pugi::node_cdata: return "#cdata-section";
    case pugi::node_comment: return "#comment";
    case pugi::node_document: return "#document";
    default: return {};
  }
}

std::string_view XmlDomNode::inDocumentText(std::string_view name, std::string& storage) const {
  // Names in the tree are UTF-8 unless the document was parsed directly from CP936; the
  // callers' names are CP936, so a non-ASCII name is converted once before comparing.
  if (doc_->directAnsi_ || IsAscii(name)) return name;
  storage = detail::AnsiToUtf8Text(name);
  return storage;
}

bool XmlDomNode::nameIs(std::string_view name) const {
  if (!IsElement(node_)) return false;
  std::string storage;
  return std::string_view(node_.name()) == inDocumentText(name, storage);
}

XmlDomNode XmlDomNode::selectSingleNode(std::string_view name) const {
  if (!node_) return {};
  std::string storage;
  const std::string_view key = inDocumentText(name, storage);
  for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
    if (IsElement(c) && key == c.name()) return XmlDomNode(c, doc_);
  return {};
}

AnsiString XmlDomNode::text() const {
  const auto t = node_.type();
  if (t == pugi::node_pcdata || t == pugi::node_cdata || t == pugi::node_comment || t == pugi::node_pi)
    return toAnsi(node_.value());
  if (t != pugi::node_element && t != pugi::node_document) return {};
  std::string raw;
  CollectText(node_, raw);
  if (doc_->directAnsi_) return raw;
  return detail::Utf8ToAnsiText(raw);
}

XmlDomNodeList XmlDomNode::getElementsByTagName(std::string_view name) const {
  XmlDomNodeList list;
  list.doc_ = doc_;
  if (!node_) return list;
  std::string storage;
  const std::string_view key = inDocumentText(name, storage);
  // Pre-order walk without recursion, so deep documents cannot exhaust the stack.
  pugi::xml_node n = node_.first_child();
  while (n) {
    if (IsElement(n) && key == n.name()) list.nodes_.push_back(n);
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n && n != node_ && !n.next_sibling()) n = n.parent();
    if (!n || n == node_) break;
    n = n.next_sibling();
  }
  return list;
}

XmlDomNodeList XmlDomNode::childNodes() const {
  XmlDomNodeList list;
  list.doc_ = doc_;
  for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
    if (c.type() != pugi::node_declaration && c.type() != pugi::node_doctype) list.nodes_.push_back(c);
  return list;
}

XmlDomNode XmlDomNode::firstChild() const {
  pugi::xml_node c = node_.first_child();
  while (c && (c.type() == pugi::node_declaration || c.type() == pugi::node_doctype)) c = c.next_sibling();
  return c ? XmlDomNode(c, doc_) : XmlDomNode();
}

XmlDomNode XmlDomNode::nextSibling() const {
  pugi::xml_node c = node_.next_sibling();
  while (c && (c.type() == pugi::node_declaration || c.type() == pugi::node_doctype)) c = c.next_sibling();
  return c ? XmlDomNode(c, doc_) : XmlDomNode();
}

XmlDomNode XmlDomNode::firstChildElement() const {
  pugi::xml_node c = node_.first_child();
  while (c && !IsElement(c)) c = c.next_sibling();
  return c ? XmlDomNode(c, doc_) : XmlDomNode();
}

XmlDomNode XmlDomNode::nextSiblingElement() const {
  pugi::xml_node c = node_.next_sibling();
  while (c && !IsElement(c)) c = c.next_sibling();
  return c ? XmlDomNode(c, doc_) : XmlDomNode();
}

bool XmlDomNode::hasAttribute(std::string_view name) const {
  if (!IsElement(node_)) return false;
  std::string storage;
  const std::string_view key = inDocumentText(name, storage);
  for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute())
    if (key == a.name()) return true;
  return false;
}

AnsiString XmlDomNode::getAttribute(std::string_view name) const {
  AnsiString out;
  getAttribute(name, out);
  return out;
}

bool XmlDomNode::getAttribute(std::string_view name, AnsiString& out) const {
  if (!IsElement(node_)) return false;
  std::string storage;
  const std::string_view key = inDocumentText(name, storage);
  for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute()) {
    if (key == a.name()) {
      assignAnsi(a.value(), out);
      return true;
    }
  }
  return false;
}

int XmlDomNode::attributeCount() const {
  int n = 0;
  for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute()) ++n;
  return n;
}

// --- XmlDomNodeList -----------------------------------------------------------------------

XmlDomNode XmlDomNodeList::item(int index) const {
  if (index < 0 || index >= length()) return {};
  return XmlDomNode(nodes_[std::size_t(index)], doc_);
}

// --- XmlDomDocument -----------------------------------------------------------------------

XmlDomDocument::XmlDomDocument() = default;
XmlDomDocument::~XmlDomDocument() = default;

void XmlDomDocument::reset() {
  doc_.reset();
  buffer_.clear();
  buffer_.shrink_to_fit();
  directAnsi_ = false;
  result_ = XmlParseResult{};
}

XmlParseResult XmlDomDocument::loadOwnedBuffer(std::string buffer, bool directAnsi) {
  buffer_ = std::move(buffer);
  directAnsi_ = directAnsi;
  const pugi::xml_parse_result r =
      doc_.load_buffer_inplace(buffer_.data(), buffer_.size(), kParseOptions, pugi::encoding_utf8);
  result_.status = MapStatus(r.status);
  result_.offset = r ? 0 : r.offset;
  return result_;
}

XmlParseResult XmlDomDocument::LoadXML(std::u16string_view text) {
  reset();
  try {
    return loadOwnedBuffer(detail::WideToUtf8Text(text), false);
  } catch (const std::bad_alloc&) {
    reset();
    result_.status = XmlParseResult::outOfMemory;
    return result_;
  }
}

XmlParseResult XmlDomDocument::LoadAnsi(std::string_view cp936) {
  reset();
  try {
    if (CanParseAnsiDirectly(cp936)) return loadOwnedBuffer(std::string(cp936), true);
    return loadOwnedBuffer(detail::AnsiToUtf8Text(cp936), false);
  } catch (const std::bad_alloc&) {
    reset();
    result_.status = XmlParseResult::outOfMemory;
    return result_;
  }
}

XmlParseResult XmlDomDocument::LoadUtf8(std::string_view utf8) {
  reset();
  try {
    return loadOwnedBuffer(std::string(utf8), false);
  } catch (const std::bad_alloc&) {
    reset();
    result_.status = XmlParseResult::outOfMemory;
    return result_;
  }
}

XmlDomNode XmlDomDocument::documentElement() const {
  if (!result_) return {};
  return XmlDomNode(doc_.document_element(), this);
}

XmlDomNode XmlDomDocument::document() const {
  if (!result_) return {};
  return XmlDomNode(doc_, this);
}

}  // namespace kvxml
