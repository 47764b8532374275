#include "platform/xml/XmlDom.h"

#include "platform/xml/XmlText.h"

#include <cstring>
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

// The check behind LoadAnsi's direct path. Trail bytes of double-byte characters may look
// like ASCII (0x40..0x7E) but never like markup: none of < > & " ' = / ? ! - is in that range.
// So pugixml, which only hunts for delimiters inside text, quoted values, comments and PIs,
// finds the same boundaries in the CP936 bytes as in their UTF-8 form. What is left to rule
// out here:
//   - bytes that do not form mapped CP936 characters (the converting path turns them into '?');
//   - character references beyond ASCII (they would put UTF-8 bytes into CP936 text);
//   - CDATA sections and DOCTYPEs, whose ends (']]>', ']') a trail byte 0x5D could fake;
//   - a byte-order mark.
// A name with a trail byte that is not a name character makes pugixml fail, and a failed direct
// parse is repeated on the converted text, so names need no check here.
bool DirectAnsiSafe(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return false;
  const std::uint64_t* pairs = detail::MappedPairBits();
  for (std::size_t i = 0; i < n;) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (!(word & 0x8080808080808080ull)) {
        i += 8;
        continue;
      }
    }
    const unsigned char c = p[i];
    if (c < 0x80 || c == 0x80) {  // 0x80 is the euro sign, one byte both ways
      ++i;
      continue;
    }
    if (i + 1 >= n || !detail::IsMappedAnsiPair(pairs, c, p[i + 1])) return false;
    i += 2;
  }
  for (const void* at = std::memchr(p, '&', n); at; ) {
    const std::size_t i = std::size_t(static_cast<const unsigned char*>(at) - p);
    if (i + 1 < n && p[i + 1] == '#') {
      std::size_t j = i + 2;
      const bool hex = j < n && p[j] == 'x';
      if (hex) ++j;
      unsigned value = 0, digits = 0;
      for (; j < n && digits < 8; ++j, ++digits) {
        const unsigned d = p[j];
        unsigned v;
        if (d >= '0' && d <= '9') v = d - '0';
        else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
        else break;
        value = value * (hex ? 16 : 10) + v;
      }
      if (digits == 0 || j >= n || p[j] != ';' || value >= 0x80) return false;
    }
    at = i + 1 < n ? std::memchr(p + i + 1, '&', n - i - 1) : nullptr;
  }
  for (std::size_t i = s.find("<!"); i != std::string_view::npos; i = s.find("<!", i + 2))
    if (s.compare(i, 4, "<!--") != 0) return false;  // CDATA or DOCTYPE
  return true;
}

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

bool CanParseAnsiDirectly(std::string_view cp936) { return DirectAnsiSafe(cp936); }

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

// --- XmlDomAttributes --------------------------------------------------------------------

void XmlDomAttributes::read(const XmlDomNode& element) {
  entries_.clear();
  next_ = 0;
  doc_ = element.doc_;
  if (!IsElement(element.node_)) return;
  for (pugi::xml_attribute a = element.node_.first_attribute(); a; a = a.next_attribute())
    entries_.push_back(Entry{std::string_view(a.name()), a.value()});
}

const XmlDomAttributes::Entry* XmlDomAttributes::find(std::string_view name) const {
  if (entries_.empty()) return nullptr;
  std::string storage;
  if (!doc_->directAnsi_ && !IsAscii(name)) {
    storage = detail::AnsiToUtf8Text(name);
    name = storage;
  }
  // Callers usually ask in the order the attributes are written, so start after the last hit.
  const std::size_t n = entries_.size();
  for (std::size_t k = 0, i = (next_ < n ? next_ : 0); k < n; ++k, i = (i + 1 == n ? 0 : i + 1)) {
    const Entry& e = entries_[i];
    if (e.name.size() == name.size() && (name.empty() || e.name[0] == name[0]) &&
        std::char_traits<char>::compare(e.name.data(), name.data(), name.size()) == 0) {
      next_ = i + 1;
      return &e;
    }
  }
  return nullptr;
}

bool XmlDomAttributes::has(std::string_view name) const { return find(name) != nullptr; }

bool XmlDomAttributes::get(std::string_view name, AnsiString& out) const {
  const Entry* e = find(name);
  if (!e) return false;
  const std::size_t n = std::char_traits<char>::length(e->value);
  if (doc_->directAnsi_) out.assign(e->value, n);
  else detail::Utf8ToAnsiInto(e->value, n, out);
  return true;
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
    if (CanParseAnsiDirectly(cp936)) {
      if (loadOwnedBuffer(std::string(cp936), true)) return result_;
      reset();  // failures (and their offsets) are reported from the converted text
    }
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
