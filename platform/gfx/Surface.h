// A 32-bit pixel buffer: the back buffer of a window, a bitmap, a glyph picture.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"

namespace gfx {

// Row-major pixels, row 0 at the top, stride == width. Each pixel is one uint32_t
// 0x00RRGGBB (Pixel; bytes B, G, R, 0 in memory). Note this is NOT COLORREF order: use
// ColorRefToPixel / PixelToColorRef. A surface of width or height 0 holds no pixels.
class Surface {
 public:
  // An empty 0 x 0 surface.
  Surface() = default;
  // A w x h surface filled with 0 (black); negative sizes are taken as 0.
  Surface(int w, int h);

  int width() const { return width_; }
  int height() const { return height_; }
  // Bounds {0, 0, width, height}.
  Rect bounds() const { return {0, 0, width_, height_}; }
  // True when the surface holds no pixel.
  bool empty() const { return pixels_.empty(); }

  // The first pixel of the first row; nullptr when empty.
  Pixel* pixels() { return pixels_.empty() ? nullptr : pixels_.data(); }
  const Pixel* pixels() const { return pixels_.empty() ? nullptr : pixels_.data(); }
  // The first pixel of row y (0 <= y < height, unchecked).
  Pixel* row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
  const Pixel* row(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }

  // The pixel at (x, y); 0 when outside.
  Pixel pixel(int x, int y) const;
  // Sets the pixel at (x, y); ignored when outside.
  void setPixel(int x, int y, Pixel p);

  // Changes the size; the kept top-left part keeps its pixels, new pixels are 0.
  void resize(int w, int h);
  // Sets every pixel to p.
  void fill(Pixel p);
  // Sets the pixels of r (clipped to the bounds) to p.
  void fillRect(const Rect& r, Pixel p);

  friend bool operator==(const Surface&, const Surface&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace gfx
