// Drawing onto a Surface with the classic pixel rules: pen, brush, font, origin and clip.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Region.h"
#include "platform/gfx/Surface.h"

namespace gfx {

// Pen styles (the class library's TPenStyle).
enum TPenStyle : std::uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame,
};

// How a pen pixel combines with the pixel under it (the class library's TPenMode subset).
enum TPenMode : std::uint8_t { pmCopy, pmNot, pmXor, pmNotXor };

// Brush styles (the class library's TBrushStyle subset).
enum TBrushStyle : std::uint8_t { bsSolid, bsClear };

// Background modes of text and pen gaps.
enum BkMode : std::uint8_t { bkTransparent = 1, bkOpaque = 2 };

// DrawText format flags.
enum : unsigned {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
};

// Width 0 is taken as 1. Dashed styles with width > 1 draw solid.
struct Pen {
  TColor color = clBlack;
  int width = 1;
  TPenStyle style = psSolid;
  TPenMode mode = pmCopy;
  friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
  TColor color = clWhite;
  TBrushStyle style = bsSolid;
  friend bool operator==(const Brush&, const Brush&) = default;
};

// Draws on a surface it does not own (the surface must outlive the canvas). All
// coordinates are logical: device = logical + origin. Every primitive clips to the clip
// region (device coordinates) and to the surface. Colours are TColor and may be system
// colours; clNone as a pen or brush colour draws nothing.
class Canvas {
 public:
  // A canvas over surface with origin (0, 0) and no clip region beyond the surface.
  explicit Canvas(Surface& surface);

  Surface& surface() { return *surface_; }

  // --- state ----------------------------------------------------------------------------
  // Sets the device position of logical (0, 0).
  void SetOrigin(int x, int y) { origin_ = {x, y}; }
  Point Origin() const { return origin_; }
  // Limits drawing to region (device coordinates), replacing any previous clip.
  void SetClipRegion(const Region& region);
  // Removes the clip region: the whole surface can be drawn on.
  void ClearClipRegion();
  // Narrows the clip to the logical rectangle r (without a clip region: the surface as
  // it is now, intersected with r).
  void IntersectClipRect(const Rect& r);
  // Removes the logical rectangle r from the clip.
  void ExcludeClipRect(const Rect& r);
  // The effective clip in device coordinates: the clip region within the surface.
  Region ClipRegion() const;

  Pen& pen() { return pen_; }
  const Pen& pen() const { return pen_; }
  Brush& brush() { return brush_; }
  const Brush& brush() const { return brush_; }
  Font& font() { return font_; }
  const Font& font() const { return font_; }
  // Replaces the font and takes its colour as the text colour.
  void SetFont(const Font& font);

  void SetBkMode(BkMode mode) { bkMode_ = mode; }
  BkMode GetBkMode() const { return bkMode_; }
  void SetBkColor(TColor c) { bkColor_ = c; }
  TColor GetBkColor() const { return bkColor_; }
  void SetTextColor(TColor c) { textColor_ = c; }
  TColor GetTextColor() const { return textColor_; }

  // The current position used by LineTo (logical).
  Point PenPos() const { return penPos_; }

  // Saves every piece of state on construction and restores it on destruction.
  class StateGuard {
   public:
    explicit StateGuard(Canvas& canvas);
    ~StateGuard();
    StateGuard(const StateGuard&) = delete;
    StateGuard& operator=(const StateGuard&) = delete;

   private:
    Canvas& canvas_;
    Pen pen_;
    Brush brush_;
    Font font_;
    BkMode bkMode_;
    TColor bkColor_, textColor_;
    Point penPos_, origin_;
    bool hasClip_;
    Region userClip_;
    int dashPhase_;
  };

  // --- pixels and lines -----------------------------------------------------------------
  // The COLORREF at (x, y); CLR_INVALID outside the surface or the clip.
  COLORREF GetPixel(int x, int y) const;
  // Sets (x, y) to c (pen mode ignored); clipped.
  void SetPixel(int x, int y, TColor c);
  // Sets the current position; draws nothing; restarts the dash pattern.
  void MoveTo(int x, int y);
  // Draws from the current position up to, not including, (x, y), then moves there.
  void LineTo(int x, int y);
  // Open figure: a line through the points, the last point not drawn. Position unchanged.
  void Polyline(std::span<const Point> points);

  // --- shapes ---------------------------------------------------------------------------
  // Pen outline on columns l and r-1, rows t and b-1; brush inside. psClear pen: brush
  // covers l..r-2, t..b-2. Corners are normalised. Position unchanged.
  void Rectangle(int l, int t, int r, int b);
  void Rectangle(const Rect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  // Fills r (right/bottom exclusive) with the brush colour; the pen is not used. Nothing
  // when the brush is clear or r is empty.
  void FillRect(const Rect& r);
  // Fills r with colour c regardless of the brush.
  void FillRect(const Rect& r, TColor c);
  // A one-pixel border in the brush colour on the pixels Rectangle's 1-pixel pen covers.
  void FrameRect(const Rect& r);
  // Closed figure filled with the brush by the alternate (even-odd) rule (pixel centres
  // on a left or top edge are in, on a right or bottom edge out), outlined with the pen.
  // Fewer than 2 points draw nothing. Position unchanged.
  void Polygon(std::span<const Point> points);
  // An ellipse inside the bounding box (right/bottom exclusive), brush fill, pen outline.
  void Ellipse(int l, int t, int r, int b);

  // --- blits ----------------------------------------------------------------------------
  // Copies w x h pixels of src from (sx, sy) to (x, y). Source pixels outside src are
  // skipped (the destination keeps its pixels).
  void BitBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy);
  // Draws all of src with its top-left at (x, y).
  void Draw(int x, int y, const Surface& src) {
    BitBlt(x, y, src.width(), src.height(), src, 0, 0);
  }
  // Copies srcRect of src scaled into dst by nearest neighbour (dropping pixels when
  // shrinking): dst pixel i takes src column srcRect.left + floor(i * sw / dw).
  void StretchBlt(const Rect& dst, const Surface& src, const Rect& srcRect);
  // As StretchBlt but source pixels whose RGB equals transparent are left out (none when
  // transparent is clNone).
  void TransparentBlt(const Rect& dst, const Surface& src, const Rect& srcRect, TColor transparent);

  // --- text -----------------------------------------------------------------------------
  // Draws CP936 text with the top-left of its cell at (x, y) in the text colour; OPAQUE
  // (bkOpaque) fills the cell with the background colour first. Escapement 900/1800/2700 rotates
  // about (x, y); other angles draw unrotated. Position unchanged.
  void TextOut(int x, int y, std::string_view text);
  // Width of text in the current font (unrotated).
  int TextWidth(std::string_view text) const;
  // Cell height of text in the current font.
  int TextHeight(std::string_view text) const;
  // Width and cell height of text in the current font (unrotated).
  Size TextExtent(std::string_view text) const;
  // Metrics of the current font.
  TextMetrics GetTextMetrics() const;
  // Draws text inside rect as the format flags say and returns the text height (with
  // DT_VCENTER/DT_BOTTOM: the offset from rect.top to the text's bottom). DT_CALCRECT
  // draws nothing and sets rect's right and bottom to fit the text. Without
  // DT_SINGLELINE, CR/LF break lines, and DT_WORDBREAK also wraps them at blanks and
  // around ideographs. '&' marks the next character as a prefix (underlined) unless
  // DT_NOPREFIX; "&&" draws one '&'. Tabs are not expanded (they take no space).
  int DrawText(std::string_view text, Rect& rect, unsigned format);

 private:
  struct Raster;  // the rasterizer: one place for every pixel rule
  friend struct Raster;

  // Logical to device coordinates, held at the ends of the int range.
  Point ToDevice(Point p) const;
  Rect ToDevice(const Rect& r) const;
  // The clip in device coordinates, kept in step with the surface's size.
  const Region& EffectiveClip() const;
  // The scaled copy behind StretchBlt and TransparentBlt.
  void CopyScaled(const Rect& dst, const Surface& src, const Rect& srcRect, bool skipColor,
                  Pixel skip);

  Surface* surface_;
  Point origin_{};
  bool hasClip_ = false;
  Region userClip_;      // device coordinates, as set
  mutable Region clip_;  // userClip_ (or everything) within the surface
  mutable Size clipFor_{-1, -1};
  Pen pen_;
  Brush brush_;
  Font font_;
  BkMode bkMode_ = bkOpaque;
  TColor bkColor_ = clWhite;
  TColor textColor_ = clBlack;
  Point penPos_{};
  int dashPhase_ = 0;
};

}  // namespace gfx
