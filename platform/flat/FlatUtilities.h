// Drawing routines of the flat control pack: the 3-D frame (the class library's Frame3D,
// re-exported here), the parent-background copy and the band gradient.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/classlib/ExtCtrls.h"

// Paints CONTROL's parent (its background and its own painting) into CANVAS so that the
// canvas shows what lies behind CONTROL: the canvas's origin is moved by minus the
// control's position in the parent, its clip narrowed to the parent's client area, the
// parent sent WM_ERASEBKGND and then WM_PAINT with the canvas's context; the context is
// restored afterwards. Nothing is drawn without a parent or a handle. For a graphic
// control only the parent's background is drawn (its painting would include the control).
void DrawParentImage(TControl* control, TCanvas* canvas);

// Fills R with BANDS bands (0 is taken as 1) stepping from C1 to C2 (system colours
// resolved), top to bottom when VERTICAL, else left to right. Band i has each channel
// c1 + round(i * (c2 - c1) / BANDS) (halves to even), so the last band stops one step short
// of C2; it runs along the axis from start + round(i * s) to that + round(s) + 1 (exclusive),
// s being the extent divided by BANDS, across the whole of R on the other axis. Pen and
// brush are restored.
void DrawGradient(TCanvas* canvas, TColor c1, TColor c2, int bands, const TRect& r, bool vertical);
