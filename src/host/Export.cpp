// The plug-in's one export.
#include "platform/classlib/Forms.h"
#include "sdk/ordr118.h"
#include "src/host/GlobalVar.h"
#include "src/modules/frm_ordr118.h"

namespace {

// Embeds a new purchase-order form in PARENTWND and announces it to the host; returns its
// form id. Failures propagate.
int32_t CreateAndShowChildForm(HWND appHandle, HWND hostWnd, HWND parentWnd, const char* caption) {
  HostWnd = hostWnd;
  Application->SetHandle(appHandle);
  TfrmOrdr118* form = Create<TfrmOrdr118>(Application);
  frmOrdr118 = form;
  form->SetParentWindow(parentWnd);
  form->SetCaption(caption ? caption : "");
  // The window exists from here on: the host may lend its records while it handles 1130.
  SendMessageA(HostWnd, WM_HOST_CHILDCREATED, reinterpret_cast<WPARAM>(form->Handle()), 0);
  form->SetWindowState(wsMaximized);
  form->SetFormId(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(form->Handle())));
  form->Show();
  form->SendCommands();
  form->SendBaseCommands();
  return static_cast<int32_t>(form->FormId());
}

}  // namespace

extern "C" KV_SDK_EXPORT int32_t KV_STDCALL ShowChildForm(HWND AppHandle, HWND HostWnd, HWND ParentWnd,
                                                          const char* Caption) {
  // Nothing may unwind into the host: the failure is reported by the library's application
  // object and the host gets no form.
  try {
    return CreateAndShowChildForm(AppHandle, HostWnd, ParentWnd, Caption);
  } catch (...) {
    Application->HandleException(nullptr);
    return 0;
  }
}
