#include "platform/gfx/Region.h"

#include <algorithm>

namespace gfx {
namespace {

// Appends the parts of a outside b (up to four disjoint bands) to out.
void AppendDifference(const Rect& a, const Rect& b, std::vector<Rect>& out) {
  const Rect overlap = IntersectRect(a, b);
  if (overlap.IsEmpty()) {
    out.push_back(a);
    return;
  }
  if (a.top < overlap.top) out.push_back({a.left, a.top, a.right, overlap.top});
  if (overlap.bottom < a.bottom) out.push_back({a.left, overlap.bottom, a.right, a.bottom});
  if (a.left < overlap.left) out.push_back({a.left, overlap.top, overlap.left, overlap.bottom});
  if (overlap.right < a.right) out.push_back({overlap.right, overlap.top, a.right, overlap.bottom});
}

}  // namespace

Region::Region(const Rect& r) {
  if (!r.IsEmpty()) rects_.push_back(r);
}

Rect Region::BoundingBox() const {
  Rect box;
  for (const Rect& r : rects_) box = UnionRect(box, r);
  return box;
}

bool Region::Contains(int x, int y) const {
  return std::any_of(rects_.begin(), rects_.end(), [&](const Rect& r) { return r.Contains(x, y); });
}

bool Region::Intersects(const Rect& r) const {
  return std::any_of(rects_.begin(), rects_.end(),
                     [&](const Rect& piece) { return !IntersectRect(piece, r).IsEmpty(); });
}

long long Region::Area() const {
  long long area = 0;
  // In 64 bits throughout: a piece may be wider than an int can hold.
  for (const Rect& r : rects_)
    area += (static_cast<long long>(r.right) - r.left) * (static_cast<long long>(r.bottom) - r.top);
  return area;
}

void Region::Intersect(const Region& other) {
  // Both piece sets are disjoint, so the pairwise overlaps are disjoint too.
  std::vector<Rect> kept;
  for (const Rect& a : rects_)
    for (const Rect& b : other.rects_) {
      const Rect overlap = IntersectRect(a, b);
      if (!overlap.IsEmpty()) kept.push_back(overlap);
    }
  rects_ = std::move(kept);
}

void Region::Intersect(const Rect& r) { Intersect(Region(r)); }

void Region::Subtract(const Rect& r) {
  if (r.IsEmpty()) return;
  std::vector<Rect> kept;
  kept.reserve(rects_.size() + 3);
  for (const Rect& a : rects_) AppendDifference(a, r, kept);
  rects_ = std::move(kept);
}

void Region::Subtract(const Region& other) {
  for (const Rect& r : other.rects_) Subtract(r);
}

void Region::Union(const Region& other) {
  // Adding only what is not there yet keeps the pieces disjoint.
  Region added = other;
  added.Subtract(*this);
  rects_.insert(rects_.end(), added.rects_.begin(), added.rects_.end());
}

void Region::Union(const Rect& r) { Union(Region(r)); }

void Region::Offset(int dx, int dy) {
  for (Rect& r : rects_) r = r.Offset(dx, dy);
}

bool Region::SameAs(const Region& other) const {
  Region a = *this;
  a.Subtract(other);
  Region b = other;
  b.Subtract(*this);
  return a.IsEmpty() && b.IsEmpty();
}

}  // namespace gfx
