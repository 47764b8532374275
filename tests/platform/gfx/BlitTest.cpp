#include <gtest/gtest.h>

#include "platform/gfx/Canvas.h"
#include "tests/platform/gfx/PixelTestUtil.h"

namespace gfx {
namespace {

using test::Blank;
using test::Picture;
using test::Rows;

// A 3 x 2 source: a b c / d e f, with e in the key colour magenta.
constexpr Pixel kA = 0x000001, kB = 0x000002, kC = 0x000003, kD = 0x000004, kF = 0x000006;
constexpr Pixel kKey = 0xFF00FF;
const std::map<Pixel, char> kLegend = {{kA, 'a'}, {kB, 'b'},   {kC, 'c'},
                                       {kD, 'd'}, {kKey, 'e'}, {kF, 'f'}};

Surface Source() {
  Surface s(3, 2);
  const Pixel px[] = {kA, kB, kC, kD, kKey, kF};
  for (int i = 0; i < 6; ++i) s.setPixel(i % 3, i / 3, px[i]);
  return s;
}

TEST(Blits, BlockCopyIsClippedOnBothSides) {
  struct Case {
    const char* name;
    int x, y, w, h, sx, sy;
    std::string picture;
  };
  const Case cases[] = {
      {"whole", 1, 1, 3, 2, 0, 0, Rows({".....", ".abc.", ".def.", "....."})},
      {"part", 0, 0, 2, 1, 1, 1, Rows({"ef...", ".....", ".....", "....."})},
      {"past the source", 2, 2, 5, 5, 1, 0, Rows({".....", ".....", "..bc.", "..ef."})},
      {"source offset negative", 0, 0, 2, 2, -1, 0, Rows({".a...", ".d...", ".....", "....."})},
      {"past the surface", 3, 3, 3, 2, 0, 0, Rows({".....", ".....", ".....", "...ab"})},
      {"empty", 1, 1, 0, 2, 0, 0, Rows({".....", ".....", ".....", "....."})},
  };
  const Surface src = Source();
  for (const Case& c : cases) {
    Surface s = Blank(5, 4);
    Canvas canvas(s);
    canvas.BitBlt(c.x, c.y, c.w, c.h, src, c.sx, c.sy);
    EXPECT_EQ(Picture(s, kLegend), c.picture) << c.name;
  }
}

TEST(Blits, ClipRegionAndOriginApply) {
  Surface s = Blank(5, 3);
  Canvas canvas(s);
  canvas.SetOrigin(1, 0);
  canvas.SetClipRegion(Region(Rect{0, 0, 3, 3}));  // device columns 0..2
  canvas.Draw(0, 0, Source());
  EXPECT_EQ(Picture(s, kLegend), Rows({".ab..", ".de..", "....."}));
}

TEST(Blits, StretchUsesNearestNeighbour) {
  Surface s = Blank(6, 4);
  Canvas canvas(s);
  canvas.StretchBlt({0, 0, 6, 4}, Source(), {0, 0, 3, 2});
  EXPECT_EQ(Picture(s, kLegend), Rows({"aabbcc", "aabbcc", "ddeeff", "ddeeff"}));

  Surface small = Blank(2, 1);
  Canvas shrink(small);
  shrink.StretchBlt({0, 0, 2, 1}, Source(), {0, 0, 3, 2});  // columns 0 and 1 (floor(1*3/2))
  EXPECT_EQ(Picture(small, kLegend), Rows({"ab"}));

  Surface none = Blank(2, 2);
  Canvas mirrored(none);
  mirrored.StretchBlt({2, 0, 0, 2}, Source(), {0, 0, 3, 2});  // negative extents: no copy
  EXPECT_EQ(test::Painted(none), 0);
}

TEST(Blits, TransparentCopyLeavesOutTheKeyColour) {
  Surface s = Blank(6, 4);
  Canvas canvas(s);
  canvas.TransparentBlt({0, 0, 3, 2}, Source(), {0, 0, 3, 2}, TColor(RGB(255, 0, 255)));
  canvas.TransparentBlt({0, 2, 6, 4}, Source(), {0, 0, 3, 2}, clFuchsia);
  EXPECT_EQ(Picture(s, kLegend), Rows({"abc...", "d.f...", "aabbcc", "dd..ff"}));
  canvas.TransparentBlt({3, 0, 6, 2}, Source(), {0, 0, 3, 2}, clNone);  // no key: all copied
  EXPECT_EQ(Picture(s, kLegend), Rows({"abcabc", "d.fdef", "aabbcc", "dd..ff"}));
}

TEST(Blits, CopyWithinOneSurfaceReadsTheOriginal) {
  Surface s = Blank(4, 1);
  s.setPixel(0, 0, kA);
  s.setPixel(1, 0, kB);
  Canvas canvas(s);
  canvas.BitBlt(1, 0, 3, 1, s, 0, 0);  // overlapping shift right
  EXPECT_EQ(Picture(s, kLegend), Rows({"aab."}));
}

TEST(Blits, HugeDestinationCostsOnlyItsVisiblePart) {
  Surface s = Blank(3, 2);
  Canvas canvas(s);
  canvas.StretchBlt({-1000000000, -1000000000, 1000000000, 1000000000}, Source(), {0, 0, 3, 2});
  // Both rows and all columns sit at the middle of the mapping: source (1, 1).
  EXPECT_EQ(Picture(s, kLegend), Rows({"eee", "eee"}));
}

}  // namespace
}  // namespace gfx
