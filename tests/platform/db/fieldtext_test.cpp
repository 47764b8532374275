// Text to number and date: the quick paths give exactly what the library's converters give.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <optional>
#include <random>
#include <string>

#include "platform/db/FieldText.h"

namespace {

// What from_chars makes of TEXT (a sign in front allowed), or nullopt when it does not take it.
std::optional<double> FromChars(const std::string& text) {
  std::size_t start = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) start = 1;
  double v = 0;
  const auto r = std::from_chars(text.data() + start, text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return text[0] == '-' ? -v : v;
}

void ExpectSameAsFromChars(const std::string& text) {
  const std::optional<double> want = FromChars(text);
  ASSERT_TRUE(want) << text;
  const double got = kvdb::ParseFloat(text);
  EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(*want))
      << text << ": " << got << " instead of " << *want;
}

// Restores the regional settings a test changes.
struct SettingsGuard {
  TFormatSettings saved = FormatSettings;
  ~SettingsGuard() { FormatSettings = saved; }
};

}  // namespace

TEST(FieldTextFloat, TrickyDecimalsMatchFromChars) {
  const char* const cases[] = {
      "0.1", "0.2", "0.3", "1e22", "1e23", "1e-22", "1e-23", "9007199254740992", "9007199254740993",
      "9007199254740991", "18014398509481985", "1234567890123456789", "12345678901234567890",
      "3.14159265358979323846264338327950288", "0.30000000000000004", "0.1000000000000000055511151231257827",
      "-0", "-0.0", "+0", "0e999999999999", "-0e-5", ".5", "5.", "-.5", "+5.", "1E5", "1e+05", "1e-05",
      "2.5e-3", "123.456e2", "9007199254740993e-3", "4503599627370497.5", "1234.5678", "98765.43",
      "00000000000000000000000001.5", "0.00000000000000000000000001", "1.7976931348623157e308",
      "4.9e-324", "2.2250738585072014e-308", "123456789012345678901234567890e-10", "7e22", "7e-22",
      "8.589973e9", "1e0", "100000000000000000000000", "0.000001", "1e-7",
  };
  for (const char* text : cases) ExpectSameAsFromChars(text);
}

TEST(FieldTextFloat, RandomDecimalsMatchFromChars) {
  std::mt19937_64 random(20090805);
  auto digits = [&](int count, bool leadingZeros) {
    std::string s;
    for (int i = 0; i < count; ++i)
      s += char('0' + (i == 0 && !leadingZeros ? 1 + random() % 9 : random() % 10));
    return s;
  };
  for (int n = 0; n < 100000; ++n) {
    std::string text;
    const int sign = int(random() % 4);
    if (sign == 1) text += '-';
    if (sign == 2) text += '+';
    const int whole = int(random() % 21);
    const int fraction = random() % 3 == 0 ? -1 : int(random() % 21);  // -1: no separator
    text += digits(whole, random() % 8 == 0);
    if (fraction >= 0) text += '.' + digits(fraction, true);
    if (whole == 0 && fraction <= 0) text += '7';
    if (random() % 3 == 0) {
      text += random() % 2 ? 'e' : 'E';
      const int e = int(random() % 81) - 40;
      if (e >= 0 && random() % 2) text += '+';
      text += std::to_string(e);
    }
    ExpectSameAsFromChars(text);
    if (HasFailure()) return;
  }
}

TEST(FieldTextFloat, NonDecimalTextGoesToTheLibrary) {
  SettingsGuard guard;
  // Each of these has the library's answer, whichever path took it.
  const char* const cases[] = {"1e", "1e+", "e5", ".", "-", "", "1.2.3", "1e5.5", " 2.5", "2.5 ", "0x10",
                               "1,5", "inf", "1e400", "--1"};
  for (const char* separator : {".", ","}) {
    FormatSettings.DecimalSeparator = separator[0];
    for (const char* text : cases) {
      SCOPED_TRACE(std::string(text) + " with separator " + separator);
      double want = 0;
      const bool ok = TryStrToFloat(text, want) && std::isfinite(want);
      if (ok) EXPECT_EQ(kvdb::ParseFloat(text), want);
      else EXPECT_THROW(kvdb::ParseFloat(text), EConvertError);
    }
  }
  // With ',' as the separator a plain "1.5" is not a number.
  FormatSettings.DecimalSeparator = ',';
  EXPECT_THROW(kvdb::ParseFloat("1.5"), EConvertError);
  EXPECT_EQ(kvdb::ParseFloat("1,5"), 1.5);
}

TEST(FieldTextInteger, PlainAndLibraryForms) {
  struct Case {
    const char* text;
    TFieldType type;
    bool ok;
    int64_t value;
  } cases[] = {
      {"12345", ftLargeint, true, 12345},
      {"-007", ftInteger, true, -7},
      {"+42", ftSmallint, true, 42},
      {"999999999999999999", ftLargeint, true, 999999999999999999},   // 18 digits: the quick path
      {"9223372036854775807", ftLargeint, true, INT64_MAX},           // 19 digits: the library
      {"9223372036854775808", ftLargeint, false, 0},
      {"2147483647", ftInteger, true, INT32_MAX},
      {"2147483648", ftInteger, false, 0},
      {"-32769", ftSmallint, false, 0},
      {"65535", ftWord, true, 65535},
      {"-1", ftWord, false, 0},
      {"$FF", ftInteger, true, 255},
      {"12a", ftInteger, false, 0},
      {"-", ftInteger, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.ok) EXPECT_EQ(kvdb::ParseInteger(c.text, c.type), c.value);
    else EXPECT_THROW(kvdb::ParseInteger(c.text, c.type), EConvertError);
  }
}

namespace {

std::string IsoDate(int y, int m, int d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
  return text;
}

// ParseDate gives what the library's TryStrToDate gives, or raises where it fails.
void ExpectLibraryDate(const std::string& text) {
  TDateTime want = 0;
  if (TryStrToDate(text, want)) EXPECT_EQ(kvdb::ParseDate(text), want) << text;
  else EXPECT_THROW(kvdb::ParseDate(text), EConvertError) << text;
}

}  // namespace

TEST(FieldTextDate, DaysMatchTheLibraryAcrossTheCalendar) {
  // Every day of the years where the calendar rules meet their edges, both ends of the range
  // included, then days spread over the rest.
  for (int y : {1, 2, 3, 4, 99, 100, 101, 399, 400, 401, 1600, 1899, 1900, 2000, 2009, 2100, 2400, 9998, 9999})
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= 31; ++d) {
        const std::string text = IsoDate(y, m, d);
        TDateTime want = 0;
        if (TryEncodeDate(y, m, d, want)) EXPECT_EQ(kvdb::ParseDate(text), want) << text;
        else EXPECT_THROW(kvdb::ParseDate(text), EConvertError) << text;
      }
  std::mt19937 random(1899);
  for (int n = 0; n < 20000; ++n) {
    const int y = 1 + int(random() % 9999), m = 1 + int(random() % 12), d = 1 + int(random() % 28);
    ASSERT_EQ(kvdb::ParseDate(IsoDate(y, m, d)), EncodeDate(y, m, d)) << IsoDate(y, m, d);
  }
}

TEST(FieldTextDate, MalformedTextHasTheLibrarysAnswer) {
  for (const char* text : {"0000-01-01", "2009-00-10", "2009-13-01", "2009-04-31", "1900-02-29", "2009-8-5",
                           "2009-08-5", "2009/08/05", "2009-08-0a", "20O9-08-05", "2009-08-05 ", " 2009-08-05",
                           "2009--8-05", "209-08-051", ""})
    ExpectLibraryDate(text);
}

TEST(FieldTextDate, FollowsTheShortDateFormatWhenItChanges) {
  SettingsGuard guard;
  EXPECT_EQ(kvdb::ParseDate("2009-08-05"), EncodeDate(2009, 8, 5));
  // Same length, written in place: the parse must look at the text, not the string's address.
  FormatSettings.ShortDateFormat.replace(0, 10, "dd-mm-yyyy");
  EXPECT_EQ(kvdb::ParseDate("05-08-2009"), EncodeDate(2009, 8, 5));
  ExpectLibraryDate("2009-08-05");
  FormatSettings.ShortDateFormat.replace(0, 10, "yyyy-mm-dd");
  EXPECT_EQ(kvdb::ParseDate("2009-08-05"), EncodeDate(2009, 8, 5));
  // The separator counts too: with '/' the dashes no longer split the date.
  FormatSettings.DateSeparator = '/';
  EXPECT_THROW(kvdb::ParseDate("2009-08-05"), EConvertError);
  EXPECT_EQ(kvdb::ParseDate("2009/08/05"), EncodeDate(2009, 8, 5));
  FormatSettings.DateSeparator = '-';
  FormatSettings.ShortDateFormat = "mm-dd-yyyy";
  EXPECT_EQ(kvdb::ParseDate("08-05-2009"), EncodeDate(2009, 8, 5));
}

TEST(FieldTextDate, WholeDaysIsTruncBitForBit) {
  const double cases[] = {0.0,    0.25,    1.0,      40000.75, 2958465.999, 1e15 + 0.5, 3.9e15 + 0.5,
                          4.1e15, 1e300,   -0.25,    -0.0,     -1.5,        -693593.5,  NAN,
                          INFINITY, -INFINITY};
  for (double v : cases) {
    const double expected = std::trunc(v);
    const double got = kvdb::WholeDays(v);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected)) << v;
  }
}
