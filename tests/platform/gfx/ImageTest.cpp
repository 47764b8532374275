#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gfx/Image.h"

namespace gfx {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = std::uint8_t(v);
  b[at + 1] = std::uint8_t(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// Builds BMP data: optional file header, a 40-byte info header, palette, then rows
// (already padded) as given.
struct BmpSpec {
  bool fileHeader = true;
  std::int32_t width = 2;
  std::int32_t height = 2;
  std::uint16_t bpp = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  Bytes rows;
};

Bytes MakeBmp(const BmpSpec& layout) {
  const std::size_t header = layout.fileHeader ? 14 : 0;
  const std::size_t paletteAt = header + 40;
  const std::size_t pixelsAt = paletteAt + layout.palette.size() * 4;
  Bytes b(pixelsAt + layout.rows.size(), 0);
  if (layout.fileHeader) {
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, std::uint32_t(b.size()));
    Put32(b, 10, std::uint32_t(pixelsAt));
  }
  Put32(b, header, 40);
  Put32(b, header + 4, std::uint32_t(layout.width));
  Put32(b, header + 8, std::uint32_t(layout.height));
  Put16(b, header + 12, 1);
  Put16(b, header + 14, layout.bpp);
  Put32(b, header + 16, layout.compression);
  Put32(b, header + 32, layout.colorsUsed);
  for (std::size_t i = 0; i < layout.palette.size(); ++i) {
    const std::uint32_t c = layout.palette[i];
    b[paletteAt + i * 4] = std::uint8_t(c);
    b[paletteAt + i * 4 + 1] = std::uint8_t(c >> 8);
    b[paletteAt + i * 4 + 2] = std::uint8_t(c >> 16);
  }
  std::copy(layout.rows.begin(), layout.rows.end(), b.begin() + std::ptrdiff_t(pixelsAt));
  return b;
}

std::vector<Pixel> PixelsOf(const Surface& s) {
  return std::vector<Pixel>(s.pixels(),
                            s.pixels() + std::size_t(s.width()) * std::size_t(s.height()));
}

TEST(Bmp, DecodesEveryDepthAndRowOrder) {
  constexpr Pixel R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF;
  struct Case {
    const char* name;
    BmpSpec layout;
    std::vector<Pixel> expected;  // top row first
  };
  const std::vector<Case> cases = {
      {"24 bpp bottom-up",
       {true,
        2,
        2,
        24,
        0,
        0,
        {},
        {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, /*row 2*/ 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0}},
       {B, W, R, G}},
      {"24 bpp top-down, no file header",
       {false,
        2,
        -2,
        24,
        0,
        0,
        {},
        {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0}},
       {R, G, B, W}},
      {"32 bpp ignores alpha", {true, 1, 1, 32, 0, 0, {}, {0x10, 0x20, 0x30, 0x99}}, {0x302010}},
      {"8 bpp palette", {true, 3, 1, 8, 0, 3, {R, G, B}, {2, 0, 1, 0}}, {B, R, G}},
      {"8 bpp index past the table reads black",
       {true, 2, 1, 8, 0, 2, {R, G}, {1, 7, 0, 0}},
       {G, 0}},
      {"4 bpp nibbles, high first",
       {true, 3, 1, 4, 0, 0, std::vector<std::uint32_t>(16, W), {0x0F, 0x00, 0, 0}},
       {W, W, W}},
      {"1 bpp bits, high first",
       {true, 10, 1, 1, 0, 0, {R, G}, {0xA0, 0x40, 0, 0}},
       {G, R, G, R, R, R, R, R, R, G}},
  };
  for (const Case& c : cases) {
    const Bytes data = MakeBmp(c.layout);
    Surface out;
    ASSERT_TRUE(LoadBmp(data.data(), data.size(), out)) << c.name;
    EXPECT_EQ(PixelsOf(out), c.expected) << c.name;
  }
}

TEST(Bmp, CoreHeaderWithThreeBytePalette) {
  Bytes b = {12,   0, 0,    0,    2, 0, 1, 0, 1, 0, 1, 0,  // 2 x 1, 1 plane, 1 bpp
             0,    0, 0xFF, 0xFF, 0, 0,                    // palette: red, blue
             0x40, 0, 0,    0};
  Surface out;
  ASSERT_TRUE(LoadBmp(b.data(), b.size(), out));
  EXPECT_EQ(PixelsOf(out), (std::vector<Pixel>{0xFF0000, 0x0000FF}));
}

TEST(Bmp, SaveAndLoadRoundTrip) {
  Surface s(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) s.setPixel(x, y, Pixel(x * 0x102030 + y * 0x050607) & 0xFFFFFF);
  const Bytes data = SaveBmp(s);
  Surface back;
  ASSERT_TRUE(LoadBmp(data.data(), data.size(), back));
  EXPECT_TRUE(back == s);
}

TEST(Bmp, MalformedDataIsRejectedWithoutTouchingTheOutput) {
  const Bytes good = MakeBmp({true, 2, 2, 24, 0, 0, {}, Bytes(16, 0x7F)});
  auto with = [&](std::size_t at, std::uint32_t v, int bytes = 4) {
    Bytes b = good;
    if (bytes == 2)
      Put16(b, at, v);
    else
      Put32(b, at, v);
    return b;
  };
  struct Case {
    const char* name;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"signature only", {'B', 'M'}},
      {"file header only", Bytes(good.begin(), good.begin() + 14)},
      {"info header cut", Bytes(good.begin(), good.begin() + 30)},
      {"pixels cut by one byte", Bytes(good.begin(), good.end() - 1)},
      {"header size too small", with(14, 11)},
      {"header size 20", with(14, 20)},
      {"header size past the end", with(14, 0xFFFFFFF0u)},
      {"zero width", with(18, 0)},
      {"negative width", with(18, 0xFFFFFFFEu)},
      {"zero height", with(22, 0)},
      {"most negative height", with(22, 0x80000000u)},
      {"two planes", with(26, 2, 2)},
      {"16 bpp", with(28, 16, 2)},
      {"0 bpp", with(28, 0, 2)},
      {"run-length compressed", with(30, 1)},
      {"bit fields", with(30, 3)},
      {"pixel offset past the end", with(10, 0xFFFFFFFFu)},
      {"pixel offset just short", with(10, std::uint32_t(good.size() - 15))},
      {"huge picture",
       [&] {
         Bytes b = with(18, 100000);
         Put32(b, 22, 100000);
         return b;
       }()},
      {"palette larger than the depth allows",
       MakeBmp({true, 1, 1, 1, 0, 3, {0, 0, 0}, Bytes(4, 0)})},
      {"palette cut",
       [&] {
         Bytes b = MakeBmp({false, 1, 1, 8, 0, 0, {}, {}});
         return b;
       }()},
      {"garbage", Bytes(64, 0xFF)},
  };
  for (const Case& c : cases) {
    Surface out(1, 1);
    out.fill(0x123456);
    EXPECT_FALSE(LoadBmp(c.data.data(), c.data.size(), out)) << c.name;
    EXPECT_EQ(out.width(), 1) << c.name;
    EXPECT_EQ(out.pixel(0, 0), 0x123456u) << c.name;
  }
  Surface out;
  EXPECT_FALSE(LoadBmp(nullptr, 10, out));
}

TEST(Bmp, EveryTruncationOfValidDataFailsCleanly) {
  const Bytes good = MakeBmp({true, 3, 2, 8, 0, 4, {1, 2, 3, 4}, Bytes(8, 1)});
  Surface out;
  ASSERT_TRUE(LoadBmp(good.data(), good.size(), out));
  for (std::size_t n = 0; n < good.size(); ++n) {
    // A copy of exactly n bytes, so a read past the end is caught by the sanitizer.
    const Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(n));
    Surface partial;
    EXPECT_FALSE(LoadBmp(cut.data(), cut.size(), partial)) << n;
  }
}

class Png : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_ = ::testing::TempDir() + "gfx_png_test.png";
};

TEST_F(Png, SaveAndLoadRoundTrip) {
  Surface s(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      s.setPixel(x, y, Pixel(0x112233 * (x + 1) + 0x010101 * y) & 0xFFFFFF);
  ASSERT_TRUE(SavePng(s, path_));
  Surface back;
  ASSERT_TRUE(LoadPng(path_, back));
  EXPECT_TRUE(back == s);

  std::ifstream in(path_, std::ios::binary);
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Surface fromMemory;
  ASSERT_TRUE(LoadPng(bytes.data(), bytes.size(), fromMemory));
  EXPECT_TRUE(fromMemory == s);
  const Bytes cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 2));
  Surface untouched(1, 1);
  EXPECT_FALSE(LoadPng(cut.data(), cut.size(), untouched));
  EXPECT_EQ(untouched.width(), 1);
}

TEST_F(Png, FailuresAreReported) {
  Surface out(1, 1);
  const Bytes garbage(100, 0xAB);
  EXPECT_FALSE(LoadPng(garbage.data(), garbage.size(), out));
  EXPECT_FALSE(LoadPng(nullptr, 0, out));
  EXPECT_FALSE(LoadPng("/nonexistent/dir/none.png", out));
  EXPECT_EQ(out.width(), 1);
  EXPECT_FALSE(SavePng(Surface(), path_));
  EXPECT_FALSE(SavePng(Surface(2, 2), "/nonexistent/dir/out.png"));
}

TEST(SurfaceBasics, ResizeKeepsTheTopLeftAndIgnoresOutsideAccess) {
  Surface s(3, 2);
  s.fill(0x111111);
  s.setPixel(2, 1, 0x222222);
  s.setPixel(3, 0, 0x999999);
  s.setPixel(-1, 0, 0x999999);
  EXPECT_EQ(s.pixel(5, 5), 0u);
  s.resize(4, 3);
  EXPECT_EQ(s.pixel(2, 1), 0x222222u);
  EXPECT_EQ(s.pixel(3, 0), 0u);
  EXPECT_EQ(s.pixel(0, 2), 0u);
  s.resize(-5, 4);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(s.width(), 0);
  EXPECT_EQ(s.height(), 0);
  EXPECT_EQ(s.pixels(), nullptr);
}

}  // namespace
}  // namespace gfx
