#include "platform/xml/SimpleXml.h"

#include "platform/xml/XmlText.h"

#include <new>

namespace kvxml {

using detail::SameTextAscii;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The encoding named by an XML declaration at the start of `text`, or empty.
std::string_view DeclaredEncoding(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (text.substr(i, 5) != "<?xml") return {};
  const std::size_t end = text.find("?>", i);
  const std::string_view decl = text.substr(i, end == std::string_view::npos ? text.size() - i : end - i);
  const std::size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return {};
  std::size_t j = at + 8;
  while (j < decl.size() && (IsBlank(decl[j]) || decl[j] == '=')) ++j;
  if (j >= decl.size() || (decl[j] != '"' && decl[j] != '\'')) return {};
  const char quote = decl[j++];
  const std::size_t close = decl.find(quote, j);
  if (close == std::string_view::npos) return {};
  return decl.substr(j, close - j);
}

bool IsGbEncoding(std::string_view name) {
  for (const char* gb : {"gb2312", "gbk", "cp936", "gb18030", "windows-936", "x-gbk"})
    if (SameTextAscii(name, gb)) return true;
  return false;
}

}  // namespace

// --- TSimpleXmlNode -----------------------------------------------------------------------

std::string TSimpleXmlNode::key(std::string_view name) const { return detail::AnsiToUtf8Text(name); }

AnsiString TSimpleXmlNode::out(const char* text) const { return detail::Utf8ToAnsiText(text ? text : ""); }

AnsiString TSimpleXmlNode::Name() const { return node_ ? out(node_.name()) : AnsiString(); }

TSimpleXmlNode TSimpleXmlNode::FindChild(std::string_view name) const {
  const std::string k = key(name);
  for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && SameTextAscii(c.name(), k)) return TSimpleXmlNode(c, doc_);
  return {};
}

std::vector<TSimpleXmlNode> TSimpleXmlNode::FindChildren(std::string_view name) const {
  std::vector<TSimpleXmlNode> found;
  const std::string k = key(name);
  for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && SameTextAscii(c.name(), k)) found.push_back(TSimpleXmlNode(c, doc_));
  return found;
}

std::vector<TSimpleXmlNode> TSimpleXmlNode::Children() const {
  std::vector<TSimpleXmlNode> found;
  for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) found.push_back(TSimpleXmlNode(c, doc_));
  return found;
}

bool TSimpleXmlNode::HasAttribute(std::string_view name) const {
  const std::string k = key(name);
  for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute())
    if (SameTextAscii(a.name(), k)) return true;
  return false;
}

AnsiString TSimpleXmlNode::Attribute(std::string_view name) const {
  const std::string k = key(name);
  for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute())
    if (SameTextAscii(a.name(), k)) return out(a.value());
  return {};
}

AnsiString TSimpleXmlNode::Text() const {
  if (!node_) return {};
  std::string raw;
  // Iterative pre-order walk: deep nesting cannot exhaust the stack.
  pugi::xml_node n = node_.first_child();
  while (n) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) raw += n.value();
    if (n.type() == pugi::node_element && n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (n && n != node_ && !n.next_sibling()) n = n.parent();
    if (!n || n == node_) break;
    n = n.next_sibling();
  }
  return out(raw.c_str());
}

// --- TSimpleXmlDocument -------------------------------------------------------------------

XmlParseResult TSimpleXmlDocument::LoadFromString(std::string_view text) {
  doc_.reset();
  buffer_.clear();
  result_ = XmlParseResult{};
  utf8_ = false;
  try {
    const bool bom = text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) {
      utf8_ = true;
      buffer_.assign(text.substr(3));
    } else if (!IsGbEncoding(DeclaredEncoding(text)) && detail::IsValidUtf8(text)) {
      utf8_ = true;
      buffer_.assign(text);
    } else {
      buffer_ = detail::AnsiToUtf8Text(text);
    }
    const pugi::xml_parse_result r = doc_.load_buffer_inplace(buffer_.data(), buffer_.size(),
                                                              pugi::parse_default, pugi::encoding_utf8);
    switch (r.status) {
      case pugi::status_ok: result_.status = XmlParseResult::ok; break;
      case pugi::status_out_of_memory: result_.status = XmlParseResult::outOfMemory; break;
      case pugi::status_bad_attribute: result_.status = XmlParseResult::badAttribute; break;
      case pugi::status_end_element_mismatch: result_.status = XmlParseResult::endElementMismatch; break;
      case pugi::status_no_document_element: result_.status = XmlParseResult::noDocumentElement; break;
      default: result_.status = XmlParseResult::badMarkup; break;
    }
    result_.offset = r ? 0 : r.offset;
  } catch (const std::bad_alloc&) {
    doc_.reset();
    buffer_.clear();
    result_.status = XmlParseResult::outOfMemory;
  }
  return result_;
}

TSimpleXmlNode TSimpleXmlDocument::Root() const {
  if (!result_) return {};
  return TSimpleXmlNode(doc_.document_element(), this);
}

}  // namespace kvxml
