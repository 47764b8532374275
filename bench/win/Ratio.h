// Runs the registered benchmarks and prints how the measured case compares with its
// reference, both measured in this run (medians of the repetitions, CPU and real time).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace benchratio {

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
        medians_[r.run_name.function_name] = {r.GetAdjustedCPUTime(), r.GetAdjustedRealTime()};
    ConsoleReporter::ReportRuns(runs);
  }
  struct Times {
    double cpu = -1, real = -1;
  };
  // Median CPU and real time of a benchmark function (in its time unit); -1 if it did not run.
  Times Median(const std::string& name) const {
    auto it = medians_.find(name);
    return it == medians_.end() ? Times{} : it->second;
  }

 private:
  std::map<std::string, Times> medians_;
};

// Runs everything and prints "measured / reference" for the pair; returns main's result.
inline int RunAndCompare(int argc, char** argv, const char* measured, const char* reference,
                         const char* unit) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  MedianReporter::Times m = reporter.Median(measured), r = reporter.Median(reference);
  if (m.cpu < 0 || r.cpu <= 0 || r.real <= 0) {
    std::printf("ratio: not measured (filtered out?)\n");
  } else {
    // CPU time is the steadier figure on a shared machine; real time is printed as well.
    std::printf("%s vs %s (medians): cpu %.3f / %.3f %s = ratio %.2f; real %.3f / %.3f %s = "
                "ratio %.2f\n",
                measured, reference, m.cpu, r.cpu, unit, m.cpu / r.cpu, m.real, r.real, unit,
                m.real / r.real);
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace benchratio
