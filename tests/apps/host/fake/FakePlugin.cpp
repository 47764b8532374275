// A small stand-in for the purchase-order plug-in, for testing the host: it exports
// ShowChildForm, creates one child window in the window it is given and speaks the host
// protocol as the real form does, with just enough behaviour to exercise every host path:
//   - 1130 at creation, maximised, shown; 1128 keeps the context and reports the context
//     text back as a status text (1132), so the length-prefixed text is checked end to end;
//   - 1125 and a matching 1141 show the form and send an open request (1134) whose answer,
//     if the host gave one, comes back as a status text; all the request's strings are freed;
//   - 1127 and 1142 ask "dialog.dll" from the shared context's AppDir (Yes/No) and close or
//     allow only on Yes; a click on the 18-pixel title strip closes the same way and posts
//     1126;
//   - it announces two command sets built from class-library objects the way the real
//     form's are (a component with a published Commands collection whose items publish
//     Name, Caption, Hint, Bitmap and OnExecute bound to published methods of the owner);
//     running "new", "search" or "Command1" reports back through a status text, and
//     "search" sends a data query (1139);
//   - it paints its title strip in TitleColor and the rest in FormColor.
#include <memory>
#include <string>

#include "platform/classlib/Classes.h"
#include "platform/classlib/Graphics.h"

#include "platform/gfx/Canvas.h"
#include "platform/win/CodePage.h"
#include "platform/win/Module.h"
#include "platform/win/OleStr.h"
#include "platform/win/Windows.h"
#include "sdk/ordr118.h"

namespace fake {

class TFakeCommand : public TCollectionItem {
  KV_CLASS(TFakeCommand, TCollectionItem)
 public:
  explicit TFakeCommand(TCollection* c) : TCollectionItem(c) {}
  AnsiString Name, Caption, Hint;
  TNotifyEvent OnExecute;
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(TBitmap* b) { FBitmap->Assign(b); }

  static void Publish(TPublisher<TFakeCommand>& p) {
    p.Property("Bitmap", &TFakeCommand::Bitmap, &TFakeCommand::SetBitmap);
    p.Property("Caption", &TFakeCommand::Caption);
    p.Property("Hint", &TFakeCommand::Hint);
    p.Property("Name", &TFakeCommand::Name);
    p.Property("OnExecute", &TFakeCommand::OnExecute);
  }

 private:
  std::unique_ptr<TBitmap> FBitmap = std::make_unique<TBitmap>();
};

class TFakeCommandSet : public TComponent {
  KV_CLASS(TFakeCommandSet, TComponent)
 public:
  explicit TFakeCommandSet(TComponent* owner) : TComponent(owner) {}
  TCollection* Commands() const { return FCommands.get(); }
  void SetCommands(TCollection* c) { if (c) FCommands->Assign(c); }

  static void Publish(TPublisher<TFakeCommandSet>& p) {
    p.Property("Commands", &TFakeCommandSet::Commands, &TFakeCommandSet::SetCommands);
  }

 private:
  std::unique_ptr<TCollection> FCommands =
      std::make_unique<TCollection>(TFakeCommand::StaticClass(), this);
};

void SendStatus(const std::string& ansi);
void Query();

// The form's stand-in as the owner of the sets and of their handlers.
class TFakeRoot : public TComponent {
  KV_CLASS(TFakeRoot, TComponent)
 public:
  explicit TFakeRoot(TComponent* owner) : TComponent(owner) {}
  void RunNew(TObject* sender) { SendStatus("ran new from " + static_cast<TFakeCommand*>(sender)->Name); }
  void RunSearch(TObject*) { Query(); }
  void RunCommand1(TObject*) { SendStatus("ran Command1"); }

  static void Publish(TPublisher<TFakeRoot>& p) {
    KV_PUBLISHED_METHOD(p, TFakeRoot, RunNew);
    KV_PUBLISHED_METHOD(p, TFakeRoot, RunSearch);
    KV_PUBLISHED_METHOD(p, TFakeRoot, RunCommand1);
  }
};

}  // namespace fake

namespace {

using fake::TFakeCommand;
using fake::TFakeCommandSet;
using fake::TFakeRoot;

constexpr const char* kFormClass = "KvFakeChildForm";
constexpr int kTitleHeight = 18;

struct FakeForm {
  std::unique_ptr<TFakeRoot> root;
  TFakeCommandSet* chldcmnd = nullptr;
  TFakeCommandSet* chldcmndBase = nullptr;
  HWND app = nullptr;
  HWND host = nullptr;
  HWND wnd = nullptr;
  int32_t id = 0;
  TShareContext* context = nullptr;
  TChildStyle* style = nullptr;

  ~FakeForm() {
    // The window procedure lives in this library: nothing of it may outlive the unload.
    if (wnd && IsWindow(wnd)) DestroyWindow(wnd);
    UnregisterClassA(kFormClass, nullptr);
    root.reset();
  }
};

FakeForm form;

TFakeCommand* AddCommand(TFakeCommandSet* set, const char* name, const char* caption,
                         const char* hint, void (TFakeRoot::*handler)(TObject*), const char* handlerName) {
  auto* c = static_cast<TFakeCommand*>(set->Commands()->Add());
  c->Name = name;
  c->Caption = caption;
  c->Hint = hint;
  if (handler) c->OnExecute = TNotifyEvent(form.root.get(), handler, handlerName);
  return c;
}

void MakeCommandSets() {
  form.root = std::make_unique<TFakeRoot>(nullptr);
  form.chldcmndBase = new TFakeCommandSet(form.root.get());
  form.chldcmnd = new TFakeCommandSet(form.root.get());
  AddCommand(form.chldcmndBase, "new", "new", "", &TFakeRoot::RunNew, "RunNew");
  AddCommand(form.chldcmndBase, "update", "", "", nullptr, "");
  AddCommand(form.chldcmndBase, "search", "", "", &TFakeRoot::RunSearch, "RunSearch");
  TFakeCommand* overview =
      AddCommand(form.chldcmnd, "Command1", "", "显示/隐藏总览", &TFakeRoot::RunCommand1, "RunCommand1");
  // A 16 x 16 glyph: a blue square on a white ground (the ground is the transparent colour).
  TBitmap* glyph = overview->Bitmap();
  glyph->SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      glyph->Canvas()->SetPixels(x, y, x >= 4 && x < 12 && y >= 4 && y < 12 ? TColor(0xFF0000) : clWhite);
}

void AnnounceCommands() {
  SendMessageA(form.host, WM_HOST_COMMANDS, reinterpret_cast<WPARAM>(&form.chldcmnd), 0);
  SendMessageA(form.host, WM_HOST_BASECOMMANDS, reinterpret_cast<WPARAM>(&form.chldcmndBase), 0);
}

}  // namespace

namespace fake {

void SendStatus(const std::string& ansi) {
  SendMessageA(form.host, WM_HOST_STATUSTEXT, KV_STATUSTEXT_FAILURE,
               reinterpret_cast<LPARAM>(ansi.c_str()));
}

void Query() {
  TShareVar request{};
  TArgArr args = nullptr;
  SendMessageA(form.host, WM_HOST_QUERYDATA, reinterpret_cast<WPARAM>(&request),
               reinterpret_cast<LPARAM>(&args));
  std::string answer =
      request.QueryXml ? WideToAnsi(std::u16string_view(request.QueryXml, SysStringLen(request.QueryXml))) : "";
  SysFreeString(request.QueryXml);
  SendStatus("query: " + answer);
}

}  // namespace fake

namespace {

using fake::SendStatus;

// Yes/No through the host's dialog library; 0 when the library cannot be used.
int32_t AskHost(const char* caption, const char* text, int32_t flags) {
  if (!form.context || !form.context->AppDir) return 0;
  BSTR dir = form.context->AppDir;
  std::string path = WideToAnsi(std::u16string_view(dir, SysStringLen(dir))) + KV_DIALOG_LIBRARY;
  HMODULE lib = LoadLibraryA(path.c_str());
  if (!lib) return 0;
  int32_t result = 0;
  if (auto box = reinterpret_cast<TKvMessageBox>(GetProcAddress(lib, KV_MESSAGEBOX_EXPORT)))
    result = box(form.app, caption, text, flags);
  FreeLibrary(lib);
  return result;
}

bool CanClose() { return AskHost("提示：", "有数据未保存，您确定要退出当前窗体吗？", 4) == 6; }

void OpenModule() {
  TShareVar request{};
  std::u16string code = AnsiToWide("Ordr118");
  request.ModuleCode = SysAllocStringLen(code.data(), UINT(code.size()));
  SendMessageA(form.host, WM_HOST_OPENMODULE, reinterpret_cast<WPARAM>(&request), form.id);
  if (request.OpenXml)
    SendStatus("open: " + WideToAnsi(std::u16string_view(request.OpenXml, SysStringLen(request.OpenXml))));
  // The request's strings are freed by the form, whoever allocated them.
  for (BSTR* s : {&request.Spare08, &request.OpenXml, &request.CloseXml, &request.Spare20,
                  &request.ModuleCode, &request.Spare28, &request.QueryXml, &request.ModuleKey,
                  &request.QueryKey, &request.Spare80, &request.Spare84})
    SysFreeString(*s);
  for (BSTR s : request.Spare36) SysFreeString(s);
}

void ShowForm() {
  ShowWindow(form.wnd, SW_SHOW);
  AnnounceCommands();
  OpenModule();
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT r;
  GetClientRect(hwnd, &r);
  bool title = form.style && form.style->ShowTitle;
  gfx::TColor formColor = form.style ? form.style->FormColor : 0x808080;
  dc->FillRect({0, 0, r.right, r.bottom}, formColor);
  if (title) dc->FillRect({0, 0, r.right, kTitleHeight}, form.style->TitleColor);
  EndPaint(hwnd, &ps);
}

LRESULT FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CHILD_HIDE:
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_CHILD_SHOW:
      ShowForm();
      return 0;
    case WM_CHILD_CLOSE:
      if (!CanClose()) return 1;
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_CHILD_SETCONTEXT:
      form.context = reinterpret_cast<TShareContext*>(wParam);
      SendStatus("context: " + std::string(KvReadContextText(reinterpret_cast<const char*>(lParam))));
      return 0;
    case WM_CHILD_SETSTYLE:
      form.style = reinterpret_cast<TChildStyle*>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_CHILD_SELECT:
      SetParent(hwnd, reinterpret_cast<HWND>(wParam));
      if (int64_t(int32_t(lParam)) == int64_t(uint32_t(form.id))) ShowForm();
      else ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_CHILD_CANCLOSE:
      return CanClose() ? 0 : 1;
    case WM_LBUTTONUP:
      if (GET_Y_LPARAM(lParam) < kTitleHeight && CanClose()) {
        ShowWindow(hwnd, SW_HIDE);
        PostMessageA(form.host, WM_HOST_CHILDCLOSED, reinterpret_cast<WPARAM>(hwnd), 0);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

extern "C" KV_SDK_EXPORT int32_t KV_STDCALL ShowChildForm(HWND AppHandle, HWND HostWnd, HWND ParentWnd,
                                                         const char* Caption) {
  form.host = HostWnd;
  form.app = AppHandle;
  MakeCommandSets();
  WNDCLASSA wc{};
  wc.lpfnWndProc = FormProc;
  wc.lpszClassName = kFormClass;
  RegisterClassA(&wc);
  form.wnd = CreateWindowExA(0, kFormClass, Caption, WS_CHILD | WS_CLIPSIBLINGS, 10, 10, 200, 150,
                             ParentWnd, nullptr, nullptr, nullptr);
  if (!form.wnd) return 0;
  SendMessageA(HostWnd, WM_HOST_CHILDCREATED, reinterpret_cast<WPARAM>(form.wnd), 0);
  ShowWindow(form.wnd, SW_MAXIMIZE);
  form.id = int32_t(reinterpret_cast<intptr_t>(form.wnd));
  ShowForm();
  return form.id;
}
