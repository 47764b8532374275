// Painting of the extra and standard controls on small surfaces: panel bevels and borders,
// label placement and auto-size, image placement and transparency, paint box.
#include <gtest/gtest.h>

#include <string>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"

namespace {

gfx::Pixel Px(TColor c) { return gfx::ColorRefToPixel(static_cast<gfx::COLORREF>(ColorToRGB(c))); }

// Paints CONTROL alone on a fresh surface of its size filled with FILL.
gfx::Surface PaintAlone(TControl* control, TColor fill = clFuchsia) {
  gfx::Surface surface(control->Width(), control->Height());
  surface.fill(Px(fill));
  gfx::Canvas dc(surface);
  control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc), 0);
  return surface;
}

// The topmost row (or -1) holding a pixel that differs from BACKGROUND.
int FirstInkRow(const gfx::Surface& s, gfx::Pixel background) {
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.pixel(x, y) != background) return y;
  return -1;
}

int FirstInkColumn(const gfx::Surface& s, gfx::Pixel background) {
  for (int x = 0; x < s.width(); ++x)
    for (int y = 0; y < s.height(); ++y)
      if (s.pixel(x, y) != background) return x;
  return -1;
}

int LastInkColumn(const gfx::Surface& s, gfx::Pixel background) {
  for (int x = s.width() - 1; x >= 0; --x)
    for (int y = 0; y < s.height(); ++y)
      if (s.pixel(x, y) != background) return x;
  return -1;
}

struct BevelCase {
  const char* Name;
  TBevelCut Outer, Inner;
  int BevelWidth, BorderWidth;
  // Expected colours along the diagonal from the top-left corner, and on the right edge
  // (x = W - 1 - i, y = H / 2) for ring i.
  std::vector<TColor> TopLeft, Right;
};

class PanelBevelTest : public ::testing::TestWithParam<BevelCase> {};

TEST_P(PanelBevelTest, RingsFromTheOutsideIn) {
  const BevelCase& c = GetParam();
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 12, 10);
  panel.SetColor(clYellow);
  panel.SetBevelOuter(c.Outer);
  panel.SetBevelInner(c.Inner);
  panel.SetBevelWidth(c.BevelWidth);
  panel.SetBorderWidth(c.BorderWidth);
  const gfx::Surface s = PaintAlone(&panel);
  for (size_t i = 0; i < c.TopLeft.size(); ++i) {
    const int d = int(i);
    EXPECT_EQ(s.pixel(d, d + 2), Px(c.TopLeft[i])) << "left ring " << i;
    EXPECT_EQ(s.pixel(d + 2, d), Px(c.TopLeft[i])) << "top ring " << i;
    EXPECT_EQ(s.pixel(11 - d, 5), Px(c.Right[i])) << "right ring " << i;
    EXPECT_EQ(s.pixel(5, 9 - d), Px(c.Right[i])) << "bottom ring " << i;
  }
  // Inside the rings: the panel's colour.
  EXPECT_EQ(s.pixel(int(c.TopLeft.size()) + 1, int(c.TopLeft.size()) + 1), Px(clYellow));
}

INSTANTIATE_TEST_SUITE_P(
    Bevels, PanelBevelTest,
    ::testing::Values(
        BevelCase{"Raised", bvRaised, bvNone, 1, 0, {clBtnHighlight}, {clBtnShadow}},
        BevelCase{"Lowered", bvLowered, bvNone, 1, 0, {clBtnShadow}, {clBtnHighlight}},
        BevelCase{"NoBevel", bvNone, bvNone, 1, 0, {clYellow}, {clYellow}},
        BevelCase{"WideRaised", bvRaised, bvNone, 2, 0, {clBtnHighlight, clBtnHighlight}, {clBtnShadow, clBtnShadow}},
        BevelCase{"RaisedBorderLowered", bvRaised, bvLowered, 1, 1,
                  {clBtnHighlight, clYellow, clBtnShadow},
                  {clBtnShadow, clYellow, clBtnHighlight}},
        BevelCase{"SpaceIsFaceColour", bvSpace, bvNone, 1, 0, {clYellow}, {clYellow}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PanelTest, CornersOfARaisedBevelFollowTheStrokeRule) {
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 6, 5);
  panel.SetColor(clYellow);
  const gfx::Surface s = PaintAlone(&panel);
  EXPECT_EQ(s.pixel(0, 0), Px(clBtnHighlight));
  // The top-right pixel belongs to the dark stroke, and so does the bottom-left one.
  EXPECT_EQ(s.pixel(5, 0), Px(clBtnShadow));
  EXPECT_EQ(s.pixel(0, 4), Px(clBtnShadow));
  EXPECT_EQ(s.pixel(5, 4), Px(clBtnShadow));
  EXPECT_EQ(s.pixel(0, 3), Px(clBtnHighlight));
  EXPECT_EQ(s.pixel(4, 0), Px(clBtnHighlight));
}

TEST(PanelTest, AlignedChildrenSitInsideBevelsAndBorder) {
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 100, 60);
  panel.SetBevelOuter(bvRaised);
  panel.SetBevelInner(bvLowered);
  panel.SetBevelWidth(2);
  panel.SetBorderWidth(3);
  auto* child = new TPanel(&panel);
  child->SetParent(&panel);
  child->SetAlign(alClient);
  EXPECT_EQ(panel.FrameWidth(), 7);
  EXPECT_EQ(child->BoundsRect(), Rect(7, 7, 93, 53));
  panel.SetBevelOuter(bvNone);
  panel.SetBevelInner(bvNone);
  panel.SetBorderWidth(0);
  EXPECT_EQ(child->BoundsRect(), Rect(0, 0, 100, 60));
}

TEST(PanelTest, CaptionFollowsAlignment) {
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 120, 24);
  panel.SetBevelOuter(bvNone);
  panel.SetColor(clWhite);
  panel.Font()->SetColor(clBlack);
  panel.SetCaption("Hi");
  const gfx::Pixel white = Px(clWhite);
  panel.SetAlignment(taLeftJustify);
  gfx::Surface s = PaintAlone(&panel);
  EXPECT_GE(FirstInkColumn(s, white), 0);
  EXPECT_LT(FirstInkColumn(s, white), 4);
  panel.SetAlignment(taRightJustify);
  s = PaintAlone(&panel);
  EXPECT_GT(LastInkColumn(s, white), 114);
  panel.SetAlignment(taCenter);
  s = PaintAlone(&panel);
  const int mid = (FirstInkColumn(s, white) + LastInkColumn(s, white)) / 2;
  EXPECT_NEAR(mid, 60, 3);
  // Vertically centred: as much room above as below (within a pixel of rounding).
  const int top = FirstInkRow(s, white);
  EXPECT_GT(top, 2);
}

// ---- labels --------------------------------------------------------------------------------

TEST(LabelTest, AutoSizeFitsTheTextAndKeepsTheAnchoredEdge) {
  TLabel label(nullptr);
  label.SetBounds(100, 10, 200, 50);
  label.SetCaption("Quantity");
  const TRect text = MeasureText(label.Font(), "Quantity", Rect(0, 0, 0, 0), 0);
  EXPECT_EQ(label.Width(), text.right);
  EXPECT_EQ(label.Height(), text.bottom);
  EXPECT_EQ(label.Left(), 100);

  // Right-aligned text keeps its right edge when the caption shrinks.
  label.SetAlignment(taRightJustify);
  const int right = label.Left() + label.Width();
  label.SetCaption("Qty");
  EXPECT_EQ(label.Left() + label.Width(), right);
  EXPECT_LT(label.Width(), text.right);

  // Without AutoSize the bounds stay as set.
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 300, 40);
  label.SetCaption("A much longer caption");
  EXPECT_EQ(label.Width(), 300);
  EXPECT_EQ(label.Height(), 40);
}

TEST(LabelTest, WordWrapKeepsTheWidthAndGrowsTheHeight) {
  TLabel label(nullptr);
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 40, 10);
  label.SetWordWrap(true);
  label.SetCaption("one two three four");
  label.SetAutoSize(true);
  EXPECT_EQ(label.Width(), 40);
  const TRect oneLine = MeasureText(label.Font(), "one", Rect(0, 0, 0, 0), 0);
  EXPECT_GE(label.Height(), 2 * oneLine.bottom);
}

TEST(LabelTest, LayoutPlacesTheTextVertically) {
  struct Case {
    TTextLayout Layout;
    int MinTop, MaxTop;
  };
  TLabel label(nullptr);
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 60, 40);
  label.SetColor(clWhite);
  label.SetTransparent(false);
  label.Font()->SetColor(clBlack);
  label.SetCaption("Ag");
  const int h = MeasureText(label.Font(), "Ag", Rect(0, 0, 0, 0), 0).bottom;
  const Case cases[] = {{tlTop, 0, h / 2}, {tlCenter, (40 - h) / 2, (40 - h) / 2 + h / 2}, {tlBottom, 40 - h, 40}};
  for (const Case& c : cases) {
    label.SetLayout(c.Layout);
    const int top = FirstInkRow(PaintAlone(&label), Px(clWhite));
    EXPECT_GE(top, c.MinTop) << int(c.Layout);
    EXPECT_LE(top, c.MaxTop) << int(c.Layout);
  }
}

TEST(LabelTest, TransparentLabelLeavesTheBackgroundAlone) {
  TLabel label(nullptr);
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 20, 10);
  label.SetColor(clLime);
  label.SetTransparent(false);
  EXPECT_EQ(PaintAlone(&label, clFuchsia).pixel(19, 9), Px(clLime));
  label.SetTransparent(true);
  EXPECT_EQ(PaintAlone(&label, clFuchsia).pixel(19, 9), Px(clFuchsia));
}

TEST(LabelTest, AcceleratorCharacters) {
  struct Case {
    const char* Caption;
    char Accel;
  };
  const Case cases[] = {{"&Name", 'N'}, {"Na&me", 'm'}, {"A&&B", 0}, {"A&&&B", 'B'}, {"End&", 0}, {"", 0}};
  for (const Case& c : cases) EXPECT_EQ(AccelCharOf(c.Caption), c.Accel) << c.Caption;
}

TEST(LabelTest, FocusControlReferenceIsClearedWhenTheControlGoes) {
  TLabel label(nullptr);
  auto* edit = new TPanel(nullptr);
  label.SetFocusControl(edit);
  EXPECT_EQ(label.FocusControl(), edit);
  delete edit;
  EXPECT_EQ(label.FocusControl(), nullptr);
  // An accelerator without a control to focus is not taken.
  label.SetCaption("&Name");
  EXPECT_EQ(label.Perform(CM_DIALOGCHAR, 'n', 0), 0);
}

// ---- images and paint boxes ----------------------------------------------------------------

TEST(ImageTest, PlacementAndTransparency) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 10, 8);
  TBitmap* bitmap = image.Picture()->Bitmap();
  bitmap->SetSize(4, 2);
  bitmap->Surface().fill(Px(clRed));
  bitmap->Surface().setPixel(0, 1, Px(clBlue));  // the bottom-left pixel: the key colour
  EXPECT_EQ(image.DestRect(), Rect(0, 0, 4, 2));
  image.SetCenter(true);
  EXPECT_EQ(image.DestRect(), Rect(3, 3, 7, 5));
  image.SetStretch(true);
  EXPECT_EQ(image.DestRect(), Rect(0, 0, 10, 8));
  image.SetProportional(true);
  EXPECT_EQ(image.DestRect(), Rect(0, 1, 10, 6));  // 4:2 into 10:8, centred vertically

  image.SetStretch(false);
  image.SetProportional(false);
  image.SetCenter(false);
  gfx::Surface s = PaintAlone(&image, clWhite);
  EXPECT_EQ(s.pixel(0, 1), Px(clBlue));
  image.SetTransparent(true);
  s = PaintAlone(&image, clWhite);
  EXPECT_EQ(s.pixel(0, 1), Px(clWhite));
  EXPECT_EQ(s.pixel(1, 1), Px(clRed));

  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 4);
  EXPECT_EQ(image.Height(), 2);
}

TEST(PaintBoxTest, OnPaintDrawsOnTheCanvasEachTime) {
  TPaintBox box(nullptr);
  box.SetBounds(0, 0, 5, 5);
  int paints = 0;
  box.OnPaint = [&](TObject* sender) {
    ++paints;
    auto* self = static_cast<TPaintBox*>(sender);
    self->Canvas()->Brush()->SetColor(clGreen);
    self->Canvas()->FillRect(Rect(1, 1, 3, 3));
  };
  const gfx::Surface s = PaintAlone(&box, clWhite);
  EXPECT_EQ(paints, 1);
  EXPECT_EQ(s.pixel(1, 1), Px(clGreen));
  EXPECT_EQ(s.pixel(3, 3), Px(clWhite));
  PaintAlone(&box);
  EXPECT_EQ(paints, 2);
}

}  // namespace
