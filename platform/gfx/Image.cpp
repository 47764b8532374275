#include "platform/gfx/Image.h"

#include <png.h>

#include <cstring>
#include <limits>

namespace gfx {
namespace {

// Little-endian readers that never read past the end: a short buffer yields nothing.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  std::uint16_t U16(std::size_t at) const {
    return std::uint16_t(data_[at] | (data_[at + 1] << 8));
  }
  std::uint32_t U32(std::size_t at) const {
    return std::uint32_t(data_[at]) | (std::uint32_t(data_[at + 1]) << 8) |
           (std::uint32_t(data_[at + 2]) << 16) | (std::uint32_t(data_[at + 3]) << 24);
  }
  std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
  const std::uint8_t* At(std::size_t at) const { return data_ + at; }
  std::size_t size() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// A picture may be at most this many pixels: glyphs and backgrounds are far smaller,
// and garbage headers must not make us allocate gigabytes.
constexpr std::uint64_t kMaxPixels = 1u << 26;

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;

struct BmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: top-down
  unsigned bpp = 0;
  std::size_t paletteAt = 0;
  std::size_t paletteEntrySize = 4;
  std::size_t paletteCount = 0;
  std::size_t pixelsAt = 0;
  bool pixelsAtKnown = false;
};

bool ReadBmpHeader(const ByteReader& in, BmpLayout& bmp) {
  std::size_t header = 0;
  if (in.Has(0, 2) && in.At(0)[0] == 'B' && in.At(0)[1] == 'M') {
    if (!in.Has(0, 14)) return false;
    bmp.pixelsAt = in.U32(10);
    bmp.pixelsAtKnown = true;
    header = 14;
  }
  if (!in.Has(header, 4)) return false;
  const std::uint32_t headerSize = in.U32(header);
  if (headerSize < kCoreHeaderSize || !in.Has(header, headerSize)) return false;
  unsigned planes = 0;
  if (headerSize == kCoreHeaderSize) {
    bmp.width = in.U16(header + 4);
    bmp.height = in.U16(header + 6);
    planes = in.U16(header + 8);
    bmp.bpp = in.U16(header + 10);
    bmp.paletteEntrySize = 3;
  } else {
    if (headerSize < kInfoHeaderSize) return false;
    bmp.width = in.I32(header + 4);
    bmp.height = in.I32(header + 8);
    planes = in.U16(header + 12);
    bmp.bpp = in.U16(header + 14);
    if (in.U32(header + 16) != kBiRgb) return false;
    bmp.paletteCount = in.U32(header + 32);
  }
  if (planes != 1) return false;
  if (bmp.bpp != 1 && bmp.bpp != 4 && bmp.bpp != 8 && bmp.bpp != 24 && bmp.bpp != 32) return false;
  const std::int64_t rows = bmp.height < 0 ? -bmp.height : bmp.height;
  if (bmp.width <= 0 || rows <= 0) return false;
  if (static_cast<std::uint64_t>(bmp.width) * static_cast<std::uint64_t>(rows) > kMaxPixels)
    return false;
  if (bmp.bpp <= 8) {
    const std::size_t full = std::size_t(1) << bmp.bpp;
    if (bmp.paletteCount == 0) bmp.paletteCount = full;
    if (bmp.paletteCount > full) return false;
  } else {
    bmp.paletteCount = 0;  // a colour table on a true-colour picture is only advice
  }
  bmp.paletteAt = header + headerSize;
  if (!in.Has(bmp.paletteAt, bmp.paletteCount * bmp.paletteEntrySize)) return false;
  if (!bmp.pixelsAtKnown) bmp.pixelsAt = bmp.paletteAt + bmp.paletteCount * bmp.paletteEntrySize;
  return true;
}

Pixel PaletteColor(const ByteReader& in, const BmpLayout& bmp, unsigned index) {
  if (index >= bmp.paletteCount) return 0;  // an index past the table reads as black
  const std::uint8_t* e = in.At(bmp.paletteAt + index * bmp.paletteEntrySize);
  return (Pixel(e[2]) << 16) | (Pixel(e[1]) << 8) | Pixel(e[0]);
}

Pixel BmpPixel(const ByteReader& in, const BmpLayout& bmp, const std::uint8_t* row,
               std::int64_t x) {
  switch (bmp.bpp) {
    case 1:
      return PaletteColor(in, bmp, (row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
      return PaletteColor(in, bmp, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
    case 8:
      return PaletteColor(in, bmp, row[x]);
    case 24: {
      const std::uint8_t* p = row + x * 3;
      return (Pixel(p[2]) << 16) | (Pixel(p[1]) << 8) | Pixel(p[0]);
    }
    default: {
      const std::uint8_t* p = row + x * 4;
      return (Pixel(p[2]) << 16) | (Pixel(p[1]) << 8) | Pixel(p[0]);
    }
  }
}

void PutLE32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// Pixels as packed R, G, B bytes for the PNG writer.
std::vector<std::uint8_t> ToRgbBytes(const Surface& s) {
  std::vector<std::uint8_t> rgb(std::size_t(s.width()) * std::size_t(s.height()) * 3);
  std::size_t i = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      const Pixel p = s.row(y)[x];
      rgb[i++] = std::uint8_t(p >> 16);
      rgb[i++] = std::uint8_t(p >> 8);
      rgb[i++] = std::uint8_t(p);
    }
  return rgb;
}

bool FinishPngRead(png_image& image, Surface& out) {
  image.format = PNG_FORMAT_BGRA;
  if (image.width == 0 || image.height == 0 ||
      std::uint64_t(image.width) * image.height > kMaxPixels ||
      image.width > std::uint32_t(std::numeric_limits<int>::max())) {
    png_image_free(&image);
    return false;
  }
  Surface decoded(static_cast<int>(image.width), static_cast<int>(image.height));
  // BGRA bytes read as a little-endian word are 0xAARRGGBB; the alpha byte is dropped.
  if (!png_image_finish_read(&image, nullptr, decoded.pixels(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  for (int y = 0; y < decoded.height(); ++y)
    for (int x = 0; x < decoded.width(); ++x) decoded.row(y)[x] &= 0x00FFFFFF;
  out = std::move(decoded);
  return true;
}

}  // namespace

bool LoadBmp(const std::uint8_t* data, std::size_t size, Surface& out) {
  if (!data) return false;
  const ByteReader in(data, size);
  BmpLayout bmp;
  if (!ReadBmpHeader(in, bmp)) return false;
  const std::uint64_t stride = ((std::uint64_t(bmp.width) * bmp.bpp + 31) / 32) * 4;
  const std::int64_t rows = bmp.height < 0 ? -bmp.height : bmp.height;
  if (!in.Has(bmp.pixelsAt, stride * std::uint64_t(rows))) return false;
  Surface decoded(static_cast<int>(bmp.width), static_cast<int>(rows));
  for (std::int64_t r = 0; r < rows; ++r) {
    const std::uint8_t* row = in.At(bmp.pixelsAt + std::size_t(stride * std::uint64_t(r)));
    // Rows are stored bottom-up unless the height is negative.
    const int y = static_cast<int>(bmp.height < 0 ? r : rows - 1 - r);
    Pixel* dst = decoded.row(y);
    for (std::int64_t x = 0; x < bmp.width; ++x) dst[x] = BmpPixel(in, bmp, row, x);
  }
  out = std::move(decoded);
  return true;
}

std::vector<std::uint8_t> SaveBmp(const Surface& s) {
  const std::size_t stride = ((std::size_t(s.width()) * 3 + 3) / 4) * 4;
  const std::size_t pixelsAt = 14 + kInfoHeaderSize;
  std::vector<std::uint8_t> out(pixelsAt + stride * std::size_t(s.height()), 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLE32(out, 2, std::uint32_t(out.size()));
  PutLE32(out, 10, std::uint32_t(pixelsAt));
  PutLE32(out, 14, kInfoHeaderSize);
  PutLE32(out, 18, std::uint32_t(s.width()));
  PutLE32(out, 22, std::uint32_t(s.height()));
  out[26] = 1;   // planes
  out[28] = 24;  // bits per pixel
  PutLE32(out, 34, std::uint32_t(stride * std::size_t(s.height())));
  for (int y = 0; y < s.height(); ++y) {
    std::uint8_t* row = out.data() + pixelsAt + stride * std::size_t(s.height() - 1 - y);
    for (int x = 0; x < s.width(); ++x) {
      const Pixel p = s.row(y)[x];
      row[x * 3] = std::uint8_t(p);
      row[x * 3 + 1] = std::uint8_t(p >> 8);
      row[x * 3 + 2] = std::uint8_t(p >> 16);
    }
  }
  return out;
}

bool SavePng(const Surface& s, const std::string& path) {
  if (s.empty()) return false;
  const std::vector<std::uint8_t> rgb = ToRgbBytes(s);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(s.width());
  image.height = static_cast<png_uint_32>(s.height());
  image.format = PNG_FORMAT_RGB;
  const bool ok = png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

bool LoadPng(const std::string& path, Surface& out) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    png_image_free(&image);
    return false;
  }
  return FinishPngRead(image, out);
}

bool LoadPng(const std::uint8_t* data, std::size_t size, Surface& out) {
  if (!data || size == 0) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    png_image_free(&image);
    return false;
  }
  return FinishPngRead(image, out);
}

}  // namespace gfx
