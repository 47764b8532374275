// Controls of the class library: the visual component (TControl), the windowed control
// (TWinControl) with its window, children, tab order and focus, and the two painting bases
// (TCustomControl with its own window, TGraphicControl painted on its parent).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/classlib/Graphics.h"
#include "platform/win/Windows.h"

class TWinControl;
class TCustomForm;

// ---- messages ------------------------------------------------------------------------------

// One window message as a control handles it; Result goes back to the sender.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// Messages the class library sends to its own controls.
enum : UINT {
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_DIALOGKEY = CM_BASE + 5,       // WParam = virtual key; Result 1 when handled
  CM_DIALOGCHAR = CM_BASE + 6,
  CM_FOCUSCHANGED = CM_BASE + 7,    // LParam = the control that got the focus
  CM_PARENTFONTCHANGED = CM_BASE + 8,
  CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_ENABLEDCHANGED = CM_BASE + 12,
  CM_COLORCHANGED = CM_BASE + 13,
  CM_FONTCHANGED = CM_BASE + 14,
  CM_CURSORCHANGED = CM_BASE + 15,
  CM_TEXTCHANGED = CM_BASE + 18,
  CM_MOUSEENTER = CM_BASE + 19,
  CM_MOUSELEAVE = CM_BASE + 20,
  CM_VISIBLECHANGED = CM_BASE + 22,
  CM_ENTER = CM_BASE + 23,
  CM_EXIT = CM_BASE + 24,
  CM_SHOWINGCHANGED = CM_BASE + 25,
  CM_WANTSPECIALKEY = CM_BASE + 27, // WParam = virtual key; Result 1 when the control wants it
  CM_RELEASE = CM_BASE + 33,        // a form frees itself
  CM_SHOWHINTCHANGED = CM_BASE + 34,
  CN_BASE = 0xBC00,                 // key messages offered to a control before dispatch
  CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_KEYUP = CN_BASE + WM_KEYUP,
  CN_CHAR = CN_BASE + WM_CHAR,
  CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN,
};

// ---- enumerations --------------------------------------------------------------------------

KV_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
KV_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
using TAnchors = TSet<TAnchorKind>;
KV_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
KV_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = TSet<TShiftStateItem>;

// Mouse pointer shapes (crDefault: the parent's / the system's).
using TCursor = int16_t;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14,
                  crVSplit = -15, crHandPoint = -21, crSizeAll = -22;
// Identifier mapping of cursor properties (crDefault, crHandPoint ...).
const TIdentMapper* CursorIdents();

// Shift state from the modifier bits of a mouse message's WParam.
TShiftState MouseKeysToShiftState(WPARAM keys);
// Shift state of the keyboard as of the current message.
TShiftState KeyboardShiftState();

// ---- events --------------------------------------------------------------------------------

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;

// ---- alignment -----------------------------------------------------------------------------

// One child as the docking pass sees it.
struct TAlignSlot {
  TAlign Align = alNone;
  TRect Bounds{0, 0, 0, 0};  // in: current bounds; out: docked bounds
  bool Visible = true;
};

// Docks the visible slots inside CLIENT: alTop, alBottom, alLeft, alRight, then alClient,
// each edge taking its controls in order of distance from that edge (ties: slot MOVING
// first, then list order). Slots with other alignments keep their bounds.
void AlignSlots(const TRect& client, std::vector<TAlignSlot>& slots, int moving = -1);

// ---- TControl ------------------------------------------------------------------------------

// A visual component: bounds inside its parent, alignment, visibility, colour, font, mouse.
class TControl : public TComponent {
  KV_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // The windowed control this one sits in (null: none yet).
  TWinControl* Parent() const { return FParent; }
  // Moves the control into PARENT's children (null: out of any parent).
  virtual void SetParent(TWinControl* parent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  // Moves and sizes in the parent's client coordinates; negative sizes become 0. The
  // parent re-docks its aligned children afterwards.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  // The area children and painting use, in the control's own coordinates.
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int ClientWidth() const { return ClientRect().right - ClientRect().left; }
  int ClientHeight() const { return ClientRect().bottom - ClientRect().top; }
  void SetClientWidth(int value) { SetWidth(FWidth - ClientWidth() + value); }
  void SetClientHeight(int value) { SetHeight(FHeight - ClientHeight() + value); }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors value) { FAnchors = value; }

  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // True when the control and every parent up to a top-level window are visible.
  virtual bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  // True when the control and all its parents are enabled.
  bool EffectivelyEnabled() const;

  TColor Color() const { return FColor; }
  // Also stops taking the parent's colour.
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont* Font() const { return FFont.get(); }
  // Copies FONT; also stops taking the parent's font.
  void SetFont(TFont* font) { FFont->Assign(font); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);

  const AnsiString& Caption() const { return FText; }
  void SetCaption(const AnsiString& value) { SetText(value); }
  const AnsiString& Text() const { return FText; }
  virtual void SetText(const AnsiString& value);
  const AnsiString& Hint() const { return FHint; }
  void SetHint(const AnsiString& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  // An optional pop-up menu component (not owned; cleared when it is freed).
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* menu);

  // Marks the control for repainting when the queue is empty.
  virtual void Invalidate();
  // Paints what is pending now.
  virtual void Update();
  // Invalidate, then Update.
  virtual void Repaint();
  void Refresh() { Repaint(); }
  // Last among its siblings: painted last, hit first.
  void BringToFront();
  // First among its siblings.
  void SendToBack();

  // Client coordinates of this control to screen coordinates and back.
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  // The client origin in screen coordinates.
  virtual TPoint ClientOrigin() const;

  // Runs message MSG through WndProc now and returns its result.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Policy for every message (a disabled control gets no mouse input), then Dispatch.
  virtual void WndProc(TMessage& message);
  // Calls the hook named after the message; others go to DefaultHandler.
  virtual void Dispatch(TMessage& message);
  // What happens to messages no hook handles (nothing for a control without a window).
  virtual void DefaultHandler(TMessage& message);

  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* parent) override;
  void Loaded() override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  // Fires after the size changed.
  TNotifyEvent OnResize;

  static void Publish(TPublisher<TControl>& p);

 protected:
  friend class TWinControl;

  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // After a change of size: fires OnResize.
  virtual void Resize();

  // Message hooks.
  virtual void WMLButtonDown(TMessage& message);
  virtual void WMLButtonUp(TMessage& message);
  virtual void WMLButtonDblClk(TMessage& message);
  virtual void WMRButtonDown(TMessage& message);
  virtual void WMRButtonUp(TMessage& message);
  virtual void WMMButtonDown(TMessage& message);
  virtual void WMMButtonUp(TMessage& message);
  virtual void WMMouseMove(TMessage& message);
  virtual void CMMouseEnter(TMessage& message);
  virtual void CMMouseLeave(TMessage& message);
  virtual void CMEnabledChanged(TMessage& message);
  virtual void CMVisibleChanged(TMessage& message);
  virtual void CMColorChanged(TMessage& message);
  virtual void CMFontChanged(TMessage& message);
  virtual void CMParentColorChanged(TMessage& message);
  virtual void CMParentFontChanged(TMessage& message);
  virtual void CMTextChanged(TMessage& message);

  // Sets the bounds fields without telling the window system (window already moved).
  void UpdateBoundsFields(int left, int top, int width, int height);
  // Asks the parent to dock its aligned children again.
  void RequestAlign();
  // Tells the control (and its children) that the parent's colour or font changed.
  void NotifyParentChange(UINT msg);
  void Notification(TComponent* component, TOperation operation) override;
  // True for a control with its own window.
  virtual bool IsWindowed() const { return false; }
  // The colour the control paints its background with, system colours resolved.
  TColor BackgroundRGB() const { return ColorToRGB(FColor); }
  // Stored-predicates of the writer.
  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }

  bool FMouseInControl = false;

 private:
  void FontChanged(TObject* sender);
  void ChangeParentColorSilently(TColor color);

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FAdoptingParentFont = false;
  AnsiString FText;
  AnsiString FHint;
  bool FShowHint = false;
  TCursor FCursor = crDefault;
  TComponent* FPopupMenu = nullptr;
  bool FClicking = false;
};

// ---- TWinControl ---------------------------------------------------------------------------

// What CreateWnd passes to the window system.
struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
};

// A control with a window of the window system (made on first need), children, tab order,
// keyboard focus and key events.
class TWinControl : public TControl {
  KV_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, created (with the parents' windows) on first use.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // Destroys and makes the window again (children keep theirs re-parented).
  void RecreateWnd();
  // A foreign window to live in when the control has no Parent (forms in a host).
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND window);

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  // Child I in z-order (windowed and graphic, 0 = bottom).
  TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }
  // Makes CONTROL a child (through CONTROL->SetParent).
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // The topmost visible child containing client point P, or null.
  TControl* ControlAtPos(TPoint p, bool allowDisabled) const;
  // True when CONTROL is this control or one of its descendants.
  bool ContainsControl(const TControl* control) const;

  // Position among the windowed siblings in tab order (0..n-1; -1 without parent).
  int TabOrder() const;
  // Moves to position VALUE (clamped), renumbering the siblings.
  void SetTabOrder(int value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  // Visible and enabled up to its form, and the form is visible.
  virtual bool CanFocus() const;
  // Gives the control the keyboard focus (through its form).
  virtual void SetFocus();
  bool Focused() const;
  // The windowed descendants in tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // The next (or previous) control after CURRENT that can take the focus, wrapping around;
  // null when none qualifies.
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent) const;
  // Focuses FindNextControl(CURRENT ...); nothing moves when none qualifies.
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  // Docks the aligned children now (once per EnableAlign when nested in DisableAlign).
  void Realign();
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();

  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }

  void SetBounds(int left, int top, int width, int height) override;
  void SetParent(TWinControl* parent) override;
  bool Showing() const override;
  void SetEnabled(bool value) override;
  void SetText(const AnsiString& value) override;
  void Invalidate() override;
  void Update() override;
  TPoint ClientOrigin() const override;
  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void Loaded() override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

  // Paints the graphic children intersecting the clip of DC, bottom to top, each clipped to
  // its bounds with the origin moved to its top-left.
  void PaintControls(HDC dc);

  // The control behind window WND in this module, or null.
  static TWinControl* FindControl(HWND wnd);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  static void Publish(TPublisher<TWinControl>& p);

 protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // The control's own painting inside WM_PAINT (before its graphic children).
  virtual void PaintWindow(HDC dc);
  // Docks the children inside RECT (the client area).
  virtual void AlignControls(TControl* moving, TRect& rect);
  // Moves anchored (not aligned) children after the client area changed size.
  void ApplyAnchors(int oldClientWidth, int oldClientHeight);
  bool IsWindowed() const override { return true; }

  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void DoEnter();
  virtual void DoExit();

  // Message hooks.
  virtual void WMPaint(TMessage& message);
  virtual void WMEraseBkgnd(TMessage& message);
  virtual void WMSize(TMessage& message);
  virtual void WMMove(TMessage& message);
  virtual void WMSetFocus(TMessage& message);
  virtual void WMKillFocus(TMessage& message);
  virtual void WMKeyDown(TMessage& message);
  virtual void WMKeyUp(TMessage& message);
  virtual void WMChar(TMessage& message);
  virtual void WMMouseLeave(TMessage& message);
  virtual void WMNCDestroy(TMessage& message);
  virtual void CNKeyDown(TMessage& message);
  virtual void CMDialogKey(TMessage& message);
  virtual void CMEnter(TMessage& message);
  virtual void CMExit(TMessage& message);
  void CMEnabledChanged(TMessage& message) override;
  void CMVisibleChanged(TMessage& message) override;
  void CMColorChanged(TMessage& message) override;
  void CMFontChanged(TMessage& message) override;

  // Form KeyPreview, then OnKeyDown; true when the key was consumed (set to 0).
  bool DoKeyDown(WORD& key, TShiftState shift);
  bool DoKeyUp(WORD& key, TShiftState shift);
  bool DoKeyPress(char& key);

 private:
  friend LRESULT KvControlWndProc(HWND, UINT, WPARAM, LPARAM);
  friend class TControl;
  void RouteMouseToGraphicChild(TMessage& message, bool& handled);
  void TrackMouse();
  void UpdateShowing();
  void CreateChildHandles();
  void ApplyPendingTabOrder();

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  bool FTabStop = false;
  int FPendingTabOrder = -1;
  int FAlignLevel = 0;
  bool FAlignPending = false;
  bool FDoubleBuffered = false;
  bool FTrackingMouse = false;
  bool FDestroyingHandle = false;
  TControl* FCaptureControl = nullptr;  // graphic child holding the mouse while a button is down
  TControl* FMouseControl = nullptr;    // graphic child under the mouse
  int FLastClientWidth = 0, FLastClientHeight = 0;
};

// ---- painting bases ------------------------------------------------------------------------

// A windowed control that paints itself on its own Canvas in Paint.
class TCustomControl : public TWinControl {
  KV_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  // Valid during Paint (attached to the window's device context).
  TCanvas* Canvas() const { return FCanvas.get(); }

 protected:
  // Draws the control; the base does nothing.
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TCanvas> FCanvas;
};

// A control without a window: painted on its parent's device context, clipped to its
// bounds, after the parent's own painting; its mouse input comes through the parent.
class TGraphicControl : public TControl {
  KV_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  // Valid during Paint.
  TCanvas* Canvas() const { return FCanvas.get(); }

 protected:
  // Draws the control in its own coordinates; the base does nothing.
  virtual void Paint() {}
  void Dispatch(TMessage& message) override;

 private:
  std::unique_ptr<TCanvas> FCanvas;
};

// The form the control sits on (following parents), or null.
TCustomForm* GetParentForm(const TControl* control);
