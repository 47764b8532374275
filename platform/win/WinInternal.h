// Internal state of the window system, shared by its source files. Not for users.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"
#include "platform/win/Windows.h"

// Nothing in here is exported: calls inside the library stay direct.
#pragma GCC visibility push(hidden)

namespace kvwin {

class Backend;

// Set in lParam of key messages whose text arrives separately (as WM_CHAR from the
// display's own text input), so TranslateMessage makes characters only for control keys.
constexpr LPARAM kKeyHasTextEvent = LPARAM(1) << 25;
// Posted-queue limit, as on the home platform.
constexpr size_t kQueueLimit = 10000;

struct WindowClass {
  std::string name;
  WNDCLASSA wc{};
  int liveWindows = 0;
};

struct Window {
  HWND handle = nullptr;
  WindowClass* cls = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  Window* parent = nullptr;          // null for a top-level window
  std::vector<Window*> children;     // z-order, bottom first (back() is the topmost)
  RECT rect{};                       // in the parent's client coordinates (top-level: screen)
  std::string text;

  gfx::Region update;                // client coordinates
  bool erasePending = false;
  bool internalPaint = false;
  bool paintCounted = false;         // counted in the pending-paint total

  RECT restoreRect{};                // bounds to go back to from minimised/maximised
  bool restoreToMaximized = false;   // minimised from the maximised state
  bool trackLeave = false;           // TrackMouseEvent(TME_LEAVE) asked
  bool trackHover = false;
  DWORD hoverTime = 0;
  bool destroying = false;           // DestroyWindow is running on it
  bool destroyed = false;            // handle no longer valid; memory kept until safe

  // Top-level windows only.
  std::unique_ptr<gfx::Surface> surface;
  bool surfaceDirty = false;         // painted since last presented
  void* backendData = nullptr;

  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
  bool IsTop() const { return parent == nullptr; }
  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Enabled() const { return (style & WS_DISABLED) == 0; }
};

// A queued input event, routed to a window only when it is retrieved.
struct InputEvent {
  HWND top = nullptr;   // the top-level window the event arrived at
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT screen{};       // pointer position (mouse events)
  DWORD time = 0;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  DWORD due = 0;
};

// ---- handles and tree (Window.cpp) ---------------------------------------------------------
Window* FromHandle(HWND h);                      // null for bad, stale or destroyed handles
const std::vector<Window*>& TopLevels();         // z-order, bottom first
Window* TopOf(Window* w);
POINT OriginInTop(const Window* w);              // client origin in top-level coordinates
POINT OriginOnScreen(const Window* w);
bool IsVisibleChain(const Window* w);
void FreeZombiesIfIdle();
void ArrangeStateChildren(Window* parent);       // re-fit maximised / minimised children
void DestroyEverything();

// Counts a send in progress (zombie windows are freed only when none is).
struct SendDepthGuard {
  SendDepthGuard();
  ~SendDepthGuard();
};
LRESULT CallProc(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);

// ---- queue (Message.cpp) -------------------------------------------------------------------
void AddPending(int delta);                      // posted + input + paint + quit counter
void QueueInput(const InputEvent& ev);
bool QueueRoom();                                // input queue below its limit
bool InputQueued();
void ActivateNextTop();
void DropMessagesFor(HWND h);
void DropTimersFor(HWND h);
bool NextMessage(MSG* msg, HWND filter, UINT mn, UINT mx, bool remove);
DWORD Now();
void SetKeyStateFromMessage(UINT msg, WPARAM wParam);
void ResetQueue();
void RefreshSlowCheck();                         // after timers, hover or backend change
void SetHoverArmed(bool armed);
POINT LeftButtonDownPos();                       // screen point of the last left press taken

// ---- painting (Paint.cpp) ------------------------------------------------------------------
void InvalidateTree(Window* w, const gfx::Region& clientRgn, bool erase, bool allChildren);
void InvalidateAll(Window* w, bool erase);       // the window and all descendants
void ValidateTree(Window* w);                    // clears w and its descendants
void UpdatePaintCount(Window* w);
Window* NextWindowToPaint();
gfx::Region VisibleRegion(const Window* w, bool clipOwnChildren);
void EnsureSurface(Window* top);
void PresentDirty();
void ReleaseCanvasesOf(Window* w);
void ReleaseAllCanvases();

// ---- input (Input.cpp) ---------------------------------------------------------------------
// Turns a queued input event into a message for its target; false if it goes nowhere.
bool RouteInput(const InputEvent& ev, MSG* out, bool commit);
Window* HitTest(Window* top, POINT screen);
void ForgetWindowInput(Window* w);               // focus, capture, active, hover on destroy
void HideFocusFrom(Window* w);                   // focus leaves a hidden/disabled subtree
void CheckHover(DWORD now);
POINT CursorPos();
void ResetInput();

// ---- window states (State.cpp) -------------------------------------------------------------
void RefitState(Window* w);                      // keeps a maximised/minimised window in place

// ---- backends (Backend*.cpp) ---------------------------------------------------------------
Backend& CurrentBackend();

}  // namespace kvwin

#pragma GCC visibility pop
