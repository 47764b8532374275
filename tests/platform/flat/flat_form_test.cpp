// A title-bar form read from its resource: nested panels docked to every edge, a splitter, a
// scroll box, labels, paint boxes and flat speed buttons. Its bounds tile each container, it
// paints parents before children, Tab and Shift+Tab walk its windowed controls in tab order,
// and a speed button clicked through the window system fires its handler.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Resources.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/flat/TFlatSpeedButtonUnit.h"
#include "tests/platform/classlib/visual_fixture.h"

namespace visualtest {
namespace {

std::vector<std::string> gPaints;

// A panel that notes each of its paints.
class TLoggingPanel : public TPanel {
  KV_CLASS(TLoggingPanel, TPanel)
 public:
  explicit TLoggingPanel(TComponent* owner) : TPanel(owner) {}

 protected:
  void Paint() override {
    gPaints.push_back(Name());
    TPanel::Paint();
  }
};

class TTitleTestForm : public TForm {
  KV_CLASS(TTitleTestForm, TForm)
 public:
  explicit TTitleTestForm(TComponent* owner) : TForm(owner) {}
  TLoggingPanel* pnlTitle = nullptr;
  TFlatSpeedButton* btnClose = nullptr;
  TPaintBox* pbCorner = nullptr;
  TSplitter* splMain = nullptr;
  TLoggingPanel* pnlSide = nullptr;
  TLabel* lblName = nullptr;
  TRecordingControl* edtA = nullptr;
  TScrollBox* scrlbx = nullptr;
  TRecordingControl* edtB = nullptr;
  TRecordingControl* edtC = nullptr;
  TPaintBox* pbBody = nullptr;
  int Closes = 0;

  void btnCloseClick(TObject*) { ++Closes; }
  void pbPaint(TObject* sender) {
    auto* box = static_cast<TPaintBox*>(sender);
    gPaints.push_back(box->Name());
    box->Canvas()->Brush()->SetColor(clRed);
    box->Canvas()->FillRect(Rect(0, 0, box->Width(), box->Height()));
  }

  static void Publish(TPublisher<TTitleTestForm>& p) {
    KV_PUBLISHED_FIELD(p, TTitleTestForm, pnlTitle);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, btnClose);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, pbCorner);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, splMain);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, pnlSide);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, lblName);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, edtA);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, scrlbx);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, edtB);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, edtC);
    KV_PUBLISHED_FIELD(p, TTitleTestForm, pbBody);
    KV_PUBLISHED_METHOD(p, TTitleTestForm, btnCloseClick);
    KV_PUBLISHED_METHOD(p, TTitleTestForm, pbPaint);
  }
};

constexpr const char* kTitleFormText = R"(object frmTitle: TTitleTestForm
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  BorderStyle = bsNone
  Color = 12825237
  KeyPreview = True
  object pnlTitle: TLoggingPanel
    Left = 0
    Top = 0
    Width = 300
    Height = 18
    Align = alTop
    BevelOuter = bvNone
    Color = 10841658
    TabOrder = 0
    object pnlRight: TLoggingPanel
      Left = 275
      Top = 0
      Width = 25
      Height = 18
      Align = alRight
      BevelOuter = bvNone
      ParentColor = True
      object pbCorner: TPaintBox
        Left = 0
        Top = 0
        Width = 25
        Height = 18
        Align = alClient
        OnPaint = pbPaint
      end
    end
    object pnlLeft: TLoggingPanel
      Left = 0
      Top = 0
      Width = 20
      Height = 18
      Align = alLeft
      BevelOuter = bvNone
      ParentColor = True
    end
    object pnlBtns: TLoggingPanel
      Left = 218
      Top = 0
      Width = 57
      Height = 18
      Align = alRight
      BevelOuter = bvNone
      ParentColor = True
      object pnlClose: TLoggingPanel
        Left = 39
        Top = 0
        Width = 18
        Height = 18
        Align = alRight
        BevelOuter = bvNone
        ParentColor = True
        object btnClose: TFlatSpeedButton
          Left = 2
          Top = 0
          Width = 16
          Height = 16
          ColorFocused = 14454785
          ColorDown = 14454785
          ColorBorder = clBackground
          ColorHighLight = clBackground
          ColorShadow = clBackground
          OnClick = btnCloseClick
        end
      end
    end
    object pnlMid: TLoggingPanel
      Left = 20
      Top = 0
      Width = 198
      Height = 18
      Align = alClient
      Alignment = taLeftJustify
      BevelOuter = bvNone
      Caption = 'Window'
      ParentColor = True
    end
  end
  object splMain: TSplitter
    Left = 100
    Top = 18
    Width = 5
    Height = 162
    MinSize = 20
    AutoSnap = False
    Color = 13031385
  end
  object pnlSide: TLoggingPanel
    Left = 0
    Top = 18
    Width = 100
    Height = 162
    Align = alLeft
    BevelOuter = bvLowered
    TabOrder = 2
    object lblName: TLabel
      Left = 8
      Top = 8
      Caption = '&Name'
      FocusControl = edtA
    end
    object edtA: TRecordingControl
      Left = 8
      Top = 30
      Width = 80
      Height = 20
      TabOrder = 0
    end
  end
  object scrlbx: TScrollBox
    Left = 105
    Top = 18
    Width = 195
    Height = 162
    Align = alClient
    BorderStyle = bsNone
    TabOrder = 1
    object edtB: TRecordingControl
      Left = 10
      Top = 10
      Width = 80
      Height = 20
      TabOrder = 1
    end
    object edtC: TRecordingControl
      Left = 10
      Top = 40
      Width = 80
      Height = 20
      TabOrder = 0
    end
    object pbBody: TPaintBox
      Left = 100
      Top = 10
      Width = 50
      Height = 50
      OnPaint = pbPaint
    end
  end
  object pnlStatus: TLoggingPanel
    Left = 0
    Top = 180
    Width = 300
    Height = 20
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 3
  end
end
)";

class TitleFormTest : public VisualTest {
 protected:
  void SetUp() override {
    VisualTest::SetUp();
    RegisterExtCtrlsClasses();
    RegisterFlatSpeedButtonClasses();
    RegisterClasses({TTitleTestForm::StaticClass(), TLoggingPanel::StaticClass(), TRecordingControl::StaticClass(),
                     TScrollBox::StaticClass()});
    RegisterResource("TTitleTestForm", "flat_form_test", kTitleFormText);
    gPaints.clear();
    FForm = Create<TTitleTestForm>(nullptr);
    FForm->SetParentWindow(FHost);
  }
  void TearDown() override {
    delete FForm;
    VisualTest::TearDown();
  }
  void Key(WPARAM vk, bool shift) {
    if (shift) KvInjectKey(FHost, WM_KEYDOWN, VK_SHIFT, 0);
    KvInjectKey(FHost, WM_KEYDOWN, vk, 0);
    KvInjectKey(FHost, WM_KEYUP, vk, 0);
    if (shift) KvInjectKey(FHost, WM_KEYUP, VK_SHIFT, 0);
    Pump();
  }
  TControl* Find(const char* name) { return dynamic_cast<TControl*>(FForm->FindComponent(name)); }
  TTitleTestForm* FForm = nullptr;
};

// Docked children of CONTAINER cover its client area exactly, without overlapping.
void ExpectDockedChildrenTile(TWinControl* container, TRect client) {
  std::vector<TRect> rects;
  long long area = 0;
  for (int i = 0; i < container->ControlCount(); ++i) {
    const TControl* c = container->Controls(i);
    if (!c->Visible() || c->Align() == alNone) continue;
    rects.push_back(c->BoundsRect());
    area += (long long)(c->Width()) * c->Height();
  }
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const TRect& a = rects[i];
      const TRect& b = rects[j];
      const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
      EXPECT_FALSE(overlap) << container->Name() << ": children " << i << " and " << j;
    }
  for (const TRect& r : rects) {
    EXPECT_GE(r.left, client.left) << container->Name();
    EXPECT_GE(r.top, client.top) << container->Name();
    EXPECT_LE(r.right, client.right) << container->Name();
    EXPECT_LE(r.bottom, client.bottom) << container->Name();
  }
  EXPECT_EQ(area, (long long)(client.right - client.left) * (client.bottom - client.top)) << container->Name();
}

TEST_F(TitleFormTest, DockedControlsTileEveryContainer) {
  ASSERT_NE(FForm->pnlTitle, nullptr);
  ASSERT_NE(FForm->btnClose, nullptr);
  ExpectDockedChildrenTile(FForm, FForm->ClientRect());
  ExpectDockedChildrenTile(FForm->pnlTitle, FForm->pnlTitle->ClientRect());
  auto* btns = dynamic_cast<TWinControl*>(Find("pnlBtns"));
  ASSERT_NE(btns, nullptr);

  struct Expect {
    const char* Name;
    TRect Bounds;
  };
  const Expect expects[] = {
      {"pnlTitle", Rect(0, 0, 300, 18)},  {"pnlRight", Rect(275, 0, 300, 18)}, {"pnlBtns", Rect(218, 0, 275, 18)},
      {"pnlLeft", Rect(0, 0, 20, 18)},    {"pnlMid", Rect(20, 0, 218, 18)},    {"pnlClose", Rect(39, 0, 57, 18)},
      {"pbCorner", Rect(0, 0, 25, 18)},   {"pnlSide", Rect(0, 18, 100, 180)},  {"splMain", Rect(100, 18, 105, 180)},
      {"scrlbx", Rect(105, 18, 300, 180)}, {"pnlStatus", Rect(0, 180, 300, 200)}, {"btnClose", Rect(2, 0, 18, 16)},
  };
  for (const Expect& e : expects) {
    TControl* c = Find(e.Name);
    ASSERT_NE(c, nullptr) << e.Name;
    EXPECT_EQ(c->BoundsRect(), e.Bounds) << e.Name;
  }
  // Child panels take their parent's colour; the label fits its text after loading.
  EXPECT_EQ(Find("pnlMid")->Color(), 10841658);
  EXPECT_EQ(FForm->lblName->Width(), MeasureText(FForm->lblName->Font(), "&Name", Rect(0, 0, 0, 0), 0).right);
  EXPECT_EQ(FForm->lblName->FocusControl(), FForm->edtA);
  EXPECT_EQ(FForm->splMain->FindResizeControl(), FForm->pnlSide);

  // Resizing the form docks everything again.
  FForm->SetBounds(0, 0, 360, 240);
  ExpectDockedChildrenTile(FForm, FForm->ClientRect());
  EXPECT_EQ(Find("pnlRight")->BoundsRect(), Rect(335, 0, 360, 18));
}

TEST_F(TitleFormTest, ParentsPaintBeforeTheirChildren) {
  FForm->Show();
  KvPaintAll();
  auto position = [&](const std::string& name) {
    auto it = std::find(gPaints.begin(), gPaints.end(), name);
    return it == gPaints.end() ? -1 : int(it - gPaints.begin());
  };
  struct Pair {
    const char* Parent;
    const char* Child;
  };
  const Pair pairs[] = {{"pnlTitle", "pnlRight"}, {"pnlRight", "pbCorner"}, {"pnlTitle", "pnlBtns"},
                        {"pnlBtns", "pnlClose"},  {"pnlTitle", "pnlMid"},   {"pnlTitle", "pnlLeft"}};
  for (const Pair& p : pairs) {
    ASSERT_GE(position(p.Parent), 0) << p.Parent;
    ASSERT_GE(position(p.Child), 0) << p.Child;
    EXPECT_LT(position(p.Parent), position(p.Child)) << p.Parent << " before " << p.Child;
  }
  EXPECT_GE(position("pbBody"), 0);
  // What ends up on the screen: the title colour, the paint box on top of its panel, the
  // splitter's own colour, the lowered bevel of the side panel.
  EXPECT_EQ(KvGetWindowPixel(FHost, 100, 8), 0xA56E3Au);
  EXPECT_EQ(KvGetWindowPixel(FHost, 290, 8), 0x0000FFu);
  EXPECT_EQ(KvGetWindowPixel(FHost, 102, 100), 13031385u);
  EXPECT_EQ(KvGetWindowPixel(FHost, 0, 100), DWORD(ColorToRGB(clBtnShadow)));
}

TEST_F(TitleFormTest, TabAndShiftTabFollowTheTabOrder) {
  FForm->Show();
  Pump();
  FForm->edtA->SetFocus();
  Pump();
  ASSERT_TRUE(FForm->edtA->Focused());
  // The form's own order puts the scroll box (1) before the side panel (2); inside the
  // scroll box edtC (0) comes before edtB (1).
  TWinControl* const forward[] = {FForm->scrlbx, FForm->edtC, FForm->edtB, FForm->edtA};
  for (TWinControl* expected : forward) {
    Key(VK_TAB, false);
    EXPECT_TRUE(expected->Focused()) << expected->Name();
  }
  TWinControl* const backward[] = {FForm->edtB, FForm->edtC, FForm->scrlbx, FForm->edtA};
  for (TWinControl* expected : backward) {
    Key(VK_TAB, true);
    EXPECT_TRUE(expected->Focused()) << expected->Name();
  }
}

TEST_F(TitleFormTest, SpeedButtonClicksOnlyWhenReleasedOverIt) {
  FForm->Show();
  Pump();
  // btnClose lies at (259, 0) .. (275, 16) in the host window.
  KvInjectMouse(FHost, WM_MOUSEMOVE, 265, 8, 0);
  KvInjectMouse(FHost, WM_LBUTTONDOWN, 265, 8, MK_LBUTTON);
  Pump();
  EXPECT_EQ(FForm->btnClose->State(), TFlatButtonState::Down);
  KvInjectMouse(FHost, WM_LBUTTONUP, 265, 8, 0);
  Pump();
  EXPECT_EQ(FForm->Closes, 1);

  KvInjectMouse(FHost, WM_LBUTTONDOWN, 265, 8, MK_LBUTTON);
  KvInjectMouse(FHost, WM_MOUSEMOVE, 200, 100, MK_LBUTTON);
  KvInjectMouse(FHost, WM_LBUTTONUP, 200, 100, 0);
  Pump();
  EXPECT_EQ(FForm->Closes, 1);
  EXPECT_NE(FForm->btnClose->State(), TFlatButtonState::Down);
}

TEST_F(TitleFormTest, LabelAcceleratorFocusesItsControl) {
  FForm->Show();
  Pump();
  FForm->edtB->SetFocus();
  Pump();
  EXPECT_EQ(FForm->lblName->Perform(CM_DIALOGCHAR, 'n', 0), 1);
  Pump();
  EXPECT_TRUE(FForm->edtA->Focused());
  EXPECT_EQ(FForm->lblName->Perform(CM_DIALOGCHAR, 'x', 0), 0);
}

}  // namespace
}  // namespace visualtest
