// Plain geometry records shared by the canvas, the regions and the window system.
#pragma once

#include <cstdint>

namespace gfx {

// A point in pixels; layout-compatible with the desktop's POINT.
struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A width and a height in pixels; layout-compatible with the desktop's SIZE.
struct Size {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Columns left..right-1 and rows top..bottom-1; layout-compatible with the desktop's RECT.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  // Columns covered (0 or more; an inverted rectangle covers none). Only for rectangles
  // narrower than 2^31 pixels: wider ones do not fit the result.
  constexpr std::int32_t Width() const { return right > left ? right - left : 0; }
  // Rows covered (0 or more).
  constexpr std::int32_t Height() const { return bottom > top ? bottom - top : 0; }
  // True when the rectangle covers no pixel.
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  // True when pixel (x, y) lies inside (left/top inclusive, right/bottom exclusive).
  constexpr bool Contains(std::int32_t x, std::int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  // The rectangle moved by (dx, dy).
  constexpr Rect Offset(std::int32_t dx, std::int32_t dy) const {
    return {left + dx, top + dy, right + dx, bottom + dy};
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The common part of a and b; empty (all zero) when they do not overlap.
Rect IntersectRect(const Rect& a, const Rect& b);

// The smallest rectangle holding both; an empty operand is ignored.
Rect UnionRect(const Rect& a, const Rect& b);

// a*b/c with a 64-bit product, rounded to nearest with halves away from zero;
// -1 when c is 0 or the result does not fit in 32 bits.
int MulDiv(int a, int b, int c);

}  // namespace gfx
