#include <gtest/gtest.h>

#include <vector>

#include "platform/gfx/Canvas.h"
#include "tests/platform/gfx/PixelTestUtil.h"

namespace gfx {
namespace {

using test::Blank;
using test::Picture;
using test::Rows;

constexpr Pixel kBlack = 0;

// Pixels (x, y) painted black, in row-major order.
std::vector<Point> BlackPixels(const Surface& s) {
  std::vector<Point> out;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.pixel(x, y) == kBlack) out.push_back({x, y});
  return out;
}

TEST(Lines, EndPointIsLeftOutInEveryDirection) {
  struct Case {
    Point from, to;
    std::vector<Point> expected;
  };
  const std::vector<Case> cases = {
      {{5, 0}, {5, 4}, {{5, 0}, {5, 1}, {5, 2}, {5, 3}}},
      {{5, 4}, {5, 0}, {{5, 1}, {5, 2}, {5, 3}, {5, 4}}},
      {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
      {{3, 3}, {0, 0}, {{1, 1}, {2, 2}, {3, 3}}},
      {{0, 3}, {3, 0}, {{2, 1}, {1, 2}, {0, 3}}},
      {{2, 2}, {6, 2}, {{2, 2}, {3, 2}, {4, 2}, {5, 2}}},
      {{6, 2}, {2, 2}, {{3, 2}, {4, 2}, {5, 2}, {6, 2}}},
      {{0, 0}, {0, 0}, {}},
      {{4, 4}, {5, 5}, {{4, 4}}},
  };
  for (const Case& c : cases) {
    Surface s = Blank(8, 8);
    Canvas canvas(s);
    canvas.MoveTo(c.from.x, c.from.y);
    canvas.LineTo(c.to.x, c.to.y);
    EXPECT_EQ(BlackPixels(s), c.expected)
        << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
    EXPECT_EQ(canvas.PenPos(), c.to);
  }
}

TEST(Lines, LongHorizontalLinePaintsColumnsUpToTheEnd) {
  for (const bool forwards : {true, false}) {
    Surface s = Blank(120, 20);
    Canvas canvas(s);
    canvas.MoveTo(forwards ? 1 : 100, 11);
    canvas.LineTo(forwards ? 100 : 1, 11);
    const auto painted = BlackPixels(s);
    ASSERT_EQ(painted.size(), 99u);
    EXPECT_EQ(painted.front(), (Point{forwards ? 1 : 2, 11}));
    EXPECT_EQ(painted.back(), (Point{forwards ? 99 : 100, 11}));
  }
}

TEST(Lines, ShallowAndSteepLinesHaveOnePixelPerMajorStep) {
  Surface s = Blank(40, 40);
  Canvas canvas(s);
  canvas.MoveTo(1, 1);
  canvas.LineTo(31, 11);  // one pixel per column
  canvas.MoveTo(35, 2);
  canvas.LineTo(38, 38);  // one pixel per row
  std::vector<int> perColumn(40, 0), perRow(40, 0);
  for (const Point& p : BlackPixels(s)) (p.x < 32 ? perColumn[p.x] : perRow[p.y])++;
  for (int x = 1; x < 31; ++x) EXPECT_EQ(perColumn[x], 1) << x;
  EXPECT_EQ(perColumn[31], 0);
  for (int y = 2; y < 38; ++y) EXPECT_EQ(perRow[y], 1) << y;
  EXPECT_EQ(perRow[38], 0);
  EXPECT_EQ(s.pixel(1, 1), kBlack);
  EXPECT_EQ(s.pixel(35, 2), kBlack);
}

TEST(Lines, ClosedBoxPaintsEveryCornerOnce) {
  Surface s = Blank(6, 5);
  Canvas canvas(s);
  canvas.pen().mode = pmXor;  // a pixel painted twice would turn back to white
  canvas.pen().color = clWhite;
  canvas.MoveTo(0, 0);
  canvas.LineTo(4, 0);
  canvas.LineTo(4, 3);
  canvas.LineTo(0, 3);
  canvas.LineTo(0, 0);
  EXPECT_EQ(Picture(s, {{0, 'X'}}), Rows({"XXXXX.", "X...X.", "X...X.", "XXXXX.", "......"}));
}

TEST(Lines, ClippedToRegionAndSurface) {
  Surface s = Blank(10, 6);
  Canvas canvas(s);
  Region clip(Rect{2, 0, 5, 6});
  clip.Union(Rect{7, 0, 9, 6});
  canvas.SetClipRegion(clip);
  canvas.MoveTo(-50, 2);
  canvas.LineTo(60, 2);
  canvas.MoveTo(8, -100);
  canvas.LineTo(8, 100);
  EXPECT_EQ(Picture(s, {{0, 'X'}}), Rows({"........X.", "........X.", "..XXX..XX.", "........X.",
                                          "........X.", "........X."}));
}

TEST(Lines, OriginMovesLogicalCoordinates) {
  Surface s = Blank(6, 4);
  Canvas canvas(s);
  canvas.SetOrigin(2, 1);
  canvas.MoveTo(0, 0);
  canvas.LineTo(3, 0);
  canvas.SetPixel(-2, 2, clBlack);
  EXPECT_EQ(Picture(s, {{0, 'X'}}), Rows({"......", "..XXX.", "......", "X....."}));
  EXPECT_EQ(canvas.GetPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(canvas.GetPixel(-3, 0), CLR_INVALID);
}

TEST(Lines, DashPatternsAndGaps) {
  struct Case {
    TPenStyle style;
    const char* pattern;  // one period, 'X' = pen, '.' = gap
  };
  const Case cases[] = {
      {psDash, "XXXXXXXXXXXXXXXXXX......"},
      {psDot, "XXX..."},
      {psDashDot, "XXXXXXXXX......XXX......"},
      {psDashDotDot, "XXXXXXXXX...XXX...XXX..."},
  };
  for (const Case& c : cases) {
    for (const BkMode mode : {bkTransparent, bkOpaque}) {
      Surface s(60, 1);
      s.fill(0x00FF0000);  // red shows through transparent gaps
      Canvas canvas(s);
      canvas.pen().style = c.style;
      canvas.SetBkMode(mode);
      canvas.SetBkColor(clWhite);
      canvas.MoveTo(0, 0);
      canvas.LineTo(48, 0);
      const std::string period = c.pattern;
      std::string expected;
      for (int x = 0; x < 48; ++x) {
        const char p = period[static_cast<std::size_t>(x) % period.size()];
        expected.push_back(p == 'X' ? 'X' : mode == bkOpaque ? '.' : 'r');
      }
      expected += std::string(12, 'r') + "\n";
      EXPECT_EQ(Picture(s, {{0, 'X'}, {0x00FF0000, 'r'}}), expected)
          << int(c.style) << " mode " << int(mode);
    }
  }
}

TEST(Lines, DashPhaseRunsOnAcrossLineToAndRestartsAtMoveTo) {
  Surface s = Blank(12, 3);
  Canvas canvas(s);
  canvas.SetBkMode(bkTransparent);
  canvas.pen().style = psDot;
  canvas.MoveTo(0, 0);
  canvas.LineTo(4, 0);
  canvas.LineTo(10, 0);
  canvas.MoveTo(4, 2);
  canvas.LineTo(10, 2);
  EXPECT_EQ(Picture(s, {{0, 'X'}}), Rows({"XXX...XXX...", "............", "....XXX....."}));
}

TEST(Lines, WideDashedPenDrawsSolidCentredOnThePath) {
  Surface s = Blank(12, 7);
  Canvas canvas(s);
  canvas.pen().width = 3;
  canvas.pen().style = psDash;
  canvas.MoveTo(2, 3);
  canvas.LineTo(9, 3);
  EXPECT_EQ(Picture(s, {{0, 'X'}}),
            Rows({"............", "............", ".XXXXXXXXX..", ".XXXXXXXXX..", ".XXXXXXXXX..",
                  "............", "............"}));
}

TEST(Lines, ClearPenAndNoneColourDrawNothing) {
  for (const bool clearStyle : {true, false}) {
    Surface s = Blank(5, 5);
    Canvas canvas(s);
    if (clearStyle)
      canvas.pen().style = psClear;
    else
      canvas.pen().color = clNone;
    canvas.MoveTo(0, 0);
    canvas.LineTo(4, 4);
    EXPECT_EQ(test::Painted(s), 0);
  }
}

TEST(Lines, PolylineLeavesOutOnlyItsLastPoint) {
  Surface s = Blank(5, 4);
  Canvas canvas(s);
  canvas.MoveTo(4, 3);
  const Point pts[] = {{0, 0}, {3, 0}, {3, 2}};
  canvas.Polyline(pts);
  EXPECT_EQ(Picture(s, {{0, 'X'}}), Rows({"XXXX.", "...X.", ".....", "....."}));
  EXPECT_EQ(canvas.PenPos(), (Point{4, 3}));
}

TEST(Lines, ClippedWalkMatchesTheFullWalk) {
  // The same lines drawn whole on a wide surface and through a small window of it.
  struct Case {
    Point from, to;
  };
  const Case cases[] = {{{-1000, 0}, {1000, 7}}, {{1000, 9}, {-1000, 0}},    {{-3, -900}, {4, 900}},
                        {{5, 900}, {-6, -900}},  {{-700, -700}, {700, 700}}, {{-999, 3}, {998, 5}}};
  for (const Case& c : cases) {
    Surface whole = Blank(2100, 2100);
    Canvas wide(whole);
    wide.SetOrigin(1050, 1050);
    wide.pen().style = psDashDot;
    wide.MoveTo(c.from.x, c.from.y);
    wide.LineTo(c.to.x, c.to.y);
    Surface window = Blank(12, 12);
    Canvas narrow(window);
    narrow.SetOrigin(6, 2);
    narrow.pen().style = psDashDot;
    narrow.MoveTo(c.from.x, c.from.y);
    narrow.LineTo(c.to.x, c.to.y);
    int painted = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 12; ++x) {
        ASSERT_EQ(window.pixel(x, y), whole.pixel(x - 6 + 1050, y - 2 + 1050))
            << c.from.x << "," << c.from.y << " at " << x << "," << y;
        painted += window.pixel(x, y) == kBlack;
      }
    EXPECT_GT(painted, 0);
  }
}

TEST(Lines, FarAwayEndPointsFinishQuickly) {
  Surface s = Blank(4, 4);
  Canvas canvas(s);
  canvas.MoveTo(-2000000000, 1);
  canvas.LineTo(2000000000, 2);
  canvas.MoveTo(1, -2147483647);
  canvas.LineTo(1, 2147483647);
  EXPECT_GT(test::Painted(s), 0);
}

}  // namespace
}  // namespace gfx

namespace gfx {
namespace {

TEST(Lines, ExtremeOriginAndPenWidthStayDefined) {
  Surface s = test::Blank(6, 6);
  Canvas canvas(s);
  canvas.SetOrigin(2147483000, -2147483000);
  canvas.MoveTo(2147483000, 0);
  canvas.LineTo(-2147483000, 0);
  canvas.Rectangle(-2147483647, -2147483647, 2147483647, 2147483647);
  canvas.FillRect({2147483600, 2147483600, 2147483647, 2147483647});
  EXPECT_EQ(test::Painted(s), 0) << "lines and outline land far outside; the brush is white";

  canvas.SetOrigin(0, 0);
  canvas.pen().width = 2000000000;  // drawn as the widest pen we allow
  canvas.MoveTo(3, 3);
  canvas.LineTo(4, 3);
  EXPECT_EQ(test::Painted(s), 36);
}

}  // namespace
}  // namespace gfx
