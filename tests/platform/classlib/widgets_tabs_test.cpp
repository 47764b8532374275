// The tab control: tab geometry for every strip position, image room, hit testing, the
// display rectangle, selection by the user with CanChange / Change, and the selection kept
// sensible while tabs are inserted, deleted and moved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/ComCtrls.h"

namespace {

class TabsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tabs.SetBounds(0, 0, 300, 200);
    Tabs.SetTabStop(false);  // no window is needed for these tests
    for (const char* t : {"One", "Two", "Three"}) Tabs.Tabs()->Add(t);
  }
  int TextWidth(const AnsiString& s) {
    return MeasureText(Tabs.Font(), s, Rect(0, 0, 0, 0), gfx::DT_SINGLELINE | gfx::DT_NOPREFIX).right;
  }
  void ClickAt(int x, int y) {
    Tabs.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Tabs.Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  TTabControl Tabs{nullptr};
};

TEST_F(TabsTest, TabsAreTheirTextPlusPaddingAndTileTheStrip) {
  Tabs.SetTabHeight(20);
  int x = 2;
  for (int i = 0; i < 3; ++i) {
    const int len = TextWidth(Tabs.Tabs()->Strings(i)) + 2 * TCustomTabControl::TabPadding;
    EXPECT_EQ(Tabs.TabRect(i), Rect(x, 2, x + len, 22)) << i;
    x += len;
  }
  EXPECT_EQ(Tabs.RowCount(), 1);
  EXPECT_EQ(Tabs.DisplayRect(), Rect(4, 26, 296, 196));
  EXPECT_EQ(Tabs.TabRect(3), Rect(0, 0, 0, 0));
  EXPECT_EQ(Tabs.TabRect(-1), Rect(0, 0, 0, 0));
}

TEST_F(TabsTest, EveryPositionPutsTheStripOnItsSide) {
  struct Case {
    TTabPosition Position;
    TRect FirstTab;  // with TabWidth 50 and TabHeight 20
    TRect SecondTab;
    TRect Display;
  };
  const Case cases[] = {
      {tpTop, Rect(2, 2, 52, 22), Rect(52, 2, 102, 22), Rect(4, 26, 296, 196)},
      {tpBottom, Rect(2, 178, 52, 198), Rect(52, 178, 102, 198), Rect(4, 4, 296, 174)},
      {tpLeft, Rect(2, 2, 22, 52), Rect(2, 52, 22, 102), Rect(26, 4, 296, 196)},
      {tpRight, Rect(278, 2, 298, 52), Rect(278, 52, 298, 102), Rect(4, 4, 274, 196)},
  };
  Tabs.SetTabWidth(50);
  Tabs.SetTabHeight(20);
  for (const Case& c : cases) {
    Tabs.SetTabPosition(c.Position);
    EXPECT_EQ(Tabs.TabRect(0), c.FirstTab) << int(c.Position);
    EXPECT_EQ(Tabs.TabRect(1), c.SecondTab) << int(c.Position);
    EXPECT_EQ(Tabs.DisplayRect(), c.Display) << int(c.Position);
    // The tab under a point inside each rectangle, and nothing on the page area.
    EXPECT_EQ(Tabs.IndexOfTabAt(c.SecondTab.left, c.SecondTab.top), 1);
    EXPECT_EQ(Tabs.IndexOfTabAt(c.SecondTab.right - 1, c.SecondTab.bottom - 1), 1);
    EXPECT_EQ(Tabs.IndexOfTabAt(150, 100), -1);
  }
}

TEST_F(TabsTest, ImagesReserveRoomWhereTheImageIndexIsSet) {
  TImageList images(nullptr);
  images.SetWidth(16);
  images.SetHeight(12);
  Tabs.OnGetImageIndex = [](TObject*, int tab, int& index) { index = tab == 1 ? -1 : tab; };
  const int plain0 = Tabs.TabRect(0).right - Tabs.TabRect(0).left;
  const int plain1 = Tabs.TabRect(1).right - Tabs.TabRect(1).left;
  Tabs.SetImages(&images);
  EXPECT_EQ(Tabs.TabRect(0).right - Tabs.TabRect(0).left, plain0 + 16);
  EXPECT_EQ(Tabs.TabRect(1).right - Tabs.TabRect(1).left, plain1);  // image index -1
  // Left and right strips reserve the list's height along the tab.
  Tabs.SetTabPosition(tpLeft);
  EXPECT_EQ(Tabs.TabRect(0).bottom - Tabs.TabRect(0).top, plain0 + 12);
  // A list that goes away gives the room back.
  Tabs.SetTabPosition(tpTop);
  Tabs.SetImages(nullptr);
  EXPECT_EQ(Tabs.TabRect(0).right - Tabs.TabRect(0).left, plain0);
}

TEST_F(TabsTest, MultiLineRowsPutTheSelectedRowNextToThePage) {
  Tabs.SetBounds(0, 0, 124, 200);
  Tabs.SetTabWidth(50);
  Tabs.SetTabHeight(20);
  Tabs.SetMultiLine(true);
  Tabs.SetRaggedRight(true);
  // 120 pixels of strip take two tabs a row.
  EXPECT_EQ(Tabs.RowCount(), 2);
  Tabs.SetTabIndex(0);
  EXPECT_EQ(Tabs.TabRect(0), Rect(2, 22, 52, 42));
  EXPECT_EQ(Tabs.TabRect(2), Rect(2, 2, 52, 22));
  Tabs.SetTabIndex(2);
  EXPECT_EQ(Tabs.TabRect(2), Rect(2, 22, 52, 42));
  EXPECT_EQ(Tabs.TabRect(0), Rect(2, 2, 52, 22));
  EXPECT_EQ(Tabs.DisplayRect().top, 46);
  // Without RaggedRight every row is stretched to the strip's length.
  Tabs.SetRaggedRight(false);
  EXPECT_EQ(Tabs.TabRect(2), Rect(2, 22, 122, 42));
  EXPECT_EQ(Tabs.TabRect(1).right, 122);
}

TEST_F(TabsTest, ClicksAskCanChangeBeforeSelecting) {
  std::vector<std::string> events;
  bool allow = true;
  Tabs.OnChanging = [&](TObject*, bool& allowChange) {
    events.push_back("changing " + std::to_string(Tabs.TabIndex()));
    allowChange = allow;
  };
  Tabs.OnChange = [&](TObject*) { events.push_back("change " + std::to_string(Tabs.TabIndex())); };
  Tabs.SetTabIndex(0);
  EXPECT_TRUE(events.empty()) << "setting TabIndex in code fires nothing";

  const TRect second = Tabs.TabRect(1);
  ClickAt(second.left + 3, second.top + 3);
  EXPECT_EQ(Tabs.TabIndex(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"changing 0", "change 1"}));

  events.clear();
  allow = false;
  const TRect third = Tabs.TabRect(2);
  ClickAt(third.left + 3, third.top + 3);
  EXPECT_EQ(Tabs.TabIndex(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"changing 1"}));

  // Clicking the selected tab or the page area asks nothing.
  events.clear();
  allow = true;
  ClickAt(second.left + 3, second.top + 3);
  ClickAt(150, 150);
  EXPECT_TRUE(events.empty());

  // Arrow keys step through the tabs the same way.
  WORD key = VK_RIGHT;
  Tabs.Perform(WM_KEYDOWN, key, 0);
  EXPECT_EQ(Tabs.TabIndex(), 2);
  Tabs.Perform(WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(Tabs.TabIndex(), 2) << "no wrap past the last tab";
  Tabs.Perform(WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(Tabs.TabIndex(), 1);
}

TEST_F(TabsTest, SelectionFollowsTheSelectedTabThroughListChanges) {
  struct Step {
    const char* Name;
    void (*Apply)(TStrings* tabs);
    int Selected;
    const char* SelectedText;  // nullptr: no selection
  };
  const Step steps[] = {
      {"insert before", [](TStrings* t) { t->Insert(0, "Zero"); }, 2, "Two"},
      {"insert after", [](TStrings* t) { t->Add("Four"); }, 2, "Two"},
      {"delete before", [](TStrings* t) { t->Delete(0); }, 1, "Two"},
      {"move selected", [](TStrings* t) { t->Move(1, 3); }, 3, "Two"},
      {"move other over it", [](TStrings* t) { t->Move(0, 3); }, 2, "Two"},
      {"rename selected", [](TStrings* t) { t->SetStrings(2, "Deux"); }, 2, "Deux"},
      {"exchange", [](TStrings* t) { t->Exchange(0, 2); }, 2, "Three"},
      {"delete selected", [](TStrings* t) { t->Delete(2); }, 2, "One"},
      {"delete last selected", [](TStrings* t) { t->Delete(2); }, 1, "Four"},
      {"clear", [](TStrings* t) { t->Clear(); }, -1, nullptr},
  };
  Tabs.SetTabIndex(1);  // "Two"
  for (const Step& s : steps) {
    s.Apply(Tabs.Tabs());
    EXPECT_EQ(Tabs.TabIndex(), s.Selected) << s.Name;
    if (s.SelectedText) {
      EXPECT_EQ(Tabs.Tabs()->Strings(Tabs.TabIndex()), s.SelectedText) << s.Name;
    }
  }
  Tabs.SetTabIndex(5);
  EXPECT_EQ(Tabs.TabIndex(), -1);
}

TEST_F(TabsTest, HighlightFlagsTravelWithTheirTabs) {
  Tabs.SetHighlighted(2, true);
  Tabs.Tabs()->Insert(0, "Zero");
  EXPECT_FALSE(Tabs.Highlighted(2));
  EXPECT_TRUE(Tabs.Highlighted(3));
  Tabs.Tabs()->Delete(3);
  EXPECT_FALSE(Tabs.Highlighted(3));
  EXPECT_FALSE(Tabs.Highlighted(-1));
  Tabs.SetHighlighted(99, true);  // ignored
}

TEST_F(TabsTest, OwnerDrawAsksForEveryTabAndPaintsTheSelectedLast) {
  Tabs.SetOwnerDraw(true);
  Tabs.SetTabIndex(0);
  std::vector<int> drawn;
  std::vector<bool> active;
  Tabs.OnDrawTab = [&](TCustomTabControl*, int index, const TRect& r, bool isActive) {
    drawn.push_back(index);
    active.push_back(isActive);
    EXPECT_GT(r.right, r.left);
  };
  gfx::Surface surface(300, 200);
  gfx::Canvas dc(surface);
  Tabs.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc), 0);
  EXPECT_EQ(drawn, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(active, (std::vector<bool>{false, false, true}));
  // The page frame: a light outer line on the left of the page area.
  EXPECT_EQ(surface.pixel(0, 150), gfx::ColorRefToPixel(gfx::ColorToRGB(clBtnHighlight)));
}

TEST_F(TabsTest, TheSelectedTabOpensIntoThePage) {
  Tabs.SetTabHeight(20);
  Tabs.SetTabIndex(1);
  Tabs.SetColor(clYellow);
  gfx::Surface surface(300, 200);
  gfx::Canvas dc(surface);
  Tabs.Perform(WM_PAINT, reinterpret_cast<WPARAM>(&dc), 0);
  const gfx::Pixel light = gfx::ColorRefToPixel(gfx::ColorToRGB(clBtnHighlight));
  const gfx::Pixel face = gfx::ColorRefToPixel(gfx::ColorToRGB(clYellow));
  const TRect first = Tabs.TabRect(0), second = Tabs.TabRect(1);
  const int x0 = (first.left + first.right) / 2, x1 = (second.left + second.right) / 2;
  // The page frame's top line runs under the other tabs but not under the selected one.
  EXPECT_EQ(surface.pixel(x0, 22), light);
  EXPECT_EQ(surface.pixel(x1, 22), face);
  // The selected tab stands two pixels higher than the others.
  EXPECT_EQ(surface.pixel(x1, 0), light);
  EXPECT_EQ(surface.pixel(x0, 2), light);
  EXPECT_EQ(surface.pixel(x0, 0), face);
}

TEST_F(TabsTest, ChildrenAreAlignedInTheDisplayRect) {
  auto* page = new TCustomControl(&Tabs);
  page->SetParent(&Tabs);
  page->SetAlign(alClient);
  EXPECT_EQ(page->BoundsRect(), Tabs.DisplayRect());
  Tabs.SetTabPosition(tpBottom);
  EXPECT_EQ(page->BoundsRect(), Tabs.DisplayRect());
}

}  // namespace
