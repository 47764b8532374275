// Graphics objects: fonts, pens and brushes as streamed properties, the canvas on a bitmap,
// bitmap and picture data in form resources, image lists.
#include <gtest/gtest.h>

#include "platform/classlib/FormReader.h"
#include "platform/classlib/FormWriter.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/SysUtils.h"

namespace visualtest {
namespace {

// A component with the graphics properties a form resource can hold.
class TGraphicsHolder : public TComponent {
  KV_CLASS(TGraphicsHolder, TComponent)
 public:
  explicit TGraphicsHolder(TComponent* owner) : TComponent(owner) {}
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* f) { FFont->Assign(f); }
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* b) { FGlyph->Assign(b); }
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* p) { FPicture->Assign(p); }
  TColor Color() const { return FColor; }
  void SetColor(TColor c) { FColor = c; }

  static void Publish(TPublisher<TGraphicsHolder>& p) {
    p.Property("Color", &TGraphicsHolder::Color, &TGraphicsHolder::SetColor).Default(clWindow).Idents(ColorIdents());
    p.Property("Font", &TGraphicsHolder::Font, &TGraphicsHolder::SetFont);
    p.Property("Glyph", &TGraphicsHolder::Glyph, &TGraphicsHolder::SetGlyph);
    p.Property("Picture", &TGraphicsHolder::Picture, &TGraphicsHolder::SetPicture);
  }

 private:
  std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
  std::unique_ptr<TBitmap> FGlyph = std::make_unique<TBitmap>();
  std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
  TColor FColor = clWindow;
};

// A 4 x 3 bitmap with a different colour in every pixel.
void Paint4x3(TBitmap& b) {
  b.SetSize(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) b.Canvas()->SetPixels(x, y, static_cast<TColor>(gfx::RGB(uint8_t(x * 60), uint8_t(y * 100), 7)));
}

bool SamePixels(TBitmap& a, TBitmap& b) { return a.Surface() == b.Surface(); }

TEST(GraphicsTest, ColorPropertiesUseNamesOrNumbers) {
  struct Case {
    const char* text;
    TColor value;
    const char* written;
  };
  const Case cases[] = {
      {"clBtnFace", clBtnFace, "clBtnFace"}, {"clwhite", clWhite, "clWhite"},
      {"clNone", clNone, "clNone"},          {"12825237", 12825237, "12825237"},
      {"$00FF00", clLime, "clLime"},         {"-16777201", TColor(0xFF00000F), "clBtnFace"},
  };
  for (const Case& c : cases) {
    TGraphicsHolder holder(nullptr);
    SetPropByName(&holder, "Color", c.text);
    EXPECT_EQ(holder.Color(), c.value) << c.text;
    EXPECT_EQ(GetPropAsText(&holder, "Color"), c.written) << c.text;
    // Both system-colour encodings name the same colour.
    EXPECT_EQ(ColorToRGB(StringToColor(ColorToString(c.value))), ColorToRGB(c.value)) << c.text;
  }
  TGraphicsHolder holder(nullptr);
  EXPECT_ANY_THROW(SetPropByName(&holder, "Color", "clNoSuchColour"));
  EXPECT_THROW(StringToColor("clNoSuchColour"), EConvertError);
}

TEST(GraphicsTest, FontSizeAndHeightAreTwoViewsAndChangesAreReported) {
  struct Case {
    int size, height;
  };
  for (const Case c : {Case{8, -11}, Case{9, -12}, Case{10, -13}, Case{12, -16}}) {
    TFont font;
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.size;
    font.SetHeight(c.height);
    EXPECT_EQ(font.Size(), c.size) << c.height;
  }
  TFont font;
  int changes = 0;
  font.OnChange = [&](TObject*) { ++changes; };
  font.SetHeight(-12);
  font.SetHeight(-12);  // same value: no change
  font.SetStyle({fsBold});
  EXPECT_EQ(changes, 2);
  TFont other;
  other.SetName("Tahoma");
  font.Assign(&other);
  EXPECT_EQ(font.Name(), "Tahoma");
  EXPECT_EQ(font.Height(), -11);
  EXPECT_TRUE(font.Style().Empty());
  EXPECT_EQ(changes, 3);
  TPen pen;
  EXPECT_THROW(font.Assign(&pen), EConvertError);
}

TEST(GraphicsTest, FontIsSetThroughDottedPropertiesAndWrittenWithHeightNotSize) {
  TGraphicsHolder holder(nullptr);
  holder.SetName("holder");
  SetPropByName(&holder, "Font.Height", "-12");
  SetPropByName(&holder, "Font.Name", "'Tahoma'");
  SetPropByName(&holder, "Font.Style", "[fsBold, fsUnderline]");
  SetPropByName(&holder, "Font.Charset", "GB2312_CHARSET");
  EXPECT_EQ(holder.Font()->Height(), -12);
  EXPECT_EQ(holder.Font()->Name(), "Tahoma");
  EXPECT_EQ(holder.Font()->Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(holder.Font()->Charset(), GB2312_CHARSET);
  const AnsiString text = WriteComponentToText(&holder);
  EXPECT_NE(text.find("Font.Height = -12"), AnsiString::npos) << text;
  EXPECT_NE(text.find("Font.Charset = GB2312_CHARSET"), AnsiString::npos) << text;
  EXPECT_EQ(text.find("Font.Size"), AnsiString::npos) << text;
}

TEST(GraphicsTest, CanvasDrawsOnABitmapWithItsPenBrushAndFont) {
  TBitmap bmp;
  bmp.SetSize(10, 10);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 10, 10));
  c->Pen()->SetColor(clRed);
  c->Brush()->SetColor(clBlue);
  c->Rectangle(2, 2, 6, 6);
  EXPECT_EQ(c->Pixels(2, 2), clRed);
  EXPECT_EQ(c->Pixels(5, 5), clRed);
  EXPECT_EQ(c->Pixels(3, 3), clBlue);
  EXPECT_EQ(c->Pixels(6, 6), clWhite);  // right and bottom excluded
  c->Pen()->SetColor(clLime);
  c->MoveTo(0, 8);
  c->LineTo(5, 8);
  EXPECT_EQ(c->Pixels(4, 8), clLime);
  EXPECT_EQ(c->Pixels(5, 8), clWhite);  // the end point is left out
  EXPECT_EQ(c->PenPos(), Point(5, 8));
  // A clear brush fills nothing.
  c->Brush()->SetStyle(bsClear);
  c->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(c->Pixels(0, 0), clWhite);
  EXPECT_EQ(c->Pixels(20, 20), clNone);
  EXPECT_EQ(c->ClipRect(), Rect(0, 0, 10, 10));

  // Without a device every primitive is a no-op.
  TCanvas detached;
  detached.Rectangle(0, 0, 5, 5);
  EXPECT_EQ(detached.TextWidth("abc"), 0);
  EXPECT_EQ(detached.Pixels(0, 0), clNone);
}

TEST(GraphicsTest, TransparentBitmapsLeaveTheirKeyColourOut) {
  TBitmap glyph;
  glyph.SetSize(3, 3);
  glyph.Canvas()->Brush()->SetColor(clWhite);
  glyph.Canvas()->FillRect(Rect(0, 0, 3, 3));
  glyph.Canvas()->SetPixels(1, 1, clGray);
  EXPECT_EQ(glyph.TransparentColor(), clWhite);  // automatic: the bottom-left pixel
  glyph.SetTransparent(true);

  TBitmap target;
  target.SetSize(5, 5);
  target.Canvas()->Brush()->SetColor(clNavy);
  target.Canvas()->FillRect(Rect(0, 0, 5, 5));
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clGray);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clNavy);

  // A fixed transparent colour replaces the automatic one.
  glyph.SetTransparentColor(clGray);
  EXPECT_EQ(glyph.TransparentMode(), tmFixed);
  target.Canvas()->FillRect(Rect(0, 0, 5, 5));
  target.Canvas()->Draw(1, 1, &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clNavy);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clWhite);

  // Stretched into a larger box, each source pixel covers two.
  glyph.SetTransparent(false);
  target.Canvas()->StretchDraw(Rect(0, 0, 6, 6), &glyph);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clGray);
  EXPECT_EQ(target.Canvas()->Pixels(3, 3), clGray);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clWhite);
}

TEST(GraphicsTest, BitmapDataIsASizeThenABmpFile) {
  TBitmap original;
  Paint4x3(original);
  const TBytes data = original.Data();
  ASSERT_GT(data.size(), 6u);
  const uint32_t declared = data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24;
  EXPECT_EQ(declared, data.size() - 4);
  EXPECT_EQ(data[4], 'B');
  EXPECT_EQ(data[5], 'M');

  TBitmap copy;
  copy.SetData(data);
  EXPECT_TRUE(SamePixels(original, copy));
  EXPECT_TRUE(TBitmap().Data().empty());

  // Bad data is refused and leaves the bitmap as it was.
  const std::vector<TBytes> bad = {
      {1, 2},                                        // shorter than the size
      {0xFF, 0, 0, 0, 'B', 'M'},                     // size beyond the data
      {4, 0, 0, 0, 1, 2, 3, 4},                      // not a BMP
      TBytes(data.begin(), data.end() - 5),          // truncated BMP
  };
  for (const TBytes& b : bad) {
    EXPECT_THROW(copy.SetData(b), EInvalidGraphic);
    EXPECT_TRUE(SamePixels(original, copy));
  }
}

TEST(GraphicsTest, GlyphAndPictureSurviveAResourceRoundTrip) {
  TGraphicsHolder holder(nullptr);
  holder.SetName("holder");
  Paint4x3(*holder.Glyph());
  Paint4x3(*holder.Picture()->Bitmap());
  const AnsiString text = WriteComponentToText(&holder);
  EXPECT_NE(text.find("Glyph.Data = {"), AnsiString::npos) << text;
  EXPECT_NE(text.find("Picture.Data = {"), AnsiString::npos) << text;

  RegisterClass(TGraphicsHolder::StaticClass());
  TGraphicsHolder read(nullptr);
  ReadComponentFromText(&read, text, "round trip");
  EXPECT_TRUE(SamePixels(*holder.Glyph(), *read.Glyph()));
  ASSERT_NE(read.Picture()->Graphic(), nullptr);
  EXPECT_TRUE(SamePixels(*holder.Picture()->Bitmap(), *read.Picture()->Bitmap()));

  // Picture data names the graphic class in front of the bitmap's own data.
  const TBytes pic = holder.Picture()->Data();
  ASSERT_GT(pic.size(), 8u);
  EXPECT_EQ(pic[0], 7);
  EXPECT_EQ(AnsiString(pic.begin() + 1, pic.begin() + 8), "TBitmap");
  EXPECT_EQ(TBytes(pic.begin() + 8, pic.end()), holder.Picture()->Bitmap()->Data());
  TPicture unknown;
  EXPECT_THROW(unknown.SetData(TBytes{4, 'T', 'G', 'i', 'f', 0, 0}), EInvalidGraphic);
  EXPECT_THROW(unknown.SetData(TBytes{9, 'T'}), EInvalidGraphic);
  EXPECT_EQ(unknown.Graphic(), nullptr);
}

TEST(ImageListTest, ImagesAreCutIntoCellsAndDrawnWithTheirMask) {
  TImageList list(nullptr);
  list.SetWidth(2);
  list.SetHeight(2);
  TBitmap strip;
  strip.SetSize(4, 2);
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect(Rect(0, 0, 4, 2));
  strip.Canvas()->SetPixels(0, 0, clRed);
  strip.Canvas()->SetPixels(3, 0, clBlue);
  EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);

  TBitmap target;
  target.SetSize(4, 4);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(Rect(0, 0, 4, 4));
  list.Draw(target.Canvas(), 1, 1, 1);
  EXPECT_EQ(target.Canvas()->Pixels(2, 1), clBlue);
  EXPECT_EQ(target.Canvas()->Pixels(1, 1), clWhite);  // masked out
  list.Draw(target.Canvas(), 0, 0, 7);                 // bad index: nothing
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), clWhite);
  list.Draw(target.Canvas(), 0, 0, 0, false);          // disabled: greyed
  const TColor grey = target.Canvas()->Pixels(0, 0);
  EXPECT_EQ(gfx::GetRValue(grey), gfx::GetGValue(grey));
  EXPECT_NE(grey, clRed);

  TBitmap out;
  EXPECT_TRUE(list.GetBitmap(1, &out));
  EXPECT_EQ(out.Width(), 2);
  EXPECT_FALSE(list.GetBitmap(2, &out));
  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
}

TEST(ImageListTest, AUserLetsGoOfAFreedListAndOwnersFreeTheirLists) {
  auto* owner = new TComponent(nullptr);
  auto* list = new TImageList(owner);
  TChangeLink link;
  int notices = 0;
  link.OnChange = [&](TObject*) { ++notices; };
  list->RegisterChanges(&link);
  EXPECT_EQ(link.Sender(), list);
  TBitmap b;
  b.SetSize(16, 16);
  list->Add(&b);
  EXPECT_EQ(notices, 1);
  delete owner;  // frees the list with it
  EXPECT_EQ(link.Sender(), nullptr);
  EXPECT_EQ(notices, 2);

  // A link freed first unregisters itself.
  TImageList other(nullptr);
  {
    TChangeLink shortLived;
    other.RegisterChanges(&shortLived);
  }
  other.Add(&b);  // would touch the freed link if it were still registered
  EXPECT_EQ(other.Count(), 1);
}

}  // namespace
}  // namespace visualtest
