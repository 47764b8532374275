// ShowChildForm: its steps as the host sees them, its failure path, and what the built
// plug-in exports.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/classlib/Resources.h"
#include "platform/win/Windows.h"
#include "sdk/ordr118.h"
#include "src/host/GlobalVar.h"
#include "src/modules/frm_ordr118.h"

void RegisterResources_ordr118_core();

namespace {

struct Received {
  UINT msg;
  WPARAM wParam;
  bool formVisible;  // the form's window state when the message arrived
};

std::vector<Received>& Log() {
  static std::vector<Received> log;
  return log;
}

LRESULT HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m >= WM_USER + 100 && m <= WM_USER + 118) {
    bool visible = m == WM_HOST_CHILDCREATED && (GetWindowLongPtrA(reinterpret_cast<HWND>(w), GWL_STYLE) & WS_VISIBLE);
    Log().push_back({m, w, visible});
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(KvInitWindowSystem(kvBackendHeadless) || KvCurrentBackend() == kvBackendHeadless);
    static const bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &HostProc;
      wc.lpszClassName = "KvExportTestHost";
      return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    FHost = CreateWindowExA(0, "KvExportTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 640, 400, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(FHost, nullptr);
    Application->SetShowMessageHook([this](const AnsiString&, const AnsiString& m) { FShown.push_back(m); });
    Log().clear();
  }
  void TearDown() override {
    for (TfrmOrdr118* form : FForms) delete form;
    Application->SetShowMessageHook(nullptr);
    Application->SetHandle(nullptr);
    HostWnd = nullptr;
    frmOrdr118 = nullptr;
    DestroyWindow(FHost);
  }
  int32_t Show(const char* caption) {
    int32_t id = ShowChildForm(FHost, FHost, FHost, caption);
    if (id != 0) FForms.push_back(frmOrdr118);
    return id;
  }

  HWND FHost = nullptr;
  std::vector<TfrmOrdr118*> FForms;
  std::vector<AnsiString> FShown;
};

TEST_F(ExportTest, ShowChildFormEmbedsShowsAndAnnouncesTheForm) {
  int32_t id = Show("采购单");
  ASSERT_NE(id, 0);
  TfrmOrdr118* form = frmOrdr118;
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(HostWnd, FHost);
  EXPECT_EQ(Application->Handle(), FHost);
  EXPECT_EQ(form->Owner(), static_cast<TComponent*>(Application));
  EXPECT_EQ(GetParent(form->Handle()), FHost);
  EXPECT_EQ(uint32_t(id), form->FormId());
  EXPECT_EQ(reinterpret_cast<HWND>(uintptr_t(uint32_t(id))), form->Handle());
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(form->WindowState(), wsMaximized);
  EXPECT_TRUE(IsZoomed(form->Handle()));
  EXPECT_EQ(form->Caption(), "采购单");
  EXPECT_EQ(form->pnlFormTileMid->Caption(), "采购单");
  ASSERT_EQ(Log().size(), 3u);
  EXPECT_EQ(Log()[0].msg, UINT(WM_HOST_CHILDCREATED));
  EXPECT_EQ(Log()[0].wParam, WPARAM(uint32_t(id)));
  EXPECT_FALSE(Log()[0].formVisible);  // announced before it is shown
  EXPECT_EQ(Log()[1].msg, UINT(WM_HOST_COMMANDS));
  EXPECT_EQ(Log()[1].wParam, reinterpret_cast<WPARAM>(&form->chldcmnd));
  EXPECT_EQ(Log()[2].msg, UINT(WM_HOST_BASECOMMANDS));
  EXPECT_EQ(Log()[2].wParam, reinterpret_cast<WPARAM>(&form->chldcmndBase));
}

TEST_F(ExportTest, SecondCallMakesASecondFormWithItsOwnId) {
  int32_t first = Show("A");
  TfrmOrdr118* a = frmOrdr118;
  int32_t second = Show("B");
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_NE(frmOrdr118, a);
  EXPECT_EQ(a->FormId(), uint32_t(first));
  EXPECT_EQ(a->pnlFormTileMid->Caption(), "A");
}

TEST_F(ExportTest, NullCaptionIsTheEmptyCaption) {
  ASSERT_NE(Show(nullptr), 0);
  EXPECT_EQ(frmOrdr118->Caption(), "");
}

TEST_F(ExportTest, FailureIsReportedAndNothingIsSent) {
  const int before = Application->ExceptionCount();
  ASSERT_NE(Show("ok"), 0);  // the resources are registered by now
  Log().clear();
  UnregisterResource("TfrmOrdr118");
  UnregisterResource("TfrmChildBase");
  int32_t id = ShowChildForm(FHost, FHost, FHost, "fails");
  RegisterResources_ordr118_core();
  EXPECT_EQ(id, 0);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(Application->ExceptionCount(), before + 1);
  ASSERT_EQ(FShown.size(), 1u);
  EXPECT_NE(FShown[0].find("not found"), std::string::npos) << FShown[0];
  // The library is still usable afterwards.
  EXPECT_NE(Show("again"), 0);
}

std::string BinDir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, n > 0 ? std::size_t(n) : 0);
  return exe.substr(0, exe.rfind('/') + 1);
}

TEST(PluginLibrary, ExportsShowChildFormAndNothingElse) {
  std::string library = BinDir() + "libordr118.so";
  ASSERT_EQ(access(library.c_str(), R_OK), 0) << library;
  std::string command = "nm -D --defined-only '" + library + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[1024];
  while (fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) symbols.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(symbols, (std::set<std::string>{"ShowChildForm"}));
}

}  // namespace
