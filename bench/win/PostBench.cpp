// Posting and dispatching 1 000 000 messages, against pushing and popping the same count
// through a std::deque and calling the procedure. Batches of 1000 stay below the queue limit.
#include <deque>

#include "bench/win/Ratio.h"
#include "platform/win/Windows.h"

namespace {

constexpr int kMessages = 1000000;
constexpr int kBatch = 1000;
long g_received = 0;

LRESULT CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) {
    g_received += long(w);
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

HWND MakeWindow() {
  KvInitWindowSystem(kvBackendHeadless);
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "BenchCounting";
  RegisterClassA(&wc);
  HWND h = CreateWindowExA(0, "BenchCounting", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  return h;
}

void BM_DequeReference(benchmark::State& state) {
  HWND h = MakeWindow();
  WNDPROC volatile proc = CountingProc;
  std::deque<MSG> q;
  for (auto _ : state) {
    g_received = 0;
    for (int done = 0; done < kMessages; done += kBatch) {
      for (int i = 0; i < kBatch; ++i) q.push_back(MSG{h, WM_USER, 1, 0, 0, {}});
      while (!q.empty()) {
        MSG m = q.front();
        q.pop_front();
        proc(m.hwnd, m.message, m.wParam, m.lParam);
      }
    }
    if (g_received != kMessages) state.SkipWithError("lost messages");
  }
  DestroyWindow(h);
}

void BM_PostAndDispatch(benchmark::State& state) {
  HWND h = MakeWindow();
  for (auto _ : state) {
    g_received = 0;
    MSG m;
    for (int done = 0; done < kMessages; done += kBatch) {
      for (int i = 0; i < kBatch; ++i) PostMessageA(h, WM_USER, 1, 0);
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    if (g_received != kMessages) state.SkipWithError("lost messages");
  }
  DestroyWindow(h);
}

BENCHMARK(BM_DequeReference)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PostAndDispatch)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return benchratio::RunAndCompare(argc, argv, "BM_PostAndDispatch", "BM_DequeReference", "ms");
}
