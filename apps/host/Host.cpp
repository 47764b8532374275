#include "apps/host/Host.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "apps/dialog/DialogLink.h"
#include "platform/gfx/Canvas.h"
#include "platform/win/CodePage.h"
#include "platform/win/Module.h"
#include "platform/win/OleStr.h"

namespace host {
namespace {

constexpr const char* kHostClass = "KvHostWindow";
constexpr const char* kAreaClass = "KvHostArea";
constexpr const char* kTipClass = "KvHostTip";
constexpr const char* kFormCaption = "采购单";
constexpr const char* kPluginFile = "libordr118.so";

constexpr gfx::TColor kToolbarColor = 0xE6DCD2;
constexpr gfx::TColor kHotColor = 0xF5E6D8;
constexpr gfx::TColor kPressedColor = 0xD8C4B0;
constexpr gfx::TColor kLineColor = 8623776;
constexpr gfx::TColor kStatusColor = 0xEEE8E2;
constexpr gfx::TColor kMainAreaColor = 0x9C9288;
constexpr gfx::TColor kAltAreaColor = 0x8A9C88;

gfx::Font HostFont() {
  gfx::Font font;
  font.name = "宋体";
  font.height = -12;
  font.color = gfx::clBlack;
  return font;
}

// The colours the form resources themselves use, so the form looks as designed.
TChildStyle DefaultStyle() {
  TChildStyle s{};
  s.ShowTitle = 1;
  s.TitleColor = 10841658;
  s.FormColor = 12825237;
  s.PanelColor = s.ToolBarColor = s.TabColor = s.TabColorTo = s.ActiveTabColorTo = 13031385;
  s.ActiveTabColor = s.FieldColor = s.LabelLineColor = 0xFFFFFF;
  s.BorderColor = 8623776;
  s.FocusedColor = 0xCCFFFF;        // light yellow
  s.KeyFieldColor = 0xFFE8D8;       // light blue
  s.RequiredFieldColor = 0xD8ECFF;  // light orange
  return s;
}

// The style record's field of a script name; null for ShowTitle and unknown names.
std::int32_t* StyleColor(TChildStyle& s, const std::string& name) {
  struct Field {
    const char* name;
    std::int32_t TChildStyle::*member;
  };
  static constexpr Field kFields[] = {
      {"PanelColor", &TChildStyle::PanelColor},
      {"KeyFieldColor", &TChildStyle::KeyFieldColor},
      {"BorderColor", &TChildStyle::BorderColor},
      {"ToolBarColor", &TChildStyle::ToolBarColor},
      {"FormColor", &TChildStyle::FormColor},
      {"FocusedColor", &TChildStyle::FocusedColor},
      {"TitleColor", &TChildStyle::TitleColor},
      {"FieldColor", &TChildStyle::FieldColor},
      {"LabelLineColor", &TChildStyle::LabelLineColor},
      {"RequiredFieldColor", &TChildStyle::RequiredFieldColor},
      {"TabColor", &TChildStyle::TabColor},
      {"TabColorTo", &TChildStyle::TabColorTo},
      {"ActiveTabColor", &TChildStyle::ActiveTabColor},
      {"ActiveTabColorTo", &TChildStyle::ActiveTabColorTo},
  };
  for (const Field& f : kFields)
    if (name == f.name) return &(s.*f.member);
  return nullptr;
}

std::string WideFieldUtf8(BSTR s) {
  if (!s) return {};
  return WideToUtf8(std::u16string_view(s, SysStringLen(s)));
}

std::string AnsiTextUtf8(const char* s) { return s ? AnsiToUtf8(s) : std::string(); }

std::string RectJson(const RECT& r) {
  return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right - r.left) + ", " + std::to_string(r.bottom - r.top) + "]";
}

bool Inside(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The label a toolbar button shows when it has no bitmap to show instead.
const std::string& ButtonLabel(const HostCommand& c) {
  return !c.caption.empty() ? c.caption : c.name;
}

bool ShowsBitmap(const HostCommand& c) { return c.caption.empty() && !c.bitmap.empty(); }

LRESULT AreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(hwnd, &ps)) {
      RECT r;
      GetClientRect(hwnd, &r);
      auto colour = gfx::TColor(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      dc->FillRect({r.left, r.top, r.right, r.bottom}, colour);
      EndPaint(hwnd, &ps);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT TipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(hwnd, &ps)) {
      RECT r;
      GetClientRect(hwnd, &r);
      char text[512];
      GetWindowTextA(hwnd, text, sizeof text);
      dc->FillRect({r.left, r.top, r.right, r.bottom}, gfx::clInfoBk);
      dc->brush().color = gfx::clBlack;
      dc->FrameRect({r.left, r.top, r.right, r.bottom});
      dc->SetFont(HostFont());
      dc->SetBkMode(gfx::bkTransparent);
      dc->TextOut(4, 3, text);
      EndPaint(hwnd, &ps);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

Host::Host(HostOptions options) : options_(std::move(options)), style_(DefaultStyle()) {}

Host::~Host() { Shutdown(); }

std::string Host::ExeDirectory() const {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  std::string exe(path, std::size_t(n));
  return exe.substr(0, exe.rfind('/') + 1);
}

// ---- start and end -------------------------------------------------------------------------

RECT Host::ChildAreaRect() const {
  return {0, kToolbarHeight, options_.width, options_.height - kStatusHeight};
}

RECT Host::AltAreaRect() const {
  RECT main = ChildAreaRect();
  int width = (main.right - main.left) * 2 / 5;
  return {main.right - width, main.top, main.right, main.bottom};
}

bool Host::CreateWindows() {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = StaticHostProc;
  wc.lpszClassName = kHostClass;
  RegisterClassA(&wc);
  wc.style = 0;
  wc.lpfnWndProc = AreaProc;
  wc.lpszClassName = kAreaClass;
  RegisterClassA(&wc);
  wc.lpfnWndProc = TipProc;
  wc.lpszClassName = kTipClass;
  RegisterClassA(&wc);

  hostWnd_ = CreateWindowExA(0, kHostClass, "ordr118", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40,
                             40, options_.width, options_.height, nullptr, nullptr, nullptr, this);
  if (!hostWnd_) return false;
  RECT m = ChildAreaRect(), a = AltAreaRect();
  mainArea_ = CreateWindowExA(0, kAreaClass, "main", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                              m.left, m.top, m.right - m.left, m.bottom - m.top, hostWnd_,
                              nullptr, nullptr, nullptr);
  altArea_ = CreateWindowExA(0, kAreaClass, "alt", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                             a.left, a.top, a.right - a.left, a.bottom - a.top, hostWnd_, nullptr,
                             nullptr, nullptr);
  tip_ = CreateWindowExA(0, kTipClass, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 10, 10, hostWnd_,
                         nullptr, nullptr, nullptr);
  if (!mainArea_ || !altArea_ || !tip_) return false;
  SetWindowLongPtrA(mainArea_, GWLP_USERDATA, kMainAreaColor);
  SetWindowLongPtrA(altArea_, GWLP_USERDATA, kAltAreaColor);
  ShowWindow(hostWnd_, SW_SHOW);
  SetActiveWindow(hostWnd_);
  return true;
}

bool Host::LoadPlugin(std::string& error) {
  std::string path = options_.pluginPath.empty() ? ExeDirectory() + kPluginFile : options_.pluginPath;
  plugin_ = LoadLibraryA(path.c_str());
  if (!plugin_) {
    error = "cannot load the plug-in " + path;
    return false;
  }
  return true;
}

void Host::ShowForm() {
  auto show = reinterpret_cast<TShowChildForm>(GetProcAddress(plugin_, KV_SHOWCHILDFORM_EXPORT));
  std::int32_t result = 0;
  if (show) result = show(hostWnd_, hostWnd_, mainArea_, kFormCaption);
  formId_ = result;
  JsonObject line;
  line.Add("event", "ShowChildForm").Add("result", std::int64_t(result));
  if (!show) line.Add("error", "the plug-in has no ShowChildForm");
  trace_.Write(line);
  CheckChildState();
}

void Host::Unload() {
  if (!plugin_) return;
  HideTip();
  // The items belong to the plug-in's forms, which go with it.
  baseCommands_.clear();
  ownCommands_.clear();
  LayoutToolbar();
  FreeLibrary(plugin_);
  plugin_ = nullptr;
  CheckChildState();
}

void Host::Shutdown() {
  Unload();
  SysFreeString(context_.AppDir);
  context_.AppDir = nullptr;
  if (trace_.enabled()) {
    JsonObject line;
    line.Add("event", "exit").Add("oleStringsLive", std::int64_t(KvOleStringsLive()));
    trace_.Write(line);
    trace_.Close();
  }
  if (IsWindow(hostWnd_)) DestroyWindow(hostWnd_);
  hostWnd_ = nullptr;
}

int Host::Run() {
  if (!options_.tracePath.empty() && !trace_.Open(options_.tracePath)) {
    std::cerr << "ordr118-host: cannot write the trace " << options_.tracePath << "\n";
    return 2;
  }
  std::vector<Action> actions;
  if (options_.scripted()) {
    std::ifstream in(options_.scriptPath, std::ios::binary);
    if (!in) {
      std::cerr << "ordr118-host: cannot read the script " << options_.scriptPath << "\n";
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
      actions = ParseScript(text.str());
    } catch (const ScriptError& e) {
      std::cerr << "ordr118-host: " << options_.scriptPath << ": " << e.what() << "\n";
      JsonObject line;
      line.Add("event", "error").Add("line", e.line()).Add("message", e.what());
      trace_.Write(line);
      return 2;
    }
  }

  // Ctrl+C and SIGTERM end the host as they end any program; the window backend would
  // otherwise turn them into an event that nothing closes the window on.
  setenv("SDL_NO_SIGNAL_HANDLERS", "1", 0);
  KvBackend backend = options_.scripted() && !options_.window ? kvBackendHeadless : kvBackendDefault;
  if (options_.window) backend = kvBackendSdl;
  KvInitWindowSystem(backend);
  if (!options_.scripted() && KvCurrentBackend() != kvBackendSdl) {
    std::cerr << "ordr118-host: no display for an interactive session; use --script FILE\n";
    return 2;
  }
  KvSetScreenSize(std::max(1024, options_.width + 80), std::max(768, options_.height + 80));

  std::u16string appDir = AnsiToWide(ExeDirectory());
  context_.AppDir = SysAllocStringLen(appDir.data(), UINT(appDir.size()));
  if (!CreateWindows()) {
    std::cerr << "ordr118-host: cannot create the host window\n";
    return 1;
  }
  JsonObject layout;
  layout.Add("event", "layout").AddRaw("childArea", RectJson(ChildAreaRect()));
  trace_.Write(layout);

  std::string error;
  if (!LoadPlugin(error)) {
    std::cerr << "ordr118-host: " << error << "\n";
    JsonObject line;
    line.Add("event", "error").Add("message", error);
    trace_.Write(line);
    Shutdown();
    return 1;
  }
  ShowForm();
  int code = options_.scripted() ? RunScript(actions) : RunInteractive();
  Shutdown();
  return code;
}

// ---- the loops -----------------------------------------------------------------------------

void Host::Dispatch(MSG& msg) {
  TranslateMessage(&msg);
  const MSG* outer = dispatching_;
  dispatching_ = &msg;
  DispatchMessageA(&msg);
  dispatching_ = outer;
}

void Host::Pump() {
  // A window that never validates its paint would keep the queue busy for ever.
  constexpr int kMaxMessages = 200000;
  MSG msg;
  for (int i = 0; i < kMaxMessages && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    Dispatch(msg);
  }
}

int Host::RunInteractive() {
  MSG msg;
  while (!quit_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    Dispatch(msg);
    CheckChildState();
  }
  return 0;
}

int Host::RunScript(const std::vector<Action>& actions) {
  Pump();
  CheckChildState();
  for (const Action& action : actions) {
    try {
      RunAction(action);
    } catch (const ScriptError& e) {
      std::cerr << "ordr118-host: " << options_.scriptPath << ": " << e.what() << "\n";
      JsonObject line;
      line.Add("event", "error").Add("line", e.line()).Add("message", e.what());
      trace_.Write(line);
      return 1;
    }
    Pump();
    CheckChildState();
    if (quit_) break;
  }
  return 0;
}

void Host::RunAction(const Action& a) {
  switch (a.kind) {
    case ActionKind::Context: SendContext(a.text); break;
    case ActionKind::Style: ApplyStyle(a.style); break;
    case ActionKind::Hide: SendToChild(WM_CHILD_HIDE, 0, 0); break;
    case ActionKind::Show: SendToChild(WM_CHILD_SHOW, 0, 0); break;
    case ActionKind::Close: SendToChild(WM_CHILD_CLOSE, 0, 0); break;
    case ActionKind::CanClose: SendToChild(WM_CHILD_CANCLOSE, 0, 0); break;
    case ActionKind::Select: SendSelect(a); break;
    case ActionKind::Command: RunCommand(a.text, a.line); break;
    case ActionKind::Answer: dialogAnswers_.push_back(std::int32_t(a.number)); break;
    case ActionKind::Reply: {
      std::ifstream in(a.text, std::ios::binary);
      if (!in) throw ActionError(a.line, "cannot read the reply file '" + a.text + "'");
      std::stringstream text;
      text << in.rdbuf();
      answers_.QueueReply(text.str());
      break;
    }
    case ActionKind::Click: InjectClick(a.x, a.y, false); break;
    case ActionKind::DblClick: InjectClick(a.x, a.y, true); break;
    case ActionKind::Drag: InjectDrag(a.x, a.y, a.x2, a.y2); break;
    case ActionKind::MouseMove: KvInjectMouse(hostWnd_, WM_MOUSEMOVE, a.x, a.y, 0); break;
    case ActionKind::Key: InjectKey(int(a.number), a.shift, a.ctrl); break;
    case ActionKind::Type: KvInjectText(hostWnd_, Utf8ToAnsi(a.text).c_str()); break;
    case ActionKind::Shot: {
      Pump();
      if (!KvSaveWindowPng(hostWnd_, a.text.c_str()))
        throw ActionError(a.line, "cannot write the screenshot '" + a.text + "'");
      JsonObject line;
      line.Add("event", "shot").Add("file", a.text);
      trace_.Write(line);
      break;
    }
    case ActionKind::Wait: Pump(); break;
    case ActionKind::Unload: Unload(); break;
  }
}

// ---- messages to the form ------------------------------------------------------------------

LRESULT Host::SendToChild(UINT msg, WPARAM wParam, LPARAM lParam) {
  JsonObject line;
  line.Add("dir", "host->child").Add("how", "send").Add("msg", int(msg));
  line.Add("name", HostMessageName(msg)).Add("wparam", std::uint64_t(wParam));
  line.Add("lparam", std::int64_t(lParam));
  std::uint64_t ticket = trace_.Begin(line);
  LRESULT result = SendMessageA(formWnd_, msg, wParam, lParam);
  trace_.Finish(ticket, result);
  return result;
}

void Host::SendContext(const std::string& utf8) {
  KvContextText text(Utf8ToAnsi(utf8));
  JsonObject line;
  line.Add("dir", "host->child").Add("how", "send").Add("msg", int(WM_CHILD_SETCONTEXT));
  line.Add("name", HostMessageName(WM_CHILD_SETCONTEXT));
  line.Add("wparam", std::uint64_t(reinterpret_cast<std::uintptr_t>(&context_)));
  line.Add("lparam", std::int64_t(text.lparam())).Add("text", utf8);
  std::uint64_t ticket = trace_.Begin(line);
  LRESULT result = SendMessageA(formWnd_, WM_CHILD_SETCONTEXT, reinterpret_cast<WPARAM>(&context_),
                                text.lparam());
  trace_.Finish(ticket, result);
}

void Host::SendStyle() {
  SendToChild(WM_CHILD_SETSTYLE, reinterpret_cast<WPARAM>(&style_), 0);
}

void Host::ApplyStyle(const std::vector<StyleSetting>& settings) {
  for (const StyleSetting& s : settings) {
    if (s.field == "ShowTitle") style_.ShowTitle = std::uint8_t(s.value);
    else if (std::int32_t* colour = StyleColor(style_, s.field)) *colour = std::int32_t(std::uint32_t(s.value));
  }
  SendStyle();
}

void Host::SendSelect(const Action& a) {
  LPARAM id = a.select == SelectWhich::Self    ? LPARAM(formId_)
              : a.select == SelectWhich::Other ? LPARAM(formId_ == INT32_MAX ? 1 : formId_ + 1)
                                               : LPARAM(a.number);
  HWND parent = a.alt ? altArea_ : mainArea_;
  SendToChild(WM_CHILD_SELECT, reinterpret_cast<WPARAM>(parent), id);
  UpdateAltArea();
}

void Host::RunCommand(const std::string& utf8Name, int line) {
  std::string name = Utf8ToAnsi(utf8Name);
  // Own set first, then the base set; the toolbar holds the base set first.
  std::size_t own = baseCommands_.size();
  for (std::size_t k = own; k < commands_.size(); ++k)
    if (commands_[k]->name == name) return RunCommandAt(k);
  for (std::size_t k = 0; k < own; ++k)
    if (commands_[k]->name == name) return RunCommandAt(k);
  throw ActionError(line, "no announced command named '" + utf8Name + "'");
}

void Host::RunCommandAt(std::size_t index) {
  if (index >= commands_.size()) return;
  const HostCommand& command = *commands_[index];
  JsonObject line;
  line.Add("event", "command").Add("name", AnsiToUtf8(command.name));
  line.AddBool("handled", static_cast<bool>(command.run));
  trace_.Write(line);
  auto run = command.run;  // the toolbar may be rebuilt while the command runs
  try {
    if (run) run();
  } catch (const std::exception& e) {
    JsonObject error;
    error.Add("event", "error").Add("where", "command").Add("message", AnsiToUtf8(e.what()));
    trace_.Write(error);
  }
}

// ---- messages from the form ----------------------------------------------------------------

LRESULT Host::StaticHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    return self->HostProc(hwnd, msg, wParam, lParam);
  } catch (const std::exception& e) {
    std::cerr << "ordr118-host: " << e.what() << "\n";
    return 0;
  }
}

bool Host::IsChildMessage(UINT msg) const {
  switch (msg) {
    case WM_HOST_CHILDCLOSED:
    case WM_HOST_CHILDCREATED:
    case WM_HOST_COMMANDS:
    case WM_HOST_STATUSTEXT:
    case WM_HOST_BASECOMMANDS:
    case WM_HOST_OPENMODULE:
    case WM_HOST_CLOSEMODULE:
    case WM_HOST_QUERYDATA:
      return true;
    default:
      // The rest of the protocol's range: traced, not answered.
      return msg >= WM_USER + 100 && msg <= WM_USER + 118;
  }
}

LRESULT Host::HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (IsChildMessage(msg)) return OnChildMessage(msg, wParam, lParam);
  switch (msg) {
    case WM_KVDIALOG_ASK: return OnDialogAsk(reinterpret_cast<KvDialogRequest*>(lParam));
    case WM_KVDIALOG_SHOWN: OnDialogShown(reinterpret_cast<KvDialogRequest*>(lParam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_MOUSEMOVE: OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      SetHot(-1);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      pressed_ = ButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      HideTip();
      if (pressed_ >= 0) InvalidateRect(hwnd, &buttons_[std::size_t(pressed_)].rect, FALSE);
      return 0;
    case WM_LBUTTONUP: {
      int at = ButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      int was = pressed_;
      pressed_ = -1;
      if (was >= 0) InvalidateRect(hwnd, &buttons_[std::size_t(was)].rect, FALSE);
      if (at >= 0 && at == was) RunCommandAt(buttons_[std::size_t(at)].command);
      return 0;
    }
    case WM_CLOSE:
      // The forms live in the host's windows: let the plug-in take them down first.
      Unload();
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      // The user closed the window: an interactive session ends, a script stops.
      quit_ = true;
      if (!options_.scripted()) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

LRESULT Host::OnChildMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A message the host's own loop took from the queue was posted; anything else was sent.
  bool posted = dispatching_ && dispatching_->hwnd == hostWnd_ && dispatching_->message == msg &&
                dispatching_->wParam == wParam && dispatching_->lParam == lParam;
  if (posted) dispatching_ = nullptr;  // messages sent while it is handled are not it

  JsonObject line;
  line.Add("dir", "child->host").Add("how", posted ? "post" : "send").Add("msg", int(msg));
  line.Add("name", HostMessageName(msg)).Add("wparam", std::uint64_t(wParam));
  line.Add("lparam", std::int64_t(lParam));
  switch (msg) {
    case WM_HOST_COMMANDS: OnCommands(false, wParam, line); break;
    case WM_HOST_BASECOMMANDS: OnCommands(true, wParam, line); break;
    case WM_HOST_STATUSTEXT: OnStatusText(lParam, line); break;
    case WM_HOST_OPENMODULE:
    case WM_HOST_CLOSEMODULE:
    case WM_HOST_QUERYDATA: OnRequest(msg, wParam, line); break;
    default: break;
  }
  // What follows from the message is traced after its own line.
  std::uint64_t ticket = posted ? 0 : trace_.Begin(line);
  if (posted) trace_.Write(line);
  if (msg == WM_HOST_COMMANDS || msg == WM_HOST_BASECOMMANDS) TraceToolbar();
  if (msg == WM_HOST_CHILDCREATED) OnChildCreated(wParam);
  if (msg == WM_HOST_CHILDCLOSED) CheckChildState();
  if (!posted) trace_.Finish(ticket, 0);
  return 0;
}

void Host::OnChildCreated(WPARAM wParam) {
  formWnd_ = reinterpret_cast<HWND>(wParam);
  // The form paints its title bar from these records: lend them before it is first shown.
  SendContext(options_.context);
  SendStyle();
}

void Host::OnCommands(bool base, WPARAM wParam, JsonObject& line) {
  std::vector<HostCommand>& set = base ? baseCommands_ : ownCommands_;
  set = ReadCommandSet(wParam);
  std::string list = "[";
  for (const HostCommand& c : set) {
    JsonObject item;
    item.Add("Name", AnsiToUtf8(c.name)).Add("Caption", AnsiToUtf8(c.caption));
    item.Add("Hint", AnsiToUtf8(c.hint)).AddBool("Bitmap", !c.bitmap.empty());
    if (list.size() > 1) list += ", ";
    list += item.str();
  }
  list += "]";
  line.AddRaw("commands", list);
  HideTip();
  LayoutToolbar();
}

void Host::TraceToolbar() {
  std::string list = "[";
  for (const Button& b : buttons_) {
    JsonObject item;
    item.Add("name", AnsiToUtf8(commands_[b.command]->name)).AddRaw("bounds", RectJson(b.rect));
    if (list.size() > 1) list += ", ";
    list += item.str();
  }
  JsonObject line;
  line.Add("event", "toolbar").AddRaw("buttons", list + "]");
  trace_.Write(line);
}

void Host::OnStatusText(LPARAM lParam, JsonObject& line) {
  const char* text = reinterpret_cast<const char*>(lParam);
  status_ = text ? text : "";
  line.Add("text", AnsiToUtf8(status_));
  RECT r{0, options_.height - kStatusHeight, options_.width, options_.height};
  InvalidateRect(hostWnd_, &r, FALSE);
}

void Host::OnRequest(UINT msg, WPARAM wParam, JsonObject& line) {
  auto* request = reinterpret_cast<TShareVar*>(wParam);
  if (!request) {
    line.AddBool("answered", false);
    return;
  }
  if (msg == WM_HOST_OPENMODULE) line.Add("moduleCode", WideFieldUtf8(request->ModuleCode));
  if (msg == WM_HOST_CLOSEMODULE) line.Add("intArg", std::int64_t(request->IntArg));
  if (msg != WM_HOST_QUERYDATA) line.Add("moduleKey", WideFieldUtf8(request->ModuleKey));
  else line.Add("queryKey", WideFieldUtf8(request->QueryKey));
  std::optional<std::string> answer = answers_.Answer(msg, *request);
  if (answer) RequestAnswers::Store(msg, *request, *answer);
  line.AddBool("answered", answer.has_value());
}

LRESULT Host::OnDialogAsk(KvDialogRequest* request) {
  if (!request || !options_.scripted()) return 0;
  bool answered = !dialogAnswers_.empty();
  request->result = answered ? dialogAnswers_.front() : 0;
  if (answered) dialogAnswers_.pop_front();
  TraceDialog(*request, answered);
  return KV_DIALOG_ANSWERED;
}

void Host::OnDialogShown(const KvDialogRequest* request) {
  if (request) TraceDialog(*request, true);
}

void Host::TraceDialog(const KvDialogRequest& request, bool answered) {
  JsonObject line;
  line.Add("event", "dialog").Add("caption", AnsiTextUtf8(request.caption));
  line.Add("text", AnsiTextUtf8(request.text)).Add("flags", std::int64_t(request.flags));
  line.Add("result", std::int64_t(request.result)).AddBool("answered", answered);
  trace_.Write(line);
}

// ---- the child event -----------------------------------------------------------------------

ChildState Host::ReadChildState() const {
  ChildState s;
  s.exists = formWnd_ && IsWindow(formWnd_);
  if (!s.exists) {
    s.parent = "none";
    s.state = "normal";
    return s;
  }
  s.visible = (GetWindowLongPtrA(formWnd_, GWL_STYLE) & WS_VISIBLE) != 0;
  HWND parent = GetParent(formWnd_);
  s.parent = parent == mainArea_ ? "main" : parent == altArea_ ? "alt" : parent ? "other" : "none";
  s.state = IsZoomed(formWnd_) ? "maximized" : IsIconic(formWnd_) ? "minimized" : "normal";
  GetWindowRect(formWnd_, &s.bounds);
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&s.bounds), 2);
  return s;
}

void Host::CheckChildState() {
  if (!formWnd_) return;
  UpdateAltArea();
  ChildState now = ReadChildState();
  if (lastChild_ && *lastChild_ == now) return;
  lastChild_ = now;
  JsonObject line;
  line.Add("event", "child").AddBool("visible", now.visible).Add("parent", now.parent);
  line.Add("state", now.state).AddRaw("bounds", RectJson(now.bounds));
  if (!now.exists) line.AddBool("destroyed", true);
  trace_.Write(line);
}

void Host::UpdateAltArea() {
  bool holdsForm = formWnd_ && IsWindow(formWnd_) && GetParent(formWnd_) == altArea_;
  bool shown = (GetWindowLongPtrA(altArea_, GWL_STYLE) & WS_VISIBLE) != 0;
  if (holdsForm == shown) return;
  if (holdsForm)
    SetWindowPos(altArea_, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  else
    ShowWindow(altArea_, SW_HIDE);
}

// ---- drawing and the toolbar ---------------------------------------------------------------

void Host::LayoutToolbar() {
  commands_.clear();
  for (const HostCommand& c : baseCommands_) commands_.push_back(&c);
  for (const HostCommand& c : ownCommands_) commands_.push_back(&c);
  buttons_.clear();
  hot_ = pressed_ = -1;
  gfx::Surface probe(1, 1);
  gfx::Canvas measure(probe);
  measure.SetFont(HostFont());
  int x = 4;
  for (std::size_t i = 0; i < commands_.size(); ++i) {
    if (i == baseCommands_.size() && i > 0) x += 8;  // a gap between the two sets
    const HostCommand& c = *commands_[i];
    int width = ShowsBitmap(c) ? 26 : std::max(26, measure.TextWidth(ButtonLabel(c)) + 14);
    buttons_.push_back({i, {x, 3, x + width, kToolbarHeight - 3}});
    x += width + 2;
  }
  if (hostWnd_) {
    RECT r{0, 0, options_.width, kToolbarHeight};
    InvalidateRect(hostWnd_, &r, FALSE);
  }
}

void Host::Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  PaintToolbar(*dc);
  PaintStatus(*dc);
  EndPaint(hwnd, &ps);
}

void Host::PaintToolbar(gfx::Canvas& c) {
  c.FillRect({0, 0, options_.width, kToolbarHeight - 1}, kToolbarColor);
  c.FillRect({0, kToolbarHeight - 1, options_.width, kToolbarHeight}, kLineColor);
  c.SetFont(HostFont());
  c.SetBkMode(gfx::bkTransparent);
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const RECT& r = buttons_[i].rect;
    const HostCommand& command = *commands_[buttons_[i].command];
    gfx::Rect box{r.left, r.top, r.right, r.bottom};
    bool pressed = int(i) == pressed_, hot = int(i) == hot_;
    if (pressed || hot) {
      c.FillRect(box, pressed ? kPressedColor : kHotColor);
      c.brush().color = kLineColor;
      c.FrameRect(box);
    }
    int shift = pressed ? 1 : 0;
    if (ShowsBitmap(command)) {
      const gfx::Surface& bmp = command.bitmap;
      int w = std::min(bmp.width(), 16), h = std::min(bmp.height(), 16);
      int x = (r.left + r.right - w) / 2 + shift, y = (r.top + r.bottom - h) / 2 + shift;
      gfx::TColor transparent = gfx::TColor(gfx::PixelToColorRef(bmp.pixel(0, bmp.height() - 1)));
      c.TransparentBlt({x, y, x + w, y + h}, bmp, {0, 0, bmp.width(), bmp.height()}, transparent);
    } else {
      gfx::Rect label{box.left + shift, box.top + shift, box.right + shift, box.bottom + shift};
      c.SetTextColor(gfx::clBlack);
      c.DrawText(ButtonLabel(command), label,
                 gfx::DT_CENTER | gfx::DT_VCENTER | gfx::DT_SINGLELINE | gfx::DT_NOPREFIX);
    }
  }
}

void Host::PaintStatus(gfx::Canvas& c) {
  int top = options_.height - kStatusHeight;
  c.FillRect({0, top, options_.width, top + 1}, kLineColor);
  c.FillRect({0, top + 1, options_.width, options_.height}, kStatusColor);
  c.SetFont(HostFont());
  c.SetBkMode(gfx::bkTransparent);
  c.SetTextColor(gfx::clBlack);
  gfx::Rect text{6, top + 1, options_.width - 6, options_.height};
  c.DrawText(status_, text, gfx::DT_LEFT | gfx::DT_VCENTER | gfx::DT_SINGLELINE | gfx::DT_NOPREFIX);
}

int Host::ButtonAt(int x, int y) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (Inside(buttons_[i].rect, x, y)) return int(i);
  return -1;
}

void Host::OnMouseMove(int x, int y) {
  if (!tracking_) {
    TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hostWnd_, 0};
    tracking_ = TrackMouseEvent(&tme) != FALSE;
  }
  SetHot(ButtonAt(x, y));
}

void Host::SetHot(int index) {
  if (index == hot_) return;
  for (int i : {hot_, index})
    if (i >= 0) InvalidateRect(hostWnd_, &buttons_[std::size_t(i)].rect, FALSE);
  hot_ = index;
  if (index >= 0) ShowTip(index);
  else HideTip();
}

void Host::ShowTip(int index) {
  const HostCommand& command = *commands_[buttons_[std::size_t(index)].command];
  if (command.hint.empty()) {
    HideTip();
    return;
  }
  gfx::Surface probe(1, 1);
  gfx::Canvas measure(probe);
  measure.SetFont(HostFont());
  int width = measure.TextWidth(command.hint) + 9;
  const RECT& r = buttons_[std::size_t(index)].rect;
  int x = std::min(r.left, options_.width - width);
  SetWindowTextA(tip_, command.hint.c_str());
  SetWindowPos(tip_, HWND_TOP, x, kToolbarHeight + 2, width, 19, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(tip_, nullptr, FALSE);
}

void Host::HideTip() {
  if (tip_ && (GetWindowLongPtrA(tip_, GWL_STYLE) & WS_VISIBLE)) ShowWindow(tip_, SW_HIDE);
}

// ---- input of scripts ----------------------------------------------------------------------

void Host::InjectClick(int x, int y, bool twice) {
  KvInjectMouse(hostWnd_, WM_MOUSEMOVE, x, y, 0);
  for (int i = 0; i < (twice ? 2 : 1); ++i) {
    KvInjectMouse(hostWnd_, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    KvInjectMouse(hostWnd_, WM_LBUTTONUP, x, y, 0);
  }
}

void Host::InjectDrag(int x1, int y1, int x2, int y2) {
  constexpr int kSteps = 8;
  KvInjectMouse(hostWnd_, WM_MOUSEMOVE, x1, y1, 0);
  KvInjectMouse(hostWnd_, WM_LBUTTONDOWN, x1, y1, MK_LBUTTON);
  for (int i = 1; i <= kSteps; ++i)
    KvInjectMouse(hostWnd_, WM_MOUSEMOVE, x1 + (x2 - x1) * i / kSteps, y1 + (y2 - y1) * i / kSteps,
                  MK_LBUTTON);
  KvInjectMouse(hostWnd_, WM_LBUTTONUP, x2, y2, 0);
}

void Host::InjectKey(int vk, bool shift, bool ctrl) {
  if (shift) KvInjectKey(hostWnd_, WM_KEYDOWN, VK_SHIFT, 1);
  if (ctrl) KvInjectKey(hostWnd_, WM_KEYDOWN, VK_CONTROL, 1);
  KvInjectKey(hostWnd_, WM_KEYDOWN, WPARAM(vk), 1);
  KvInjectKey(hostWnd_, WM_KEYUP, WPARAM(vk), LPARAM(0xC0000001u));
  if (ctrl) KvInjectKey(hostWnd_, WM_KEYUP, VK_CONTROL, LPARAM(0xC0000001u));
  if (shift) KvInjectKey(hostWnd_, WM_KEYUP, VK_SHIFT, LPARAM(0xC0000001u));
}

}  // namespace host
