#include "platform/gfx/Color.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace gfx {
namespace {

// The "standard" classic scheme: gray 3D faces, navy highlight, the blue desktop.
constexpr std::array<COLORREF, 31> kSysColors = {
    RGB(192, 192, 192),  // 0 scroll bar
    RGB(58, 110, 165),   // 1 desktop
    RGB(0, 0, 128),      // 2 active caption
    RGB(128, 128, 128),  // 3 inactive caption
    RGB(192, 192, 192),  // 4 menu
    RGB(255, 255, 255),  // 5 window
    RGB(0, 0, 0),        // 6 window frame
    RGB(0, 0, 0),        // 7 menu text
    RGB(0, 0, 0),        // 8 window text
    RGB(255, 255, 255),  // 9 caption text
    RGB(192, 192, 192),  // 10 active border
    RGB(192, 192, 192),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application workspace
    RGB(0, 0, 128),      // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(192, 192, 192),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 gray text
    RGB(0, 0, 0),        // 18 button text
    RGB(192, 192, 192),  // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(0, 0, 0),        // 21 3D dark shadow
    RGB(192, 192, 192),  // 22 3D light
    RGB(0, 0, 0),        // 23 info text
    RGB(255, 255, 225),  // 24 info background
    RGB(0, 0, 0),        // 25 (unused index)
    RGB(0, 0, 128),      // 26 hot-tracked item
    RGB(166, 202, 240),  // 27 active caption gradient end
    RGB(192, 192, 192),  // 28 inactive caption gradient end
    RGB(0, 0, 128),      // 29 menu highlight
    RGB(192, 192, 192),  // 30 menu bar
};

struct ColorName {
  TColor value;
  const char* name;
};

// Where two names share a value the first one is the name ColorToIdent reports.
constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
};

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

unsigned HighByte(TColor c) { return static_cast<std::uint32_t>(c) >> 24; }

// The 0x80.. spelling of a system colour, whichever encoding c uses.
TColor CanonicalSysColor(TColor c) {
  return IsSysColor(c) ? SysColor(static_cast<std::uint32_t>(c) & 0xFF) : c;
}

constexpr int kHlsMax = 240;
constexpr int kRgbMax = 255;
constexpr int kUndefinedHue = kHlsMax * 2 / 3;

int HueToRGB(int n1, int n2, int hue) {
  if (hue < 0) hue += kHlsMax;
  if (hue > kHlsMax) hue -= kHlsMax;
  if (hue < kHlsMax / 6) return n1 + ((n2 - n1) * hue + kHlsMax / 12) / (kHlsMax / 6);
  if (hue < kHlsMax / 2) return n2;
  if (hue < kHlsMax * 2 / 3)
    return n1 + ((n2 - n1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6);
  return n1;
}

std::uint8_t ToChannel(int v) {
  return static_cast<std::uint8_t>(std::clamp((v * kRgbMax + kHlsMax / 2) / kHlsMax, 0, 255));
}

}  // namespace

COLORREF GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(kSysColors.size())) return 0;
  return kSysColors[static_cast<std::size_t>(index)];
}

bool IsSysColor(TColor c) { return HighByte(c) == 0x80 || HighByte(c) == 0xFF; }

COLORREF ColorToRGB(TColor c) {
  if (IsSysColor(c)) return GetSysColor(static_cast<int>(static_cast<std::uint32_t>(c) & 0xFF));
  return static_cast<std::uint32_t>(c) & 0x00FFFFFF;
}

bool ColorToIdent(TColor c, std::string& ident) {
  const TColor wanted = CanonicalSysColor(c);
  for (const ColorName& entry : kColorNames)
    if (entry.value == wanted) {
      ident = entry.name;
      return true;
    }
  return false;
}

bool IdentToColor(std::string_view ident, TColor& c) {
  for (const ColorName& entry : kColorNames)
    if (EqualNoCase(ident, entry.name)) {
      c = entry.value;
      return true;
    }
  return false;
}

void ColorRGBToHLS(COLORREF rgb, std::uint16_t* hue, std::uint16_t* luminance,
                   std::uint16_t* saturation) {
  const HLS hls = RGBToHLS(rgb);
  if (hue) *hue = hls.hue;
  if (luminance) *luminance = hls.luminance;
  if (saturation) *saturation = hls.saturation;
}

HLS RGBToHLS(COLORREF rgb) {
  const int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  const int mx = std::max({r, g, b});
  const int mn = std::min({r, g, b});
  const int sum = mx + mn;
  HLS out;
  out.luminance = static_cast<std::uint16_t>((sum * kHlsMax + kRgbMax) / (2 * kRgbMax));
  if (mx == mn) {
    out.hue = kUndefinedHue;
    return out;
  }
  const int d = mx - mn;
  if (out.luminance <= kHlsMax / 2)
    out.saturation = static_cast<std::uint16_t>((d * kHlsMax + sum / 2) / sum);
  else
    out.saturation =
        static_cast<std::uint16_t>((d * kHlsMax + (2 * kRgbMax - sum) / 2) / (2 * kRgbMax - sum));
  const int rd = ((mx - r) * (kHlsMax / 6) + d / 2) / d;
  const int gd = ((mx - g) * (kHlsMax / 6) + d / 2) / d;
  const int bd = ((mx - b) * (kHlsMax / 6) + d / 2) / d;
  int h;
  if (r == mx)
    h = bd - gd;
  else if (g == mx)
    h = kHlsMax / 3 + rd - bd;
  else
    h = 2 * kHlsMax / 3 + gd - rd;
  if (h < 0) h += kHlsMax;
  if (h > kHlsMax) h -= kHlsMax;
  out.hue = static_cast<std::uint16_t>(h);
  return out;
}

COLORREF ColorHLSToRGB(std::uint16_t hue, std::uint16_t luminance, std::uint16_t saturation) {
  const int h = hue, l = luminance, s = saturation;
  if (s == 0) {
    const auto grey = static_cast<std::uint8_t>(std::min(l * kRgbMax / kHlsMax, 255));
    return RGB(grey, grey, grey);
  }
  const int m2 = l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax
                                  : l + s - (l * s + kHlsMax / 2) / kHlsMax;
  const int m1 = 2 * l - m2;
  return RGB(ToChannel(HueToRGB(m1, m2, h + kHlsMax / 3)), ToChannel(HueToRGB(m1, m2, h)),
             ToChannel(HueToRGB(m1, m2, h - kHlsMax / 3)));
}

}  // namespace gfx
