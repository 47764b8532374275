// Handles: creation and destruction order, values, and bad handles everywhere.
#include <set>

#include "tests/platform/win/WinTest.h"

namespace wintest {
namespace {

class HandleTest : public WinTest {};

TEST_F(HandleTest, CreationSendsTheCreationMessagesInOrder) {
  HWND t = Top(10, 20, 100, 50, kPlain, WS_POPUP);
  EXPECT_EQ(Sequence(t, {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}),
            (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  auto size = Seen(WM_SIZE, t);
  EXPECT_EQ(LOWORD(size[0].lParam), 100);
  EXPECT_EQ(HIWORD(size[0].lParam), 50);
  EXPECT_FALSE(IsWindowVisible(t));
}

TEST_F(HandleTest, CreationRefusedByTheProcedureGivesNoWindow) {
  HWND parent = Top();
  for (UINT refuse : {UINT(WM_NCCREATE), UINT(WM_CREATE)}) {
    Handlers().clear();
    // The handler is installed for "any next window" through the class procedure: use the
    // creation parameter to recognise the window being made.
    static UINT s_refuse;
    s_refuse = refuse;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_NCCREATE && s_refuse == WM_NCCREATE) return FALSE;
      if (m == WM_CREATE && s_refuse == WM_CREATE) return -1;
      return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "KvTestRefuse";
    RegisterClassA(&wc);  // already registered on the second round
    HWND c = CreateWindowExA(0, "KvTestRefuse", "", WS_CHILD, 0, 0, 5, 5, parent, nullptr,
                             nullptr, nullptr);
    EXPECT_EQ(c, nullptr) << refuse;
  }
  HWND none = nullptr;
  EXPECT_EQ(GetWindow(parent, GW_CHILD), none);
}

TEST_F(HandleTest, HandlesFitIn31BitsAndAreNeverReused) {
  std::set<uintptr_t> seen;
  for (int i = 0; i < 200; ++i) {
    HWND h = Top();
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    EXPECT_LT(v, uintptr_t(1) << 31);
    EXPECT_TRUE(seen.insert(v).second) << "reused " << v;
    DestroyWindow(h);
    EXPECT_FALSE(IsWindow(h));
  }
}

TEST_F(HandleTest, DestroySendsDestroyTopDownAndFinalBottomUp) {
  HWND t = Top();
  HWND c = Child(t, 0, 0, 10, 10);
  HWND g = Child(c, 0, 0, 5, 5);
  bool childValidDuringParentDestroy = false;
  Handlers()[t] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_DESTROY) childValidDuringParentDestroy = IsWindow(g) != FALSE;
    return false;
  };
  ClearLog();
  PostMessageA(c, WM_USER, 0, 0);
  EXPECT_TRUE(DestroyWindow(t));
  std::vector<std::pair<HWND, UINT>> order;
  for (const Event& e : Log())
    if (e.msg == WM_DESTROY || e.msg == WM_NCDESTROY) order.push_back({e.hwnd, e.msg});
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{t, WM_DESTROY}, {c, WM_DESTROY},
                                                       {g, WM_DESTROY}, {g, WM_NCDESTROY},
                                                       {c, WM_NCDESTROY}, {t, WM_NCDESTROY}}));
  EXPECT_TRUE(childValidDuringParentDestroy);
  for (HWND h : {t, c, g}) EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(KvMessagesPending());  // the post to the child went with it
}

TEST_F(HandleTest, AWindowMayDestroyItselfInsideItsOwnHandler) {
  HWND t = Top();
  HWND c = Child(t, 0, 0, 10, 10);
  Handlers()[c] = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT* out) {
    if (m != WM_USER) return false;
    DestroyWindow(h);
    EXPECT_EQ(SendMessageA(h, WM_USER + 1, 0, 0), 0);  // already gone
    *out = 5;
    return true;
  };
  EXPECT_EQ(SendMessageA(c, WM_USER, 0, 0), 5);
  EXPECT_FALSE(IsWindow(c));
  EXPECT_TRUE(Seen(WM_USER + 1).empty());
  EXPECT_TRUE(DestroyWindow(t));
}

TEST_F(HandleTest, BadHandlesGiveZeroEverywhere) {
  HWND stale = Top();
  DestroyWindow(stale);
  const HWND bad[] = {stale, reinterpret_cast<HWND>(0x12345), reinterpret_cast<HWND>(1),
                      reinterpret_cast<HWND>(-2), reinterpret_cast<HWND>(0x10001),
                      reinterpret_cast<HWND>(0x7FFFFFF0)};
  HWND good = Top();
  for (HWND h : bad) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
    RECT r{1, 2, 3, 4};
    POINT p{1, 1};
    char text[8] = "x";
    PAINTSTRUCT ps{};
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(h));
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(IsWindowEnabled(h));
    EXPECT_FALSE(EnableWindow(h, TRUE));
    EXPECT_FALSE(IsZoomed(h));
    EXPECT_FALSE(IsIconic(h));
    EXPECT_FALSE(MoveWindow(h, 0, 0, 1, 1, TRUE));
    EXPECT_FALSE(SetWindowPos(h, nullptr, 0, 0, 1, 1, 0));
    EXPECT_FALSE(GetWindowRect(h, &r));
    EXPECT_FALSE(GetClientRect(h, &r));
    EXPECT_FALSE(ClientToScreen(h, &p));
    EXPECT_EQ(MapWindowPoints(h, nullptr, &p, 1), 0);
    EXPECT_EQ(GetParent(h), nullptr);
    EXPECT_EQ(SetParent(h, good), nullptr);
    EXPECT_EQ(SetParent(good, h), nullptr);
    EXPECT_EQ(GetWindow(h, GW_CHILD), nullptr);
    EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 5), 0);
    EXPECT_EQ(GetWindowLongPtrA(h, GWL_STYLE), 0);
    EXPECT_FALSE(SetWindowTextA(h, "a"));
    EXPECT_EQ(GetWindowTextA(h, text, sizeof text), 0);
    EXPECT_EQ(text[0], 0);
    EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
    EXPECT_FALSE(ValidateRect(h, nullptr));
    EXPECT_FALSE(UpdateWindow(h));
    EXPECT_EQ(BeginPaint(h, &ps), nullptr);
    EXPECT_EQ(GetDC(h), nullptr);
    EXPECT_EQ(SetFocus(h), nullptr);
    EXPECT_EQ(SetCapture(h), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SetActiveWindow(h), nullptr);
    EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);
    EXPECT_FALSE(KvInjectMouse(h, WM_MOUSEMOVE, 0, 0, 0));
    EXPECT_FALSE(KvInjectKey(h, WM_KEYDOWN, 'A', 0));
    EXPECT_FALSE(KvSaveWindowPng(h, "/tmp/kvwin-never.png"));
    EXPECT_EQ(KvGetWindowPixel(h, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(DefWindowProcA(h, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsChild(good, h));
  }
  EXPECT_TRUE(IsWindow(good));
}

TEST_F(HandleTest, NullArgumentsAreRefused) {
  HWND t = Top();
  EXPECT_EQ(RegisterClassA(nullptr), 0);
  WNDCLASSA nameless{};
  EXPECT_EQ(RegisterClassA(&nameless), 0);
  WNDCLASSA again{};
  again.lpszClassName = kPlain;
  again.lpfnWndProc = RecordProc;
  EXPECT_EQ(RegisterClassA(&again), 0);  // already there
  EXPECT_EQ(CreateWindowExA(0, nullptr, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExA(0, kPlain, "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_FALSE(GetWindowRect(t, nullptr));
  EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(DispatchMessageA(nullptr), 0);
  EXPECT_FALSE(EndPaint(t, nullptr));
  EXPECT_EQ(ReleaseDC(t, nullptr), 0);
  EXPECT_FALSE(TrackMouseEvent(nullptr));
  EXPECT_FALSE(KvSaveWindowPng(t, nullptr));
  EXPECT_FALSE(KvInjectText(t, nullptr));
  EXPECT_FALSE(KvInjectMouse(t, WM_KEYDOWN, 0, 0, 0));  // not a mouse message
  EXPECT_FALSE(UnregisterClassA(kPlain, nullptr));       // windows of it still exist
}

TEST_F(HandleTest, TextWindowDataAndTree) {
  HWND t = Top();
  HWND a = Child(t, 0, 0, 10, 10);
  HWND b = Child(t, 0, 0, 10, 10);
  EXPECT_TRUE(SetWindowTextA(t, "采购单"));
  char buf[4];
  EXPECT_EQ(GetWindowTextA(t, buf, sizeof buf), 3);  // cut to the buffer, terminated
  EXPECT_EQ(std::string(buf), std::string("采购单").substr(0, 3));
  EXPECT_EQ(GetWindowTextLengthA(t), int(std::string("采购单").size()));
  EXPECT_EQ(SetWindowLongPtrA(a, GWLP_USERDATA, 77), 0);
  EXPECT_EQ(GetWindowLongPtrA(a, GWLP_USERDATA), 77);
  EXPECT_EQ(GetParent(a), t);
  EXPECT_TRUE(IsChild(t, a));
  // Z-order follows creation: the first child is on top.
  EXPECT_EQ(GetWindow(t, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(t, GW_CHILD), b);
  HWND t2 = Top();
  EXPECT_EQ(SetParent(a, t2), t);
  EXPECT_EQ(GetParent(a), t2);
  EXPECT_EQ(SetParent(t2, a), nullptr);  // would make a cycle
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(b, GWLP_WNDPROC));
  static int subclassed;
  subclassed = 0;
  SetWindowLongPtrA(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) ++subclassed;
    return DefWindowProcA(h, m, w, l);
  }));
  SendMessageA(b, WM_USER, 0, 0);
  EXPECT_EQ(subclassed, 1);
  EXPECT_EQ(CallWindowProcA(old, b, WM_GETTEXTLENGTH, 0, 0), 5);  // "child"
}

}  // namespace
}  // namespace wintest
