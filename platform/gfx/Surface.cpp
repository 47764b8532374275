#include "platform/gfx/Surface.h"

#include <algorithm>

#include "platform/gfx/PixelFill.h"

namespace gfx {

Surface::Surface(int w, int h) { resize(w, h); }

Pixel Surface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return row(y)[x];
}

void Surface::setPixel(int x, int y, Pixel p) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  row(y)[x] = p;
}

void Surface::resize(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == 0 || h == 0) w = h = 0;
  if (w == width_ && h == height_) return;
  std::vector<Pixel> next(std::size_t(w) * std::size_t(h), 0);
  const int keepW = std::min(w, width_);
  const int keepH = std::min(h, height_);
  for (int y = 0; y < keepH; ++y)
    std::copy_n(row(y), keepW, next.data() + std::size_t(y) * std::size_t(w));
  pixels_ = std::move(next);
  width_ = w;
  height_ = h;
}

void Surface::fill(Pixel p) { detail::FillPixels(pixels_.data(), pixels_.size(), p); }

void Surface::fillRect(const Rect& r, Pixel p) {
  const Rect c = IntersectRect(r, bounds());
  for (int y = c.top; y < c.bottom; ++y)
    detail::FillPixels(row(y) + c.left, std::size_t(c.right - c.left), p);
}

}  // namespace gfx
