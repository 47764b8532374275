#include "platform/xml/XmlTree.h"

#include "platform/win/CodePage.h"
#include "platform/xml/XmlDom.h"
#include "platform/xml/XmlText.h"

#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <limits>

namespace kvxml::detail {

void XmlTree::clear() {
  nodes.clear();
  nodes.shrink_to_fit();
  attrs.clear();
  attrs.shrink_to_fit();
  ownedText.clear();
  ownedText.shrink_to_fit();
  text = {};
  form = TextForm::cp936;
}

namespace {

using Status = XmlParseResult::Status;

// ---- byte classes ------------------------------------------------------------------------

enum : std::uint8_t {
  kSpace = 1,      // ' ' \t \n \r
  kNameStart = 2,  // letters _ :
  kNameChar = 4,   // name start, digits - .
  kAttrStop = 8,   // what ends or changes an attribute value: quotes & \t \n \r, bytes >= 0x80
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> t{};
  for (int c : {' ', '\t', '\n', '\r'}) t[c] |= kSpace;
  for (int c = 'a'; c <= 'z'; ++c) t[c] |= kNameStart | kNameChar;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kNameStart | kNameChar;
  for (int c : {'_', ':'}) t[c] |= kNameStart | kNameChar;
  for (int c = '0'; c <= '9'; ++c) t[c] |= kNameChar;
  for (int c : {'-', '.'}) t[c] |= kNameChar;
  for (int c : {'"', '\'', '&', '\t', '\n', '\r'}) t[c] |= kAttrStop;
  for (int c = 0x80; c < 0x100; ++c) t[c] |= kAttrStop;
  return t;
}
constexpr std::array<std::uint8_t, 256> kClass = MakeClasses();

bool IsSpace(unsigned char c) { return kClass[c] & kSpace; }

// The first byte from Q on (LIMIT at most) that may end or change a value quoted by QUOTE: the
// quote, '&', a control character or a byte >= 0x80. Sixteen bytes at a time where it can.
const unsigned char* SkipPlainValueBytes(const unsigned char* q, const unsigned char* limit, unsigned char quote) {
#if defined(__SSE2__)
  const __m128i quotes = _mm_set1_epi8(char(quote));
  const __m128i amps = _mm_set1_epi8('&');
  const __m128i fourteens = _mm_set1_epi8(14);  // signed: bytes >= 0x80 compare below it too
  while (limit - q >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i stops =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, quotes), _mm_cmpeq_epi8(x, amps)), _mm_cmplt_epi8(x, fourteens));
    if (const int bits = _mm_movemask_epi8(stops)) return q + __builtin_ctz(unsigned(bits));
    q += 16;
  }
#endif
  while (q < limit && !(kClass[*q] & kAttrStop)) ++q;
  return q;
}

// ---- the reader --------------------------------------------------------------------------

class Reader {
 public:
  explicit Reader(XmlTree& tree)
      : tree_(tree),
        begin_(reinterpret_cast<const unsigned char*>(tree.text.data())),
        p_(begin_),
        end_(begin_ + tree.text.size()),
        cp936_(tree.form == TextForm::cp936),
        pairs_(MappedPairBits()) {}

  XmlReadOutcome Run();

 private:
  using Ptr = const unsigned char*;

  bool Fail(Status status, Ptr at) {
    status_ = status;
    failAt_ = at;
    return false;
  }
  std::uint32_t Off(Ptr at) const { return std::uint32_t(at - begin_); }

  // Length of the CP936 character at Q when it is a mapped double-byte one (2), else 0.
  int PairAt(Ptr q) const {
    return q + 1 < end_ && IsMappedAnsiPair(pairs_, q[0], q[1]) ? 2 : 0;
  }
  // Bytes taken by the name character at Q (0: not a name character there).
  int NameCharAt(Ptr q, std::uint8_t asciiClass) const {
    const unsigned char c = *q;
    if (c < 0x80) return (kClass[c] & asciiClass) ? 1 : 0;
    if (!cp936_ || c == 0x80) return 1;
    return PairAt(q);
  }
  // The end of the name starting at Q, or Q itself when no name starts there.
  Ptr ScanName(Ptr q) const {
    if (q >= end_) return q;
    int n = NameCharAt(q, kNameStart);
    if (n == 0) return q;
    q += n;
    for (;;) {
      while (q < end_ && (kClass[*q] & kNameChar)) ++q;  // the usual ASCII run
      if (q >= end_ || *q < 0x80 || (n = NameCharAt(q, kNameChar)) == 0) return q;
      q += n;
    }
  }
  Ptr SkipSpace(Ptr q) const {
    while (q < end_ && IsSpace(*q)) ++q;
    return q;
  }
  // SkipSpace for where white space is rare: one test when there is none.
  Ptr SkipOptionalSpace(Ptr q) const { return q < end_ && IsSpace(*q) ? SkipSpace(q + 1) : q; }
  // Flags for the high bytes of a value: broken CP936 needs repair, UTF-8 needs converting.
  std::uint8_t HighByteFlags(Ptr& q, Ptr limit) const {
    if (!cp936_) {
      ++q;
      return kConvert;
    }
    if (*q == 0x80) {
      ++q;
      return kPlain;
    }
    if (q + 1 < limit && IsMappedAnsiPair(pairs_, q[0], q[1])) {
      q += 2;
      return kPlain;
    }
    ++q;
    return kDecode;
  }
  // Flags of the value in [Q, LIMIT) read as KIND: text has entities and end-of-line rules,
  // raw sections (CDATA, comments) end-of-line rules only, verbatim ones (PIs) neither.
  std::uint8_t ValueFlags(Ptr q, Ptr limit, ValueKind kind) const {
    std::uint8_t flags = kPlain;
    while (q < limit) {
      const unsigned char c = *q;
      if (c < 0x80) {
        if ((c == '\r' && kind != ValueKind::verbatim) || (c == '&' && kind == ValueKind::text)) flags |= kDecode;
        ++q;
        continue;
      }
      flags |= HighByteFlags(q, limit);
    }
    return flags;
  }

  std::uint32_t AddNode(NodeKind kind);
  // Adds a text, CDATA, comment or PI node whose value is [FROM, TO), read as VALUEKIND.
  XmlNodeRec& AddValueNode(NodeKind kind, Ptr from, Ptr to, ValueKind valueKind);
  void CloseElement();
  bool ReadText();
  bool ReadStartTag();
  bool ReadAttributes(Ptr& q, XmlNodeRec& element);
  bool ReadEndTag();
  bool ReadProcessingInstruction();
  bool ReadMarkupDeclaration();
  bool ReadComment();
  bool ReadCdata();
  bool SkipDoctype();
  Ptr FindCdataEnd(Ptr q) const;
  Ptr Find(Ptr q, std::string_view what) const;

  XmlTree& tree_;
  const Ptr begin_;
  Ptr p_;
  const Ptr end_;
  const bool cp936_;
  const std::uint64_t* const pairs_;
  std::vector<std::uint32_t> open_{0};       // open nodes, the document first
  std::vector<std::uint32_t> lastChild_{0};  // the last child of each open node so far
  bool sawElement_ = false;
  Status status_ = XmlParseResult::ok;
  Ptr failAt_ = nullptr;
};

std::uint32_t Reader::AddNode(NodeKind kind) {
  const std::uint32_t index = std::uint32_t(tree_.nodes.size());
  const std::uint32_t parent = open_.back();
  XmlNodeRec& rec = tree_.nodes.emplace_back();
  rec.kind = kind;
  rec.parent = parent;
  rec.end = index + 1;
  std::uint32_t& last = lastChild_.back();
  if (last == 0)
    tree_.nodes[parent].firstChild = index;
  else
    tree_.nodes[last].nextSibling = index;
  last = index;
  return index;
}

XmlNodeRec& Reader::AddValueNode(NodeKind kind, Ptr from, Ptr to, ValueKind valueKind) {
  XmlNodeRec& rec = tree_.nodes[AddNode(kind)];
  rec.valueOff = Off(from);
  rec.valueLen = std::uint32_t(to - from);
  rec.valueFlags = ValueFlags(from, to, valueKind);
  return rec;
}

void Reader::CloseElement() {
  tree_.nodes[open_.back()].end = std::uint32_t(tree_.nodes.size());
  open_.pop_back();
  lastChild_.pop_back();
}

Reader::Ptr Reader::Find(Ptr q, std::string_view what) const {
  const std::string_view rest(reinterpret_cast<const char*>(q), std::size_t(end_ - q));
  const std::size_t at = rest.find(what);
  return at == std::string_view::npos ? nullptr : q + at;
}

bool Reader::ReadText() {
  const Ptr start = p_;
  // Blank text between elements (the line breaks between rows) carries nothing; it usually
  // ends at the next '<' before any search is needed.
  const Ptr q = SkipSpace(p_);
  if (q == end_ || *q == '<') {
    p_ = q;
    return true;
  }
  const void* lt = std::memchr(q, '<', std::size_t(end_ - q));
  p_ = lt ? static_cast<Ptr>(lt) : end_;
  // Text outside the document element carries nothing either.
  if (open_.size() == 1) return true;
  AddValueNode(NodeKind::text, start, p_, ValueKind::text);
  return true;
}

bool Reader::ReadStartTag() {
  Ptr q = p_ + 1;
  const Ptr nameEnd = ScanName(q);
  if (nameEnd == q) return Fail(XmlParseResult::badMarkup, q);
  const std::uint32_t index = AddNode(NodeKind::element);
  sawElement_ = true;
  {
    XmlNodeRec& rec = tree_.nodes[index];
    rec.nameOff = Off(q);
    rec.nameLen = std::uint32_t(nameEnd - q);
    rec.firstAttr = std::uint32_t(tree_.attrs.size());
  }
  q = nameEnd;
  if (!ReadAttributes(q, tree_.nodes[index])) return false;
  if (*q == '/') {
    p_ = q + 2;  // "/>": nothing inside
    return true;
  }
  open_.push_back(index);
  lastChild_.push_back(0);
  p_ = q + 1;
  return true;
}

// Reads the attributes after an element's name, leaves Q on the closing '>' or "/>".
bool Reader::ReadAttributes(Ptr& q, XmlNodeRec& element) {
  for (bool afterValue = false;; afterValue = true) {
    const Ptr before = q;
    // Attributes are usually one blank apart: that case takes no loop.
    if (q + 1 < end_ && *q == ' ' && !IsSpace(q[1]))
      ++q;
    else
      q = SkipSpace(q);
    if (q >= end_) return Fail(XmlParseResult::badMarkup, q);
    if (*q == '>') return true;
    if (*q == '/') {
      if (q + 1 < end_ && q[1] == '>') return true;
      return Fail(XmlParseResult::badMarkup, q);
    }
    // Attributes are separated from the name and from each other by white space.
    if (q == before) return Fail(afterValue ? XmlParseResult::badAttribute : XmlParseResult::badMarkup, q);
    const Ptr nameEnd = ScanName(q);
    if (nameEnd == q) return Fail(XmlParseResult::badAttribute, q);
    const Ptr eq = SkipOptionalSpace(nameEnd);
    if (eq >= end_ || *eq != '=') return Fail(XmlParseResult::badAttribute, eq);
    const Ptr open = SkipOptionalSpace(eq + 1);
    if (open >= end_ || (*open != '"' && *open != '\'')) return Fail(XmlParseResult::badAttribute, open);
    const unsigned char quote = *open;
    Ptr v = open + 1;
    std::uint8_t flags = kPlain;
    for (;;) {
      v = SkipPlainValueBytes(v, end_, quote);
      if (v >= end_) return Fail(XmlParseResult::badAttribute, v);
      const unsigned char c = *v;
      if (c == quote) break;
      if (c >= 0x80) {
        do flags |= HighByteFlags(v, end_);  // a run of double-byte characters
        while (v < end_ && *v >= 0x80);
        continue;
      }
      if (c == '&' || c == '\t' || c == '\n' || c == '\r') flags |= kDecode;
      ++v;
    }
    tree_.attrs.push_back(XmlAttrRec{Off(q), std::uint32_t(nameEnd - q), Off(open + 1),
                                     std::uint32_t(v - (open + 1)), flags});
    ++element.attrCount;
    q = v + 1;
  }
}

bool Reader::ReadEndTag() {
  const Ptr name = p_ + 2;
  const Ptr nameEnd = ScanName(name);
  if (nameEnd == name) return Fail(XmlParseResult::badMarkup, name);
  if (open_.size() == 1) return Fail(XmlParseResult::endElementMismatch, name);
  const std::string_view given(reinterpret_cast<const char*>(name), std::size_t(nameEnd - name));
  if (given != tree_.name(tree_.nodes[open_.back()])) return Fail(XmlParseResult::endElementMismatch, name);
  const Ptr close = SkipSpace(nameEnd);
  if (close >= end_ || *close != '>') return Fail(XmlParseResult::badMarkup, close);
  CloseElement();
  p_ = close + 1;
  return true;
}

bool Reader::ReadProcessingInstruction() {
  const Ptr target = p_ + 2;
  const Ptr targetEnd = ScanName(target);
  if (targetEnd == target) return Fail(XmlParseResult::badMarkup, target);
  const Ptr close = Find(targetEnd, "?>");
  if (!close) return Fail(XmlParseResult::badMarkup, end_);
  if (targetEnd != close && !IsSpace(*targetEnd)) return Fail(XmlParseResult::badMarkup, targetEnd);
  p_ = close + 2;
  // The XML declaration is not a node.
  const bool declaration = targetEnd - target == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
                           (target[2] | 0x20) == 'l';
  if (declaration) return true;
  const Ptr value = SkipSpace(targetEnd) < close ? SkipSpace(targetEnd) : close;
  XmlNodeRec& rec = AddValueNode(NodeKind::pi, value, close, ValueKind::verbatim);
  rec.nameOff = Off(target);
  rec.nameLen = std::uint32_t(targetEnd - target);
  return true;
}

bool Reader::ReadComment() {
  const Ptr body = p_ + 4;
  const Ptr close = Find(body, "-->");
  if (!close) return Fail(XmlParseResult::badMarkup, end_);
  AddValueNode(NodeKind::comment, body, close, ValueKind::raw);
  p_ = close + 3;
  return true;
}

// "]]>" from Q on; in CP936 a ']' that is the trail byte of a character does not count.
Reader::Ptr Reader::FindCdataEnd(Ptr q) const {
  while (q + 2 < end_) {
    if (cp936_ && *q >= 0x81 && PairAt(q)) {
      q += 2;
      continue;
    }
    if (q[0] == ']' && q[1] == ']' && q[2] == '>') return q;
    ++q;
  }
  return nullptr;
}

bool Reader::ReadCdata() {
  const Ptr body = p_ + 9;
  const Ptr close = FindCdataEnd(body);
  if (!close) return Fail(XmlParseResult::badMarkup, end_);
  p_ = close + 3;
  AddValueNode(NodeKind::cdata, body, close, ValueKind::raw);
  return true;
}

// A DOCTYPE is passed over without reading its declarations: nothing is defined, nothing is
// fetched. Quoted literals, comments and the bracketed internal subset are skipped whole.
bool Reader::SkipDoctype() {
  if (open_.size() != 1 || sawElement_) return Fail(XmlParseResult::badMarkup, p_);
  Ptr q = p_ + 9;
  int depth = 0;
  while (q < end_) {
    const unsigned char c = *q;
    if (cp936_ && c >= 0x81 && PairAt(q)) {
      q += 2;
    } else if (c == '"' || c == '\'') {
      const void* close = std::memchr(q + 1, c, std::size_t(end_ - q - 1));
      if (!close) break;
      q = static_cast<Ptr>(close) + 1;
    } else if (c == '<' && end_ - q >= 4 && std::memcmp(q, "<!--", 4) == 0) {
      const Ptr close = Find(q + 4, "-->");
      if (!close) break;
      q = close + 3;
    } else if (c == '[') {
      ++depth;
      ++q;
    } else if (c == ']') {
      if (depth > 0) --depth;
      ++q;
    } else if (c == '>' && depth == 0) {
      p_ = q + 1;
      return true;
    } else {
      ++q;
    }
  }
  return Fail(XmlParseResult::badMarkup, end_);
}

bool Reader::ReadMarkupDeclaration() {
  const std::string_view rest(reinterpret_cast<const char*>(p_), std::size_t(end_ - p_));
  if (rest.substr(0, 4) == "<!--") return ReadComment();
  if (rest.substr(0, 9) == "<![CDATA[") return ReadCdata();
  if (rest.substr(0, 9) == "<!DOCTYPE") return SkipDoctype();
  return Fail(XmlParseResult::badMarkup, p_);
}

XmlReadOutcome Reader::Run() {
  tree_.nodes.clear();
  tree_.attrs.clear();
  // Rough sizes for a response (a row element of ten attributes in under 200 bytes), so that
  // large answers seldom grow their arrays: growing copies them and touches new memory.
  tree_.nodes.reserve(tree_.text.size() / 160 + 8);
  tree_.attrs.reserve(tree_.text.size() / 16 + 8);
  tree_.nodes.emplace_back();  // the document
  if (!cp936_ && end_ - p_ >= 3 && p_[0] == 0xEF && p_[1] == 0xBB && p_[2] == 0xBF) p_ += 3;
  while (p_ < end_) {
    bool ok;
    if (*p_ != '<')
      ok = ReadText();
    else if (p_ + 1 >= end_)
      ok = Fail(XmlParseResult::badMarkup, p_ + 1);
    else if (p_[1] == '/')
      ok = ReadEndTag();
    else if (p_[1] == '?')
      ok = ReadProcessingInstruction();
    else if (p_[1] == '!')
      ok = ReadMarkupDeclaration();
    else
      ok = ReadStartTag();
    if (!ok) return {status_, std::size_t(failAt_ - begin_)};
  }
  if (open_.size() > 1) return {XmlParseResult::endElementMismatch, tree_.text.size()};
  if (!sawElement_) return {XmlParseResult::noDocumentElement, 0};
  tree_.nodes[0].end = std::uint32_t(tree_.nodes.size());
  return {XmlParseResult::ok, 0};
}

// ---- decoding ----------------------------------------------------------------------------

constexpr std::uint32_t kNoCharacter = 0xFFFFFFFF;

// The character of the reference "&#...;" starting at S (S points at '&', N bytes available);
// sets LEN to the bytes taken. kNoCharacter with LEN 0 when there is no well-formed
// reference; a reference to something that is not a character gives 0 (shown as '?').
std::uint32_t CharacterReference(const char* s, std::size_t n, std::size_t& len) {
  len = 0;
  std::size_t i = 2;
  const bool hex = i < n && s[i] == 'x';
  if (hex) ++i;
  std::uint32_t value = 0;
  std::size_t digits = 0;
  for (; i < n; ++i, ++digits) {
    const char c = s[i];
    std::uint32_t d;
    if (c >= '0' && c <= '9')
      d = std::uint32_t(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      d = std::uint32_t(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      d = std::uint32_t(c - 'A' + 10);
    else
      break;
    if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + d;
  }
  if (digits == 0 || i >= n || s[i] != ';') return kNoCharacter;
  len = i + 1;
  const bool character = value != 0 && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
  return character ? value : 0;
}

void AppendUtf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (cp >> 18)));
    out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// A referenced character in the text form of the tree being decoded.
void AppendCharacter(std::uint32_t cp, TextForm form, std::string& out) {
  if (cp == 0) {
    out.push_back('?');
  } else if (form == TextForm::utf8) {
    AppendUtf8(cp, out);
  } else if (cp < 0x80) {
    out.push_back(char(cp));
  } else {
    std::u16string wide;
    if (cp < 0x10000) {
      wide.push_back(char16_t(cp));
    } else {
      wide.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
      wide.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
    out += WideToAnsi(wide);
  }
}

// The five predefined entities; LEN is set to the bytes taken, 0 when none starts at S.
char PredefinedEntity(std::string_view s, std::size_t& len) {
  static constexpr struct {
    std::string_view text;
    char value;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&quot;", '"'}};
  for (const auto& e : kEntities) {
    if (s.substr(0, e.text.size()) == e.text) {
      len = e.text.size();
      return e.value;
    }
  }
  len = 0;
  return 0;
}

// Entities, white space and end-of-line rules, and CP936 repair, in the tree's text form.
void Decode(const XmlTree& tree, std::string_view raw, ValueKind kind, std::string& out) {
  const bool cp936 = tree.form == TextForm::cp936;
  const std::uint64_t* pairs = cp936 ? MappedPairBits() : nullptr;
  const std::size_t n = raw.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (c == '&' && (kind == ValueKind::text || kind == ValueKind::attribute)) {
      std::size_t len;
      if (i + 1 < n && raw[i + 1] == '#') {
        const std::uint32_t cp = CharacterReference(raw.data() + i, n - i, len);
        if (len) {
          AppendCharacter(cp, tree.form, out);
          i += len;
          continue;
        }
      } else if (const char value = PredefinedEntity(raw.substr(i), len); len) {
        out.push_back(value);
        i += len;
        continue;
      }
      out.push_back('&');
      ++i;
    } else if (c == '\r' && kind != ValueKind::verbatim) {
      out.push_back(kind == ValueKind::attribute ? ' ' : '\n');
      i += (i + 1 < n && raw[i + 1] == '\n') ? 2 : 1;
    } else if ((c == '\t' || c == '\n') && kind == ValueKind::attribute) {
      out.push_back(' ');
      ++i;
    } else if (c >= 0x80 && cp936 && c != 0x80) {
      if (i + 1 < n && IsMappedAnsiPair(pairs, c, static_cast<unsigned char>(raw[i + 1]))) {
        out.append(raw.data() + i, 2);
        i += 2;
      } else {
        out.push_back('?');  // as the code-page converter shows a broken character
        ++i;
      }
    } else {
      out.push_back(char(c));
      ++i;
    }
  }
}

}  // namespace

XmlReadOutcome ReadXmlTree(XmlTree& tree) {
  if (tree.text.size() >= std::size_t(std::numeric_limits<std::int32_t>::max()))
    return {XmlParseResult::outOfMemory, 0};  // offsets are 31-bit
  Reader reader(tree);
  return reader.Run();
}

void AppendValue(const XmlTree& tree, std::string_view raw, std::uint8_t flags, ValueKind kind, std::string& out) {
  if (flags == kPlain) {
    out.append(raw);
    return;
  }
  if (tree.form == TextForm::cp936) {
    Decode(tree, raw, kind, out);
    return;
  }
  if (!(flags & kDecode)) {
    out += Utf8ToAnsiText(raw);
    return;
  }
  std::string utf8;
  Decode(tree, raw, kind, utf8);
  out += Utf8ToAnsiText(utf8);
}

}  // namespace kvxml::detail
