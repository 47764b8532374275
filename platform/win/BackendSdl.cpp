// The SDL2 backend: a real window per visible top-level window, showing its surface; the
// display's mouse and keyboard events go through the same injection path as scripted input.
#include <SDL.h>
#include <iconv.h>

#include <string>
#include <unordered_map>

#include "platform/win/Backend.h"

namespace kvwin {
namespace {

struct SdlTop {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureW = 0;
  int textureH = 0;
};

std::string Convert(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) return std::string();
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    ++src, --srcLeft;  // skip what cannot be converted
    if (dstLeft) *dst++ = '?', --dstLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

WPARAM VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return WPARAM('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return WPARAM('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return WPARAM(VK_F1 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return WPARAM(VK_NUMPAD1 + (k - SDLK_KP_1));
  switch (k) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
  }
  return 0;
}

// Keys whose characters come from the display's text-input events.
bool TypesText(WPARAM vk) {
  return vk == VK_SPACE || (vk >= '0' && vk <= 'Z') || (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) ||
         (vk >= VK_OEM_1 && vk <= VK_OEM_7);
}

WPARAM MouseKeys() {
  Uint32 b = SDL_GetMouseState(nullptr, nullptr);
  SDL_Keymod mod = SDL_GetModState();
  WPARAM k = 0;
  if (b & SDL_BUTTON_LMASK) k |= MK_LBUTTON;
  if (b & SDL_BUTTON_RMASK) k |= MK_RBUTTON;
  if (b & SDL_BUTTON_MMASK) k |= MK_MBUTTON;
  if (mod & KMOD_SHIFT) k |= MK_SHIFT;
  if (mod & KMOD_CTRL) k |= MK_CONTROL;
  return k;
}

class SdlBackend final : public Backend {
 public:
  SdlBackend() = default;
  ~SdlBackend() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

  bool Open() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_StartTextInput();
    return true;
  }

  KvBackend Kind() const override { return kvBackendSdl; }
  bool NeedsPump() const override { return true; }

  SIZE ScreenSize() const override {
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) == 0) return SIZE{r.w, r.h};
    return SIZE{1024, 768};
  }

  void TopCreated(Window* top) override {
    auto* t = new SdlTop;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!(top->style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
    t->window = SDL_CreateWindow(Convert("UTF-8", "CP936", top->text).c_str(), top->rect.left,
                                 top->rect.top, std::max(top->Width(), 1),
                                 std::max(top->Height(), 1), flags);
    if (t->window) t->renderer = SDL_CreateRenderer(t->window, -1, 0);
    top->backendData = t;
    if (t->window) byId_[SDL_GetWindowID(t->window)] = top->handle;
  }

  void TopDestroyed(Window* top) override {
    auto* t = static_cast<SdlTop*>(top->backendData);
    if (!t) return;
    if (t->window) byId_.erase(SDL_GetWindowID(t->window));
    if (t->texture) SDL_DestroyTexture(t->texture);
    if (t->renderer) SDL_DestroyRenderer(t->renderer);
    if (t->window) SDL_DestroyWindow(t->window);
    delete t;
    top->backendData = nullptr;
  }

  void TopChanged(Window* top) override {
    auto* t = static_cast<SdlTop*>(top->backendData);
    if (!t || !t->window) return;
    SDL_SetWindowTitle(t->window, Convert("UTF-8", "CP936", top->text).c_str());
    int x, y, w, h;
    SDL_GetWindowPosition(t->window, &x, &y);
    SDL_GetWindowSize(t->window, &w, &h);
    if (x != top->rect.left || y != top->rect.top) SDL_SetWindowPosition(t->window, top->rect.left, top->rect.top);
    if ((w != top->Width() || h != top->Height()) && top->Width() > 0 && top->Height() > 0)
      SDL_SetWindowSize(t->window, top->Width(), top->Height());
    if (top->Visible()) {
      SDL_ShowWindow(t->window);
      if (top->style & WS_MINIMIZE) SDL_MinimizeWindow(t->window);
    } else {
      SDL_HideWindow(t->window);
    }
  }

  void Present(Window* top) override {
    auto* t = static_cast<SdlTop*>(top->backendData);
    if (!t || !t->renderer || !top->surface || top->surface->empty()) return;
    gfx::Surface& s = *top->surface;
    if (!t->texture || t->textureW != s.width() || t->textureH != s.height()) {
      if (t->texture) SDL_DestroyTexture(t->texture);
      t->texture = SDL_CreateTexture(t->renderer, SDL_PIXELFORMAT_RGB888,
                                     SDL_TEXTUREACCESS_STREAMING, s.width(), s.height());
      t->textureW = s.width(), t->textureH = s.height();
    }
    if (!t->texture) return;
    SDL_UpdateTexture(t->texture, nullptr, s.pixels(), s.width() * int(sizeof(gfx::Pixel)));
    SDL_RenderClear(t->renderer);
    SDL_RenderCopy(t->renderer, t->texture, nullptr, nullptr);
    SDL_RenderPresent(t->renderer);
  }

  void Pump() override {
    SDL_Event e;
    while (SDL_PollEvent(&e)) Handle(e);
  }

  bool Wait(int timeoutMs) override {
    SDL_WaitEventTimeout(nullptr, timeoutMs < 0 ? 1000 : timeoutMs);
    return true;
  }

 private:
  HWND TopFor(Uint32 windowId) const {
    auto it = byId_.find(windowId);
    return it == byId_.end() ? nullptr : it->second;
  }

  void Handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_MOUSEMOTION:
        KvInjectMouse(TopFor(e.motion.windowID), WM_MOUSEMOVE, e.motion.x, e.motion.y, MouseKeys());
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        UINT msg = e.button.button == SDL_BUTTON_RIGHT    ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                   : e.button.button == SDL_BUTTON_MIDDLE ? (down ? WM_MBUTTONDOWN : WM_MBUTTONUP)
                                                          : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
        KvInjectMouse(TopFor(e.button.windowID), msg, e.button.x, e.button.y, MouseKeys());
        break;
      }
      case SDL_MOUSEWHEEL: {
        int x, y;
        SDL_GetMouseState(&x, &y);
        WPARAM keys = MouseKeys() | (WPARAM(WORD(SHORT(e.wheel.y * WHEEL_DELTA))) << 16);
        KvInjectMouse(TopFor(e.wheel.windowID), WM_MOUSEWHEEL, x, y, keys);
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        WPARAM vk = VirtualKey(e.key.keysym.sym);
        if (!vk) break;
        bool down = e.type == SDL_KEYDOWN;
        bool alt = (e.key.keysym.mod & KMOD_ALT) && vk != VK_MENU;
        UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
        LPARAM data = LPARAM(e.key.repeat ? 2 : 1) | (down ? 0 : LPARAM(0xC0000000u));
        if (TypesText(vk)) data |= kKeyHasTextEvent;
        KvInjectKey(TopFor(e.key.windowID), msg, vk, data);
        break;
      }
      case SDL_TEXTINPUT:
        KvInjectText(TopFor(e.text.windowID), Convert("CP936", "UTF-8", e.text.text).c_str());
        break;
      case SDL_WINDOWEVENT:
        HandleWindowEvent(e.window);
        break;
    }
  }

  void HandleWindowEvent(const SDL_WindowEvent& e) {
    HWND top = TopFor(e.windowID);
    Window* w = FromHandle(top);
    if (!w) return;
    switch (e.event) {
      case SDL_WINDOWEVENT_CLOSE:
        PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (e.data1 != w->Width() || e.data2 != w->Height())
          SetWindowPos(top, nullptr, 0, 0, e.data1, e.data2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
      case SDL_WINDOWEVENT_MOVED:
        w->rect = RECT{e.data1, e.data2, e.data1 + w->Width(), e.data2 + w->Height()};
        break;
      case SDL_WINDOWEVENT_EXPOSED:
        Present(w);
        break;
      case SDL_WINDOWEVENT_LEAVE:
        KvInjectMouse(top, WM_MOUSEMOVE, -1, -1, MouseKeys());  // routes nowhere: ends hover
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        SetActiveWindow(top);
        break;
    }
  }

  std::unordered_map<Uint32, HWND> byId_;
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend() {
  auto b = std::make_unique<SdlBackend>();
  if (!b->Open()) return nullptr;
  return b;
}

}  // namespace kvwin
