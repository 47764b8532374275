#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"
#include "tests/platform/gfx/PixelTestUtil.h"

namespace gfx {
namespace {

using test::Blank;
using test::Picture;
using test::Rows;

constexpr Pixel kPen = 0x000000;    // black
constexpr Pixel kBrush = 0xFF0000;  // red (0x00RRGGBB)
const std::map<Pixel, char> kLegend = {{kPen, 'P'}, {kBrush, 'B'}};

Canvas& Prepare(Canvas& canvas) {
  canvas.pen().color = clBlack;
  canvas.brush().color = clRed;
  return canvas;
}

TEST(Shapes, RectangleExcludesRightAndBottomEdges) {
  struct Case {
    const char* name;
    TPenStyle pen;
    TBrushStyle brush;
    std::string picture;
  };
  const Case cases[] = {
      {"pen and brush", psSolid, bsSolid, Rows({"PPPP.", "PBBP.", "PPPP.", "....."})},
      {"clear pen", psClear, bsSolid, Rows({"BBB..", "BBB..", ".....", "....."})},
      {"clear brush", psSolid, bsClear, Rows({"PPPP.", "P..P.", "PPPP.", "....."})},
  };
  for (const Case& c : cases) {
    Surface s = Blank(5, 4);
    Canvas canvas(s);
    Prepare(canvas);
    canvas.pen().style = c.pen;
    canvas.brush().style = c.brush;
    canvas.MoveTo(3, 3);
    canvas.Rectangle(0, 0, 4, 3);
    EXPECT_EQ(Picture(s, kLegend), c.picture) << c.name;
    EXPECT_EQ(canvas.PenPos(), (Point{3, 3})) << "Rectangle must not move the pen";
  }
}

TEST(Shapes, RectangleCornerCasesAndWidePens) {
  struct Case {
    const char* name;
    Rect r;
    int width;
    TPenStyle style;
    std::string picture;
  };
  const Case cases[] = {
      {"inverted corners",
       {4, 3, 0, 0},
       1,
       psSolid,
       Rows({"PPPP...", "PBBP...", "PPPP...", ".......", ".......", ".......", "......."})},
      {"one column",
       {1, 1, 2, 4},
       1,
       psSolid,
       Rows({".......", ".P.....", ".P.....", ".P.....", ".......", ".......", "......."})},
      {"one pixel",
       {2, 2, 3, 3},
       1,
       psSolid,
       Rows({".......", ".......", "..P....", ".......", ".......", ".......", "......."})},
      {"empty",
       {2, 2, 2, 5},
       1,
       psSolid,
       Rows({".......", ".......", ".......", ".......", ".......", ".......", "......."})},
      {"3 px centred",
       {1, 1, 6, 6},
       3,
       psSolid,
       Rows({"PPPPPPP", "PPPPPPP", "PPPPPPP", "PPPBPPP", "PPPPPPP", "PPPPPPP", "PPPPPPP"})},
      {"3 px inside",
       {0, 0, 7, 7},
       3,
       psInsideFrame,
       Rows({"PPPPPPP", "PPPPPPP", "PPPPPPP", "PPPBPPP", "PPPPPPP", "PPPPPPP", "PPPPPPP"})},
  };
  for (const Case& c : cases) {
    Surface s = Blank(7, 7);
    Canvas canvas(s);
    Prepare(canvas);
    canvas.pen().width = c.width;
    canvas.pen().style = c.style;
    canvas.Rectangle(c.r);
    EXPECT_EQ(Picture(s, kLegend), c.picture) << c.name;
  }
}

TEST(Shapes, InsideFrameKeepsAWidePenWithinTheBox) {
  // A 3-pixel pen on Rectangle(10,10,20,20): centred it reaches 9..20, inside it stays
  // within 10..19.
  for (const TPenStyle style : {psSolid, psInsideFrame}) {
    Surface s = Blank(30, 30);
    Canvas canvas(s);
    Prepare(canvas);
    canvas.pen().width = 3;
    canvas.pen().style = style;
    canvas.Rectangle(10, 10, 20, 20);
    const Rect expected = style == psSolid ? Rect{9, 9, 21, 21} : Rect{10, 10, 20, 20};
    Rect painted{30, 30, 0, 0};
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x)
        if (s.pixel(x, y) != test::kWhite) {
          painted.left = std::min(painted.left, x);
          painted.top = std::min(painted.top, y);
          painted.right = std::max(painted.right, x + 1);
          painted.bottom = std::max(painted.bottom, y + 1);
        }
    EXPECT_EQ(painted, expected) << int(style);
    const int inner = style == psSolid ? 12 : 13;  // first brush column
    EXPECT_EQ(s.pixel(inner, 15), kBrush);
    EXPECT_EQ(s.pixel(inner - 1, 15), kPen);
  }
}

TEST(Shapes, FillRectAndFrameRect) {
  Surface s = Blank(6, 5);
  Canvas canvas(s);
  Prepare(canvas);
  canvas.FillRect({0, 0, 4, 3});
  EXPECT_EQ(test::Painted(s), 12);
  EXPECT_EQ(Picture(s, kLegend), Rows({"BBBB..", "BBBB..", "BBBB..", "......", "......"}));

  s.fill(test::kWhite);
  canvas.brush().color = clBlack;
  canvas.FrameRect({0, 0, 4, 3});
  EXPECT_EQ(Picture(s, kLegend), Rows({"PPPP..", "P..P..", "PPPP..", "......", "......"}));

  s.fill(test::kWhite);
  canvas.FillRect({3, 3, 3, 5});  // zero width
  canvas.FillRect({5, 4, 2, 1});  // inverted
  canvas.brush().style = bsClear;
  canvas.FillRect({0, 0, 6, 5});  // clear brush
  canvas.FrameRect({0, 0, 6, 5});
  canvas.FillRect({4, 3, 9, 9}, clRed);  // explicit colour, clipped to the surface
  EXPECT_EQ(Picture(s, kLegend), Rows({"......", "......", "......", "....BB", "....BB"}));
}

TEST(Shapes, FillRespectsClipAndOrigin) {
  Surface s = Blank(6, 4);
  Canvas canvas(s);
  Prepare(canvas);
  Region clip(Rect{0, 0, 6, 4});
  clip.Subtract(Rect{2, 1, 4, 3});
  canvas.SetClipRegion(clip);
  canvas.SetOrigin(1, 0);
  canvas.FillRect({0, 0, 4, 4});
  EXPECT_EQ(Picture(s, kLegend), Rows({".BBBB.", ".B..B.", ".B..B.", ".BBBB."}));
  canvas.ClearClipRegion();
  canvas.FillRect({1, 1, 3, 3});
  EXPECT_EQ(Picture(s, kLegend), Rows({".BBBB.", ".BBBB.", ".BBBB.", ".BBBB."}));
}

TEST(Shapes, StateGuardRestoresEverything) {
  Surface s = Blank(8, 8);
  Canvas canvas(s);
  canvas.SetClipRegion(Region(Rect{0, 0, 4, 4}));
  canvas.MoveTo(1, 1);
  {
    Canvas::StateGuard guard(canvas);
    canvas.pen() = Pen{clRed, 3, psDash, pmXor};
    canvas.brush().style = bsClear;
    canvas.font().height = -20;
    canvas.SetBkMode(bkTransparent);
    canvas.SetTextColor(clBlue);
    canvas.SetOrigin(3, 3);
    canvas.ClearClipRegion();
    canvas.MoveTo(5, 5);
  }
  EXPECT_EQ(canvas.pen(), Pen{});
  EXPECT_EQ(canvas.brush(), Brush{});
  EXPECT_EQ(canvas.font(), Font{});
  EXPECT_EQ(canvas.GetBkMode(), bkOpaque);
  EXPECT_EQ(canvas.GetTextColor(), clBlack);
  EXPECT_EQ(canvas.Origin(), (Point{0, 0}));
  EXPECT_EQ(canvas.PenPos(), (Point{1, 1}));
  EXPECT_TRUE(canvas.ClipRegion().SameAs(Region(Rect{0, 0, 4, 4})));
  canvas.FillRect({0, 0, 8, 8}, clBlack);
  EXPECT_EQ(test::Painted(s), 16);
}

TEST(Shapes, ClipFollowsTheSurfaceSize) {
  Surface s = Blank(4, 4);
  Canvas canvas(s);
  s.resize(8, 2);
  s.fill(test::kWhite);
  canvas.FillRect({0, 0, 100, 100}, clBlack);
  EXPECT_EQ(test::Painted(s), 16);
  canvas.IntersectClipRect({1, 0, 3, 2});
  canvas.ExcludeClipRect({2, 0, 3, 1});
  s.fill(test::kWhite);
  canvas.FillRect({0, 0, 8, 2}, clBlack);
  EXPECT_EQ(Picture(s, {{0, 'X'}}), Rows({".X......", ".XX....."}));
}

TEST(Polygons, TriangleWithPenAndWithClearPen) {
  const Point triangle[] = {{0, 0}, {4, 0}, {0, 4}};
  struct Case {
    TPenStyle pen;
    std::string picture;
  };
  const Case cases[] = {
      {psSolid, Rows({"PPPPP.", "PBBP..", "PBP...", "PP....", "P.....", "......"})},
      {psClear, Rows({"BBBB..", "BBB...", "BB....", "B.....", "......", "......"})},
  };
  for (const Case& c : cases) {
    Surface s = Blank(6, 6);
    Canvas canvas(s);
    Prepare(canvas);
    canvas.pen().style = c.pen;
    canvas.Polygon(triangle);
    EXPECT_EQ(Picture(s, kLegend), c.picture) << int(c.pen);
  }
}

TEST(Polygons, FillFollowsTheTopLeftRule) {
  struct Case {
    std::vector<Point> points;
    int pixels;
  };
  const Case cases[] = {
      {{{0, 0}, {5, 0}, {5, 5}}, 15},         {{{0, 5}, {0, 0}, {5, 5}}, 10},
      {{{1, 1}, {6, 1}, {6, 4}, {1, 4}}, 15},                         // an axis-aligned box: 5 x 3
      {{{2, 2}, {2, 2}, {2, 2}}, 0},          {{{0, 0}, {5, 5}}, 0},  // two points: nothing to fill
  };
  for (const Case& c : cases) {
    Surface s = Blank(8, 8);
    Canvas canvas(s);
    Prepare(canvas);
    canvas.pen().style = psClear;
    canvas.Polygon(c.points);
    EXPECT_EQ(test::Painted(s), c.pixels) << c.points.size() << " points from " << c.points[0].x;
  }
}

TEST(Polygons, AlternateRuleLeavesNestedSameDirectionSquaresHollow) {
  // Outer square, back to the start, then the inner square in the same direction.
  const Point pts[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0},
                       {3, 3}, {7, 3},  {7, 7},   {3, 7},  {3, 3}};
  Surface s = Blank(12, 12);
  Canvas canvas(s);
  Prepare(canvas);
  canvas.pen().style = psClear;
  canvas.Polygon(pts);
  EXPECT_EQ(s.pixel(5, 5), test::kWhite) << "inner square is a hole";
  EXPECT_EQ(s.pixel(1, 5), kBrush);
  EXPECT_EQ(s.pixel(8, 8), kBrush);
  EXPECT_EQ(test::Painted(s), 100 - 16);
}

TEST(Polygons, StarCentreStaysEmpty) {
  const Point star[] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  Surface s = Blank(100, 100);
  Canvas canvas(s);
  Prepare(canvas);
  canvas.pen().style = psClear;
  canvas.Polygon(star);
  EXPECT_EQ(s.pixel(50, 50), test::kWhite);
  EXPECT_EQ(s.pixel(50, 10), kBrush);  // top point
  EXPECT_EQ(s.pixel(10, 37), kBrush);  // left point
}

TEST(Polygons, HugeCoordinatesAreClippedWithoutOverflow) {
  const Point pts[] = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {0, 2000000000}};
  Surface s = Blank(4, 4);
  Canvas canvas(s);
  Prepare(canvas);
  canvas.Polygon(pts);
  EXPECT_EQ(test::Painted(s), 16);
}

TEST(Ellipses, SymmetricAndInsideTheBox) {
  Surface s = Blank(12, 10);
  Canvas canvas(s);
  Prepare(canvas);
  canvas.Ellipse(1, 1, 11, 9);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inBox = x >= 1 && x < 11 && y >= 1 && y < 9;
      if (!inBox) {
        EXPECT_EQ(s.pixel(x, y), test::kWhite) << x << "," << y;
      }
      EXPECT_EQ(s.pixel(x, y), s.pixel(11 - x, y)) << "mirror x at " << x << "," << y;
      EXPECT_EQ(s.pixel(x, y), s.pixel(x, 9 - y)) << "mirror y at " << x << "," << y;
    }
  EXPECT_EQ(s.pixel(1, 4), kPen);
  EXPECT_EQ(s.pixel(5, 1), kPen);
  EXPECT_EQ(s.pixel(5, 4), kBrush);
  EXPECT_EQ(s.pixel(1, 1), test::kWhite) << "corner of the box is outside the ellipse";
}

}  // namespace
}  // namespace gfx
