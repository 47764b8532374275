// Input routing (capture, hit testing, double clicks, leave and hover), focus, activation
// and capture, and the injection entry points that real and scripted input share.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/win/Backend.h"
#include "platform/win/WinInternal.h"

namespace kvwin {
namespace {

constexpr DWORD kDefaultHoverMs = 400;

HWND g_focus = nullptr;
HWND g_active = nullptr;
HWND g_capture = nullptr;
POINT g_cursor{};
HWND g_under = nullptr;    // window under the pointer as of the last mouse message taken
HWND g_tracked = nullptr;  // window that asked for leave/hover notification
DWORD g_hoverDeadline = 0;

struct LastClick {
  HWND hwnd = nullptr;
  UINT message = 0;
  DWORD time = 0;
  POINT pt{};
};
LastClick g_lastClick;

bool IsMouseMessage(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }
bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN;
}

bool Within(const Window* ancestor, const Window* w) {
  for (; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

bool IsDoubleClick(HWND target, UINT msg, const InputEvent& ev) {
  Window* w = FromHandle(target);
  if (!w || !IsButtonDown(msg) || !(w->cls->wc.style & CS_DBLCLKS)) return false;
  const LastClick& c = g_lastClick;
  return c.hwnd == target && c.message == msg && DWORD(ev.time - c.time) <= GetDoubleClickTime() &&
         std::abs(ev.screen.x - c.pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
         std::abs(ev.screen.y - c.pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
}

// Leave and hover bookkeeping for the window now under the pointer.
void PointerOver(HWND under, UINT msg) {
  Window* tracked = FromHandle(g_tracked);
  if (tracked && under != g_tracked) {
    if (tracked->trackLeave) PostMessageA(g_tracked, WM_MOUSELEAVE, 0, 0);
    tracked->trackLeave = tracked->trackHover = false;
    g_tracked = nullptr;
    SetHoverArmed(false);
  } else if (tracked && tracked->trackHover && msg == WM_MOUSEMOVE) {
    g_hoverDeadline = Now() + tracked->hoverTime;  // the pointer has to rest to hover
  }
  g_under = under;
}

bool RouteMouse(const InputEvent& ev, MSG* out, bool commit) {
  Window* top = FromHandle(ev.top);
  HWND under = nullptr;
  if (top) {
    if (Window* hit = HitTest(top, ev.screen)) under = hit->handle;
  }
  HWND target = g_capture && FromHandle(g_capture) ? g_capture : under;
  if (ev.message == WM_MOUSEWHEEL && g_focus && FromHandle(g_focus)) target = g_focus;
  if (commit) PointerOver(under, ev.message);
  Window* t = FromHandle(target);
  if (!t) return false;
  UINT msg = ev.message;
  if (IsDoubleClick(target, msg, ev)) msg += 2;  // WM_xBUTTONDOWN -> WM_xBUTTONDBLCLK
  LPARAM lp;
  if (msg == WM_MOUSEWHEEL) {
    lp = MAKELPARAM(ev.screen.x, ev.screen.y);
  } else {
    POINT o = OriginOnScreen(t);
    lp = MAKELPARAM(ev.screen.x - o.x, ev.screen.y - o.y);
  }
  *out = MSG{target, msg, ev.wParam, lp, ev.time, ev.screen};
  if (commit) {
    if (IsButtonDown(ev.message)) {
      g_lastClick = msg == ev.message ? LastClick{target, msg, ev.time, ev.screen} : LastClick{};
      Window* root = TopOf(t);
      if (root && root->handle != g_active) SetActiveWindow(root->handle);
      if (!FromHandle(target)) return false;
    }
  }
  return true;
}

bool RouteKey(const InputEvent& ev, MSG* out) {
  Window* top = FromHandle(ev.top);
  if (!top || !top->Enabled()) return false;
  Window* focus = FromHandle(g_focus);
  Window* target = focus && Within(top, focus) ? focus : top;
  *out = MSG{target->handle, ev.message, ev.wParam, ev.lParam, ev.time, g_cursor};
  return true;
}

bool QueueFor(HWND top, UINT msg, WPARAM wParam, LPARAM lParam, POINT screen) {
  Window* w = FromHandle(top);
  if (!w) return FALSE;
  if (!QueueRoom()) return FALSE;
  InputEvent ev{TopOf(w)->handle, msg, wParam, lParam, screen, Now()};
  QueueInput(ev);
  return TRUE;
}

}  // namespace

bool RouteInput(const InputEvent& ev, MSG* out, bool commit) {
  if (IsMouseMessage(ev.message)) return RouteMouse(ev, out, commit);
  return RouteKey(ev, out);
}

Window* HitTest(Window* top, POINT screen) {
  if (!top || !top->Visible() || !top->Enabled()) return nullptr;
  POINT p{screen.x - top->rect.left, screen.y - top->rect.top};
  if (p.x < 0 || p.y < 0 || p.x >= top->Width() || p.y >= top->Height()) return nullptr;
  Window* cur = top;
  for (;;) {
    Window* next = nullptr;
    for (auto it = cur->children.rbegin(); it != cur->children.rend(); ++it) {
      Window* c = *it;
      if (!c->Visible() || !c->Enabled() || (c->exStyle & WS_EX_TRANSPARENT)) continue;
      if (p.x >= c->rect.left && p.x < c->rect.right && p.y >= c->rect.top && p.y < c->rect.bottom) {
        next = c;
        break;
      }
    }
    if (!next) return cur;
    p.x -= next->rect.left, p.y -= next->rect.top;
    cur = next;
  }
}

void ForgetWindowInput(Window* w) {
  if (Window* f = FromHandle(g_focus); f && Within(w, f)) {
    HWND old = g_focus;
    g_focus = nullptr;
    SendMessageA(old, WM_KILLFOCUS, 0, 0);
  }
  if (Window* c = FromHandle(g_capture); c && Within(w, c)) ReleaseCapture();
  if (g_active == w->handle) {
    g_active = nullptr;
    SendMessageA(w->handle, WM_ACTIVATE, WA_INACTIVE, 0);
  }
  if (Window* t = FromHandle(g_tracked); t && Within(w, t)) {
    g_tracked = nullptr;
    SetHoverArmed(false);
  }
  if (Window* u = FromHandle(g_under); u && Within(w, u)) g_under = nullptr;
  if (Window* c = FromHandle(g_lastClick.hwnd); c && Within(w, c)) g_lastClick = LastClick{};
}

void HideFocusFrom(Window* w) {
  if (!w) return;
  if (Window* f = FromHandle(g_focus); f && Within(w, f)) SetFocus(nullptr);
  if (Window* c = FromHandle(g_capture); c && Within(w, c)) ReleaseCapture();
  if (w->IsTop() && g_active == w->handle) {
    g_active = nullptr;
    SendMessageA(w->handle, WM_ACTIVATE, WA_INACTIVE, 0);
  }
}

void CheckHover(DWORD now) {
  Window* t = FromHandle(g_tracked);
  if (!t || !t->trackHover || LONG(now - g_hoverDeadline) < 0) return;
  t->trackHover = false;
  if (!t->trackLeave) SetHoverArmed(false);
  POINT p = g_cursor;
  ScreenToClient(g_tracked, &p);
  PostMessageA(g_tracked, WM_MOUSEHOVER, 0, MAKELPARAM(p.x, p.y));
  SetHoverArmed(false);
}

POINT CursorPos() { return g_cursor; }

void ResetInput() {
  g_focus = g_active = g_capture = g_under = g_tracked = nullptr;
  g_lastClick = LastClick{};
  g_cursor = POINT{};
}

void ActivateNextTop() {
  if (g_active && FromHandle(g_active)) return;
  const auto& tops = TopLevels();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it)
    if ((*it)->Visible() && (*it)->Enabled() && !(*it)->destroying) {
      SetActiveWindow((*it)->handle);
      return;
    }
}

}  // namespace kvwin

using namespace kvwin;

HWND SetFocus(HWND hwnd) {
  HWND old = FromHandle(g_focus) ? g_focus : nullptr;
  if (!hwnd) {
    g_focus = nullptr;
    if (old) SendMessageA(old, WM_KILLFOCUS, 0, 0);
    return old;
  }
  Window* w = FromHandle(hwnd);
  if (!w || !w->Enabled() || w->destroying) return nullptr;
  if (hwnd == old) return old;
  Window* top = TopOf(w);
  if (top->handle != g_active) {
    SetActiveWindow(top->handle);
    if (!FromHandle(hwnd)) return nullptr;
    old = FromHandle(g_focus) ? g_focus : nullptr;
    if (hwnd == old) return old;
  }
  if (old) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (!FromHandle(hwnd)) return old;
  g_focus = hwnd;
  SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return FromHandle(g_focus) ? g_focus : nullptr; }

HWND GetActiveWindow() { return FromHandle(g_active) ? g_active : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  w = TopOf(w);
  hwnd = w->handle;
  HWND old = GetActiveWindow();
  if (old == hwnd) return old;
  if (old) {
    if (Window* f = FromHandle(g_focus); f && Within(FromHandle(old), f)) {
      g_focus = nullptr;
      SendMessageA(f->handle, WM_KILLFOCUS, 0, 0);
    }
    SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageA(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
  }
  if (!FromHandle(hwnd)) return old;
  g_active = hwnd;
  SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
  SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  return old;
}

BOOL SetForegroundWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  HWND top = TopOf(w)->handle;
  SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetActiveWindow(top);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetCapture(HWND hwnd) {
  HWND old = FromHandle(g_capture) ? g_capture : nullptr;
  if (!FromHandle(hwnd)) return old;
  g_capture = hwnd;
  if (old && old != hwnd) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = FromHandle(g_capture) ? g_capture : nullptr;
  g_capture = nullptr;
  if (old) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return FromHandle(g_capture) ? g_capture : nullptr; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme) return FALSE;
  if (tme->dwFlags & TME_QUERY) {
    Window* t = FromHandle(g_tracked);
    tme->hwndTrack = t ? g_tracked : nullptr;
    tme->dwFlags = t ? ((t->trackLeave ? TME_LEAVE : 0) | (t->trackHover ? TME_HOVER : 0)) : 0;
    tme->dwHoverTime = t ? t->hoverTime : 0;
    return TRUE;
  }
  Window* w = FromHandle(tme->hwndTrack);
  if (!w) return FALSE;
  if (tme->dwFlags & TME_CANCEL) {
    if (tme->dwFlags & TME_LEAVE) w->trackLeave = false;
    if (tme->dwFlags & TME_HOVER) w->trackHover = false;
    if (!w->trackLeave && !w->trackHover && g_tracked == tme->hwndTrack) g_tracked = nullptr;
    SetHoverArmed(g_tracked && FromHandle(g_tracked)->trackHover);
    return TRUE;
  }
  if (Window* prev = FromHandle(g_tracked); prev && prev != w) prev->trackLeave = prev->trackHover = false;
  if (g_under != tme->hwndTrack) {
    // The pointer is not over the window: it has left already.
    if (tme->dwFlags & TME_LEAVE) PostMessageA(tme->hwndTrack, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  g_tracked = tme->hwndTrack;
  if (tme->dwFlags & TME_LEAVE) w->trackLeave = true;
  if (tme->dwFlags & TME_HOVER) {
    w->trackHover = true;
    w->hoverTime = tme->dwHoverTime == HOVER_DEFAULT ? kDefaultHoverMs : tme->dwHoverTime;
    g_hoverDeadline = Now() + w->hoverTime;
    SetHoverArmed(true);
  }
  return TRUE;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = g_cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  g_cursor = POINT{x, y};
  return TRUE;
}

BOOL KvInjectMouse(HWND top, UINT msg, int x, int y, WPARAM keys) {
  Window* w = FromHandle(top);
  if (!w || !IsMouseMessage(msg)) return FALSE;
  POINT o = OriginOnScreen(w);
  POINT screen{o.x + x, o.y + y};
  if (!QueueFor(top, msg, keys, 0, screen)) return FALSE;
  g_cursor = screen;
  return TRUE;
}

BOOL KvInjectKey(HWND top, UINT msg, WPARAM vk, LPARAM keyData) {
  if (!IsKeyMessage(msg) || msg == WM_CHAR || msg == WM_SYSCHAR) return FALSE;
  if (keyData == 0) {
    keyData = 1;  // repeat count 1
    if (msg == WM_KEYUP || msg == WM_SYSKEYUP) keyData |= LPARAM(0xC0000000u);
  }
  return QueueFor(top, msg, vk & 0xFF, keyData, g_cursor);
}

BOOL KvInjectChar(HWND top, WPARAM ch) { return QueueFor(top, WM_CHAR, ch & 0xFF, 1, g_cursor); }

BOOL KvInjectText(HWND top, LPCSTR text) {
  if (!text || !FromHandle(top)) return FALSE;
  for (const char* p = text; *p; ++p)
    if (!KvInjectChar(top, WPARAM(static_cast<unsigned char>(*p)))) return FALSE;
  return TRUE;
}
