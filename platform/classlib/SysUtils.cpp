#include "platform/classlib/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <time.h>

TFormatSettings FormatSettings;

EReadError::EReadError(const AnsiString& resource, int line, const AnsiString& detail)
    : EFilerError((resource.empty() ? AnsiString("<text>") : resource) + ": line " + std::to_string(line) + ": " +
                  detail),
      FResource(resource),
      FLine(line),
      FDetail(detail) {}

void Abort() { throw EAbort("Operation aborted"); }

void AbstractError() { throw EAbstractError("Abstract Error"); }

// ---- text helpers --------------------------------------------------------------------------

bool IsLeadByte(char c) {
  auto b = static_cast<unsigned char>(c);
  return b >= 0x81 && b <= 0xFE;
}

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// Applies FOLD to every single-byte character of S, skipping double-byte characters whole.
template <class Fold>
AnsiString MapSingleBytes(const AnsiString& s, Fold fold) {
  AnsiString out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsLeadByte(out[i]) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    out[i] = fold(out[i]);
  }
  return out;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Start index of the last character of S (a double-byte character counts once), or npos.
size_t LastCharStart(const AnsiString& s) {
  size_t last = AnsiString::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    last = i;
    if (IsLeadByte(s[i]) && i + 1 < s.size()) ++i;
  }
  return last;
}

// Index of the last single-byte '/' or '\' of S, or npos.
size_t LastDelimiter(const AnsiString& s) {
  size_t found = AnsiString::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsLeadByte(s[i]) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    if (s[i] == '/' || s[i] == '\\') found = i;
  }
  return found;
}

}  // namespace

AnsiString Trim(const AnsiString& s) { return TrimLeft(TrimRight(s)); }

AnsiString TrimLeft(const AnsiString& s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

AnsiString TrimRight(const AnsiString& s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

AnsiString UpperCase(const AnsiString& s) { return MapSingleBytes(s, UpperAscii); }
AnsiString LowerCase(const AnsiString& s) { return MapSingleBytes(s, LowerAscii); }

int CompareText(const AnsiString& a, const AnsiString& b) {
  size_t i = 0, j = 0;
  bool trailA = false, trailB = false;
  while (i < a.size() && j < b.size()) {
    char ca = a[i], cb = b[j];
    if (!trailA) ca = UpperAscii(ca);
    if (!trailB) cb = UpperAscii(cb);
    trailA = !trailA && IsLeadByte(a[i]);
    trailB = !trailB && IsLeadByte(b[j]);
    if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
    ++i, ++j;
  }
  if (a.size() - i == b.size() - j) return 0;
  return a.size() - i < b.size() - j ? -1 : 1;
}

int CompareStr(const AnsiString& a, const AnsiString& b) {
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

bool SameText(const AnsiString& a, const AnsiString& b) { return a.size() == b.size() && CompareText(a, b) == 0; }

AnsiString QuotedStr(const AnsiString& s) {
  AnsiString out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

bool IsValidIdent(const AnsiString& s) {
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (s.empty() || !alpha(s[0])) return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

AnsiString StringReplace(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                         std::initializer_list<TReplaceFlag> flags) {
  bool all = false, ignoreCase = false;
  for (TReplaceFlag f : flags) (f == rfReplaceAll ? all : ignoreCase) = true;
  if (oldPattern.empty()) return s;
  const AnsiString hay = ignoreCase ? UpperCase(s) : s;
  const AnsiString needle = ignoreCase ? UpperCase(oldPattern) : oldPattern;
  AnsiString out;
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t hit = hay.find(needle, pos);
    if (hit == AnsiString::npos) break;
    out.append(s, pos, hit - pos);
    out += newPattern;
    pos = hit + needle.size();
    if (!all) break;
  }
  out.append(s, pos, AnsiString::npos);
  return out;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& s) {
  size_t last = LastCharStart(s);
  if (last != AnsiString::npos && last == s.size() - 1 && (s[last] == '/' || s[last] == '\\')) return s;
  return s + '/';
}

AnsiString ExtractFilePath(const AnsiString& s) {
  size_t d = LastDelimiter(s);
  return d == AnsiString::npos ? AnsiString() : s.substr(0, d + 1);
}

AnsiString ExtractFileName(const AnsiString& s) {
  size_t d = LastDelimiter(s);
  return d == AnsiString::npos ? s : s.substr(d + 1);
}

// ---- integers ------------------------------------------------------------------------------

AnsiString IntToStr(int64_t value) { return std::to_string(value); }

AnsiString IntToHex(int64_t value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
  AnsiString s = buf;
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits - static_cast<int>(s.size())), '0');
  return s;
}

namespace {

// Parses S as a signed integer of BITS bits (32 or 64): blanks before, sign, decimal or hex.
bool ParseInteger(const AnsiString& s, int bits, int64_t& result) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16, i += 2;
  } else if (i < s.size() && (s[i] == 'x' || s[i] == 'X')) {
    base = 16, ++i;
  }
  if (i >= s.size()) return false;
  const uint64_t hexLimit = bits == 32 ? 0xFFFFFFFFull : UINT64_MAX;
  const uint64_t decLimit = bits == 32 ? (negative ? 0x80000000ull : 0x7FFFFFFFull)
                                       : (negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull);
  const uint64_t limit = base == 16 ? hexLimit : decLimit;
  uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    if (magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  if (bits == 32 && base == 16) {
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    result = negative ? -static_cast<int64_t>(v) : v;
    return true;
  }
  uint64_t u = negative ? (~magnitude + 1) : magnitude;
  result = static_cast<int64_t>(u);
  return true;
}

[[noreturn]] void IntegerError(const AnsiString& s) { throw EConvertError("'" + s + "' is not a valid integer value"); }

}  // namespace

bool TryStrToInt(const AnsiString& s, int& value) {
  int64_t v;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(const AnsiString& s) {
  int v;
  if (!TryStrToInt(s, v)) IntegerError(s);
  return v;
}

int StrToIntDef(const AnsiString& s, int def) {
  int v;
  return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(const AnsiString& s, int64_t& value) { return ParseInteger(s, 64, value); }

int64_t StrToInt64(const AnsiString& s) {
  int64_t v;
  if (!TryStrToInt64(s, v)) IntegerError(s);
  return v;
}

int64_t StrToInt64Def(const AnsiString& s, int64_t def) {
  int64_t v;
  return TryStrToInt64(s, v) ? v : def;
}

// ---- floats --------------------------------------------------------------------------------

namespace {

// Shortest text of VALUE with at most PRECISION significant digits (general format).
AnsiString FloatToStrGeneral(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, value);
  AnsiString text = buf;
  bool negative = text[0] == '-';
  if (negative) text.erase(0, 1);
  size_t e = text.find('e');
  int exponent = std::atoi(text.c_str() + e + 1);
  AnsiString digits;
  for (size_t i = 0; i < e; ++i)
    if (text[i] != '.') digits += text[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const char sep = FormatSettings.DecimalSeparator;
  AnsiString out = negative ? "-" : "";
  if (exponent < precision && exponent >= -5) {
    if (exponent >= 0) {
      size_t intLen = static_cast<size_t>(exponent) + 1;
      if (digits.size() <= intLen) {
        out += digits + AnsiString(intLen - digits.size(), '0');
      } else {
        out += digits.substr(0, intLen) + sep + digits.substr(intLen);
      }
    } else {
      out += AnsiString("0") + sep + AnsiString(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    return out;
  }
  out += digits.substr(0, 1);
  if (digits.size() > 1) out += sep + digits.substr(1);
  out += "E" + std::to_string(exponent);
  return out;
}

// Fixed notation with DECIMALS decimals, optional thousands grouping.
AnsiString FloatToFixed(double value, int decimals, bool thousands) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  AnsiString text = buf;
  bool negative = text[0] == '-';
  if (negative) text.erase(0, 1);
  size_t dot = text.find('.');
  AnsiString intPart = dot == AnsiString::npos ? text : text.substr(0, dot);
  AnsiString frac = dot == AnsiString::npos ? AnsiString() : text.substr(dot + 1);
  if (thousands) {
    AnsiString grouped;
    int count = 0;
    for (size_t i = intPart.size(); i-- > 0;) {
      grouped.insert(grouped.begin(), intPart[i]);
      if (++count % 3 == 0 && i > 0) grouped.insert(grouped.begin(), FormatSettings.ThousandSeparator);
    }
    intPart = grouped;
  }
  if (negative && (intPart.find_first_not_of("0,") != AnsiString::npos || frac.find_first_not_of('0') != AnsiString::npos))
    intPart.insert(0, "-");
  return frac.empty() ? intPart : intPart + FormatSettings.DecimalSeparator + frac;
}

}  // namespace

AnsiString FloatToStr(double value) { return FloatToStrGeneral(value, 15); }

bool TryStrToFloat(const AnsiString& s, double& value) {
  AnsiString t = Trim(s);
  AnsiString normal;
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
  size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') normal += t[i++], ++digits;
  if (i < t.size() && t[i] == FormatSettings.DecimalSeparator) {
    normal += '.', ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') normal += t[i++], ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    normal += 'e', ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) normal += t[i++];
    size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') normal += t[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  const char* begin = normal.c_str();
  if (*begin == '+') ++begin;
  double v = 0;
  auto [end, ec] = std::from_chars(begin, normal.c_str() + normal.size(), v);
  if (ec != std::errc() || end != normal.c_str() + normal.size()) return false;
  value = v;
  return true;
}

double StrToFloat(const AnsiString& s) {
  double v;
  if (!TryStrToFloat(s, v)) throw EConvertError("'" + s + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const AnsiString& s, double def) {
  double v;
  return TryStrToFloat(s, v) ? v : def;
}

namespace {

constexpr double kInt64Bound = 9223372036854775808.0;  // 2^63

int64_t CheckedToInt64(double v) {
  if (!(v >= -kInt64Bound && v < kInt64Bound)) throw EInvalidOp("Invalid floating point operation");
  return static_cast<int64_t>(v);
}

struct FloatSection {
  AnsiString prefix, suffix;
  int minInt = 0, minFrac = 0, maxFrac = 0;
  bool thousands = false;
  bool hasNumber = false;
};

// Splits FORMAT at ';' outside quotes.
std::vector<AnsiString> SplitSections(const AnsiString& format) {
  std::vector<AnsiString> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

FloatSection ParseSection(const AnsiString& text) {
  FloatSection sec;
  bool inFrac = false, afterNumber = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    AnsiString& literal = afterNumber || sec.hasNumber ? sec.suffix : sec.prefix;
    if (c == '\'' || c == '"') {
      size_t close = text.find(c, i + 1);
      if (close == AnsiString::npos) close = text.size();
      literal += text.substr(i + 1, close - i - 1);
      if (sec.hasNumber) afterNumber = true;
      i = close;
      continue;
    }
    bool numeric = c == '0' || c == '#' || ((c == '.' || c == ',') && !afterNumber);
    if (numeric && !afterNumber) {
      sec.hasNumber = true;
      if (c == '.') {
        inFrac = true;
      } else if (c == ',') {
        if (!inFrac) sec.thousands = true;
      } else if (inFrac) {
        ++sec.maxFrac;
        if (c == '0') sec.minFrac = sec.maxFrac;
      } else if (c == '0') {
        ++sec.minInt;
      }
      continue;
    }
    if (sec.hasNumber) afterNumber = true;
    (sec.hasNumber ? sec.suffix : sec.prefix) += c;
  }
  return sec;
}

AnsiString ApplySection(const FloatSection& sec, double magnitude, bool withSign) {
  if (!sec.hasNumber) return sec.prefix + sec.suffix;
  // Halves round away from zero at the last shown decimal (1.25 with one decimal: 1.3).
  const double scale = std::pow(10.0, sec.maxFrac);
  if (magnitude * scale < 1e15) magnitude = std::round(magnitude * scale) / scale;
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", sec.maxFrac, magnitude);
  AnsiString text = buf;
  size_t dot = text.find('.');
  AnsiString intPart = dot == AnsiString::npos ? text : text.substr(0, dot);
  AnsiString frac = dot == AnsiString::npos ? AnsiString() : text.substr(dot + 1);
  while (static_cast<int>(frac.size()) > sec.minFrac && !frac.empty() && frac.back() == '0') frac.pop_back();
  size_t firstNonZero = intPart.find_first_not_of('0');
  intPart = firstNonZero == AnsiString::npos ? AnsiString() : intPart.substr(firstNonZero);
  if (static_cast<int>(intPart.size()) < sec.minInt)
    intPart.insert(0, static_cast<size_t>(sec.minInt) - intPart.size(), '0');
  if (sec.thousands) {
    AnsiString grouped;
    int count = 0;
    for (size_t i = intPart.size(); i-- > 0;) {
      grouped.insert(grouped.begin(), intPart[i]);
      if (++count % 3 == 0 && i > 0) grouped.insert(grouped.begin(), FormatSettings.ThousandSeparator);
    }
    intPart = grouped;
  }
  AnsiString number = intPart;
  if (!frac.empty()) number += FormatSettings.DecimalSeparator + frac;
  if (number.empty()) number = "0";
  return (withSign ? "-" : "") + sec.prefix + number + sec.suffix;
}

}  // namespace

AnsiString FormatFloat(const AnsiString& format, double value) {
  if (format.empty() || std::isnan(value) || std::isinf(value)) return FloatToStr(value);
  std::vector<AnsiString> texts = SplitSections(format);
  FloatSection positive = ParseSection(texts[0]);
  double scale = std::pow(10.0, positive.maxFrac);
  bool roundsToZero = std::round(std::fabs(value) * scale) == 0;
  if (roundsToZero && texts.size() >= 3 && !texts[2].empty()) return ApplySection(ParseSection(texts[2]), 0, false);
  if (value < 0 && !roundsToZero) {
    if (texts.size() >= 2 && !texts[1].empty()) return ApplySection(ParseSection(texts[1]), -value, false);
    return ApplySection(positive, -value, true);
  }
  return ApplySection(positive, std::fabs(value), false);
}

int64_t Round(double value) { return CheckedToInt64(std::nearbyint(value)); }

int64_t Trunc(double value) { return CheckedToInt64(std::trunc(value)); }

// ---- booleans ------------------------------------------------------------------------------

AnsiString BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

bool TryStrToBool(const AnsiString& s, bool& value) {
  AnsiString t = Trim(s);
  if (SameText(t, "True")) return value = true, true;
  if (SameText(t, "False")) return value = false, true;
  double d;
  if (TryStrToFloat(t, d)) return value = d != 0, true;
  return false;
}

bool StrToBool(const AnsiString& s) {
  bool v;
  if (!TryStrToBool(s, v)) throw EConvertError("'" + s + "' is not a valid boolean value");
  return v;
}

// ---- dates ---------------------------------------------------------------------------------

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);

constexpr double kMsPerDay = 86400000.0;

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  result = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochOffset);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  if (!std::isfinite(value) || std::fabs(value) > 3.0e6) {
    year = month = day = 0;
    return;
  }
  CivilFromDays(static_cast<int64_t>(std::trunc(value)) + kEpochOffset, year, month, day);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
    throw EConvertError("Invalid argument to time encode");
  return ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 / kMsPerDay + msec / kMsPerDay;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  double frac = std::isfinite(value) ? std::fabs(value - std::trunc(value)) : 0;
  int64_t ms = static_cast<int64_t>(std::llround(frac * kMsPerDay));
  if (ms >= static_cast<int64_t>(kMsPerDay)) ms = static_cast<int64_t>(kMsPerDay) - 1;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

TDateTime Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  localtime_r(&ts.tv_sec, &tm);
  int ms = static_cast<int>(ts.tv_nsec / 1000000);
  return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) + EncodeTime(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), ms);
}

TDateTime Date() { return std::trunc(Now()); }

AnsiString FormatDateTime(const AnsiString& format, TDateTime value) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  auto pad = [](int v, size_t width) {
    AnsiString t = std::to_string(v);
    return t.size() < width ? AnsiString(width - t.size(), '0') + t : t;
  };
  AnsiString out;
  bool afterHour = false;
  for (size_t i = 0; i < format.size();) {
    char c = format[i];
    char lc = LowerAscii(c);
    size_t run = 1;
    while (i + run < format.size() && LowerAscii(format[i + run]) == lc && (lc >= 'a' && lc <= 'z')) ++run;
    if (c == '\'' || c == '"') {
      size_t close = format.find(c, i + 1);
      if (close == AnsiString::npos) close = format.size();
      out += format.substr(i + 1, close - i - 1);
      i = close + 1;
      continue;
    }
    if (IsLeadByte(c) && i + 1 < format.size()) {
      out += format.substr(i, 2);
      i += 2;
      continue;
    }
    switch (lc) {
      case 'y': out += run <= 2 ? pad(y % 100, 2) : pad(y, 4); break;
      case 'm':
        out += afterHour ? pad(mi, run >= 2 ? 2 : 1) : pad(mo, run >= 2 ? 2 : 1);
        afterHour = false;
        break;
      case 'd': out += pad(d, run >= 2 ? 2 : 1); break;
      case 'h': out += pad(h, run >= 2 ? 2 : 1); break;
      case 'n': out += pad(mi, run >= 2 ? 2 : 1); break;
      case 's': out += pad(s, run >= 2 ? 2 : 1); break;
      case 'z': out += run >= 3 ? pad(ms, 3) : std::to_string(ms); break;
      default:
        if (c == '/')
          out += FormatSettings.DateSeparator;
        else if (c == ':')
          out += FormatSettings.TimeSeparator;
        else
          out.append(format, i, run);
        break;
    }
    // "m" right after an hour field (separators between allowed) means minutes.
    if (lc == 'h')
      afterHour = true;
    else if (lc >= 'a' && lc <= 'z')
      afterHour = false;
    i += run;
  }
  return out;
}

AnsiString DateToStr(TDateTime value) { return FormatDateTime(FormatSettings.ShortDateFormat, value); }

AnsiString TimeToStr(TDateTime value) { return FormatDateTime(FormatSettings.LongTimeFormat, value); }

AnsiString DateTimeToStr(TDateTime value) {
  AnsiString s = DateToStr(value);
  if (std::isfinite(value) && value != std::trunc(value)) s += " " + TimeToStr(value);
  return s;
}

bool TryStrToDate(const AnsiString& s, TDateTime& value) {
  AnsiString order;
  for (char c : FormatSettings.ShortDateFormat) {
    char lc = LowerAscii(c);
    if ((lc == 'y' || lc == 'm' || lc == 'd') && order.find(lc) == AnsiString::npos) order += lc;
  }
  if (order.size() != 3) order = "ymd";
  std::vector<AnsiString> parts(1);
  for (char c : Trim(s)) {
    if (c == FormatSettings.DateSeparator)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  if (parts.size() < 2 || parts.size() > 3) return false;
  int numbers[3];
  for (size_t i = 0; i < parts.size(); ++i) {
    const AnsiString& p = parts[i];
    if (p.empty() || p.size() > 4 || p.find_first_not_of("0123456789") != AnsiString::npos) return false;
    numbers[i] = std::stoi(p);
  }
  int y = 0, m = 0, d = 0;
  bool twoDigitYear = false;
  if (parts.size() == 3) {
    for (size_t i = 0; i < 3; ++i) {
      if (order[i] == 'y') y = numbers[i], twoDigitYear = parts[i].size() <= 2;
      if (order[i] == 'm') m = numbers[i];
      if (order[i] == 'd') d = numbers[i];
    }
  } else {
    int cy, cm, cd;
    DecodeDate(Date(), cy, cm, cd);
    y = cy;
    bool monthFirst = order.find('m') < order.find('d');
    m = monthFirst ? numbers[0] : numbers[1];
    d = monthFirst ? numbers[1] : numbers[0];
  }
  if (twoDigitYear) y += y < 50 ? 2000 : 1900;
  return TryEncodeDate(y, m, d, value);
}

TDateTime StrToDate(const AnsiString& s) {
  TDateTime v;
  if (!TryStrToDate(s, v)) throw EConvertError("'" + s + "' is not a valid date");
  return v;
}

// ---- Format --------------------------------------------------------------------------------

namespace {

[[noreturn]] void FormatError(const AnsiString& directive) {
  throw EConvertError("Format '" + directive + "' invalid or incompatible with argument");
}

bool ArgAsInteger(const TVarRec& arg, int64_t& v, bool& isUnsigned) {
  if (auto* i = std::get_if<int64_t>(&arg.Get())) return v = *i, isUnsigned = false, true;
  if (auto* u = std::get_if<uint64_t>(&arg.Get())) return v = static_cast<int64_t>(*u), isUnsigned = true, true;
  return false;
}

bool ArgAsFloat(const TVarRec& arg, double& v) {
  if (auto* d = std::get_if<double>(&arg.Get())) return v = *d, true;
  if (auto* i = std::get_if<int64_t>(&arg.Get())) return v = static_cast<double>(*i), true;
  if (auto* u = std::get_if<uint64_t>(&arg.Get())) return v = static_cast<double>(*u), true;
  return false;
}

AnsiString Scientific(double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*E", precision - 1, value);
  AnsiString text = buf;
  size_t e = text.find('E');
  AnsiString mantissa = text.substr(0, e);
  int exponent = std::atoi(text.c_str() + e + 1);
  for (char& c : mantissa)
    if (c == '.') c = FormatSettings.DecimalSeparator;
  AnsiString digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return mantissa + "E" + (exponent < 0 ? "-" : "+") + digits;
}

}  // namespace

AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args) {
  const TVarRec* argv = args.begin();
  const size_t argc = args.size();
  size_t next = 0;
  AnsiString out;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      continue;
    }
    auto readNumber = [&](int& value) -> bool {
      if (i < format.size() && format[i] == '*') {
        ++i;
        int64_t v;
        bool u;
        if (next >= argc || !ArgAsInteger(argv[next], v, u)) return false;
        ++next;
        value = static_cast<int>(v);
        return true;
      }
      bool any = false;
      value = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        if (value < 100000) value = value * 10 + (format[i] - '0');
        ++i, any = true;
      }
      return any;
    };
    int number = 0;
    bool leftAlign = false;
    int width = -1, precision = -1;
    size_t save = i;
    bool digits = false;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      if (number < 100000) number = number * 10 + (format[i] - '0');
      ++i, digits = true;
    }
    if (digits && i < format.size() && format[i] == ':') {
      next = static_cast<size_t>(number);
      ++i;
    } else {
      i = save;
      number = 0;
    }
    if (i < format.size() && format[i] == '-') leftAlign = true, ++i;
    int w;
    if (readNumber(w)) width = w;
    if (i < format.size() && format[i] == '.') {
      ++i;
      int p;
      precision = readNumber(p) ? p : 0;
    }
    if (i >= format.size()) FormatError(format.substr(start));
    char type = LowerAscii(format[i]);
    AnsiString directive = format.substr(start, i - start + 1);
    if (next >= argc) FormatError(directive);
    const TVarRec& arg = argv[next++];
    AnsiString text;
    int64_t iv;
    bool isUnsigned;
    double fv;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        if (!ArgAsInteger(arg, iv, isUnsigned)) FormatError(directive);
        bool negative = false;
        uint64_t magnitude;
        if (type == 'd' && !isUnsigned && iv < 0) {
          negative = true;
          magnitude = ~static_cast<uint64_t>(iv) + 1;
        } else if (!isUnsigned && iv < 0 && iv >= INT32_MIN) {
          magnitude = static_cast<uint32_t>(iv);
        } else {
          magnitude = static_cast<uint64_t>(iv);
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, type == 'x' ? "%llX" : "%llu", static_cast<unsigned long long>(magnitude));
        text = buf;
        if (precision > 0 && static_cast<int>(text.size()) < precision)
          text.insert(0, static_cast<size_t>(precision) - text.size(), '0');
        if (negative) text.insert(0, "-");
        break;
      }
      case 's':
        if (auto* s = std::get_if<AnsiString>(&arg.Get()))
          text = precision >= 0 && static_cast<size_t>(precision) < s->size() ? s->substr(0, static_cast<size_t>(precision)) : *s;
        else
          FormatError(directive);
        break;
      case 'f':
      case 'n':
        if (!ArgAsFloat(arg, fv)) FormatError(directive);
        text = FloatToFixed(fv, precision < 0 ? 2 : std::min(precision, 18), type == 'n');
        break;
      case 'g':
        if (!ArgAsFloat(arg, fv)) FormatError(directive);
        text = FloatToStrGeneral(fv, precision <= 0 ? 15 : std::min(precision, 18));
        break;
      case 'e':
        if (!ArgAsFloat(arg, fv)) FormatError(directive);
        text = Scientific(fv, precision < 0 ? 15 : precision);
        break;
      case 'p': {
        const void* const* p = std::get_if<const void*>(&arg.Get());
        if (!p) FormatError(directive);
        text = IntToHex(static_cast<int64_t>(reinterpret_cast<uintptr_t>(*p)), static_cast<int>(sizeof(void*) * 2));
        break;
      }
      default:
        FormatError(directive);
    }
    if (width > 0 && static_cast<int>(text.size()) < width) {
      AnsiString padding(static_cast<size_t>(width) - text.size(), ' ');
      text = leftAlign ? text + padding : padding + text;
    }
    out += text;
  }
  return out;
}
