// The SDL2 backend fed with synthetic display events: they must arrive as window messages
// exactly like injected input does.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/win/Windows.h"

namespace {

struct Seen {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> g_log;

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  g_log.push_back(Seen{m, w, l});
  return DefWindowProcA(h, m, w, l);
}

class SdlBackendTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_TRUE(KvInitWindowSystem(kvBackendSdl)) << "SDL dummy video driver did not open";
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "KvSdlTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  static void TearDownTestSuite() { KvShutdownWindowSystem(); }

  void SetUp() override {
    top = CreateWindowExA(0, "KvSdlTest", "采购单", WS_POPUP | WS_VISIBLE, 0, 0, 120, 80, nullptr,
                          nullptr, nullptr, nullptr);
    ASSERT_NE(top, nullptr);
    Pump();
    g_log.clear();
  }
  void TearDown() override {
    if (IsWindow(top)) DestroyWindow(top);
  }

  // Pumps for a while: display events are read at most every few milliseconds.
  void Pump() {
    DWORD start = GetTickCount();
    MSG m;
    while (GetTickCount() - start < 100) {
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
      }
      SDL_Delay(2);
    }
  }
  std::vector<Seen> Of(UINT msg) const {
    std::vector<Seen> out;
    for (const Seen& s : g_log)
      if (s.msg == msg) out.push_back(s);
    return out;
  }
  Uint32 WindowId() const {
    // The only SDL window there is belongs to `top`.
    for (Uint32 id = 1; id < 64; ++id)
      if (SDL_GetWindowFromID(id)) return id;
    return 0;
  }

  HWND top = nullptr;
};

TEST_F(SdlBackendTest, ChosenAndPaintsWithoutADisplay) {
  EXPECT_EQ(KvCurrentBackend(), kvBackendSdl);
  ASSERT_NE(WindowId(), 0u);
  InvalidateRect(top, nullptr, TRUE);
  Pump();
  EXPECT_FALSE(Of(WM_PAINT).empty());
  EXPECT_FALSE(KvMessagesPending());
}

TEST_F(SdlBackendTest, DisplayMouseEventsArriveAsMouseMessages) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = WindowId();
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = SDL_PRESSED;
  e.button.x = 12;
  e.button.y = 34;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  Pump();
  auto downs = Of(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 12);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 34);
}

TEST_F(SdlBackendTest, KeysAndTextArriveOnceEach) {
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.windowID = WindowId();
  key.key.state = SDL_PRESSED;
  key.key.keysym.sym = SDLK_a;
  ASSERT_EQ(SDL_PushEvent(&key), 1);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = WindowId();
  const char* utf8 = reinterpret_cast<const char*>(u8"a采");
  std::snprintf(text.text.text, sizeof text.text.text, "%s", utf8);
  ASSERT_EQ(SDL_PushEvent(&text), 1);
  Pump();
  auto keys = Of(WM_KEYDOWN);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].wParam, WPARAM('A'));
  // "a" then the two code-page-936 bytes of the character; the key adds no second "a".
  std::vector<WPARAM> chars;
  for (const Seen& s : Of(WM_CHAR)) chars.push_back(s.wParam);
  const std::string expected = std::string("a") + "采";
  ASSERT_EQ(chars.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(chars[i], WPARAM(static_cast<unsigned char>(expected[i])));
}

TEST_F(SdlBackendTest, ClosingTheDisplayWindowClosesTheWindow) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = WindowId();
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  Pump();
  EXPECT_EQ(Of(WM_CLOSE).size(), 1u);
  EXPECT_FALSE(IsWindow(top));
}

}  // namespace
