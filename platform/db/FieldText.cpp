#include "platform/db/FieldText.h"

#include "platform/db/FieldWrite.h"

#include <charconv>
#include <cmath>
#include <cstring>

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

// Plain decimal with '.' as the separator: [sign] digits [. digits] [e [sign] digits], read by
// std::from_chars. Syntax or range it does not take is for the library's parser.
bool DecimalFloat(std::string_view s, double& out) {
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

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;
constexpr uint64_t kMaxExactMantissa = uint64_t(1) << 53;

// The same syntax as DecimalFloat for the values one floating-point operation gets exactly:
// when both the digits (as an integer) and the power of ten are exact doubles, the one
// correctly rounded multiply or divide is the correctly rounded value of the decimal, which
// is what from_chars gives. False (nothing decided) for anything else, which includes more
// than 19 digits in all (leading zeros counted: such text is rare and the slow path exact).
bool ExactDecimalFloat(std::string_view s, double& out) {
  const char* p = s.data();
  const char* const end = p + s.size();
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  const char* const first = p;
  uint64_t digits = 0;
  unsigned d;
  while (p != end && (d = unsigned(*p) - '0') <= 9) digits = digits * 10 + d, ++p;
  std::size_t count = std::size_t(p - first);
  int scale = 0;  // power of ten the digits are multiplied by
  if (p != end && *p == '.') {
    const char* const fraction = ++p;
    while (p != end && (d = unsigned(*p) - '0') <= 9) digits = digits * 10 + d, ++p;
    const std::size_t fractionDigits = std::size_t(p - fraction);
    count += fractionDigits;
    if (count > 19) return false;  // before the scale is formed: it could not be exact anyway
    scale = -int(fractionDigits);
  }
  if (count == 0 || count > 19) return false;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p != end && (*p == '-' || *p == '+')) negativeExponent = *p++ == '-';
    if (p == end) return false;
    int exponent = 0;
    for (; p != end && (d = unsigned(*p) - '0') <= 9; ++p)
      if (exponent < 100000) exponent = exponent * 10 + int(d);  // beyond that: not exact anyway
    scale += negativeExponent ? -exponent : exponent;
  }
  if (p != end) return false;
  double v;
  if (digits == 0) {
    v = 0;
  } else {
    if (digits > kMaxExactMantissa || scale < -kMaxExactPower || scale > kMaxExactPower) return false;
    v = scale < 0 ? double(digits) / kExactPowersOfTen[-scale] : double(digits) * kExactPowersOfTen[scale];
  }
  out = negative ? -v : v;
  return true;
}

bool FastFloat(std::string_view s, double& out) {
  if (FormatSettings.DecimalSeparator != '.') return false;
  return ExactDecimalFloat(s, out) || DecimalFloat(s, out);
}

// The short date format the fast path reads. A fixed-length compare (two loads), since the
// settings may change between calls.
bool ShortDateIsYearMonthDay() {
  const AnsiString& format = FormatSettings.ShortDateFormat;
  constexpr std::string_view kIsoDate = "yyyy-mm-dd";
  if (FormatSettings.DateSeparator != '-' || format.size() != kIsoDate.size()) return false;
  std::uint64_t head, isoHead;
  std::uint16_t tail, isoTail;
  std::memcpy(&head, format.data(), 8);
  std::memcpy(&isoHead, kIsoDate.data(), 8);
  std::memcpy(&tail, format.data() + 8, 2);
  std::memcpy(&isoTail, kIsoDate.data() + 8, 2);
  return head == isoHead && tail == isoTail;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days before each month, in a common year and in a leap year.
constexpr uint16_t kDaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};
// Day number (1 = 0001-01-01) of the day the date values count from (1899-12-30 is 0).
constexpr int kDayZero = 693594;

// Y-M-D to a date value, as TryEncodeDate counts it; false for a date that does not exist.
bool EncodeDateFast(unsigned y, unsigned m, unsigned d, TDateTime& out) {
  if (y < 1 || m - 1 >= 12) return false;
  const uint16_t* before = kDaysBeforeMonth[IsLeap(y) ? 1 : 0];
  if (d - 1 >= unsigned(before[m] - before[m - 1])) return false;
  const unsigned years = y - 1;
  const unsigned days = years * 365 + years / 4 - years / 100 + years / 400 + before[m - 1] + d;
  out = double(int(days) - kDayZero);
  return true;
}

unsigned DigitAt(std::string_view s, std::size_t i) { return unsigned(static_cast<unsigned char>(s[i])) - '0'; }

bool FastDate(std::string_view s, TDateTime& out) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !ShortDateIsYearMonthDay()) return false;
  const unsigned y0 = DigitAt(s, 0), y1 = DigitAt(s, 1), y2 = DigitAt(s, 2), y3 = DigitAt(s, 3);
  const unsigned m0 = DigitAt(s, 5), m1 = DigitAt(s, 6), d0 = DigitAt(s, 8), d1 = DigitAt(s, 9);
  // One branch for all eight digits.
  if ((y0 > 9) | (y1 > 9) | (y2 > 9) | (y3 > 9) | (m0 > 9) | (m1 > 9) | (d0 > 9) | (d1 > 9)) return false;
  return EncodeDateFast(y0 * 1000 + y1 * 100 + y2 * 10 + y3, m0 * 10 + m1, d0 * 10 + d1, out);
}

}  // namespace

namespace {

// The library's converters, for what the fast paths leave. Kept apart so that the fast
// functions need no frame for strings and exceptions.
[[noreturn, gnu::noinline]] void NotAnInteger(std::string_view text) {
  throw EConvertError(Format("'%s' is not a valid integer value", {AnsiString(text)}));
}

[[gnu::noinline]] int64_t LibraryInteger(std::string_view text) {
  int64_t v;
  if (!TryStrToInt64(AnsiString(text), v)) NotAnInteger(text);
  return v;
}

[[gnu::noinline]] double LibraryFloat(std::string_view text) {
  const AnsiString s(text);
  double v;
  if (!TryStrToFloat(s, v) || !std::isfinite(v))
    throw EConvertError(Format("'%s' is not a valid floating point value", {s}));
  return v;
}

[[gnu::noinline]] TDateTime LibraryDate(std::string_view text) {
  const AnsiString s(text);
  TDateTime v;
  if (!TryStrToDate(s, v)) throw EConvertError(Format("'%s' is not a valid date", {s}));
  return v;
}

bool FitsFieldType(int64_t v, TFieldType type) {
  switch (type) {
    case ftInteger:
    case ftAutoInc: return v >= INT32_MIN && v <= INT32_MAX;
    case ftSmallint: return v >= INT16_MIN && v <= INT16_MAX;
    case ftWord: return v >= 0 && v <= UINT16_MAX;
    default: return true;
  }
}

}  // namespace

// The public converters' bodies, inlined into the field's text-to-cell step below.
namespace {

[[gnu::always_inline]] inline int64_t IntegerFromText(std::string_view text, TFieldType type) {
  int64_t v;
  if (!FastInteger(text, v)) [[unlikely]]
    v = LibraryInteger(text);
  if (!FitsFieldType(v, type)) [[unlikely]]
    NotAnInteger(text);
  return v;
}

[[gnu::always_inline]] inline double FloatFromText(std::string_view text) {
  double v;
  if (FastFloat(text, v)) [[likely]]
    return v;
  return LibraryFloat(text);
}

[[gnu::always_inline]] inline TDateTime DateFromText(std::string_view text) {
  TDateTime v;
  if (FastDate(text, v)) [[likely]]
    return v;
  return LibraryDate(text);
}

}  // namespace

int64_t ParseInteger(std::string_view text, TFieldType type) { return IntegerFromText(text, type); }

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

double ParseFloat(std::string_view text) { return FloatFromText(text); }

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

TDateTime ParseDate(std::string_view text) { return DateFromText(text); }

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

// The field's text-to-cell step and SetAsText live here so that the converters' quick paths
// inline into them.
// Text -> cell by the field's kind; raises before touching the cell when the text does not convert.
void TField::StoreTextConverted(TFieldCell& cell, std::string_view text) {
  // Tests in a row rather than a switch: a row of fields repeats the same kinds in the same
  // order, which conditional branches learn and one jump through a table does not.
  if (FKind == Kind::text) {
    StoreText(cell, text);
    return;
  }
  if (FKind == Kind::integer) {
    cell.I = kvdb::IntegerFromText(text, FDataType);
  } else if (FKind == Kind::floating) {
    cell.D = kvdb::FloatFromText(text);
  } else if (FKind == Kind::date) {
    const double d = kvdb::DateFromText(text);
    cell.D = FDataType == ftDate ? kvdb::WholeDays(d) : d;
  } else {
    cell.I = kvdb::ParseBoolean(text) ? 1 : 0;
  }
  cell.Null = false;
}

void TField::SetAsText(std::string_view value) {
  if (value.empty() && FKind != Kind::text) {
    Clear();
    return;
  }
  Write([&](TFieldCell& c) { StoreTextConverted(c, value); });
}
