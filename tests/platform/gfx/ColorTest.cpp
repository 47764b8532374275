#include <gtest/gtest.h>

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

namespace gfx {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndReportsFailureAsMinusOne) {
  struct Case {
    int a, b, c, expected;
  };
  const Case cases[] = {
      {5, 1, 2, 3},           {-5, 1, 2, -3},
      {5, 1, -2, -3},         {-5, -1, 2, 3},
      {2, 3, 4, 2},           {7, 1, 3, 2},
      {8, 1, 3, 3},           {1, 1, 0, -1},
      {0x7FFFFFFF, 2, 1, -1}, {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
      {-11, 72, 96, -8},      {8, 96, 72, 11},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Colors, PixelWordIsTheReverseOfColorRef) {
  EXPECT_EQ(RGB(160, 150, 131), 0x008396A0u);
  EXPECT_EQ(ColorRefToPixel(RGB(0x12, 0x34, 0x56)), 0x00123456u);
  EXPECT_EQ(PixelToColorRef(0x00123456u), RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(ColorRefToPixel(0xFF000000u | RGB(1, 2, 3)), 0x00010203u);
}

TEST(Colors, SystemColoursResolveInBothEncodings) {
  struct Case {
    TColor color;
    COLORREF rgb;
  };
  const Case cases[] = {
      {clBtnFace, RGB(192, 192, 192)},
      {TColor(0xFF00000F), RGB(192, 192, 192)},
      {clBtnShadow, RGB(128, 128, 128)},
      {clBtnHighlight, RGB(255, 255, 255)},
      {clGrayText, RGB(128, 128, 128)},
      {cl3DDkShadow, RGB(0, 0, 0)},
      {cl3DLight, RGB(192, 192, 192)},
      {clWindow, RGB(255, 255, 255)},
      {TColor(0xFF000005), RGB(255, 255, 255)},
      {clWindowText, RGB(0, 0, 0)},
      {clHighlight, RGB(0, 0, 128)},
      {clInfoBk, RGB(255, 255, 225)},
      {clBackground, RGB(58, 110, 165)},
      {clRed, RGB(255, 0, 0)},
      {TColor(0x02C0C0C0), RGB(192, 192, 192)},  // palette-relative: high byte dropped
      {SysColor(200), 0},                        // index past the table
  };
  for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;
  EXPECT_EQ(clBtnFace, TColor(0x8000000F));
  EXPECT_LT(clBtnFace, 0) << "system colours are negative as 32-bit signed values";
  EXPECT_EQ(GetSysColor(-1), 0u);
}

TEST(Colors, NamesRoundTrip) {
  const char* const names[] = {"clBlack",         "clMaroon",
                               "clGreen",         "clOlive",
                               "clNavy",          "clPurple",
                               "clTeal",          "clGray",
                               "clSilver",        "clRed",
                               "clLime",          "clYellow",
                               "clBlue",          "clFuchsia",
                               "clAqua",          "clWhite",
                               "clMoneyGreen",    "clSkyBlue",
                               "clCream",         "clMedGray",
                               "clNone",          "clDefault",
                               "clScrollBar",     "clBackground",
                               "clActiveCaption", "clInactiveCaption",
                               "clMenu",          "clWindow",
                               "clWindowFrame",   "clMenuText",
                               "clWindowText",    "clCaptionText",
                               "clActiveBorder",  "clInactiveBorder",
                               "clAppWorkSpace",  "clHighlight",
                               "clHighlightText", "clBtnFace",
                               "clBtnShadow",     "clGrayText",
                               "clBtnText",       "clInactiveCaptionText",
                               "clBtnHighlight",  "cl3DDkShadow",
                               "cl3DLight",       "clInfoText",
                               "clInfoBk"};
  for (const char* name : names) {
    TColor value = 0x123456;
    ASSERT_TRUE(IdentToColor(name, value)) << name;
    std::string back;
    ASSERT_TRUE(ColorToIdent(value, back)) << name;
    EXPECT_EQ(back, name);
  }
}

TEST(Colors, NameLookupEdges) {
  TColor value = 0;
  EXPECT_TRUE(IdentToColor("CLBTNFACE", value));
  EXPECT_EQ(value, clBtnFace);
  EXPECT_TRUE(IdentToColor("clLtGray", value));
  EXPECT_EQ(value, clSilver);
  value = 42;
  EXPECT_FALSE(IdentToColor("clBtnFaces", value));
  EXPECT_FALSE(IdentToColor("", value));
  EXPECT_EQ(value, 42);

  std::string name = "unchanged";
  EXPECT_TRUE(ColorToIdent(TColor(0xFF00000F), name));
  EXPECT_EQ(name, "clBtnFace");
  EXPECT_TRUE(ColorToIdent(clSilver, name));
  EXPECT_EQ(name, "clSilver");
  name = "unchanged";
  EXPECT_FALSE(ColorToIdent(0x123456, name));
  EXPECT_EQ(name, "unchanged");
}

TEST(Colors, RgbToHlsAndBack) {
  struct Case {
    COLORREF rgb;
    int h, l, s;
    COLORREF back;
  };
  const Case cases[] = {
      {RGB(255, 255, 255), -1, 240, 0, RGB(255, 255, 255)},
      {RGB(0, 0, 0), -1, 0, 0, RGB(0, 0, 0)},
      {RGB(128, 128, 128), -1, 120, 0, RGB(127, 127, 127)},
      {RGB(192, 192, 192), -1, 181, 0, RGB(192, 192, 192)},
      {RGB(64, 64, 64), -1, 60, 0, RGB(63, 63, 63)},
      {RGB(255, 0, 0), 0, 120, 240, RGB(255, 0, 0)},
      {RGB(255, 255, 0), 40, 120, 240, RGB(255, 255, 0)},
      {RGB(0, 255, 0), 80, 120, 240, RGB(0, 255, 0)},
      {RGB(0, 255, 255), 120, 120, 240, RGB(0, 255, 255)},
      {RGB(0, 0, 255), 160, 120, 240, RGB(0, 0, 255)},
      {RGB(255, 0, 255), 200, 120, 240, RGB(255, 0, 255)},
      {RGB(160, 150, 131), 26, 137, 32, RGB(160, 150, 131)},
      {RGB(212, 208, 200), 27, 194, 29, RGB(213, 208, 200)},
      {RGB(58, 110, 165), 141, 105, 115, RGB(58, 109, 165)},
      {RGB(0, 128, 128), 120, 60, 240, RGB(0, 128, 128)},
  };
  for (const Case& c : cases) {
    std::uint16_t h = 999, l = 999, s = 999;
    ColorRGBToHLS(c.rgb, &h, &l, &s);
    if (c.h >= 0) {  // the hue of a grey is not pinned
      EXPECT_EQ(h, c.h) << std::hex << c.rgb;
    }
    EXPECT_EQ(l, c.l) << std::hex << c.rgb;
    EXPECT_EQ(s, c.s) << std::hex << c.rgb;
    EXPECT_EQ(ColorHLSToRGB(h, l, s), c.back) << std::hex << c.rgb;
  }
}

TEST(Colors, HueStaysBelow240AndRoundTripIsClose) {
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 17)
      for (int b = 0; b < 256; b += 5) {
        const COLORREF rgb = RGB(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b));
        const HLS hls = RGBToHLS(rgb);
        ASSERT_LT(hls.hue, 240);
        ASSERT_LE(hls.luminance, 240);
        ASSERT_LE(hls.saturation, 240);
        const COLORREF back = ColorHLSToRGB(hls.hue, hls.luminance, hls.saturation);
        ASSERT_LE(std::abs(int(GetRValue(back)) - r), 4) << std::hex << rgb;
        ASSERT_LE(std::abs(int(GetGValue(back)) - g), 4) << std::hex << rgb;
        ASSERT_LE(std::abs(int(GetBValue(back)) - b), 4) << std::hex << rgb;
      }
}

}  // namespace
}  // namespace gfx
