// Runs the registered benchmarks and prints the time of one against a reference.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace gfx::bench {

// Console output as usual, plus the CPU time per iteration of every run, by name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.iterations > 0) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  // Prints measured / reference; returns 1 when either was not run.
  int PrintRatio(const std::string& measured, const std::string& reference) const {
    const auto m = times_.find(measured), r = times_.find(reference);
    if (m == times_.end() || r == times_.end() || r->second <= 0) {
      std::printf("ratio %s / %s: not measured\n", measured.c_str(), reference.c_str());
      return 1;
    }
    std::printf("ratio %s / %s = %.2f\n", measured.c_str(), reference.c_str(),
                m->second / r->second);
    return 0;
  }

 private:
  std::map<std::string, double> times_;
};

// main() of a ratio benchmark.
inline int RunWithRatio(int argc, char** argv, const char* measured, const char* reference) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.PrintRatio(measured, reference);
}

}  // namespace gfx::bench
