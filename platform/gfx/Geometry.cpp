#include "platform/gfx/Geometry.h"

#include <algorithm>
#include <cstdlib>

namespace gfx {

Rect IntersectRect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return r.IsEmpty() ? Rect{} : r;
}

Rect UnionRect(const Rect& a, const Rect& b) {
  if (a.IsEmpty()) return b.IsEmpty() ? Rect{} : b;
  if (b.IsEmpty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long product = static_cast<long long>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const unsigned long long magnitude = product < 0 ? 0ULL - static_cast<unsigned long long>(product)
                                                   : static_cast<unsigned long long>(product);
  const unsigned long long divisor =
      c < 0 ? 0ULL - static_cast<unsigned long long>(c) : static_cast<unsigned long long>(c);
  // Adding half the divisor before truncating rounds halves away from zero.
  const unsigned long long quotient = (magnitude + divisor / 2) / divisor;
  if (quotient > (negative ? 2147483648ULL : 2147483647ULL)) return -1;
  return negative ? static_cast<int>(-static_cast<long long>(quotient))
                  : static_cast<int>(quotient);
}

}  // namespace gfx
