// The message queue: send, post, retrieval order, paint and timer synthesis, key state and
// the "is anything pending?" check.
#include <algorithm>
#include <cstring>
#include <time.h>

#include "platform/win/Backend.h"
#include "platform/win/WinInternal.h"

namespace kvwin {
namespace {

// kvQueueIdle.pending counts posted messages, queued input, windows waiting for paint and a
// pending quit, exactly, so that the idle check is one load and a test; kvQueueIdle.slowCheck
// says the idle check must also look at the clock (timers, hover, display events).
bool g_hoverArmed = false;
int g_countdown = 1;
DWORD g_lastPump = 0;

std::deque<MSG> g_posted;
std::deque<InputEvent> g_input;
std::vector<Timer> g_timers;
UINT_PTR g_nextThreadTimer = 0x7FFF0000;
bool g_quit = false;
int g_quitCode = 0;
BYTE g_keys[256];
DWORD g_lastTime = 0;
POINT g_lastPos{};
POINT g_leftDownPos{};  // where the left button last went down (screen)
DWORD g_queueStatusSeen = 0;

// The coarse clock is a few nanoseconds to read and ticks every few milliseconds, which is
// all a tick count needs (the home platform's ticks in 10 to 16 ms steps).
uint64_t MonotonicMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

// <chrono> cannot be compiled with the code-page execution charset, hence the C clock.
const uint64_t g_start = MonotonicMs();

void SleepMs(int ms) {
  timespec ts{ms / 1000, long(ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

bool InRange(UINT msg, UINT mn, UINT mx) {
  if (mn == 0 && mx == 0) return true;
  return msg >= mn && msg <= mx;
}

bool MatchesWindow(HWND target, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return target == nullptr;
  return target == filter || IsChild(filter, target);
}

bool TakePosted(MSG* msg, HWND filter, UINT mn, UINT mx, bool remove) {
  for (auto it = g_posted.begin(); it != g_posted.end(); ++it) {
    if (!MatchesWindow(it->hwnd, filter)) continue;
    if (!InRange(it->message, mn, mx) && it->message != WM_QUIT) continue;
    *msg = *it;
    if (remove) {
      g_posted.erase(it);
      AddPending(-1);
    }
    return true;
  }
  return false;
}

bool TakeInput(MSG* msg, HWND filter, UINT mn, UINT mx, bool remove) {
  for (auto it = g_input.begin(); it != g_input.end();) {
    MSG m{};
    if (!RouteInput(*it, &m, false)) {  // goes nowhere: drop it (after its leave bookkeeping)
      InputEvent ev = *it;
      it = g_input.erase(it);
      RouteInput(ev, &m, true);
      AddPending(-1);
      continue;
    }
    if (!MatchesWindow(m.hwnd, filter) || !InRange(m.message, mn, mx)) {
      ++it;
      continue;
    }
    if (remove) {
      InputEvent ev = *it;
      g_input.erase(it);
      AddPending(-1);
      if (!RouteInput(ev, &m, true)) {
        it = g_input.begin();  // the target went away while routing; look again
        continue;
      }
    }
    *msg = m;
    return true;
  }
  return false;
}

bool TakePaint(MSG* msg, HWND filter, UINT mn, UINT mx, bool remove) {
  if (!InRange(WM_PAINT, mn, mx)) return false;
  Window* w = NextWindowToPaint();
  if (!w) {
    PresentDirty();
    return false;
  }
  if (!MatchesWindow(w->handle, filter)) return false;
  *msg = MSG{w->handle, WM_PAINT, 0, 0, Now(), CursorPos()};
  if (remove && w->internalPaint) {
    w->internalPaint = false;
    UpdatePaintCount(w);
  }
  return true;
}

bool TakeTimer(MSG* msg, HWND filter, UINT mn, UINT mx, bool remove) {
  if (g_timers.empty() || !InRange(WM_TIMER, mn, mx)) return false;
  DWORD now = Now();
  Timer* best = nullptr;
  for (Timer& t : g_timers) {
    if (LONG(now - t.due) < 0 || !MatchesWindow(t.hwnd, filter)) continue;
    if (!best || LONG(t.due - best->due) < 0) best = &t;
  }
  if (!best) return false;
  *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now,
             CursorPos()};
  if (remove) best->due = now + best->elapse;
  return true;
}

// Milliseconds until the next timer is due (0: now), or -1 without timers.
int NextTimerWait() {
  if (g_timers.empty()) return -1;
  DWORD now = Now();
  LONG best = 0x7FFFFFFF;
  for (const Timer& t : g_timers) best = std::min(best, LONG(t.due - now));
  return best < 0 ? 0 : int(best);
}

bool AnyTimerDue(DWORD now) {
  for (const Timer& t : g_timers)
    if (LONG(now - t.due) >= 0) return true;
  return false;
}

// Reads display events at most once per 5 ms (or at once when `force`, after a wait), so
// loops that look for messages on every element stay cheap.
void PumpBackend(bool force = false) {
  Backend& b = CurrentBackend();
  if (!b.NeedsPump()) return;
  DWORD now = Now();
  if (!force && DWORD(now - g_lastPump) < 5) return;
  g_lastPump = now;
  b.Pump();
}

// Waits for something to arrive; false when nothing ever can.
bool WaitForMore() {
  int wait = NextTimerWait();
  if (g_hoverArmed && (wait < 0 || wait > 10)) wait = 10;
  Backend& b = CurrentBackend();
  if (b.NeedsPump()) {
    b.Wait(wait);
    PumpBackend(true);
    return true;
  }
  if (wait < 0) return false;
  SleepMs(std::max(wait, 1));
  return true;
}

void Post(const MSG& m) {
  g_posted.push_back(m);
  AddPending(1);
}

}  // namespace

void AddPending(int delta) { kvQueueIdle.pending = uint32_t(int64_t(kvQueueIdle.pending) + delta); }

void QueueInput(const InputEvent& ev) {
  g_input.push_back(ev);
  AddPending(1);
}

bool QueueRoom() { return g_input.size() < kQueueLimit; }

bool InputQueued() { return !g_input.empty(); }

void DropMessagesFor(HWND h) {
  size_t before = g_posted.size();
  g_posted.erase(std::remove_if(g_posted.begin(), g_posted.end(),
                                [h](const MSG& m) { return m.hwnd == h; }),
                 g_posted.end());
  AddPending(-int(before - g_posted.size()));
}

void DropTimersFor(HWND h) {
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                [h](const Timer& t) { return t.hwnd == h; }),
                 g_timers.end());
  RefreshSlowCheck();
}

DWORD Now() {
  return DWORD(MonotonicMs() - g_start);
}

POINT LeftButtonDownPos() { return g_leftDownPos; }

void RefreshSlowCheck() {
  kvQueueIdle.slowCheck = !g_timers.empty() || g_hoverArmed || CurrentBackend().NeedsPump();
  g_countdown = 1;
}

void SetHoverArmed(bool armed) {
  g_hoverArmed = armed;
  RefreshSlowCheck();
}

void SetKeyStateFromMessage(UINT msg, WPARAM wParam) {
  auto press = [](int vk, bool down) {
    BYTE& k = g_keys[vk & 0xFF];
    if (down && !(k & 0x80)) k ^= 0x01;
    k = BYTE(down ? (k | 0x80) : (k & ~0x80));
  };
  switch (msg) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: press(int(wParam), true); break;
    case WM_KEYUP: case WM_SYSKEYUP: press(int(wParam), false); break;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: press(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: press(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: press(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: press(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: press(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: press(VK_MBUTTON, false); break;
  }
}

bool NextMessage(MSG* msg, HWND filter, UINT mn, UINT mx, bool remove) {
  FreeZombiesIfIdle();
  PumpBackend();
  if (g_hoverArmed) CheckHover(Now());
  bool got = TakePosted(msg, filter, mn, mx, remove);
  if (!got) {
    size_t posted = g_posted.size();
    got = TakeInput(msg, filter, mn, mx, remove);
    // Dropping input that went nowhere may have posted a leave notice: take it now.
    if (!got && g_posted.size() != posted) got = TakePosted(msg, filter, mn, mx, remove);
  }
  if (!got && g_quit) {
    *msg = MSG{nullptr, WM_QUIT, WPARAM(g_quitCode), 0, Now(), CursorPos()};
    if (remove) {
      g_quit = false;
      AddPending(-1);
    }
    got = true;
  }
  if (!got) got = TakePaint(msg, filter, mn, mx, remove) || TakeTimer(msg, filter, mn, mx, remove);
  if (got && remove) {
    g_lastTime = msg->time;
    g_lastPos = msg->pt;
    if (msg->message == WM_LBUTTONDOWN || msg->message == WM_LBUTTONDBLCLK) g_leftDownPos = msg->pt;
    SetKeyStateFromMessage(msg->message, msg->wParam);
  }
  return got;
}

void ResetQueue() {
  AddPending(-int(g_posted.size() + g_input.size()) - (g_quit ? 1 : 0));
  g_posted.clear();
  g_input.clear();
  g_timers.clear();
  g_quit = false;
  std::memset(g_keys, 0, sizeof g_keys);
  RefreshSlowCheck();
}

}  // namespace kvwin

// Declared extern "C" in Windows.h, which gives it C linkage here too.
KvQueueIdleState kvQueueIdle = {0, 0};

using namespace kvwin;

BOOL KvMessagesPendingSlow() {
  if (--g_countdown > 0) return FALSE;
  // Looking at the clock costs more than the flag test, so do it once every few calls.
  g_countdown = 32;
  PumpBackend();
  if (g_hoverArmed) CheckHover(Now());
  if (kvQueueIdle.pending) return TRUE;
  if (!AnyTimerDue(Now())) return FALSE;
  // A due timer stays the answer until it is dispatched: look again on the next call.
  g_countdown = 1;
  return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    std::vector<HWND> tops;
    for (Window* t : TopLevels()) tops.push_back(t->handle);
    for (HWND t : tops) CallProc(FromHandle(t), msg, wParam, lParam);
    return 0;
  }
  return CallProc(FromHandle(hwnd), msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (Window* t : TopLevels()) PostMessageA(t->handle, msg, wParam, lParam);
    return TRUE;
  }
  if (hwnd && !FromHandle(hwnd)) return FALSE;
  if (g_posted.size() >= kQueueLimit) return FALSE;
  Post(MSG{hwnd, msg, wParam, lParam, Now(), CursorPos()});
  return TRUE;
}

BOOL PostThreadMessageA(DWORD, UINT msg, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  if (!g_quit) AddPending(1);
  g_quit = true;
  g_quitCode = exitCode;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT mn, UINT mx, UINT removeFlags) {
  if (!msg) return FALSE;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !FromHandle(hwnd)) return FALSE;
  return NextMessage(msg, hwnd, mn, mx, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT mn, UINT mx) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !FromHandle(hwnd)) return -1;
  for (;;) {
    if (NextMessage(msg, hwnd, mn, mx, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    if (!WaitForMore()) {
      // Headless, nothing queued and no timer: nothing can ever arrive, so end the loop.
      *msg = MSG{nullptr, WM_QUIT, 0, 0, Now(), CursorPos()};
      return FALSE;
    }
  }
}

BOOL WaitMessage() {
  MSG m;
  while (!NextMessage(&m, nullptr, 0, 0, false))
    if (!WaitForMore()) return FALSE;
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    if (msg->hwnd && !FromHandle(msg->hwnd)) return 0;
    SendDepthGuard guard;
    proc(msg->hwnd, WM_TIMER, UINT_PTR(msg->wParam), Now());
    return 0;
  }
  return CallProc(FromHandle(msg->hwnd), msg->message, msg->wParam, msg->lParam);
}

namespace {

// The character a key types under the current shift state (US layout), or 0.
int CharForKey(WPARAM vk, bool shift, bool caps, bool ctrl, bool textElsewhere) {
  if (vk == VK_RETURN) return '\r';
  if (vk == VK_TAB) return '\t';
  if (vk == VK_BACK) return '\b';
  if (vk == VK_ESCAPE) return 0x1B;
  if (ctrl) return vk >= 'A' && vk <= 'Z' ? int(vk - 'A' + 1) : 0;
  if (textElsewhere) return 0;
  if (vk == VK_SPACE) return ' ';
  if (vk >= 'A' && vk <= 'Z') return (shift != caps) ? int(vk) : int(vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : int(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return int('0' + (vk - VK_NUMPAD0));
  struct Oem { WPARAM vk; char plain, shifted; };
  static const Oem oem[] = {{VK_OEM_1, ';', ':'}, {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'},
                            {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
                            {VK_OEM_3, '`', '~'}, {VK_OEM_4, '[', '{'}, {VK_OEM_5, '\\', '|'},
                            {VK_OEM_6, ']', '}'}, {VK_OEM_7, '\'', '"'}, {VK_MULTIPLY, '*', '*'},
                            {VK_ADD, '+', '+'}, {VK_SUBTRACT, '-', '-'}, {VK_DECIMAL, '.', '.'},
                            {VK_DIVIDE, '/', '/'}};
  for (const Oem& o : oem)
    if (o.vk == vk) return shift ? o.shifted : o.plain;
  return 0;
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool caps = GetKeyState(VK_CAPITAL) & 1;
  bool ctrl = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
  int ch = CharForKey(msg->wParam, shift, caps, ctrl, (msg->lParam & kKeyHasTextEvent) != 0);
  if (!ch) return FALSE;
  UINT charMsg = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  return PostMessageA(msg->hwnd, charMsg, WPARAM(ch), msg->lParam & ~kKeyHasTextEvent);
}

DWORD GetQueueStatus(UINT flags) {
  DWORD now = 0;
  if (!g_posted.empty() || g_quit) now |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  for (const InputEvent& ev : g_input) {
    if (ev.message >= WM_KEYFIRST && ev.message <= WM_KEYLAST) now |= QS_KEY;
    else if (ev.message == WM_MOUSEMOVE) now |= QS_MOUSEMOVE;
    else now |= QS_MOUSEBUTTON;
  }
  if (NextWindowToPaint()) now |= QS_PAINT;
  if (AnyTimerDue(Now())) now |= QS_TIMER;
  now &= flags;
  DWORD fresh = now & ~g_queueStatusSeen;
  g_queueStatusSeen = now;
  return (now << 16) | fresh;
}

LONG GetMessageTime() { return LONG(g_lastTime); }

DWORD GetMessagePos() { return DWORD(MAKELONG(g_lastPos.x, g_lastPos.y)); }

BOOL InSendMessage() { return FALSE; }

SHORT GetKeyState(int vk) {
  BYTE k = g_keys[vk & 0xFF];
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) k = g_keys[VK_SHIFT];
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) k = g_keys[VK_CONTROL];
  if (vk == VK_LMENU || vk == VK_RMENU) k = g_keys[VK_MENU];
  return SHORT((k & 0x80 ? 0x8000 : 0) | (k & 0x01));
}

SHORT GetAsyncKeyState(int vk) { return SHORT(GetKeyState(vk) & 0x8000); }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (hwnd && !FromHandle(hwnd)) return 0;
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
  if (!hwnd) {
    auto same = std::find_if(g_timers.begin(), g_timers.end(),
                             [id](const Timer& t) { return !t.hwnd && t.id == id; });
    if (same == g_timers.end() || id == 0) id = ++g_nextThreadTimer;
  }
  auto it = std::find_if(g_timers.begin(), g_timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  Timer t{hwnd, id, elapse, proc, Now() + elapse};
  if (it != g_timers.end())
    *it = t;
  else
    g_timers.push_back(t);
  RefreshSlowCheck();
  return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto it = std::find_if(g_timers.begin(), g_timers.end(),
                         [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == g_timers.end()) return FALSE;
  g_timers.erase(it);
  RefreshSlowCheck();
  return TRUE;
}

DWORD GetTickCount() { return Now(); }

UINT GetDoubleClickTime() { return 500; }

BOOL MessageBeep(UINT) { return TRUE; }
