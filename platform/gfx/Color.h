// Colour values of the class library (TColor) and of the desktop (COLORREF), the
// classic system palette, the colour-name table and RGB <-> HLS conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gfx {

// The class library's colour: 0x00BBGGRR for an explicit colour, 0x80000000 | index (or
// 0xFF000000 | index) for a system colour, and the two sentinels clNone and clDefault.
// Signed like the class library's type: a system colour is negative.
using TColor = std::int32_t;

// A desktop colour, always explicit: 0x00BBGGRR.
using COLORREF = std::uint32_t;

// The pixel word of a Surface: 0x00RRGGBB (bytes B, G, R, 0 in memory on little-endian).
using Pixel = std::uint32_t;

// COLORREF from red, green and blue bytes.
constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) { return std::uint8_t(c & 0xFF); }
constexpr std::uint8_t GetGValue(COLORREF c) { return std::uint8_t((c >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(COLORREF c) { return std::uint8_t((c >> 16) & 0xFF); }

// COLORREF (0x00BBGGRR) to surface pixel (0x00RRGGBB); the high byte is dropped.
constexpr Pixel ColorRefToPixel(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
// Surface pixel (0x00RRGGBB) to COLORREF (0x00BBGGRR); the high byte is dropped.
constexpr COLORREF PixelToColorRef(Pixel p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

// Returned by pixel reads outside the surface or the clip region.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Desktop system colour indices (GetSysColor).
enum SysColorIndex : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_DESKTOP = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_3DFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_3DSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_BTNHILIGHT = 20,
  COLOR_3DHIGHLIGHT = 20,
  COLOR_3DHILIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
};

// The classic ("standard" scheme) RGB of a system colour index; 0 for an unknown index.
COLORREF GetSysColor(int index);

// The system-colour bit of TColor values.
constexpr TColor clSystemColor = TColor(0x80000000u);

// Named colours of the class library.
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clLtGray = 0xC0C0C0,
                 clDkGray = 0x808080, clWhite = 0xFFFFFF, clMoneyGreen = 0xC0DCC0,
                 clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours of the class library: clSystemColor | index.
constexpr TColor SysColor(int index) { return TColor(0x80000000u | unsigned(index)); }
constexpr TColor clScrollBar = SysColor(0), clBackground = SysColor(1),
                 clActiveCaption = SysColor(2), clInactiveCaption = SysColor(3),
                 clMenu = SysColor(4), clWindow = SysColor(5), clWindowFrame = SysColor(6),
                 clMenuText = SysColor(7), clWindowText = SysColor(8), clCaptionText = SysColor(9),
                 clActiveBorder = SysColor(10), clInactiveBorder = SysColor(11),
                 clAppWorkSpace = SysColor(12), clHighlight = SysColor(13),
                 clHighlightText = SysColor(14), clBtnFace = SysColor(15),
                 clBtnShadow = SysColor(16), clGrayText = SysColor(17), clBtnText = SysColor(18),
                 clInactiveCaptionText = SysColor(19), clBtnHighlight = SysColor(20),
                 cl3DDkShadow = SysColor(21), cl3DLight = SysColor(22), clInfoText = SysColor(23),
                 clInfoBk = SysColor(24), clHotLight = SysColor(26),
                 clGradientActiveCaption = SysColor(27), clGradientInactiveCaption = SysColor(28),
                 clMenuHighlight = SysColor(29), clMenuBar = SysColor(30);

// True for a system colour (high byte 0x80 or 0xFF).
bool IsSysColor(TColor c);

// The explicit COLORREF of c: a system colour is looked up (index = low byte), an explicit
// colour loses its high byte. clNone and clDefault are for the caller to handle first;
// passed here they too just lose their high byte (clNone -> white, clDefault -> black).
COLORREF ColorToRGB(TColor c);

// The class-library name of c ("clBtnFace"); false when c has no name. Both system-colour
// encodings (0x80.. and 0xFF..) are named.
bool ColorToIdent(TColor c, std::string& ident);

// The value of a colour name, matched without regard to case; false for an unknown name.
bool IdentToColor(std::string_view ident, TColor& c);

// Hue, luminance and saturation, each on the 0..240 scale.
struct HLS {
  std::uint16_t hue = 0;
  std::uint16_t luminance = 0;
  std::uint16_t saturation = 0;
  friend bool operator==(const HLS&, const HLS&) = default;
};

// RGB to HLS with the classic integer algorithm; an achromatic colour gets hue 160.
void ColorRGBToHLS(COLORREF rgb, std::uint16_t* hue, std::uint16_t* luminance,
                   std::uint16_t* saturation);
// The same, as a value.
HLS RGBToHLS(COLORREF rgb);

// HLS (0..240 each) back to RGB with the classic integer algorithm.
COLORREF ColorHLSToRGB(std::uint16_t hue, std::uint16_t luminance, std::uint16_t saturation);

}  // namespace gfx
