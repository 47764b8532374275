// Update regions, paint order, clipping of overlapping windows, erasing, saving.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Image.h"
#include "tests/platform/win/WinTest.h"

namespace wintest {
namespace {

class PaintTest : public WinTest {
 protected:
  // Makes h paint its whole client area in colour c (a COLORREF) on every WM_PAINT.
  void PaintsWith(HWND h, DWORD c) {
    Handlers()[h] = [c](HWND w, UINT m, WPARAM, LPARAM, LRESULT* out) {
      if (m != WM_PAINT) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      RECT r;
      GetClientRect(w, &r);
      if (dc) dc->FillRect(gfx::Rect{r.left, r.top, r.right, r.bottom}, gfx::TColor(c));
      EndPaint(w, &ps);
      *out = 0;
      return true;
    };
  }
  DWORD Pixel(HWND top, int x, int y) { return KvGetWindowPixel(top, x, y); }
};

constexpr DWORD kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kGrey = 0x808080;

TEST_F(PaintTest, ParentsPaintBeforeChildren) {
  HWND t = Top(0, 0, 60, 60);
  HWND a = Child(t, 0, 0, 30, 30);
  HWND b = Child(t, 20, 20, 30, 30);
  HWND g = Child(a, 0, 0, 10, 10);
  Pump();
  std::vector<HWND> order;
  for (const Event& e : Seen(WM_PAINT)) order.push_back(e.hwnd);
  // b was created after a, so it is below a and paints first among the siblings.
  EXPECT_EQ(order, (std::vector<HWND>{t, b, a, g}));
  ClearLog();
  Pump();
  EXPECT_TRUE(Seen(WM_PAINT).empty());
}

TEST_F(PaintTest, InvalidationAccumulatesIntoOnePaint) {
  HWND t = Top(0, 0, 100, 100);
  Pump();
  ClearLog();
  RECT r1{10, 10, 20, 20}, r2{50, 40, 60, 70};
  InvalidateRect(t, &r1, FALSE);
  InvalidateRect(t, &r2, FALSE);
  RECT u;
  ASSERT_TRUE(GetUpdateRect(t, &u, FALSE));
  EXPECT_EQ((std::vector<LONG>{u.left, u.top, u.right, u.bottom}), (std::vector<LONG>{10, 10, 60, 70}));
  RECT seen{};
  Handlers()[t] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT* out) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    seen = ps.rcPaint;
    EndPaint(h, &ps);
    *out = 0;
    return true;
  };
  Pump();
  EXPECT_EQ(Seen(WM_PAINT).size(), 1u);
  EXPECT_EQ((std::vector<LONG>{seen.left, seen.top, seen.right, seen.bottom}), (std::vector<LONG>{10, 10, 60, 70}));
  EXPECT_FALSE(GetUpdateRect(t, &u, FALSE));
  // Validating part of it leaves the rest.
  InvalidateRect(t, nullptr, FALSE);
  RECT left{0, 0, 50, 100};
  ValidateRect(t, &left);
  ASSERT_TRUE(GetUpdateRect(t, &u, FALSE));
  EXPECT_EQ(u.left, 50);
}

TEST_F(PaintTest, CanvasIsTranslatedToTheClientOriginAndClippedToAncestors) {
  HWND t = Top(0, 0, 40, 40);
  PaintsWith(t, kGrey);
  HWND c = Child(t, 10, 10, 20, 20);
  PaintsWith(c, kRed);
  HWND g = Child(c, 15, 15, 20, 20);  // sticks out of c by 15 pixels each way
  PaintsWith(g, kBlue);
  EXPECT_EQ(Pixel(t, 9, 9), kGrey);
  EXPECT_EQ(Pixel(t, 10, 10), kRed);
  EXPECT_EQ(Pixel(t, 25, 25), kBlue);
  EXPECT_EQ(Pixel(t, 29, 29), kBlue);
  EXPECT_EQ(Pixel(t, 30, 30), kGrey);  // outside c: the grandchild is clipped away
  EXPECT_EQ(Pixel(t, 35, 26), kGrey);
}

// a (0,0)-(20,20) is created first and so lies above b (10,10)-(30,30).
struct OverlapCase {
  const char* what;
  DWORD aStyle, bStyle, parentStyle;
  UINT repaint;  // 0: repaint b only; RDW_*: parent repainted with these flags
  DWORD overlap, insideA, insideB;
};

class OverlapTest : public PaintTest, public ::testing::WithParamInterface<OverlapCase> {};

TEST_P(OverlapTest, OverlappingChildrenClipAsTheirStylesSay) {
  const OverlapCase& c = GetParam();
  HWND t = Top(0, 0, 40, 40, kPlain, WS_POPUP | WS_VISIBLE | c.parentStyle);
  PaintsWith(t, kGrey);
  HWND a = Child(t, 0, 0, 20, 20, c.aStyle);
  HWND b = Child(t, 10, 10, 20, 20, c.bStyle);
  PaintsWith(a, kRed);
  PaintsWith(b, kGreen);
  KvPaintAll();
  if (c.repaint == 0)
    InvalidateRect(b, nullptr, TRUE);
  else
    RedrawWindow(t, nullptr, nullptr, c.repaint);
  EXPECT_EQ(Pixel(t, 15, 15), c.overlap) << c.what;
  EXPECT_EQ(Pixel(t, 5, 5), c.insideA) << c.what;
  EXPECT_EQ(Pixel(t, 25, 25), c.insideB) << c.what;
  EXPECT_EQ(Pixel(t, 35, 5), kGrey) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Styles, OverlapTest,
    ::testing::Values(
        OverlapCase{"b repaints over a without clip-siblings", 0, 0, 0, 0, kGreen, kRed, kGreen},
        OverlapCase{"b clips the sibling above it", 0, WS_CLIPSIBLINGS, 0, 0, kRed, kRed, kGreen},
        OverlapCase{"parent without clip-children paints over children", 0, 0, 0,
                    RDW_INVALIDATE | RDW_NOCHILDREN, kGrey, kGrey, kGrey},
        OverlapCase{"parent with clip-children leaves children alone", 0, 0, WS_CLIPCHILDREN,
                    RDW_INVALIDATE | RDW_NOCHILDREN, kRed, kRed, kGreen},
        OverlapCase{"invalidating the parent repaints the children too", 0, 0, 0,
                    RDW_INVALIDATE, kRed, kRed, kGreen}));

TEST_F(PaintTest, EraseIsSentFromBeginPaintAndNonZeroDeclinesIt) {
  struct Case {
    const char* what;
    const char* cls;
    int answer;  // -1: DefWindowProc; else the handler's answer
    DWORD pixel;
    BOOL fErase;
  };
  const Case cases[] = {
      {"class brush, default erase", kBrush, -1, 0xFFFFFF, FALSE},
      {"class brush, handler declines", kBrush, 1, kBlue, FALSE},
      {"class brush, handler says not erased", kBrush, 0, kBlue, TRUE},
      {"no brush, default does nothing", kPlain, -1, kBlue, TRUE},
  };
  for (const Case& c : cases) {
    HWND t = Top(0, 0, 20, 20, kPlain, WS_POPUP | WS_VISIBLE);
    PaintsWith(t, kBlue);
    HWND w = Child(t, 0, 0, 20, 20, 0, c.cls);
    KvPaintAll();
    HDC dc = GetDC(t);  // everything blue to begin with (t does not clip its child)
    dc->FillRect(gfx::Rect{0, 0, 20, 20}, gfx::TColor(kBlue));
    ReleaseDC(t, dc);
    BOOL fErase = -1;
    bool erased = false;
    Handlers()[w] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT* out) {
      if (m == WM_ERASEBKGND) {
        erased = true;
        if (c.answer < 0) return false;
        *out = c.answer;
        return true;
      }
      if (m != WM_PAINT) return false;
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      fErase = ps.fErase;
      EndPaint(h, &ps);
      *out = 0;
      return true;
    };
    InvalidateRect(w, nullptr, TRUE);
    EXPECT_EQ(Pixel(t, 5, 5), c.pixel) << c.what;
    EXPECT_TRUE(erased) << c.what;
    EXPECT_EQ(fErase, c.fErase) << c.what;
    // Without the erase flag no WM_ERASEBKGND is sent.
    erased = false;
    InvalidateRect(w, nullptr, FALSE);
    KvPaintAll();
    EXPECT_FALSE(erased) << c.what;
    DestroyWindow(t);
  }
}

TEST_F(PaintTest, HiddenWindowsAreNotPaintedUntilShown) {
  HWND t = Top(0, 0, 30, 30);
  HWND c = CreateWindowExA(0, kPlain, "", WS_CHILD, 0, 0, 10, 10, t, nullptr, nullptr, nullptr);
  Pump();
  ClearLog();
  InvalidateRect(c, nullptr, TRUE);
  EXPECT_FALSE(KvMessagesPending());
  ShowWindow(c, SW_SHOW);
  EXPECT_TRUE(KvMessagesPending());
  Pump();
  EXPECT_EQ(Seen(WM_PAINT, c).size(), 1u);
  EXPECT_EQ(Seen(WM_SHOWWINDOW, c).size(), 1u);
}

TEST_F(PaintTest, UpdateWindowPaintsAtOnceAndMovingRepaintsWhatWasUnder) {
  HWND t = Top(0, 0, 60, 30);
  PaintsWith(t, kGrey);
  HWND c = Child(t, 0, 0, 20, 20);
  PaintsWith(c, kRed);
  KvPaintAll();
  ClearLog();
  InvalidateRect(c, nullptr, TRUE);
  UpdateWindow(c);
  EXPECT_EQ(Seen(WM_PAINT, c).size(), 1u);
  EXPECT_FALSE(KvMessagesPending());
  MoveWindow(c, 30, 0, 20, 20, TRUE);
  EXPECT_EQ(Pixel(t, 5, 5), kGrey);
  EXPECT_EQ(Pixel(t, 35, 5), kRed);
}

TEST_F(PaintTest, GetDCDrawsOnTheVisiblePartAndSavedPngHasThePixels) {
  HWND t = Top(0, 0, 30, 20);
  PaintsWith(t, kGrey);
  HWND c = Child(t, 5, 5, 10, 10);
  PaintsWith(c, kRed);
  KvPaintAll();
  HDC dc = GetDC(t);
  ASSERT_NE(dc, nullptr);
  dc->FillRect(gfx::Rect{0, 0, 30, 20}, gfx::TColor(kGreen));  // parent without clip-children
  EXPECT_EQ(ReleaseDC(t, dc), 1);
  EXPECT_EQ(ReleaseDC(t, dc), 0);
  EXPECT_EQ(Pixel(t, 7, 7), kGreen);

  std::string path = testing::TempDir() + "kvwin_paint_test_" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(KvSaveWindowPng(t, path.c_str()));
  gfx::Surface s;
  ASSERT_TRUE(gfx::LoadPng(path, s));
  EXPECT_EQ(s.width(), 30);
  EXPECT_EQ(s.height(), 20);
  EXPECT_EQ(gfx::PixelToColorRef(s.pixel(1, 1)), kGreen);
  std::remove(path.c_str());
  EXPECT_FALSE(KvSaveWindowPng(t, "/nonexistent-dir/x.png"));
}

TEST_F(PaintTest, AProcedureThatNeverValidatesCannotHangThePaintAll) {
  HWND t = Top(0, 0, 10, 10);
  Handlers()[t] = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* out) {
    *out = 0;
    return m == WM_PAINT;
  };
  KvPaintAll();
  EXPECT_FALSE(KvMessagesPending());
}

}  // namespace
}  // namespace wintest
