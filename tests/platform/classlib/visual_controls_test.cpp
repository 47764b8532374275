// Controls in windows: painting order and clipping, parent colour and font, mouse policy,
// tab order and focus, and exceptions thrown by handlers.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "tests/platform/classlib/visual_fixture.h"

namespace visualtest {
namespace {

class ControlsTest : public VisualTest {
 protected:
  void TearDown() override {
    delete FForm;
    VisualTest::TearDown();
  }
  TForm* MakeForm(int w = 300, int h = 200) {
    FForm = NewEmbeddedForm(FHost, w, h);
    return FForm;
  }
  template <class T>
  T* Add(TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new T(FForm);
    c->SetName(name);
    c->SetBounds(l, t, w, h);
    c->SetParent(parent);
    return c;
  }
  void Click(int x, int y) {
    KvInjectMouse(FHost, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    KvInjectMouse(FHost, WM_LBUTTONUP, x, y, 0);
    Pump();
  }
  void Key(WPARAM vk, bool shift = false) {
    if (shift) KvInjectKey(FHost, WM_KEYDOWN, VK_SHIFT, 0);
    KvInjectKey(FHost, WM_KEYDOWN, vk, 0);
    KvInjectKey(FHost, WM_KEYUP, vk, 0);
    if (shift) KvInjectKey(FHost, WM_KEYUP, VK_SHIFT, 0);
    Pump();
  }
  TForm* FForm = nullptr;
};

TEST_F(ControlsTest, ParentPaintsBeforeItsGraphicAndWindowedChildren) {
  MakeForm();
  std::vector<std::string> log;
  auto* panel = Add<TRecordingControl>(FForm, "panel", 10, 10, 200, 150);
  auto* graphic = Add<TRecordingGraphic>(panel, "graphic", 5, 5, 20, 20);
  auto* inner = Add<TRecordingControl>(panel, "inner", 50, 50, 40, 40);
  panel->Log = graphic->Log = inner->Log = &log;
  FForm->Show();
  KvPaintAll();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "panel");
  // The graphic child is painted inside the panel's paint, right after the panel itself.
  EXPECT_EQ(log[1], "graphic");
  EXPECT_EQ(log[2], "inner");

  log.clear();
  graphic->Invalidate();
  KvPaintAll();
  EXPECT_EQ(log, (std::vector<std::string>{"panel", "graphic"}));
}

TEST_F(ControlsTest, GraphicControlPaintsOnlyInsideItsBoundsAtItsOrigin) {
  MakeForm();
  auto* panel = Add<TRecordingControl>(FForm, "panel", 50, 40, 100, 100);
  panel->Fill = clWhite;
  auto* graphic = Add<TRecordingGraphic>(panel, "graphic", 10, 10, 20, 20);
  graphic->Fill = clRed;
  FForm->Show();
  struct Probe {
    int x, y;
    DWORD rgb;
  };
  const Probe probes[] = {
      {60, 50, 0x0000FF}, {79, 69, 0x0000FF},  // the graphic's corners (host coordinates)
      {59, 50, 0xFFFFFF}, {60, 49, 0xFFFFFF},  // just outside left / top
      {80, 60, 0xFFFFFF}, {70, 70, 0xFFFFFF},  // right and bottom edges excluded
      {51, 41, 0xFFFFFF},
  };
  for (const Probe& p : probes) EXPECT_EQ(KvGetWindowPixel(FHost, p.x, p.y), p.rgb) << p.x << "," << p.y;

  // An invisible graphic control paints nothing.
  graphic->SetVisible(false);
  EXPECT_EQ(KvGetWindowPixel(FHost, 65, 55), 0xFFFFFFu);
}

TEST_F(ControlsTest, ParentColorAndFontFlowDownUntilAChildSetsItsOwn) {
  MakeForm();
  auto* outer = Add<TRecordingControl>(FForm, "outer", 0, 0, 100, 100);
  auto* inner = Add<TRecordingGraphic>(outer, "inner", 0, 0, 10, 10);
  auto* own = Add<TRecordingControl>(outer, "own", 20, 20, 10, 10);
  own->SetColor(clYellow);
  own->Font()->SetName("Tahoma");

  FForm->SetColor(clNavy);
  FForm->Font()->SetHeight(-20);
  EXPECT_EQ(outer->Color(), clNavy);
  EXPECT_EQ(inner->Color(), clNavy);
  EXPECT_EQ(own->Color(), clYellow);
  EXPECT_FALSE(own->ParentColor());
  EXPECT_TRUE(outer->ParentColor());
  EXPECT_EQ(outer->Font()->Height(), -20);
  EXPECT_EQ(inner->Font()->Height(), -20);
  EXPECT_TRUE(inner->ParentFont());
  EXPECT_FALSE(own->ParentFont());
  EXPECT_EQ(own->Font()->Height(), -11);

  // Setting a colour on the middle level cuts it off from the form, not its children.
  outer->SetColor(clTeal);
  FForm->SetColor(clMaroon);
  EXPECT_EQ(outer->Color(), clTeal);
  EXPECT_EQ(inner->Color(), clTeal);

  // Turning ParentColor back on takes the parent's colour at once.
  own->SetParentColor(true);
  EXPECT_EQ(own->Color(), clTeal);

  // A child that joins a parent adopts its colour and font.
  auto* late = Add<TRecordingGraphic>(outer, "late", 0, 0, 5, 5);
  EXPECT_EQ(late->Color(), clTeal);
  EXPECT_EQ(late->Font()->Height(), -20);
}

TEST_F(ControlsTest, DisabledControlsGetNoMouseInputAndClicksMoveTheFocus) {
  MakeForm();
  auto* box = Add<TRecordingControl>(FForm, "box", 10, 10, 100, 80);
  box->SetTabStop(false);
  auto* a = Add<TRecordingControl>(box, "a", 10, 10, 30, 30);
  auto* b = Add<TRecordingControl>(FForm, "b", 150, 10, 30, 30);
  auto* label = Add<TRecordingGraphic>(box, "label", 50, 10, 30, 30);
  int aClicks = 0, boxClicks = 0, labelClicks = 0;
  a->OnClick = [&](TObject*) { ++aClicks; };
  box->OnClick = [&](TObject*) { ++boxClicks; };
  label->OnClick = [&](TObject*) { ++labelClicks; };
  FForm->Show();
  Pump();

  Click(25, 25);  // a, inside box
  EXPECT_EQ(aClicks, 1);
  EXPECT_TRUE(a->Focused());
  Click(165, 25);
  EXPECT_TRUE(b->Focused());
  Click(65, 25);  // the graphic control gets the click through its parent
  EXPECT_EQ(labelClicks, 1);
  EXPECT_EQ(boxClicks, 0);

  a->SetEnabled(false);
  Click(25, 25);
  EXPECT_EQ(aClicks, 1);
  EXPECT_TRUE(b->Focused());
  a->SetEnabled(true);
  box->SetEnabled(false);  // a disabled container blocks its children
  Click(25, 25);
  EXPECT_EQ(aClicks, 1);
  box->SetEnabled(true);

  label->SetEnabled(false);  // a disabled graphic control lets the click fall to its parent
  const int boxBefore = boxClicks;
  Click(65, 25);
  EXPECT_EQ(labelClicks, 1);
  EXPECT_EQ(boxClicks, boxBefore + 1);

  // A press that ends outside the control is no click.
  KvInjectMouse(FHost, WM_LBUTTONDOWN, 25, 25, MK_LBUTTON);
  KvInjectMouse(FHost, WM_LBUTTONUP, 300, 150, 0);
  Pump();
  EXPECT_EQ(aClicks, 1);
}

TEST_F(ControlsTest, MouseEnterAndLeaveReachGraphicChildren) {
  MakeForm();
  auto* box = Add<TRecordingControl>(FForm, "box", 0, 0, 200, 100);
  auto* g = Add<TRecordingGraphic>(box, "g", 50, 0, 50, 50);
  std::vector<std::string> log;
  g->OnMouseEnter = [&](TObject*) { log.push_back("enter"); };
  g->OnMouseLeave = [&](TObject*) { log.push_back("leave"); };
  FForm->Show();
  Pump();
  for (int x : {10, 60, 70, 120}) {
    KvInjectMouse(FHost, WM_MOUSEMOVE, x, 10, 0);
    Pump();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ControlsTest, TabAndShiftTabWalkTheTabOrderAndWrap) {
  MakeForm();
  auto* a = Add<TRecordingControl>(FForm, "a", 0, 0, 20, 20);
  auto* b = Add<TRecordingControl>(FForm, "b", 30, 0, 20, 20);
  auto* box = Add<TRecordingControl>(FForm, "box", 0, 50, 100, 50);
  box->SetTabStop(false);
  auto* inBox = Add<TRecordingControl>(box, "inBox", 5, 5, 20, 20);
  auto* noStop = Add<TRecordingControl>(FForm, "noStop", 60, 0, 20, 20);
  noStop->SetTabStop(false);
  auto* hidden = Add<TRecordingControl>(FForm, "hidden", 90, 0, 20, 20);
  hidden->SetVisible(false);
  auto* c = Add<TRecordingControl>(FForm, "c", 120, 0, 20, 20);
  c->SetTabOrder(0);  // c, a, b, box(inBox), noStop, hidden
  EXPECT_EQ(c->TabOrder(), 0);
  EXPECT_EQ(a->TabOrder(), 1);
  EXPECT_EQ(hidden->TabOrder(), 5);
  FForm->Show();
  a->SetFocus();
  Pump();
  ASSERT_TRUE(a->Focused());

  struct Step {
    bool shift;
    TWinControl* expected;
  };
  const Step steps[] = {{false, b}, {false, inBox}, {false, c}, {false, a}, {true, c}, {true, inBox}, {true, b}};
  for (const Step& s : steps) {
    Key(VK_TAB, s.shift);
    EXPECT_TRUE(s.expected->Focused()) << (s.shift ? "shift+tab to " : "tab to ") << s.expected->Name();
  }
  EXPECT_EQ(FForm->ActiveControl(), b);
  EXPECT_EQ(Screen->ActiveControl(), b);
}

TEST_F(ControlsTest, KeyPreviewFormSeesKeysFirstAndCanMoveTheFocusWithNextDlgCtl) {
  MakeForm();
  auto* a = Add<TRecordingControl>(FForm, "a", 0, 0, 20, 20);
  auto* b = Add<TRecordingControl>(FForm, "b", 30, 0, 20, 20);
  std::vector<std::string> log;
  FForm->SetKeyPreview(true);
  FForm->OnKeyDown = [&](TObject*, WORD& key, TShiftState shift) {
    log.push_back("form");
    if (key == VK_TAB) SendMessageA(FForm->Handle(), WM_NEXTDLGCTL, shift.Contains(ssShift) ? 1 : 0, 0);
    if (key == 'Q') key = 0;  // consumed: the control never sees it
  };
  a->OnKeyDown = [&](TObject*, WORD&, TShiftState) { log.push_back("a"); };
  FForm->Show();
  a->SetFocus();
  Pump();
  // Delivered the way a foreign message loop delivers it: straight to the window.
  SendMessageA(a->Handle(), WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(log, (std::vector<std::string>{"form", "a"}));
  log.clear();
  SendMessageA(a->Handle(), WM_KEYDOWN, 'Q', 0);
  EXPECT_EQ(log, (std::vector<std::string>{"form"}));
  SendMessageA(a->Handle(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_TRUE(b->Focused());  // one step, not two
  SendMessageA(FForm->Handle(), WM_NEXTDLGCTL, 1, 0);
  EXPECT_TRUE(a->Focused());
  SendMessageA(FForm->Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(b->Handle()), 1);
  EXPECT_TRUE(b->Focused());
}

TEST_F(ControlsTest, EnterAndExitFollowTheFocus) {
  MakeForm();
  auto* a = Add<TRecordingControl>(FForm, "a", 0, 0, 20, 20);
  auto* b = Add<TRecordingControl>(FForm, "b", 30, 0, 20, 20);
  std::vector<std::string> log;
  a->OnEnter = [&](TObject*) { log.push_back("enter a"); };
  a->OnExit = [&](TObject*) { log.push_back("exit a"); };
  b->OnEnter = [&](TObject*) { log.push_back("enter b"); };
  FForm->Show();
  a->SetFocus();
  b->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "exit a", "enter b"}));
  // Focusing a control that cannot take the focus is an error.
  a->SetVisible(false);
  EXPECT_THROW(a->SetFocus(), EInvalidOperation);
}

TEST_F(ControlsTest, AHandlerThatThrowsIsReportedAndTheLoopGoesOn) {
  MakeForm();
  auto* a = Add<TRecordingControl>(FForm, "a", 0, 0, 40, 40);
  int clicks = 0;
  a->OnClick = [&](TObject*) {
    ++clicks;
    if (clicks == 1) throw EConvertError("first click failed");
    if (clicks == 2) throw std::runtime_error("second click failed");
    if (clicks == 3) Abort();
  };
  FForm->Show();
  Pump();
  // Alternate corners, so that no two clicks make a double click.
  bool corner = false;
  auto ClickA = [&] {
    corner = !corner;
    Click(corner ? 5 : 35, corner ? 5 : 35);
  };
  ClickA();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Application->LastExceptionMessage(), "first click failed");
  ASSERT_EQ(FShown.size(), 1u);
  EXPECT_EQ(FShown[0], "first click failed.");

  ClickA();  // the message loop goes on
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Application->LastExceptionMessage(), "second click failed");

  ClickA();  // the silent exception is not shown
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(FShown.size(), 2u);

  // With OnException assigned, it gets the exception and nothing is shown.
  std::vector<AnsiString> handled;
  Application->OnException = [&](TObject* sender, Exception* e) {
    EXPECT_EQ(sender, a);
    handled.push_back(e->Message());
  };
  a->OnClick = [&](TObject*) { throw Exception("handled"); };
  ClickA();
  EXPECT_EQ(handled, (std::vector<AnsiString>{"handled"}));
  EXPECT_EQ(FShown.size(), 2u);
  // Even a throwing OnException does not escape.
  Application->OnException = [&](TObject*, Exception*) { throw std::logic_error("again"); };
  ClickA();
  ClickA();
}

TEST_F(ControlsTest, FreeingAControlDetachesItAndItsChildren) {
  MakeForm();
  auto* box = Add<TRecordingControl>(FForm, "box", 0, 0, 100, 100);
  auto* a = Add<TRecordingControl>(box, "a", 0, 0, 20, 20);
  FForm->Show();
  a->SetFocus();
  Pump();
  HWND boxWnd = box->Handle(), aWnd = a->Handle();
  const int before = FForm->ComponentCount();
  delete box;  // frees a with it
  EXPECT_EQ(FForm->ControlCount(), 0);
  EXPECT_EQ(FForm->ComponentCount(), before - 2);
  EXPECT_FALSE(IsWindow(boxWnd));
  EXPECT_FALSE(IsWindow(aWnd));
  EXPECT_EQ(FForm->ActiveControl(), nullptr);
  EXPECT_EQ(Screen->ActiveControl(), nullptr);
  Pump();
}

TEST_F(ControlsTest, ParentingRulesAreEnforced) {
  MakeForm();
  auto* box = Add<TRecordingControl>(FForm, "box", 0, 0, 100, 100);
  auto* inner = Add<TRecordingControl>(box, "inner", 0, 0, 10, 10);
  EXPECT_THROW(box->SetParent(box), EInvalidOperation);
  EXPECT_THROW(box->SetParent(inner), EInvalidOperation);
  inner->SetParent(FForm);
  EXPECT_EQ(box->ControlCount(), 0);
  EXPECT_EQ(inner->Parent(), FForm);
  EXPECT_EQ(GetParentForm(inner), FForm);
}

}  // namespace
}  // namespace visualtest
