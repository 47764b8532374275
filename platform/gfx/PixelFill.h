// Internal to the canvas layer: the one routine that sets a run of pixels.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/gfx/Color.h"

namespace gfx::detail {

// Sets count pixels from first to value. A plain loop over 32-bit words is several
// times slower than the C library's block fill, so the run is built by doubling
// copies (or one memset when all four bytes agree).
inline void FillPixels(Pixel* first, std::size_t count, Pixel value) {
  if (count == 0) return;
  const unsigned char b = static_cast<unsigned char>(value);
  if (value == b * 0x01010101u) {
    std::memset(first, b, count * sizeof(Pixel));
    return;
  }
  const std::size_t seed = count < 16 ? count : 16;
  for (std::size_t i = 0; i < seed; ++i) first[i] = value;
  std::size_t done = seed;
  while (done < count) {
    const std::size_t chunk = done < count - done ? done : count - done;
    std::memcpy(first + done, first, chunk * sizeof(Pixel));
    done += chunk;
  }
}

}  // namespace gfx::detail
