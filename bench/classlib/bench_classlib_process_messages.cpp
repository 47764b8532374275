// Application->ProcessMessages with nothing pending, against the window system's own
// "is anything pending?" test: loops call it once per element, so it must stay within 3x.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "platform/classlib/Forms.h"
#include "platform/win/Windows.h"

namespace {

void DrainQueue() {
  KvInitWindowSystem(kvBackendHeadless);
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

void BM_KvMessagesPending(benchmark::State& state) {
  DrainQueue();
  if (KvMessagesPending()) state.SkipWithError("queue not empty");
  for (auto _ : state) benchmark::DoNotOptimize(KvMessagesPending());
}

void BM_ProcessMessagesIdle(benchmark::State& state) {
  DrainQueue();
  TApplication* app = Application;
  if (KvMessagesPending()) state.SkipWithError("queue not empty");
  for (auto _ : state) {
    app->ProcessMessages();
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_KvMessagesPending)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ProcessMessagesIdle)->Repetitions(9)->ReportAggregatesOnly(true);

// Console output as usual; remembers the median CPU time of each benchmark.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.aggregate_name == "median") medians[run.run_name.function_name] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto measured = reporter.medians.find("BM_ProcessMessagesIdle");
  const auto reference = reporter.medians.find("BM_KvMessagesPending");
  if (measured == reporter.medians.end() || reference == reporter.medians.end() || reference->second <= 0) {
    std::printf("ratio ProcessMessages / KvMessagesPending: not measured\n");
    return 1;
  }
  const double ratio = measured->second / reference->second;
  std::printf("ratio ProcessMessages (idle) / KvMessagesPending = %.2f (target <= 3)\n", ratio);
  return 0;
}
