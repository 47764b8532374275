#include "platform/classlib/Graphics.h"

#include <algorithm>
#include <cstring>

#include "platform/classlib/SysUtils.h"
#include "platform/gfx/Image.h"

// ---- colours -------------------------------------------------------------------------------

AnsiString ColorToString(TColor color) {
  AnsiString ident;
  if (gfx::ColorToIdent(color, ident)) return ident;
  return "$" + IntToHex(static_cast<uint32_t>(color), 8);
}

TColor StringToColor(const AnsiString& text) {
  TColor color = 0;
  if (gfx::IdentToColor(text, color)) return color;
  // Numbers may be written as unsigned 32-bit values ($FF000005) or signed ones.
  try {
    return static_cast<TColor>(StrToInt64(text));
  } catch (const EConvertError&) {
    throw EConvertError("'" + text + "' is not a valid color value");
  }
}

namespace {

bool ColorIdentToInt(const AnsiString& ident, int64_t& value) {
  TColor color = 0;
  if (!gfx::IdentToColor(ident, color)) return false;
  value = color;
  return true;
}

bool ColorIntToIdent(int64_t value, AnsiString& ident) {
  return gfx::ColorToIdent(static_cast<TColor>(value), ident);
}

struct CharsetName {
  const char* Name;
  TFontCharset Value;
};
constexpr CharsetName kCharsets[] = {
    {"ANSI_CHARSET", ANSI_CHARSET},     {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"SYMBOL_CHARSET", SYMBOL_CHARSET}, {"GB2312_CHARSET", GB2312_CHARSET},
    {"OEM_CHARSET", OEM_CHARSET},
};

bool CharsetIdentToInt(const AnsiString& ident, int64_t& value) {
  for (const auto& c : kCharsets)
    if (SameText(ident, c.Name)) {
      value = c.Value;
      return true;
    }
  return false;
}

bool CharsetIntToIdent(int64_t value, AnsiString& ident) {
  for (const auto& c : kCharsets)
    if (c.Value == value) {
      ident = c.Name;
      return true;
    }
  return false;
}

}  // namespace

const TIdentMapper* ColorIdents() {
  static const TIdentMapper mapper{&ColorIdentToInt, &ColorIntToIdent};
  return &mapper;
}

const TIdentMapper* CharsetIdents() {
  static const TIdentMapper mapper{&CharsetIdentToInt, &CharsetIntToIdent};
  return &mapper;
}

// ---- TFont ---------------------------------------------------------------------------------

TFont::TFont() : FName("MS Sans Serif") {}

void TFont::SetName(const AnsiString& name) {
  if (name.empty() || name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int TFont::Size() const { return -gfx::MulDiv(FHeight, 72, ScreenPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-gfx::MulDiv(points, ScreenPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == FPitch) return;
  FPitch = pitch;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return FName == other.FName && FHeight == other.FHeight && FStyle == other.FStyle &&
         FColor == other.FColor && FCharset == other.FCharset && FPitch == other.FPitch;
}

void TFont::Assign(TPersistent* source) {
  if (auto* font = dynamic_cast<TFont*>(source)) {
    if (font == this || SameAs(*font)) return;
    FName = font->FName;
    FHeight = font->FHeight;
    FStyle = font->FStyle;
    FColor = font->FColor;
    FCharset = font->FCharset;
    FPitch = font->FPitch;
    Changed();
    return;
  }
  inherited::Assign(source);
}

gfx::Font TFont::ToGfx() const {
  gfx::Font f;
  f.name = FName;
  f.height = FHeight;
  f.style = 0;
  if (FStyle.Contains(fsBold)) f.style |= gfx::fsBold;
  if (FStyle.Contains(fsItalic)) f.style |= gfx::fsItalic;
  if (FStyle.Contains(fsUnderline)) f.style |= gfx::fsUnderline;
  if (FStyle.Contains(fsStrikeOut)) f.style |= gfx::fsStrikeOut;
  f.color = FColor;
  return f;
}

void TFont::Publish(TPublisher<TFont>& p) {
  p.Property("Charset", &TFont::Charset, &TFont::SetCharset).Default(DEFAULT_CHARSET).Idents(CharsetIdents());
  p.Property("Color", &TFont::Color, &TFont::SetColor).NoDefault().Idents(ColorIdents());
  p.Property("Height", &TFont::Height, &TFont::SetHeight).NoDefault();
  p.Property("Name", &TFont::Name, &TFont::SetName);
  p.Property("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  p.Property("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  p.Property("Style", &TFont::Style, &TFont::SetStyle).Default(TFontStyles{});
}

// ---- TPen / TBrush -------------------------------------------------------------------------

void TPen::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width == FWidth) return;
  FWidth = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == FMode) return;
  FMode = mode;
  Changed();
}

void TPen::Assign(TPersistent* source) {
  if (auto* pen = dynamic_cast<TPen*>(source)) {
    if (pen == this) return;
    FColor = pen->FColor;
    FWidth = pen->FWidth;
    FStyle = pen->FStyle;
    FMode = pen->FMode;
    Changed();
    return;
  }
  inherited::Assign(source);
}

gfx::Pen TPen::ToGfx() const {
  gfx::Pen p;
  p.color = FColor;
  p.width = FWidth;
  p.style = static_cast<gfx::TPenStyle>(FStyle);
  switch (FMode) {
    case pmNot: p.mode = gfx::pmNot; break;
    case pmXor: p.mode = gfx::pmXor; break;
    case pmNotXor: p.mode = gfx::pmNotXor; break;
    case pmNop: p.style = gfx::psClear; break;
    case pmBlack: p.color = clBlack; break;
    case pmWhite: p.color = clWhite; break;
    default: p.mode = gfx::pmCopy; break;
  }
  return p;
}

void TPen::Publish(TPublisher<TPen>& p) {
  p.Property("Color", &TPen::Color, &TPen::SetColor).Default(clBlack).Idents(ColorIdents());
  p.Property("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  p.Property("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  p.Property("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void TBrush::SetColor(TColor color) {
  if (color == FColor && FStyle != bsClear) return;
  FColor = color;
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TBrush::Assign(TPersistent* source) {
  if (auto* brush = dynamic_cast<TBrush*>(source)) {
    if (brush == this) return;
    FColor = brush->FColor;
    FStyle = brush->FStyle;
    Changed();
    return;
  }
  inherited::Assign(source);
}

gfx::Brush TBrush::ToGfx() const {
  gfx::Brush b;
  b.color = FColor;
  b.style = FStyle == bsClear ? gfx::bsClear : gfx::bsSolid;
  return b;
}

void TBrush::Publish(TPublisher<TBrush>& p) {
  p.Property("Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite).Idents(ColorIdents());
  p.Property("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

// ---- TCanvas -------------------------------------------------------------------------------

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  FFont->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
}

TCanvas::~TCanvas() = default;

void TCanvas::ObjectChanged(TObject* sender) {
  if (sender == FFont.get()) FFontDirty = true;
  if (sender == FPen.get()) FPenDirty = true;
  if (sender == FBrush.get()) FBrushDirty = true;
}

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == FHandle) return;
  FHandle = dc;
  FFontDirty = FPenDirty = FBrushDirty = true;
  if (FHandle) FHandle->MoveTo(FPenPos.x, FPenPos.y);
}

gfx::Canvas* TCanvas::Device() {
  gfx::Canvas* dc = Handle();
  if (!dc) return nullptr;
  if (FFontDirty) {
    dc->SetFont(FFont->ToGfx());
    FFontDirty = false;
  }
  if (FPenDirty) {
    dc->pen() = FPen->ToGfx();
    FPenDirty = false;
  }
  if (FBrushDirty) {
    dc->brush() = FBrush->ToGfx();
    FBrushDirty = false;
  }
  // Text background follows the brush, as on the home platform.
  dc->SetBkColor(FBrush->Color());
  dc->SetBkMode(FBrush->Style() == bsClear ? gfx::bkTransparent : gfx::bkOpaque);
  return dc;
}

TRect TCanvas::ClipRect() {
  gfx::Canvas* dc = Handle();
  if (!dc) return TRect{0, 0, 0, 0};
  const gfx::Rect box = dc->ClipRegion().BoundingBox();
  const gfx::Point o = dc->Origin();
  return TRect{box.left - o.x, box.top - o.y, box.right - o.x, box.bottom - o.y};
}

void TCanvas::MoveTo(int x, int y) {
  FPenPos = {x, y};
  if (gfx::Canvas* dc = Handle()) dc->MoveTo(x, y);
}

void TCanvas::LineTo(int x, int y) {
  if (gfx::Canvas* dc = Device()) {
    dc->MoveTo(FPenPos.x, FPenPos.y);
    dc->LineTo(x, y);
  }
  FPenPos = {x, y};
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (gfx::Canvas* dc = Device()) dc->Rectangle(left, top, right, bottom);
}

void TCanvas::FillRect(const TRect& r) {
  if (gfx::Canvas* dc = Device()) dc->FillRect(ToGfxRect(r));
}

void TCanvas::FrameRect(const TRect& r) {
  if (gfx::Canvas* dc = Device()) dc->FrameRect(ToGfxRect(r));
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (gfx::Canvas* dc = Device()) dc->Ellipse(left, top, right, bottom);
}

namespace {
std::vector<gfx::Point> ToGfxPoints(std::span<const TPoint> points) {
  std::vector<gfx::Point> out;
  out.reserve(points.size());
  for (const TPoint& p : points) out.push_back({p.x, p.y});
  return out;
}
}  // namespace

void TCanvas::Polygon(std::span<const TPoint> points) {
  if (gfx::Canvas* dc = Device()) dc->Polygon(ToGfxPoints(points));
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  if (gfx::Canvas* dc = Device()) dc->Polyline(ToGfxPoints(points));
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
  gfx::Canvas* dc = Device();
  if (!dc) return;
  dc->TextOut(x, y, text);
  MoveTo(x + dc->TextWidth(text), y);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const AnsiString& text) {
  gfx::Canvas* dc = Device();
  if (!dc) return;
  gfx::Canvas::StateGuard guard(*dc);
  if (FBrush->Style() != bsClear) dc->FillRect(ToGfxRect(r));
  dc->IntersectClipRect(ToGfxRect(r));
  dc->SetBkMode(gfx::bkTransparent);
  dc->TextOut(x, y, text);
}

int TCanvas::TextWidth(const AnsiString& text) {
  gfx::Canvas* dc = Device();
  return dc ? dc->TextWidth(text) : 0;
}

int TCanvas::TextHeight(const AnsiString& text) {
  gfx::Canvas* dc = Device();
  return dc ? dc->TextHeight(text) : 0;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  gfx::Canvas* dc = Device();
  if (!dc || !source) return;
  gfx::Canvas* from = source->Handle();
  if (!from) return;
  const gfx::Point o = from->Origin();
  const gfx::Rect deviceSrc = ToGfxRect(src).Offset(o.x, o.y);
  if (from == dc) {
    // Copying within one surface: take the source pixels first.
    const gfx::Surface copy = from->surface();
    dc->StretchBlt(ToGfxRect(dest), copy, deviceSrc);
  } else {
    dc->StretchBlt(ToGfxRect(dest), from->surface(), deviceSrc);
  }
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor transparent) {
  gfx::Canvas* dc = Device();
  if (!dc || !bitmap || bitmap->Empty()) return;
  dc->TransparentBlt(ToGfxRect(dest), bitmap->Surface(), ToGfxRect(src), transparent);
}

TColor TCanvas::Pixels(int x, int y) {
  gfx::Canvas* dc = Handle();
  if (!dc) return clNone;
  const gfx::COLORREF c = dc->GetPixel(x, y);
  return c == gfx::CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  if (gfx::Canvas* dc = Handle()) dc->SetPixel(x, y, color);
}

// ---- TGraphic / TBitmap --------------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

// The canvas of a bitmap: its device is made over the bitmap's pixels on first use.
class TBitmapCanvas : public TCanvas {
  KV_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}

 protected:
  void CreateHandle() override {
    if (!FBitmap->FDevice) FBitmap->FDevice = std::make_unique<gfx::Canvas>(FBitmap->FSurface);
    SetHandle(FBitmap->FDevice.get());
  }

 private:
  TBitmap* FBitmap;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  // The canvas refers to the device; drop it first.
  FCanvas.reset();
  FDevice.reset();
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FSurface.width() && height == FSurface.height()) return;
  FSurface.resize(width, height);
  // The device's clip was made for the old size: make a new one on next use.
  if (FCanvas) FCanvas->SetHandle(nullptr);
  FDevice.reset();
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed) return FTransparentColor;
  if (FSurface.empty()) return clDefault;
  return static_cast<TColor>(gfx::PixelToColorRef(FSurface.pixel(0, FSurface.height() - 1)));
}

void TBitmap::SetTransparentColor(TColor color) {
  FTransparentColor = color;
  FTransparentMode = tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == FTransparentMode) return;
  FTransparentMode = mode;
  if (mode == tmAuto) FTransparentColor = clDefault;
  Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  if (!canvas || Empty()) return;
  gfx::Canvas* dc = canvas->Handle();
  if (!dc) return;
  const gfx::Rect src = FSurface.bounds();
  if (Transparent())
    dc->TransparentBlt(ToGfxRect(r), FSurface, src, TransparentColor());
  else
    dc->StretchBlt(ToGfxRect(r), FSurface, src);
}

TBytes TBitmap::SaveToBytes() const {
  if (Empty()) return {};
  const std::vector<uint8_t> bmp = gfx::SaveBmp(FSurface);
  TBytes out(4 + bmp.size());
  const uint32_t size = static_cast<uint32_t>(bmp.size());
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(size >> (8 * i));
  std::copy(bmp.begin(), bmp.end(), out.begin() + 4);
  return out;
}

void TBitmap::LoadFromStream(const uint8_t* data, size_t size) {
  gfx::Surface decoded;
  if (!data || !gfx::LoadBmp(data, size, decoded)) throw EInvalidGraphic("Bitmap image is not valid");
  FSurface = std::move(decoded);
  if (FCanvas) FCanvas->SetHandle(nullptr);
  FDevice.reset();
  Changed();
}

void TBitmap::LoadFromBytes(const uint8_t* data, size_t size) {
  if (size == 0) {
    SetSize(0, 0);
    return;
  }
  // A bare BMP file is accepted as well as the size-prefixed resource form.
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    LoadFromStream(data, size);
    return;
  }
  if (size < 4) throw EInvalidGraphic("Bitmap image is not valid");
  const uint32_t declared = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                            uint32_t(data[3]) << 24;
  if (declared > size - 4) throw EInvalidGraphic("Bitmap image is not valid");
  LoadFromStream(data + 4, declared);
}

void TBitmap::Assign(TPersistent* source) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    if (bitmap == this) return;
    FSurface = bitmap->FSurface;
    FTransparentColor = bitmap->FTransparentColor;
    FTransparentMode = bitmap->FTransparentMode;
    if (FCanvas) FCanvas->SetHandle(nullptr);
    FDevice.reset();
    const bool transparent = bitmap->Transparent();
    if (transparent != Transparent()) SetTransparent(transparent);
    Changed();
    return;
  }
  if (source == nullptr) {
    SetSize(0, 0);
    return;
  }
  inherited::Assign(source);
}

void TBitmap::Publish(TPublisher<TBitmap>& p) {
  p.Property("Data", &TBitmap::Data, &TBitmap::SetData);
}

// ---- TPicture ------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::GraphicChanged(TObject*) { OnChange(this); }

TBitmap* TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get())) return bitmap;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->OnChange = TNotifyEvent(this, &TPicture::GraphicChanged);
  FGraphic = std::move(bitmap);
  OnChange(this);
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == FGraphic.get()) return;
  if (!graphic) {
    FGraphic.reset();
    OnChange(this);
    return;
  }
  if (!dynamic_cast<TBitmap*>(graphic)) AssignError(graphic);
  Bitmap()->Assign(graphic);
}

void TPicture::Assign(TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
    return;
  }
  if (auto* picture = dynamic_cast<TPicture*>(source)) {
    SetGraphic(picture->Graphic());
    return;
  }
  if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(graphic);
    return;
  }
  inherited::Assign(source);
}

TBytes TPicture::Data() const {
  if (!FGraphic) return {};
  const AnsiString& name = FGraphic->ClassName();
  TBytes out;
  out.push_back(static_cast<uint8_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  const TBytes body = FGraphic->SaveToBytes();
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void TPicture::SetData(const TBytes& bytes) {
  if (bytes.empty()) {
    SetGraphic(nullptr);
    return;
  }
  const size_t nameLength = bytes[0];
  if (nameLength + 1 > bytes.size()) throw EInvalidGraphic("Picture data is not valid");
  const AnsiString name(bytes.begin() + 1, bytes.begin() + 1 + static_cast<std::ptrdiff_t>(nameLength));
  if (!SameText(name, TBitmap::StaticClass()->Name))
    throw EInvalidGraphic("Unknown picture file extension (" + name + ")");
  // Decode into a fresh bitmap so bad data leaves the picture as it was.
  TBitmap decoded;
  decoded.LoadFromBytes(bytes.data() + 1 + nameLength, bytes.size() - 1 - nameLength);
  Bitmap()->Assign(&decoded);
}

void TPicture::Publish(TPublisher<TPicture>& p) {
  p.Property("Data", &TPicture::Data, &TPicture::SetData);
}
