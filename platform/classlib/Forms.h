// Forms, data modules, scroll boxes, the screen and the application object.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"

// ---- enumerations and events ---------------------------------------------------------------

KV_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
// Border of scroll boxes and similar containers: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;
KV_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TSet<TBorderIcon>;
KV_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
KV_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
        poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
KV_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
KV_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
KV_ENUM(TScrollBarKind, sbHorizontal, sbVertical)

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                       mrIgnore = 5, mrYes = 6, mrNo = 7;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
using TExceptionEvent = TEvent<void(TObject* Sender, Exception* E)>;

// ---- scrolling containers ------------------------------------------------------------------

class TScrollingWinControl;

// One scroll bar of a scrolling container: the scrolled offset (Position) within the
// scrolled extent (Range).
class TControlScrollBar : public TPersistent {
  KV_CLASS(TControlScrollBar, TPersistent)
 public:
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);

  TScrollBarKind Kind() const { return FKind; }
  // Offset of the content; kept within 0 .. max(0, Range - client extent).
  int Position() const { return FPosition; }
  void SetPosition(int value);
  // Extent of the content (0: as far as the children reach).
  int Range() const { return FRange; }
  void SetRange(int value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value) { FVisible = value; }
  int Increment() const { return FIncrement; }
  void SetIncrement(int value) { FIncrement = value; }
  // Largest valid Position.
  int MaxPosition() const;

  void Assign(TPersistent* source) override;
  static void Publish(TPublisher<TControlScrollBar>& p);

 private:
  TScrollingWinControl* FControl;
  TScrollBarKind FKind;
  int FPosition = 0;
  int FRange = 0;
  int FIncrement = 8;
  bool FVisible = true;
};

// A windowed container whose children can be scrolled.
class TScrollingWinControl : public TWinControl {
  KV_CLASS(TScrollingWinControl, TWinControl)
 public:
  explicit TScrollingWinControl(TComponent* owner);
  ~TScrollingWinControl() override;

  TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
  TControlScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
  void SetHorzScrollBar(TControlScrollBar* value) { FHorzScrollBar->Assign(value); }
  void SetVertScrollBar(TControlScrollBar* value) { FVertScrollBar->Assign(value); }
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool value) { FAutoScroll = value; }
  // Moves every child by (dx, dy).
  void ScrollBy(int dx, int dy);
  // Scrolls so that CONTROL's bounds are inside the client area.
  void ScrollInView(TControl* control);
  // How far the children reach to the right / downwards, scrolling undone.
  int ContentExtent(TScrollBarKind kind) const;

  static void Publish(TPublisher<TScrollingWinControl>& p);

 protected:
  friend class TControlScrollBar;
  // A scroll bar moved from OLDPOS to its current position.
  void ScrollPositionChanged(TScrollBarKind kind, int oldPos, int newPos);

 private:
  std::unique_ptr<TControlScrollBar> FHorzScrollBar;
  std::unique_ptr<TControlScrollBar> FVertScrollBar;
  bool FAutoScroll = true;
};

// A scrolling container with an optional single-line border.
class TScrollBox : public TScrollingWinControl {
  KV_CLASS(TScrollBox, TScrollingWinControl)
 public:
  explicit TScrollBox(TComponent* owner);

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  // bsNone or bsSingle; other values are taken as bsSingle.
  void SetBorderStyle(TBorderStyle value);
  // The client area lies inside the border.
  TRect ClientRect() const override;

  static void Publish(TPublisher<TScrollBox>& p);

 protected:
  void PaintWindow(HDC dc) override;

 private:
  TBorderStyle FBorderStyle = bsSingle;
};

// ---- forms ---------------------------------------------------------------------------------

// A form: a top-level window, or a child window of a foreign window (ParentWindow). Its
// layout comes from the form resource of its class chain, read after construction
// (Create<T>(owner) or TClassInfo::CreateInstance); OnCreate runs after that.
class TCustomForm : public TScrollingWinControl {
  KV_CLASS(TCustomForm, TScrollingWinControl)
 public:
  explicit TCustomForm(TComponent* owner);
  // A form that reads no resource (the form of code that builds its own layout).
  TCustomForm(TComponent* owner, int createNew);
  ~TCustomForm() override;

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value) { FBorderIcons = value; }
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value) { FFormStyle = value; }
  // The form's OnKeyDown / OnKeyPress / OnKeyUp run before the focused control's.
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  // Kept for resources; no scaling is ever done.
  bool Scaled() const { return FScaled; }
  void SetScaled(bool value) { FScaled = value; }
  bool OldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int value) { FPixelsPerInch = value; }
  int TextHeight() const { return FTextHeight; }
  void SetTextHeight(int value) { FTextHeight = value; }

  TWindowState WindowState() const { return FWindowState; }
  // Applied through the window system at once when shown, else when next shown.
  void SetWindowState(TWindowState value);

  // Makes the form visible, brings it to the front and activates it.
  void Show();
  void Hide() { SetVisible(false); }
  // CloseQuery, then OnClose (caHide by default), then the action.
  void Close();
  // OnCloseQuery; true when the form may close.
  virtual bool CloseQuery();
  // Frees the form once the messages being handled now are done.
  void Release();

  // True while the form is the active form.
  bool Active() const { return FActive; }
  // The control that has (or gets, on activation) the focus inside the form, or null.
  TWinControl* ActiveControl() const { return FActiveControl; }
  // EInvalidOperation when CONTROL is not on this form, or the form is active and CONTROL
  // cannot take the focus.
  void SetActiveControl(TWinControl* control);
  // Gives CONTROL the focus.
  void FocusControl(TWinControl* control);
  // Records CONTROL as focused (called when its window got the focus): OnExit of the
  // previous one, OnEnter of CONTROL, and activation of the form.
  void SetFocusedControl(TWinControl* control);
  // Makes the form the active form (deactivating the previous one) or not.
  void SetActive(bool value);

  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }

  void AfterConstruction() override;
  void BeforeDestruction() override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

  TNotifyEvent OnActivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnHide;
  TNotifyEvent OnShow;

  static void Publish(TPublisher<TCustomForm>& p);

 protected:
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();
  void CreateParams(TCreateParams& params) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Dispatch(TMessage& message) override;

  void CMVisibleChanged(TMessage& message) override;
  void CMDialogKey(TMessage& message) override;
  void WMSize(TMessage& message) override;
  virtual void WMClose(TMessage& message);
  virtual void WMActivate(TMessage& message);
  virtual void WMNextDlgCtl(TMessage& message);
  virtual void CMRelease(TMessage& message);

 private:
  void SetWindowFocus();
  void ApplyWindowState();
  void SetFocusedField(TWinControl*& field, TWinControl* control);

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormStyle FFormStyle = fsNormal;
  bool FKeyPreview = false;
  TPosition FPosition = poDefaultPosOnly;
  bool FScaled = true;
  bool FOldCreateOrder = false;
  int FPixelsPerInch = ScreenPixelsPerInch;
  int FTextHeight = 13;
  TWindowState FWindowState = wsNormal;
  bool FActive = false;
  bool FShown = false;
  bool FCreatedNew = false;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TModalResult FModalResult = mrNone;
};

// The form class application forms derive from.
class TForm : public TCustomForm {
  KV_CLASS(TForm, TCustomForm)
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
  TForm(TComponent* owner, int createNew) : TCustomForm(owner, createNew) {}
};

// A non-visual container of components, built from its class chain's resource after
// construction (Create<T>); OnCreate runs after reading, OnDestroy before destruction.
class TDataModule : public TComponent {
  KV_CLASS(TDataModule, TComponent)
 public:
  explicit TDataModule(TComponent* owner);
  // A data module that reads no resource.
  TDataModule(TComponent* owner, int createNew);

  void AfterConstruction() override;
  void BeforeDestruction() override;

  bool OldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  static void Publish(TPublisher<TDataModule>& p);

 private:
  bool FCreatedNew = false;
  bool FOldCreateOrder = false;
  // Design-time position of a data module; read and kept, never used.
  int FLeft = 0, FTop = 0, FHeight = 0, FWidth = 0;
};

// ---- screen and application ----------------------------------------------------------------

// What the module knows of the screen: its size, the active form and control.
class TScreen : public TComponent {
  KV_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* owner);

  int Width() const;
  int Height() const;
  // The form that is active now, or null.
  TCustomForm* ActiveCustomForm() const { return FActiveForm; }
  TCustomForm* ActiveForm() const { return FActiveForm; }
  // The control that has the focus in the active form, or null.
  TWinControl* ActiveControl() const { return FActiveControl; }
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int index) const { return FForms.at(static_cast<size_t>(index)); }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);
  void SetActiveControl(TWinControl* control);

  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
};

// The module's one application object: message processing, error reporting and the owner
// of the forms it creates.
class TApplication : public TComponent {
  KV_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* owner);
  ~TApplication() override;

  // The window the application's windows and dialogs belong to (the host's, when embedded).
  HWND Handle() const { return FHandle; }
  void SetHandle(HWND handle) { FHandle = handle; }
  const AnsiString& Title() const { return FTitle; }
  void SetTitle(const AnsiString& value) { FTitle = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }
  // True while one of the application's forms is active.
  bool Active() const;
  // The first form made with CreateForm, or null.
  TCustomForm* MainForm() const { return FMainForm; }

  // Dispatches every pending message (paints included) and returns; returns at once, for
  // the cost of one flag test, when nothing is pending.
  void ProcessMessages() {
    if (KvMessagesPending()) ProcessPendingMessages();
  }
  // Dispatches every pending message without asking first (for a caller that just asked:
  // asking twice can miss a timer that the first answer reported).
  void ProcessPendingMessages();
  // Dispatches one message, waiting for it when none is pending; false once the queue says quit.
  bool HandleMessage();
  // Handles messages until Terminate or the quit message.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // Creates a form of class T owned by the application (the first becomes MainForm).
  template <class T>
  void CreateForm(T*& reference) {
    reference = Create<T>(this);
    if (!FMainForm) FMainForm = reference;
  }

  // Reports the exception being handled now: nothing for EAbort; else OnException when
  // assigned, else ShowException. Never throws.
  void HandleException(TObject* sender) noexcept;
  // Shows MESSAGE through the message hook (standard error by default). Never throws.
  void ShowException(const AnsiString& message) noexcept;
  // Receives what ShowException shows: the title and the message.
  using TShowMessageHook = std::function<void(const AnsiString& title, const AnsiString& message)>;
  void SetShowMessageHook(TShowMessageHook hook) { FShowMessageHook = std::move(hook); }
  // The message of the last exception reported (through either path) and their count.
  const AnsiString& LastExceptionMessage() const { return FLastExceptionMessage; }
  int ExceptionCount() const { return FExceptionCount; }

  TExceptionEvent OnException;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Dispatches MSG unless the library handles it first as a key message.
  void DispatchOne(const MSG& msg);
  bool IsKeyMsg(const MSG& msg);

  HWND FHandle = nullptr;
  AnsiString FTitle;
  bool FShowHint = true;
  bool FTerminated = false;
  TCustomForm* FMainForm = nullptr;
  TShowMessageHook FShowMessageHook;
  AnsiString FLastExceptionMessage;
  int FExceptionCount = 0;
};

namespace kv::detail {
// The application and screen objects of this module, created on first use.
TApplication* ApplicationInstance();
TScreen* ScreenInstance();
// Arranges for the application to be destroyed before the window system tears down; called
// once a window exists.
void RegisterApplicationTeardown();
}  // namespace kv::detail

// Stands for the module's application object: `Application->ProcessMessages()`.
struct TApplicationRef {
  TApplication* operator->() const { return kv::detail::ApplicationInstance(); }
  TApplication& operator*() const { return *kv::detail::ApplicationInstance(); }
  operator TApplication*() const { return kv::detail::ApplicationInstance(); }
  operator TComponent*() const { return kv::detail::ApplicationInstance(); }
};
// Stands for the module's screen object.
struct TScreenRef {
  TScreen* operator->() const { return kv::detail::ScreenInstance(); }
  operator TScreen*() const { return kv::detail::ScreenInstance(); }
};

inline constexpr TApplicationRef Application{};
inline constexpr TScreenRef Screen{};
