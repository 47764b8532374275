#include "platform/flat/TFlatSpeedButtonUnit.h"

#include <algorithm>

#include "platform/classlib/StdCtrls.h"
#include "platform/flat/FlatUtilities.h"

TFlatSpeedButton::TFlatSpeedButton(TComponent* owner)
    : TGraphicControl(owner), FGlyph(std::make_unique<TBitmap>()) {
  FGlyph->OnChange = TNotifyEvent(this, &TFlatSpeedButton::GlyphChanged);
  SetBounds(0, 0, 25, 25);
  SetColor(clBtnFace);
  SetParentColor(false);
}

TFlatSpeedButton::~TFlatSpeedButton() { FGlyph->OnChange = nullptr; }

void TFlatSpeedButton::GlyphChanged(TObject*) { Invalidate(); }

void TFlatSpeedButton::SetNumGlyphs(int value) {
  value = std::clamp(value, 1, 4);
  if (value == FNumGlyphs) return;
  FNumGlyphs = value;
  Invalidate();
}

void TFlatSpeedButton::SetLayout(TButtonLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  Invalidate();
}

void TFlatSpeedButton::SetMargin(int value) {
  value = std::max(value, -1);
  if (value == FMargin) return;
  FMargin = value;
  Invalidate();
}

void TFlatSpeedButton::SetSpacing(int value) {
  value = std::max(value, -1);
  if (value == FSpacing) return;
  FSpacing = value;
  Invalidate();
}

void TFlatSpeedButton::SetColorField(TColor& field, TColor value) {
  if (value == field) return;
  field = value;
  Invalidate();
}

void TFlatSpeedButton::SetColorFocused(TColor value) { SetColorField(FColorFocused, value); }
void TFlatSpeedButton::SetColorDown(TColor value) { SetColorField(FColorDown, value); }
void TFlatSpeedButton::SetColorBorder(TColor value) { SetColorField(FColorBorder, value); }
void TFlatSpeedButton::SetColorHighLight(TColor value) { SetColorField(FColorHighLight, value); }
void TFlatSpeedButton::SetColorShadow(TColor value) { SetColorField(FColorShadow, value); }

void TFlatSpeedButton::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  if (value == 0 && FDown) {
    FDown = false;
    Invalidate();
  }
}

void TFlatSpeedButton::SetDown(bool value) {
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  FDown = value;
  if (value && Parent()) {
    // Radio behaviour: the others of the group on the same parent come up.
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      auto* other = dynamic_cast<TFlatSpeedButton*>(Parent()->Controls(i));
      if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) {
        other->FDown = false;
        other->Invalidate();
      }
    }
  }
  Invalidate();
}

TFlatButtonState TFlatSpeedButton::State() const {
  if (!EffectivelyEnabled()) return TFlatButtonState::Disabled;
  if (FDown || (FPressed && FPressedInside)) return TFlatButtonState::Down;
  if (FMouseInControl || FPressed) return TFlatButtonState::Hot;
  return TFlatButtonState::Up;
}

void TFlatSpeedButton::CMMouseEnter(TMessage& m) {
  inherited::CMMouseEnter(m);
  Invalidate();
}

void TFlatSpeedButton::CMMouseLeave(TMessage& m) {
  inherited::CMMouseLeave(m);
  Invalidate();
}

void TFlatSpeedButton::CMTextChanged(TMessage& m) {
  inherited::CMTextChanged(m);
  Invalidate();
}

void TFlatSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FPressed = true;
    FPressedInside = true;
    Invalidate();
  }
  inherited::MouseDown(button, shift, x, y);
}

void TFlatSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  if (FPressed && Contains(x, y) != FPressedInside) {
    FPressedInside = !FPressedInside;
    Invalidate();
  }
  inherited::MouseMove(shift, x, y);
}

void TFlatSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && FPressed) {
    FPressed = false;
    FPressedInside = false;
    // Released outside: the pointer has left the button, whatever the last move said.
    if (!Contains(x, y)) FMouseInControl = false;
    Invalidate();
  }
  inherited::MouseUp(button, shift, x, y);
}

void TFlatSpeedButton::Click() {
  // The class library's release handling calls this only for a release inside.
  if (FGroupIndex != 0) SetDown(FAllowAllUp ? !FDown : true);
  inherited::Click();
}

void TFlatSpeedButton::PlaceContent(const TRect& client, int glyphW, int glyphH, int textW, int textH,
                                    TPoint& glyphAt, TPoint& textAt) const {
  const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
  const int clientW = client.right - client.left, clientH = client.bottom - client.top;
  // Across the layout axis both parts are centred.
  glyphAt = Point(client.left + (clientW - glyphW) / 2, client.top + (clientH - glyphH) / 2);
  textAt = Point(client.left + (clientW - textW) / 2, client.top + (clientH - textH) / 2);
  const bool both = glyphW > 0 && textW > 0;
  const int extent = horizontal ? clientW : clientH;
  const int glyphLen = horizontal ? glyphW : glyphH;
  const int textLen = horizontal ? textW : textH;
  int spacing = both ? FSpacing : 0;
  int margin = FMargin;
  if (margin < 0) {
    // Glyph, spacing and caption centred together.
    const int total = glyphLen + (spacing < 0 ? 0 : spacing) + textLen;
    margin = (extent - total) / 2;
    if (spacing < 0) spacing = 0;
  } else if (spacing < 0) {
    spacing = (extent - margin - glyphLen - textLen) / 2;
  }
  int glyphPos = margin, textPos = margin + glyphLen + spacing;
  if (FLayout == blGlyphRight || FLayout == blGlyphBottom) {
    glyphPos = extent - margin - glyphLen;
    textPos = glyphPos - spacing - textLen;
  }
  if (horizontal) {
    if (glyphW > 0) glyphAt.x = client.left + glyphPos;
    if (textW > 0) textAt.x = client.left + (glyphW > 0 ? textPos : (clientW - textW) / 2);
  } else {
    if (glyphH > 0) glyphAt.y = client.top + glyphPos;
    if (textH > 0) textAt.y = client.top + (glyphH > 0 ? textPos : (clientH - textH) / 2);
  }
}

void TFlatSpeedButton::DrawGlyph(TCanvas* canvas, TPoint at, TFlatButtonState state, int cellW) {
  int cell = 0;
  if (state == TFlatButtonState::Disabled && FNumGlyphs > 1) cell = 1;
  if (state == TFlatButtonState::Down && !FDown && FNumGlyphs > 2) cell = 2;
  if (state == TFlatButtonState::Down && FDown) cell = FNumGlyphs > 3 ? 3 : (FNumGlyphs > 2 ? 2 : 0);
  const TColor key = FGlyph->TransparentColor();
  const TRect dest = Bounds(at.x, at.y, cellW, FGlyph->Height());
  const TRect src = Bounds(cell * cellW, 0, cellW, FGlyph->Height());
  if (state == TFlatButtonState::Disabled && cell == 0) {
    // No disabled image: the glyph's shape in the shadow colour.
    HDC dc = canvas->Handle();
    if (!dc) return;
    const gfx::Surface& pixels = FGlyph->Surface();
    const gfx::Pixel skip = gfx::ColorRefToPixel(static_cast<gfx::COLORREF>(ColorToRGB(key)));
    for (int y = 0; y < FGlyph->Height(); ++y)
      for (int x = 0; x < cellW; ++x)
        if (pixels.pixel(src.left + x, y) != skip) dc->SetPixel(dest.left + x, dest.top + y, clBtnShadow);
    return;
  }
  canvas->BrushCopy(dest, FGlyph.get(), src, key);
}

void TFlatSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  const TFlatButtonState state = State();
  TRect r = ClientRect();
  TColor fill = Color();
  if (state == TFlatButtonState::Hot) fill = FColorFocused;
  if (state == TFlatButtonState::Down) fill = FColorDown;
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(fill);
  canvas->FillRect(r);
  switch (state) {
    case TFlatButtonState::Hot: Frame3D(canvas, r, FColorHighLight, FColorShadow, 1); break;
    case TFlatButtonState::Down: Frame3D(canvas, r, FColorShadow, FColorHighLight, 1); break;
    default: Frame3D(canvas, r, FColorBorder, FColorBorder, 1); break;
  }

  const int cellW = FGlyph->Empty() ? 0 : FGlyph->Width() / FNumGlyphs;
  const int glyphH = cellW > 0 ? FGlyph->Height() : 0;
  int textW = 0, textH = 0;
  if (!Caption().empty()) {
    const TRect extent = MeasureText(Font(), Caption(), Rect(0, 0, 0, 0), gfx::DT_SINGLELINE);
    textW = extent.right - extent.left;
    textH = extent.bottom - extent.top;
  }
  TPoint glyphAt, textAt;
  PlaceContent(r, cellW, glyphH, textW, textH, glyphAt, textAt);
  if (state == TFlatButtonState::Down) {
    glyphAt = Point(glyphAt.x + 1, glyphAt.y + 1);
    textAt = Point(textAt.x + 1, textAt.y + 1);
  }
  if (cellW > 0) DrawGlyph(canvas, glyphAt, state, cellW);
  if (textW > 0) {
    canvas->Brush()->SetStyle(bsClear);
    TRect box = Bounds(textAt.x, textAt.y, textW, textH);
    if (state == TFlatButtonState::Disabled) {
      TRect shifted = Bounds(textAt.x + 1, textAt.y + 1, textW, textH);
      canvas->Font()->SetColor(clBtnHighlight);
      CanvasDrawText(canvas, Caption(), shifted, gfx::DT_SINGLELINE);
      canvas->Font()->SetColor(clBtnShadow);
    }
    CanvasDrawText(canvas, Caption(), box, gfx::DT_SINGLELINE);
  }
}

void TFlatSpeedButton::Publish(TPublisher<TFlatSpeedButton>& p) {
  p.Property("AllowAllUp", &TFlatSpeedButton::AllowAllUp, &TFlatSpeedButton::SetAllowAllUp).Default(false);
  p.Property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Property("Color", &TControl::Color, &TControl::SetColor)
      .Default(clBtnFace)
      .Idents(ColorIdents())
      .Stored(&TFlatSpeedButton::IsColorStored);
  p.Property("ColorFocused", &TFlatSpeedButton::ColorFocused, &TFlatSpeedButton::SetColorFocused)
      .Default(clBtnHighlight)
      .Idents(ColorIdents());
  p.Property("ColorDown", &TFlatSpeedButton::ColorDown, &TFlatSpeedButton::SetColorDown)
      .Default(clBtnHighlight)
      .Idents(ColorIdents());
  p.Property("ColorBorder", &TFlatSpeedButton::ColorBorder, &TFlatSpeedButton::SetColorBorder)
      .Default(clBtnShadow)
      .Idents(ColorIdents());
  p.Property("ColorHighLight", &TFlatSpeedButton::ColorHighLight, &TFlatSpeedButton::SetColorHighLight)
      .Default(clWhite)
      .Idents(ColorIdents());
  p.Property("ColorShadow", &TFlatSpeedButton::ColorShadow, &TFlatSpeedButton::SetColorShadow)
      .Default(clBlack)
      .Idents(ColorIdents());
  p.Property("GroupIndex", &TFlatSpeedButton::GroupIndex, &TFlatSpeedButton::SetGroupIndex).Default(0);
  p.Property("Down", &TFlatSpeedButton::Down, &TFlatSpeedButton::SetDown).Default(false);
  p.Property("Glyph", &TFlatSpeedButton::Glyph, &TFlatSpeedButton::SetGlyph);
  p.Property("Layout", &TFlatSpeedButton::Layout, &TFlatSpeedButton::SetLayout).Default(blGlyphLeft);
  p.Property("Margin", &TFlatSpeedButton::Margin, &TFlatSpeedButton::SetMargin).Default(-1);
  p.Property("NumGlyphs", &TFlatSpeedButton::NumGlyphs, &TFlatSpeedButton::SetNumGlyphs).Default(1);
  p.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(false);
  p.Property("Spacing", &TFlatSpeedButton::Spacing, &TFlatSpeedButton::SetSpacing).Default(4);
}

void RegisterFlatSpeedButtonClasses() {
  static const bool once = (RegisterClasses({TFlatSpeedButton::StaticClass()}), true);
  (void)once;
}

namespace {
// Registration when this unit is linked in.
const bool kRegistered = (RegisterFlatSpeedButtonClasses(), true);
}  // namespace
