// Shared fixture of the child-form tests: a headless host window that records every
// message the form sends or posts to it, and a TfrmChildBase descendant whose hooks count.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/Windows.h"
#include "src/framework/ChildBase.h"
#include "src/host/GlobalVar.h"

namespace childtest {

// One message the host window received.
struct HostMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<HostMessage>& HostLog() {
  static std::vector<HostMessage> log;
  return log;
}

inline LRESULT RecordingHostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m >= WM_USER + 100 && m <= WM_USER + 118) {
    HostLog().push_back({m, w, l});
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

// A child form that overrides the hooks the tests watch and nothing else.
class TTestChild : public TfrmChildBase {
  KV_CLASS(TTestChild, TfrmChildBase)
 public:
  explicit TTestChild(TComponent* owner) : TfrmChildBase(owner) {}
  bool CanClose = true;
  std::vector<std::string> Calls;

  bool CanCloseChild() override { return CanClose; }
  void DoNew() override { Calls.push_back("DoNew"); }
  void DoUpdate() override { Calls.push_back("DoUpdate"); }
  void DoDelete() override { Calls.push_back("DoDelete"); }
  void DoSave() override { Calls.push_back("DoSave"); }
  void DoSearch() override { Calls.push_back("DoSearch"); }
  void DoCancel() override { Calls.push_back("DoCancel"); }
  void DoFirstRec() override { Calls.push_back("DoFirstRec"); }
  void DoPriorRec() override { Calls.push_back("DoPriorRec"); }
  void DoNextRec() override { Calls.push_back("DoNextRec"); }
  void DoLastRec() override { Calls.push_back("DoLastRec"); }
  void FirstActivate() override {
    TfrmChildBase::FirstActivate();
    Calls.push_back("FirstActivate");
  }
  void AfterFirstActivate() override { Calls.push_back("AfterFirstActivate"); }
  void DoneChild() override {
    Calls.push_back("DoneChild");
    TfrmChildBase::DoneChild();
  }
};

// A child form that overrides nothing but the one operation every form must supply.
class TPlainChild : public TfrmChildBase {
  KV_CLASS(TPlainChild, TfrmChildBase)
 public:
  explicit TPlainChild(TComponent* owner) : TfrmChildBase(owner) {}
  bool CanCloseChild() override { return true; }
};

class ChildFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(KvInitWindowSystem(kvBackendHeadless) || KvCurrentBackend() == kvBackendHeadless);
    static const bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &RecordingHostProc;
      wc.lpszClassName = "KvChildTestHost";
      return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    FHost = CreateWindowExA(0, "KvChildTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 640, 400,
                            nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(FHost, nullptr);
    HostWnd = FHost;
    ShareContext = nullptr;
    StyleRecord = nullptr;
    Application->SetShowMessageHook([this](const AnsiString&, const AnsiString& message) { FShown.push_back(message); });
    HostLog().clear();
  }

  void TearDown() override {
    delete FForm;
    FForm = nullptr;
    Pump();
    Application->SetShowMessageHook(nullptr);
    HostWnd = nullptr;
    ShareContext = nullptr;
    StyleRecord = nullptr;
    if (IsWindow(FHost)) DestroyWindow(FHost);
    Pump();
  }

  // Creates the form, embeds it in the host window and shows it as ShowChildForm does.
  TTestChild* NewShownForm() {
    FForm = Create<TTestChild>(Application);
    FForm->SetParentWindow(FHost);
    FForm->SetWindowState(wsMaximized);
    FForm->SetFormId(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(FForm->Handle())));
    FForm->Show();
    Pump();
    HostLog().clear();
    return FForm;
  }

  // Dispatches until nothing is pending, at most for five seconds.
  void Pump() {
    const DWORD start = GetTickCount();
    while (KvMessagesPending() && GetTickCount() - start < 5000) Application->ProcessMessages();
  }

  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageA(FForm->Handle(), msg, w, l); }

  // The numbers of the messages the host received, in order.
  static std::vector<UINT> HostMessages() {
    std::vector<UINT> numbers;
    for (const HostMessage& m : HostLog()) numbers.push_back(m.msg);
    return numbers;
  }

  HWND FHost = nullptr;
  TTestChild* FForm = nullptr;
  std::vector<AnsiString> FShown;
};

}  // namespace childtest
