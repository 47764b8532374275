// "Is anything pending?" on an empty queue, against a plain call of a non-inlined function.
#include "bench/win/Ratio.h"
#include "platform/win/Windows.h"

namespace {

int g_flag = 0;

__attribute__((noinline)) BOOL PlainCall() {
  benchmark::ClobberMemory();
  return g_flag != 0;
}

void BM_PlainCall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PlainCall());
}

void BM_PendingEmpty(benchmark::State& state) {
  KvInitWindowSystem(kvBackendHeadless);
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  if (KvMessagesPending()) state.SkipWithError("queue not empty");
  for (auto _ : state) benchmark::DoNotOptimize(KvMessagesPending());
}

BENCHMARK(BM_PlainCall)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_PendingEmpty)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return benchratio::RunAndCompare(argc, argv, "BM_PendingEmpty", "BM_PlainCall", "ns");
}
