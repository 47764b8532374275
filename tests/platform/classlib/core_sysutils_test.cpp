// Runtime conversions and text helpers.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>

#include "platform/classlib/SysUtils.h"

namespace {

TEST(CoreSysUtils, StrToIntAcceptsDecimalAndHexWithinThirtyTwoBits) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"0", true, 0},          {"-17", true, -17},        {"+5", true, 5},          {"  12", true, 12},
      {"$FF", true, 255},      {"0x1A", true, 26},        {"x1a", true, 26},        {"-$10", true, -16},
      {"$FFFFFFFF", true, -1}, {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0}, {"$100000000", false, 0}, {"12 ", false, 0},        {"", false, 0},
      {"-", false, 0},         {"$", false, 0},           {"1.0", false, 0},        {"1,000", false, 0},
      {"12a", false, 0},       {"0x", false, 0},
  };
  for (const Case& c : cases) {
    int v = -999;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
    EXPECT_EQ(StrToIntDef(c.text, 42), c.ok ? c.value : 42) << c.text;
  }
  try {
    StrToInt("");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
}

TEST(CoreSysUtils, FloatToStrUsesFifteenDigitsAndSwitchesToExponents) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {1.0 / 3, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},
      {1e16, "1E16"},
      {1e20, "1E20"},
      {0.00001, "0.00001"},
      {0.000001, "1E-6"},
      {1.5e-7, "1.5E-7"},
      {0.1 + 0.2, "0.3"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text);
}

TEST(CoreSysUtils, StrToFloatFollowsTheDecimalSeparator) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"1.5", true, 1.5},   {" -2.25 ", true, -2.25}, {"3", true, 3},     {".5", true, 0.5},
      {"1e3", true, 1000},  {"1.5E-2", true, 0.015},  {"+7", true, 7},    {"", false, 0},
      {"1,5", false, 0},    {"1e", false, 0},         {"abc", false, 0},  {"1.2.3", false, 0},
      {"1e999", false, 0},
  };
  for (const Case& c : cases) {
    double v = 0;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_THROW(StrToFloat("x"), EConvertError);
  FormatSettings.DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(StrToFloat("1,5"), 1.5);
  double ignored;
  EXPECT_FALSE(TryStrToFloat("1.5", ignored));
  EXPECT_EQ(FloatToStr(2.5), "2,5");
  FormatSettings.DecimalSeparator = '.';
}

TEST(CoreSysUtils, RoundSendsHalvesToTheEvenNeighbour) {
  struct Case {
    double value;
    int64_t rounded;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {1234.56, 1235}, {0.49999999999999994, 0}, {-0.5, 0}};
  for (const Case& c : cases) EXPECT_EQ(Round(c.value), c.rounded) << c.value;
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_THROW(Round(1e19), EInvalidOp);
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
}

TEST(CoreSysUtils, FormatFloatPatterns) {
  struct Case {
    const char* format;
    double value;
    const char* text;
  } cases[] = {
      {"0.00", 3.14159, "3.14"},
      {"0.00", 2, "2.00"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"#,##0", 999, "999"},
      {"#.##", 0.5, ".5"},
      {"0.##", 1.1, "1.1"},
      {"000", 7, "007"},
      {"0.00;(0.00)", -1.5, "(1.50)"},
      {"0.00;;'zero'", 0, "zero"},
      {"0.00;;'zero'", 0.001, "zero"},
      {"'$'0.00", 2, "$2.00"},
      {"0.0 kg", 1.25, "1.3 kg"},
      {"0", -0.2, "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.format, c.value), c.text) << c.format << " " << c.value;
}

TEST(CoreSysUtils, DatesCountDaysFrom18991230) {
  struct Case {
    int y, m, d;
    double serial;
  } cases[] = {{1899, 12, 30, 0}, {1900, 1, 1, 2}, {2000, 2, 29, 36585}, {1899, 12, 29, -1}, {2024, 3, 5, 45356}};
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
    int y, m, d;
    DecodeDate(c.serial, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
  for (auto bad : {std::array<int, 3>{2001, 2, 29}, {2024, 13, 1}, {2024, 4, 31}, {0, 1, 1}, {2024, 1, 0}})
    EXPECT_THROW(EncodeDate(bad[0], bad[1], bad[2]), EConvertError);

  TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 250);
  EXPECT_EQ(DateToStr(t), "2024-03-05");
  EXPECT_EQ(DateTimeToStr(t), "2024-03-05 14:07:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "2024-03-05");
  EXPECT_EQ(FormatDateTime("yyyy/m/d hh:mm:ss.zzz", t), "2024-3-5 14:07:09.250");
  EXPECT_EQ(FormatDateTime("yy-mm 'at' h:nn", t), "24-03 at 14:07");
  int h, mi, s, ms;
  DecodeTime(t, h, mi, s, ms);
  EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 14 * 10000000 + 7 * 100000 + 9 * 1000 + 250);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(CoreSysUtils, StrToDateReadsTheShortDateFormat) {
  struct Case {
    const char* text;
    bool ok;
    int y, m, d;
  } cases[] = {
      {"2024-03-05", true, 2024, 3, 5}, {" 2024-3-5 ", true, 2024, 3, 5}, {"99-12-31", true, 1999, 12, 31},
      {"2024-02-30", false, 0, 0, 0},   {"2024/03/05", false, 0, 0, 0},   {"2024-03-", false, 0, 0, 0},
      {"abc", false, 0, 0, 0},          {"", false, 0, 0, 0},             {"2024-03-05-01", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TDateTime v = 0;
    EXPECT_EQ(TryStrToDate(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, EncodeDate(c.y, c.m, c.d)) << c.text;
    }
  }
  try {
    StrToDate("2024-13-01");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'2024-13-01' is not a valid date");
  }
}

TEST(CoreSysUtils, TextHelpersLeaveDoubleByteCharactersAlone) {
  // 0x81 0x61 is one CP936 character whose trail byte is the code of 'a'.
  const AnsiString dbcs = "\x81\x61";
  EXPECT_EQ(UpperCase(dbcs + "ab"), dbcs + "AB");
  EXPECT_EQ(LowerCase("\x81\x41" "AB"), "\x81\x41" "ab");
  EXPECT_FALSE(SameText(dbcs, "\x81\x41"));
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_NE(CompareStr("a", "A"), 0);
  EXPECT_EQ(UpperCase("采购单"), "采购单");

  EXPECT_EQ(Trim(AnsiString("\t x \0\r\n", 7)), "x");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim("\xA0x"), "\xA0x");
  EXPECT_EQ(QuotedStr("It's"), "'It''s'");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", {rfReplaceAll, rfIgnoreCase}), "a-b-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", {}), "aXb-c");

  struct PathCase {
    AnsiString in, out;
  } paths[] = {{"dir", "dir/"}, {"dir/", "dir/"}, {"c:\\dir\\", "c:\\dir\\"}, {"", "/"},
               {"\x81\x5C", "\x81\x5C/"}};  // a trail byte 0x5C is not a delimiter
  for (const PathCase& p : paths) EXPECT_EQ(IncludeTrailingPathDelimiter(p.in), p.out) << p.in;
  EXPECT_EQ(ExtractFilePath("/opt/host/dialog.dll"), "/opt/host/");
  EXPECT_EQ(ExtractFileName("/opt/host/dialog.dll"), "dialog.dll");
  EXPECT_TRUE(IsValidIdent("_a1"));
  EXPECT_FALSE(IsValidIdent("1a"));
}

TEST(CoreSysUtils, FormatIsPrintfLikeAndRejectsMismatchedArguments) {
  struct Case {
    const char* format;
    std::function<AnsiString(const char*)> run;
    const char* text;
  } cases[] = {
      {"%d", [](const char* f) { return Format(f, {42}); }, "42"},
      {"%5d|", [](const char* f) { return Format(f, {42}); }, "   42|"},
      {"%-5d|", [](const char* f) { return Format(f, {42}); }, "42   |"},
      {"%.3d", [](const char* f) { return Format(f, {-7}); }, "-007"},
      {"%x", [](const char* f) { return Format(f, {255}); }, "FF"},
      {"%.4x", [](const char* f) { return Format(f, {-1}); }, "FFFFFFFF"},
      {"%u", [](const char* f) { return Format(f, {-1}); }, "4294967295"},
      {"%s=%s", [](const char* f) { return Format(f, {"a", AnsiString("b")}); }, "a=b"},
      {"%.2s", [](const char* f) { return Format(f, {"abc"}); }, "ab"},
      {"%.2f", [](const char* f) { return Format(f, {3.14159}); }, "3.14"},
      {"%f", [](const char* f) { return Format(f, {2}); }, "2.00"},
      {"%n", [](const char* f) { return Format(f, {1234567.5}); }, "1,234,567.50"},
      {"%g", [](const char* f) { return Format(f, {0.1}); }, "0.1"},
      {"%e", [](const char* f) { return Format(f, {1234.5}); }, "1.23450000000000E+003"},
      {"%1:s %0:s", [](const char* f) { return Format(f, {"a", "b"}); }, "b a"},
      {"%*d", [](const char* f) { return Format(f, {4, 7}); }, "   7"},
      {"100%%", [](const char* f) { return Format(f, {}); }, "100%"},
      {"%c", [](const char* f) { return Format(f, {1}); }, nullptr},
      {"%d", [](const char* f) { return Format(f, {"x"}); }, nullptr},
      {"%d", [](const char* f) { return Format(f, {1.5}); }, nullptr},
      {"%s", [](const char* f) { return Format(f, {1}); }, nullptr},
      {"%d %d", [](const char* f) { return Format(f, {1}); }, nullptr},
      {"50%", [](const char* f) { return Format(f, {1}); }, nullptr},
  };
  for (const Case& c : cases) {
    if (c.text) {
      EXPECT_EQ(c.run(c.format), c.text) << c.format;
      continue;
    }
    try {
      c.run(c.format);
      ADD_FAILURE() << "accepted " << c.format;
    } catch (const EConvertError& e) {
      EXPECT_NE(e.Message().find("invalid or incompatible with argument"), AnsiString::npos) << c.format;
    }
  }
}

TEST(CoreSysUtils, BooleansAndAbort) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false, true), "False");
  EXPECT_TRUE(StrToBool("TRUE"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_TRUE(StrToBool("2"));
  EXPECT_THROW(StrToBool("yes"), EConvertError);
  EXPECT_THROW(Abort(), EAbort);
  try {
    throw EReadError("Form.dfm", 7, "Invalid property value");
  } catch (const EFilerError& e) {
    EXPECT_STREQ(e.what(), "Form.dfm: line 7: Invalid property value");
  }
}

}  // namespace
