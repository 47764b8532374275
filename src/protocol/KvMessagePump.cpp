#include "src/protocol/KvMessagePump.h"

#include "platform/classlib/Forms.h"

void KvDispatchPendingMessages() { Application->ProcessPendingMessages(); }
