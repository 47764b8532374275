// The library-wide variables: one set per loaded plug-in, shared by every child form it
// creates. The host fills them (ShowChildForm, messages 1128 and 1129); the library keeps
// the records by pointer, reads them at every use and never writes or frees them.
#pragma once

#include "platform/win/WinDef.h"
#include "sdk/ordr118.h"

// The host window that receives every message the library sends or posts; null until the
// first ShowChildForm.
extern HWND HostWnd;
// The host's shared-context record lent by message 1128; null until then.
extern TShareContext* ShareContext;
// The host's style record lent by message 1129; null until then (painting and styling skip
// their work while it is null).
extern TChildStyle* StyleRecord;
