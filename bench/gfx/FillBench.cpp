// Filling a window-sized back buffer through the canvas against memset of its bytes.
#include <cstring>

#include "bench/gfx/RatioReporter.h"
#include "platform/gfx/Canvas.h"

namespace {

constexpr int kWidth = 1111;
constexpr int kHeight = 604;

void BM_CanvasFillRect(benchmark::State& state) {
  gfx::Surface surface(kWidth, kHeight);
  gfx::Canvas canvas(surface);
  gfx::TColor color = gfx::clBtnFace;
  for (auto _ : state) {
    canvas.FillRect({0, 0, kWidth, kHeight}, color);
    color ^= 1;  // a different colour each time, so no pass can be skipped
    benchmark::DoNotOptimize(surface.pixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_CanvasFillRect);

void BM_Memset(benchmark::State& state) {
  gfx::Surface surface(kWidth, kHeight);
  int value = 0xC0;
  for (auto _ : state) {
    std::memset(surface.pixels(), value, std::size_t(kWidth) * kHeight * 4);
    value ^= 1;
    benchmark::DoNotOptimize(surface.pixels());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_Memset);

}  // namespace

int main(int argc, char** argv) {
  return gfx::bench::RunWithRatio(argc, argv, "BM_CanvasFillRect", "BM_Memset");
}
