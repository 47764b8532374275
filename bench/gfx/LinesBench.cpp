// 10 000 one-pixel lines through the canvas against as many direct pixel writes.
#include "bench/gfx/RatioReporter.h"
#include "platform/gfx/Canvas.h"

namespace {

constexpr int kLines = 10000;
constexpr int kWidth = 1111;
constexpr int kHeight = 604;

// Positions spread over the surface the same way for both runs.
gfx::Point Spot(int i) { return {(i * 37) % (kWidth - 1), (i * 101) % kHeight}; }

void BM_OnePixelLines(benchmark::State& state) {
  gfx::Surface surface(kWidth, kHeight);
  gfx::Canvas canvas(surface);
  for (auto _ : state) {
    for (int i = 0; i < kLines; ++i) {
      const gfx::Point p = Spot(i);
      canvas.MoveTo(p.x, p.y);
      canvas.LineTo(p.x + 1, p.y);  // the end point is left out: one pixel
    }
    benchmark::DoNotOptimize(surface.pixels());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_OnePixelLines);

void BM_DirectPixelWrites(benchmark::State& state) {
  gfx::Surface surface(kWidth, kHeight);
  for (auto _ : state) {
    for (int i = 0; i < kLines; ++i) {
      const gfx::Point p = Spot(i);
      surface.setPixel(p.x, p.y, 0);
    }
    benchmark::DoNotOptimize(surface.pixels());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_DirectPixelWrites);

}  // namespace

int main(int argc, char** argv) {
  return gfx::bench::RunWithRatio(argc, argv, "BM_OnePixelLines", "BM_DirectPixelWrites");
}
