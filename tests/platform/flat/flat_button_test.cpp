// The flat speed button: state colours, the glyph with its transparent colour left out,
// clicks only on a release inside, groups; and the pack's drawing routines.
#include <gtest/gtest.h>

#include <array>

#include "platform/flat/FlatUtilities.h"
#include "platform/flat/TFlatSpeedButtonUnit.h"

namespace {

gfx::Pixel Px(TColor c) { return gfx::ColorRefToPixel(static_cast<gfx::COLORREF>(ColorToRGB(c))); }

gfx::Surface PaintAlone(TControl* control, TColor fill = clFuchsia) {
  gfx::Surface surface(control->Width(), control->Height());
  surface.fill(Px(fill));
  gfx::Canvas dc(surface);
  control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc), 0);
  return surface;
}

// A 16 x 16 button with a 4 x 4 glyph: white (the bottom-left pixel, so transparent) with a
// grey cross through its middle.
struct ButtonFixture {
  TFlatSpeedButton Button{nullptr};
  ButtonFixture() {
    Button.SetBounds(0, 0, 16, 16);
    Button.SetColor(clSilver);
    Button.SetColorFocused(clYellow);
    Button.SetColorDown(clAqua);
    Button.SetColorBorder(clBackground);
    Button.SetColorHighLight(clWhite);
    Button.SetColorShadow(clNavy);
    TBitmap glyph;
    glyph.SetSize(4, 4);
    glyph.Surface().fill(Px(clWhite));
    for (int i = 0; i < 4; ++i) {
      glyph.Surface().setPixel(i, 1, Px(clGray));
      glyph.Surface().setPixel(1, i, Px(clGray));
    }
    Button.SetGlyph(&glyph);
  }
  void Mouse(UINT msg, int x, int y) {
    Button.Perform(msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  }
};

TEST(FlatSpeedButtonTest, GlyphIsCentredWithItsTransparentColourLeftOut) {
  ButtonFixture f;
  const gfx::Surface s = PaintAlone(&f.Button);
  // Glyph at (6, 6): its grey cross shows, its white stays the button's colour.
  EXPECT_EQ(s.pixel(6 + 1, 6 + 1), Px(clGray));
  EXPECT_EQ(s.pixel(6 + 3, 6 + 1), Px(clGray));
  EXPECT_EQ(s.pixel(6 + 0, 6 + 0), Px(clSilver));
  EXPECT_EQ(s.pixel(6 + 3, 6 + 3), Px(clSilver));
  // Up: a flat one-pixel frame in the border colour.
  EXPECT_EQ(s.pixel(0, 0), Px(clBackground));
  EXPECT_EQ(s.pixel(15, 15), Px(clBackground));
  EXPECT_EQ(s.pixel(1, 1), Px(clSilver));
}

TEST(FlatSpeedButtonTest, LayoutAndMarginPlaceTheGlyph) {
  struct Case {
    TButtonLayout Layout;
    int Margin;
    int X, Y;  // the glyph's top-left; the frame takes the outer pixel
  };
  const Case cases[] = {{blGlyphLeft, -1, 6, 6}, {blGlyphLeft, 2, 3, 6},  {blGlyphRight, 2, 9, 6},
                        {blGlyphTop, 0, 6, 1},   {blGlyphBottom, 1, 6, 10}};
  for (const Case& c : cases) {
    ButtonFixture f;
    f.Button.SetLayout(c.Layout);
    f.Button.SetMargin(c.Margin);
    const gfx::Surface s = PaintAlone(&f.Button);
    // The glyph's cross crosses at its pixel (1, 1).
    EXPECT_EQ(s.pixel(c.X + 1, c.Y + 1), Px(clGray)) << int(c.Layout) << " " << c.Margin;
    EXPECT_EQ(s.pixel(c.X, c.Y), Px(clSilver)) << int(c.Layout) << " " << c.Margin;
  }
}

TEST(FlatSpeedButtonTest, HotAndDownColours) {
  struct Probe {
    const char* State;
    TColor Fill, TopLeft, BottomRight;
    int CrossX;  // column of the glyph's vertical bar
  };
  ButtonFixture f;
  const Probe up{"up", clSilver, clBackground, clBackground, 7};
  const Probe hot{"hot", clYellow, clWhite, clNavy, 7};
  const Probe down{"down", clAqua, clNavy, clWhite, 8};  // content shifted by one
  auto check = [&](const Probe& p) {
    const gfx::Surface s = PaintAlone(&f.Button);
    EXPECT_EQ(s.pixel(2, 2), Px(p.Fill)) << p.State;
    EXPECT_EQ(s.pixel(0, 5), Px(p.TopLeft)) << p.State;
    EXPECT_EQ(s.pixel(15, 5), Px(p.BottomRight)) << p.State;
    EXPECT_EQ(s.pixel(p.CrossX, 6 + 3 + (p.CrossX - 7)), Px(clGray)) << p.State;
  };
  check(up);
  f.Button.Perform(CM_MOUSEENTER);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Hot);
  check(hot);
  f.Mouse(WM_LBUTTONDOWN, 5, 5);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Down);
  check(down);
  // Dragged off while held: it comes up again (hot, as it still holds the mouse).
  f.Mouse(WM_MOUSEMOVE, 30, 5);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Hot);
  f.Mouse(WM_MOUSEMOVE, 5, 5);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Down);
  f.Mouse(WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Hot);
  f.Button.Perform(CM_MOUSELEAVE);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Up);
  // Disabled: flat, and the glyph in the shadow colour.
  f.Button.SetEnabled(false);
  EXPECT_EQ(f.Button.State(), TFlatButtonState::Disabled);
  const gfx::Surface s = PaintAlone(&f.Button);
  EXPECT_EQ(s.pixel(7, 9), Px(clBtnShadow));
  EXPECT_EQ(s.pixel(6, 6), Px(clSilver));
}

TEST(FlatSpeedButtonTest, ClickOnlyOnAReleaseInside) {
  struct Case {
    const char* Name;
    int DownX, UpX;
    bool Pressed;  // the press reached the button
    int Clicks;
  };
  const Case cases[] = {
      {"press and release inside", 5, 8, true, 1},
      {"released outside", 5, 40, true, 0},
      {"released just past the right edge", 5, 16, true, 0},
      {"release without a press", 0, 5, false, 0},
  };
  for (const Case& c : cases) {
    ButtonFixture f;
    int clicks = 0;
    f.Button.OnClick = [&](TObject*) { ++clicks; };
    if (c.Pressed) f.Mouse(WM_LBUTTONDOWN, c.DownX, 5);
    f.Mouse(WM_LBUTTONUP, c.UpX, 5);
    EXPECT_EQ(clicks, c.Clicks) << c.Name;
  }
  // A disabled button gets no mouse input at all.
  ButtonFixture f;
  int clicks = 0;
  f.Button.OnClick = [&](TObject*) { ++clicks; };
  f.Button.SetEnabled(false);
  f.Mouse(WM_LBUTTONDOWN, 5, 5);
  f.Mouse(WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(clicks, 0);
}

TEST(FlatSpeedButtonTest, GroupedButtonsLatchLikeRadioButtons) {
  TPanel parent(nullptr);
  auto* a = new TFlatSpeedButton(&parent);
  auto* b = new TFlatSpeedButton(&parent);
  for (auto* btn : {a, b}) {
    btn->SetParent(&parent);
    btn->SetGroupIndex(1);
  }
  a->SetDown(true);
  b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  // Clicking the latched one again keeps it down unless AllowAllUp.
  b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(b->Down());
  b->SetAllowAllUp(true);
  b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_FALSE(b->Down());
  // Outside a group Down cannot latch.
  TFlatSpeedButton lone(nullptr);
  lone.SetDown(true);
  EXPECT_FALSE(lone.Down());
}

TEST(FlatSpeedButtonTest, NumGlyphsPicksTheImageOfTheState) {
  TFlatSpeedButton button(nullptr);
  button.SetBounds(0, 0, 10, 10);
  TBitmap glyph;
  glyph.SetSize(8, 2);  // four 2 x 2 cells: red, green, blue, then the white key colour
  const std::array<TColor, 4> cells{clRed, clLime, clBlue, clWhite};
  for (int cell = 0; cell < 4; ++cell)
    for (int x = 0; x < 2; ++x)
      for (int y = 0; y < 2; ++y) glyph.Surface().setPixel(cell * 2 + x, y, Px(cells[size_t(cell)]));
  glyph.SetTransparentColor(clWhite);
  button.SetGlyph(&glyph);
  button.SetNumGlyphs(3);
  EXPECT_EQ(PaintAlone(&button).pixel(4, 4), Px(clRed));
  button.SetEnabled(false);
  EXPECT_EQ(PaintAlone(&button).pixel(4, 4), Px(clLime));
  button.SetEnabled(true);
  button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  EXPECT_EQ(PaintAlone(&button).pixel(5, 5), Px(clBlue));
  button.Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  button.SetNumGlyphs(9);
  EXPECT_EQ(button.NumGlyphs(), 4);
}

// ---- drawing routines ----------------------------------------------------------------------

TEST(FlatRoutinesTest, Frame3DStrokesAndShrinks) {
  gfx::Surface surface(5, 4);
  surface.fill(0);
  gfx::Canvas dc(surface);
  TCanvas canvas;
  canvas.SetHandle(&dc);
  TRect r = Rect(0, 0, 5, 4);
  Frame3D(&canvas, r, clRed, clBlue, 1);
  EXPECT_EQ(r, Rect(1, 1, 4, 3));
  const char* expected[] = {"RRRRB", "R...B", "R...B", "BBBBB"};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const char c = expected[y][x];
      const gfx::Pixel want = c == 'R' ? Px(clRed) : c == 'B' ? Px(clBlue) : 0;
      EXPECT_EQ(surface.pixel(x, y), want) << x << "," << y;
    }
  canvas.SetHandle(nullptr);
}

TEST(FlatRoutinesTest, GradientBandsStepAndOverlap) {
  // A caption bar of B = 19 bands over 18 rows (1 .. 18): each band is two rows high and the
  // bands start 18/19 of a row apart, so a later band overdraws its predecessor's second row.
  gfx::Surface surface(4, 24);
  surface.fill(0);
  gfx::Canvas dc(surface);
  TCanvas canvas;
  canvas.SetHandle(&dc);
  DrawGradient(&canvas, static_cast<TColor>(gfx::RGB(0, 0, 0)), static_cast<TColor>(gfx::RGB(190, 0, 38)), 19,
               Rect(1, 1, 3, 19), true);
  struct Row {
    int Y;
    uint8_t Red, Blue;  // band i has red 10 i and blue 2 i
  };
  const Row rows[] = {{1, 0, 0}, {2, 10, 2}, {9, 80, 16}, {10, 100, 20}, {11, 110, 22}, {19, 180, 36}};
  for (const Row& r : rows) EXPECT_EQ(surface.pixel(1, r.Y), gfx::ColorRefToPixel(gfx::RGB(r.Red, 0, r.Blue))) << r.Y;
  EXPECT_EQ(surface.pixel(2, 20), 0u) << "nothing below the last band";
  EXPECT_EQ(surface.pixel(0, 5), 0u) << "nothing left of the rectangle";
  EXPECT_EQ(surface.pixel(3, 5), 0u) << "nothing right of it";

  // Left to right with a half step: 0.5 and 1.5 go to the even neighbours 0 and 2.
  surface.fill(0);
  DrawGradient(&canvas, static_cast<TColor>(gfx::RGB(0, 0, 0)), static_cast<TColor>(gfx::RGB(1, 0, 3)), 2,
               Rect(0, 0, 4, 2), false);
  EXPECT_EQ(surface.pixel(1, 0), 0u);
  EXPECT_EQ(surface.pixel(3, 1), gfx::ColorRefToPixel(gfx::RGB(0, 0, 2)));
  // Zero bands are taken as one.
  DrawGradient(&canvas, clRed, clBlue, 0, Rect(0, 0, 4, 2), false);
  EXPECT_EQ(surface.pixel(3, 1), Px(clRed));
  EXPECT_EQ(canvas.Pen()->Color(), clBlack) << "pen restored";
  canvas.SetHandle(nullptr);
}

TEST(FlatRoutinesTest, ParentImageShowsWhatLiesBehindTheControl) {
  TPanel parent(nullptr);
  parent.SetBounds(0, 0, 40, 30);
  parent.SetBevelOuter(bvNone);
  parent.SetColor(clTeal);
  auto* mark = new TPaintBox(&parent);
  mark->SetBounds(10, 10, 4, 4);
  mark->SetParent(&parent);
  mark->OnPaint = [mark](TObject*) {
    mark->Canvas()->Brush()->SetColor(clRed);
    mark->Canvas()->FillRect(Rect(0, 0, 4, 4));
  };
  auto* child = new TPanel(&parent);
  child->SetBounds(8, 8, 10, 10);
  child->SetParent(&parent);

  gfx::Surface surface(10, 10);
  surface.fill(0);
  gfx::Canvas dc(surface);
  TCanvas canvas;
  canvas.SetHandle(&dc);
  DrawParentImage(child, &canvas);
  EXPECT_EQ(surface.pixel(0, 0), Px(clTeal));
  EXPECT_EQ(surface.pixel(2, 2), Px(clRed));  // the paint box at (10, 10) in the parent
  EXPECT_EQ(surface.pixel(6, 6), Px(clTeal));
  EXPECT_EQ(dc.Origin().x, 0) << "the context is restored";

  // Without a parent nothing is drawn.
  surface.fill(0);
  TPanel orphan(nullptr);
  DrawParentImage(&orphan, &canvas);
  EXPECT_EQ(surface.pixel(0, 0), 0u);
  canvas.SetHandle(nullptr);
}

}  // namespace
