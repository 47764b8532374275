// Parse of a generated response (one record set, ten fields) against pugixml's own DOM parse
// of the same document as UTF-8, at 10 000, 100 000 and 1 000 000 rows; CopyRowsTo of the
// parsed rows; and the memory the parse takes at its peak.
//
// Times are of the thread's processor time: Parse's median (the second of two calls in each
// round) over pugixml's fastest run of the same rounds. Counters: "ratio_to_pugixml"
// (Parse / pugixml, same run, same row count), "ratio_to_tenth" (this row count / a tenth of it),
// "per_row_ns", "peak_over_doc" (peak bytes allocated during Parse / document bytes);
// CopyRowsTo: "ratio_to_parse".
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdlib>
#include <limits>
#include <malloc.h>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "bench/protocol/ResponseGen.h"
#include "platform/db/MemTableEh.h"
#include "platform/win/CodePage.h"
#include "src/protocol/KvProtocol.h"

// ---- a counting allocator: live bytes and their peak -------------------------------------

namespace {
std::atomic<std::int64_t> gLive{0};
std::atomic<std::int64_t> gPeak{0};

void Count(std::int64_t delta) {
  const std::int64_t now = gLive.fetch_add(delta, std::memory_order_relaxed) + delta;
  std::int64_t peak = gPeak.load(std::memory_order_relaxed);
  while (now > peak && !gPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

// Each block carries its size in front of it, so the free side knows what to subtract.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* CountedAlloc(std::size_t n) {
  auto* p = static_cast<unsigned char*>(std::malloc(n + kHeader));
  if (!p) return nullptr;
  *reinterpret_cast<std::size_t*>(p) = n;
  Count(std::int64_t(n));
  return p + kHeader;
}

void CountedFree(void* p) noexcept {
  if (!p) return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  Count(-std::int64_t(*reinterpret_cast<std::size_t*>(block)));
  std::free(block);
}
}  // namespace

// pugixml allocates with malloc unless told otherwise: route its tree through the counter too.
const bool kPugixmlCounted = [] {
  pugi::set_memory_management_functions(&CountedAlloc, &CountedFree);
  return true;
}();

// Large blocks stay in the heap once freed, instead of going back to the system and being
// faulted in afresh by the next run: otherwise either side's time swings by half with what
// the run before it happened to free. Both sides run under the same setting.
const bool kHeapKeepsFreedMemory = [] {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  return true;
}();

void* operator new(std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace {

// Seconds of this thread's processor time (user and system). Both sides of every ratio are
// measured this way, so a busy machine stretches neither; <chrono> does not build under the
// code-page charset.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Documents {
  std::string Utf8;
  std::string Ansi;  // what the library receives
};

const Documents& DocumentOf(std::size_t rows) {
  static std::map<std::size_t, Documents> cache;
  auto it = cache.find(rows);
  if (it == cache.end()) {
    Documents d;
    d.Utf8 = bench::MakeResponseUtf8(rows);
    d.Ansi = Utf8ToAnsi(d.Utf8);
    it = cache.emplace(rows, std::move(d)).first;
  }
  return it->second;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One pugixml DOM parse of the UTF-8 text, in seconds.
double PugixmlSeconds(const std::string& utf8) {
  pugi::xml_document doc;
  const double start = Now();
  const pugi::xml_parse_result result = doc.load_buffer(utf8.data(), utf8.size());
  const double s = Now() - start;
  if (!result) std::abort();
  benchmark::DoNotOptimize(doc.first_child());
  return s;
}

// Median parse time per row count, for the growth counter of the larger runs.
std::map<std::size_t, double>& ParseMedians() {
  static std::map<std::size_t, double> medians;
  return medians;
}

// One Parse of the CP936 text: its seconds, and its peak of allocated bytes over what was
// live before it. False when not every row was loaded.
bool ParseOnce(const std::string& ansi, std::size_t rows, double& seconds, std::int64_t& peak) {
  TKvProtocol p;
  gPeak.store(gLive.load());
  const std::int64_t before = gLive.load();
  const double start = Now();
  const bool ok = p.Parse(ansi);
  seconds = Now() - start;
  peak = gPeak.load() - before;
  return ok && p.TableCount() == 1 && p.GetTable(0)->Data()->RecordCount() == int(rows);
}

void BM_Parse(benchmark::State& state) {
  const std::size_t rows = std::size_t(state.range(0));
  const Documents& doc = DocumentOf(rows);
  // Each round runs pugixml three times and Parse twice, timing the second Parse. pugixml's
  // time depends much on whether the allocator hands it memory already touched; the ratio is
  // taken against its fastest run, the least favourable reference for us.
  std::vector<double> times, references;
  std::int64_t peakOverDoc = 0;
  for (auto _ : state) {
    for (int i = 0; i < 3; ++i) references.push_back(PugixmlSeconds(doc.Utf8));
    double s = 0;
    std::int64_t peak = 0;
    if (!ParseOnce(doc.Ansi, rows, s, peak) || !ParseOnce(doc.Ansi, rows, s, peak)) {
      state.SkipWithError("parse did not load every row");
      return;
    }
    state.SetIterationTime(s);
    times.push_back(s);
    peakOverDoc = std::max(peakOverDoc, peak);
  }
  const double median = Median(times);
  const double reference = *std::min_element(references.begin(), references.end());
  ParseMedians()[rows] = median;
  state.counters["ratio_to_pugixml"] = median / reference;
  state.counters["parse_ms"] = median * 1e3;
  state.counters["pugixml_ms"] = reference * 1e3;
  state.counters["pugixml_median_ms"] = Median(references) * 1e3;
  state.counters["per_row_ns"] = median * 1e9 / double(rows);
  // Linear growth: the time of ten times the rows over ten times the time of the smaller run.
  if (auto smaller = ParseMedians().find(rows / 10); smaller != ParseMedians().end())
    state.counters["ratio_to_tenth"] = median / smaller->second;
  state.counters["doc_MB"] = double(doc.Ansi.size()) / 1e6;
  state.counters["peak_over_doc"] = double(peakOverDoc) / double(doc.Ansi.size());
  state.SetBytesProcessed(std::int64_t(doc.Ansi.size()) * state.iterations());
}
BENCHMARK(BM_Parse)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_CopyRowsTo(benchmark::State& state) {
  const std::size_t rows = std::size_t(state.range(0));
  TKvProtocol p;
  const double parseStart = Now();
  if (!p.Parse(DocumentOf(rows).Ansi)) {
    state.SkipWithError("parse failed");
    return;
  }
  const double parseSeconds = Now() - parseStart;
  std::vector<double> times;
  TKvTable* table = p.GetTable(0);
  TMemTableEh target(nullptr);
  TMemTableEh* data = table->Data();
  for (int i = 0; i < data->FieldCount(); ++i) {
    TField* f = data->Fields()[i];
    target.FieldDefs()->Add(f->FieldName(), f->DataType(), f->Size());
  }
  target.SetCachedUpdates(true);
  target.CreateDataSet();
  for (auto _ : state) {
    state.PauseTiming();
    target.EmptyTable();
    state.ResumeTiming();
    const double start = Now();
    table->CopyRowsTo(&target);
    const double s = Now() - start;
    state.SetIterationTime(s);
    times.push_back(s);
  }
  if (target.RecordCount() != int(rows)) state.SkipWithError("not every row was copied");
  const double median = Median(times);
  const auto parsed = ParseMedians().find(rows);
  // Against the parse median of the same rows when that ran, else against this run's parse.
  state.counters["ratio_to_parse"] = median / (parsed != ParseMedians().end() ? parsed->second : parseSeconds);
  state.counters["per_row_ns"] = median * 1e9 / double(rows);
}
BENCHMARK(BM_CopyRowsTo)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
