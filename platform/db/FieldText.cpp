#include "platform/db/FieldText.h"

#include <charconv>
#include <cmath>

namespace kvdb {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Plain decimal: optional sign, 1..18 digits (cannot overflow). Anything else is for the
// library's parser (blanks, hexadecimal, long numbers).
bool FastInteger(std::string_view s, int64_t& out) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  const std::size_t digits = s.size() - i;
  if (digits == 0 || digits > 18) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return false;
    v = v * 10 + (s[i] - '0');
  }
  out = negative ? -v : v;
  return true;
}

// Plain decimal with '.' as the separator: [sign] digits [. digits] [e [sign] digits].
bool FastFloat(std::string_view s, double& out) {
  if (FormatSettings.DecimalSeparator != '.') return false;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  const std::size_t start = i;
  std::size_t mantissa = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++mantissa;
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::size_t exp = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exp;
    if (exp == 0) return false;
  }
  if (i != s.size()) return false;
  double v = 0;
  const auto r = std::from_chars(s.data() + start, s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return false;
  out = s[0] == '-' ? -v : v;
  return true;
}

bool FastDate(std::string_view s, TDateTime& out) {
  if (s.size() != 10 || FormatSettings.ShortDateFormat != "yyyy-mm-dd" || FormatSettings.DateSeparator != '-')
    return false;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (!IsDigit(s[i])) return false;
  if (s[4] != '-' || s[7] != '-') return false;
  const int y = (s[0] - '0') * 1000 + (s[1] - '0') * 100 + (s[2] - '0') * 10 + (s[3] - '0');
  const int m = (s[5] - '0') * 10 + (s[6] - '0');
  const int d = (s[8] - '0') * 10 + (s[9] - '0');
  return TryEncodeDate(y, m, d, out);
}

}  // namespace

int64_t ParseInteger(std::string_view text, TFieldType type) {
  int64_t v;
  if (!FastInteger(text, v)) {
    const AnsiString s(text);
    if (!TryStrToInt64(s, v)) throw EConvertError(Format("'%s' is not a valid integer value", {s}));
  }
  int64_t lo = INT64_MIN, hi = INT64_MAX;
  if (type == ftInteger || type == ftAutoInc) lo = INT32_MIN, hi = INT32_MAX;
  else if (type == ftSmallint) lo = INT16_MIN, hi = INT16_MAX;
  else if (type == ftWord) lo = 0, hi = UINT16_MAX;
  if (v < lo || v > hi) throw EConvertError(Format("'%s' is not a valid integer value", {AnsiString(text)}));
  return v;
}

void CheckIntegerRange(int64_t v, TFieldType type, const AnsiString& fieldName) {
  int64_t lo, hi;
  switch (type) {
    case ftSmallint: lo = INT16_MIN, hi = INT16_MAX; break;
    case ftWord: lo = 0, hi = UINT16_MAX; break;
    case ftInteger:
    case ftAutoInc: lo = INT32_MIN, hi = INT32_MAX; break;
    default: return;
  }
  if (v < lo || v > hi)
    DatabaseError(Format("%d is not a valid value for field '%s'. The allowed range is %d to %d",
                         {v, fieldName, lo, hi}));
}

double ParseFloat(std::string_view text) {
  double v;
  if (FastFloat(text, v)) return v;
  const AnsiString s(text);
  if (!TryStrToFloat(s, v) || !std::isfinite(v))
    throw EConvertError(Format("'%s' is not a valid floating point value", {s}));
  return v;
}

bool ParseBoolean(std::string_view text) {
  auto prefixOf = [&](std::string_view word) {
    if (text.empty() || text.size() > word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      if (c >= 'A' && c <= 'Z') c = char(c + 32);
      if (c != word[i]) return false;
    }
    return true;
  };
  if (prefixOf("true")) return true;
  if (prefixOf("false")) return false;
  throw EConvertError(Format("'%s' is not a valid boolean value", {AnsiString(text)}));
}

TDateTime ParseDate(std::string_view text) {
  TDateTime v;
  if (FastDate(text, v)) return v;
  const AnsiString s(text);
  if (!TryStrToDate(s, v)) throw EConvertError(Format("'%s' is not a valid date", {s}));
  return v;
}

AnsiString DateText(TDateTime value) { return DateToStr(std::trunc(value)); }

std::string_view ClipText(std::string_view text, int size) {
  if (size <= 0 || text.size() <= std::size_t(size)) return text;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t step = (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) ? 2 : 1;
    if (i + step > std::size_t(size)) break;
    i += step;
  }
  return text.substr(0, i);
}

}  // namespace kvdb
