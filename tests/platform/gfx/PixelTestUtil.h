// Helpers for the pixel tests: small surfaces and pictures of them as text.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/gfx/Surface.h"

namespace gfx::test {

constexpr Pixel kWhite = 0x00FFFFFF;

// A w x h surface filled with white.
inline Surface Blank(int w, int h) {
  Surface s(w, h);
  s.fill(kWhite);
  return s;
}

// The surface as rows of characters: each pixel looked up in legend (pixel -> char),
// '?' for a pixel not in it. White is '.' unless the legend says otherwise.
inline std::string Picture(const Surface& s, std::map<Pixel, char> legend) {
  legend.emplace(kWhite, '.');
  std::string out;
  for (int y = 0; y < s.height(); ++y) {
    for (int x = 0; x < s.width(); ++x) {
      const auto it = legend.find(s.pixel(x, y));
      out.push_back(it == legend.end() ? '?' : it->second);
    }
    out.push_back('\n');
  }
  return out;
}

// Rows joined with newlines, for writing expected pictures one row a line.
inline std::string Rows(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) out += std::string(r) + "\n";
  return out;
}

// Number of pixels that are not white.
inline int Painted(const Surface& s) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) != kWhite;
  return n;
}

}  // namespace gfx::test
