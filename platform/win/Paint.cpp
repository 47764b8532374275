// Update regions, visible regions, WM_PAINT synthesis, BeginPaint/EndPaint and window DCs.
#include <algorithm>

#include "platform/gfx/Image.h"
#include "platform/win/Backend.h"
#include "platform/win/WinInternal.h"

namespace kvwin {
namespace {

enum class Children { Default, All, None };

struct DcRecord {
  std::unique_ptr<gfx::Canvas> canvas;
  HWND hwnd;
};
std::vector<DcRecord> g_dcs;
int g_paintWindows = 0;  // windows whose update region is not empty (or want an internal paint)

gfx::Rect ClientRect(const Window* w) { return gfx::Rect{0, 0, w->Width(), w->Height()}; }

gfx::Rect InTop(const Window* w) {
  POINT o = OriginInTop(w);
  return gfx::Rect{o.x, o.y, o.x + w->Width(), o.y + w->Height()};
}

void Invalidate(Window* w, const gfx::Region& clientRgn, bool erase, Children mode) {
  if (!IsVisibleChain(w)) return;
  gfx::Region r = clientRgn;
  r.Intersect(ClientRect(w));
  if (r.IsEmpty()) return;
  w->update.Union(r);
  if (erase) w->erasePending = true;
  UpdatePaintCount(w);
  if (mode == Children::None) return;
  if (mode == Children::Default && (w->style & WS_CLIPCHILDREN)) return;
  for (Window* c : w->children) {
    if (!c->Visible()) continue;
    gfx::Region cr = r;
    cr.Offset(-c->rect.left, -c->rect.top);
    Invalidate(c, cr, erase, mode);
  }
}

Window* FirstToPaint(Window* w) {
  if (w->paintCounted) {
    if (IsVisibleChain(w)) return w;
    ValidateTree(w);  // hidden windows are not painted; they are repainted when shown
    return nullptr;
  }
  for (Window* c : w->children)
    if (Window* hit = FirstToPaint(c)) return hit;
  return nullptr;
}

gfx::Canvas* NewCanvas(Window* w, const gfx::Region& clip) {
  Window* top = TopOf(w);
  EnsureSurface(top);
  auto canvas = std::make_unique<gfx::Canvas>(*top->surface);
  POINT o = OriginInTop(w);
  canvas->SetOrigin(o.x, o.y);
  canvas->SetClipRegion(clip);
  gfx::Canvas* raw = canvas.get();
  g_dcs.push_back(DcRecord{std::move(canvas), w->handle});
  top->surfaceDirty = true;
  return raw;
}

bool FreeCanvas(HDC dc) {
  auto it = std::find_if(g_dcs.begin(), g_dcs.end(),
                         [dc](const DcRecord& r) { return r.canvas.get() == dc; });
  if (it == g_dcs.end()) return false;
  g_dcs.erase(it);
  return true;
}

// Sends WM_PAINT to w; validates it if the procedure did not, so painting always ends.
void PaintOne(Window* w) {
  HWND h = w->handle;
  SendMessageA(h, WM_PAINT, 0, 0);
  if (Window* again = FromHandle(h); again && again->paintCounted) {
    again->update.Clear();
    again->internalPaint = false;
    UpdatePaintCount(again);
  }
}

bool PaintSubtree(Window* w) {
  HWND h = w->handle;
  if (w->paintCounted && IsVisibleChain(w)) PaintOne(w);
  Window* again = FromHandle(h);
  if (!again) return false;
  std::vector<HWND> kids;
  for (Window* c : again->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FromHandle(k)) PaintSubtree(c);
  return true;
}

}  // namespace

void UpdatePaintCount(Window* w) {
  bool want = !w->destroyed && (!w->update.IsEmpty() || w->internalPaint);
  if (want == w->paintCounted) return;
  w->paintCounted = want;
  g_paintWindows += want ? 1 : -1;
  AddPending(want ? 1 : -1);
}

void InvalidateTree(Window* w, const gfx::Region& clientRgn, bool erase, bool allChildren) {
  Invalidate(w, clientRgn, erase, allChildren ? Children::All : Children::Default);
}

void InvalidateAll(Window* w, bool erase) {
  Invalidate(w, gfx::Region(ClientRect(w)), erase, Children::All);
}

void ValidateTree(Window* w) {
  w->update.Clear();
  w->erasePending = false;
  w->internalPaint = false;
  UpdatePaintCount(w);
  for (Window* c : w->children) ValidateTree(c);
}

Window* NextWindowToPaint() {
  if (g_paintWindows == 0) return nullptr;
  std::vector<Window*> tops = TopLevels();
  for (Window* t : tops)
    if (Window* w = FirstToPaint(t)) return w;
  return nullptr;
}

// The part of w's client area that can be seen, in top-level (surface) coordinates: within
// every ancestor, minus siblings above each window of the chain that clips its siblings,
// minus w's own children when it clips them.
gfx::Region VisibleRegion(const Window* w, bool clipOwnChildren) {
  if (!IsVisibleChain(w)) return gfx::Region();
  gfx::Region r(InTop(w));
  for (const Window* c = w; c->parent; c = c->parent) {
    const Window* p = c->parent;
    r.Intersect(InTop(p));
    if (!(c->style & WS_CLIPSIBLINGS)) continue;
    auto it = std::find(p->children.begin(), p->children.end(), c);
    for (++it; it != p->children.end(); ++it)
      if ((*it)->Visible()) r.Subtract(InTop(*it));
  }
  if (clipOwnChildren)
    for (const Window* c : w->children)
      if (c->Visible()) r.Subtract(InTop(c));
  const Window* top = w;
  while (top->parent) top = top->parent;
  r.Intersect(gfx::Rect{0, 0, top->Width(), top->Height()});
  return r;
}

void EnsureSurface(Window* top) {
  if (!top->surface) {
    top->surface = std::make_unique<gfx::Surface>(top->Width(), top->Height());
    top->surface->fill(gfx::ColorRefToPixel(gfx::GetSysColor(gfx::COLOR_WINDOW)));
  } else if (top->surface->width() != top->Width() || top->surface->height() != top->Height()) {
    top->surface->resize(top->Width(), top->Height());
  }
}

void PresentDirty() {
  std::vector<Window*> tops = TopLevels();
  for (Window* t : tops) {
    if (!t->surfaceDirty) continue;
    t->surfaceDirty = false;
    if (t->Visible()) CurrentBackend().Present(t);
  }
}

void ReleaseCanvasesOf(Window* w) {
  g_dcs.erase(std::remove_if(g_dcs.begin(), g_dcs.end(),
                             [w](const DcRecord& r) { return r.hwnd == w->handle; }),
              g_dcs.end());
}

void ReleaseAllCanvases() { g_dcs.clear(); }

}  // namespace kvwin

using namespace kvwin;

namespace {

gfx::Region RegionOf(const Window* w, const RECT* rect) {
  if (!rect) return gfx::Region(gfx::Rect{0, 0, w->Width(), w->Height()});
  return gfx::Region(gfx::Rect{rect->left, rect->top, rect->right, rect->bottom});
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!hwnd) {
    std::vector<Window*> tops = TopLevels();
    for (Window* t : tops) InvalidateAll(t, erase);
    return TRUE;
  }
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  Invalidate(w, RegionOf(w, rect), erase != FALSE, Children::Default);
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  if (!rect) {
    w->update.Clear();
    w->erasePending = false;
    w->internalPaint = false;
  } else {
    w->update.Subtract(RegionOf(w, rect).BoundingBox());
  }
  UpdatePaintCount(w);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  gfx::Rect b = w->update.BoundingBox();
  if (rect) *rect = RECT{b.left, b.top, b.right, b.bottom};
  return w->update.IsEmpty() ? FALSE : TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  Window* w = FromHandle(hwnd);
  if (!w || region) return FALSE;
  Children mode = (flags & RDW_ALLCHILDREN) ? Children::All
                  : (flags & RDW_NOCHILDREN) ? Children::None
                                             : Children::Default;
  if (flags & RDW_INVALIDATE) Invalidate(w, RegionOf(w, rect), (flags & RDW_ERASE) != 0, mode);
  if (flags & RDW_VALIDATE) ValidateRect(hwnd, rect);
  if ((flags & RDW_INTERNALPAINT) && IsVisibleChain(w)) {
    w->internalPaint = true;
    UpdatePaintCount(w);
  }
  if (flags & RDW_NOINTERNALPAINT) {
    w->internalPaint = false;
    UpdatePaintCount(w);
  }
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(hwnd);
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return FALSE;
  PaintSubtree(w);
  PresentDirty();
  return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  Window* w = FromHandle(hwnd);
  if (!w || !ps) return nullptr;
  gfx::Region paint = w->update;
  paint.Intersect(gfx::Rect{0, 0, w->Width(), w->Height()});
  gfx::Rect box = paint.BoundingBox();
  POINT o = OriginInTop(w);
  paint.Offset(o.x, o.y);
  paint.Intersect(VisibleRegion(w, (w->style & WS_CLIPCHILDREN) != 0));
  bool erase = w->erasePending;
  w->update.Clear();
  w->erasePending = false;
  w->internalPaint = false;
  UpdatePaintCount(w);

  *ps = PAINTSTRUCT{};
  gfx::Canvas* canvas = NewCanvas(w, paint);
  ps->hdc = canvas;
  ps->rcPaint = RECT{box.left, box.top, box.right, box.bottom};
  if (erase) {
    LRESULT erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas), 0);
    if (!FromHandle(hwnd)) {
      ps->hdc = nullptr;
      return nullptr;  // destroyed while erasing; its canvases are gone
    }
    ps->fErase = erased ? FALSE : TRUE;
  }
  return canvas;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps || !ps->hdc) return FALSE;
  return FreeCanvas(ps->hdc) ? TRUE : FALSE;
}

HDC GetDC(HWND hwnd) {
  Window* w = FromHandle(hwnd);
  if (!w) return nullptr;
  return NewCanvas(w, VisibleRegion(w, (w->style & WS_CLIPCHILDREN) != 0));
}

int ReleaseDC(HWND, HDC dc) { return dc && FreeCanvas(dc) ? 1 : 0; }

void KvPaintAll() {
  // Each round paints one window and validates it, so this ends unless painting keeps
  // invalidating; the cap keeps even that from hanging the caller.
  for (int guard = 0; guard < 100000; ++guard) {
    Window* w = NextWindowToPaint();
    if (!w) break;
    PaintOne(w);
  }
  PresentDirty();
}

BOOL KvSaveWindowPng(HWND top, const char* path) {
  Window* w = FromHandle(top);
  if (!w || !path) return FALSE;
  KvPaintAll();
  w = TopOf(FromHandle(top));
  if (!w) return FALSE;
  EnsureSurface(w);
  return gfx::SavePng(*w->surface, path) ? TRUE : FALSE;
}

DWORD KvGetWindowPixel(HWND top, int x, int y) {
  Window* w = FromHandle(top);
  if (!w) return 0xFFFFFFFF;
  KvPaintAll();
  w = TopOf(FromHandle(top));
  if (!w) return 0xFFFFFFFF;
  EnsureSurface(w);
  if (x < 0 || y < 0 || x >= w->surface->width() || y >= w->surface->height()) return 0xFFFFFFFF;
  return gfx::PixelToColorRef(w->surface->pixel(x, y));
}
