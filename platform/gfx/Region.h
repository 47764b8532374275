// A set of pixels made of rectangles, used for clipping and invalidation.
#pragma once

#include <vector>

#include "platform/gfx/Geometry.h"

namespace gfx {

// A set of pixels held as pairwise disjoint, non-empty rectangles. Operations keep the
// pieces disjoint, so the area is the sum of the pieces' areas.
class Region {
 public:
  // The empty region.
  Region() = default;
  // The pixels of r; empty when r is empty.
  explicit Region(const Rect& r);

  // True when the region holds no pixel.
  bool IsEmpty() const { return rects_.empty(); }
  // The smallest rectangle holding every pixel; all zero when empty.
  Rect BoundingBox() const;
  // True when pixel (x, y) is in the region.
  bool Contains(int x, int y) const;
  // True when some pixel of r is in the region.
  bool Intersects(const Rect& r) const;
  // The number of pixels (64-bit: a region may be large).
  long long Area() const;
  // The disjoint pieces, in no promised order.
  const std::vector<Rect>& Rects() const { return rects_; }

  // Makes the region empty.
  void Clear() { rects_.clear(); }
  // Keeps only the pixels also in other.
  void Intersect(const Region& other);
  // Keeps only the pixels also in r.
  void Intersect(const Rect& r);
  // Removes the pixels of other.
  void Subtract(const Region& other);
  // Removes the pixels of r.
  void Subtract(const Rect& r);
  // Adds the pixels of other.
  void Union(const Region& other);
  // Adds the pixels of r.
  void Union(const Rect& r);
  // Moves every pixel by (dx, dy).
  void Offset(int dx, int dy);

  // Same pixel set (whatever the pieces).
  bool SameAs(const Region& other) const;

 private:
  std::vector<Rect> rects_;
};

}  // namespace gfx
