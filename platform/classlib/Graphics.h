// Graphics objects of the class library: colours, fonts, pens, brushes, the canvas that
// draws with them, and the pictures it can draw (bitmaps).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Surface.h"
#include "platform/win/WinDef.h"

// ---- geometry ------------------------------------------------------------------------------

using TRect = RECT;
using TPoint = POINT;

// A rectangle from its four edges (right and bottom exclusive).
inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
// A rectangle from its top-left corner and size.
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}
inline TPoint Point(int x, int y) { return TPoint{x, y}; }
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
// The same rectangle in the canvas layer's type.
inline gfx::Rect ToGfxRect(const TRect& r) { return gfx::Rect{r.left, r.top, r.right, r.bottom}; }

// ---- colours -------------------------------------------------------------------------------

using TColor = gfx::TColor;
using gfx::clAqua, gfx::clBlack, gfx::clBlue, gfx::clCream, gfx::clDkGray, gfx::clFuchsia,
    gfx::clGray, gfx::clGreen, gfx::clLime, gfx::clLtGray, gfx::clMaroon, gfx::clMedGray,
    gfx::clMoneyGreen, gfx::clNavy, gfx::clOlive, gfx::clPurple, gfx::clRed, gfx::clSilver,
    gfx::clSkyBlue, gfx::clTeal, gfx::clWhite, gfx::clYellow, gfx::clNone, gfx::clDefault;
using gfx::cl3DDkShadow, gfx::cl3DLight, gfx::clActiveBorder, gfx::clActiveCaption,
    gfx::clAppWorkSpace, gfx::clBackground, gfx::clBtnFace, gfx::clBtnHighlight,
    gfx::clBtnShadow, gfx::clBtnText, gfx::clCaptionText, gfx::clGrayText, gfx::clHighlight,
    gfx::clHighlightText, gfx::clInactiveBorder, gfx::clInactiveCaption,
    gfx::clInactiveCaptionText, gfx::clInfoBk, gfx::clInfoText, gfx::clMenu, gfx::clMenuText,
    gfx::clScrollBar, gfx::clWindow, gfx::clWindowFrame, gfx::clWindowText;

// The explicit 0x00BBGGRR value of a colour (a system colour is looked up).
inline TColor ColorToRGB(TColor color) { return static_cast<TColor>(gfx::ColorToRGB(color)); }
// "clBtnFace" for a named colour, else "$00BBGGRR" in hexadecimal.
AnsiString ColorToString(TColor color);
// A colour name or a number (decimal or $hex); EConvertError for anything else.
TColor StringToColor(const AnsiString& text);
// Identifier mapping of colour properties in form resources (clWhite, clBtnFace ...).
const TIdentMapper* ColorIdents();

// ---- fonts, pens, brushes ------------------------------------------------------------------

KV_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;
KV_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2,
                       GB2312_CHARSET = 134, OEM_CHARSET = 255;
// Identifier mapping of charset properties (GB2312_CHARSET ...).
const TIdentMapper* CharsetIdents();

KV_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
KV_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
        pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)
KV_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
        bsDiagCross)

// Screen resolution the class library assumes (fonts: Height = -Size * 96 / 72).
constexpr int ScreenPixelsPerInch = 96;

// A drawing attribute object: assignable, streamable, and telling its owner of every change.
class TGraphicsObject : public TPersistent {
  KV_CLASS(TGraphicsObject, TPersistent)
 public:
  // Fires after every change of an attribute.
  TNotifyEvent OnChange;

 protected:
  void Changed() { OnChange(this); }
};

// Face, size, style and colour of text.
class TFont : public TGraphicsObject {
  KV_CLASS(TFont, TGraphicsObject)
 public:
  TFont();

  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& name);
  // Pixels; negative = character height without internal leading.
  int Height() const { return FHeight; }
  void SetHeight(int height);
  // Points at 96 pixels per inch (derived from Height; not streamed).
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset charset);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch pitch);

  // Copies every attribute from another font (one change notification).
  void Assign(TPersistent* source) override;
  // The font as the canvas layer draws it.
  gfx::Font ToGfx() const;
  // True when every attribute equals OTHER's.
  bool SameAs(const TFont& other) const;

  static void Publish(TPublisher<TFont>& p);

 private:
  AnsiString FName;
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
};

// How lines and outlines are drawn.
class TPen : public TGraphicsObject {
  KV_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  // Width 0 draws as 1.
  int Width() const { return FWidth; }
  void SetWidth(int width);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode mode);

  void Assign(TPersistent* source) override;
  // The pen as the canvas layer draws it (modes it lacks draw as pmCopy).
  gfx::Pen ToGfx() const;

  static void Publish(TPublisher<TPen>& p);

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

// How areas are filled.
class TBrush : public TGraphicsObject {
  KV_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  TColor Color() const { return FColor; }
  // Setting a colour on a clear brush makes it solid again.
  void SetColor(TColor color);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style);

  void Assign(TPersistent* source) override;
  // The brush as the canvas layer draws it (hatched styles fill solid).
  gfx::Brush ToGfx() const;

  static void Publish(TPublisher<TBrush>& p);

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

// ---- canvas --------------------------------------------------------------------------------

class TGraphic;
class TBitmap;

// Draws on a device context (HDC = gfx::Canvas*) with its own Pen, Brush and Font, which
// are handed to the device lazily, just before a primitive needs them. Without a handle
// every primitive does nothing and measurements answer 0.
class TCanvas : public TPersistent {
  KV_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context; descendants (bitmaps) may create it on demand.
  HDC Handle();
  // Attaches the canvas to DC (null detaches); the objects are applied again on next use.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* Font() const { return FFont.get(); }
  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }
  // Copy into the owned objects.
  void SetFont(TFont* font) { FFont->Assign(font); }
  void SetPen(TPen* pen) { FPen->Assign(pen); }
  void SetBrush(TBrush* brush) { FBrush->Assign(brush); }

  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
  // The clip rectangle in the canvas's coordinates (empty without a handle).
  TRect ClipRect();

  void MoveTo(int x, int y);
  // Line from PenPos up to (not including) (x, y); PenPos moves there.
  void LineTo(int x, int y);
  // Pen outline, brush fill; right and bottom edges excluded.
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  // Brush only (nothing for a clear brush).
  void FillRect(const TRect& r);
  // One-pixel border in the brush colour.
  void FrameRect(const TRect& r);
  void Ellipse(int left, int top, int right, int bottom);
  // Closed figure: pen outline, brush fill by the alternate rule.
  void Polygon(std::span<const TPoint> points);
  // Open figure with the pen; the last point is not drawn.
  void Polyline(std::span<const TPoint> points);

  // Text with its cell's top-left at (x, y); the cell is filled with the brush unless the
  // brush is clear. PenPos moves to the end of the text.
  void TextOut(int x, int y, const AnsiString& text);
  // Fills R with the brush (unless clear), then draws the text at (x, y) clipped to R.
  void TextRect(const TRect& r, int x, int y, const AnsiString& text);
  int TextWidth(const AnsiString& text);
  // Cell height (with internal leading).
  int TextHeight(const AnsiString& text);

  // Copies GRAPHIC unscaled with its top-left at (x, y) (honours its transparency).
  void Draw(int x, int y, TGraphic* graphic);
  // Copies GRAPHIC scaled into R.
  void StretchDraw(const TRect& r, TGraphic* graphic);
  // Copies SOURCE's pixels of SRC, scaled into DEST of this canvas.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
  // Copies SRC of BITMAP scaled into DEST, leaving out the pixels of colour TRANSPARENT.
  void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor transparent);

  // Colour at (x, y); clNone outside the device or the clip.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  // The canvas is used from one thread only: locking does nothing.
  void Lock() {}
  void Unlock() {}

 protected:
  // Creates the handle when a primitive needs one; the base has none to create.
  virtual void CreateHandle() {}
  // The device with the objects applied, or null.
  gfx::Canvas* Device();

 private:
  void ObjectChanged(TObject* sender);

  gfx::Canvas* FHandle = nullptr;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  TPoint FPenPos{0, 0};
  bool FFontDirty = true, FPenDirty = true, FBrushDirty = true;
};

// ---- pictures ------------------------------------------------------------------------------

// Picture data that could not be decoded.
KV_EXCEPTION(EInvalidGraphic, Exception)

KV_ENUM(TTransparentMode, tmAuto, tmFixed)

// An image that can draw itself on a canvas.
class TGraphic : public TPersistent {
  KV_CLASS(TGraphic, TPersistent)
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  // True when the picture has no pixels.
  virtual bool Empty() const = 0;
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);
  // Draws the whole picture scaled into R of CANVAS.
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
  // The picture's own streamed bytes (its part of Picture.Data).
  virtual TBytes SaveToBytes() const = 0;
  // Replaces the picture with streamed bytes; EInvalidGraphic when they cannot be decoded.
  virtual void LoadFromBytes(const uint8_t* data, size_t size) = 0;

  // Fires after every change of the picture.
  TNotifyEvent OnChange;

 protected:
  void Changed() { OnChange(this); }

 private:
  bool FTransparent = false;
};

// A 32-bit pixel picture with its own canvas.
class TBitmap : public TGraphic {
  KV_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  ~TBitmap() override;

  int Width() const override { return FSurface.width(); }
  int Height() const override { return FSurface.height(); }
  void SetWidth(int width) override { SetSize(width, FSurface.height()); }
  void SetHeight(int height) override { SetSize(FSurface.width(), height); }
  // Resizes, keeping the top-left pixels; new pixels are black.
  void SetSize(int width, int height);
  bool Empty() const override { return FSurface.empty(); }

  // A canvas drawing on the bitmap's pixels.
  TCanvas* Canvas();
  const gfx::Surface& Surface() const { return FSurface; }
  gfx::Surface& Surface() { return FSurface; }

  // tmAuto: the bottom-left pixel's colour; tmFixed: the colour last assigned.
  TColor TransparentColor() const;
  // Switches to tmFixed.
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode mode);

  void Draw(TCanvas* canvas, const TRect& r) override;
  // Resource form: 4-byte little-endian size, then a BMP file; empty for an empty bitmap.
  TBytes SaveToBytes() const override;
  // Accepts the resource form or a bare BMP file; empty data empties the bitmap.
  void LoadFromBytes(const uint8_t* data, size_t size) override;
  // Decodes BMP data (with or without the file header); EInvalidGraphic when malformed.
  void LoadFromStream(const uint8_t* data, size_t size);
  // Copies the pixels and transparency settings of another bitmap.
  void Assign(TPersistent* source) override;

  // The streamed property "Data".
  TBytes Data() const { return SaveToBytes(); }
  void SetData(const TBytes& bytes) { LoadFromBytes(bytes.data(), bytes.size()); }

  static void Publish(TPublisher<TBitmap>& p);

 private:
  friend class TBitmapCanvas;
  gfx::Surface FSurface;
  std::unique_ptr<gfx::Canvas> FDevice;
  std::unique_ptr<TCanvas> FCanvas;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
};

// Holds one graphic (a bitmap here) for a control; streamed as "Data" with the class name
// of the graphic in front of its bytes.
class TPicture : public TPersistent {
  KV_CLASS(TPicture, TPersistent)
 public:
  TPicture();
  ~TPicture() override;

  // The graphic held, or null.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Copies GRAPHIC (null empties the picture).
  void SetGraphic(TGraphic* graphic);
  // The graphic as a bitmap, replacing any other graphic by an empty bitmap.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* bitmap) { SetGraphic(bitmap); }
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  void Assign(TPersistent* source) override;

  // Length byte, class name, then the graphic's bytes; empty without a graphic.
  TBytes Data() const;
  // EInvalidGraphic for an unknown class name or malformed bytes.
  void SetData(const TBytes& bytes);

  // Fires after every change of the picture or its graphic.
  TNotifyEvent OnChange;

  static void Publish(TPublisher<TPicture>& p);

 private:
  void GraphicChanged(TObject* sender);
  std::unique_ptr<TGraphic> FGraphic;
};
