// Mouse routing, capture, double clicks, leave and hover, focus and activation, keys.
#include <ctime>

#include "tests/platform/win/WinTest.h"

namespace wintest {
namespace {

class InputTest : public WinTest {
 protected:
  void Sleep(int ms) {
    timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
  }
};

TEST_F(InputTest, MouseGoesToTheDeepestTopmostVisibleEnabledWindow) {
  HWND t = Top(100, 50, 100, 100);
  HWND a = Child(t, 10, 10, 40, 40);
  HWND g = Child(a, 5, 5, 10, 10);
  HWND b = Child(t, 30, 30, 40, 40);  // below a
  HWND disabled = Child(t, 70, 70, 20, 20, WS_DISABLED);
  HWND hidden = CreateWindowExA(0, kPlain, "", WS_CHILD, 70, 10, 20, 20, t, nullptr, nullptr, nullptr);
  ASSERT_NE(disabled, nullptr);
  ASSERT_NE(hidden, nullptr);
  Pump();
  struct Case {
    int x, y;
    HWND target;
    int cx, cy;
  };
  const Case cases[] = {
      {15, 15, g, 0, 0},   {12, 12, a, 2, 2},   {45, 45, a, 35, 35}, {60, 60, b, 30, 30},
      {75, 75, t, 75, 75}, {75, 15, t, 75, 15}, {0, 0, t, 0, 0},     {99, 99, t, 99, 99},
  };
  for (const Case& c : cases) {
    ClearLog();
    ASSERT_TRUE(KvInjectMouse(t, WM_LBUTTONDOWN, c.x, c.y, MK_LBUTTON));
    KvInjectMouse(t, WM_LBUTTONUP, c.x, c.y, 0);
    Pump();
    auto downs = Seen(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u) << c.x << "," << c.y;
    EXPECT_EQ(downs[0].hwnd, c.target) << c.x << "," << c.y;
    EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), c.cx) << c.x << "," << c.y;
    EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), c.cy) << c.x << "," << c.y;
    EXPECT_EQ(downs[0].wParam, WPARAM(MK_LBUTTON));
  }
  POINT screen{100 + 60, 50 + 60};
  EXPECT_EQ(WindowFromPoint(screen), b);
  EXPECT_EQ(ChildWindowFromPoint(t, POINT{15, 15}), a);
  EXPECT_EQ(ChildWindowFromPointEx(t, POINT{75, 15}, CWP_SKIPINVISIBLE), t);
  // Outside every window the input goes nowhere and is dropped.
  ClearLog();
  KvInjectMouse(t, WM_LBUTTONDOWN, 150, 10, MK_LBUTTON);
  Pump();
  EXPECT_TRUE(Seen(WM_LBUTTONDOWN).empty());
  EXPECT_FALSE(KvMessagesPending());
}

TEST_F(InputTest, CaptureTakesAllMouseInputAndTellsTheLoser) {
  HWND t = Top(0, 0, 100, 100);
  HWND a = Child(t, 10, 10, 20, 20);
  HWND b = Child(t, 50, 50, 20, 20);
  Pump();
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(GetCapture(), a);
  ClearLog();
  KvInjectMouse(t, WM_MOUSEMOVE, 90, 95, 0);
  Pump();
  auto moves = Seen(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 80);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 85);

  ClearLog();
  EXPECT_EQ(SetCapture(b), a);
  auto changed = Seen(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, a);
  EXPECT_EQ(changed[0].lParam, reinterpret_cast<LPARAM>(b));

  ClearLog();
  EXPECT_TRUE(ReleaseCapture());
  changed = Seen(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);  // even though b let go itself
  EXPECT_EQ(changed[0].hwnd, b);
  EXPECT_EQ(changed[0].lParam, 0);
  EXPECT_EQ(GetCapture(), nullptr);

  SetCapture(a);
  ClearLog();
  DestroyWindow(a);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Seen(WM_CAPTURECHANGED, a).size(), 1u);
}

TEST_F(InputTest, DoubleClicksOnlyForClassesThatAskAndOnlyNearby) {
  struct Case {
    const char* cls;
    int dx;
    int waitMs;
    UINT second, third;
  };
  const Case cases[] = {
      {kDbl, 0, 0, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN},  // a third click starts over
      {kDbl, 2, 0, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN},
      {kDbl, 5, 0, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK},  // too far: the second starts a pair
      {kPlain, 0, 0, WM_LBUTTONDOWN, WM_LBUTTONDOWN},
      {kDbl, 0, 600, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK},  // too late
  };
  for (const Case& c : cases) {
    HWND t = Top(0, 0, 50, 50, c.cls);
    Pump();
    ClearLog();
    KvInjectMouse(t, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
    KvInjectMouse(t, WM_LBUTTONUP, 10, 10, 0);
    Pump();
    if (c.waitMs) Sleep(c.waitMs);
    KvInjectMouse(t, WM_LBUTTONDOWN, 10 + c.dx, 10, MK_LBUTTON);
    KvInjectMouse(t, WM_LBUTTONUP, 10 + c.dx, 10, 0);
    KvInjectMouse(t, WM_LBUTTONDOWN, 10 + c.dx, 10, MK_LBUTTON);
    Pump();
    auto seq = Sequence(t, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    EXPECT_EQ(seq, (std::vector<UINT>{WM_LBUTTONDOWN, c.second, c.third}))
        << c.cls << " dx " << c.dx << " wait " << c.waitMs;
    DestroyWindow(t);
  }
}

TEST_F(InputTest, LeaveArrivesOnceWhenThePointerLeavesATrackedWindow) {
  HWND t = Top(0, 0, 100, 100);
  HWND a = Child(t, 0, 0, 50, 50);
  HWND b = Child(t, 50, 0, 50, 50);
  Pump();
  KvInjectMouse(t, WM_MOUSEMOVE, 10, 10, 0);
  Pump();
  TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, a, 0};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  TRACKMOUSEEVENT q{sizeof q, TME_QUERY, nullptr, 0};
  TrackMouseEvent(&q);
  EXPECT_EQ(q.hwndTrack, a);
  ClearLog();
  KvInjectMouse(t, WM_MOUSEMOVE, 20, 20, 0);  // still inside
  Pump();
  EXPECT_TRUE(Seen(WM_MOUSELEAVE).empty());
  KvInjectMouse(t, WM_MOUSEMOVE, 60, 10, 0);
  KvInjectMouse(t, WM_MOUSEMOVE, 70, 10, 0);
  Pump();
  auto leaves = Seen(WM_MOUSELEAVE);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_EQ(leaves[0].hwnd, a);

  // Asking while the pointer is elsewhere reports the leave at once.
  ClearLog();
  tme.hwndTrack = a;
  TrackMouseEvent(&tme);
  Pump();
  EXPECT_EQ(Seen(WM_MOUSELEAVE, a).size(), 1u);

  // Leaving the top-level window altogether counts too.
  tme.hwndTrack = b;
  TrackMouseEvent(&tme);
  ClearLog();
  KvInjectMouse(t, WM_MOUSEMOVE, 300, 10, 0);
  Pump();
  EXPECT_EQ(Seen(WM_MOUSELEAVE, b).size(), 1u);
}

TEST_F(InputTest, HoverArrivesAfterThePointerRests) {
  HWND t = Top(0, 0, 50, 50);
  Pump();
  KvInjectMouse(t, WM_MOUSEMOVE, 10, 12, 0);
  Pump();
  TRACKMOUSEEVENT tme{sizeof tme, TME_HOVER | TME_LEAVE, t, 20};
  ASSERT_TRUE(TrackMouseEvent(&tme));
  ClearLog();
  DWORD start = GetTickCount();
  MSG m;
  while (Seen(WM_MOUSEHOVER).empty() && GetTickCount() - start < 3000) {
    if (GetMessageA(&m, nullptr, 0, 0) <= 0) break;
    DispatchMessageA(&m);
  }
  auto hover = Seen(WM_MOUSEHOVER, t);
  ASSERT_EQ(hover.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(hover[0].lParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(hover[0].lParam), 12);
}

TEST_F(InputTest, FocusMovesWithKillThenSetAndCarriesTheOtherHandle) {
  HWND t = Top();
  HWND a = Child(t, 0, 0, 10, 10);
  HWND b = Child(t, 20, 0, 10, 10);
  HWND off = Child(t, 40, 0, 10, 10, WS_DISABLED);
  Pump();
  SetFocus(a);
  ClearLog();
  EXPECT_EQ(SetFocus(b), a);
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[0].hwnd, a);
  EXPECT_EQ(Log()[0].msg, UINT(WM_KILLFOCUS));
  EXPECT_EQ(Log()[0].wParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(Log()[1].hwnd, b);
  EXPECT_EQ(Log()[1].msg, UINT(WM_SETFOCUS));
  EXPECT_EQ(Log()[1].wParam, reinterpret_cast<WPARAM>(a));
  EXPECT_EQ(GetFocus(), b);

  ClearLog();
  EXPECT_EQ(SetFocus(b), b);  // already there: no messages
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(SetFocus(off), nullptr);  // disabled
  EXPECT_EQ(GetFocus(), b);

  // Keys go to the focus window.
  ClearLog();
  KvInjectKey(t, WM_KEYDOWN, 'Q', 0);
  KvInjectChar(t, 'q');
  Pump();
  EXPECT_EQ(Seen(WM_KEYDOWN, b).size(), 1u);
  EXPECT_EQ(Seen(WM_CHAR, b).size(), 2u);  // the translated one and the injected one

  // Disabling or hiding the focus window takes the focus away.
  EnableWindow(b, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  SetFocus(a);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetFocus(), nullptr);
  ClearLog();
  KvInjectKey(t, WM_KEYDOWN, 'Q', 0);
  Pump();
  EXPECT_EQ(Seen(WM_KEYDOWN, t).size(), 1u);  // nobody has focus: the top-level window
}

TEST_F(InputTest, ClickingAnotherTopLevelWindowActivatesIt) {
  HWND one = Top(0, 0, 50, 50);
  HWND two = Top(100, 0, 50, 50);
  Pump();
  EXPECT_EQ(GetActiveWindow(), two);
  ClearLog();
  KvInjectMouse(one, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  Pump();
  EXPECT_EQ(GetActiveWindow(), one);
  auto acts = Seen(WM_ACTIVATE);
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0].hwnd, two);
  EXPECT_EQ(LOWORD(acts[0].wParam), WA_INACTIVE);
  EXPECT_EQ(acts[1].hwnd, one);
  EXPECT_NE(LOWORD(acts[1].wParam), WA_INACTIVE);
  EXPECT_EQ(GetFocus(), one);  // default activation focuses the window
  EXPECT_EQ(Sequence(one, {WM_ACTIVATE, WM_LBUTTONDOWN}), (std::vector<UINT>{WM_ACTIVATE, WM_LBUTTONDOWN}));
}

TEST_F(InputTest, DestroyingOrHidingTheActiveWindowActivatesTheNextOne) {
  HWND one = Top(0, 0, 50, 50);
  HWND two = Top(100, 0, 50, 50);
  HWND three = Top(200, 0, 50, 50);
  Pump();
  EXPECT_EQ(GetActiveWindow(), three);
  DestroyWindow(three);
  EXPECT_EQ(GetActiveWindow(), two);
  ShowWindow(two, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), one);
  EXPECT_EQ(GetFocus(), one);
}

TEST_F(InputTest, InputToADisabledTopLevelWindowIsDropped) {
  HWND t = Top(0, 0, 50, 50);
  Pump();
  EnableWindow(t, FALSE);
  ClearLog();
  KvInjectMouse(t, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  KvInjectKey(t, WM_KEYDOWN, 'A', 0);
  Pump();
  EXPECT_TRUE(Seen(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Seen(WM_KEYDOWN).empty());
  EXPECT_FALSE(KvMessagesPending());
}

}  // namespace
}  // namespace wintest
