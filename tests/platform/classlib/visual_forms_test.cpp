// Forms: construction from a resource, the event order of showing and activation, closing,
// window states through system commands, ownership; data modules; scroll boxes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/classlib/FormReader.h"
#include "platform/classlib/FormWriter.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Resources.h"
#include "tests/platform/classlib/visual_fixture.h"

namespace visualtest {
namespace {

std::vector<std::string> gEvents;

class TTestForm : public TForm {
  KV_CLASS(TTestForm, TForm)
 public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {}
  TRecordingControl* pnlBody = nullptr;
  TRecordingControl* edtName = nullptr;
  bool BodyReadBeforeCreate = false;

  void FormCreate(TObject*) {
    gEvents.push_back("create");
    BodyReadBeforeCreate = pnlBody && pnlBody->Height() == 40 && Caption() == "Test";
  }
  void FormShow(TObject*) { gEvents.push_back("show"); }
  void FormHide(TObject*) { gEvents.push_back("hide"); }
  void FormActivate(TObject*) { gEvents.push_back("activate"); }
  void FormDeactivate(TObject*) { gEvents.push_back("deactivate"); }
  void FormClose(TObject*, TCloseAction&) { gEvents.push_back("close"); }
  void FormDestroy(TObject*) { gEvents.push_back("destroy"); }

  static void Publish(TPublisher<TTestForm>& p) {
    KV_PUBLISHED_FIELD(p, TTestForm, pnlBody);
    KV_PUBLISHED_FIELD(p, TTestForm, edtName);
    KV_PUBLISHED_METHOD(p, TTestForm, FormCreate);
    KV_PUBLISHED_METHOD(p, TTestForm, FormShow);
    KV_PUBLISHED_METHOD(p, TTestForm, FormHide);
    KV_PUBLISHED_METHOD(p, TTestForm, FormActivate);
    KV_PUBLISHED_METHOD(p, TTestForm, FormDeactivate);
    KV_PUBLISHED_METHOD(p, TTestForm, FormClose);
    KV_PUBLISHED_METHOD(p, TTestForm, FormDestroy);
  }
};

constexpr const char* kTestFormText = R"(object frmTest: TTestForm
  Left = 0
  Top = 0
  Width = 200
  Height = 150
  BorderStyle = bsNone
  Caption = 'Test'
  Color = clWhite
  KeyPreview = True
  ActiveControl = edtName
  OnActivate = FormActivate
  OnClose = FormClose
  OnCreate = FormCreate
  OnDeactivate = FormDeactivate
  OnDestroy = FormDestroy
  OnHide = FormHide
  OnShow = FormShow
  object pnlBody: TRecordingControl
    Left = 0
    Top = 0
    Width = 120
    Height = 40
    Align = alTop
    TabOrder = 1
  end
  object edtName: TRecordingControl
    Left = 10
    Top = 60
    Width = 80
    Height = 20
    TabOrder = 0
  end
end
)";

class TNoResourceForm : public TForm {
  KV_CLASS(TNoResourceForm, TForm)
 public:
  explicit TNoResourceForm(TComponent* owner) : TForm(owner) {}
};

class TTestDm : public TDataModule {
  KV_CLASS(TTestDm, TDataModule)
 public:
  explicit TTestDm(TComponent* owner) : TDataModule(owner) {}
  TImageList* imgs = nullptr;
  int ImagesWidthAtCreate = 0;
  void DmCreate(TObject*) { ImagesWidthAtCreate = imgs ? imgs->Width() : -1; }
  static void Publish(TPublisher<TTestDm>& p) {
    KV_PUBLISHED_FIELD(p, TTestDm, imgs);
    KV_PUBLISHED_METHOD(p, TTestDm, DmCreate);
  }
};

constexpr const char* kTestDmText = R"(object dmTest: TTestDm
  OldCreateOrder = False
  OnCreate = DmCreate
  Left = 10
  Top = 20
  Height = 150
  Width = 215
  object imgs: TImageList
    Width = 24
  end
end
)";

class FormsTest : public VisualTest {
 protected:
  void SetUp() override {
    VisualTest::SetUp();
    RegisterClasses({TTestForm::StaticClass(), TRecordingControl::StaticClass(), TTestDm::StaticClass(),
                     TImageList::StaticClass()});
    RegisterResource("TTestForm", "visual_forms_test", kTestFormText);
    RegisterResource("TTestDm", "visual_forms_test", kTestDmText);
    gEvents.clear();
  }
  TTestForm* NewTestForm() {
    auto* form = Create<TTestForm>(nullptr);
    form->SetParentWindow(FHost);
    return form;
  }
};

TEST_F(FormsTest, ResourceIsReadBeforeOnCreate) {
  TTestForm* form = NewTestForm();
  ASSERT_NE(form->pnlBody, nullptr);
  EXPECT_TRUE(form->BodyReadBeforeCreate);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"create"}));
  EXPECT_EQ(form->pnlBody->Parent(), form);
  EXPECT_EQ(form->pnlBody->Width(), 200);  // docked to the top after loading
  EXPECT_EQ(form->edtName->TabOrder(), 0);
  EXPECT_EQ(form->pnlBody->TabOrder(), 1);
  EXPECT_EQ(form->ActiveControl(), form->edtName);
  EXPECT_EQ(form->Color(), clWhite);
  EXPECT_FALSE(form->Visible());

  // Written back: the child nests inside the form, defaults are left out.
  const AnsiString text = WriteComponentToText(form);
  EXPECT_NE(text.find("object pnlBody: TRecordingControl"), AnsiString::npos) << text;
  EXPECT_NE(text.find("Align = alTop"), AnsiString::npos) << text;
  EXPECT_NE(text.find("Color = clWhite"), AnsiString::npos) << text;
  EXPECT_EQ(text.find("Enabled"), AnsiString::npos) << text;
  delete form;
  EXPECT_EQ(gEvents.back(), "destroy");
}

TEST_F(FormsTest, DerivedFormWithoutResourceIsAnError) {
  EXPECT_THROW(Create<TNoResourceForm>(nullptr), EResNotFound);
  // The plain form class needs none.
  TForm* plain = Create<TForm>(nullptr);
  EXPECT_NE(plain, nullptr);
  delete plain;
}

TEST_F(FormsTest, ShowActivatesAndFocusesTheActiveControlHideDeactivates) {
  TTestForm* form = NewTestForm();
  gEvents.clear();
  form->Show();
  EXPECT_EQ(gEvents, (std::vector<std::string>{"show", "activate"}));
  EXPECT_TRUE(form->Visible());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(form->Active());
  EXPECT_EQ(Screen->ActiveCustomForm(), form);
  EXPECT_TRUE(form->edtName->Focused());

  gEvents.clear();
  form->Show();  // already shown and active: nothing again
  EXPECT_TRUE(gEvents.empty());

  form->Hide();
  EXPECT_EQ(gEvents, (std::vector<std::string>{"deactivate", "hide"}));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(Screen->ActiveCustomForm(), nullptr);

  gEvents.clear();
  form->Show();
  EXPECT_EQ(gEvents, (std::vector<std::string>{"show", "activate"}));

  // Showing another form deactivates this one.
  TForm* other = NewEmbeddedForm(FHost, 50, 50);
  gEvents.clear();
  other->Show();
  EXPECT_EQ(gEvents, (std::vector<std::string>{"deactivate"}));
  EXPECT_FALSE(form->Active());
  EXPECT_EQ(Screen->ActiveCustomForm(), other);
  gEvents.clear();
  form->edtName->SetFocus();  // focus coming back activates the form again
  EXPECT_EQ(gEvents, (std::vector<std::string>{"activate"}));
  EXPECT_FALSE(other->Active());
  delete other;
  delete form;
}

TEST_F(FormsTest, CloseAppliesTheActionFromOnClose) {
  struct Case {
    const char* name;
    bool canClose;
    TCloseAction action;  // what OnClose sets
    bool visibleAfter, freedAfter;
  };
  const Case cases[] = {
      {"default hides", true, caHide, false, false},
      {"none keeps it", true, caNone, true, false},
      {"free frees later", true, caFree, false, true},
      {"minimize", true, caMinimize, true, false},
      {"refused by CloseQuery", false, caHide, true, false},
  };
  for (const Case& c : cases) {
    TForm* form = NewEmbeddedForm(FHost, 100, 80);
    bool freed = false, closeCalled = false;
    TCloseAction defaultAction = caNone;
    form->OnDestroy = [&](TObject*) { freed = true; };
    form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = c.canClose; };
    form->OnClose = [&](TObject*, TCloseAction& action) {
      closeCalled = true;
      defaultAction = action;
      action = c.action;
    };
    form->Show();
    form->Close();
    EXPECT_EQ(closeCalled, c.canClose) << c.name;
    if (c.canClose) {
      EXPECT_EQ(defaultAction, caHide) << c.name;
    }
    EXPECT_FALSE(freed) << c.name << ": a form is never freed inside Close";
    Pump();
    EXPECT_EQ(freed, c.freedAfter) << c.name;
    if (!freed) {
      EXPECT_EQ(form->Visible(), c.visibleAfter) << c.name;
      if (c.action == caMinimize && c.canClose) {
        EXPECT_EQ(form->WindowState(), wsMinimized);
      }
      delete form;
    }
  }
}

TEST_F(FormsTest, WindowStateFollowsSystemCommandsAndDrivesThem) {
  TForm* form = NewEmbeddedForm(FHost, 100, 80);
  form->SetBounds(20, 10, 100, 80);
  auto* client = new TRecordingControl(form);
  client->SetParent(form);
  client->SetAlign(alClient);
  form->Show();
  struct Step {
    WPARAM command;
    TWindowState state;
    TRect bounds;
  };
  const Step steps[] = {
      {SC_MAXIMIZE, wsMaximized, Rect(0, 0, 400, 300)},
      {SC_RESTORE, wsNormal, Bounds(20, 10, 100, 80)},
      {SC_MINIMIZE, wsMinimized, Rect(0, 0, 0, 0)},
      {SC_RESTORE, wsNormal, Bounds(20, 10, 100, 80)},
  };
  for (const Step& s : steps) {
    PostMessageA(form->Handle(), WM_SYSCOMMAND, s.command, 0);
    Pump();
    EXPECT_EQ(form->WindowState(), s.state) << std::hex << s.command;
    if (s.state != wsMinimized) {
      EXPECT_EQ(form->BoundsRect(), s.bounds) << std::hex << s.command;
      EXPECT_EQ(client->Width(), s.bounds.right - s.bounds.left) << "docked child follows";
    }
  }
  // Setting the property goes through the window system.
  form->SetWindowState(wsMaximized);
  EXPECT_TRUE(IsZoomed(form->Handle()));
  EXPECT_EQ(form->Width(), 400);
  form->SetWindowState(wsNormal);
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_EQ(form->Width(), 100);

  // A hidden form remembers the state and takes it when shown.
  form->Hide();
  form->SetWindowState(wsMaximized);
  EXPECT_FALSE(IsZoomed(form->Handle()));
  form->Show();
  EXPECT_TRUE(IsZoomed(form->Handle()));
  EXPECT_EQ(form->WindowState(), wsMaximized);

  // The close command closes the form the ordinary way: hidden, not freed.
  bool closed = false;
  form->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  PostMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(IsWindow(form->Handle()));
  delete form;
}

TEST_F(FormsTest, FreeingTheOwnerFreesItsFormsAndTheirWindows) {
  auto* app = new TApplication(nullptr);
  TTestForm* form = Create<TTestForm>(app);
  form->SetParentWindow(FHost);
  form->Show();
  HWND formWnd = form->Handle();
  HWND childWnd = form->edtName->Handle();
  gEvents.clear();
  delete app;
  EXPECT_EQ(gEvents, (std::vector<std::string>{"destroy"}));
  EXPECT_FALSE(IsWindow(formWnd));
  EXPECT_FALSE(IsWindow(childWnd));
  EXPECT_EQ(Screen->ActiveCustomForm(), nullptr);
  EXPECT_EQ(Screen->ActiveControl(), nullptr);
}

TEST_F(FormsTest, DataModuleReadsItsResourceBeforeOnCreate) {
  TTestDm* dm = Create<TTestDm>(nullptr);
  ASSERT_NE(dm->imgs, nullptr);
  EXPECT_EQ(dm->ImagesWidthAtCreate, 24);
  EXPECT_EQ(dm->imgs->Owner(), dm);
  delete dm;
}

TEST_F(FormsTest, ScrollBoxMovesItsChildrenWithinTheRange) {
  TForm* form = NewEmbeddedForm(FHost, 200, 200);
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  box->SetBorderStyle(bsNone);
  box->SetBounds(0, 0, 100, 100);
  auto* far = new TRecordingControl(form);
  far->SetBounds(10, 250, 20, 20);
  far->SetParent(box);
  EXPECT_EQ(box->VertScrollBar()->MaxPosition(), 170);  // content reaches 270
  box->VertScrollBar()->SetPosition(100);
  EXPECT_EQ(far->Top(), 150);
  box->VertScrollBar()->SetPosition(1000);  // clamped
  EXPECT_EQ(box->VertScrollBar()->Position(), 170);
  EXPECT_EQ(far->Top(), 80);
  box->VertScrollBar()->SetPosition(-5);
  EXPECT_EQ(far->Top(), 250);
  box->VertScrollBar()->SetRange(120);  // an explicit range wins
  EXPECT_EQ(box->VertScrollBar()->MaxPosition(), 20);
  box->SetBorderStyle(bsSingle);
  EXPECT_EQ(box->ClientWidth(), 96);
  delete form;
}

TEST_F(FormsTest, ProcessMessagesDispatchesWhatIsPendingAndReturns) {
  TForm* form = NewEmbeddedForm(FHost, 50, 50);
  int seen = 0;
  form->OnClose = [&](TObject*, TCloseAction& action) {
    ++seen;
    action = caNone;
  };
  form->Show();
  PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
  PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(seen, 2);
  EXPECT_FALSE(KvMessagesPending());
  Application->ProcessMessages();  // nothing pending: returns at once
  EXPECT_EQ(seen, 2);
  delete form;
}

}  // namespace
}  // namespace visualtest

namespace visualtest {
namespace {

// At exit the application object frees its forms while the window system is still there.
TEST(ApplicationTeardownTest, FormsOwnedByTheApplicationAreFreedAtExit) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    KvInitWindowSystem(kvBackendHeadless);
    TForm* form = Create<TForm>(Application);
    form->OnDestroy = [fd = fds[1]](TObject* sender) {
      // The form's window must still be a window of a working window system.
      const bool alive = IsWindow(static_cast<TForm*>(sender)->Handle()) != FALSE;
      const char c = alive ? 'y' : 'n';
      if (write(fd, &c, 1) != 1) _exit(3);
    };
    form->Show();
    std::exit(0);
  }
  close(fds[1]);
  char c = 0;
  const ssize_t got = read(fds[0], &c, 1);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(got, 1) << "OnDestroy did not run at exit";
  EXPECT_EQ(c, 'y');
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace visualtest

namespace visualtest {
namespace {

class FormEventsTest : public VisualTest {};

// A handler that runs on the first activation only clears its own event while it runs.
TEST_F(FormEventsTest, OnActivateMayClearItselfWhileRunning) {
  TForm* form = NewEmbeddedForm(FHost, 50, 50);
  TForm* other = NewEmbeddedForm(FHost, 50, 50);
  int runs = 0;
  form->OnActivate = [&runs, form](TObject*) {
    ++runs;
    form->OnActivate = nullptr;
  };
  form->Show();
  other->Show();
  form->Show();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(form->Active());
  delete other;
  delete form;
}

}  // namespace
}  // namespace visualtest
