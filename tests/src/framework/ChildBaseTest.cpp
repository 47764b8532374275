// The child form base: its resource, the host-message handlers, the title bar and the hooks.
#include <string>
#include <vector>

#include "src/framework/ChildBase.h"
#include "src/protocol/KvProtocol.h"
#include "tests/src/framework/child_fixture.h"

namespace childtest {
namespace {

TChildStyle MakeStyle(bool showTitle) {
  TChildStyle s{};
  s.ShowTitle = showTitle ? 1 : 0;
  s.TitleColor = 0x00203040;
  s.FormColor = 0x00A0B0C0;
  return s;
}

TEST_F(ChildFormTest, FreshFormComesFromItsResource) {
  TTestChild* form = NewShownForm();
  EXPECT_EQ(form->ModuleId(), 0);
  EXPECT_EQ(form->EditState(), esInitial);
  EXPECT_EQ(form->SizeCommand(), SC_RESTORE);
  EXPECT_TRUE(form->ShowTitle());
  EXPECT_TRUE(form->pnlFormTitle->Visible());
  EXPECT_EQ(form->pnlFormTitle->Height(), 18);
  EXPECT_EQ(form->pnlFormTitle->Top(), 0);
  EXPECT_NE(form->Protocol(), nullptr);
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_EQ(form->Color(), TColor(12825237));
  // Only the close button: the resource's border icons hold the system menu alone.
  EXPECT_TRUE(form->pnlFormTitleCloseBtn->Visible());
  EXPECT_FALSE(form->pnlFormTitleMaxBtn->Visible());
  EXPECT_FALSE(form->pnlFormTitleMinBtn->Visible());
  // The title bar's parts dock from both ends: corner at the right edge, buttons left of it.
  EXPECT_EQ(form->pnlFormTileRight->Left() + form->pnlFormTileRight->Width(), form->ClientWidth());
  EXPECT_EQ(form->pnlFormTileRight->Width(), 25);
  EXPECT_EQ(form->pnlFormTitleBtn->Left() + 57, form->pnlFormTileRight->Left());
  EXPECT_EQ(form->pnlFormTitleLeft->Width(), 20);
  EXPECT_EQ(form->pbTitleRight->Width(), 25);
  EXPECT_EQ(form->pbTitleRight->Height(), 18);
}

TEST_F(ChildFormTest, ShowCopiesTheCaptionIntoTheTitleBar) {
  TTestChild* form = NewShownForm();
  form->Hide();
  EXPECT_EQ(form->pnlFormTileMid->Caption(), "frmChildBase");
  form->SetCaption("采购单");
  form->Show();
  EXPECT_EQ(form->pnlFormTileMid->Caption(), "采购单");
  Send(WM_CHILD_HIDE);
  EXPECT_FALSE(form->Visible());
  form->SetCaption("B");
  Send(WM_CHILD_SHOW);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->pnlFormTileMid->Caption(), "B");
}

TEST_F(ChildFormTest, ContextTextSetsTheKeys) {
  struct Step {
    const char* text;  // null: a null text pointer
    const char* moduleKey;
    const char* queryKey;
  };
  const std::vector<std::vector<Step>> cases = {
      {{"A:B", "A", "B"}, {"C:D", "A", "D"}, {"X", "A", "X"}, {":", "A", ""}},
      {{"X", "", "X"}, {"A:B", "A", "B"}},
      {{":Q", "", "Q"}, {"M:N:O", "M", "N:O"}},
      {{nullptr, "", ""}, {"A:B", "A", "B"}, {nullptr, "A", ""}},
  };
  TShareContext context{};
  for (const auto& steps : cases) {
    SCOPED_TRACE(steps.front().text ? steps.front().text : "null");
    delete FForm;
    FForm = nullptr;
    NewShownForm();
    for (const Step& step : steps) {
      KvContextText text(step.text ? step.text : "");
      LPARAM l = step.text ? text.lparam() : 0;
      EXPECT_EQ(Send(WM_CHILD_SETCONTEXT, reinterpret_cast<WPARAM>(&context), l), 0);
      EXPECT_EQ(FForm->ModuleKey(), step.moduleKey);
      EXPECT_EQ(FForm->QueryKey(), step.queryKey);
    }
    EXPECT_EQ(ShareContext, &context);
  }
}

TEST_F(ChildFormTest, ContextTextIsReadByItsLengthPrefix) {
  NewShownForm();
  // The bytes after the prefixed length are not part of the text.
  KvContextText text(std::string("AB:CD\0EF", 8));
  Send(WM_CHILD_SETCONTEXT, 0, text.lparam());
  EXPECT_EQ(FForm->ModuleKey(), "AB");
  EXPECT_EQ(FForm->QueryKey(), std::string("CD\0EF", 5));
}

TEST_F(ChildFormTest, CloseRequestsFollowCanCloseChild) {
  struct Case {
    UINT msg;
    bool canClose;
    LRESULT result;
    bool visibleAfter;
  } cases[] = {
      {WM_CHILD_CLOSE, true, 0, false},
      {WM_CHILD_CLOSE, false, 1, true},
      {WM_CHILD_CANCLOSE, true, 0, true},
      {WM_CHILD_CANCLOSE, false, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.msg) + (c.canClose ? " may close" : " may not close"));
    delete FForm;
    FForm = nullptr;
    NewShownForm();
    FForm->CanClose = c.canClose;
    EXPECT_EQ(Send(c.msg), c.result);
    Pump();
    EXPECT_EQ(FForm->Visible(), c.visibleAfter);
    bool closed = c.msg == WM_CHILD_CLOSE && c.canClose;
    // Closing releases the working objects; the form stays allocated.
    EXPECT_EQ(FForm->Protocol() == nullptr, closed);
    EXPECT_EQ(std::count(FForm->Calls.begin(), FForm->Calls.end(), "DoneChild"), closed ? 1 : 0);
    EXPECT_TRUE(IsWindow(FForm->Handle()));
    EXPECT_TRUE(HostLog().empty());
  }
}

TEST_F(ChildFormTest, StyleRecordShowsOrHidesTheTitleBarAndColoursTheForm) {
  TTestChild* form = NewShownForm();
  TChildStyle hidden = MakeStyle(false), shown = MakeStyle(true);
  EXPECT_EQ(Send(WM_CHILD_SETSTYLE, reinterpret_cast<WPARAM>(&hidden)), 0);
  EXPECT_EQ(StyleRecord, &hidden);
  EXPECT_FALSE(form->ShowTitle());
  EXPECT_FALSE(form->pnlFormTitle->Visible());
  EXPECT_EQ(form->pnlFormTitle->Height(), 0);
  EXPECT_EQ(form->Color(), TColor(hidden.FormColor));
  Send(WM_CHILD_SETSTYLE, reinterpret_cast<WPARAM>(&shown));
  EXPECT_TRUE(form->pnlFormTitle->Visible());
  EXPECT_EQ(form->pnlFormTitle->Height(), 18);
  EXPECT_FALSE(form->pnlFormTitle->ParentColor());
  EXPECT_EQ(form->pnlFormTitle->Color(), TColor(shown.TitleColor));
  // The caption area takes the title bar's colour.
  EXPECT_EQ(form->pnlFormTileMid->Color(), TColor(shown.TitleColor));
}

TEST_F(ChildFormTest, WithoutAStyleRecordPaintingAndStylingSkipTheirWork) {
  TTestChild* form = NewShownForm();
  ASSERT_EQ(StyleRecord, nullptr);
  form->ApplyStyle();
  EXPECT_EQ(form->Color(), TColor(12825237));
  KvPaintAll();  // paints the corner with no record: must not read through null
  // The corner box shows the title bar's own colour where the triangles would be.
  EXPECT_EQ(KvGetWindowPixel(FHost, form->ClientWidth() - 2, 16), DWORD(10841658));
}

TEST_F(ChildFormTest, TitleCornerIsSplitOnItsDiagonal) {
  TTestChild* form = NewShownForm();
  TChildStyle style = MakeStyle(true);
  Send(WM_CHILD_SETSTYLE, reinterpret_cast<WPARAM>(&style));
  const int boxLeft = form->ClientWidth() - 25;
  struct Probe {
    int x, y;  // inside the 25 x 18 box
    bool title;
  } probes[] = {{0, 0, true}, {1, 15, true}, {20, 1, true}, {12, 8, true},
                {24, 17, false}, {23, 4, false}, {3, 17, false}, {14, 10, false}};
  for (const Probe& p : probes) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(KvGetWindowPixel(FHost, boxLeft + p.x, p.y), DWORD(p.title ? style.TitleColor : style.FormColor));
  }
  // The rest of the title bar is the title colour, and the bar ends at row 17.
  EXPECT_EQ(KvGetWindowPixel(FHost, 5, 9), DWORD(style.TitleColor));
  EXPECT_EQ(KvGetWindowPixel(FHost, 5, 18), DWORD(style.FormColor));
}

TEST_F(ChildFormTest, SelectShowsTheFormOnlyForItsOwnId) {
  TTestChild* form = NewShownForm();
  HWND other = CreateWindowExA(0, "KvChildTestHost", "other", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, FHost,
                               nullptr, nullptr, nullptr);
  const LPARAM own = LPARAM(form->FormId());
  struct Case {
    LPARAM id;
    bool shown;
  } cases[] = {{own + 1, false}, {own, true}, {-1, false}, {LPARAM(int32_t(form->FormId()) | INT32_MIN), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id));
    HostLog().clear();
    HWND parent = c.shown ? other : FHost;
    EXPECT_EQ(Send(WM_CHILD_SELECT, reinterpret_cast<WPARAM>(parent), c.id), 0);
    EXPECT_EQ(form->Visible(), c.shown);
    EXPECT_EQ(GetParent(form->Handle()), parent);
    if (c.shown) {
      ASSERT_EQ(HostMessages(), (std::vector<UINT>{WM_HOST_COMMANDS, WM_HOST_BASECOMMANDS}));
      EXPECT_EQ(HostLog()[0].wParam, reinterpret_cast<WPARAM>(&form->chldcmnd));
      EXPECT_EQ(HostLog()[1].wParam, reinterpret_cast<WPARAM>(&form->chldcmndBase));
    } else {
      EXPECT_TRUE(HostLog().empty());
    }
  }
}

TEST_F(ChildFormTest, EveryShowAnnouncesBothSets) {
  NewShownForm();
  Send(WM_CHILD_SHOW);
  Send(WM_CHILD_SHOW);
  EXPECT_EQ(HostMessages(), (std::vector<UINT>{WM_HOST_COMMANDS, WM_HOST_BASECOMMANDS, WM_HOST_COMMANDS,
                                               WM_HOST_BASECOMMANDS}));
}

// The WM_SYSCOMMAND codes queued for the form's window, removed from the queue.
std::vector<WPARAM> TakeSysCommands(HWND form) {
  std::vector<WPARAM> codes;
  MSG msg;
  while (PeekMessageA(&msg, form, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE)) codes.push_back(msg.wParam);
  return codes;
}

TEST_F(ChildFormTest, MaximiseToggleFollowsWhatItPostedLast) {
  TTestChild* form = NewShownForm();
  std::vector<WPARAM> posted;
  for (int i = 0; i < 3; ++i) {
    form->btnFormTitleMaxClick(form->btnFormTitleMax);
    for (WPARAM code : TakeSysCommands(form->Handle())) posted.push_back(code);
  }
  EXPECT_EQ(posted, (std::vector<WPARAM>{SC_MAXIMIZE, SC_RESTORE, SC_MAXIMIZE}));
  EXPECT_EQ(form->SizeCommand(), SC_MAXIMIZE);
  form->btnFormTitleMinClick(form->btnFormTitleMin);
  EXPECT_EQ(TakeSysCommands(form->Handle()), (std::vector<WPARAM>{SC_MINIMIZE}));
}

TEST_F(ChildFormTest, CloseButtonClosesOnlyWhenAllowedAndTellsTheHostAfterwards) {
  TTestChild* form = NewShownForm();
  form->CanClose = false;
  form->btnFormTitleColseClick(form->btnFormTitleColse);
  EXPECT_TRUE(TakeSysCommands(form->Handle()).empty());
  Pump();
  EXPECT_TRUE(HostLog().empty());
  EXPECT_TRUE(form->Visible());

  form->CanClose = true;
  form->btnFormTitleColseClick(form->btnFormTitleColse);
  // Nothing happens until the queue runs: the form closes first, then the host hears of it.
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(HostLog().empty());
  Pump();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->Protocol(), nullptr);
  ASSERT_EQ(HostMessages(), (std::vector<UINT>{WM_HOST_CHILDCLOSED}));
  EXPECT_EQ(HostLog()[0].wParam, reinterpret_cast<WPARAM>(form->Handle()));
  EXPECT_EQ(HostLog()[0].lParam, 0);
  EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(ChildFormTest, FirstActivationRunsItsHooksOnce) {
  TTestChild* form = NewShownForm();
  auto activations = [form] {
    return std::count(form->Calls.begin(), form->Calls.end(), "FirstActivate");
  };
  ASSERT_EQ(activations(), 1);
  EXPECT_EQ(form->Calls, (std::vector<std::string>{"FirstActivate", "AfterFirstActivate"}));
  EXPECT_FALSE(form->OnActivate);
  form->Hide();
  form->Show();
  Pump();
  EXPECT_EQ(activations(), 1);
}

TEST_F(ChildFormTest, BaseCommandsRunTheirHooks) {
  TTestChild* form = NewShownForm();
  const char* hooks[] = {"DoNew", "DoUpdate", "DoDelete", "DoSave", "DoSearch",
                         "DoCancel", "DoFirstRec", "DoPriorRec", "DoNextRec", "DoLastRec"};
  TCommands* commands = form->chldcmndBase->Commands();
  ASSERT_EQ(commands->Count(), 10);
  form->Calls.clear();
  for (int i = 0; i < 10; ++i) commands->Items(i)->OnExecute(nullptr);
  EXPECT_EQ(form->Calls, std::vector<std::string>(std::begin(hooks), std::end(hooks)));
}

TEST_F(ChildFormTest, BaseSetAndOwnSetFromTheResource) {
  TTestChild* form = NewShownForm();
  const char* names[] = {"new", "update", "delete", "save", "search",
                         "cancel", "firstrec", "priorrec", "nextrec", "lastrec"};
  TCommands* base = form->chldcmndBase->Commands();
  ASSERT_EQ(base->Count(), 10);
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(names[i]);
    TCommand* item = base->Items(i);
    EXPECT_EQ(item->Name(), names[i]);
    EXPECT_EQ(item->Caption(), i == 0 ? "new" : "");
    EXPECT_EQ(item->Hint(), "");
    EXPECT_EQ(item->ShortCut(), 0);
    EXPECT_TRUE(item->Bitmap()->Empty());
    EXPECT_EQ(item->OnExecute.HandlerName(), "chldcmndBaseCommands" + std::to_string(i) + "Execute");
  }
  EXPECT_EQ(form->chldcmnd->Commands()->Count(), 0);
}

TEST_F(ChildFormTest, PlainDescendantDoesNothingOnNew) {
  auto* form = Create<TPlainChild>(Application);
  form->SetParentWindow(FHost);
  form->Show();
  Pump();
  HostLog().clear();
  form->chldcmndBase->Commands()->Items(0)->OnExecute(nullptr);
  Pump();
  EXPECT_EQ(form->EditState(), esInitial);
  EXPECT_TRUE(HostLog().empty());
  EXPECT_TRUE(form->Visible());
  delete form;
}

// A windowed control that can take the focus.
class TFocusable : public TCustomControl {
  KV_CLASS(TFocusable, TCustomControl)
 public:
  explicit TFocusable(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
};

TEST_F(ChildFormTest, TabAndShiftTabMoveTheFocus) {
  TTestChild* form = NewShownForm();
  TFocusable* controls[3];
  for (int i = 0; i < 3; ++i) {
    controls[i] = new TFocusable(form);
    controls[i]->SetBounds(10 + 40 * i, 40, 30, 20);
    controls[i]->SetParent(form);
  }
  controls[0]->SetFocus();
  Pump();
  ASSERT_EQ(GetFocus(), controls[0]->Handle());
  struct Step {
    TShiftState shift;
    int focused;
  } steps[] = {{{}, 1}, {TShiftState{ssCtrl}, 2}, {TShiftState{ssShift}, 1}, {TShiftState{ssShift, ssCtrl}, 0}};
  for (const Step& s : steps) {
    WORD key = VK_TAB;
    form->FormKeyDown(form, key, s.shift);
    Pump();
    EXPECT_EQ(GetFocus(), controls[s.focused]->Handle());
    EXPECT_EQ(key, VK_TAB);  // not consumed
  }
  WORD other = 'A';
  form->FormKeyDown(form, other, {});
  EXPECT_EQ(GetFocus(), controls[0]->Handle());

  // The same keys as a host's own loop delivers them (no class-library key handling first).
  auto hostPress = [this](bool shift) {
    if (shift) KvInjectKey(FHost, WM_KEYDOWN, VK_SHIFT, 1);
    KvInjectKey(FHost, WM_KEYDOWN, VK_TAB, 1);
    KvInjectKey(FHost, WM_KEYUP, VK_TAB, LPARAM(0xC0000001u));
    if (shift) KvInjectKey(FHost, WM_KEYUP, VK_SHIFT, LPARAM(0xC0000001u));
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  };
  hostPress(false);
  EXPECT_EQ(GetFocus(), controls[1]->Handle());
  hostPress(true);
  hostPress(true);
  EXPECT_EQ(GetFocus(), controls[2]->Handle());
}

}  // namespace
}  // namespace childtest
