// Shared fixture of the visual class-library tests: a headless host window that plays the
// foreign parent, bounded message pumps, and a few recording controls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "platform/win/Windows.h"

namespace visualtest {

// A window of a class the class library knows nothing of: the host's.
inline LRESULT HostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

class VisualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(KvInitWindowSystem(kvBackendHeadless) || KvCurrentBackend() == kvBackendHeadless);
    static const bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &HostProc;
      wc.lpszClassName = "KvVisualTestHost";
      return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    FHost = CreateWindowExA(0, "KvVisualTestHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                            nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(FHost, nullptr);
    Application->SetShowMessageHook([this](const AnsiString&, const AnsiString& message) {
      FShown.push_back(message);
    });
    Pump();
  }

  void TearDown() override {
    Pump();
    Application->SetShowMessageHook(nullptr);
    Application->OnException = nullptr;
    if (IsWindow(FHost)) DestroyWindow(FHost);
    Pump();
  }

  // Dispatches until nothing is pending, at most for five seconds.
  void Pump() {
    // (<chrono> cannot be compiled under the 936 execution character set.)
    const DWORD start = GetTickCount();
    while (KvMessagesPending() && GetTickCount() - start < 5000) Application->ProcessMessages();
  }

  // A control parented in the host window through a borderless embedded form.
  HWND FHost = nullptr;
  std::vector<AnsiString> FShown;
};

// A form that reads no resource, embedded in PARENT and shown.
inline TForm* NewEmbeddedForm(HWND parent, int w = 300, int h = 200) {
  auto* form = Create<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetParentWindow(parent);
  form->SetBounds(0, 0, w, h);
  return form;
}

// A windowed control that records its paints and can take the focus.
class TRecordingControl : public TCustomControl {
  KV_CLASS(TRecordingControl, TCustomControl)
 public:
  explicit TRecordingControl(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  std::vector<std::string>* Log = nullptr;
  TColor Fill = clNone;

 protected:
  void Paint() override {
    if (Log) Log->push_back(Name());
    if (Fill != clNone) {
      Canvas()->Brush()->SetColor(Fill);
      Canvas()->FillRect(ClientRect());
    }
  }
};

// A graphic control that fills itself (more than its bounds, to show the clipping).
class TRecordingGraphic : public TGraphicControl {
  KV_CLASS(TRecordingGraphic, TGraphicControl)
 public:
  explicit TRecordingGraphic(TComponent* owner) : TGraphicControl(owner) {}
  std::vector<std::string>* Log = nullptr;
  TColor Fill = clRed;

 protected:
  void Paint() override {
    if (Log) Log->push_back(Name());
    Canvas()->Brush()->SetColor(Fill);
    Canvas()->FillRect(Rect(-50, -50, Width() + 50, Height() + 50));
  }
};

}  // namespace visualtest
