#include "tests/platform/win/WinTest.h"

#include <algorithm>
#include <ctime>

namespace wintest {

std::vector<Event>& Log() {
  static std::vector<Event> log;
  return log;
}

std::map<HWND, Handler>& Handlers() {
  static std::map<HWND, Handler> handlers;
  return handlers;
}

LRESULT RecordProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back(Event{h, m, w, l});
  auto it = Handlers().find(h);
  if (it != Handlers().end()) {
    Handler copy = it->second;  // the handler may replace itself
    LRESULT out = 0;
    if (copy(h, m, w, l, &out)) return out;
  }
  return DefWindowProcA(h, m, w, l);
}

void WinTest::SetUp() {
  ASSERT_TRUE(KvInitWindowSystem(kvBackendHeadless));
  struct Spec { const char* name; UINT style; HBRUSH brush; };
  for (Spec s : {Spec{kPlain, 0, nullptr}, Spec{kDbl, CS_DBLCLKS, nullptr},
                 Spec{kBrush, 0, reinterpret_cast<HBRUSH>(uintptr_t(5 + 1))}}) {
    WNDCLASSA wc{};
    if (GetClassInfoA(nullptr, s.name, &wc)) continue;
    wc.style = s.style;
    wc.lpfnWndProc = RecordProc;
    wc.lpszClassName = s.name;
    wc.hbrBackground = s.brush;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  Log().clear();
  Handlers().clear();
}

void WinTest::TearDown() {
  KvShutdownWindowSystem();
  Handlers().clear();
  Log().clear();
}

HWND WinTest::Top(int x, int y, int w, int h, const char* cls, DWORD style) {
  HWND t = CreateWindowExA(0, cls, "top", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(t, nullptr);
  return t;
}

HWND WinTest::Child(HWND parent, int x, int y, int w, int h, DWORD extraStyle, const char* cls) {
  HWND c = CreateWindowExA(0, cls, "child", WS_CHILD | WS_VISIBLE | extraStyle, x, y, w, h, parent,
                           nullptr, nullptr, nullptr);
  EXPECT_NE(c, nullptr);
  return c;
}

int WinTest::Pump(int limit) {
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  int n = 0;
  MSG m;
  while (n < limit && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) break;
    TranslateMessage(&m);
    DispatchMessageA(&m);
    ++n;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec - start.tv_sec > 5) {
      ADD_FAILURE() << "pump ran longer than 5 s";
      break;
    }
  }
  return n;
}

std::vector<Event> WinTest::Seen(UINT msg, HWND h) const {
  std::vector<Event> out;
  for (const Event& e : Log())
    if (e.msg == msg && (!h || e.hwnd == h)) out.push_back(e);
  return out;
}

std::vector<UINT> WinTest::Sequence(HWND h, const std::vector<UINT>& interesting) const {
  std::vector<UINT> out;
  for (const Event& e : Log())
    if ((!h || e.hwnd == h) &&
        std::find(interesting.begin(), interesting.end(), e.msg) != interesting.end())
      out.push_back(e.msg);
  return out;
}

}  // namespace wintest
