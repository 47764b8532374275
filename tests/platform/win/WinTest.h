// Shared fixture of the window-system tests: a recording window class and bounded pumps.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win/Windows.h"

namespace wintest {

struct Event {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Everything the recording procedure saw, in order.
std::vector<Event>& Log();
// Per-window handlers; a handler returns true when it answered (result in *out).
using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* out)>;
std::map<HWND, Handler>& Handlers();

// Records the message, runs the window's handler, else DefWindowProc.
LRESULT RecordProc(HWND h, UINT m, WPARAM w, LPARAM l);

// Class names registered by the fixture.
inline const char* kPlain = "KvTestPlain";      // no double clicks, no background
inline const char* kDbl = "KvTestDbl";          // CS_DBLCLKS
inline const char* kBrush = "KvTestBrush";      // background COLOR_WINDOW

class WinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A visible top-level window at (x, y) on the screen.
  HWND Top(int x = 0, int y = 0, int w = 200, int h = 150, const char* cls = kPlain,
           DWORD style = WS_POPUP | WS_VISIBLE);
  // A visible child window.
  HWND Child(HWND parent, int x, int y, int w, int h, DWORD extraStyle = 0,
             const char* cls = kPlain);

  // Dispatches until nothing is pending (at most `limit` messages, and 5 seconds).
  int Pump(int limit = 10000);
  // Messages of msg the log holds for h (h null: any window).
  std::vector<Event> Seen(UINT msg, HWND h = nullptr) const;
  // Message numbers in the log for h, in order, keeping only those in `interesting`.
  std::vector<UINT> Sequence(HWND h, const std::vector<UINT>& interesting) const;
  void ClearLog() { Log().clear(); }
};

}  // namespace wintest
