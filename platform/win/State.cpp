// Show states (normal, maximised, minimised, hidden), the default window procedure, the
// system commands and the move loop.
#include <algorithm>
#include <cstring>

#include "platform/gfx/Canvas.h"
#include "platform/win/Backend.h"
#include "platform/win/WinInternal.h"

namespace kvwin {
namespace {

// Size of a minimised child window: a short bar in the bottom-left corner of its parent.
constexpr int kMinimizedWidth = 160;
constexpr int kMinimizedHeight = 24;
// Sent in WINDOWPOS.flags when the show state changed, so WM_SIZE goes out even when the
// bounds stay the same.
constexpr UINT kSwpStateChanged = 0x8000;

SIZE AreaOf(const Window* w) {
  if (w->parent) return SIZE{w->parent->Width(), w->parent->Height()};
  return CurrentBackend().ScreenSize();
}

// The first free slot in the parent's row of minimised windows.
int FreeMinimizedSlot(const Window* w) {
  if (!w->parent) return 0;
  std::vector<int> used;
  for (const Window* s : w->parent->children)
    if (s != w && (s->style & WS_MINIMIZE) && s->Visible()) used.push_back(s->rect.left / kMinimizedWidth);
  int slot = 0;
  while (std::find(used.begin(), used.end(), slot) != used.end()) ++slot;
  return slot;
}

RECT MaximizedRect(const Window* w) {
  SIZE a = AreaOf(w);
  return RECT{0, 0, a.cx, a.cy};
}

RECT MinimizedRect(const Window* w, int slot) {
  if (!w->parent) return w->rect;  // a top-level window keeps its bounds while minimised
  SIZE a = AreaOf(w);
  int x = slot * kMinimizedWidth;
  return RECT{x, a.cy - kMinimizedHeight, x + kMinimizedWidth, a.cy};
}

void PlaceForState(Window* w, const RECT& r, bool stateChanged) {
  SetWindowPos(w->handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | (stateChanged ? kSwpStateChanged : 0));
}

void Maximize(Window* w) {
  if (w->style & WS_MAXIMIZE) return;
  if (!(w->style & WS_MINIMIZE)) w->restoreRect = w->rect;
  w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
  PlaceForState(w, MaximizedRect(w), true);
}

void Minimize(Window* w) {
  if (w->style & WS_MINIMIZE) return;
  w->restoreToMaximized = (w->style & WS_MAXIMIZE) != 0;
  if (!(w->style & WS_MAXIMIZE)) w->restoreRect = w->rect;
  int slot = FreeMinimizedSlot(w);
  w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
  PlaceForState(w, MinimizedRect(w, slot), true);
}

void Restore(Window* w) {
  if (w->style & WS_MINIMIZE) {
    w->style &= ~WS_MINIMIZE;
    if (w->restoreToMaximized) {
      w->style |= WS_MAXIMIZE;
      PlaceForState(w, MaximizedRect(w), true);
    } else {
      PlaceForState(w, w->restoreRect, true);
    }
  } else if (w->style & WS_MAXIMIZE) {
    w->style &= ~WS_MAXIMIZE;
    PlaceForState(w, w->restoreRect, true);
  }
}

void MakeVisible(HWND h, bool visible) {
  Window* w = FromHandle(h);
  if (!w || w->Visible() == visible) return;
  SendMessageA(h, WM_SHOWWINDOW, visible ? TRUE : FALSE, 0);
  if (!FromHandle(h)) return;
  SetWindowPos(h, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                   (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

// Follows the pointer with the window until the left button goes up. Runs its own loop so
// that other messages keep being dispatched; pointer and key input is the loop's own.
LRESULT MoveLoop(HWND h) {
  if (GetKeyState(VK_LBUTTON) >= 0) return 0;  // no button held: nothing to follow
  Window* w = FromHandle(h);
  // Deltas count from where the button went down, whatever was retrieved since.
  POINT start = LeftButtonDownPos();
  RECT origin = w->rect;
  SendMessageA(h, WM_ENTERSIZEMOVE, 0, 0);
  auto moveTo = [&](POINT pt) {
    if (!IsWindow(h)) return;
    SetWindowPos(h, nullptr, origin.left + (pt.x - start.x), origin.top + (pt.y - start.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  bool canWait = CurrentBackend().NeedsPump();
  for (;;) {
    if (!IsWindow(h)) return 0;
    // Headless, the only input there will ever be is what was queued before.
    if (!canWait && !InputQueued()) break;
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!WaitMessage()) break;
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(int(m.wParam));
      break;
    }
    if (m.message == WM_MOUSEMOVE) {
      moveTo(m.pt);
      continue;
    }
    if (m.message == WM_LBUTTONUP) {
      moveTo(m.pt);
      break;
    }
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      moveTo(start);  // cancelled: back where it was
      break;
    }
    if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) continue;
    DispatchMessageA(&m);
  }
  if (IsWindow(h)) SendMessageA(h, WM_EXITSIZEMOVE, 0, 0);
  return 0;
}

LRESULT SysCommand(Window* w, WPARAM wParam, LPARAM) {
  HWND h = w->handle;
  switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      if (w->cls->wc.style & CS_NOCLOSE) return 0;
      return SendMessageA(h, WM_CLOSE, 0, 0);
    case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); return 0;
    case SC_MAXIMIZE: ShowWindow(h, SW_MAXIMIZE); return 0;
    case SC_RESTORE: ShowWindow(h, SW_RESTORE); return 0;
    case SC_MOVE: return MoveLoop(h);
  }
  return 0;
}

void EraseWithClassBrush(Window* w, HDC dc, LRESULT* result) {
  uintptr_t brush = reinterpret_cast<uintptr_t>(w->cls->wc.hbrBackground);
  *result = 0;
  if (!dc || brush == 0 || brush > 64) return;
  gfx::COLORREF c = gfx::GetSysColor(int(brush - 1));
  dc->FillRect(gfx::Rect{0, 0, w->Width(), w->Height()}, gfx::TColor(c));
  *result = 1;
}

}  // namespace

void RefitState(Window* w) {
  if (w->style & WS_MAXIMIZE)
    PlaceForState(w, MaximizedRect(w), false);
  else if ((w->style & WS_MINIMIZE) && w->parent)
    PlaceForState(w, MinimizedRect(w, std::max(0, int(w->rect.left / kMinimizedWidth))), false);
}

}  // namespace kvwin

using namespace kvwin;

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  BOOL wasVisible = w->Visible() ? TRUE : FALSE;
  bool activate = false;
  switch (cmdShow) {
    case SW_HIDE:
      MakeVisible(hwnd, false);
      if (w->IsTop()) ActivateNextTop();
      return wasVisible;
    case SW_SHOWNORMAL: case SW_RESTORE: case SW_SHOWDEFAULT:
      activate = true;
      [[fallthrough]];
    case SW_SHOWNOACTIVATE:
      MakeVisible(hwnd, true);
      if (Window* again = FromHandle(hwnd)) Restore(again);
      break;
    case SW_SHOWMAXIMIZED:
      activate = true;
      MakeVisible(hwnd, true);
      if (Window* again = FromHandle(hwnd)) Maximize(again);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE: case SW_SHOWMINNOACTIVE: case SW_FORCEMINIMIZE:
      MakeVisible(hwnd, true);
      if (Window* again = FromHandle(hwnd)) Minimize(again);
      break;
    case SW_SHOW:
      activate = true;
      [[fallthrough]];
    case SW_SHOWNA:
      MakeVisible(hwnd, true);
      break;
    default:
      return wasVisible;
  }
  Window* again = FromHandle(hwnd);
  if (again && activate && again->IsTop()) SetActiveWindow(hwnd);
  return wasVisible;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_NCHITTEST: {
      RECT r;
      GetWindowRect(hwnd, &r);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      return x >= r.left && x < r.right && y >= r.top && y < r.bottom ? HTCLIENT : HTNOWHERE;
    }
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      if (w->IsTop()) CurrentBackend().TopChanged(w);
      return TRUE;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf || wParam == 0) return 0;
      size_t n = std::min(size_t(wParam) - 1, w->text.size());
      std::memcpy(buf, w->text.data(), n);
      buf[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      LRESULT r;
      EraseWithClassBrush(w, reinterpret_cast<HDC>(wParam), &r);
      return r;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      return SysCommand(w, wParam, lParam);
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION) return SendMessageA(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && w->IsTop()) return SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      bool state = (wp->flags & kSwpStateChanged) != 0;
      if (!(wp->flags & SWP_NOSIZE) || state) {
        WPARAM kind = (w->style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                      : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                 : SIZE_RESTORED;
        SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(wp->cx, wp->cy));
      }
      if (!(wp->flags & SWP_NOMOVE) || state)
        if (IsWindow(hwnd)) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(wp->x, wp->y));
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) {
        HWND f = GetFocus();
        if (!f || (f != hwnd && !IsChild(hwnd, f))) SetFocus(hwnd);
      }
      return 0;
    case WM_NCACTIVATE:
      return TRUE;
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_MOUSEACTIVATE:
      return 1;  // activate
    case WM_MOUSEWHEEL:
      // Unhandled wheel turns go up to the parent.
      return w->parent ? SendMessageA(w->parent->handle, msg, wParam, lParam) : 0;
  }
  return 0;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  SendDepthGuard guard;
  return proc(hwnd, msg, wParam, lParam);
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return CurrentBackend().ScreenSize().cx;
    case SM_CYSCREEN: return CurrentBackend().ScreenSize().cy;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXMINIMIZED: return kMinimizedWidth;
    case SM_CYMINIMIZED: return kMinimizedHeight;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
  }
  return 0;
}
