// The one place where the plug-in's long loops let pending window messages through.
#pragma once

#include "platform/win/Windows.h"

// Hands the pending messages to the library's application object (ProcessMessages without
// its own pending test; KvProcessMessages has just made it).
void KvDispatchPendingMessages();

// Lets the user interface process its pending window messages (the library's application
// object's ProcessMessages). When nothing is pending this is the window system's flag test
// and nothing more: the application object is not touched.
inline void KvProcessMessages() {
  if (KvMessagesPending()) [[unlikely]]
    KvDispatchPendingMessages();
}
