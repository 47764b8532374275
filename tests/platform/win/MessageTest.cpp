// Sending, posting, retrieval order, the idle check, quitting, translation and timers.
#include <ctime>

#include "tests/platform/win/WinTest.h"

namespace wintest {
namespace {

class MessageTest : public WinTest {};

TEST_F(MessageTest, SentMessagesNestOnTheCallersStack) {
  HWND a = Top(), b = Top();
  Pump();
  ClearLog();
  Handlers()[a] = [b](HWND, UINT m, WPARAM, LPARAM, LRESULT* out) {
    if (m == WM_USER) {
      *out = SendMessageA(b, WM_USER + 1, 0, 0) + 1;
      return true;
    }
    if (m == WM_USER + 2) {
      *out = 40;
      return true;
    }
    return false;
  };
  Handlers()[b] = [a](HWND, UINT m, WPARAM, LPARAM, LRESULT* out) {
    if (m != WM_USER + 1) return false;
    *out = SendMessageA(a, WM_USER + 2, 0, 0) + 1;  // re-enters a while a waits
    return true;
  };
  EXPECT_EQ(SendMessageA(a, WM_USER, 0, 0), 42);
  EXPECT_EQ(Sequence(nullptr, {WM_USER, WM_USER + 1, WM_USER + 2}),
            (std::vector<UINT>{WM_USER, WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(Log()[0].hwnd, a);
  EXPECT_EQ(Log()[1].hwnd, b);
  EXPECT_EQ(Log()[2].hwnd, a);
}

TEST_F(MessageTest, PostedMessagesArriveInOrderAndPostsFromHandlersQueueBehind) {
  HWND a = Top(), b = Top();
  Pump();
  ClearLog();
  Handlers()[a] = [a](HWND, UINT m, WPARAM w, LPARAM, LRESULT*) {
    if (m == WM_USER && w == 1) PostMessageA(a, WM_USER, 99, 0);
    return false;
  };
  ASSERT_TRUE(PostMessageA(a, WM_USER, 1, 0));
  ASSERT_TRUE(PostMessageA(b, WM_USER, 2, 0));
  ASSERT_TRUE(PostMessageA(a, WM_USER, 3, 0));
  ASSERT_TRUE(PostMessageA(b, WM_USER, 4, 0));
  Pump();
  std::vector<WPARAM> order;
  for (const Event& e : Seen(WM_USER)) order.push_back(e.wParam);
  EXPECT_EQ(order, (std::vector<WPARAM>{1, 2, 3, 4, 99}));
}

TEST_F(MessageTest, PostToAWindowDestroyedBeforeDeliveryIsDropped) {
  HWND a = Top(), b = Top();
  Pump();
  ClearLog();
  PostMessageA(a, WM_USER, 1, 0);
  PostMessageA(b, WM_USER, 2, 0);
  PostMessageA(a, WM_USER, 3, 0);
  DestroyWindow(a);
  Pump();
  ASSERT_EQ(Seen(WM_USER).size(), 1u);
  EXPECT_EQ(Seen(WM_USER)[0].hwnd, b);
  EXPECT_FALSE(KvMessagesPending());
}

TEST_F(MessageTest, RetrievalOrderIsPostedInputQuitPaintTimer) {
  HWND a = Top(0, 0, 50, 50);
  Pump();
  ValidateRect(a, nullptr);
  ClearLog();
  SetTimer(a, 7, 10, nullptr);
  timespec ts{0, 30 * 1000000L};
  nanosleep(&ts, nullptr);
  InvalidateRect(a, nullptr, FALSE);
  KvInjectMouse(a, WM_MOUSEMOVE, 5, 5, 0);
  PostMessageA(a, WM_USER, 0, 0);
  PostQuitMessage(3);
  std::vector<UINT> order;
  MSG m;
  while (order.size() < 5 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(m.message);
    if (m.message == WM_QUIT) {
      EXPECT_EQ(m.wParam, 3u);
    }
    DispatchMessageA(&m);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_MOUSEMOVE, WM_QUIT, WM_PAINT, WM_TIMER}));
  KillTimer(a, 7);
}

TEST_F(MessageTest, PaintStaysQueuedUntilValidatedAndNoRemoveKeepsPosted) {
  HWND a = Top(0, 0, 50, 50);
  Handlers()[a] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* out) {
    *out = 0;
    return m == WM_PAINT;  // answers paint without validating
  };
  Pump(20);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_PAINT));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_PAINT));
  ValidateRect(a, nullptr);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));

  PostMessageA(a, WM_USER, 5, 0);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageTest, PeekFiltersByWindowAndRange) {
  HWND a = Top(), b = Top();
  HWND c = Child(a, 0, 0, 10, 10);
  Pump();
  PostMessageA(b, WM_USER, 1, 0);
  PostMessageA(c, WM_USER + 5, 2, 0);
  PostMessageA(a, WM_USER + 9, 3, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, a, 0, 0, PM_REMOVE));  // a and its children only
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 8, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(m.wParam, 3u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 1u);
}

TEST_F(MessageTest, PendingCheckAnswersForPostsInputAndPaint) {
  HWND a = Top(0, 0, 50, 50);
  HWND hidden = CreateWindowExA(0, kPlain, "", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  Pump();
  EXPECT_FALSE(KvMessagesPending());
  struct Case {
    const char* what;
    std::function<void()> make;
    bool pending;
  };
  const Case cases[] = {
      {"post", [&] { PostMessageA(a, WM_USER, 0, 0); }, true},
      {"thread post", [&] { PostMessageA(nullptr, WM_USER, 0, 0); }, true},
      {"input", [&] { KvInjectKey(a, WM_KEYDOWN, 'A', 0); }, true},
      {"invalidate", [&] { InvalidateRect(a, nullptr, TRUE); }, true},
      {"invalidate hidden", [&] { InvalidateRect(hidden, nullptr, TRUE); }, false},
      {"quit", [&] { PostQuitMessage(0); }, true},
      {"post to stale", [&] { PostMessageA(reinterpret_cast<HWND>(0x7000000), WM_USER, 0, 0); }, false},
  };
  for (const Case& c : cases) {
    c.make();
    EXPECT_EQ(KvMessagesPending() != FALSE, c.pending) << c.what;
    EXPECT_EQ((GetQueueStatus(QS_ALLINPUT) >> 16) != 0, c.pending) << c.what;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    EXPECT_FALSE(KvMessagesPending()) << c.what;
  }
}

TEST_F(MessageTest, GetMessageEndsWhenNothingCanArriveHeadless) {
  Top();
  Pump();
  MSG m;
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  PostMessageA(nullptr, WM_USER, 0, 0);
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, UINT(WM_USER));
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_EQ(DispatchMessageA(&m), 0);  // a thread message goes to no window
  PostQuitMessage(9);
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.wParam, 9u);
  EXPECT_EQ(GetMessageA(&m, reinterpret_cast<HWND>(0x5000000), 0, 0), -1);
  EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

TEST_F(MessageTest, TranslateMakesCharactersFromKeysUnderTheShiftState) {
  HWND a = Top();
  Pump();
  struct Case {
    WPARAM vk;
    bool shift, caps, ctrl;
    int ch;  // 0: no character
  };
  const Case cases[] = {
      {'A', false, false, false, 'a'}, {'A', true, false, false, 'A'},
      {'A', false, true, false, 'A'},  {'A', true, true, false, 'a'},
      {'1', false, false, false, '1'}, {'1', true, false, false, '!'},
      {VK_OEM_2, true, false, false, '?'}, {VK_SPACE, false, false, false, ' '},
      {VK_RETURN, false, false, false, '\r'}, {VK_BACK, false, false, false, '\b'},
      {'C', false, false, true, 3},     {VK_LEFT, false, false, false, 0},
      {VK_F1, false, false, false, 0},  {VK_NUMPAD7, false, false, false, '7'},
  };
  auto press = [&](WPARAM vk, bool down) {
    KvInjectKey(a, down ? WM_KEYDOWN : WM_KEYUP, vk, 0);
    Pump();
  };
  for (const Case& c : cases) {
    if (c.shift) press(VK_SHIFT, true);
    if (c.ctrl) press(VK_CONTROL, true);
    if (c.caps) press(VK_CAPITAL, true), press(VK_CAPITAL, false);
    ClearLog();
    MSG key{a, WM_KEYDOWN, c.vk, 1, 0, {}};
    EXPECT_EQ(TranslateMessage(&key) != FALSE, c.ch != 0) << c.vk;
    Pump();
    auto chars = Seen(WM_CHAR, a);
    if (c.ch) {
      ASSERT_EQ(chars.size(), 1u) << c.vk;
      EXPECT_EQ(int(chars[0].wParam), c.ch) << c.vk;
    } else {
      EXPECT_TRUE(chars.empty()) << c.vk;
    }
    if (c.shift) press(VK_SHIFT, false);
    if (c.ctrl) press(VK_CONTROL, false);
    if (c.caps) press(VK_CAPITAL, true), press(VK_CAPITAL, false);
  }
  MSG up{a, WM_KEYUP, 'A', 1, 0, {}};
  EXPECT_FALSE(TranslateMessage(&up));
  EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(MessageTest, KeyStateFollowsRetrievedKeyMessages) {
  HWND a = Top();
  Pump();
  KvInjectKey(a, WM_KEYDOWN, VK_SHIFT, 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);  // queued, not yet retrieved
  Pump();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetKeyState(VK_LSHIFT), 0);
  KvInjectKey(a, WM_KEYUP, VK_SHIFT, 0);
  Pump();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 1, 1);  // toggled by the press
}

TEST_F(MessageTest, TimersFireThroughTheLoopAndStopWhenKilled) {
  HWND a = Top();
  Pump();
  static int procCalls;
  procCalls = 0;
  ASSERT_EQ(SetTimer(a, 3, 15, nullptr), 3u);
  UINT_PTR threadTimer =
      SetTimer(nullptr, 0, 15, [](HWND, UINT, UINT_PTR, DWORD) { ++procCalls; });
  ASSERT_NE(threadTimer, 0u);
  DWORD start = GetTickCount();
  MSG m;
  while ((Seen(WM_TIMER, a).empty() || procCalls == 0) && GetTickCount() - start < 3000) {
    if (GetMessageA(&m, nullptr, 0, 0) <= 0) break;
    DispatchMessageA(&m);
  }
  ASSERT_FALSE(Seen(WM_TIMER, a).empty());
  EXPECT_EQ(Seen(WM_TIMER, a)[0].wParam, 3u);
  EXPECT_GT(procCalls, 0);
  EXPECT_TRUE(KillTimer(a, 3));
  EXPECT_TRUE(KillTimer(nullptr, threadTimer));
  EXPECT_FALSE(KillTimer(a, 3));
  ClearLog();
  // Nothing left to wait for: the headless loop ends instead of blocking.
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
  EXPECT_TRUE(Seen(WM_TIMER).empty());
  EXPECT_EQ(SetTimer(reinterpret_cast<HWND>(0x4000000), 1, 10, nullptr), 0u);
}

TEST_F(MessageTest, PendingCheckSeesATimerOnlyOnceItIsDue) {
  HWND a = Top();
  Pump();
  DWORD start = GetTickCount();
  SetTimer(a, 1, 300, nullptr);
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(KvMessagesPending());
  bool seen = false;
  while (!seen && GetTickCount() - start < 5000) seen = KvMessagesPending() != FALSE;
  EXPECT_TRUE(seen);
  EXPECT_TRUE(KvMessagesPending());  // and stays pending until it is dispatched
  EXPECT_GE(GetTickCount() - start, 250u);  // not before it was due (coarse clock)
  KillTimer(a, 1);
}

TEST_F(MessageTest, DestroyingAWindowKillsItsTimers) {
  HWND a = Top();
  SetTimer(a, 1, 10, nullptr);
  DestroyWindow(a);
  MSG m;
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);  // no timer left to wait for
}

TEST_F(MessageTest, PostingStopsAtTheQueueLimit) {
  HWND a = Top();
  Pump();
  int accepted = 0;
  while (accepted < 20000 && PostMessageA(a, WM_USER, 0, 0)) ++accepted;
  EXPECT_EQ(accepted, 10000);
  EXPECT_EQ(Pump(20000), 10000);
  EXPECT_TRUE(PostMessageA(a, WM_USER, 0, 0));
}

}  // namespace
}  // namespace wintest
