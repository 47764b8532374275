// The flat speed button: a graphic control with a glyph and a caption, flat until the mouse
// is over it.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"

KV_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
// How a flat speed button looks now.
enum class TFlatButtonState { Up, Hot, Down, Disabled };

// A button without a window. Up: filled with Color inside a one-pixel ColorBorder frame.
// Hot (mouse over it): filled with ColorFocused, raised frame in ColorHighLight / ColorShadow.
// Down (pressed with the mouse inside, or latched Down in a group): filled with ColorDown,
// sunken frame, content one pixel right and down. Disabled: flat, glyph and caption greyed.
// The glyph is cut into NumGlyphs images side by side (up, disabled, pressed, latched) and
// drawn with its transparent colour left out (the bottom-left pixel's colour unless the
// bitmap fixes one). OnClick fires when the left button is released inside the button.
class TFlatSpeedButton : public TGraphicControl {
  KV_CLASS(TFlatSpeedButton, TGraphicControl)
 public:
  explicit TFlatSpeedButton(TComponent* owner);
  ~TFlatSpeedButton() override;

  TBitmap* Glyph() const { return FGlyph.get(); }
  // Copies GLYPH.
  void SetGlyph(TBitmap* glyph) { FGlyph->Assign(glyph); }
  // 1 to 4; other values are clamped.
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  // Pixels between the edge and the glyph; -1 centres glyph and caption together.
  int Margin() const { return FMargin; }
  void SetMargin(int value);
  // Pixels between glyph and caption; -1 centres the caption in the space left.
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);

  TColor ColorFocused() const { return FColorFocused; }
  void SetColorFocused(TColor value);
  TColor ColorDown() const { return FColorDown; }
  void SetColorDown(TColor value);
  TColor ColorBorder() const { return FColorBorder; }
  void SetColorBorder(TColor value);
  TColor ColorHighLight() const { return FColorHighLight; }
  void SetColorHighLight(TColor value);
  TColor ColorShadow() const { return FColorShadow; }
  void SetColorShadow(TColor value);

  // Buttons of one group (non-zero) on the same parent act as radio buttons through Down.
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  bool Down() const { return FDown; }
  // Ignored outside a group; latching one button releases the others of its group.
  void SetDown(bool value);
  // A latched button of the group may be released by clicking it again.
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value) { FAllowAllUp = value; }

  TFlatButtonState State() const;

  static void Publish(TPublisher<TFlatSpeedButton>& p);

 protected:
  void Paint() override;
  void Click() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMMouseEnter(TMessage& message) override;
  void CMMouseLeave(TMessage& message) override;
  void CMTextChanged(TMessage& message) override;

 private:
  void GlyphChanged(TObject* sender);
  void SetColorField(TColor& field, TColor value);
  // Where the glyph and the caption go inside CLIENT.
  void PlaceContent(const TRect& client, int glyphW, int glyphH, int textW, int textH, TPoint& glyphAt,
                    TPoint& textAt) const;
  void DrawGlyph(TCanvas* canvas, TPoint at, TFlatButtonState state, int cellW);
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }

  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  TColor FColorFocused = clBtnHighlight;
  TColor FColorDown = clBtnHighlight;
  TColor FColorBorder = clBtnShadow;
  TColor FColorHighLight = clWhite;
  TColor FColorShadow = clBlack;
  int FGroupIndex = 0;
  bool FDown = false;
  bool FAllowAllUp = false;
  bool FPressed = false;      // the left button went down on the button and is still held
  bool FPressedInside = false;
};

// Registers the classes of this unit with the class registry (safe to call again).
void RegisterFlatSpeedButtonClasses();
