// How dialog.dll and the demo host talk: two private messages to the application window
// that KvMessageBox is given. Both sides include this header; nothing else is shared.
#pragma once

#include <cstdint>

#include "platform/win/Windows.h"

// One message box, filled by the dialog library; the host writes only `result`.
struct KvDialogRequest {
  const char* caption;  // NUL-terminated, code page 936
  const char* text;     // NUL-terminated, code page 936
  int32_t flags;        // message-box flags as the caller gave them
  int32_t result;       // the chosen button
};

// Sent first, LParam a KvDialogRequest*. A host that answers boxes itself (a scripted run)
// sets `result` and returns KV_DIALOG_ANSWERED; anything else means "show the box".
#define WM_KVDIALOG_ASK (WM_APP + 0x0D10)
// Sent after the library showed the box itself, LParam the KvDialogRequest* with the
// user's `result`, so that the host can record it. Result ignored.
#define WM_KVDIALOG_SHOWN (WM_APP + 0x0D11)

// What a host returns from WM_KVDIALOG_ASK when it has answered.
#define KV_DIALOG_ANSWERED 0x4B56

// Message-box flags and results (the values the plug-in passes and expects).
#define MB_OK 0x0
#define MB_OKCANCEL 0x1
#define MB_ABORTRETRYIGNORE 0x2
#define MB_YESNOCANCEL 0x3
#define MB_YESNO 0x4
#define MB_RETRYCANCEL 0x5
#define MB_TYPEMASK 0xF
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
