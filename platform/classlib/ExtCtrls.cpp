#include "platform/classlib/ExtCtrls.h"

#include <algorithm>
#include <array>

// ---- Frame3D -------------------------------------------------------------------------------

void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width) {
  TPen* pen = canvas->Pen();
  const TColor oldColor = pen->Color();
  const int oldWidth = pen->Width();
  const TPenStyle oldStyle = pen->Style();
  pen->SetWidth(1);
  pen->SetStyle(psSolid);
  for (int ring = 0; ring < width; ++ring) {
    const int l = r.left, t = r.top, rr = r.right - 1, b = r.bottom - 1;
    // Each stroke leaves out its end point: the top-right pixel belongs to the bottom stroke,
    // and the bottom stroke runs on into the bottom-left corner.
    pen->SetColor(topColor);
    const std::array<TPoint, 3> top{Point(l, b), Point(l, t), Point(rr, t)};
    canvas->Polyline(top);
    pen->SetColor(bottomColor);
    const std::array<TPoint, 3> bottom{Point(rr, t), Point(rr, b), Point(l - 1, b)};
    canvas->Polyline(bottom);
    r = Rect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
  }
  pen->SetColor(oldColor);
  pen->SetWidth(oldWidth);
  pen->SetStyle(oldStyle);
}

// ---- TCustomPanel --------------------------------------------------------------------------

namespace {

void BevelColors(TBevelCut cut, TColor face, TColor& top, TColor& bottom) {
  switch (cut) {
    case bvLowered: top = clBtnShadow, bottom = clBtnHighlight; break;
    case bvRaised: top = clBtnHighlight, bottom = clBtnShadow; break;
    default: top = bottom = face; break;
  }
}

}  // namespace

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (value == FBevelInner) return;
  FBevelInner = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (value == FBevelOuter) return;
  FBevelOuter = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (value == FBevelWidth) return;
  FBevelWidth = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (value == FBorderWidth) return;
  FBorderWidth = value;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  if (value != bsNone) value = bsSingle;
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  Realign();
  Invalidate();
}

int TCustomPanel::FrameWidth() const {
  int width = FBorderWidth;
  if (FBorderStyle == bsSingle) ++width;
  if (FBevelOuter != bvNone) width += FBevelWidth;
  if (FBevelInner != bvNone) width += FBevelWidth;
  return width;
}

void TCustomPanel::AlignControls(TControl* moving, TRect& rect) {
  const int inset = FrameWidth();
  rect = Rect(rect.left + inset, rect.top + inset, std::max(rect.left + inset, int(rect.right) - inset),
              std::max(rect.top + inset, int(rect.bottom) - inset));
  inherited::AlignControls(moving, rect);
}

void TCustomPanel::CMTextChanged(TMessage& m) {
  inherited::CMTextChanged(m);
  Invalidate();
}

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  const TColor face = Color();
  if (FBorderStyle == bsSingle) Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
  TColor top, bottom;
  if (FBevelOuter != bvNone) {
    BevelColors(FBevelOuter, face, top, bottom);
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  }
  Frame3D(canvas, r, face, face, FBorderWidth);
  if (FBevelInner != bvNone) {
    BevelColors(FBevelInner, face, top, bottom);
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  }
  canvas->Brush()->SetColor(face);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(r);
  unsigned format = gfx::DT_SINGLELINE | gfx::DT_VCENTER;
  switch (FAlignment) {
    case taRightJustify: format |= gfx::DT_RIGHT; break;
    case taCenter: format |= gfx::DT_CENTER; break;
    default: format |= gfx::DT_LEFT; break;
  }
  DrawCaption(r, format);
}

void TCustomPanel::DrawCaption(const TRect& r, unsigned format) {
  if (Caption().empty()) return;
  TRect box = r;
  CanvasDrawText(Canvas(), Caption(), box, format);
}

void TCustomPanel::Publish(TPublisher<TCustomPanel>& p) {
  p.Property("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment).Default(taCenter);
  p.Property("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
  p.Property("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
  p.Property("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
  p.Property("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
  p.Property("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Color", &TControl::Color, &TControl::SetColor)
      .Default(clBtnFace)
      .Idents(ColorIdents())
      .Stored(&TCustomPanel::IsPanelColorStored);
  p.Property("ParentBackground", &TCustomPanel::ParentBackground, &TCustomPanel::SetParentBackground)
      .Default(true);
  p.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
}

// ---- TSplitter -----------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(alLeft);
  SetCursor(crHSplit);
}

void TSplitter::SetMinSize(int value) { FMinSize = std::max(value, 1); }

void TSplitter::SetBeveled(bool value) {
  if (value == FBeveled) return;
  FBeveled = value;
  Invalidate();
}

TControl* TSplitter::FindResizeControl() const {
  TWinControl* parent = Parent();
  if (!parent) return nullptr;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    bool touches = false;
    switch (Align()) {
      case alLeft: touches = c->Left() + c->Width() == Left(); break;
      case alRight: touches = c->Left() == Left() + Width(); break;
      case alTop: touches = c->Top() + c->Height() == Top(); break;
      case alBottom: touches = c->Top() == Top() + Height(); break;
      default: break;
    }
    if (touches) return c;
  }
  return nullptr;
}

int TSplitter::NeighbourSize() const {
  if (!FControl) return 0;
  return Horizontal() ? FControl->Width() : FControl->Height();
}

void TSplitter::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FControl) FControl = nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  inherited::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Parent()) return;
  TControl* target = FindResizeControl();
  if (!target) return;
  FControl = target;
  FControl->FreeNotification(this);
  FDownPos = Horizontal() ? Left() + x : Top() + y;
  FStartSize = NeighbourSize();
  FNewSize = FStartSize;
  // The free area beyond the splitter: the parent's client extent less every control
  // docked along the same axis.
  const bool horizontal = Horizontal();
  const TRect client = Parent()->ClientRect();
  int taken = 0;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    const TControl* c = Parent()->Controls(i);
    if (!c->Visible()) continue;
    const TAlign a = c->Align();
    if (horizontal && (a == alLeft || a == alRight)) taken += c->Width();
    if (!horizontal && (a == alTop || a == alBottom)) taken += c->Height();
  }
  const int extent = horizontal ? client.right - client.left : client.bottom - client.top;
  FMaxSize = std::max(0, FStartSize + (extent - taken) - FMinSize);
}

int TSplitter::SizeForPointer(int pos) const {
  const int delta = pos - FDownPos;
  const bool grows = Align() == alLeft || Align() == alTop;
  int size = FStartSize + (grows ? delta : -delta);
  if (size < FMinSize) size = FAutoSnap ? 0 : FMinSize;
  // The free area beyond the splitter keeps MinSize too; it wins over the neighbour's.
  if (size > FMaxSize) size = FMaxSize;
  return std::max(size, 0);
}

void TSplitter::ApplySize(int size) {
  if (!FControl || size == NeighbourSize()) return;
  if (Horizontal())
    FControl->SetWidth(size);
  else
    FControl->SetHeight(size);
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
  inherited::MouseMove(shift, x, y);
  if (!FControl) return;
  int size = SizeForPointer(Horizontal() ? Left() + x : Top() + y);
  bool accept = true;
  OnCanResize(this, size, accept);
  if (!accept) return;
  FNewSize = std::clamp(size, 0, std::max(0, FMaxSize));
  // Pointer positions are taken in parent coordinates, so a splitter that moves with its
  // neighbour here keeps measuring from the same press.
  if (FResizeStyle == rsUpdate) ApplySize(FNewSize);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (FControl && button == mbLeft) {
    const int before = FStartSize;
    ApplySize(FNewSize);
    TControl* target = FControl;
    FControl = nullptr;
    target->RemoveFreeNotification(this);
    const int after = Horizontal() ? target->Width() : target->Height();
    if (after != before) OnMoved(this);
  }
  inherited::MouseUp(button, shift, x, y);
}

void TSplitter::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(r);
  if (!FBeveled) return;
  // A raised edge along the two long sides.
  if (Horizontal()) {
    TRect edge = Rect(r.left, r.top, std::min(r.left + 2, int(r.right)), r.bottom);
    Frame3D(canvas, edge, clBtnHighlight, clBtnShadow, 1);
  } else {
    TRect edge = Rect(r.left, r.top, r.right, std::min(r.top + 2, int(r.bottom)));
    Frame3D(canvas, edge, clBtnHighlight, clBtnShadow, 1);
  }
}

void TSplitter::Publish(TPublisher<TSplitter>& p) {
  p.Property("Align", &TControl::Align, &TControl::SetAlign).Default(alLeft);
  p.Property("AutoSnap", &TSplitter::AutoSnap, &TSplitter::SetAutoSnap).Default(true);
  p.Property("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled).Default(false);
  p.Property("Cursor", &TControl::Cursor, &TControl::SetCursor).Default(crHSplit).Idents(CursorIdents());
  p.Property("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize).Default(30);
  p.Property("ResizeStyle", &TSplitter::ResizeStyle, &TSplitter::SetResizeStyle).Default(rsPattern);
  p.Property("OnCanResize", &TSplitter::OnCanResize);
  p.Property("OnMoved", &TSplitter::OnMoved);
}

// ---- TPaintBox -----------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }

void TPaintBox::Paint() {
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  OnPaint(this);
}

void TPaintBox::Publish(TPublisher<TPaintBox>& p) { p.Property("OnPaint", &TPaintBox::OnPaint); }

// ---- TImage --------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::PictureChanged(TObject*) {
  if (TGraphic* g = FPicture->Graphic()) g->SetTransparent(FTransparent);
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
  Invalidate();
}

void TImage::SetStretch(bool value) {
  if (value == FStretch) return;
  FStretch = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  if (value == FCenter) return;
  FCenter = value;
  Invalidate();
}

void TImage::SetProportional(bool value) {
  if (value == FProportional) return;
  FProportional = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  PictureChanged(this);
}

void TImage::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  PictureChanged(this);
}

TRect TImage::DestRect() const {
  int w = FPicture->Width(), h = FPicture->Height();
  const int cw = ClientWidth(), ch = ClientHeight();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional && w > 0 && h > 0) {
      // Fit inside the client area keeping the picture's aspect ratio.
      if (int64_t(cw) * h <= int64_t(ch) * w) {
        h = int(int64_t(h) * cw / w);
        w = cw;
      } else {
        w = int(int64_t(w) * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = 0, y = 0;
  if (FCenter) {
    x = (cw - w) / 2;
    y = (ch - h) / 2;
  }
  return Bounds(x, y, w, h);
}

void TImage::Paint() {
  TGraphic* graphic = FPicture->Graphic();
  if (!graphic || graphic->Empty()) return;
  Canvas()->StretchDraw(DestRect(), graphic);
}

void TImage::Publish(TPublisher<TImage>& p) {
  p.Property("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
  p.Property("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  p.Property("Picture", &TImage::Picture, &TImage::SetPicture);
  p.Property("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
  p.Property("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  p.Property("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
}

// ---- registration --------------------------------------------------------------------------

void RegisterExtCtrlsClasses() {
  static const bool once = (RegisterStdCtrlsClasses(),
                            RegisterClasses({TPanel::StaticClass(), TSplitter::StaticClass(),
                                             TPaintBox::StaticClass(), TImage::StaticClass()}),
                            true);
  (void)once;
}

namespace {
// Registration when this unit is linked in.
const bool kRegistered = (RegisterExtCtrlsClasses(), true);
}  // namespace
