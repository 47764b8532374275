// SendMessage to a trivial window procedure, against calling the procedure directly.
#include "bench/win/Ratio.h"
#include "platform/win/Windows.h"

namespace {

LRESULT TrivialProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) return LRESULT(w + 1);
  return DefWindowProcA(h, m, w, l);
}

HWND MakeWindow() {
  KvInitWindowSystem(kvBackendHeadless);
  WNDCLASSA wc{};
  wc.lpfnWndProc = TrivialProc;
  wc.lpszClassName = "BenchTrivial";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "BenchTrivial", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         nullptr, nullptr);
}

void BM_DirectCall(benchmark::State& state) {
  HWND h = MakeWindow();
  WNDPROC volatile proc = TrivialProc;  // called through a pointer, as a dispatcher would
  WPARAM i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(proc(h, WM_USER, i++, 0));
  DestroyWindow(h);
}

void BM_SendMessage(benchmark::State& state) {
  HWND h = MakeWindow();
  WPARAM i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(SendMessageA(h, WM_USER, i++, 0));
  DestroyWindow(h);
}

BENCHMARK(BM_DirectCall)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_SendMessage)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return benchratio::RunAndCompare(argc, argv, "BM_SendMessage", "BM_DirectCall", "ns");
}
