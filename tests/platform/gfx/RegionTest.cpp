#include <gtest/gtest.h>

#include <vector>

#include "platform/gfx/Region.h"

namespace gfx {
namespace {

// Pixel-by-pixel model of a region on a small grid, to check the rectangle algebra.
using Grid = std::vector<std::vector<bool>>;
constexpr int kGrid = 24;

Grid ToGrid(const Region& r) {
  Grid g(kGrid, std::vector<bool>(kGrid, false));
  for (int y = 0; y < kGrid; ++y)
    for (int x = 0; x < kGrid; ++x) g[y][x] = r.Contains(x, y);
  return g;
}

Grid RectGrid(const Rect& rc) { return ToGrid(Region(rc)); }

void ExpectWellFormed(const Region& region) {
  const Rect box = region.BoundingBox();
  long long sum = 0;
  const auto& pieces = region.Rects();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_FALSE(pieces[i].IsEmpty());
    EXPECT_EQ(IntersectRect(pieces[i], box), pieces[i]) << "piece outside the bounds";
    for (std::size_t j = i + 1; j < pieces.size(); ++j)
      EXPECT_TRUE(IntersectRect(pieces[i], pieces[j]).IsEmpty()) << "overlapping pieces";
    sum += static_cast<long long>(pieces[i].Width()) * pieces[i].Height();
  }
  EXPECT_EQ(region.Area(), sum);
  long long counted = 0;
  for (const auto& row : ToGrid(region))
    for (bool in : row) counted += in;
  EXPECT_EQ(counted, region.Area());
}

struct Op {
  char kind;  // '&' intersect, '-' subtract, '|' union
  Rect rect;
};

TEST(Region, AlgebraMatchesAPixelModel) {
  const std::vector<std::vector<Op>> scripts = {
      {{'|', {2, 2, 10, 10}}, {'-', {4, 4, 6, 6}}},  // a hole
      {{'|', {0, 0, 20, 20}}, {'-', {5, 0, 10, 20}}, {'&', {3, 3, 17, 17}}},
      {{'|', {1, 1, 5, 5}}, {'|', {3, 3, 8, 8}}, {'|', {2, 2, 4, 4}}},  // overlapping adds
      {{'|', {0, 0, 10, 10}}, {'-', {0, 0, 10, 10}}},                   // to nothing
      {{'|', {5, 5, 6, 6}}, {'&', {6, 6, 7, 7}}},                       // disjoint intersect
      {{'|', {0, 0, 8, 3}}, {'|', {0, 3, 8, 6}}, {'-', {2, 1, 6, 5}}, {'|', {3, 2, 4, 4}}},
      {{'|', {4, 4, 4, 9}}, {'|', {9, 9, 3, 3}}},  // empty inputs
  };
  for (std::size_t s = 0; s < scripts.size(); ++s) {
    Region region;
    Grid model(kGrid, std::vector<bool>(kGrid, false));
    for (const Op& op : scripts[s]) {
      const Grid piece = RectGrid(op.rect);
      for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x) {
          const bool a = model[y][x], b = piece[y][x];
          model[y][x] = op.kind == '&' ? (a && b) : op.kind == '-' ? (a && !b) : (a || b);
        }
      if (op.kind == '&') region.Intersect(op.rect);
      if (op.kind == '-') region.Subtract(op.rect);
      if (op.kind == '|') region.Union(op.rect);
      ExpectWellFormed(region);
      EXPECT_EQ(ToGrid(region), model) << "script " << s;
    }
  }
}

TEST(Region, RegionOperandsAndQueries) {
  Region frame(Rect{0, 0, 10, 10});
  frame.Subtract(Rect{1, 1, 9, 9});
  EXPECT_EQ(frame.Area(), 100 - 64);
  EXPECT_EQ(frame.BoundingBox(), (Rect{0, 0, 10, 10}));
  EXPECT_TRUE(frame.Contains(0, 5));
  EXPECT_FALSE(frame.Contains(5, 5));
  EXPECT_FALSE(frame.Contains(10, 0)) << "right edge is outside";
  EXPECT_TRUE(frame.Intersects({8, 8, 12, 12}));
  EXPECT_FALSE(frame.Intersects({2, 2, 8, 8}));

  Region other(Rect{5, 5, 15, 15});
  Region both = frame;
  both.Intersect(other);
  ExpectWellFormed(both);
  EXPECT_EQ(both.Area(), 9);  // column 9 and row 9 of the 5 x 5 overlap, corner once

  Region joined = frame;
  joined.Union(other);
  ExpectWellFormed(joined);
  EXPECT_EQ(joined.Area(), frame.Area() + other.Area() - both.Area());

  Region moved = frame;
  moved.Offset(3, -2);
  EXPECT_EQ(moved.Area(), frame.Area());
  EXPECT_TRUE(moved.Contains(3, -2));
  EXPECT_FALSE(moved.Contains(0, 0));

  Region rebuilt;
  for (const Rect& r : frame.Rects()) rebuilt.Union(r);
  EXPECT_TRUE(rebuilt.SameAs(frame));
  EXPECT_FALSE(rebuilt.SameAs(other));

  Region empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.BoundingBox(), Rect{});
  EXPECT_TRUE(Region(Rect{5, 5, 5, 10}).IsEmpty());
}

TEST(Region, LargeCoordinatesDoNotOverflowTheArea) {
  // Wider than a 32-bit int can count.
  Region huge(Rect{-1500000000, -1500000000, 1500000000, 1500000000});
  EXPECT_EQ(huge.Area(), 3000000000LL * 3000000000LL);
  huge.Subtract(Rect{0, 0, 1, 1});
  EXPECT_EQ(huge.Area(), 3000000000LL * 3000000000LL - 1);
}

}  // namespace
}  // namespace gfx
