// Window classes, handles, the window tree, creation and destruction, window data, geometry.
#include <algorithm>
#include <cstring>
#include <map>

#include "platform/win/Backend.h"
#include "platform/win/WinInternal.h"

namespace kvwin {
namespace {

// Handle values start above the pseudo handles (HWND_BOTTOM, HWND_BROADCAST ...), step by 4
// and are never reused, so a stale handle can never name a newer window.
constexpr uintptr_t kHandleBase = 0x10000;
constexpr uintptr_t kHandleStep = 4;
constexpr uintptr_t kHandleLimit = 0x7FFFFFFF;

struct CaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

std::map<std::string, std::unique_ptr<WindowClass>, CaseLess> g_classes;
std::vector<std::unique_ptr<Window>> g_handles;  // slot per handle ever made
std::vector<Window*> g_tops;
std::vector<std::unique_ptr<Window>> g_zombies;  // destroyed, freed when no send runs
int g_sendDepth = 0;
WORD g_nextAtom = 0xC000;

HWND MakeHandle(size_t slot) {
  return reinterpret_cast<HWND>(kHandleBase + slot * kHandleStep);
}

void Unlink(Window* w) {
  auto& list = w->parent ? w->parent->children : g_tops;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

void Link(Window* w, Window* parent, bool onTop) {
  w->parent = parent;
  auto& list = parent ? parent->children : g_tops;
  if (onTop)
    list.push_back(w);
  else
    list.insert(list.begin(), w);
}

RECT DefaultTopRect(int x, int y, int cx, int cy) {
  if (x == CW_USEDEFAULT) x = 0, y = 0;
  if (cx == CW_USEDEFAULT) cx = 640, cy = 480;
  return RECT{x, y, x + std::max(cx, 0), y + std::max(cy, 0)};
}

// Sends WM_DESTROY top-down over the subtree (the window first, then its children).
void SendDestroy(Window* w) {
  HWND h = w->handle;
  CallProc(w, WM_DESTROY, 0, 0);
  if (!FromHandle(h)) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FromHandle(k)) SendDestroy(c);
}

// Sends WM_NCDESTROY bottom-up and invalidates the handles.
void FinishDestroy(Window* w) {
  while (!w->children.empty()) FinishDestroy(w->children.back());
  CallProc(w, WM_NCDESTROY, 0, 0);
  // A child created during WM_NCDESTROY would be orphaned: destroy it too.
  while (!w->children.empty()) FinishDestroy(w->children.back());
  DropMessagesFor(w->handle);
  DropTimersFor(w->handle);
  ReleaseCanvasesOf(w);
  if (w->paintCounted) AddPending(-1);
  w->paintCounted = false;
  w->update.Clear();
  w->internalPaint = false;
  if (w->IsTop()) CurrentBackend().TopDestroyed(w);
  Unlink(w);
  w->parent = nullptr;
  w->destroyed = true;
  if (w->cls) w->cls->liveWindows--;
  size_t slot = (reinterpret_cast<uintptr_t>(w->handle) - kHandleBase) / kHandleStep;
  g_zombies.push_back(std::move(g_handles[slot]));
}

void ReleaseSubtreeCanvases(Window* w) {
  ReleaseCanvasesOf(w);
  for (Window* c : w->children) ReleaseSubtreeCanvases(c);
}

}  // namespace

Window* FromHandle(HWND h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (v < kHandleBase || (v - kHandleBase) % kHandleStep) return nullptr;
  size_t slot = (v - kHandleBase) / kHandleStep;
  if (slot >= g_handles.size()) return nullptr;
  Window* w = g_handles[slot].get();
  return w;
}

const std::vector<Window*>& TopLevels() { return g_tops; }

Window* TopOf(Window* w) {
  while (w && w->parent) w = w->parent;
  return w;
}

POINT OriginInTop(const Window* w) {
  POINT p{0, 0};
  for (; w && w->parent; w = w->parent) p.x += w->rect.left, p.y += w->rect.top;
  return p;
}

POINT OriginOnScreen(const Window* w) {
  POINT p{0, 0};
  for (; w; w = w->parent) p.x += w->rect.left, p.y += w->rect.top;
  return p;
}

bool IsVisibleChain(const Window* w) {
  for (; w; w = w->parent)
    if (!w->Visible()) return false;
  return true;
}

SendDepthGuard::SendDepthGuard() { ++g_sendDepth; }
SendDepthGuard::~SendDepthGuard() { --g_sendDepth; }

LRESULT CallProc(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!w || w->destroyed || !w->proc) return 0;
  SendDepthGuard guard;
  return w->proc(w->handle, msg, wParam, lParam);
}

void FreeZombiesIfIdle() {
  if (g_sendDepth == 0) g_zombies.clear();
}

// Keeps maximised children filling the parent and minimised ones in the bottom-left row.
void ArrangeStateChildren(Window* parent) {
  if (!parent) return;
  std::vector<HWND> kids;
  for (Window* c : parent->children)
    if (c->style & (WS_MAXIMIZE | WS_MINIMIZE)) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FromHandle(k)) RefitState(c);
}

void DestroyEverything() {
  while (!g_tops.empty()) DestroyWindow(g_tops.back()->handle);
  FreeZombiesIfIdle();
}

}  // namespace kvwin

using namespace kvwin;

// ---- classes -------------------------------------------------------------------------------

WORD RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName) return 0;
  if (g_classes.count(wc->lpszClassName)) return 0;
  auto cls = std::make_unique<WindowClass>();
  cls->name = wc->lpszClassName;
  cls->wc = *wc;
  cls->wc.lpszClassName = nullptr;  // the caller's string need not outlive the call
  cls->wc.lpszMenuName = nullptr;
  g_classes.emplace(cls->name, std::move(cls));
  if (g_nextAtom == 0xFFFF) g_nextAtom = 0xC000;
  return g_nextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  if (!className) return FALSE;
  auto it = g_classes.find(className);
  if (it == g_classes.end() || it->second->liveWindows > 0) return FALSE;
  g_classes.erase(it);
  return TRUE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, WNDCLASSA* out) {
  if (!className || !out) return FALSE;
  auto it = g_classes.find(className);
  if (it == g_classes.end()) return FALSE;
  *out = it->second->wc;
  out->lpszClassName = it->second->name.c_str();
  return TRUE;
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  Window* w = FromHandle(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  int n = std::min<int>(size - 1, int(w->cls->name.size()));
  std::memcpy(buffer, w->cls->name.data(), size_t(n));
  buffer[n] = 0;
  return n;
}

// ---- creation and destruction --------------------------------------------------------------

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parentHandle, HMENU menu,
                     HINSTANCE instance, LPVOID param) {
  if (!className) return nullptr;
  auto it = g_classes.find(className);
  if (it == g_classes.end()) return nullptr;
  Window* parent = FromHandle(parentHandle);
  if ((style & WS_CHILD) && !parent) return nullptr;
  if (parentHandle && !parent) return nullptr;
  if (!(style & WS_CHILD)) parent = nullptr;  // an owner is not a parent
  if (kHandleBase + g_handles.size() * kHandleStep > kHandleLimit) return nullptr;
  (void)KvCurrentBackend();

  auto owned = std::make_unique<Window>();
  Window* w = owned.get();
  w->handle = MakeHandle(g_handles.size());
  g_handles.push_back(std::move(owned));
  w->cls = it->second.get();
  w->cls->liveWindows++;
  w->proc = w->cls->wc.lpfnWndProc;
  w->style = style & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
  w->exStyle = exStyle;
  w->id = parent ? reinterpret_cast<LONG_PTR>(menu) : 0;
  if (parent) {
    w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    if (x == CW_USEDEFAULT) w->rect = RECT{0, 0, 0, 0};
  } else {
    w->rect = DefaultTopRect(x, y, width, height);
  }
  w->restoreRect = w->rect;
  // Children go below their existing siblings: z-order follows creation, the first on top.
  Link(w, parent, parent == nullptr);
  if (!parent) {
    EnsureSurface(w);
    CurrentBackend().TopCreated(w);
  }

  HWND h = w->handle;
  CREATESTRUCTA cs{param, instance, menu, parentHandle, w->Height(), w->Width(),
                   int(w->rect.top), int(w->rect.left), LONG(style), windowName, className,
                   exStyle};
  if (windowName) w->text = windowName;
  if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!FromHandle(h)) return nullptr;
  if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!FromHandle(h)) return nullptr;
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->Width(), w->Height()));
  if (!FromHandle(h)) return nullptr;
  CallProc(w, WM_MOVE, 0, MAKELPARAM(w->rect.left, w->rect.top));
  if (!FromHandle(h)) return nullptr;
  if (style & WS_MAXIMIZE)
    ShowWindow(h, SW_SHOWMAXIMIZED);
  else if (style & WS_MINIMIZE)
    ShowWindow(h, SW_SHOWMINIMIZED);
  else if (style & WS_VISIBLE)
    ShowWindow(h, parent ? SW_SHOWNA : SW_SHOW);
  return FromHandle(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w || w->destroying) return FALSE;
  w->destroying = true;
  bool wasVisible = IsVisibleChain(w);
  Window* parent = w->parent;
  HWND parentHandle = parent ? parent->handle : nullptr;
  RECT oldRect = w->rect;
  ForgetWindowInput(w);
  if (FromHandle(hwnd)) SendDestroy(w);
  if (FromHandle(hwnd)) FinishDestroy(w);
  if (wasVisible && parentHandle) {
    if (Window* p = FromHandle(parentHandle)) {
      gfx::Region r(gfx::Rect{oldRect.left, oldRect.top, oldRect.right, oldRect.bottom});
      InvalidateTree(p, r, true, true);
    }
  }
  if (!parentHandle) ActivateNextTop();
  FreeZombiesIfIdle();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FromHandle(hwnd) != nullptr; }

BOOL IsChild(HWND parent, HWND child) {
  Window* p = FromHandle(parent);
  Window* c = FromHandle(child);
  if (!p || !c) return FALSE;
  for (Window* a = c->parent; a; a = a->parent)
    if (a == p) return TRUE;
  return FALSE;
}

HWND GetParent(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && w->parent ? w->parent->handle : nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  Window* w = FromHandle(hwnd);
  Window* p = FromHandle(newParent);
  if (!w || (newParent && !p)) return nullptr;
  for (Window* a = p; a; a = a->parent)
    if (a == w) return nullptr;  // would make a cycle
  Window* old = w->parent;
  HWND oldHandle = old ? old->handle : nullptr;
  if (old == p) return oldHandle ? oldHandle : nullptr;
  bool wasVisible = IsVisibleChain(w);
  if (wasVisible && old) {
    gfx::Region r(gfx::Rect{w->rect.left, w->rect.top, w->rect.right, w->rect.bottom});
    InvalidateTree(old, r, true, false);
  }
  ValidateTree(w);
  if (w->IsTop()) {
    // The subtree draws on another surface from now on: canvases on the old one go.
    ReleaseSubtreeCanvases(w);
    CurrentBackend().TopDestroyed(w);
    w->surface.reset();
  } else if (!p) {
    ReleaseSubtreeCanvases(w);
  }
  Unlink(w);
  Link(w, p, true);
  if (p) {
    w->style = (w->style | WS_CHILD) & ~WS_POPUP;
  } else {
    w->style &= ~WS_CHILD;
    EnsureSurface(w);
    CurrentBackend().TopCreated(w);
  }
  HideFocusFrom(nullptr);
  if (IsVisibleChain(w)) InvalidateAll(w, true);
  return oldHandle;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.back()->handle;
  if (cmd == GW_OWNER) return nullptr;
  const auto& list = w->parent ? w->parent->children : g_tops;
  auto it = std::find(list.begin(), list.end(), w);
  size_t i = size_t(it - list.begin());
  switch (cmd) {
    case GW_HWNDFIRST: return list.back()->handle;
    case GW_HWNDLAST: return list.front()->handle;
    case GW_HWNDNEXT: return i > 0 ? list[i - 1]->handle : nullptr;  // next lower
    case GW_HWNDPREV: return i + 1 < list.size() ? list[i + 1]->handle : nullptr;
  }
  return nullptr;
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) return g_tops.empty() ? nullptr : g_tops.back()->handle;
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  if (flags == GA_PARENT) return w->parent ? w->parent->handle : nullptr;
  if (flags == GA_ROOT || flags == GA_ROOTOWNER) return TopOf(w)->handle;
  return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (auto it = g_tops.rbegin(); it != g_tops.rend(); ++it) {
    Window* w = *it;
    if (className && strcasecmp(w->cls->name.c_str(), className) != 0) continue;
    if (windowName && w->text != windowName) continue;
    return w->handle;
  }
  return nullptr;
}

// ---- window data ---------------------------------------------------------------------------

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      if (value) w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_USERDATA: old = w->userData; w->userData = value; return old;
    case GWLP_ID: old = w->id; w->id = value; return old;
    case GWL_EXSTYLE: old = LONG_PTR(w->exStyle); w->exStyle = DWORD(value); return old;
    case GWLP_HWNDPARENT: return 0;
    case GWL_STYLE: {
      old = LONG_PTR(w->style);
      // Visibility, disabled and state bits go through their own calls so that their
      // messages, focus rules and repaints happen.
      DWORD keep = WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE | WS_CHILD;
      w->style = (w->style & keep) | (DWORD(value) & ~keep);
      if ((DWORD(value) ^ DWORD(old)) & WS_DISABLED) EnableWindow(hwnd, !(DWORD(value) & WS_DISABLED));
      if (Window* again = FromHandle(hwnd); again && ((DWORD(value) ^ DWORD(old)) & WS_VISIBLE))
        ShowWindow(hwnd, (DWORD(value) & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
      return old;
    }
  }
  return 0;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Window* w = FromHandle(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    case GWL_STYLE: return LONG_PTR(w->style);
    case GWL_EXSTYLE: return LONG_PTR(w->exStyle);
    case GWLP_HWNDPARENT: return w->parent ? reinterpret_cast<LONG_PTR>(w->parent->handle) : 0;
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->cls->wc.hInstance);
  }
  return 0;
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
  return LONG(SetWindowLongPtrA(hwnd, index, index == GWL_STYLE || index == GWL_EXSTYLE
                                                 ? LONG_PTR(DWORD(value))
                                                 : LONG_PTR(value)));
}

LONG GetWindowLongA(HWND hwnd, int index) { return LONG(GetWindowLongPtrA(hwnd, index)); }

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!FromHandle(hwnd)) return FALSE;
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                        : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (!FromHandle(hwnd)) return 0;
  return int(SendMessageA(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) {
  if (!FromHandle(hwnd)) return 0;
  return int(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

// ---- geometry ------------------------------------------------------------------------------

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  WINDOWPOS wp{hwnd, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
  if (flags & SWP_NOMOVE) wp.x = w->rect.left, wp.y = w->rect.top;
  if (flags & SWP_NOSIZE) wp.cx = w->Width(), wp.cy = w->Height();
  if (!(flags & SWP_NOSENDCHANGING)) {
    CallProc(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!FromHandle(hwnd)) return FALSE;
  }
  Window* after = FromHandle(wp.hwndInsertAfter);
  bool zorder = !(wp.flags & SWP_NOZORDER) &&
                (wp.hwndInsertAfter == HWND_TOP || wp.hwndInsertAfter == HWND_BOTTOM ||
                 wp.hwndInsertAfter == HWND_TOPMOST || wp.hwndInsertAfter == HWND_NOTOPMOST ||
                 (after && after != w && after->parent == w->parent));
  RECT newRect{wp.x, wp.y, wp.x + std::max(wp.cx, 0), wp.y + std::max(wp.cy, 0)};
  bool moved = newRect.left != w->rect.left || newRect.top != w->rect.top;
  bool sized = newRect.right - newRect.left != w->Width() || newRect.bottom - newRect.top != w->Height();
  bool show = (wp.flags & SWP_SHOWWINDOW) && !w->Visible();
  bool hide = (wp.flags & SWP_HIDEWINDOW) && w->Visible();
  bool wasVisible = IsVisibleChain(w);
  RECT oldRect = w->rect;

  if (hide) {
    w->style &= ~WS_VISIBLE;
    ValidateTree(w);
    HideFocusFrom(w);
    if (!FromHandle(hwnd)) return TRUE;
  }
  if (zorder) {
    auto& list = w->parent ? w->parent->children : g_tops;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    if (wp.hwndInsertAfter == HWND_BOTTOM)
      list.insert(list.begin(), w);
    else if (after && after != w)
      list.insert(std::find(list.begin(), list.end(), after), w);  // just below `after`
    else
      list.push_back(w);
  }
  w->rect = newRect;
  if (show) w->style |= WS_VISIBLE;
  if (w->IsTop() && sized) EnsureSurface(w);

  bool changed = moved || sized || zorder || show || hide || (wp.flags & 0x8000);
  if (changed && !(wp.flags & SWP_NOREDRAW)) {
    // What was under the old bounds shows again: the parent and every sibling there.
    if (wasVisible && w->parent && (moved || sized || hide || zorder)) {
      gfx::Region r(gfx::Rect{oldRect.left, oldRect.top, oldRect.right, oldRect.bottom});
      InvalidateTree(w->parent, r, true, true);
    }
    // Children draw into the top-level surface, so a child that moved repaints; a
    // top-level window that only moved keeps its pixels.
    bool onlyTopMoved = w->IsTop() && !sized && !show && !zorder;
    if (IsVisibleChain(w) && (moved || sized || show || zorder) && !onlyTopMoved)
      InvalidateAll(w, true);
  }
  if (w->IsTop() && changed) CurrentBackend().TopChanged(w);
  if (changed) {
    wp.x = newRect.left, wp.y = newRect.top, wp.cx = w->Width(), wp.cy = w->Height();
    wp.flags = (wp.flags & ~(SWP_NOMOVE | SWP_NOSIZE)) | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
    CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if (sized)
      if (Window* again = FromHandle(hwnd)) ArrangeStateChildren(again);
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  Window* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  POINT o = OriginOnScreen(w);
  *rect = RECT{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  Window* w = FromHandle(hwnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->Width(), w->Height()};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
  Window* w = FromHandle(hwnd);
  if (!w || !point) return FALSE;
  POINT o = OriginOnScreen(w);
  point->x += o.x, point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
  Window* w = FromHandle(hwnd);
  if (!w || !point) return FALSE;
  POINT o = OriginOnScreen(w);
  point->x -= o.x, point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  Window* a = FromHandle(from);
  Window* b = FromHandle(to);
  if ((from && !a) || (to && !b)) return 0;
  POINT oa = a ? OriginOnScreen(a) : POINT{0, 0};
  POINT ob = b ? OriginOnScreen(b) : POINT{0, 0};
  LONG dx = oa.x - ob.x, dy = oa.y - ob.y;
  for (UINT i = 0; points && i < count; ++i) points[i].x += dx, points[i].y += dy;
  return MAKELONG(dx, dy);
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && IsVisibleChain(w) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  BOOL wasDisabled = w->Enabled() ? FALSE : TRUE;
  if (bool(enable) == w->Enabled()) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    HideFocusFrom(w);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  if (FromHandle(hwnd)) CallProc(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  return w && w->Enabled() ? TRUE : FALSE;
}

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
  Window* p = FromHandle(parent);
  if (!p) return nullptr;
  if (pt.x < 0 || pt.y < 0 || pt.x >= p->Width() || pt.y >= p->Height()) return nullptr;
  for (auto it = p->children.rbegin(); it != p->children.rend(); ++it) {
    Window* c = *it;
    if ((flags & CWP_SKIPINVISIBLE) && !c->Visible()) continue;
    if ((flags & CWP_SKIPDISABLED) && !c->Enabled()) continue;
    if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
    if (pt.x >= c->rect.left && pt.x < c->rect.right && pt.y >= c->rect.top && pt.y < c->rect.bottom)
      return c->handle;
  }
  return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }

HWND WindowFromPoint(POINT screen) {
  for (auto it = g_tops.rbegin(); it != g_tops.rend(); ++it) {
    Window* t = *it;
    if (!t->Visible()) continue;
    if (Window* hit = HitTest(t, screen)) return hit->handle;
  }
  return nullptr;
}
