#include "platform/classlib/StdCtrls.h"

#include <cctype>

#include "platform/classlib/Forms.h"

// ---- text helpers --------------------------------------------------------------------------

int CanvasDrawText(TCanvas* canvas, const AnsiString& text, TRect& r, unsigned format) {
  HDC dc = canvas ? canvas->Handle() : nullptr;
  if (!dc) return 0;
  gfx::Canvas::StateGuard guard(*dc);
  // The canvas hands its objects to the device lazily; the font is applied here explicitly
  // and the guard puts the device back as the canvas left it.
  dc->SetFont(canvas->Font()->ToGfx());
  dc->SetBkMode(gfx::bkTransparent);
  gfx::Rect box = ToGfxRect(r);
  const int height = dc->DrawText(text, box, format);
  if (format & gfx::DT_CALCRECT) r = Rect(box.left, box.top, box.right, box.bottom);
  return height;
}

TRect MeasureText(const TFont* font, const AnsiString& text, TRect r, unsigned format) {
  gfx::Surface scratch(1, 1);
  gfx::Canvas dc(scratch);
  dc.SetFont(font->ToGfx());
  gfx::Rect box = ToGfxRect(r);
  dc.DrawText(text, box, format | gfx::DT_CALCRECT);
  return Rect(box.left, box.top, box.right, box.bottom);
}

char AccelCharOf(const AnsiString& caption) {
  for (size_t i = 0; i < caption.size(); ++i) {
    const auto c = static_cast<unsigned char>(caption[i]);
    if (c >= 0x81 && i + 1 < caption.size()) {
      ++i;  // the trail byte of a double-byte character is never a mark
      continue;
    }
    if (c != '&' || i + 1 >= caption.size()) continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

// ---- TCustomLabel --------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  FTransparentSet = true;
  if (value == FTransparent) return;
  FTransparent = value;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (value == FShowAccelChar) return;
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (value == FFocusControl) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

unsigned TCustomLabel::DrawTextFlags() const {
  unsigned flags = gfx::DT_EXPANDTABS;
  switch (FAlignment) {
    case taRightJustify: flags |= gfx::DT_RIGHT; break;
    case taCenter: flags |= gfx::DT_CENTER; break;
    default: flags |= gfx::DT_LEFT; break;
  }
  if (FWordWrap) flags |= gfx::DT_WORDBREAK;
  if (!FShowAccelChar) flags |= gfx::DT_NOPREFIX;
  return flags;
}

void TCustomLabel::DoDrawText(TRect& r, unsigned flags) {
  AnsiString text = GetLabelText();
  if (flags & gfx::DT_CALCRECT) {
    // An empty caption (or one ending in a bare accelerator mark) still has a line height.
    if (text.empty() || (FShowAccelChar && text.back() == '&')) text += ' ';
    r = MeasureText(Font(), text, r, flags);
    return;
  }
  TCanvas* canvas = Canvas();
  if (!EffectivelyEnabled()) {
    // Embossed: a highlight copy one pixel right and down, the shadow copy on top.
    TRect shifted = Rect(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1);
    canvas->Font()->SetColor(clBtnHighlight);
    CanvasDrawText(canvas, text, shifted, flags);
    canvas->Font()->SetColor(clBtnShadow);
  }
  CanvasDrawText(canvas, text, r, flags);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  if (!FTransparent) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(bsClear);
  const unsigned flags = DrawTextFlags();
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | gfx::DT_CALCRECT);
    const int textHeight = calc.bottom - calc.top;
    const int offset = FLayout == tlBottom ? r.bottom - textHeight : (r.bottom - textHeight) / 2;
    r.top += offset;
    r.bottom += offset;
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Contains(csLoading)) return;
  TRect r = Rect(0, 0, FWordWrap ? Width() : 0, 0);
  DoDrawText(r, DrawTextFlags() | gfx::DT_CALCRECT);
  int width = r.right - r.left;
  const int height = r.bottom - r.top;
  int left = Left();
  if (FWordWrap) {
    width = Width();
  } else if (FAlignment == taRightJustify) {
    left = Left() + Width() - width;
  } else if (FAlignment == taCenter) {
    left = Left() + (Width() - width) / 2;
  }
  SetBounds(left, Top(), width, height);
}

void TCustomLabel::Loaded() {
  inherited::Loaded();
  AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGCHAR) {
    CMDialogChar(m);
    return;
  }
  inherited::Dispatch(m);
}

void TCustomLabel::CMTextChanged(TMessage& m) {
  inherited::CMTextChanged(m);
  AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& m) {
  inherited::CMFontChanged(m);
  AdjustBounds();
}

void TCustomLabel::CMDialogChar(TMessage& m) {
  if (!FFocusControl || !FShowAccelChar || !EffectivelyEnabled()) return;
  const char accel = AccelCharOf(Caption());
  if (accel == 0) return;
  const int typed = std::toupper(static_cast<unsigned char>(m.WParam & 0xFF));
  if (std::toupper(static_cast<unsigned char>(accel)) != typed) return;
  if (!FFocusControl->CanFocus()) return;
  FFocusControl->SetFocus();
  m.Result = 1;
}

void TCustomLabel::Publish(TPublisher<TCustomLabel>& p) {
  p.Property("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment).Default(taLeftJustify);
  p.Property("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
  p.Property("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).Default(tlTop);
  p.Property("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
  p.Property("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent)
      .Stored(&TCustomLabel::IsTransparentStored);
  p.Property("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false);
}

void RegisterStdCtrlsClasses() {
  static const bool once = (RegisterClasses({TLabel::StaticClass()}), true);
  (void)once;
}

namespace {
// Registration when this unit is linked in.
const bool kRegistered = (RegisterStdCtrlsClasses(), true);
}  // namespace
