// Code page 936 <-> UTF-16 (and the UTF-8 paths the XML layer uses) throughput of the window
// system's converters, each measured in the same iteration as the platform's iconv on the
// same text. Counters: MB/s (ours, megabytes of code page 936 text per second), iconv_MB/s,
// and x_iconv (how many times faster ours was).
#include "platform/win/CodePage.h"

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <time.h>

#include <cstring>
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

// Times ours(input, out) and iconv (from -> to) on the same input in each iteration, after
// checking that both give the same result. Throughput counts textBytes, the size of the
// text in code page 936, so every direction is measured in the same unit.
template <class In, class Out, class Ours>
void CompareWithIconv(benchmark::State& state, const In& input, std::size_t textBytes, const char* to,
                      const char* from, Ours ours)
{
    using OutChar = typename Out::value_type;
    const std::size_t inBytes = input.size() * sizeof(typename In::value_type);
    Out mine(input.size() * 4, OutChar{});
    Out theirs(input.size() * 4, OutChar{});
    Iconv reference(to, from);
    std::size_t written = 0;
    if (!reference.Convert(input.data(), inBytes, theirs.data(), theirs.size() * sizeof(OutChar), &written)) {
        state.SkipWithError("iconv failed");
        return;
    }
    std::size_t n = ours(input, mine);
    if (n * sizeof(OutChar) != written || std::memcmp(mine.data(), theirs.data(), written) != 0) {
        state.SkipWithError("results differ from iconv");
        return;
    }
    double oursSeconds = 0, iconvSeconds = 0;
    for (auto _ : state) {
        double t0 = Now();
        benchmark::DoNotOptimize(ours(input, mine));
        double t1 = Now();
        reference.Convert(input.data(), inBytes, theirs.data(), theirs.size() * sizeof(OutChar), &written);
        benchmark::DoNotOptimize(written);
        double t2 = Now();
        oursSeconds += t1 - t0;
        iconvSeconds += t2 - t1;
        state.SetIterationTime(t1 - t0);
    }
    Report(state, textBytes, oursSeconds, iconvSeconds);
}

template <std::string (*MakeText)()>
void AnsiToWideVsIconv(benchmark::State& state)
{
    const std::string text = MakeText();
    CompareWithIconv<std::string, std::u16string>(
        state, text, text.size(), "UTF-16LE", "CP936", [](const std::string& in, std::u16string& out) {
            return static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, in.data(), static_cast<int>(in.size()),
                                                                out.data(), static_cast<int>(out.size())));
        });
}

template <std::string (*MakeText)()>
void WideToAnsiVsIconv(benchmark::State& state)
{
    const std::string text = MakeText();
    CompareWithIconv<std::u16string, std::string>(
        state, AnsiToWide(text), text.size(), "CP936", "UTF-16LE", [](const std::u16string& in, std::string& out) {
            return static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, in.data(), static_cast<int>(in.size()),
                                                                out.data(), static_cast<int>(out.size()), nullptr,
                                                                nullptr));
        });
}

// The XML layer's path for a wide response document.
template <std::string (*MakeText)()>
void WideToUtf8VsIconv(benchmark::State& state)
{
    const std::string text = MakeText();
    CompareWithIconv<std::u16string, std::string>(
        state, AnsiToWide(text), text.size(), "UTF-8", "UTF-16LE", [](const std::u16string& in, std::string& out) {
            return static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, in.data(), static_cast<int>(in.size()),
                                                                out.data(), static_cast<int>(out.size()), nullptr,
                                                                nullptr));
        });
}

// The XML layer's path for element text of a UTF-8 document.
template <std::string (*MakeText)()>
void Utf8ToAnsiVsIconv(benchmark::State& state)
{
    const std::string text = MakeText();
    CompareWithIconv<std::string, std::string>(state, AnsiToUtf8(text), text.size(), "CP936", "UTF-8",
                                               [](const std::string& in, std::string& out) {
                                                   std::string r = Utf8ToAnsi(in);
                                                   std::memcpy(out.data(), r.data(), r.size());
                                                   return r.size();
                                               });
}

#define KV_TEXT_BENCHMARK(fn, text, name) \
    BENCHMARK(fn<text>)->Name(name)->UseManualTime()->Unit(benchmark::kMillisecond)

KV_TEXT_BENCHMARK(AnsiToWideVsIconv, PlainAsciiText, "AnsiToWide/ascii");
KV_TEXT_BENCHMARK(AnsiToWideVsIconv, MostlyAsciiText, "AnsiToWide/mostly_ascii");
KV_TEXT_BENCHMARK(AnsiToWideVsIconv, ChineseText, "AnsiToWide/chinese");
KV_TEXT_BENCHMARK(WideToAnsiVsIconv, PlainAsciiText, "WideToAnsi/ascii");
KV_TEXT_BENCHMARK(WideToAnsiVsIconv, MostlyAsciiText, "WideToAnsi/mostly_ascii");
KV_TEXT_BENCHMARK(WideToAnsiVsIconv, ChineseText, "WideToAnsi/chinese");
KV_TEXT_BENCHMARK(WideToUtf8VsIconv, MostlyAsciiText, "WideToUtf8/mostly_ascii");
KV_TEXT_BENCHMARK(Utf8ToAnsiVsIconv, ChineseText, "Utf8ToAnsi/chinese");

} // namespace

BENCHMARK_MAIN();
