// Splitter drags: the neighbour on the splitter's side resizes, MinSize holds on both sides,
// AutoSnap collapses, OnMoved fires only for a change.
#include <gtest/gtest.h>

#include "platform/classlib/ExtCtrls.h"

namespace {

// A 300 x 200 panel holding: left pane (100 wide), a splitter after it, and a client pane.
struct SplitterFixture {
  TPanel Parent{nullptr};
  TPanel* Pane = nullptr;
  TSplitter* Splitter = nullptr;
  TPanel* Rest = nullptr;
  int Moved = 0;

  explicit SplitterFixture(TAlign align, int minSize = 30, bool autoSnap = true) {
    Parent.SetBounds(0, 0, 300, 200);
    Parent.SetBevelOuter(bvNone);
    const bool horizontal = align == alLeft || align == alRight;
    Pane = new TPanel(&Parent);
    Pane->SetBounds(align == alRight ? 200 : 0, align == alBottom ? 100 : 0, horizontal ? 100 : 300,
                    horizontal ? 200 : 100);
    Pane->SetAlign(align);
    Pane->SetParent(&Parent);
    Splitter = new TSplitter(&Parent);
    Splitter->SetAlign(align);
    Splitter->SetBounds(align == alLeft ? 100 : align == alRight ? 197 : 0,
                        align == alTop ? 100 : align == alBottom ? 97 : 0, horizontal ? 3 : 300,
                        horizontal ? 200 : 3);
    Splitter->SetParent(&Parent);
    Splitter->SetMinSize(minSize);
    Splitter->SetAutoSnap(autoSnap);
    Splitter->SetResizeStyle(rsUpdate);
    Splitter->OnMoved = [this](TObject*) { ++Moved; };
    Rest = new TPanel(&Parent);
    Rest->SetAlign(alClient);
    Rest->SetParent(&Parent);
  }

  int PaneSize() const {
    return Splitter->Align() == alLeft || Splitter->Align() == alRight ? Pane->Width() : Pane->Height();
  }
  // Presses at the splitter's middle and moves the pointer DELTA along the axis.
  void Drag(int delta, bool release = true) {
    const bool horizontal = Splitter->Align() == alLeft || Splitter->Align() == alRight;
    const int x = 1, y = 1;
    Splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    // Coordinates are the splitter's own at the time of each message.
    const int startLeft = Splitter->Left(), startTop = Splitter->Top();
    auto move = [&](int d) {
      const int mx = horizontal ? x + startLeft + d - Splitter->Left() : x;
      const int my = horizontal ? y : y + startTop + d - Splitter->Top();
      Splitter->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(mx, my));
      return std::pair{mx, my};
    };
    move(delta / 2);
    auto [mx, my] = move(delta);
    if (release) Splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(mx, my));
  }
};

TEST(SplitterTest, FindsTheNeighbourOnItsSide) {
  for (TAlign align : {alLeft, alRight, alTop, alBottom}) {
    SplitterFixture f(align);
    EXPECT_EQ(f.Splitter->FindResizeControl(), f.Pane) << int(align);
  }
}

TEST(SplitterTest, DragResizesTheNeighbourForEachEdge) {
  struct Case {
    TAlign Align;
    int Delta, Expected;
  };
  // Growing means moving away from the pane's edge: right / down for left / top panes.
  const Case cases[] = {{alLeft, 40, 140}, {alLeft, -40, 60},  {alRight, -40, 140}, {alRight, 30, 70},
                        {alTop, 25, 125},  {alTop, -50, 50},   {alBottom, -30, 130}, {alBottom, 20, 80}};
  for (const Case& c : cases) {
    SplitterFixture f(c.Align);
    f.Drag(c.Delta);
    EXPECT_EQ(f.PaneSize(), c.Expected) << int(c.Align) << " " << c.Delta;
    EXPECT_EQ(f.Splitter->FindResizeControl(), f.Pane) << "the splitter stays next to its pane";
    EXPECT_EQ(f.Moved, 1);
  }
}

TEST(SplitterTest, MinSizeHoldsOnBothSides) {
  // Without snapping the pane stops at MinSize.
  SplitterFixture blocked(alLeft, 30, false);
  blocked.Drag(-90);
  EXPECT_EQ(blocked.Pane->Width(), 30);
  // The free area beyond the splitter keeps MinSize too: 300 - 3 - 30 = 267 at most.
  SplitterFixture wide(alLeft, 30, false);
  wide.Drag(250);
  EXPECT_EQ(wide.Pane->Width(), 267);
  EXPECT_EQ(wide.Rest->Width(), 30);

  // With AutoSnap a pane dragged below MinSize collapses.
  SplitterFixture snapping(alLeft, 30, true);
  snapping.Drag(-80);
  EXPECT_EQ(snapping.Pane->Width(), 0);
}

TEST(SplitterTest, ResizesOnReleaseUnlessLive) {
  SplitterFixture f(alLeft);
  f.Splitter->SetResizeStyle(rsPattern);
  f.Drag(30, /*release=*/false);
  EXPECT_EQ(f.Pane->Width(), 100);
  f.Splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(31, 1));
  EXPECT_EQ(f.Pane->Width(), 130);
  EXPECT_EQ(f.Moved, 1);

  // A press and release without moving changes nothing and reports nothing.
  f.Splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  f.Splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(f.Moved, 1);

  // OnCanResize can refuse.
  f.Splitter->OnCanResize = [](TObject*, int&, bool& accept) { accept = false; };
  f.Drag(20);
  EXPECT_EQ(f.Pane->Width(), 130);
}

TEST(SplitterTest, WithoutANeighbourADragDoesNothing) {
  TPanel parent(nullptr);
  parent.SetBounds(0, 0, 100, 100);
  auto* splitter = new TSplitter(&parent);
  splitter->SetParent(&parent);
  splitter->SetLeft(50);
  splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  splitter->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 1));
  splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(20, 1));
  EXPECT_EQ(splitter->FindResizeControl(), nullptr);
}

}  // namespace
