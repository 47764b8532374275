// Any bytes as a picture: the BMP reader (with and without the file header) and the PNG reader
// from memory. What must hold whatever the input:
//   - a failed read leaves the target surface as it was;
//   - a picture read is not empty and its pixels carry no alpha byte;
//   - a BMP read and written back (SaveBmp) reads again to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/gfx/Image.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_bmp: %s\n", what);
  std::abort();
}

// A surface that no reader makes from our inputs: a failed read must leave it exactly so.
gfx::Surface Marker() {
  gfx::Surface s(3, 2);
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, gfx::Pixel(0xFF000000u | unsigned(y * 3 + x)));
  return s;
}

void CheckPicture(const gfx::Surface& s, const char* reader) {
  Require(!s.empty() && s.width() > 0 && s.height() > 0, reader);
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) Require((s.row(y)[x] >> 24) == 0, "pixel with an alpha byte");
}

void CheckBmp(const uint8_t* data, size_t size) {
  gfx::Surface out = Marker();
  if (!gfx::LoadBmp(data, size, out)) {
    Require(out == Marker(), "failed BMP read changed the surface");
    return;
  }
  CheckPicture(out, "BMP read gave an empty picture");
  const std::vector<uint8_t> saved = gfx::SaveBmp(out);
  gfx::Surface again;
  Require(gfx::LoadBmp(saved.data(), saved.size(), again), "written BMP does not read back");
  Require(again == out, "BMP written and read back differs");
}

void CheckPng(const uint8_t* data, size_t size) {
  gfx::Surface out = Marker();
  if (!gfx::LoadPng(data, size, out)) {
    Require(out == Marker(), "failed PNG read changed the surface");
    return;
  }
  CheckPicture(out, "PNG read gave an empty picture");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckBmp(data, size);
  CheckPng(data, size);
  return 0;
}
