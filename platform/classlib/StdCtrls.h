// Standard controls of the class library: the label (a graphic control that draws its
// caption) and the text-drawing helper the painted controls share.
#pragma once

#include "platform/classlib/Controls.h"

// Vertical placement of a label's text in its client area.
KV_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)

// Draws TEXT into R of CANVAS with the gfx DrawText FORMAT flags (DT_CENTER, DT_CALCRECT ...),
// in the canvas's font and font colour; the background is left alone. Returns the text height
// (DT_CALCRECT: R is set to the text's extent). Nothing happens without a handle.
int CanvasDrawText(TCanvas* canvas, const AnsiString& text, TRect& r, unsigned format);

// Measures TEXT in FONT as CanvasDrawText would draw it into R with FORMAT (DT_CALCRECT is
// added); works without any window. Returns R moved to the text's extent.
TRect MeasureText(const TFont* font, const AnsiString& text, TRect r, unsigned format);

// The character that follows the accelerator mark '&' in CAPTION ("&&" is a literal '&'),
// or 0 when there is none.
char AccelCharOf(const AnsiString& caption);

// A label: its caption drawn in its font, aligned horizontally (Alignment) and vertically
// (Layout), optionally wrapped, on its colour unless Transparent. AutoSize fits the bounds to
// the text. '&' marks the accelerator that focuses FocusControl (ShowAccelChar).
class TCustomLabel : public TGraphicControl {
  KV_CLASS(TCustomLabel, TGraphicControl)
 public:
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  bool AutoSize() const { return FAutoSize; }
  // Turning it on fits the bounds at once.
  void SetAutoSize(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  // The control focused by the label's accelerator (not owned; cleared when it is freed).
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);

  // Fits Width and Height to the caption now (keeping the right edge for right-aligned and
  // the centre for centred text; WordWrap keeps the width and fits the height).
  void AdjustBounds();
  void Loaded() override;

  static void Publish(TPublisher<TCustomLabel>& p);

 protected:
  // Draws the caption into R with FLAGS (the label's format); with DT_CALCRECT only
  // measures. Descendants change how the text looks here.
  virtual void DoDrawText(TRect& r, unsigned flags);
  // Background (unless Transparent), then the caption placed by Alignment and Layout.
  void Paint() override;
  // The format flags of the current Alignment, WordWrap and ShowAccelChar.
  unsigned DrawTextFlags() const;
  // The caption as drawn ("" draws nothing; the label measures a blank line for it).
  virtual AnsiString GetLabelText() const { return Caption(); }
  void Dispatch(TMessage& message) override;
  void CMTextChanged(TMessage& message) override;
  void CMFontChanged(TMessage& message) override;
  // Alt+accelerator: focuses FocusControl; Result 1 when taken.
  virtual void CMDialogChar(TMessage& message);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  bool IsTransparentStored() const { return FTransparentSet; }

  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FTransparent = false;
  bool FTransparentSet = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

// The label placed on forms.
class TLabel : public TCustomLabel {
  KV_CLASS(TLabel, TCustomLabel)
 public:
  explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// Registers the classes of this unit with the class registry (safe to call again).
void RegisterStdCtrlsClasses();
