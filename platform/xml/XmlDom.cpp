#include "platform/xml/XmlDom.h"

#include "platform/xml/XmlText.h"

#include <new>

namespace kvxml {

using detail::NodeKind;
using detail::TextForm;
using detail::ValueKind;
using detail::XmlAttrRec;
using detail::XmlNodeRec;
using detail::XmlTree;

namespace {

// Callers' names are CP936; names in a UTF-8 tree are compared in their UTF-8 form.
std::string_view InTreeText(const XmlTree& tree, std::string_view name, std::string& storage) {
  if (tree.form == TextForm::cp936 || detail::IsAscii(name)) return name;
  storage = detail::AnsiToUtf8Text(name);
  return storage;
}

AnsiString NameText(const XmlTree& tree, std::string_view name) {
  if (tree.form == TextForm::cp936) return AnsiString(name);
  return detail::Utf8ToAnsiText(name);
}

ValueKind KindOf(NodeKind kind) {
  if (kind == NodeKind::text) return ValueKind::text;
  return kind == NodeKind::pi ? ValueKind::verbatim : ValueKind::raw;
}

void AppendNodeValue(const XmlTree& tree, const XmlNodeRec& n, std::string& out) {
  detail::AppendValue(tree, tree.slice(n.valueOff, n.valueLen), n.valueFlags, KindOf(n.kind), out);
}

// The first of the COUNT attributes from FIRST named exactly NAME (CP936), or null.
const XmlAttrRec* FindAttributeIn(const XmlTree& tree, const XmlAttrRec* first, std::uint32_t count,
                                  std::string_view name) {
  std::string storage;
  const std::string_view key = InTreeText(tree, name, storage);
  for (std::uint32_t i = 0; i < count; ++i)
    if (first[i].nameLen == key.size() && detail::SameBytes(tree.text.data() + first[i].nameOff, key.data(), key.size()))
      return first + i;
  return nullptr;
}

void AppendAttributeValue(const XmlTree& tree, const XmlAttrRec& a, std::string& out) {
  detail::AppendValue(tree, tree.slice(a.valueOff, a.valueLen), a.valueFlags, ValueKind::attribute, out);
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

// --- XmlDomNode ---------------------------------------------------------------------------

const XmlTree& XmlDomNode::tree() const { return doc_->tree_; }

const XmlNodeRec& XmlDomNode::rec() const { return doc_->tree_.nodes[index_]; }

bool XmlDomNode::isElement() const { return doc_ && rec().kind == NodeKind::element; }

XmlNodeType XmlDomNode::nodeType() const {
  if (!doc_) return XmlNodeType::none;
  switch (rec().kind) {
    case NodeKind::document: return XmlNodeType::document;
    case NodeKind::element: return XmlNodeType::element;
    case NodeKind::text: return XmlNodeType::text;
    case NodeKind::cdata: return XmlNodeType::cdata;
    case NodeKind::comment: return XmlNodeType::comment;
    case NodeKind::pi: return XmlNodeType::processingInstruction;
  }
  return XmlNodeType::none;
}

AnsiString XmlDomNode::nodeName() const {
  if (!doc_) return {};
  switch (rec().kind) {
    case NodeKind::element:
    case NodeKind::pi: return NameText(tree(), tree().name(rec()));
    case NodeKind::text: return "#text";
    case NodeKind::cdata: return "#cdata-section";
    case NodeKind::comment: return "#comment";
    case NodeKind::document: return "#document";
  }
  return {};
}

bool XmlDomNode::nameIs(std::string_view name) const {
  if (!isElement()) return false;
  std::string storage;
  return tree().name(rec()) == InTreeText(tree(), name, storage);
}

XmlDomNode XmlDomNode::selectSingleNode(std::string_view name) const {
  if (!doc_) return {};
  std::string storage;
  const std::string_view key = InTreeText(tree(), name, storage);
  const auto& nodes = tree().nodes;
  for (std::uint32_t c = rec().firstChild; c; c = nodes[c].nextSibling)
    if (nodes[c].kind == NodeKind::element && tree().name(nodes[c]) == key) return XmlDomNode(doc_, c);
  return {};
}

AnsiString XmlDomNode::text() const {
  if (!doc_) return {};
  const XmlNodeRec& self = rec();
  AnsiString out;
  if (self.kind != NodeKind::element && self.kind != NodeKind::document) {
    AppendNodeValue(tree(), self, out);
    return out;
  }
  // The descendants are the nodes that follow, up to `end`, in document order.
  const auto& nodes = tree().nodes;
  for (std::uint32_t i = index_ + 1; i < self.end; ++i)
    if (nodes[i].kind == NodeKind::text || nodes[i].kind == NodeKind::cdata) AppendNodeValue(tree(), nodes[i], out);
  return out;
}

XmlDomNodeList XmlDomNode::getElementsByTagName(std::string_view name) const {
  XmlDomNodeList list;
  list.doc_ = doc_;
  if (!doc_) return list;
  std::string storage;
  const std::string_view key = InTreeText(tree(), name, storage);
  const auto& nodes = tree().nodes;
  for (std::uint32_t i = index_ + 1; i < rec().end; ++i)
    if (nodes[i].kind == NodeKind::element && tree().name(nodes[i]) == key) list.nodes_.push_back(i);
  return list;
}

XmlDomNodeList XmlDomNode::childNodes() const {
  XmlDomNodeList list;
  list.doc_ = doc_;
  if (!doc_) return list;
  const auto& nodes = tree().nodes;
  for (std::uint32_t c = rec().firstChild; c; c = nodes[c].nextSibling) list.nodes_.push_back(c);
  return list;
}

XmlDomNode XmlDomNode::firstChild() const {
  if (!doc_ || !rec().firstChild) return {};
  return XmlDomNode(doc_, rec().firstChild);
}

XmlDomNode XmlDomNode::nextSibling() const {
  if (!doc_ || !rec().nextSibling) return {};
  return XmlDomNode(doc_, rec().nextSibling);
}

XmlDomNode XmlDomNode::firstChildElement() const {
  if (!doc_) return {};
  const auto& nodes = tree().nodes;
  for (std::uint32_t c = rec().firstChild; c; c = nodes[c].nextSibling)
    if (nodes[c].kind == NodeKind::element) return XmlDomNode(doc_, c);
  return {};
}

XmlDomNode XmlDomNode::nextSiblingElement() const {
  if (!doc_) return {};
  const auto& nodes = tree().nodes;
  for (std::uint32_t c = rec().nextSibling; c; c = nodes[c].nextSibling)
    if (nodes[c].kind == NodeKind::element) return XmlDomNode(doc_, c);
  return {};
}

const XmlAttrRec* XmlDomNode::findAttribute(std::string_view name) const {
  if (!isElement()) return nullptr;
  return FindAttributeIn(tree(), tree().attrs.data() + rec().firstAttr, rec().attrCount, name);
}

bool XmlDomNode::hasAttribute(std::string_view name) const { return findAttribute(name) != nullptr; }

AnsiString XmlDomNode::getAttribute(std::string_view name) const {
  AnsiString out;
  getAttribute(name, out);
  return out;
}

bool XmlDomNode::getAttribute(std::string_view name, AnsiString& out) const {
  const XmlAttrRec* a = findAttribute(name);
  if (!a) return false;
  out.clear();
  AppendAttributeValue(tree(), *a, out);
  return true;
}

int XmlDomNode::attributeCount() const { return isElement() ? int(rec().attrCount) : 0; }

// --- XmlDomNodeList -----------------------------------------------------------------------

XmlDomNode XmlDomNodeList::item(int index) const {
  if (index < 0 || index >= length()) return {};
  return XmlDomNode(doc_, nodes_[std::size_t(index)]);
}

// --- XmlDomAttributes --------------------------------------------------------------------

void XmlDomAttributes::read(const XmlDomNode& element) {
  next_ = 0;
  if (!element.isElement()) {
    tree_ = nullptr;
    first_ = nullptr;
    count_ = 0;
    return;
  }
  tree_ = &element.tree();
  const XmlNodeRec& rec = element.rec();
  first_ = tree_->attrs.data() + rec.firstAttr;
  count_ = rec.attrCount;
}

const XmlAttrRec* XmlDomAttributes::findAnywhere(std::string_view name) const {
  if (count_ == 0) return nullptr;
  const XmlAttrRec* a = FindAttributeIn(*tree_, first_, count_, name);
  if (a) next_ = std::uint32_t(a - first_) + 1;
  return a;
}

bool XmlDomAttributes::has(std::string_view name) const { return find(name) != nullptr; }

bool XmlDomAttributes::get(std::string_view name, AnsiString& out) const {
  const XmlAttrRec* a = find(name);
  if (!a) return false;
  out.clear();
  AppendAttributeValue(*tree_, *a, out);
  return true;
}

// --- XmlDomDocument -----------------------------------------------------------------------

XmlDomDocument::XmlDomDocument() = default;
XmlDomDocument::~XmlDomDocument() = default;

void XmlDomDocument::reset() {
  tree_.clear();
  result_ = XmlParseResult{};
}

XmlParseResult XmlDomDocument::load(std::string text, TextForm form) {
  tree_.ownedText = std::move(text);
  tree_.text = tree_.ownedText;
  return read(form);
}

XmlParseResult XmlDomDocument::read(TextForm form) {
  tree_.form = form;
  const detail::XmlReadOutcome outcome = detail::ReadXmlTree(tree_);
  if (outcome.status != XmlParseResult::ok) {
    reset();
    result_.status = XmlParseResult::Status(outcome.status);
    result_.offset = std::ptrdiff_t(outcome.offset);
    return result_;
  }
  result_.status = XmlParseResult::ok;
  result_.offset = 0;
  return result_;
}

template <class Read>
XmlParseResult XmlDomDocument::loadGuarded(Read read) {
  reset();
  try {
    return read();
  } catch (const std::bad_alloc&) {
    reset();
    result_.status = XmlParseResult::outOfMemory;
    return result_;
  }
}

XmlParseResult XmlDomDocument::LoadXML(std::u16string_view text) {
  return loadGuarded([&] { return load(detail::WideToUtf8Text(text), TextForm::utf8); });
}

XmlParseResult XmlDomDocument::LoadAnsi(std::string_view cp936) {
  return loadGuarded([&] { return load(std::string(cp936), TextForm::cp936); });
}

XmlParseResult XmlDomDocument::LoadUtf8(std::string_view utf8) {
  return loadGuarded([&] { return load(std::string(utf8), TextForm::utf8); });
}

XmlParseResult XmlDomDocument::LoadAnsiBorrowed(std::string_view cp936) {
  return loadGuarded([&] {
    tree_.text = cp936;
    return read(TextForm::cp936);
  });
}

void XmlDomDocument::OwnText() {
  if (tree_.text.data() == tree_.ownedText.data()) return;
  // Offsets into the text stay valid in the copy: only the base changes.
  tree_.ownedText.assign(tree_.text);
  tree_.text = tree_.ownedText;
}

XmlDomNode XmlDomDocument::documentElement() const {
  if (!result_) return {};
  const auto& nodes = tree_.nodes;
  for (std::uint32_t c = nodes[0].firstChild; c; c = nodes[c].nextSibling)
    if (nodes[c].kind == NodeKind::element) return XmlDomNode(this, c);
  return {};
}

XmlDomNode XmlDomDocument::document() const {
  if (!result_) return {};
  return XmlDomNode(this, 0);
}

}  // namespace kvxml
