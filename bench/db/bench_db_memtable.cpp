// Memory-table speed: appending 100 000 records of 10 fields (text with Chinese characters,
// integers, floats, dates) through the ordinary Append / field / Post path, through the text
// path a response loader uses (with its message pump), and copying them to another table
// with LoadFromDataSet.
// Each benchmark times a reference in the same iteration (the same values appended into a
// std::vector of structs, or that vector copied) and reports ours / reference as "ratio".
#include <benchmark/benchmark.h>

#include <time.h>
#include <charconv>
#include <memory>
#include <string_view>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/db/MemTableEh.h"

namespace {

constexpr int kRows = 100000;
// <chrono> cannot be included under the CP936 execution charset (its "µs" literal has no
// CP936 form), so time with the monotonic clock directly.
double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct SourceRow {
  int64_t id;
  std::string code, name, note;
  int qty;
  double price, amount;
  TDateTime date;
  std::string dateText, priceText, qtyText, idText, amountText;
  int flag;
};

// The reference's record: what a hand-written loader would keep.
struct PlainRow {
  int64_t id;
  std::string code, name, note;
  int qty;
  double price, amount;
  TDateTime date, due;
  int flag;
};

const std::vector<SourceRow>& Rows() {
  static const std::vector<SourceRow> rows = [] {
    std::vector<SourceRow> v;
    v.reserve(kRows);
    const std::string chinese = "\xB2\xC9\xB9\xBA\xB5\xA5";  // 采购单 in CP936
    for (int i = 0; i < kRows; ++i) {
      SourceRow r;
      r.id = 100000 + i;
      r.code = "PO" + std::to_string(1000000 + i);
      r.name = chinese + std::to_string(i % 977);
      r.note = chinese + chinese + "-" + std::to_string(i);
      r.qty = i % 1000;
      r.price = (i % 10000) / 100.0;
      r.amount = r.qty * r.price;
      r.date = EncodeDate(2009, 1 + i % 12, 1 + i % 28);
      r.dateText = DateToStr(r.date);
      r.priceText = FloatToStr(r.price);
      r.qtyText = std::to_string(r.qty);
      r.idText = std::to_string(r.id);
      r.amountText = FloatToStr(r.amount);
      r.flag = i % 2;
      v.push_back(std::move(r));
    }
    return v;
  }();
  return rows;
}

std::unique_ptr<TMemTableEh> NewTable() {
  auto t = std::make_unique<TMemTableEh>(nullptr);
  TFieldDefs* d = t->FieldDefs();
  d->Add("ID", ftLargeint);
  d->Add("CODE", ftString, 20);
  d->Add("NAME", ftString, 40);
  d->Add("NOTE", ftString, 60);
  d->Add("QTY", ftInteger);
  d->Add("PRICE", ftFloat);
  d->Add("AMOUNT", ftFloat);
  d->Add("BILLDATE", ftDate);
  d->Add("DUEDATE", ftDate);
  d->Add("FLAG", ftInteger);
  t->CreateDataSet();
  return t;
}

double ReferenceAppendMs() {
  const auto& rows = Rows();
  const double t0 = NowMs();
  std::vector<PlainRow> v;
  for (const SourceRow& r : rows)
    v.push_back(PlainRow{r.id, r.code, r.name, r.note, r.qty, r.price, r.amount, r.date, r.date + 30, r.flag});
  benchmark::DoNotOptimize(v.data());
  return NowMs() - t0;
}

struct Ratio {
  double ours = 0, reference = 0;
  void Report(benchmark::State& state) const {
    state.counters["ms"] = ours / double(state.iterations());
    state.counters["ref_ms"] = reference / double(state.iterations());
    state.counters["ratio"] = reference > 0 ? ours / reference : 0;
  }
};

// Append, typed field setters, Post: the ordinary path.
void BM_AppendTyped(benchmark::State& state) {
  const auto& rows = Rows();
  Ratio ratio;
  for (auto _ : state) {
    state.PauseTiming();
    ratio.reference += ReferenceAppendMs();
    auto t = NewTable();
    TField* const* f = nullptr;
    std::vector<TField*> fields;
    for (int i = 0; i < t->FieldCount(); ++i) fields.push_back(t->Fields()[i]);
    f = fields.data();
    state.ResumeTiming();
    const double t0 = NowMs();
    for (const SourceRow& r : rows) {
      t->Append();
      f[0]->SetAsLargeInt(r.id);
      f[1]->SetAsString(r.code);
      f[2]->SetAsString(r.name);
      f[3]->SetAsString(r.note);
      f[4]->SetAsInteger(r.qty);
      f[5]->SetAsFloat(r.price);
      f[6]->SetAsFloat(r.amount);
      f[7]->SetAsDateTime(r.date);
      f[8]->SetAsDateTime(r.date + 30);
      f[9]->SetAsInteger(r.flag);
      t->Post();
    }
    ratio.ours += NowMs() - t0;
    if (t->RecordCount() != kRows) state.SkipWithError("wrong record count");
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  ratio.Report(state);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_AppendTyped)->Unit(benchmark::kMillisecond)->UseRealTime();

// The response loader's loop: Append, then per value let pending messages through (the
// window system's flag test, as the plug-in's pump does) and store the value from its text,
// then Post. The reference parses the same texts (std::from_chars for numbers, the three
// parts of a date) into a std::vector of plain structs. Reports ns per value for both.
struct TextRow {
  std::string_view text[10];
};

const std::vector<TextRow>& TextRows() {
  static const std::vector<TextRow> rows = [] {
    std::vector<TextRow> v;
    for (const SourceRow& r : Rows())
      v.push_back(TextRow{{r.idText, r.code, r.name, r.note, r.qtyText, r.priceText, r.amountText, r.dateText,
                           r.dateText, r.flag ? "1" : "0"}});
    return v;
  }();
  return rows;
}

template <class T>
T NumberFromText(std::string_view s) {
  T v{};
  std::from_chars(s.data(), s.data() + s.size(), v);
  return v;
}

TDateTime DateFromText(std::string_view s) {
  TDateTime v = 0;
  if (s.size() == 10) TryEncodeDate(NumberFromText<int>(s.substr(0, 4)), NumberFromText<int>(s.substr(5, 2)),
                                    NumberFromText<int>(s.substr(8, 2)), v);
  return v;
}

double ReferenceFromTextMs() {
  const auto& rows = TextRows();
  const double t0 = NowMs();
  std::vector<PlainRow> v;
  for (const TextRow& r : rows) {
    const std::string_view* t = r.text;
    v.push_back(PlainRow{NumberFromText<int64_t>(t[0]), std::string(t[1]), std::string(t[2]), std::string(t[3]),
                         NumberFromText<int>(t[4]), NumberFromText<double>(t[5]), NumberFromText<double>(t[6]),
                         DateFromText(t[7]), DateFromText(t[8]), NumberFromText<int>(t[9])});
  }
  benchmark::DoNotOptimize(v.data());
  return NowMs() - t0;
}

void BM_AppendFromText(benchmark::State& state) {
  const auto& rows = TextRows();
  Ratio ratio;
  for (auto _ : state) {
    state.PauseTiming();
    ratio.reference += ReferenceFromTextMs();
    auto t = NewTable();
    state.ResumeTiming();
    const double t0 = NowMs();
    for (const TextRow& r : rows) {
      t->Append();
      for (int i = 0; i < 10; ++i) {
        if (KvMessagesPending()) Application->ProcessPendingMessages();
        t->Fields()[i]->SetAsText(r.text[i]);
      }
      t->Post();
    }
    ratio.ours += NowMs() - t0;
    if (t->RecordCount() != kRows) state.SkipWithError("wrong record count");
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  ratio.Report(state);
  const double values = double(state.iterations()) * kRows * 10;
  state.counters["ns_per_value"] = ratio.ours * 1e6 / values;
  state.counters["ref_ns_per_value"] = ratio.reference * 1e6 / values;
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_AppendFromText)->Unit(benchmark::kMillisecond)->UseRealTime();

// LoadFromDataSet of the 100 000 records into an empty table with the same fields; the
// reference copies the vector of structs.
void BM_LoadFromDataSet(benchmark::State& state) {
  const auto& rows = Rows();
  auto source = NewTable();
  std::vector<PlainRow> plain;
  for (const SourceRow& r : rows) {
    source->AppendRecord({r.id, r.code, r.name, r.note, r.qty, r.price, r.amount, Variant::FromDate(r.date),
                          Variant::FromDate(r.date + 30), r.flag});
    plain.push_back(PlainRow{r.id, r.code, r.name, r.note, r.qty, r.price, r.amount, r.date, r.date + 30, r.flag});
  }
  Ratio ratio;
  for (auto _ : state) {
    state.PauseTiming();
    {
      const double r0 = NowMs();
      std::vector<PlainRow> copy = plain;
      benchmark::DoNotOptimize(copy.data());
      ratio.reference += NowMs() - r0;
    }
    auto target = NewTable();
    source->First();
    state.ResumeTiming();
    const double t0 = NowMs();
    const int n = target->LoadFromDataSet(source.get(), -1, lmAppend, false);
    ratio.ours += NowMs() - t0;
    if (n != kRows) state.SkipWithError("wrong record count");
    state.PauseTiming();
    target.reset();
    state.ResumeTiming();
  }
  ratio.Report(state);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_LoadFromDataSet)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
