#include "src/protocol/KvMessagePump.h"

#if __has_include("platform/classlib/Forms.h")
#include "platform/classlib/Forms.h"

void KvProcessMessages() { Application->ProcessMessages(); }

#else
// Until the application object exists: the same loop it runs, straight on the window system.
#include "platform/win/Windows.h"

void KvProcessMessages() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}
#endif
