#include "platform/classlib/Forms.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/classlib/FormReader.h"
#include "platform/classlib/SysUtils.h"

// ---- scrolling containers ------------------------------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind)
    : FControl(control), FKind(kind) {}

int TControlScrollBar::MaxPosition() const {
  const int extent = FRange > 0 ? FRange : FControl->ContentExtent(FKind);
  const int client = FKind == sbHorizontal ? FControl->ClientWidth() : FControl->ClientHeight();
  return std::max(0, extent - client);
}

void TControlScrollBar::SetPosition(int value) {
  value = std::clamp(value, 0, MaxPosition());
  if (value == FPosition) return;
  const int old = FPosition;
  FPosition = value;
  FControl->ScrollPositionChanged(FKind, old, value);
}

void TControlScrollBar::SetRange(int value) {
  FRange = std::max(0, value);
  if (FPosition > MaxPosition()) SetPosition(MaxPosition());
}

void TControlScrollBar::Assign(TPersistent* source) {
  if (auto* bar = dynamic_cast<TControlScrollBar*>(source)) {
    FRange = bar->FRange;
    FIncrement = bar->FIncrement;
    FVisible = bar->FVisible;
    SetPosition(bar->FPosition);
    return;
  }
  inherited::Assign(source);
}

void TControlScrollBar::Publish(TPublisher<TControlScrollBar>& p) {
  p.Property("Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement).Default(8);
  p.Property("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).Default(0);
  p.Property("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange).Default(0);
  p.Property("Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).Default(true);
}

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner),
      FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

int TScrollingWinControl::ContentExtent(TScrollBarKind kind) const {
  const int offset = kind == sbHorizontal ? FHorzScrollBar->Position() : FVertScrollBar->Position();
  int extent = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    const TControl* c = Controls(i);
    if (!c->Visible() || c->Align() != alNone) continue;
    extent = std::max(extent, kind == sbHorizontal ? c->Left() + c->Width() : c->Top() + c->Height());
  }
  return extent + offset;
}

void TScrollingWinControl::ScrollBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  DisableAlign();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Align() != alNone) continue;
    c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
  }
  EnableAlign();
  Invalidate();
}

void TScrollingWinControl::ScrollPositionChanged(TScrollBarKind kind, int oldPos, int newPos) {
  if (kind == sbHorizontal)
    ScrollBy(oldPos - newPos, 0);
  else
    ScrollBy(0, oldPos - newPos);
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (!control || control->Parent() != this) return;
  const TRect client = ClientRect();
  if (control->Left() < client.left)
    FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + control->Left() - client.left);
  else if (control->Left() + control->Width() > client.right)
    FHorzScrollBar->SetPosition(FHorzScrollBar->Position() + control->Left() + control->Width() - client.right);
  if (control->Top() < client.top)
    FVertScrollBar->SetPosition(FVertScrollBar->Position() + control->Top() - client.top);
  else if (control->Top() + control->Height() > client.bottom)
    FVertScrollBar->SetPosition(FVertScrollBar->Position() + control->Top() + control->Height() - client.bottom);
}

void TScrollingWinControl::Publish(TPublisher<TScrollingWinControl>& p) {
  p.Property("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll).Default(true);
  p.Property("HorzScrollBar", &TScrollingWinControl::HorzScrollBar, &TScrollingWinControl::SetHorzScrollBar);
  p.Property("VertScrollBar", &TScrollingWinControl::VertScrollBar, &TScrollingWinControl::SetVertScrollBar);
}

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetTabStop(true);
  SetColor(clBtnFace);
  SetParentColor(true);
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
  if (value != bsNone) value = bsSingle;
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  Realign();
  Invalidate();
}

TRect TScrollBox::ClientRect() const {
  const int inset = FBorderStyle == bsSingle ? 2 : 0;
  return Rect(0, 0, std::max(0, Width() - 2 * inset), std::max(0, Height() - 2 * inset));
}

void TScrollBox::PaintWindow(HDC dc) {
  if (!dc || FBorderStyle != bsSingle) return;
  // A sunken two-pixel frame around the client area.
  const gfx::Rect outer{0, 0, Width(), Height()};
  gfx::Canvas::StateGuard guard(*dc);
  dc->brush().style = gfx::bsSolid;
  dc->brush().color = clBtnShadow;
  dc->FrameRect(outer);
  dc->brush().color = cl3DDkShadow;
  dc->FrameRect(gfx::Rect{1, 1, Width() - 1, Height() - 1});
}

void TScrollBox::Publish(TPublisher<TScrollBox>& p) {
  p.Property("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
}

// ---- TCustomForm ---------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TScrollingWinControl(owner) {
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  SetColor(clBtnFace);
  Screen->AddForm(this);
}

TCustomForm::TCustomForm(TComponent* owner, int) : TCustomForm(owner) { FCreatedNew = true; }

TCustomForm::~TCustomForm() = default;

void TCustomForm::AfterConstruction() {
  if (!FCreatedNew) {
    const bool read = InitInheritedComponent(this, TForm::StaticClass());
    const TClass own = ClassType();
    if (!read && own != TForm::StaticClass() && own != TCustomForm::StaticClass())
      throw EResNotFound("Resource " + ClassName() + " not found");
  }
  DoCreate();
}

void TCustomForm::BeforeDestruction() {
  // OnDestroy runs while every component of the form is still there.
  try {
    DoDestroy();
  } catch (...) {
    Application->HandleException(this);
  }
  if (FActive) {
    FActive = false;
    if (Screen->ActiveCustomForm() == this) Screen->SetActiveForm(nullptr);
  }
  Screen->RemoveForm(this);
  inherited::BeforeDestruction();
}

namespace {
// Runs a copy of EVENT: a handler may reassign or clear its own event while it runs (a form
// that handles its first activation only clears OnActivate from inside OnActivate).
void Fire(const TNotifyEvent& event, TObject* sender) {
  if (!event) return;
  const TNotifyEvent copy = event;
  copy(sender);
}
}  // namespace

void TCustomForm::DoCreate() { Fire(OnCreate, this); }
void TCustomForm::DoDestroy() { Fire(OnDestroy, this); }
void TCustomForm::DoShow() { Fire(OnShow, this); }
void TCustomForm::DoHide() { Fire(OnHide, this); }
void TCustomForm::Activate() { Fire(OnActivate, this); }
void TCustomForm::Deactivate() { Fire(OnDeactivate, this); }

void TCustomForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  // The form's non-visual components first, then its controls.
  TComponent::GetChildren(proc, root);
  TWinControl::GetChildren(proc, root);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated() && !Parent() && !ParentWindow()) RecreateWnd();
}

void TCustomForm::CreateParams(TCreateParams& params) {
  inherited::CreateParams(params);
  // A form is shown through ShowWindow, never at creation.
  params.Style &= ~DWORD(WS_VISIBLE);
  if (Parent() || ParentWindow()) return;
  params.Style &= ~DWORD(WS_CHILD);
  switch (FBorderStyle) {
    case bsNone: params.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: params.Style |= WS_CAPTION | WS_BORDER; break;
    case bsDialog: params.Style |= WS_CAPTION | WS_DLGFRAME; break;
    default: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
  }
  if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
    params.Style |= WS_SYSMENU;
    if (FBorderIcons.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
    if (FBorderIcons.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
  }
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (value == FWindowState) return;
  FWindowState = value;
  if (HandleAllocated() && Visible()) ApplyWindowState();
}

void TCustomForm::ApplyWindowState() {
  switch (FWindowState) {
    case wsMaximized: ShowWindow(Handle(), SW_SHOWMAXIMIZED); break;
    case wsMinimized: ShowWindow(Handle(), SW_SHOWMINIMIZED); break;
    default: ShowWindow(Handle(), IsIconic(Handle()) || IsZoomed(Handle()) ? SW_RESTORE : SW_SHOWNORMAL); break;
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
  if (HandleAllocated()) SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetActive(true);
}

void TCustomForm::CMVisibleChanged(TMessage&) {
  if (Visible()) {
    DoShow();
    // OnShow may have hidden the form again.
    if (!Visible()) return;
    HandleNeeded();
    FShown = true;
    ApplyWindowState();
    SetActive(true);
    return;
  }
  if (!FShown) return;
  FShown = false;
  SetActive(false);
  DoHide();
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = FFormStyle == fsMDIChild
                            ? (FBorderIcons.Contains(biMinimize) ? caMinimize : caNone)
                            : caHide;
  OnClose(this, action);
  switch (action) {
    case caHide: Hide(); break;
    case caFree: Release(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caNone: break;
  }
  if (action != caNone && Application->MainForm() == this) Application->Terminate();
}

void TCustomForm::Release() {
  // The form is freed from the queue, once the handlers running now have returned.
  PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&) { delete this; }

void TCustomForm::SetActive(bool value) {
  if (value == FActive) return;
  if (value) {
    if (!Visible()) return;
    FActive = true;
    TCustomForm* previous = Screen->ActiveCustomForm();
    if (previous && previous != this) previous->SetActive(false);
    Screen->SetActiveForm(this);
    Activate();
    SetWindowFocus();
  } else {
    FActive = false;
    if (Screen->ActiveCustomForm() == this) Screen->SetActiveForm(nullptr);
    Deactivate();
  }
}

void TCustomForm::SetWindowFocus() {
  if (!FActive || !HandleAllocated()) return;
  TWinControl* target = FActiveControl && FActiveControl->CanFocus() ? FActiveControl : this;
  if (GetFocus() != target->Handle()) ::SetFocus(target->Handle());
}

void TCustomForm::SetFocusedField(TWinControl*& field, TWinControl* control) {
  if (field == control) return;
  if (field && field != this) field->RemoveFreeNotification(this);
  field = control;
  if (control && control != this) control->FreeNotification(this);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (control && (control == this || !ContainsControl(control)))
    throw EInvalidOperation("Invalid active control for form '" + Name() + "'");
  if (control && !ComponentState().Contains(csLoading) && FActive && !control->CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetFocusedField(FActiveControl, control);
  if (control && FActive && !ComponentState().Contains(csLoading)) FocusControl(control);
}

void TCustomForm::FocusControl(TWinControl* control) {
  if (!control) return;
  if (!control->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetFocusedField(FActiveControl, control == this ? nullptr : control);
  HWND wnd = control->Handle();
  if (GetFocus() != wnd) ::SetFocus(wnd);
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
  if (!control || (control != this && !ContainsControl(control))) return;
  if (control == FFocusedControl) {
    // Focus coming back from another form.
    Screen->SetActiveControl(control);
    if (!FActive && Visible()) SetActive(true);
    return;
  }
  TWinControl* previous = FFocusedControl;
  SetFocusedField(FFocusedControl, control);
  if (control != this) SetFocusedField(FActiveControl, control);
  Screen->SetActiveControl(control);
  if (previous) previous->Perform(CM_EXIT);
  control->Perform(CM_ENTER);
  if (!FActive && Visible()) SetActive(true);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FActiveControl) FActiveControl = nullptr;
  if (component == FFocusedControl) FFocusedControl = nullptr;
}

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE: WMClose(m); break;
    case WM_ACTIVATE: WMActivate(m); break;
    case WM_NEXTDLGCTL: WMNextDlgCtl(m); break;
    case CM_RELEASE: CMRelease(m); break;
    default: inherited::Dispatch(m); break;
  }
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMActivate(TMessage& m) {
  DefaultHandler(m);
  SetActive(LOWORD(m.WParam) != WA_INACTIVE);
}

void TCustomForm::WMNextDlgCtl(TMessage& m) {
  if (LOWORD(m.LParam) != 0) {
    if (TWinControl* target = FindControl(reinterpret_cast<HWND>(m.WParam)); target && ContainsControl(target))
      FocusControl(target);
    return;
  }
  TWinControl* current = FindControl(GetFocus());
  if (!current || !ContainsControl(current)) current = FActiveControl;
  SelectNext(current, m.WParam == 0, true);
}

void TCustomForm::CMDialogKey(TMessage& m) {
  if (m.WParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
    TWinControl* current = FindControl(GetFocus());
    if (!current || !ContainsControl(current)) current = FActiveControl;
    SelectNext(current, GetKeyState(VK_SHIFT) >= 0, true);
    m.Result = 1;
  }
}

void TCustomForm::WMSize(TMessage& m) {
  inherited::WMSize(m);
  if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
  if (IsIconic(Handle()))
    FWindowState = wsMinimized;
  else if (IsZoomed(Handle()))
    FWindowState = wsMaximized;
  else
    FWindowState = wsNormal;
}

void TCustomForm::Publish(TPublisher<TCustomForm>& p) {
  p.Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  p.Property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  p.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight).Stored(false);
  p.Property("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth).Stored(false);
  p.Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  p.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  p.Property("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder).Default(false);
  p.Property("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch).Default(ScreenPixelsPerInch);
  p.Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDefaultPosOnly);
  p.Property("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled).Default(true);
  p.Property("TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight).Default(13);
  p.Property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  p.Property("OnActivate", &TCustomForm::OnActivate);
  p.Property("OnClose", &TCustomForm::OnClose);
  p.Property("OnCloseQuery", &TCustomForm::OnCloseQuery);
  p.Property("OnCreate", &TCustomForm::OnCreate);
  p.Property("OnDeactivate", &TCustomForm::OnDeactivate);
  p.Property("OnDestroy", &TCustomForm::OnDestroy);
  p.Property("OnHide", &TCustomForm::OnHide);
  p.Property("OnShow", &TCustomForm::OnShow);
}

// ---- TDataModule ---------------------------------------------------------------------------

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {}
TDataModule::TDataModule(TComponent* owner, int) : TComponent(owner) { FCreatedNew = true; }

void TDataModule::AfterConstruction() {
  if (!FCreatedNew) {
    const bool read = InitInheritedComponent(this, TDataModule::StaticClass());
    if (!read && ClassType() != TDataModule::StaticClass())
      throw EResNotFound("Resource " + ClassName() + " not found");
  }
  OnCreate(this);
}

void TDataModule::BeforeDestruction() {
  try {
    OnDestroy(this);
  } catch (...) {
    Application->HandleException(this);
  }
  inherited::BeforeDestruction();
}

void TDataModule::Publish(TPublisher<TDataModule>& p) {
  p.Property("OldCreateOrder", &TDataModule::FOldCreateOrder).Default(false);
  p.Property("Left", &TDataModule::FLeft).Default(0);
  p.Property("Top", &TDataModule::FTop).Default(0);
  p.Property("Height", &TDataModule::FHeight).Default(0);
  p.Property("Width", &TDataModule::FWidth).Default(0);
  p.Property("OnCreate", &TDataModule::OnCreate);
  p.Property("OnDestroy", &TDataModule::OnDestroy);
}

// ---- TScreen -------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

void TScreen::AddForm(TCustomForm* form) { FForms.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
  if (FActiveForm == form) SetActiveForm(nullptr);
  if (FActiveControl && GetParentForm(FActiveControl) == form) SetActiveControl(nullptr);
}

void TScreen::SetActiveForm(TCustomForm* form) {
  if (form == FActiveForm) return;
  if (FActiveForm) FActiveForm->RemoveFreeNotification(this);
  FActiveForm = form;
  if (form) form->FreeNotification(this);
}

void TScreen::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (FActiveControl) FActiveControl->RemoveFreeNotification(this);
  FActiveControl = control;
  if (control) control->FreeNotification(this);
}

void TScreen::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FActiveForm) FActiveForm = nullptr;
  if (component == FActiveControl) FActiveControl = nullptr;
}

// ---- TApplication --------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() = default;

bool TApplication::Active() const {
  TCustomForm* form = Screen->ActiveCustomForm();
  return form && form->Active();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

bool TApplication::IsKeyMsg(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  TWinControl* control = TWinControl::FindControl(msg.hwnd);
  if (!control) return false;
  return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::DispatchOne(const MSG& msg) {
  if (IsKeyMsg(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void TApplication::ProcessPendingMessages() {
  MSG msg{};
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      FTerminated = true;
      return;
    }
    try {
      DispatchOne(msg);
    } catch (...) {
      HandleException(this);
    }
  }
}

bool TApplication::HandleMessage() {
  MSG msg{};
  const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  if (got == 0 || got == -1) {
    FTerminated = true;
    return false;
  }
  try {
    DispatchOne(msg);
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::Run() {
  FTerminated = false;
  while (!FTerminated && HandleMessage()) {
  }
}

void TApplication::Terminate() {
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(TObject* sender) noexcept {
  const std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    try {
      std::rethrow_exception(current);
    } catch (EAbort&) {
      return;
    } catch (Exception& e) {
      ++FExceptionCount;
      FLastExceptionMessage = e.Message();
      if (OnException)
        OnException(sender, &e);
      else
        ShowException(e.Message());
    } catch (std::exception& e) {
      Exception wrapped(e.what());
      ++FExceptionCount;
      FLastExceptionMessage = wrapped.Message();
      if (OnException)
        OnException(sender, &wrapped);
      else
        ShowException(wrapped.Message());
    } catch (...) {
      Exception wrapped("Unknown exception");
      ++FExceptionCount;
      FLastExceptionMessage = wrapped.Message();
      if (OnException)
        OnException(sender, &wrapped);
      else
        ShowException(wrapped.Message());
    }
  } catch (...) {
    // A failing OnException handler must not escape either.
    FLastExceptionMessage = "Exception in the exception handler";
  }
}

void TApplication::ShowException(const AnsiString& message) noexcept {
  try {
    AnsiString text = message;
    if (!text.empty() && text.back() != '.') text += '.';
    if (FShowMessageHook) {
      FShowMessageHook(FTitle, text);
      return;
    }
    std::fprintf(stderr, "%s%s%s\n", FTitle.c_str(), FTitle.empty() ? "" : ": ", text.c_str());
  } catch (...) {
  }
}

// ---- the module's application and screen ---------------------------------------------------

namespace {

TApplication* gApplication = nullptr;
TScreen* gScreen = nullptr;

void DestroyApplication() {
  // Forms go first (they talk to the screen while they are destroyed), then the screen.
  TApplication* app = gApplication;
  gApplication = nullptr;
  delete app;
  TScreen* screen = gScreen;
  gScreen = nullptr;
  delete screen;
}

struct ApplicationHolder {
  ~ApplicationHolder() { DestroyApplication(); }
};

// The library's start-up creates the application object (without a window).
[[maybe_unused]] const bool gApplicationAtStartup = (kv::detail::ApplicationInstance(), true);

}  // namespace

namespace kv::detail {

TApplication* ApplicationInstance() {
  if (!gApplication) {
    static ApplicationHolder holder;
    gApplication = new TApplication(nullptr);
  }
  return gApplication;
}

TScreen* ScreenInstance() {
  if (!gScreen) {
    ApplicationInstance();
    gScreen = new TScreen(nullptr);
  }
  return gScreen;
}

void RegisterApplicationTeardown() {
  // Registered after the window system made its first window, so it runs before the window
  // system's own state goes away (at exit, or when this module is unloaded).
  static const bool registered = (std::atexit(&DestroyApplication), true);
  (void)registered;
}

}  // namespace kv::detail
