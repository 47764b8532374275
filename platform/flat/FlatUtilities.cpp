#include "platform/flat/FlatUtilities.h"

#include <cmath>

void DrawParentImage(TControl* control, TCanvas* canvas) {
  if (!control || !canvas) return;
  TWinControl* parent = control->Parent();
  HDC dc = canvas->Handle();
  if (!parent || !dc) return;
  gfx::Canvas::StateGuard guard(*dc);
  const gfx::Point origin = dc->Origin();
  dc->SetOrigin(origin.x - control->Left(), origin.y - control->Top());
  dc->IntersectClipRect(ToGfxRect(parent->ClientRect()));
  const WPARAM wp = reinterpret_cast<WPARAM>(dc);
  parent->Perform(WM_ERASEBKGND, wp, 0);
  // The parent's painting includes its graphic children, this one among them.
  if (dynamic_cast<TWinControl*>(control)) parent->Perform(WM_PAINT, wp, 0);
  // The guard puts back the context as the caller's canvas left it, whatever the parent's
  // painting selected into it.
}

namespace {

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

}  // namespace

void DrawGradient(TCanvas* canvas, TColor c1, TColor c2, int bands, const TRect& r, bool vertical) {
  if (!canvas) return;
  if (bands <= 0) bands = 1;
  const gfx::COLORREF from = static_cast<gfx::COLORREF>(ColorToRGB(c1));
  const gfx::COLORREF to = static_cast<gfx::COLORREF>(ColorToRGB(c2));
  const int fr = gfx::GetRValue(from), fg = gfx::GetGValue(from), fb = gfx::GetBValue(from);
  const int dr = gfx::GetRValue(to) - fr, dg = gfx::GetGValue(to) - fg, db = gfx::GetBValue(to) - fb;
  const double step = double(vertical ? r.bottom - r.top : r.right - r.left) / bands;

  TPen* pen = canvas->Pen();
  TBrush* brush = canvas->Brush();
  const TColor penColor = pen->Color(), brushColor = brush->Color();
  const TPenStyle penStyle = pen->Style();
  const TPenMode penMode = pen->Mode();
  const int penWidth = pen->Width();
  const TBrushStyle brushStyle = brush->Style();
  pen->SetStyle(psSolid);
  pen->SetMode(pmCopy);
  pen->SetWidth(1);
  brush->SetStyle(bsSolid);
  for (int i = 0; i < bands; ++i) {
    const TColor band = static_cast<TColor>(gfx::RGB(uint8_t(fr + RoundHalfEven(double(i) * dr / bands)),
                                                     uint8_t(fg + RoundHalfEven(double(i) * dg / bands)),
                                                     uint8_t(fb + RoundHalfEven(double(i) * db / bands))));
    pen->SetColor(band);
    brush->SetColor(band);
    const int p = (vertical ? r.top : r.left) + RoundHalfEven(i * step);
    const int end = p + RoundHalfEven(step) + 1;
    if (vertical)
      canvas->Rectangle(r.left, p, r.right, end);
    else
      canvas->Rectangle(p, r.top, end, r.bottom);
  }
  pen->SetColor(penColor);
  pen->SetStyle(penStyle);
  pen->SetMode(penMode);
  pen->SetWidth(penWidth);
  brush->SetColor(brushColor);
  brush->SetStyle(brushStyle);
}
