#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"
#include "tests/platform/gfx/PixelTestUtil.h"

namespace gfx {
namespace {

using test::Blank;

constexpr Pixel kInk = 0x000000;
constexpr Pixel kBack = 0x00FF00;  // green background for opaque text

// Face names as the library holds them: code page 936 bytes (compiled from literals).
const char* const kSong = "宋体";

Font MakeFont(const char* name, int height, unsigned style = 0, int escapement = 0) {
  Font f;
  f.name = name;
  f.height = height;
  f.style = style;
  f.color = clBlack;
  f.escapement = escapement;
  return f;
}

Rect InkBounds(const Surface& s, Pixel ink) {
  Rect box{s.width(), s.height(), 0, 0};
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.pixel(x, y) == ink) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1);
        box.bottom = std::max(box.bottom, y + 1);
      }
  return box;
}

int Count(const Surface& s, Pixel p) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) == p;
  return n;
}

// The build installs both families; without them every text test would only see the
// "no face" path, so say why instead of failing obscurely.
class Text : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ResolveFontFile(MakeFont("Tahoma", -12)).empty())
        << "DejaVu Sans is not installed";
    ASSERT_FALSE(ResolveFontFile(MakeFont(kSong, -12)).empty()) << "AR PL UMing is not installed";
  }
};

TEST_F(Text, SongIdeographsAreTwelvePixelsAtHeightTwelve) {
  for (const int height : {-12, 12}) {
    const Font f = MakeFont(kSong, height);
    EXPECT_EQ(GetTextExtent(f, "采购单"), (Size{36, 12})) << height;
    EXPECT_EQ(GetTextExtent(f, "采").cx, 12) << height;
    EXPECT_EQ(GetTextExtent(f, "12").cx, 12) << "half-width digits, height " << height;
    const TextMetrics m = GetTextMetrics(f);
    EXPECT_EQ(m.height, 12);
    EXPECT_EQ(m.ascent + m.descent, m.height);
    EXPECT_EQ(m.internalLeading, 0);
  }
}

TEST_F(Text, LatinFaceMeasuresDeterministicallyAndAdditively) {
  const Font f = MakeFont("Tahoma", 12);
  const Size hello = GetTextExtent(f, "Hello, world");
  EXPECT_GT(hello.cx, 0);
  EXPECT_EQ(hello.cy, 12) << "a positive height is the cell height";
  EXPECT_EQ(GetTextExtent(f, "Hello, world"), hello);
  EXPECT_EQ(GetTextExtent(f, "Hello,").cx + GetTextExtent(f, " world").cx, hello.cx);
  EXPECT_GT(GetTextExtent(f, "WWW").cx, GetTextExtent(f, "iii").cx);
  EXPECT_EQ(GetTextExtent(f, ""), (Size{0, 12}));
  EXPECT_EQ(GetTextExtent(f, "a\r\nb").cx, GetTextExtent(f, "ab").cx)
      << "control characters take no space";

  const TextMetrics m = GetTextMetrics(MakeFont("Tahoma", -11));
  EXPECT_GE(m.height, 11);
  EXPECT_EQ(m.ascent + m.descent, m.height);
  EXPECT_EQ(m.internalLeading, m.height - 11);
  EXPECT_GT(m.aveCharWidth, 0);
  EXPECT_GE(m.maxCharWidth, m.aveCharWidth);
}

TEST_F(Text, FaceNamesResolveToTheTwoFamiliesWithAFallback) {
  const std::string latin = ResolveFontFile(MakeFont("Tahoma", -11));
  const std::string song = ResolveFontFile(MakeFont(kSong, -12));
  EXPECT_NE(latin, song);
  EXPECT_NE(song.find("uming"), std::string::npos) << song;
  for (const char* name : {"MS Sans Serif", "Arial", "No Such Face", "", "\xff\xfe"}) {
    EXPECT_EQ(ResolveFontFile(MakeFont(name, -11)), latin) << name;
    EXPECT_EQ(GetTextExtent(MakeFont(name, -11), "Abc"),
              GetTextExtent(MakeFont("Tahoma", -11), "Abc"));
  }
}

TEST_F(Text, IdeographsMissingFromTheLatinFaceComeFromTheSongFace) {
  const Font latin = MakeFont("Tahoma", -12);
  EXPECT_EQ(GetTextExtent(latin, "采购单").cx, 36);
  Surface s = Blank(60, 20);
  Canvas canvas(s);
  canvas.SetFont(latin);
  canvas.SetBkMode(bkTransparent);
  canvas.TextOut(0, 0, "单");
  EXPECT_GT(Count(s, kInk), 10) << "the ideograph is drawn, not a blank";
}

TEST_F(Text, DrawnInkStaysInsideTheExtent) {
  const char* const samples[] = {"Tahoma gjpqy", "采购单 Ag", "|[]_"};
  for (const Font& f :
       {MakeFont("Tahoma", 12), MakeFont(kSong, -12), MakeFont("Tahoma", -11, fsBold | fsItalic)}) {
    for (const char* text : samples) {
      Surface s = Blank(200, 40);
      Canvas canvas(s);
      canvas.SetFont(f);
      canvas.SetBkMode(bkTransparent);
      canvas.TextOut(7, 5, text);
      const Size extent = canvas.TextExtent(text);
      const Rect ink = InkBounds(s, kInk);
      ASSERT_FALSE(ink.IsEmpty()) << text;
      EXPECT_EQ(IntersectRect(ink, {7, 5, 7 + extent.cx, 5 + extent.cy}), ink) << text;
      EXPECT_EQ(Count(s, kInk) + Count(s, test::kWhite), 200 * 40) << "monochrome: no grey";
    }
  }
}

TEST_F(Text, OpaqueBackgroundFillsExactlyTheCell) {
  Surface s = Blank(100, 30);
  Canvas canvas(s);
  canvas.SetFont(MakeFont("Tahoma", -11));
  canvas.SetBkColor(TColor(RGB(0, 255, 0)));
  canvas.TextOut(3, 4, "Opaque");
  const Size extent = canvas.TextExtent("Opaque");
  const Rect cell{3, 4, 3 + extent.cx, 4 + extent.cy};
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) {
      const Pixel p = s.pixel(x, y);
      if (cell.Contains(x, y))
        ASSERT_TRUE(p == kInk || p == kBack) << x << "," << y;
      else
        ASSERT_EQ(p, test::kWhite) << x << "," << y;
    }
  EXPECT_GT(Count(s, kInk), 0);
}

TEST_F(Text, QuarterTurnsMapTheUnrotatedInk) {
  const char* text = "Tab 采";
  Surface flat = Blank(80, 80);
  Canvas plain(flat);
  plain.SetFont(MakeFont("Tahoma", -11));
  plain.TextOut(0, 0, text);
  const Size extent = plain.TextExtent(text);
  struct Case {
    int escapement;
    Point origin;
    // Where unrotated pixel (u, v) lands.
    Point (*map)(Point origin, int u, int v);
  };
  const Case cases[] = {
      {900,
       {10, 70},
       [](Point o, int u, int v) {
         return Point{o.x + v, o.y - u - 1};
       }},
      {2700,
       {40, 5},
       [](Point o, int u, int v) {
         return Point{o.x - v - 1, o.y + u};
       }},
      {1800,
       {75, 40},
       [](Point o, int u, int v) {
         return Point{o.x - u - 1, o.y - v - 1};
       }},
      {-2700,
       {10, 70},
       [](Point o, int u, int v) {
         return Point{o.x + v, o.y - u - 1};
       }},
  };
  for (const Case& c : cases) {
    Surface turned = Blank(80, 80);
    Canvas canvas(turned);
    canvas.SetFont(MakeFont("Tahoma", -11, 0, c.escapement));
    canvas.TextOut(c.origin.x, c.origin.y, text);
    EXPECT_EQ(canvas.TextExtent(text), extent) << "extent is measured unrotated";
    int checked = 0;
    for (int v = 0; v < extent.cy; ++v)
      for (int u = 0; u < extent.cx; ++u) {
        const Point at = c.map(c.origin, u, v);
        ASSERT_EQ(turned.pixel(at.x, at.y), flat.pixel(u, v))
            << c.escapement << " at " << u << "," << v;
        ++checked;
      }
    EXPECT_EQ(Count(turned, kInk), Count(flat, kInk)) << c.escapement;
    EXPECT_GT(checked, 0);
  }
}

TEST_F(Text, UnderlineAndStrikeOutAddFullRows) {
  auto rowsFullyInked = [](unsigned style) {
    Surface s = Blank(120, 20);
    Canvas canvas(s);
    canvas.SetFont(MakeFont("Tahoma", -11, style));
    canvas.SetBkMode(bkTransparent);
    canvas.TextOut(0, 0, "underline");
    const int w = canvas.TextWidth("underline");
    int rows = 0;
    for (int y = 0; y < 20; ++y) {
      bool full = true;
      for (int x = 0; x < w; ++x) full = full && s.pixel(x, y) == kInk;
      rows += full;
    }
    return rows;
  };
  EXPECT_EQ(rowsFullyInked(0), 0);
  EXPECT_GE(rowsFullyInked(fsUnderline), 1);
  EXPECT_GE(rowsFullyInked(fsUnderline | fsStrikeOut), 2);
}

TEST_F(Text, DrawTextPlacesTheLineAsTheFlagsSay) {
  const Font f = MakeFont("Tahoma", -11);
  const Rect box{4, 3, 104, 33};
  const char* text = "Placed";
  const Size e = GetTextExtent(f, text);
  struct Case {
    unsigned format;
    Point expected;
    int returned;
  };
  const Case cases[] = {
      {DT_SINGLELINE, {4, 3}, e.cy},
      {DT_SINGLELINE | DT_CENTER, {4 + (100 - e.cx) / 2, 3}, e.cy},
      {DT_SINGLELINE | DT_RIGHT, {104 - e.cx, 3}, e.cy},
      {DT_SINGLELINE | DT_VCENTER, {4, 3 + (30 - e.cy) / 2}, (30 - e.cy) / 2 + e.cy},
      {DT_SINGLELINE | DT_CENTER | DT_VCENTER,
       {4 + (100 - e.cx) / 2, 3 + (30 - e.cy) / 2},
       (30 - e.cy) / 2 + e.cy},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, {104 - e.cx, 33 - e.cy}, 30},
      {DT_VCENTER, {4, 3}, e.cy},  // vertical centring needs a single line
  };
  for (const Case& c : cases) {
    Surface viaDrawText = Blank(120, 40), viaTextOut = Blank(120, 40);
    Canvas a(viaDrawText), b(viaTextOut);
    a.SetFont(f);
    b.SetFont(f);
    Rect r = box;
    EXPECT_EQ(a.DrawText(text, r, c.format), c.returned) << c.format;
    EXPECT_EQ(r, box);
    b.TextOut(c.expected.x, c.expected.y, text);
    EXPECT_TRUE(viaDrawText == viaTextOut) << "format " << c.format;
  }
}

TEST_F(Text, DrawTextCalcRectMeasuresWithoutDrawing) {
  Surface s = Blank(50, 50);
  Canvas canvas(s);
  canvas.SetFont(MakeFont(kSong, -12));
  Rect r{5, 6, 500, 500};
  EXPECT_EQ(canvas.DrawText("采购单", r, DT_SINGLELINE | DT_CALCRECT), 12);
  EXPECT_EQ(r, (Rect{5, 6, 41, 18}));
  Rect lines{0, 0, 10, 10};
  EXPECT_EQ(canvas.DrawText("采\r\n采购单\n单", lines, DT_CALCRECT), 36);
  EXPECT_EQ(lines, (Rect{0, 0, 36, 36}));
  EXPECT_EQ(test::Painted(s), 0);
}

TEST_F(Text, WordBreakWrapsAtBlanksAndAroundIdeographs) {
  const Font song = MakeFont(kSong, -12);
  const Font latin = MakeFont("Tahoma", -11);
  const int lineHeight = GetTextMetrics(latin).height;
  const int wordsWidth = GetTextExtent(latin, "aa bb").cx;
  struct Case {
    const char* name;
    Font font;
    const char* text;
    int width;
    Rect expected;  // from DT_CALCRECT, rect starting at (0, 0)
  };
  const Case cases[] = {
      {"ideographs two by two", song, "采购单采购单", 30, {0, 0, 24, 36}},
      {"words", latin, "aa bb cc", wordsWidth + 1, {0, 0, wordsWidth, 2 * lineHeight}},
      {"long word stays whole",
       latin,
       "abcdefghij",
       10,
       {0, 0, GetTextExtent(latin, "abcdefghij").cx, lineHeight}},
      {"line breaks still count", song, "采\n购单", 100, {0, 0, 24, 24}},
  };
  for (const Case& c : cases) {
    Surface s = Blank(10, 10);
    Canvas canvas(s);
    canvas.SetFont(c.font);
    Rect r{0, 0, c.width, 1};
    EXPECT_EQ(canvas.DrawText(c.text, r, DT_WORDBREAK | DT_CALCRECT), c.expected.bottom) << c.name;
    EXPECT_EQ(r, c.expected) << c.name;
  }
  // Drawn, the wrapped lines are the pieces one below the other.
  Surface wrapped = Blank(80, 40), byHand = Blank(80, 40);
  Canvas a(wrapped), b(byHand);
  a.SetFont(latin);
  b.SetFont(latin);
  Rect r{0, 0, wordsWidth + 1, 40};
  a.DrawText("aa bb &cc", r, DT_WORDBREAK);
  b.TextOut(0, 0, "aa bb");
  Rect second{0, lineHeight, 80, 40};
  b.DrawText("&cc", second, DT_SINGLELINE);
  EXPECT_TRUE(wrapped == byHand);
}

TEST_F(Text, DrawTextClipsToItsRectangleUnlessTold) {
  for (const bool noClip : {false, true}) {
    Surface s = Blank(100, 20);
    Canvas canvas(s);
    canvas.SetFont(MakeFont("Tahoma", -11));
    Rect r{0, 0, 20, 20};
    canvas.DrawText("Clipped text", r, DT_SINGLELINE | (noClip ? DT_NOCLIP : 0u));
    const Rect ink = InkBounds(s, kInk);
    if (noClip)
      EXPECT_GT(ink.right, 20);
    else
      EXPECT_LE(ink.right, 20);
    EXPECT_EQ(Count(s, kBack), 0);
  }
}

TEST_F(Text, PrefixUnderlinesOneCharacter) {
  const Font f = MakeFont("Tahoma", -11);
  auto draw = [&](const char* text, unsigned format) {
    Surface s = Blank(80, 20);
    Canvas canvas(s);
    canvas.SetFont(f);
    Rect r{0, 0, 80, 20};
    canvas.DrawText(text, r, format | DT_SINGLELINE);
    return s;
  };
  const Surface plain = draw("Save", DT_NOPREFIX);
  const Surface prefixed = draw("&Save", 0);
  const int sWidth = GetTextExtent(f, "S").cx;
  int differing = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x)
      if (plain.pixel(x, y) != prefixed.pixel(x, y)) {
        ++differing;
        EXPECT_LT(x, sWidth) << "only the prefix character is underlined";
      }
  EXPECT_GT(differing, 0);
  EXPECT_TRUE(draw("&&", 0) == draw("&", DT_NOPREFIX));
  EXPECT_TRUE(draw("&", DT_NOPREFIX) != draw("&", 0)) << "a lone trailing & shows nothing";
}

TEST_F(Text, EndEllipsisFitsTheRectangle) {
  Surface s = Blank(200, 20);
  Canvas canvas(s);
  canvas.SetFont(MakeFont("Tahoma", -11));
  Rect r{0, 0, 40, 20};
  canvas.DrawText("A rather long caption", r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
  const Rect ink = InkBounds(s, kInk);
  EXPECT_LE(ink.right, 40);
  EXPECT_GT(ink.right, 20);
}

TEST_F(Text, ExtremeSizesAndNoneColourAreSafe) {
  for (const int height : {-100000, 100000, -1, 1}) {
    const Size e = GetTextExtent(MakeFont("Tahoma", height), "Ag");
    EXPECT_GT(e.cx, 0) << height;
    EXPECT_GT(e.cy, 0) << height;
  }
  Surface s = Blank(20, 20);
  Canvas canvas(s);
  canvas.SetFont(MakeFont("Tahoma", -11));
  canvas.SetTextColor(clNone);
  canvas.SetBkMode(bkTransparent);
  canvas.TextOut(0, 0, "x");
  EXPECT_EQ(test::Painted(s), 0);
}

TEST(Cp936, DecodesAndReplacesBadBytes) {
  struct Case {
    std::string in;
    std::u32string out;
  };
  const Case cases[] = {
      {"abc", U"abc"},
      {"采购单", U"\u91c7\u8d2d\u5355"},
      {"a\x81", U"a\uFFFD"},  // cut-off double-byte character
      {"\xff"
       "b",
       U"\uFFFDb"},  // a byte that never starts a character
      {std::string("x\0y", 3), std::u32string(U"x\0y", 3)},
      {"\x80", U"\u20ac"},  // the euro sign of code page 936
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeCP936(c.in), c.out);
}

}  // namespace
}  // namespace gfx

namespace gfx {
namespace {

TEST(FontSize, PointsAndPixelHeightsHaveOppositeSigns) {
  struct Case {
    int points, height;
  };
  const Case cases[] = {{8, -11}, {9, -12}, {10, -13}, {12, -16}, {0, 0}};
  for (const Case& c : cases) {
    Font f;
    f.SetSize(c.points);
    EXPECT_EQ(f.height, c.height) << c.points;
    EXPECT_EQ(f.Size(), c.points) << c.points;
  }
  Font cell;
  cell.height = 16;  // a cell height reads back as a negative size
  EXPECT_EQ(cell.Size(), -12);
}

}  // namespace
}  // namespace gfx
