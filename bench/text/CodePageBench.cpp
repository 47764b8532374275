// Code page 936 <-> UTF-16 throughput of the window system's converters, each measured in
// the same iteration as the platform's iconv on the same text. Counters: MB/s (ours, source
// bytes per second), iconv_MB/s, and x_iconv (how many times faster ours was).
#include "platform/win/CodePage.h"

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <time.h>

#include <random>
#include <string>

namespace {

constexpr std::size_t kTextBytes = 4 << 20;

// A response-like document: markup and numbers with a short Chinese value per row.
std::string MostlyAsciiText()
{
    std::string text;
    for (int row = 0; text.size() < kTextBytes; ++row)
        text += "<row><OrdrNo>PO2026-" + std::to_string(100000 + row) +
                "</OrdrNo><Qty>12.500</Qty><Price>3.1400</Price><Vendor>\xB1\xB1\xBE\xA9</Vendor>"
                "<Memo>ok</Memo></row>\r\n";
    return text;
}

std::string PlainAsciiText()
{
    std::string text;
    while (text.size() < kTextBytes)
        text += "<row id=\"12345\" qty=\"12.500\" price=\"3.1400\" memo=\"nothing to see here\"/>\r\n";
    return text;
}

// GB2312 hanzi with a space or digit now and then.
std::string ChineseText()
{
    std::mt19937 rng(936);
    std::string text;
    while (text.size() < kTextBytes) {
        if (rng() % 16 == 0) {
            text += static_cast<char>('0' + rng() % 10);
            continue;
        }
        text += static_cast<char>(0xB0 + rng() % (0xD7 - 0xB0));
        text += static_cast<char>(0xA1 + rng() % (0xFE - 0xA1));
    }
    return text;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() { iconv_close(cd_); }
    // Converts all of in into out; false if iconv failed.
    bool Convert(const void* in, std::size_t inBytes, void* out, std::size_t outBytes, std::size_t* written)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* i = static_cast<char*>(const_cast<void*>(in));
        char* o = static_cast<char*>(out);
        std::size_t inLeft = inBytes, outLeft = outBytes;
        bool ok = iconv(cd_, &i, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1);
        *written = outBytes - outLeft;
        return ok && inLeft == 0;
    }

private:
    iconv_t cd_;
};

// <chrono> does not compile under this build's execution character set; the monotonic
// clock directly does the same job.
double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Report(benchmark::State& state, std::size_t bytes, double ours, double theirs)
{
    double total = static_cast<double>(bytes) * static_cast<double>(state.iterations());
    state.counters["MB/s"] = total / ours / 1e6;
    state.counters["iconv_MB/s"] = total / theirs / 1e6;
    state.counters["x_iconv"] = theirs / ours;
}

template <std::string (*MakeText)()>
void AnsiToWideVsIconv(benchmark::State& state)
{
    const std::string text = MakeText();
    Iconv reference("UTF-16LE", "CP936");
    std::u16string theirs(text.size(), u'\0');
    std::size_t written = 0;
    if (!reference.Convert(text.data(), text.size(), theirs.data(), theirs.size() * 2, &written)) {
        state.SkipWithError("iconv CP936 failed");
        return;
    }
    theirs.resize(written / 2);
    if (AnsiToWide(text) != theirs) {
        state.SkipWithError("results differ from iconv");
        return;
    }
    std::u16string out(text.size(), u'\0');
    double ours = 0, iconvSeconds = 0;
    for (auto _ : state) {
        double t0 = Now();
        int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()));
        benchmark::DoNotOptimize(n);
        double t1 = Now();
        reference.Convert(text.data(), text.size(), theirs.data(), theirs.size() * 2, &written);
        benchmark::DoNotOptimize(written);
        double t2 = Now();
        ours += t1 - t0;
        iconvSeconds += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    Report(state, text.size(), ours, iconvSeconds);
}

template <std::string (*MakeText)()>
void WideToAnsiVsIconv(benchmark::State& state)
{
    const std::string text = MakeText();
    const std::u16string wide = AnsiToWide(text);
    if (WideToAnsi(wide) != text) {
        state.SkipWithError("round trip failed");
        return;
    }
    Iconv reference("CP936", "UTF-16LE");
    std::string out(text.size(), '\0');
    std::string theirs(text.size(), '\0');
    std::size_t written = 0;
    const std::size_t wideBytes = wide.size() * 2;
    double ours = 0, iconvSeconds = 0;
    for (auto _ : state) {
        double t0 = Now();
        int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
        benchmark::DoNotOptimize(n);
        double t1 = Now();
        if (!reference.Convert(wide.data(), wideBytes, theirs.data(), theirs.size(), &written)) {
            state.SkipWithError("iconv CP936 failed");
            return;
        }
        benchmark::DoNotOptimize(written);
        double t2 = Now();
        ours += t1 - t0;
        iconvSeconds += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    // Throughput in bytes of code page 936 text, the same measure as the other direction.
    Report(state, text.size(), ours, iconvSeconds);
}

BENCHMARK(AnsiToWideVsIconv<PlainAsciiText>)->Name("AnsiToWide/ascii")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AnsiToWideVsIconv<MostlyAsciiText>)->Name("AnsiToWide/mostly_ascii")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(AnsiToWideVsIconv<ChineseText>)->Name("AnsiToWide/chinese")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WideToAnsiVsIconv<PlainAsciiText>)->Name("WideToAnsi/ascii")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WideToAnsiVsIconv<MostlyAsciiText>)->Name("WideToAnsi/mostly_ascii")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WideToAnsiVsIconv<ChineseText>)->Name("WideToAnsi/chinese")->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
