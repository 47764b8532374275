// The default handling of system commands: states inside the parent, close, the move loop.
#include "tests/platform/win/WinTest.h"

namespace wintest {
namespace {

class SysCommandTest : public WinTest {
 protected:
  RECT RectIn(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    POINT o{0, 0};
    ClientToScreen(GetParent(h), &o);
    return RECT{r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y};
  }
  static std::vector<LONG> V(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
};

TEST_F(SysCommandTest, StatesOfAChildWindowInsideItsParent) {
  HWND parent = Top(0, 0, 300, 200);
  HWND c = Child(parent, 20, 30, 100, 80);
  Pump();
  struct Step {
    WPARAM command;  // low bits set on some to show they are ignored
    RECT rect;
    bool zoomed, iconic;
    WPARAM sizeKind;
  };
  const Step steps[] = {
      {SC_MAXIMIZE | 3, {0, 0, 300, 200}, true, false, SIZE_MAXIMIZED},
      {SC_MINIMIZE | 1, {0, 176, 160, 200}, false, true, SIZE_MINIMIZED},
      {SC_RESTORE, {0, 0, 300, 200}, true, false, SIZE_MAXIMIZED},  // back to maximised
      {SC_RESTORE | 2, {20, 30, 120, 110}, false, false, SIZE_RESTORED},
      {SC_MINIMIZE, {0, 176, 160, 200}, false, true, SIZE_MINIMIZED},
      {SC_RESTORE, {20, 30, 120, 110}, false, false, SIZE_RESTORED},
      {SC_MAXIMIZE, {0, 0, 300, 200}, true, false, SIZE_MAXIMIZED},
      {SC_RESTORE, {20, 30, 120, 110}, false, false, SIZE_RESTORED},
  };
  for (const Step& s : steps) {
    ClearLog();
    SendMessageA(c, WM_SYSCOMMAND, s.command, 0);
    EXPECT_EQ(V(RectIn(c)), V(s.rect)) << std::hex << s.command;
    EXPECT_EQ(IsZoomed(c) != FALSE, s.zoomed) << std::hex << s.command;
    EXPECT_EQ(IsIconic(c) != FALSE, s.iconic) << std::hex << s.command;
    auto sizes = Seen(WM_SIZE, c);
    ASSERT_EQ(sizes.size(), 1u) << std::hex << s.command;
    EXPECT_EQ(sizes[0].wParam, s.sizeKind) << std::hex << s.command;
    EXPECT_EQ(LOWORD(sizes[0].lParam), s.rect.right - s.rect.left);
  }
}

TEST_F(SysCommandTest, PostedCommandsWorkThroughTheLoopAndStatesFollowTheParent) {
  HWND parent = Top(0, 0, 300, 200);
  HWND c = Child(parent, 20, 30, 100, 80);
  HWND d = Child(parent, 0, 0, 50, 50);
  PostMessageA(c, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  PostMessageA(d, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  Pump();
  EXPECT_TRUE(IsZoomed(c));
  EXPECT_TRUE(IsIconic(d));
  MoveWindow(parent, 0, 0, 400, 250, TRUE);
  EXPECT_EQ(V(RectIn(c)), (std::vector<LONG>{0, 0, 400, 250}));
  EXPECT_EQ(V(RectIn(d)), (std::vector<LONG>{0, 226, 160, 250}));
  // A second minimised sibling takes the next place in the row.
  SendMessageA(c, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_EQ(V(RectIn(c)), (std::vector<LONG>{160, 226, 320, 250}));
}

TEST_F(SysCommandTest, CloseSendsCloseWhichDestroysUnlessHandled) {
  struct Case {
    const char* what;
    bool handleClose;
    bool survives;
  };
  const Case cases[] = {{"default close destroys", false, false},
                        {"handled close keeps the window", true, true}};
  for (const Case& c : cases) {
    HWND t = Top();
    HWND w = Child(t, 0, 0, 10, 10);
    if (c.handleClose)
      Handlers()[w] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* out) {
        *out = 0;
        return m == WM_CLOSE;
      };
    ClearLog();
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE | 5, 0);
    EXPECT_EQ(Seen(WM_CLOSE, w).size(), 1u) << c.what;
    EXPECT_EQ(IsWindow(w) != FALSE, c.survives) << c.what;
    DestroyWindow(t);
  }
  // Posting SC_CLOSE and then a message to a second window: the close runs first.
  HWND t = Top();
  HWND w = Child(t, 0, 0, 10, 10);
  bool goneBeforeSecond = false;
  Handlers()[t] = [&](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER + 26) goneBeforeSecond = !IsWindow(w);
    return false;
  };
  PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(t, WM_USER + 26, reinterpret_cast<WPARAM>(w), 0);
  Pump();
  EXPECT_TRUE(goneBeforeSecond);
}

class MoveLoopTest : public SysCommandTest {
 protected:
  void SetUp() override {
    SysCommandTest::SetUp();
    top = Top(0, 0, 400, 300);
    form = Child(top, 50, 40, 200, 150);
    Pump();
    // The title-drag idiom: on any button press, give up the capture and ask the system
    // to move the window with the mouse.
    Handlers()[form] = [this](HWND h, UINT m, WPARAM, LPARAM, LRESULT* out) {
      if (m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN) {
        SetCapture(h);
        ReleaseCapture();
        // A message retrieved in between must not shift where the drag started.
        PostMessageA(top, WM_USER + 1, 0, 0);
        MSG between;
        if (PeekMessageA(&between, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE)) DispatchMessageA(&between);
        PostMessageA(top, WM_USER, 0, 0);  // must be handled while the loop runs
        SendMessageA(h, WM_SYSCOMMAND, SC_MOVE | 1, 0);
        *out = 0;
        return true;
      }
      return false;
    };
    ClearLog();
  }
  HWND top = nullptr, form = nullptr;
};

TEST_F(MoveLoopTest, PressMoveReleaseMovesTheWindowByThePointerDelta) {
  KvInjectMouse(top, WM_LBUTTONDOWN, 60, 45, MK_LBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 80, 55, MK_LBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 100, 75, MK_LBUTTON);
  KvInjectMouse(top, WM_LBUTTONUP, 110, 80, 0);
  KvInjectMouse(top, WM_MOUSEMOVE, 10, 10, 0);  // after the release: ordinary input again
  Pump();
  EXPECT_EQ(V(RectIn(form)), (std::vector<LONG>{100, 75, 300, 225}));
  auto seq = Sequence(nullptr, {WM_ENTERSIZEMOVE, WM_USER, WM_EXITSIZEMOVE, WM_MOUSEMOVE});
  EXPECT_EQ(seq, (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_USER, WM_EXITSIZEMOVE, WM_MOUSEMOVE}));
  EXPECT_TRUE(Seen(WM_LBUTTONUP).empty());  // the loop took the release
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);
}

TEST_F(MoveLoopTest, WithoutTheLeftButtonDownTheLoopEndsAtOnce) {
  EXPECT_EQ(SendMessageA(form, WM_SYSCOMMAND, SC_MOVE | 2, 0), 0);
  KvInjectMouse(top, WM_RBUTTONDOWN, 60, 45, MK_RBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 80, 55, MK_RBUTTON);
  Pump();
  EXPECT_EQ(V(RectIn(form)), (std::vector<LONG>{50, 40, 250, 190}));
  EXPECT_TRUE(Seen(WM_ENTERSIZEMOVE).empty());
  EXPECT_EQ(Seen(WM_MOUSEMOVE, form).size(), 1u);  // delivered normally
}

TEST_F(MoveLoopTest, EscapeCancelsAndRunningOutOfInputEndsTheLoop) {
  KvInjectMouse(top, WM_LBUTTONDOWN, 60, 45, MK_LBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 90, 45, MK_LBUTTON);
  KvInjectKey(top, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_EQ(V(RectIn(form)), (std::vector<LONG>{50, 40, 250, 190}));

  // Headless, no release queued: the loop ends when the queued input is used up, where
  // the pointer left the window.
  KvInjectKey(top, WM_KEYUP, VK_ESCAPE, 0);
  KvInjectMouse(top, WM_LBUTTONUP, 60, 45, 0);
  Pump();
  ClearLog();
  KvInjectMouse(top, WM_LBUTTONDOWN, 60, 45, MK_LBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 70, 50, MK_LBUTTON);
  Pump();
  EXPECT_EQ(V(RectIn(form)), (std::vector<LONG>{60, 45, 260, 195}));
  EXPECT_EQ(Seen(WM_EXITSIZEMOVE).size(), 1u);
}

TEST_F(MoveLoopTest, TheLoopEndsWhenTheWindowIsDestroyedDuringIt) {
  Handlers()[top] = [this](HWND, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_USER) DestroyWindow(form);
    return false;
  };
  KvInjectMouse(top, WM_LBUTTONDOWN, 60, 45, MK_LBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 80, 55, MK_LBUTTON);
  KvInjectMouse(top, WM_MOUSEMOVE, 90, 65, MK_LBUTTON);
  Pump();
  EXPECT_FALSE(IsWindow(form));
  EXPECT_TRUE(IsWindow(top));
}

TEST_F(SysCommandTest, ShowWindowReportsThePreviousVisibility) {
  HWND t = Top(0, 0, 100, 100, kPlain, WS_POPUP);
  EXPECT_FALSE(ShowWindow(t, SW_SHOW));
  EXPECT_TRUE(ShowWindow(t, SW_SHOW));
  EXPECT_TRUE(ShowWindow(t, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(t));
  EXPECT_FALSE(ShowWindow(t, SW_SHOWMAXIMIZED));
  EXPECT_TRUE(IsZoomed(t));
  EXPECT_TRUE(IsWindowVisible(t));
  RECT r;
  GetWindowRect(t, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
  ShowWindow(t, SW_RESTORE);
  GetWindowRect(t, &r);
  EXPECT_EQ(V(r), (std::vector<LONG>{0, 0, 100, 100}));
}

}  // namespace
}  // namespace wintest
