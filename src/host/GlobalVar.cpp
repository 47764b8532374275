#include "src/host/GlobalVar.h"

HWND HostWnd = nullptr;
TShareContext* ShareContext = nullptr;
TChildStyle* StyleRecord = nullptr;
