// dialog.dll: the host system's message box. A host that answers boxes itself (the scripted
// demo host) is asked first through WM_KVDIALOG_ASK; otherwise the library shows a small
// modal box with the buttons the flags ask for and runs a nested message loop until one is
// chosen.
#include <algorithm>
#include <string>
#include <vector>

#include "apps/dialog/DialogLink.h"
#include "platform/gfx/Canvas.h"
#include "platform/win/Windows.h"
#include "sdk/ordr118.h"

namespace {

constexpr const char* kBoxClass = "KvDialogBox";
constexpr int kCaptionHeight = 22;
constexpr int kTextTop = kCaptionHeight + 16;
constexpr int kButtonWidth = 72;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 10;
constexpr int kMargin = 20;

constexpr gfx::TColor kCaptionColor = 10841658;  // the form title colour
constexpr gfx::TColor kBodyColor = 0xF4F0EC;
constexpr gfx::TColor kButtonColor = 0xE8DCD0;
constexpr gfx::TColor kFrameColor = 8623776;

struct Button {
  int id;
  const char* label;
};

// The buttons of a message-box flag set, left to right; the first one is the default.
std::vector<Button> ButtonsFor(int32_t flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "确定"}, {IDCANCEL, "取消"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "中止"}, {IDRETRY, "重试"}, {IDIGNORE, "忽略"}};
    case MB_YESNOCANCEL: return {{IDYES, "是"}, {IDNO, "否"}, {IDCANCEL, "取消"}};
    case MB_YESNO: return {{IDYES, "是"}, {IDNO, "否"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "重试"}, {IDCANCEL, "取消"}};
    default: return {{IDOK, "确定"}};
  }
}

// The answer of Escape and of closing the box: Cancel where there is one, OK for a lone OK
// button, otherwise nothing (the box stays open).
int EscapeResult(const std::vector<Button>& buttons) {
  for (const Button& b : buttons)
    if (b.id == IDCANCEL) return IDCANCEL;
  return buttons.size() == 1 ? buttons[0].id : 0;
}

gfx::Font BoxFont() {
  gfx::Font font;
  font.name = "宋体";
  font.height = -12;
  font.color = gfx::clBlack;
  return font;
}

struct Box {
  std::string caption, text;
  std::vector<Button> buttons;
  int width = 0, height = 0;
  int result = 0;
  bool done = false;

  RECT ButtonRect(std::size_t i) const {
    int total = int(buttons.size()) * kButtonWidth + (int(buttons.size()) - 1) * kButtonGap;
    int left = (width - total) / 2 + int(i) * (kButtonWidth + kButtonGap);
    int top = height - kButtonHeight - 12;
    return {left, top, left + kButtonWidth, top + kButtonHeight};
  }

  void Finish(int id) {
    if (id == 0) return;
    result = id;
    done = true;
  }
};

void PaintBox(HWND hwnd, Box& box) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  gfx::Canvas& c = *dc;
  c.FillRect({0, 0, box.width, box.height}, kBodyColor);
  c.FillRect({0, 0, box.width, kCaptionHeight}, kCaptionColor);
  c.SetFont(BoxFont());
  c.SetBkMode(gfx::bkTransparent);
  c.SetTextColor(gfx::clWhite);
  c.TextOut(8, (kCaptionHeight - c.TextHeight(box.caption)) / 2, box.caption);
  c.SetTextColor(gfx::clBlack);
  gfx::Rect textRect{kMargin, kTextTop, box.width - kMargin, box.height - kButtonHeight - 20};
  c.DrawText(box.text, textRect, gfx::DT_LEFT | gfx::DT_NOPREFIX);
  for (std::size_t i = 0; i < box.buttons.size(); ++i) {
    RECT r = box.ButtonRect(i);
    c.FillRect({r.left, r.top, r.right, r.bottom}, kButtonColor);
    c.brush().color = i == 0 ? gfx::clBlack : kFrameColor;
    c.FrameRect({r.left, r.top, r.right, r.bottom});
    gfx::Rect label{r.left, r.top, r.right, r.bottom};
    c.DrawText(box.buttons[i].label, label, gfx::DT_CENTER | gfx::DT_VCENTER | gfx::DT_SINGLELINE);
  }
  c.brush().color = kFrameColor;
  c.FrameRect({0, 0, box.width, box.height});
  EndPaint(hwnd, &ps);
}

LRESULT BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* box = reinterpret_cast<Box*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!box) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT:
      PaintBox(hwnd, *box);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONUP: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      for (std::size_t i = 0; i < box->buttons.size(); ++i) {
        RECT r = box->ButtonRect(i);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
          box->Finish(box->buttons[i].id);
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE) box->Finish(box->buttons[0].id);
      else if (wParam == VK_ESCAPE) box->Finish(EscapeResult(box->buttons));
      return 0;
    case WM_CLOSE:
      box->Finish(EscapeResult(box->buttons));
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

// The top-left corner that centres a w x h box on the owner (or on the screen).
POINT CentreOn(HWND owner, int w, int h) {
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner) GetWindowRect(owner, &r);
  return {r.left + (r.right - r.left - w) / 2, r.top + (r.bottom - r.top - h) / 2};
}

int ShowModalBox(HWND owner, const KvDialogRequest& request) {
  Box box;
  box.caption = request.caption;
  box.text = request.text;
  box.buttons = ButtonsFor(request.flags);

  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = BoxProc;
  wc.lpszClassName = kBoxClass;
  RegisterClassA(&wc);  // fails harmlessly while an outer box of this load is open

  {
    gfx::Surface probe(1, 1);
    gfx::Canvas measure(probe);
    measure.SetFont(BoxFont());
    gfx::Rect textRect{0, 0, 0, 0};
    measure.DrawText(box.text, textRect, gfx::DT_CALCRECT | gfx::DT_NOPREFIX);
    int buttons = int(box.buttons.size()) * (kButtonWidth + kButtonGap);
    int captionWidth = measure.TextWidth(box.caption) + 16;
    box.width = std::clamp(std::max({textRect.right + 2 * kMargin, buttons + 2 * kMargin,
                                     captionWidth, 240}),
                           240, 900);
    box.height = std::clamp(kTextTop + textRect.bottom + 20 + kButtonHeight + 12, 110, 600);
  }

  POINT at = CentreOn(owner, box.width, box.height);
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, kBoxClass, box.caption.c_str(), WS_POPUP | WS_VISIBLE,
                              at.x, at.y, box.width, box.height, nullptr, nullptr, nullptr, &box);
  if (!hwnd) {
    UnregisterClassA(kBoxClass, nullptr);
    return 0;
  }
  bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  SetActiveWindow(hwnd);
  SetFocus(hwnd);

  MSG msg;
  bool quit = false;
  while (!box.done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  DestroyWindow(hwnd);
  // The window procedure lives in this library, which is unloaded after the call.
  UnregisterClassA(kBoxClass, nullptr);
  if (owner) SetActiveWindow(GetAncestor(owner, GA_ROOT));
  // A modal loop that meets the end of the program passes it on to the outer loop.
  if (quit) PostQuitMessage(int(msg.wParam));
  return box.done ? box.result : 0;
}

}  // namespace

// Shows a message box for the plug-in: the host's answer in a scripted run, otherwise a
// modal box. Returns the chosen button, 0 when nothing was chosen. Never throws.
extern "C" KV_SDK_EXPORT int32_t KV_STDCALL KvMessageBox(HWND AppHandle, const char* Caption,
                                                        const char* Text, int32_t Flags) {
  try {
    KvDialogRequest request{Caption ? Caption : "", Text ? Text : "", Flags, 0};
    HWND owner = IsWindow(AppHandle) ? AppHandle : nullptr;
    if (owner && SendMessageA(owner, WM_KVDIALOG_ASK, 0, reinterpret_cast<LPARAM>(&request)) ==
                     KV_DIALOG_ANSWERED)
      return request.result;
    request.result = ShowModalBox(owner, request);
    if (owner && IsWindow(owner))
      SendMessageA(owner, WM_KVDIALOG_SHOWN, 0, reinterpret_cast<LPARAM>(&request));
    return request.result;
  } catch (...) {
    return 0;
  }
}
