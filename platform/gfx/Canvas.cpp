#include "platform/gfx/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gfx/PixelFill.h"
#include "platform/gfx/Text.h"
#include "platform/gfx/TextEngine.h"

namespace gfx {
namespace {

// On/off run lengths of the dashed pen styles, starting "on".
struct DashPattern {
  const int* runs;
  int count;
  int period;
};

constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};

constexpr DashPattern kPatterns[] = {
    {kDash, 2, 24}, {kDot, 2, 6}, {kDashDot, 4, 24}, {kDashDotDot, 6, 24}};

const DashPattern* PatternOf(TPenStyle style) {
  if (style < psDash || style > psDashDotDot) return nullptr;
  return &kPatterns[style - psDash];
}

// True when position phase of the pattern is in an "on" run.
bool DashOn(const DashPattern& p, int phase) {
  phase %= p.period;
  for (int i = 0; i < p.count; ++i) {
    if (phase < p.runs[i]) return i % 2 == 0;
    phase -= p.runs[i];
  }
  return false;
}

Pixel ToPixel(TColor c) {
  // Explicit colours are the common case and need no table.
  const auto bits = static_cast<std::uint32_t>(c);
  if ((bits >> 24) == 0) return ColorRefToPixel(bits);
  return ColorRefToPixel(ColorToRGB(c));
}

Pixel Combine(Pixel dst, Pixel src, TPenMode mode) {
  switch (mode) {
    case pmNot:
      return ~dst & 0x00FFFFFF;
    case pmXor:
      return (dst ^ src) & 0x00FFFFFF;
    case pmNotXor:
      return ~(dst ^ src) & 0x00FFFFFF;
    case pmCopy:
      break;
  }
  return src;
}

// floor(n / d) for d > 0.
long long FloorDiv(long long n, long long d) {
  long long q = n / d;
  if ((n % d != 0) && (n < 0)) --q;
  return q;
}

long long CeilDiv(long long n, long long d) { return -FloorDiv(-n, d); }

int ClampToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

// Pens wider than this are drawn this wide: a stray width must not stall a paint.
constexpr int kMaxPenWidth = 1024;

int PenWidth(const Pen& pen) { return std::clamp(pen.width, 1, kMaxPenWidth); }

// a + b, held at the ends of the int range instead of overflowing.
int AddClamped(int a, int b) { return ClampToInt(static_cast<long long>(a) + b); }

Rect Normalised(int l, int t, int r, int b) {
  return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

}  // namespace

// Everything that touches pixels goes through here, in device coordinates.
struct Canvas::Raster {
  Canvas& c;
  Surface& s;
  const Region& clip;

  explicit Raster(Canvas& canvas) : c(canvas), s(*canvas.surface_), clip(canvas.EffectiveClip()) {}

  bool Visible(int x, int y) const {
    for (const Rect& r : clip.Rects())
      if (r.Contains(x, y)) return true;
    return false;
  }

  void Plot(int x, int y, Pixel p, TPenMode mode) {
    if (!Visible(x, y)) return;
    Pixel& dst = s.row(y)[x];
    dst = Combine(dst, p, mode);
  }

  // Columns x0..x1-1 of row y.
  void Span(int y, int x0, int x1, Pixel p, TPenMode mode = pmCopy) {
    for (const Rect& r : clip.Rects()) {
      if (y < r.top || y >= r.bottom) continue;
      const int a = std::max(x0, r.left), b = std::min(x1, r.right);
      if (a >= b) continue;
      Pixel* row = s.row(y);
      if (mode == pmCopy)
        detail::FillPixels(row + a, std::size_t(b - a), p);
      else
        for (int x = a; x < b; ++x) row[x] = Combine(row[x], p, mode);
    }
  }

  // Pixels of r, right/bottom exclusive.
  void Fill(const Rect& r, Pixel p, TPenMode mode = pmCopy) {
    for (const Rect& piece : clip.Rects()) {
      const Rect part = IntersectRect(piece, r);
      for (int y = part.top; y < part.bottom; ++y) {
        Pixel* row = s.row(y);
        if (mode == pmCopy)
          detail::FillPixels(row + part.left, std::size_t(part.right - part.left), p);
        else
          for (int x = part.left; x < part.right; ++x) row[x] = Combine(row[x], p, mode);
      }
    }
  }

  // One pen pixel at path position (x, y): a width x width square whose first
  // column/row lies width/2 before the path.
  void PenDot(int x, int y, int width, Pixel p, TPenMode mode) {
    if (width <= 1) {
      Plot(x, y, p, mode);
      return;
    }
    const int x0 = x - width / 2, y0 = y - width / 2;
    Fill({x0, y0, x0 + width, y0 + width}, p, mode);
  }

  // The pen's stroke from a up to, not including, b. Returns nothing; advances the dash
  // phase by the pixels stepped.
  void PenLine(Point a, Point b) {
    const Pen& pen = c.pen_;
    if (pen.style == psClear || pen.color == clNone) return;
    const long long dx = static_cast<long long>(b.x) - a.x;
    const long long dy = static_cast<long long>(b.y) - a.y;
    if (dx == 0 && dy == 0) return;
    const int width = PenWidth(pen);
    const DashPattern* pattern = width == 1 ? PatternOf(pen.style) : nullptr;
    const Pixel ink = ToPixel(pen.color);
    if (!pattern && width == 1 && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
      Plot(a.x, a.y, ink, pen.mode);  // a one-pixel line is its start point
      return;
    }
    if (!pattern && width == 1 && pen.mode == pmCopy && (dx == 0 || dy == 0)) {
      AxisLine(a, dx, dy, ink);
      return;
    }
    const bool opaqueGaps = c.bkMode_ == bkOpaque && c.bkColor_ != clNone;
    const Pixel gap = ToPixel(c.bkColor_);
    BresenhamLine(a, dx, dy, [&](int x, int y) {
      if (!pattern || DashOn(*pattern, c.dashPhase_))
        PenDot(x, y, width, ink, pen.mode);
      else if (opaqueGaps)
        PenDot(x, y, width, gap, pen.mode);
      if (pattern) c.dashPhase_ = (c.dashPhase_ + 1) % pattern->period;
    });
  }

  // The one-pixel solid path of a horizontal or vertical line (end excluded).
  void AxisLine(Point a, long long dx, long long dy, Pixel ink) {
    if (dy == 0) {
      const long long x0 = dx > 0 ? a.x : static_cast<long long>(a.x) + dx + 1;
      const long long x1 =
          dx > 0 ? static_cast<long long>(a.x) + dx : static_cast<long long>(a.x) + 1;
      Span(a.y, ClampToInt(x0), ClampToInt(x1), ink);
      return;
    }
    const long long y0 = dy > 0 ? a.y : static_cast<long long>(a.y) + dy + 1;
    const long long y1 =
        dy > 0 ? static_cast<long long>(a.y) + dy : static_cast<long long>(a.y) + 1;
    Fill({a.x, ClampToInt(y0), a.x + 1, ClampToInt(y1)}, ink);
  }

  // Steps along the major axis from a; visits every pixel of the line but its end.
  // Only the steps whose major coordinate can reach the clip are walked: the walk jumps
  // straight to the first of them, so a line with far-away ends costs no more than the
  // part that shows.
  template <typename Visit>
  void BresenhamLine(Point a, long long dx, long long dy, Visit visit) {
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const long long minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long majorStart = xMajor ? a.x : a.y;
    const long long minorStart = xMajor ? a.y : a.x;
    const Rect box = clip.BoundingBox();
    const int reach = PenWidth(c.pen_);
    const long long lo = static_cast<long long>(xMajor ? box.left : box.top) - reach;
    const long long hi =
        static_cast<long long>(xMajor ? box.right : box.bottom) + reach;  // exclusive
    // Steps i with lo <= majorStart + majorStep * i < hi.
    long long first = majorStep > 0 ? lo - majorStart : majorStart - (hi - 1);
    long long last = majorStep > 0 ? hi - 1 - majorStart : majorStart - lo;  // inclusive
    first = std::max(first, 0LL);
    last = std::min(last, major - 1);
    if (first > last) {
      SkipDash(major);
      return;
    }
    SkipDash(first);
    // Minor-axis steps taken before step i, and the error term at step i, of the classic
    // incremental form (err = 2*minor - major, step when err > 0).
    const __int128 minorSteps = (__int128(2) * minor * first + major - 1) / (__int128(2) * major);
    __int128 err = __int128(2) * minor * (first + 1) - major - __int128(2) * major * minorSteps;
    long long m = majorStart + majorStep * first;
    long long n = minorStart + minorStep * static_cast<long long>(minorSteps);
    for (long long i = first; i <= last; ++i) {
      const long long x = xMajor ? m : n, y = xMajor ? n : m;
      if (InRange(x, y, box))
        visit(static_cast<int>(x), static_cast<int>(y));
      else
        SkipDash(1);
      if (err > 0) {
        n += minorStep;
        err -= 2 * major;
      }
      err += 2 * minor;
      m += majorStep;
    }
    SkipDash(major - 1 - last);
  }

  // Near the visible area (a wide pen reaches a little beyond its path).
  bool InRange(long long x, long long y, const Rect& box) const {
    const int reach = PenWidth(c.pen_);
    return x >= static_cast<long long>(box.left) - reach &&
           x < static_cast<long long>(box.right) + reach &&
           y >= static_cast<long long>(box.top) - reach &&
           y < static_cast<long long>(box.bottom) + reach;
  }

  void SkipDash(long long remaining) {
    if (const DashPattern* p = PenWidth(c.pen_) == 1 ? PatternOf(c.pen_.style) : nullptr)
      c.dashPhase_ = static_cast<int>((c.dashPhase_ + remaining) % p->period);
  }

  // Even-odd fill of the closed figure; centres on left/top edges in, right/bottom out.
  void FillPolygon(const std::vector<Point>& pts, Pixel p) {
    const Rect box = clip.BoundingBox();
    long long ymin = pts[0].y, ymax = pts[0].y;
    for (const Point& q : pts) {
      ymin = std::min<long long>(ymin, q.y);
      ymax = std::max<long long>(ymax, q.y);
    }
    ymin = std::max<long long>(ymin, box.top);
    ymax = std::min<long long>(ymax, box.bottom);
    std::vector<long long> crossings;
    for (long long y = ymin; y < ymax; ++y) {
      crossings.clear();
      for (std::size_t i = 0; i < pts.size(); ++i) {
        const Point& a = pts[i];
        const Point& b = pts[(i + 1) % pts.size()];
        if (a.y == b.y) continue;
        const Point& top = a.y < b.y ? a : b;
        const Point& bottom = a.y < b.y ? b : a;
        if (y < top.y || y >= bottom.y) continue;
        // First pixel centre at or right of the crossing.
        const long long num = (y - top.y) * (static_cast<long long>(bottom.x) - top.x);
        crossings.push_back(top.x + CeilDiv(num, static_cast<long long>(bottom.y) - top.y));
      }
      std::sort(crossings.begin(), crossings.end());
      for (std::size_t k = 0; k + 1 < crossings.size(); k += 2)
        Span(static_cast<int>(y), ClampToInt(crossings[k]), ClampToInt(crossings[k + 1]), p);
    }
  }

  // Pen outline of a rectangular path with corners (l, t) and (r, b), all inclusive.
  void RectOutline(int l, int t, int r, int b) {
    if (l == r && t == b) {
      if (c.pen_.style != psClear && c.pen_.color != clNone)
        PenDot(l, t, PenWidth(c.pen_), ToPixel(c.pen_.color), c.pen_.mode);
      return;
    }
    PenLine({l, t}, {r, t});
    PenLine({r, t}, {r, b});
    PenLine({r, b}, {l, b});
    PenLine({l, b}, {l, t});
  }

  // Copies src pixels into the device rectangle dst (within the clip); cols and rows give
  // the source column and row of each destination column and row of dst, keep decides
  // which source pixels are copied.
  template <typename Keep>
  void Blit(const Rect& dst, const Surface& src, const std::vector<int>& cols,
            const std::vector<int>& rows, Keep keep) {
    for (const Rect& piece : clip.Rects()) {
      const Rect part = IntersectRect(piece, dst);
      for (int y = part.top; y < part.bottom; ++y) {
        const int sy = rows[static_cast<std::size_t>(y - dst.top)];
        if (sy < 0 || sy >= src.height()) continue;
        const Pixel* from = src.row(sy);
        Pixel* to = s.row(y);
        for (int x = part.left; x < part.right; ++x) {
          const int sx = cols[static_cast<std::size_t>(x - dst.left)];
          if (sx < 0 || sx >= src.width()) continue;
          if (keep(from[sx])) to[x] = from[sx] & 0x00FFFFFF;
        }
      }
    }
  }

  // Draws ink of line (unrotated text space) with its cell's top-left at device (x, y),
  // turned by quarter turns counter-clockwise; the cell is filled with bk when opaque.
  void Text(const detail::TextLine& line, int x, int y, int quarterTurns, Pixel ink, bool opaque,
            Pixel bk) {
    auto place = [&](int u, int v, Pixel p) {
      switch (quarterTurns) {
        case 1:
          Plot(x + v, y - u - 1, p, pmCopy);
          break;
        case 2:
          Plot(x - u - 1, y - v - 1, p, pmCopy);
          break;
        case 3:
          Plot(x - v - 1, y + u, p, pmCopy);
          break;
        default:
          Plot(x + u, y + v, p, pmCopy);
          break;
      }
    };
    if (quarterTurns == 0) {
      if (opaque) Fill({x, y, x + line.width, y + line.height}, bk);
      for (int v = 0; v < line.height; ++v)
        for (int u = 0; u < line.width; ++u)
          if (line.InkAt(u, v)) Plot(x + u, y + v, ink, pmCopy);
      return;
    }
    for (int v = 0; v < line.height; ++v)
      for (int u = 0; u < line.width; ++u) {
        if (line.InkAt(u, v))
          place(u, v, ink);
        else if (opaque)
          place(u, v, bk);
      }
  }
};

Canvas::Canvas(Surface& surface) : surface_(&surface) {}

Point Canvas::ToDevice(Point p) const {
  return {AddClamped(p.x, origin_.x), AddClamped(p.y, origin_.y)};
}

Rect Canvas::ToDevice(const Rect& r) const {
  return {AddClamped(r.left, origin_.x), AddClamped(r.top, origin_.y),
          AddClamped(r.right, origin_.x), AddClamped(r.bottom, origin_.y)};
}

const Region& Canvas::EffectiveClip() const {
  const Size size{surface_->width(), surface_->height()};
  if (size != clipFor_) {
    clip_ = Region(surface_->bounds());
    if (hasClip_) clip_.Intersect(userClip_);
    clipFor_ = size;
  }
  return clip_;
}

Region Canvas::ClipRegion() const { return EffectiveClip(); }

void Canvas::SetClipRegion(const Region& region) {
  hasClip_ = true;
  userClip_ = region;
  clipFor_ = {-1, -1};
}

void Canvas::ClearClipRegion() {
  hasClip_ = false;
  userClip_.Clear();
  clipFor_ = {-1, -1};
}

void Canvas::IntersectClipRect(const Rect& r) {
  Region next = hasClip_ ? userClip_ : Region(surface_->bounds());
  next.Intersect(ToDevice(r));
  SetClipRegion(next);
}

void Canvas::ExcludeClipRect(const Rect& r) {
  Region next = hasClip_ ? userClip_ : Region(surface_->bounds());
  next.Subtract(ToDevice(r));
  SetClipRegion(next);
}

void Canvas::SetFont(const Font& font) {
  font_ = font;
  textColor_ = font.color;
}

Canvas::StateGuard::StateGuard(Canvas& canvas)
    : canvas_(canvas),
      pen_(canvas.pen_),
      brush_(canvas.brush_),
      font_(canvas.font_),
      bkMode_(canvas.bkMode_),
      bkColor_(canvas.bkColor_),
      textColor_(canvas.textColor_),
      penPos_(canvas.penPos_),
      origin_(canvas.origin_),
      hasClip_(canvas.hasClip_),
      userClip_(canvas.userClip_),
      dashPhase_(canvas.dashPhase_) {}

Canvas::StateGuard::~StateGuard() {
  canvas_.pen_ = pen_;
  canvas_.brush_ = brush_;
  canvas_.font_ = font_;
  canvas_.bkMode_ = bkMode_;
  canvas_.bkColor_ = bkColor_;
  canvas_.textColor_ = textColor_;
  canvas_.penPos_ = penPos_;
  canvas_.origin_ = origin_;
  canvas_.hasClip_ = hasClip_;
  canvas_.userClip_ = std::move(userClip_);
  canvas_.clipFor_ = {-1, -1};
  canvas_.dashPhase_ = dashPhase_;
}

COLORREF Canvas::GetPixel(int x, int y) const {
  const Point d = ToDevice(Point{x, y});
  if (!EffectiveClip().Contains(d.x, d.y)) return CLR_INVALID;
  return PixelToColorRef(surface_->pixel(d.x, d.y));
}

void Canvas::SetPixel(int x, int y, TColor c) {
  if (c == clNone) return;
  const Point d = ToDevice(Point{x, y});
  Raster(*this).Plot(d.x, d.y, ToPixel(c), pmCopy);
}

void Canvas::MoveTo(int x, int y) {
  penPos_ = {x, y};
  dashPhase_ = 0;
}

void Canvas::LineTo(int x, int y) {
  Raster(*this).PenLine(ToDevice(penPos_), ToDevice(Point{x, y}));
  penPos_ = {x, y};
}

void Canvas::Polyline(std::span<const Point> points) {
  Raster raster(*this);
  const int savedPhase = dashPhase_;
  dashPhase_ = 0;
  for (std::size_t i = 1; i < points.size(); ++i)
    raster.PenLine(ToDevice(points[i - 1]), ToDevice(points[i]));
  dashPhase_ = savedPhase;
}

void Canvas::Rectangle(int l, int t, int r, int b) {
  const Rect box = ToDevice(Normalised(l, t, r, b));
  if (box.IsEmpty()) return;
  Raster raster(*this);
  const bool brushVisible = brush_.style != bsClear && brush_.color != clNone;
  const bool penVisible = pen_.style != psClear && pen_.color != clNone;
  if (!penVisible) {
    if (brushVisible)
      raster.Fill({box.left, box.top, box.right - 1, box.bottom - 1}, ToPixel(brush_.color));
    return;
  }
  // The path runs on the outermost columns and rows; an inside-frame pen moves it in so
  // the whole stroke stays within the box.
  int pl = box.left, pt = box.top, pr = box.right - 1, pb = box.bottom - 1;
  const int width = PenWidth(pen_);
  if (pen_.style == psInsideFrame && width > 1) {
    pl += width / 2;
    pt += width / 2;
    pr = std::max(pl, pr - (width - 1 - width / 2));
    pb = std::max(pt, pb - (width - 1 - width / 2));
  }
  if (brushVisible) raster.Fill({pl + 1, pt + 1, pr, pb}, ToPixel(brush_.color));
  const int savedPhase = dashPhase_;
  dashPhase_ = 0;
  raster.RectOutline(pl, pt, pr, pb);
  dashPhase_ = savedPhase;
}

void Canvas::FillRect(const Rect& r) {
  if (brush_.style == bsClear) return;
  FillRect(r, brush_.color);
}

void Canvas::FillRect(const Rect& r, TColor c) {
  if (c == clNone || r.IsEmpty()) return;
  Raster(*this).Fill(ToDevice(r), ToPixel(c));
}

void Canvas::FrameRect(const Rect& r) {
  if (brush_.style == bsClear || brush_.color == clNone || r.IsEmpty()) return;
  const Rect d = ToDevice(r);
  const Pixel p = ToPixel(brush_.color);
  Raster raster(*this);
  raster.Fill({d.left, d.top, d.right, d.top + 1}, p);
  raster.Fill({d.left, d.bottom - 1, d.right, d.bottom}, p);
  raster.Fill({d.left, d.top + 1, d.left + 1, d.bottom - 1}, p);
  raster.Fill({d.right - 1, d.top + 1, d.right, d.bottom - 1}, p);
}

void Canvas::Polygon(std::span<const Point> points) {
  if (points.size() < 2) return;
  std::vector<Point> device(points.begin(), points.end());
  for (Point& q : device) q = ToDevice(q);
  Raster raster(*this);
  if (brush_.style != bsClear && brush_.color != clNone && device.size() >= 3)
    raster.FillPolygon(device, ToPixel(brush_.color));
  const int savedPhase = dashPhase_;
  dashPhase_ = 0;
  for (std::size_t i = 0; i < device.size(); ++i)
    raster.PenLine(device[i], device[(i + 1) % device.size()]);
  dashPhase_ = savedPhase;
}

void Canvas::Ellipse(int l, int t, int r, int b) {
  const Rect box = ToDevice(Normalised(l, t, r, b));
  if (box.IsEmpty()) return;
  // Each row's span of pixel centres inside the ellipse that passes through the
  // box's outermost pixel centres; only rows that can be seen are visited.
  const double cx = (double(box.left) + box.right - 1) / 2.0;
  const double cy = (double(box.top) + box.bottom - 1) / 2.0;
  const double rx = (double(box.right) - box.left) / 2.0;
  const double ry = (double(box.bottom) - box.top) / 2.0;
  auto spanOf = [&](long long y, long long& x0, long long& x1) {
    if (y < box.top || y >= box.bottom) return false;
    const double v = (double(y) - cy) / ry;
    const double half = rx * std::sqrt(std::max(0.0, 1.0 - v * v));
    x0 = std::max<long long>(std::llround(std::ceil(cx - half - 0.5 + 1e-9)), box.left);
    x1 = std::min<long long>(std::llround(std::floor(cx + half + 0.5 - 1e-9)), box.right - 1LL);
    return x0 <= x1;
  };
  Raster raster(*this);
  const Rect visible = IntersectRect(box, raster.clip.BoundingBox());
  const int reach = PenWidth(pen_);
  const bool penVisible = pen_.style != psClear && pen_.color != clNone;
  const bool brushVisible = brush_.style != bsClear && brush_.color != clNone;
  const Pixel ink = ToPixel(pen_.color), fill = ToPixel(brush_.color);
  const long long yFrom = std::max<long long>(box.top, static_cast<long long>(visible.top) - reach);
  const long long yTo =
      std::min<long long>(box.bottom, static_cast<long long>(visible.bottom) + reach);
  for (long long y = yFrom; y < yTo; ++y) {
    long long x0 = 0, x1 = -1, a0 = 0, a1 = -1, b0 = 0, b1 = -1;
    if (!spanOf(y, x0, x1)) continue;
    const bool hasAbove = spanOf(y - 1, a0, a1), hasBelow = spanOf(y + 1, b0, b1);
    const long long xFrom = std::max<long long>(x0, static_cast<long long>(visible.left) - reach);
    const long long xTo = std::min<long long>(x1, static_cast<long long>(visible.right) + reach);
    for (long long x = xFrom; x <= xTo; ++x) {
      const bool edge =
          x == x0 || x == x1 || !hasAbove || x < a0 || x > a1 || !hasBelow || x < b0 || x > b1;
      if (edge && penVisible)
        raster.PenDot(static_cast<int>(x), static_cast<int>(y), reach, ink, pen_.mode);
      else if (brushVisible && (!edge || !penVisible))
        raster.Plot(static_cast<int>(x), static_cast<int>(y), fill, pmCopy);
    }
  }
}

void Canvas::BitBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy) {
  if (w <= 0 || h <= 0 || src.empty()) return;
  StretchBlt({x, y, x + w, y + h}, src, {sx, sy, sx + w, sy + h});
}

namespace {

// Source index of destination steps from..to-1 of count: first + floor(i * span / count).
std::vector<int> StretchMap(int first, int span, long long count, long long from, long long to) {
  std::vector<int> map;
  map.reserve(static_cast<std::size_t>(to - from));
  for (long long i = from; i < to; ++i) map.push_back(ClampToInt(first + i * span / count));
  return map;
}

}  // namespace

void Canvas::StretchBlt(const Rect& dst, const Surface& src, const Rect& srcRect) {
  CopyScaled(dst, src, srcRect, false, 0);
}

void Canvas::TransparentBlt(const Rect& dst, const Surface& src, const Rect& srcRect,
                            TColor transparent) {
  // clNone names no colour: then nothing is left out.
  CopyScaled(dst, src, srcRect, transparent != clNone, ToPixel(transparent));
}

void Canvas::CopyScaled(const Rect& dst, const Surface& src, const Rect& srcRect, bool skipColor,
                        Pixel skip) {
  if (dst.IsEmpty() || srcRect.IsEmpty() || src.empty()) return;
  const Rect d = ToDevice(dst);
  // Maps only for the visible part: a huge destination must not cost memory.
  const Rect visible = IntersectRect(d, EffectiveClip().BoundingBox());
  if (visible.IsEmpty()) return;
  const auto cols =
      StretchMap(srcRect.left, srcRect.Width(), static_cast<long long>(d.right) - d.left,
                 visible.left - static_cast<long long>(d.left),
                 visible.right - static_cast<long long>(d.left));
  const auto rows = StretchMap(
      srcRect.top, srcRect.Height(), static_cast<long long>(d.bottom) - d.top,
      visible.top - static_cast<long long>(d.top), visible.bottom - static_cast<long long>(d.top));
  // Copying a surface onto itself would read pixels already written: copy it first.
  const Surface copy = &src == surface_ ? src : Surface();
  const Surface& from = &src == surface_ ? copy : src;
  Raster raster(*this);
  if (skipColor)
    raster.Blit(visible, from, cols, rows, [skip](Pixel p) { return (p & 0x00FFFFFF) != skip; });
  else
    raster.Blit(visible, from, cols, rows, [](Pixel) { return true; });
}

namespace {

int QuarterTurns(int escapement) {
  switch (((escapement % 3600) + 3600) % 3600) {
    case 900:
      return 1;
    case 1800:
      return 2;
    case 2700:
      return 3;
    default:
      return 0;
  }
}

// The visible text of a label with '&' prefixes, and the index of the prefix character.
struct PrefixedText {
  std::u32string text;
  int prefix = -1;
};

PrefixedText StripPrefix(const std::u32string& in) {
  PrefixedText out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != U'&') {
      out.text.push_back(in[i]);
      continue;
    }
    if (i + 1 >= in.size()) break;  // a trailing '&' shows nothing
    ++i;
    if (in[i] != U'&') out.prefix = static_cast<int>(out.text.size());
    out.text.push_back(in[i]);
  }
  return out;
}

std::vector<std::u32string> SplitLines(const std::u32string& text) {
  std::vector<std::u32string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'\r' || text[i] == U'\n') {
      if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
      lines.emplace_back();
    } else {
      lines.back().push_back(text[i]);
    }
  }
  return lines;
}

bool IsIdeograph(char32_t c) { return c >= 0x2E80 && c < 0xFFF0; }

struct WrappedPiece {
  std::size_t start;  // index of the piece's first character in the line
  std::u32string text;
};

// Splits one line into lines no wider than width where it can: after a blank, or on
// either side of an ideograph. A word wider than the whole width stays whole.
std::vector<WrappedPiece> WrapLine(const Font& font, const std::u32string& line, int width) {
  auto& engine = detail::TextEngine::Instance();
  const std::vector<int> advances = engine.Advances(font, line);
  std::vector<WrappedPiece> out;
  std::size_t start = 0;
  while (start < line.size()) {
    int used = 0;
    std::size_t end = start, lastBreak = std::u32string::npos;
    while (end < line.size() && (used + advances[end] <= width || end == start)) {
      used += advances[end];
      ++end;
      if (end < line.size() && (line[end - 1] == U' ' || line[end] == U' ' ||
                                IsIdeograph(line[end - 1]) || IsIdeograph(line[end])))
        lastBreak = end;
    }
    if (end < line.size()) {
      if (lastBreak != std::u32string::npos && lastBreak > start) {
        end = lastBreak;
      } else {
        while (end < line.size() && line[end] != U' ') ++end;  // the word goes on whole
      }
    }
    std::u32string piece = line.substr(start, end - start);
    while (!piece.empty() && piece.back() == U' ') piece.pop_back();
    out.push_back({start, std::move(piece)});
    start = end;
    while (start < line.size() && line[start] == U' ') ++start;  // blanks at a break vanish
  }
  if (out.empty()) out.push_back({0, {}});
  return out;
}

// Cuts text so that it and "..." fit in width; unchanged when it fits already.
std::u32string WithEllipsis(const Font& font, std::u32string text, int width) {
  auto& engine = detail::TextEngine::Instance();
  if (engine.Width(font, text) <= width) return text;
  const std::u32string dots = U"...";
  const int dotsWidth = engine.Width(font, dots);
  const std::vector<int> advances = engine.Advances(font, text);
  int used = 0;
  std::size_t keep = 0;
  while (keep < advances.size() && used + advances[keep] + dotsWidth <= width)
    used += advances[keep++];
  text.resize(keep);
  return text + dots;
}

}  // namespace

void Canvas::TextOut(int x, int y, std::string_view text) {
  if (text.empty()) return;
  const detail::TextLine line = detail::TextEngine::Instance().Render(font_, DecodeCP936(text));
  if (line.width == 0 || textColor_ == clNone) return;
  const bool opaque = bkMode_ == bkOpaque && bkColor_ != clNone;
  const Point d = ToDevice(Point{x, y});
  Raster(*this).Text(line, d.x, d.y, QuarterTurns(font_.escapement), ToPixel(textColor_), opaque,
                     ToPixel(bkColor_));
}

int Canvas::TextWidth(std::string_view text) const { return TextExtent(text).cx; }

int Canvas::TextHeight(std::string_view text) const { return TextExtent(text).cy; }

Size Canvas::TextExtent(std::string_view text) const { return GetTextExtent(font_, text); }

TextMetrics Canvas::GetTextMetrics() const { return gfx::GetTextMetrics(font_); }

int Canvas::DrawText(std::string_view text, Rect& rect, unsigned format) {
  auto& engine = detail::TextEngine::Instance();
  const std::u32string decoded = DecodeCP936(text);
  const int lineHeight = engine.Metrics(font_).height;
  const bool single = format & DT_SINGLELINE;
  std::vector<std::u32string> lines =
      single ? std::vector<std::u32string>{decoded} : SplitLines(decoded);
  std::vector<int> prefixes(lines.size(), -1);
  if (!(format & DT_NOPREFIX))
    for (std::size_t i = 0; i < lines.size(); ++i) {
      PrefixedText stripped = StripPrefix(lines[i]);
      lines[i] = std::move(stripped.text);
      prefixes[i] = stripped.prefix;
    }
  if ((format & DT_WORDBREAK) && !single) {
    std::vector<std::u32string> wrapped;
    std::vector<int> wrappedPrefixes;
    for (std::size_t i = 0; i < lines.size(); ++i)
      for (WrappedPiece& piece : WrapLine(font_, lines[i], rect.right - rect.left)) {
        const long long at =
            static_cast<long long>(prefixes[i]) - static_cast<long long>(piece.start);
        wrappedPrefixes.push_back(prefixes[i] >= 0 && at >= 0 &&
                                          at < static_cast<long long>(piece.text.size())
                                      ? static_cast<int>(at)
                                      : -1);
        wrapped.push_back(std::move(piece.text));
      }
    lines = std::move(wrapped);
    prefixes = std::move(wrappedPrefixes);
  }
  if (format & DT_END_ELLIPSIS)
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::size_t before = lines[i].size();
      lines[i] = WithEllipsis(font_, lines[i], rect.right - rect.left);
      if (lines[i].size() != before && prefixes[i] >= static_cast<int>(lines[i].size()) - 3)
        prefixes[i] = -1;
    }
  std::vector<int> widths;
  int widest = 0;
  for (const auto& line : lines) {
    widths.push_back(engine.Width(font_, line));
    widest = std::max(widest, widths.back());
  }
  const int total = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    rect.right = rect.left + widest;
    rect.bottom = rect.top + total;
    return total;
  }
  int y = rect.top;
  if (single && (format & DT_VCENTER))
    y = rect.top + ((rect.bottom - rect.top) - lineHeight) / 2;
  else if (single && (format & DT_BOTTOM))
    y = rect.bottom - lineHeight;
  StateGuard guard(*this);
  if (!(format & DT_NOCLIP)) IntersectClipRect(rect);
  const bool opaque = bkMode_ == bkOpaque && bkColor_ != clNone;
  for (std::size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
    int x = rect.left;
    if (format & DT_CENTER)
      x = rect.left + ((rect.right - rect.left) - widths[i]) / 2;
    else if (format & DT_RIGHT)
      x = rect.right - widths[i];
    const detail::TextLine line = engine.Render(font_, lines[i], prefixes[i]);
    if (line.width == 0 || textColor_ == clNone) continue;
    const Point d = ToDevice(Point{x, y});
    Raster(*this).Text(line, d.x, d.y, 0, ToPixel(textColor_), opaque, ToPixel(bkColor_));
  }
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y - rect.top;
  return total;
}

}  // namespace gfx
