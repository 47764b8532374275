/* The header is plain C too: a host written in C includes it as it is. */
#include "sdk/ordr118.h"

#include <stddef.h>

_Static_assert(offsetof(TShareVar, QueryKey) == 76, "TShareVar.QueryKey");
_Static_assert(offsetof(TShareContext, AppDir) == 44, "TShareContext.AppDir");
_Static_assert(offsetof(TChildStyle, ActiveTabColorTo) == 64, "TChildStyle.ActiveTabColorTo");

/* The function-pointer types are usable from C. */
TShowChildForm kvSdkCheckShowChildForm;
TKvMessageBox kvSdkCheckMessageBox;
