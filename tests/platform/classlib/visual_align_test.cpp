// Docking of aligned children: order of the edges, order along an edge, what is left over.
#include <gtest/gtest.h>

#include "platform/classlib/Controls.h"
#include "tests/platform/classlib/visual_fixture.h"

namespace visualtest {
namespace {

struct AlignCase {
  const char* name;
  TRect client;
  std::vector<TAlignSlot> in;
  int moving;
  std::vector<TRect> out;
};

std::string Show(const TRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

TEST(AlignSlots, DocksEdgesInFixedOrderAndStacksAlongEachEdge) {
  const TRect client = Rect(0, 0, 200, 100);
  const std::vector<AlignCase> cases = {
      {"top then client", client,
       {{alTop, Bounds(5, 5, 50, 20), true}, {alClient, Bounds(0, 0, 1, 1), true}}, -1,
       {Rect(0, 0, 200, 20), Rect(0, 20, 200, 100)}},
      // Two tops created in reverse order: the one nearer the top edge goes first.
      {"two tops by position", client,
       {{alTop, Bounds(0, 30, 10, 10), true}, {alTop, Bounds(0, 0, 10, 20), true}}, -1,
       {Rect(0, 20, 200, 30), Rect(0, 0, 200, 20)}},
      // Tops and bottoms span the full width; left and right only the height between them.
      {"top, bottom, left, right, client", client,
       {{alClient, Bounds(0, 0, 0, 0), true},
        {alRight, Bounds(0, 0, 30, 0), true},
        {alLeft, Bounds(0, 0, 40, 0), true},
        {alBottom, Bounds(0, 0, 0, 15), true},
        {alTop, Bounds(0, 0, 0, 10), true}},
       -1,
       {Rect(40, 10, 170, 85), Rect(170, 10, 200, 85), Rect(0, 10, 40, 85), Rect(0, 85, 200, 100),
        Rect(0, 0, 200, 10)}},
      {"bottoms stack upwards by bottom edge", client,
       {{alBottom, Bounds(0, 50, 10, 10), true}, {alBottom, Bounds(0, 80, 10, 20), true}}, -1,
       {Rect(0, 70, 200, 80), Rect(0, 80, 200, 100)}},
      {"rights stack leftwards by right edge", client,
       {{alRight, Bounds(100, 0, 10, 5), true}, {alRight, Bounds(150, 0, 50, 5), true}}, -1,
       {Rect(140, 0, 150, 100), Rect(150, 0, 200, 100)}},
      {"two clients overlap", client,
       {{alLeft, Bounds(0, 0, 20, 0), true}, {alClient, Bounds(0, 0, 0, 0), true}, {alClient, Bounds(9, 9, 9, 9), true}},
       -1, {Rect(0, 0, 20, 100), Rect(20, 0, 200, 100), Rect(20, 0, 200, 100)}},
      // An invisible child keeps its bounds and takes no room.
      {"invisible takes no room", client,
       {{alTop, Bounds(1, 2, 3, 40), false}, {alTop, Bounds(0, 0, 0, 10), true}}, -1,
       {Bounds(1, 2, 3, 40), Rect(0, 0, 200, 10)}},
      // Equal positions: the control being moved goes first, else list order.
      {"tie goes to the moving control", client,
       {{alLeft, Bounds(0, 0, 10, 0), true}, {alLeft, Bounds(0, 0, 30, 0), true}}, 1,
       {Rect(30, 0, 40, 100), Rect(0, 0, 30, 100)}},
      {"tie in list order", client,
       {{alLeft, Bounds(0, 0, 10, 0), true}, {alLeft, Bounds(0, 0, 30, 0), true}}, -1,
       {Rect(0, 0, 10, 100), Rect(10, 0, 40, 100)}},
      // More docked than there is room: edges may overlap, the client gets an empty area.
      {"overfull", Rect(0, 0, 50, 30),
       {{alTop, Bounds(0, 0, 0, 20), true}, {alBottom, Bounds(0, 0, 0, 20), true}, {alClient, Bounds(0, 0, 0, 0), true}},
       -1, {Rect(0, 0, 50, 20), Rect(0, 10, 50, 30), Rect(0, 20, 50, 20)}},
      {"none and custom untouched", client,
       {{alNone, Bounds(7, 7, 7, 7), true}, {alCustom, Bounds(8, 8, 8, 8), true}}, -1,
       {Bounds(7, 7, 7, 7), Bounds(8, 8, 8, 8)}},
  };
  for (const AlignCase& c : cases) {
    std::vector<TAlignSlot> slots = c.in;
    AlignSlots(c.client, slots, c.moving);
    ASSERT_EQ(slots.size(), c.out.size()) << c.name;
    for (size_t i = 0; i < slots.size(); ++i)
      EXPECT_EQ(Show(slots[i].Bounds), Show(c.out[i])) << c.name << " slot " << i;
  }
}

// Docked visible children tile the client area: no overlap, and together with the client
// child they cover it exactly.
TEST(AlignSlots, DockedChildrenTileTheClientArea) {
  const TAlign kinds[] = {alTop, alBottom, alLeft, alRight};
  for (int seed = 0; seed < 64; ++seed) {
    std::vector<TAlignSlot> slots;
    for (int i = 0; i < 6; ++i) {
      const TAlign a = kinds[(seed * 7 + i * 3) % 4];
      slots.push_back({a, Bounds((seed * 13 + i * 5) % 40, (seed * 11 + i * 7) % 40, 5 + (seed + i) % 9, 4 + (seed * i) % 7), true});
    }
    slots.push_back({alClient, Bounds(0, 0, 0, 0), true});
    const TRect client = Rect(0, 0, 120, 90);
    AlignSlots(client, slots);
    long long area = 0;
    for (size_t i = 0; i < slots.size(); ++i) {
      const TRect& a = slots[i].Bounds;
      EXPECT_GE(a.left, client.left);
      EXPECT_GE(a.top, client.top);
      EXPECT_LE(a.right, client.right);
      EXPECT_LE(a.bottom, client.bottom);
      area += (long long)(a.right - a.left) * (a.bottom - a.top);
      for (size_t j = i + 1; j < slots.size(); ++j) {
        const TRect& b = slots[j].Bounds;
        const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
        EXPECT_FALSE(overlap) << "seed " << seed << ": " << Show(a) << " and " << Show(b);
      }
    }
    EXPECT_EQ(area, 120LL * 90) << "seed " << seed;
  }
}

class AlignControlsTest : public VisualTest {};

// The same rules on real controls: docking follows resizes, visibility and Align changes.
TEST_F(AlignControlsTest, ParentReDocksOnResizeVisibilityAndAlignChanges) {
  TForm* form = NewEmbeddedForm(FHost, 200, 100);
  auto* top = new TRecordingControl(form);
  auto* left = new TRecordingGraphic(form);
  auto* client = new TRecordingControl(form);
  top->SetHeight(20);
  left->SetWidth(30);
  top->SetParent(form);
  left->SetParent(form);
  client->SetParent(form);
  client->SetAlign(alClient);
  left->SetAlign(alLeft);
  top->SetAlign(alTop);
  EXPECT_EQ(Show(top->BoundsRect()), Show(Rect(0, 0, 200, 20)));
  EXPECT_EQ(Show(left->BoundsRect()), Show(Rect(0, 20, 30, 100)));
  EXPECT_EQ(Show(client->BoundsRect()), Show(Rect(30, 20, 200, 100)));

  form->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(Show(top->BoundsRect()), Show(Rect(0, 0, 300, 20)));
  EXPECT_EQ(Show(client->BoundsRect()), Show(Rect(30, 20, 300, 150)));

  top->SetVisible(false);
  EXPECT_EQ(Show(left->BoundsRect()), Show(Rect(0, 0, 30, 150)));
  EXPECT_EQ(Show(client->BoundsRect()), Show(Rect(30, 0, 300, 150)));

  left->SetAlign(alRight);
  EXPECT_EQ(Show(left->BoundsRect()), Show(Rect(270, 0, 300, 150)));
  EXPECT_EQ(Show(client->BoundsRect()), Show(Rect(0, 0, 270, 150)));

  // A docked window follows in the window system too.
  form->Show();
  Pump();
  RECT r{};
  GetClientRect(client->Handle(), &r);
  EXPECT_EQ(r.right, 270);
  EXPECT_EQ(r.bottom, 150);
  delete form;
}

TEST_F(AlignControlsTest, AnchoredChildrenKeepTheirDistanceToAnchoredEdges) {
  TForm* form = NewEmbeddedForm(FHost, 200, 100);
  auto* rightBottom = new TRecordingControl(form);
  auto* stretched = new TRecordingControl(form);
  auto* plain = new TRecordingControl(form);
  rightBottom->SetBounds(150, 60, 40, 30);
  rightBottom->SetAnchors({akRight, akBottom});
  stretched->SetBounds(10, 10, 100, 20);
  stretched->SetAnchors({akLeft, akTop, akRight});
  plain->SetBounds(5, 5, 10, 10);
  for (TControl* c : std::vector<TControl*>{rightBottom, stretched, plain}) c->SetParent(form);
  form->SetBounds(0, 0, 250, 140);
  EXPECT_EQ(Show(rightBottom->BoundsRect()), Show(Bounds(200, 100, 40, 30)));
  EXPECT_EQ(Show(stretched->BoundsRect()), Show(Bounds(10, 10, 150, 20)));
  EXPECT_EQ(Show(plain->BoundsRect()), Show(Bounds(5, 5, 10, 10)));
  delete form;
}

}  // namespace
}  // namespace visualtest
