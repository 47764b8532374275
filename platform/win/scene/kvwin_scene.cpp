// kvwin-scene OUT.png: a headless top-level window with a few overlapping child windows,
// each painting itself through WM_PAINT, saved as a PNG.
#include <cstdio>
#include <map>

#include "platform/gfx/Canvas.h"
#include "platform/win/Windows.h"

namespace {

constexpr gfx::TColor kTitleColor = 10841658;  // red 58, green 110, blue 165
constexpr gfx::TColor kFormColor = 12825237;   // red 149, green 178, blue 195

enum class Part { Form, Title, Corner, Panel, Line, Triangle };
std::map<HWND, Part> g_parts;

gfx::Rect ClientOf(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  return gfx::Rect{r.left, r.top, r.right, r.bottom};
}

void Solid(gfx::Canvas& c, gfx::TColor color) {
  c.pen().color = color;
  c.pen().style = gfx::psSolid;
  c.pen().mode = gfx::pmCopy;
  c.brush().color = color;
  c.brush().style = gfx::bsSolid;
}

void PaintTitle(gfx::Canvas& c, const gfx::Rect& r) {
  c.FillRect(r, kTitleColor);
  c.SetBkMode(gfx::bkTransparent);
  gfx::Font song;
  song.name = "宋体";
  song.height = -12;
  song.color = gfx::clSilver;
  c.SetFont(song);
  c.TextOut(22, 3, "采购单 - 窗口");
  gfx::Font tahoma;
  tahoma.name = "Tahoma";
  tahoma.height = -11;
  tahoma.color = gfx::clWhite;
  c.SetFont(tahoma);
  c.TextOut(150, 3, "Purchase order 118");
}

// The slanted end of the title bar: title colour above the diagonal, form colour below.
void PaintCorner(gfx::Canvas& c, const gfx::Rect& r) {
  int w = r.Width(), h = r.Height();
  Solid(c, kTitleColor);
  const gfx::Point upper[] = {{0, 0}, {0, h}, {w, 0}};
  c.Polygon(upper);
  Solid(c, kFormColor);
  const gfx::Point lower[] = {{0, h}, {w, h}, {w, 0}};
  c.Polygon(lower);
}

void PaintPanel(gfx::Canvas& c, const gfx::Rect& r) {
  c.FillRect(r, gfx::clWhite);
  c.brush().color = gfx::clGray;
  c.FrameRect(r);
  c.brush().color = kTitleColor;
  c.FrameRect(gfx::Rect{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3});
  c.SetBkMode(gfx::bkTransparent);
  gfx::Font song;
  song.name = "宋体";
  song.height = -12;
  song.color = gfx::clBlack;
  c.SetFont(song);
  c.TextOut(10, 10, "单据编号：CG-0118");
  c.TextOut(10, 28, "供应商：华北机电");
}

void PaintLine(gfx::Canvas& c, const gfx::Rect& r) {
  c.FillRect(r, kFormColor);
  c.pen().color = gfx::clNavy;
  c.pen().width = 1;
  c.MoveTo(0, r.bottom - 1);
  c.LineTo(r.right, 0);
  c.pen().color = gfx::clRed;
  c.MoveTo(0, r.bottom / 2);
  c.LineTo(r.right, r.bottom / 2);
}

void PaintTriangle(gfx::Canvas& c, const gfx::Rect& r) {
  c.FillRect(r, kFormColor);
  Solid(c, gfx::RGB(1, 144, 220));
  c.pen().color = gfx::clBlack;
  const gfx::Point tri[] = {{r.Width() / 2, 2}, {r.Width() - 3, r.Height() - 3}, {2, r.Height() - 3}};
  c.Polygon(tri);
}

LRESULT SceneProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg != WM_PAINT) return DefWindowProcA(h, msg, w, l);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  if (dc) {
    gfx::Rect r = ClientOf(h);
    switch (g_parts[h]) {
      case Part::Form: dc->FillRect(r, kFormColor); break;
      case Part::Title: PaintTitle(*dc, r); break;
      case Part::Corner: PaintCorner(*dc, r); break;
      case Part::Panel: PaintPanel(*dc, r); break;
      case Part::Line: PaintLine(*dc, r); break;
      case Part::Triangle: PaintTriangle(*dc, r); break;
    }
  }
  EndPaint(h, &ps);
  return 0;
}

HWND Make(Part part, HWND parent, int x, int y, int w, int h, DWORD extra = 0) {
  DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE | extra;
  HWND hwnd = CreateWindowExA(0, "KvScene", "", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
  if (hwnd) g_parts[hwnd] = part;
  InvalidateRect(hwnd, nullptr, TRUE);
  return hwnd;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kvwin-scene OUT.png\n");
    return 2;
  }
  KvInitWindowSystem(kvBackendHeadless);
  WNDCLASSA wc{};
  wc.lpfnWndProc = SceneProc;
  wc.lpszClassName = "KvScene";
  if (!RegisterClassA(&wc)) return 1;

  HWND form = Make(Part::Form, nullptr, 0, 0, 360, 220, WS_CLIPCHILDREN);
  HWND title = Make(Part::Title, form, 0, 0, 335, 18);
  Make(Part::Corner, form, 335, 0, 25, 18);
  // The panel is created first and so lies on top of the two windows that overlap it;
  // they clip themselves against it.
  Make(Part::Panel, form, 20, 40, 200, 110, WS_CLIPSIBLINGS);
  Make(Part::Line, form, 180, 90, 150, 100, WS_CLIPSIBLINGS);
  Make(Part::Triangle, form, 120, 130, 90, 70, WS_CLIPSIBLINGS);
  if (!form || !title) return 1;

  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  if (!KvSaveWindowPng(form, argv[1])) {
    std::fprintf(stderr, "kvwin-scene: cannot write %s\n", argv[1]);
    return 1;
  }
  KvShutdownWindowSystem();
  return 0;
}
