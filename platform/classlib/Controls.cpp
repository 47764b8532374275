#include "platform/classlib/Controls.h"

#include <algorithm>
#include <cstdio>

#include "platform/classlib/Forms.h"
#include "platform/classlib/SysUtils.h"

// ---- cursors and shift state ---------------------------------------------------------------

namespace {

struct CursorName {
  const char* Name;
  TCursor Value;
};
constexpr CursorName kCursors[] = {
    {"crDefault", crDefault},   {"crNone", crNone},         {"crArrow", crArrow},
    {"crCross", crCross},       {"crIBeam", crIBeam},       {"crSizeNESW", crSizeNESW},
    {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE}, {"crSizeWE", crSizeWE},
    {"crHourGlass", crHourGlass}, {"crDrag", crDrag},       {"crNoDrop", crNoDrop},
    {"crHSplit", crHSplit},     {"crVSplit", crVSplit},     {"crHandPoint", crHandPoint},
    {"crSizeAll", crSizeAll},
};

bool CursorIdentToInt(const AnsiString& ident, int64_t& value) {
  for (const auto& c : kCursors)
    if (SameText(ident, c.Name)) {
      value = c.Value;
      return true;
    }
  return false;
}

bool CursorIntToIdent(int64_t value, AnsiString& ident) {
  for (const auto& c : kCursors)
    if (c.Value == value) {
      ident = c.Name;
      return true;
    }
  return false;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }

TPoint MessagePoint(const TMessage& m) { return TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}; }

}  // namespace

const TIdentMapper* CursorIdents() {
  static const TIdentMapper mapper{&CursorIdentToInt, &CursorIntToIdent};
  return &mapper;
}

TShiftState MouseKeysToShiftState(WPARAM keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

// ---- alignment -----------------------------------------------------------------------------

namespace {

// Sort key along the edge a slot docks to: smaller comes first.
int DockOrderKey(const TAlignSlot& s) {
  switch (s.Align) {
    case alTop: return s.Bounds.top;
    case alBottom: return -s.Bounds.bottom;
    case alLeft: return s.Bounds.left;
    case alRight: return -s.Bounds.right;
    default: return 0;
  }
}

// Places S against its edge of REST and takes the space it uses out of REST.
void DockSlot(TAlignSlot& s, TRect& rest) {
  const int w = std::max(0, int(s.Bounds.right - s.Bounds.left));
  const int h = std::max(0, int(s.Bounds.bottom - s.Bounds.top));
  const int restW = std::max(0, int(rest.right - rest.left));
  const int restH = std::max(0, int(rest.bottom - rest.top));
  switch (s.Align) {
    case alTop:
      s.Bounds = Bounds(rest.left, rest.top, restW, h);
      rest.top += h;
      break;
    case alBottom:
      s.Bounds = Bounds(rest.left, rest.bottom - h, restW, h);
      rest.bottom -= h;
      break;
    case alLeft:
      s.Bounds = Bounds(rest.left, rest.top, w, restH);
      rest.left += w;
      break;
    case alRight:
      s.Bounds = Bounds(rest.right - w, rest.top, w, restH);
      rest.right -= w;
      break;
    case alClient:
      s.Bounds = Bounds(rest.left, rest.top, restW, restH);
      break;
    default:
      break;
  }
}

}  // namespace

void AlignSlots(const TRect& client, std::vector<TAlignSlot>& slots, int moving) {
  TRect rest = client;
  static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
  std::vector<int> pass;
  for (TAlign align : kOrder) {
    pass.clear();
    for (int i = 0; i < int(slots.size()); ++i)
      if (slots[i].Visible && slots[i].Align == align) pass.push_back(i);
    std::stable_sort(pass.begin(), pass.end(), [&](int a, int b) {
      const int ka = DockOrderKey(slots[a]), kb = DockOrderKey(slots[b]);
      if (ka != kb) return ka < kb;
      return a == moving && b != moving;
    });
    for (int i : pass) DockSlot(slots[i], rest);
  }
}

// ---- TControl ------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
}

TControl::~TControl() {
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (auto* self = dynamic_cast<TWinControl*>(this); self && parent && self->ContainsControl(parent))
    throw EInvalidOperation("A control cannot be parented by one of its own children");
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* p = dynamic_cast<TWinControl*>(parent)) SetParent(p);
}

void TControl::UpdateBoundsFields(int left, int top, int width, int height) {
  FLeft = left;
  FTop = top;
  FWidth = std::max(width, 0);
  FHeight = std::max(height, 0);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool resized = width != FWidth || height != FHeight;
  Invalidate();
  UpdateBoundsFields(left, top, width, height);
  Invalidate();
  if (resized) Resize();
  RequestAlign();
}

void TControl::Resize() { OnResize(this); }

void TControl::RequestAlign() {
  if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  const TAlign old = FAlign;
  FAlign = value;
  if (FParent && (old != alNone || value != alNone)) FParent->Realign();
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  Invalidate();
  FVisible = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  RequestAlign();
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::EffectivelyEnabled() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FEnabled) return false;
  return true;
}

void TControl::SetColor(TColor value) {
  FParentColor = false;
  if (value == FColor) return;
  FColor = value;
  Perform(CM_COLORCHANGED);
}

void TControl::ChangeParentColorSilently(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value && FParent) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (value && FParent) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject*) {
  if (!FAdoptingParentFont) FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetText(const AnsiString& value) {
  if (value == FText) return;
  FText = value;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TComponent* menu) {
  if (menu == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = menu;
  if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Loaded() {
  inherited::Loaded();
  RequestAlign();
}

void TControl::Invalidate() {
  if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
  const TRect r = BoundsRect();
  InvalidateRect(FParent->FHandle, &r, TRUE);
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  Invalidate();
  RequestAlign();
}

void TControl::SendToBack() {
  if (!FParent) return;
  auto& list = FParent->FControls;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  Invalidate();
  RequestAlign();
}

TPoint TControl::ClientOrigin() const {
  if (!FParent) return TPoint{FLeft, FTop};
  const TPoint p = FParent->ClientOrigin();
  return TPoint{p.x + FLeft, p.y + FTop};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  const TPoint o = ClientOrigin();
  return TPoint{p.x + o.x, p.y + o.y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  const TPoint o = ClientOrigin();
  return TPoint{p.x - o.x, p.y - o.y};
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& message) {
  // A disabled control (or one inside a disabled container) gets no mouse input.
  if (IsMouseMessage(message.Msg) && !EffectivelyEnabled()) return;
  Dispatch(message);
}

void TControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(m); break;
    case WM_LBUTTONUP: WMLButtonUp(m); break;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(m); break;
    case WM_RBUTTONDOWN: WMRButtonDown(m); break;
    case WM_RBUTTONUP: WMRButtonUp(m); break;
    case WM_MBUTTONDOWN: WMMButtonDown(m); break;
    case WM_MBUTTONUP: WMMButtonUp(m); break;
    case WM_MOUSEMOVE: WMMouseMove(m); break;
    case CM_MOUSEENTER: CMMouseEnter(m); break;
    case CM_MOUSELEAVE: CMMouseLeave(m); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(m); break;
    case CM_COLORCHANGED: CMColorChanged(m); break;
    case CM_FONTCHANGED: CMFontChanged(m); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(m); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(m); break;
    case CM_TEXTCHANGED: CMTextChanged(m); break;
    default: DefaultHandler(m); break;
  }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::Click() { OnClick(this); }
void TControl::DblClick() { OnDblClick(this); }
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) { OnMouseMove(this, shift, x, y); }
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  OnMouseUp(this, button, shift, x, y);
}

void TControl::WMLButtonDown(TMessage& m) {
  // Windowed controls hold the mouse themselves; graphic ones are held by their parent.
  if (auto* self = dynamic_cast<TWinControl*>(this); self && self->HandleAllocated()) SetCapture(self->FHandle);
  FClicking = true;
  const TPoint p = MessagePoint(m);
  MouseDown(mbLeft, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WMLButtonUp(TMessage& m) {
  if (auto* self = dynamic_cast<TWinControl*>(this); self && self->HandleAllocated() && GetCapture() == self->FHandle)
    ReleaseCapture();
  const TPoint p = MessagePoint(m);
  const bool wasClicking = FClicking;
  FClicking = false;
  if (wasClicking && p.x >= 0 && p.y >= 0 && p.x < FWidth && p.y < FHeight) Click();
  MouseUp(mbLeft, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WMLButtonDblClk(TMessage& m) {
  const TPoint p = MessagePoint(m);
  DblClick();
  MouseDown(mbLeft, MouseKeysToShiftState(m.WParam) + TShiftState{ssDouble}, p.x, p.y);
}

void TControl::WMRButtonDown(TMessage& m) {
  const TPoint p = MessagePoint(m);
  MouseDown(mbRight, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WMRButtonUp(TMessage& m) {
  const TPoint p = MessagePoint(m);
  MouseUp(mbRight, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WMMButtonDown(TMessage& m) {
  const TPoint p = MessagePoint(m);
  MouseDown(mbMiddle, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WMMButtonUp(TMessage& m) {
  const TPoint p = MessagePoint(m);
  MouseUp(mbMiddle, MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::WMMouseMove(TMessage& m) {
  const TPoint p = MessagePoint(m);
  MouseMove(MouseKeysToShiftState(m.WParam), p.x, p.y);
}

void TControl::CMMouseEnter(TMessage&) {
  FMouseInControl = true;
  OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage&) {
  FMouseInControl = false;
  OnMouseLeave(this);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMVisibleChanged(TMessage&) { Invalidate(); }
void TControl::CMColorChanged(TMessage&) { Invalidate(); }
void TControl::CMFontChanged(TMessage&) { Invalidate(); }
void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage&) {
  if (FParentColor && FParent) ChangeParentColorSilently(FParent->Color());
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!FParentFont || !FParent) return;
  FAdoptingParentFont = true;
  try {
    FFont->Assign(FParent->Font());
  } catch (...) {
    FAdoptingParentFont = false;
    throw;
  }
  FAdoptingParentFont = false;
}

void TControl::NotifyParentChange(UINT msg) {
  if (auto* self = dynamic_cast<TWinControl*>(this))
    for (TControl* child : std::vector<TControl*>(self->FControls)) child->Perform(msg);
}

void TControl::Publish(TPublisher<TControl>& p) {
  p.Property("Left", &TControl::Left, &TControl::SetLeft).NoDefault();
  p.Property("Top", &TControl::Top, &TControl::SetTop).NoDefault();
  p.Property("Width", &TControl::Width, &TControl::SetWidth).NoDefault();
  p.Property("Height", &TControl::Height, &TControl::SetHeight).NoDefault();
  p.Property("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  p.Property("Anchors", &TControl::Anchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
  p.Property("Color", &TControl::Color, &TControl::SetColor)
      .Idents(ColorIdents())
      .Stored(&TControl::IsColorStored);
  p.Property("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crDefault).Idents(CursorIdents());
  p.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  p.Property("Font", &TControl::Font, &TControl::SetFont).Stored(&TControl::IsFontStored);
  p.Property("Hint", &TControl::Hint, &TControl::SetHint);
  p.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
  p.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  p.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false);
  p.Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  p.Property("OnClick", &TControl::OnClick);
  p.Property("OnDblClick", &TControl::OnDblClick);
  p.Property("OnMouseDown", &TControl::OnMouseDown);
  p.Property("OnMouseEnter", &TControl::OnMouseEnter);
  p.Property("OnMouseLeave", &TControl::OnMouseLeave);
  p.Property("OnMouseMove", &TControl::OnMouseMove);
  p.Property("OnMouseUp", &TControl::OnMouseUp);
  p.Property("OnResize", &TControl::OnResize);
}

// ---- the window procedure ------------------------------------------------------------------

namespace {

// Unique per module (the address of a variable of this module's class library), so that two
// copies of the library in one process each register their own class and know their windows.
char gModuleMarker;

const AnsiString& ControlClassName() {
  static const AnsiString name = [] {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "TKvWinControl.%p", static_cast<void*>(&gModuleMarker));
    return AnsiString(buffer);
  }();
  return name;
}

}  // namespace

LRESULT KvControlWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!control) {
    if (msg != WM_NCCREATE || !lParam) return DefWindowProcA(wnd, msg, wParam, lParam);
    control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (!control) return DefWindowProcA(wnd, msg, wParam, lParam);
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    control->FHandle = wnd;
  }
  TMessage m{msg, wParam, lParam, 0};
  // Nothing thrown by a handler may unwind through the window system.
  try {
    control->WndProc(m);
  } catch (...) {
    Application->HandleException(control);
  }
  return m.Result;
}

namespace {

void RegisterControlClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &KvControlWndProc;
    wc.lpszClassName = ControlClassName().c_str();
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

TWinControl* TWinControl::FindControl(HWND wnd) {
  if (!wnd || GetWindowLongPtrA(wnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&KvControlWndProc))
    return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
}

// ---- TWinControl ---------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  if (Parent()) Parent()->RemoveControl(this);
  // Children go with their container.
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    RemoveControl(child);
    delete child;
  }
  if (FHandle) {
    // Messages sent while the window goes away must not reach a half-destroyed object.
    HWND wnd = FHandle;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    FHandle = nullptr;
    DestroyWindow(wnd);
  }
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (Parent()) Parent()->HandleNeeded();
  if (FHandle) return;  // the parent made ours while making its own
  CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = Text();
  params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Parent() || FParentWindow) params.Style |= WS_CHILD;
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (FTabStop) params.Style |= WS_TABSTOP;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = Parent() ? Parent()->FHandle : FParentWindow;
}

void TWinControl::CreateWnd() {
  RegisterControlClass();
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !params.WndParent)
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  HWND wnd = CreateWindowExA(params.ExStyle, ControlClassName().c_str(), params.Caption.c_str(),
                             params.Style, params.X, params.Y, params.Width, params.Height,
                             params.WndParent, nullptr, nullptr, this);
  if (!wnd) throw EInvalidOperation("Error creating window for '" + Name() + "'");
  FHandle = wnd;
  kv::detail::RegisterApplicationTeardown();
  FLastClientWidth = ClientWidth();
  FLastClientHeight = ClientHeight();
  CreateChildHandles();
}

void TWinControl::CreateChildHandles() {
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
}

void TWinControl::DestroyWnd() {
  if (!FHandle) return;
  HWND wnd = FHandle;
  DestroyWindow(wnd);  // WM_NCDESTROY clears FHandle of this control and its children
  FHandle = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyWnd();
  HandleNeeded();
}

void TWinControl::SetParentWindow(HWND window) {
  if (window == FParentWindow) return;
  FParentWindow = window;
  if (!FHandle || Parent()) return;
  LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
  style = window ? (style | WS_CHILD) : (style & ~LONG_PTR(WS_CHILD));
  SetWindowLongPtrA(FHandle, GWL_STYLE, style);
  ::SetParent(FHandle, window);
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  TControl::SetParent(parent);
}

void TWinControl::WMNCDestroy(TMessage& m) {
  DefaultHandler(m);
  if (FHandle) SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
  FHandle = nullptr;
  FTrackingMouse = false;
}

void TWinControl::InsertControl(TControl* control) {
  if (!control || control->FParent == this) return;
  if (control->FParent) control->FParent->RemoveControl(control);
  control->FParent = this;
  FControls.push_back(control);
  auto* win = dynamic_cast<TWinControl*>(control);
  if (win) FTabList.push_back(win);
  control->Perform(CM_PARENTCOLORCHANGED);
  control->Perform(CM_PARENTFONTCHANGED);
  if (win && FHandle) {
    if (win->FHandle) {
      LONG_PTR style = GetWindowLongPtrA(win->FHandle, GWL_STYLE) | WS_CHILD;
      SetWindowLongPtrA(win->FHandle, GWL_STYLE, style);
      ::SetParent(win->FHandle, FHandle);
      MoveWindow(win->FHandle, win->Left(), win->Top(), win->Width(), win->Height(), TRUE);
    } else {
      win->HandleNeeded();
    }
  }
  if (control->Align() != alNone) Realign();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(FControls.begin(), FControls.end(), control);
  if (it == FControls.end()) return;
  control->Invalidate();
  FControls.erase(it);
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
  if (FCaptureControl == control) FCaptureControl = nullptr;
  if (FMouseControl == control) FMouseControl = nullptr;
  control->FParent = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(control); win && win->FHandle && !win->FParentWindow) {
    // A window cannot outlive its parent window: it is made again when needed.
    win->DestroyWnd();
  }
  if (control->Align() != alNone && !ComponentState().Contains(csDestroying)) Realign();
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
    if (p.x >= c->Left() && p.y >= c->Top() && p.x < c->Left() + c->Width() && p.y < c->Top() + c->Height())
      return c;
  }
  return nullptr;
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  // While a resource is read the siblings may not exist yet: applied in Loaded.
  if (ComponentState().Contains(csLoading) || !Parent()) {
    FPendingTabOrder = value;
    return;
  }
  auto& list = Parent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  const int pos = std::clamp(value, 0, int(list.size()));
  list.insert(list.begin() + pos, this);
}

void TWinControl::ApplyPendingTabOrder() {
  if (FPendingTabOrder < 0 || !Parent()) return;
  const int value = FPendingTabOrder;
  FPendingTabOrder = -1;
  SetTabOrder(value);
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (TCustomForm* form = GetParentForm(this))
    form->FocusControl(this);
  else
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  const int n = int(list.size());
  if (n == 0) return nullptr;
  const auto found = std::find(list.begin(), list.end(), current);
  const int start = found == list.end() ? -1 : int(found - list.begin());
  for (int step = 1; step <= n; ++step) {
    int index;
    if (start < 0)
      index = goForward ? step - 1 : n - step;
    else
      index = goForward ? (start + step) % n : (start - step + n) % n;
    TWinControl* c = list[index];
    if (c == current) continue;
    if (checkTabStop && !c->TabStop()) continue;
    if (checkParent && c->Parent() != this) continue;
    if (c->CanFocus()) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, false)) next->SetFocus();
}

void TWinControl::Realign() {
  if (FAlignLevel > 0 || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) {
    FAlignPending = true;
    return;
  }
  FAlignPending = false;
  TRect r = ClientRect();
  AlignControls(nullptr, r);
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0) --FAlignLevel;
  if (FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::AlignControls(TControl* moving, TRect& rect) {
  std::vector<TControl*> aligned;
  std::vector<TAlignSlot> slots;
  int movingIndex = -1;
  for (TControl* c : FControls) {
    if (c->Align() == alNone || c->Align() == alCustom) continue;
    if (c == moving) movingIndex = int(slots.size());
    aligned.push_back(c);
    slots.push_back(TAlignSlot{c->Align(), c->BoundsRect(), c->Visible()});
  }
  if (slots.empty()) return;
  AlignSlots(rect, slots, movingIndex);
  ++FAlignLevel;
  try {
    for (size_t i = 0; i < aligned.size(); ++i)
      if (slots[i].Visible) aligned[i]->SetBoundsRect(slots[i].Bounds);
  } catch (...) {
    --FAlignLevel;
    throw;
  }
  --FAlignLevel;
}

void TWinControl::ApplyAnchors(int oldWidth, int oldHeight) {
  const int dx = ClientWidth() - oldWidth;
  const int dy = ClientHeight() - oldHeight;
  if ((dx == 0 && dy == 0) || oldWidth <= 0 || oldHeight <= 0) return;
  ++FAlignLevel;
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (c->Align() != alNone) continue;
    const TAnchors a = c->Anchors();
    int left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
    if (a.Contains(akRight)) {
      if (a.Contains(akLeft)) width += dx; else left += dx;
    } else if (!a.Contains(akLeft)) {
      left += dx / 2;
    }
    if (a.Contains(akBottom)) {
      if (a.Contains(akTop)) height += dy; else top += dy;
    } else if (!a.Contains(akTop)) {
      top += dy / 2;
    }
    c->SetBounds(left, top, width, height);
  }
  --FAlignLevel;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  const bool resized = width != Width() || height != Height();
  const int oldClientWidth = ClientWidth(), oldClientHeight = ClientHeight();
  UpdateBoundsFields(left, top, width, height);
  if (FHandle) MoveWindow(FHandle, left, top, width, height, TRUE);
  if (resized) {
    if (!ComponentState().Contains(csLoading)) ApplyAnchors(oldClientWidth, oldClientHeight);
    FLastClientWidth = ClientWidth();
    FLastClientHeight = ClientHeight();
    Realign();
    Resize();
    Invalidate();
  }
  RequestAlign();
}

void TWinControl::WMSize(TMessage& m) {
  DefaultHandler(m);
  if (m.WParam == SIZE_MINIMIZED) return;
  const int width = LOWORD(m.LParam), height = HIWORD(m.LParam);
  if (width == Width() && height == Height()) return;
  UpdateBoundsFields(Left(), Top(), width, height);
  ApplyAnchors(FLastClientWidth, FLastClientHeight);
  FLastClientWidth = ClientWidth();
  FLastClientHeight = ClientHeight();
  Realign();
  Resize();
  RequestAlign();
}

void TWinControl::WMMove(TMessage& m) {
  DefaultHandler(m);
  if (!FHandle) return;
  RECT r{};
  GetWindowRect(FHandle, &r);
  POINT p{r.left, r.top};
  if (HWND parent = GetParent(FHandle)) ::ScreenToClient(parent, &p);
  UpdateBoundsFields(p.x, p.y, Width(), Height());
}

bool TWinControl::Showing() const {
  if (!Visible()) return false;
  if (Parent()) return Parent()->Showing();
  return true;
}

void TWinControl::SetEnabled(bool value) { TControl::SetEnabled(value); }

void TWinControl::SetText(const AnsiString& value) {
  if (value == Text()) return;
  TControl::SetText(value);
  if (FHandle) SetWindowTextA(FHandle, value.c_str());
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

TPoint TWinControl::ClientOrigin() const {
  if (FHandle) {
    POINT p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
  }
  return TControl::ClientOrigin();
}

void TWinControl::UpdateShowing() {
  if (!FHandle) {
    if (Visible() && (Parent() ? Parent()->HandleAllocated() : false)) HandleNeeded();
    return;
  }
  ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::CMVisibleChanged(TMessage&) { UpdateShowing(); }

void TWinControl::CMEnabledChanged(TMessage&) {
  if (FHandle) EnableWindow(FHandle, Enabled() ? TRUE : FALSE);
  Invalidate();
}

void TWinControl::CMColorChanged(TMessage&) {
  Invalidate();
  NotifyParentChange(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage&) {
  Invalidate();
  NotifyParentChange(CM_PARENTFONTCHANGED);
}

void TWinControl::Loaded() {
  inherited::Loaded();
  ApplyPendingTabOrder();
  if (FAlignPending) Realign();
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TControl* c : FControls)
    if (c->Owner() == root) proc(c);
}

// ---- messages of windowed controls ---------------------------------------------------------

void TWinControl::TrackMouse() {
  if (FTrackingMouse || !FHandle) return;
  TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, FHandle, 0};
  TrackMouseEvent(&tme);
  FTrackingMouse = true;
  Perform(CM_MOUSEENTER);
}

void TWinControl::RouteMouseToGraphicChild(TMessage& m, bool& handled) {
  handled = false;
  const TPoint p = MessagePoint(m);
  TControl* target = FCaptureControl;
  if (!target) {
    TControl* hit = ControlAtPos(p, false);
    if (hit && !hit->IsWindowed()) target = hit;
  }
  if (m.Msg == WM_MOUSEMOVE && !FCaptureControl && target != FMouseControl) {
    TControl* old = FMouseControl;
    FMouseControl = target;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (target) target->Perform(CM_MOUSEENTER);
  }
  if (!target) return;
  const bool down = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN ||
                    m.Msg == WM_LBUTTONDBLCLK;
  const bool up = m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP;
  if (down) {
    FCaptureControl = target;
    if (FHandle) SetCapture(FHandle);
  }
  TMessage local{m.Msg, m.WParam, MAKELPARAM(p.x - target->Left(), p.y - target->Top()), 0};
  target->WndProc(local);
  m.Result = local.Result;
  if (up && FCaptureControl == target) {
    FCaptureControl = nullptr;
    if (FHandle && GetCapture() == FHandle) ReleaseCapture();
  }
  handled = true;
}

void TWinControl::WndProc(TMessage& m) {
  if (IsMouseMessage(m.Msg) && m.Msg != WM_MOUSEWHEEL) {
    if (!EffectivelyEnabled()) return;
    if (m.Msg == WM_MOUSEMOVE) TrackMouse();
    // A click moves the focus to a windowed control that takes it.
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN) && FTabStop && !Focused() && CanFocus()) SetFocus();
    bool handled = false;
    RouteMouseToGraphicChild(m, handled);
    if (handled) return;
  }
  Dispatch(m);
}

void TWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: WMPaint(m); break;
    case WM_ERASEBKGND: WMEraseBkgnd(m); break;
    case WM_SIZE: WMSize(m); break;
    case WM_MOVE: WMMove(m); break;
    case WM_SETFOCUS: WMSetFocus(m); break;
    case WM_KILLFOCUS: WMKillFocus(m); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(m); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(m); break;
    case WM_CHAR: WMChar(m); break;
    case WM_MOUSELEAVE: WMMouseLeave(m); break;
    case WM_NCDESTROY: WMNCDestroy(m); break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: CNKeyDown(m); break;
    case CM_DIALOGKEY: CMDialogKey(m); break;
    case CM_ENTER: CMEnter(m); break;
    case CM_EXIT: CMExit(m); break;
    default: TControl::Dispatch(m); break;
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (FHandle) m.Result = DefWindowProcA(FHandle, m.Msg, m.WParam, m.LParam);
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc) {
  if (!dc) return;
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (c->IsWindowed() || !c->Visible() || c->Width() <= 0 || c->Height() <= 0) continue;
    const gfx::Point origin = dc->Origin();
    const gfx::Rect device = ToGfxRect(c->BoundsRect()).Offset(origin.x, origin.y);
    if (!dc->ClipRegion().Intersects(device)) continue;
    gfx::Canvas::StateGuard guard(*dc);
    dc->IntersectClipRect(ToGfxRect(c->BoundsRect()));
    dc->SetOrigin(origin.x + c->Left(), origin.y + c->Top());
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  }
}

void TWinControl::WMPaint(TMessage& m) {
  if (m.WParam) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    PaintWindow(dc);
    PaintControls(dc);
    return;
  }
  if (!FHandle) return;
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(FHandle, &ps);
  if (dc) {
    PaintWindow(dc);
    PaintControls(dc);
  }
  EndPaint(FHandle, &ps);
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  if (dc) dc->FillRect(ToGfxRect(ClientRect()), BackgroundRGB());
  m.Result = 1;
}

void TWinControl::WMSetFocus(TMessage& m) {
  DefaultHandler(m);
  if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

void TWinControl::WMMouseLeave(TMessage& m) {
  FTrackingMouse = false;
  if (FMouseControl) {
    TControl* old = FMouseControl;
    FMouseControl = nullptr;
    old->Perform(CM_MOUSELEAVE);
  }
  Perform(CM_MOUSELEAVE);
  DefaultHandler(m);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) { OnKeyDown(this, key, shift); }
void TWinControl::KeyUp(WORD& key, TShiftState shift) { OnKeyUp(this, key, shift); }
void TWinControl::KeyPress(char& key) { OnKeyPress(this, key); }

bool TWinControl::DoKeyDown(WORD& key, TShiftState shift) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyDown(key, shift);
    if (key == 0) return true;
  }
  KeyDown(key, shift);
  return key == 0;
}

bool TWinControl::DoKeyUp(WORD& key, TShiftState shift) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyUp(key, shift);
    if (key == 0) return true;
  }
  KeyUp(key, shift);
  return key == 0;
}

bool TWinControl::DoKeyPress(char& key) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyPress(key);
    if (key == 0) return true;
  }
  KeyPress(key);
  return key == 0;
}

void TWinControl::WMKeyDown(TMessage& m) {
  WORD key = static_cast<WORD>(m.WParam);
  if (DoKeyDown(key, KeyboardShiftState())) return;
  m.WParam = key;
  DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
  WORD key = static_cast<WORD>(m.WParam);
  if (DoKeyUp(key, KeyboardShiftState())) return;
  m.WParam = key;
  DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
  char key = static_cast<char>(m.WParam);
  if (DoKeyPress(key)) return;
  m.WParam = static_cast<unsigned char>(key);
  DefaultHandler(m);
}

void TWinControl::CNKeyDown(TMessage& m) {
  // Navigation keys the control does not want go to its form as dialog keys first.
  const WORD key = static_cast<WORD>(m.WParam);
  UINT mask = 0;
  switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_ESCAPE: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (mask == 0) return;
  if (Perform(CM_WANTSPECIALKEY, key, m.LParam) != 0) return;
  if (Perform(WM_GETDLGCODE, key, 0) & mask) return;
  if (TCustomForm* form = GetParentForm(this))
    if (form->Perform(CM_DIALOGKEY, key, m.LParam) != 0) m.Result = 1;
}

void TWinControl::CMDialogKey(TMessage& m) {
  // Containers pass dialog keys up to their form.
  if (TCustomForm* form = GetParentForm(this); form && form != this)
    m.Result = form->Perform(CM_DIALOGKEY, m.WParam, m.LParam);
}

void TWinControl::DoEnter() { OnEnter(this); }
void TWinControl::DoExit() { OnExit(this); }
void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::Publish(TPublisher<TWinControl>& p) {
  p.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  p.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  p.Property("OnEnter", &TWinControl::OnEnter);
  p.Property("OnExit", &TWinControl::OnExit);
  p.Property("OnKeyDown", &TWinControl::OnKeyDown);
  p.Property("OnKeyPress", &TWinControl::OnKeyPress);
  p.Property("OnKeyUp", &TWinControl::OnKeyUp);
}

// ---- TCustomControl / TGraphicControl ------------------------------------------------------

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), FCanvas(std::make_unique<TCanvas>()) {}
TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
  FCanvas->SetHandle(dc);
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetColor(Color());
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    throw;
  }
  FCanvas->SetHandle(nullptr);
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), FCanvas(std::make_unique<TCanvas>()) {}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg != WM_PAINT) {
    TControl::Dispatch(m);
    return;
  }
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  if (!dc) return;
  FCanvas->SetHandle(dc);
  FCanvas->Font()->Assign(Font());
  FCanvas->Brush()->SetColor(Color());
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    throw;
  }
  FCanvas->SetHandle(nullptr);
}

TCustomForm* GetParentForm(const TControl* control) {
  const TControl* top = control;
  while (top && top->Parent()) top = top->Parent();
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(top));
}
