// Compiled with -m32: every field of the shared records at its 32-bit offset.
#include "sdk/ordr118.h"

#include <cstddef>

static_assert(sizeof(void*) == 4, "this check must be compiled for 32-bit x86 (-m32)");

#define KV_AT(record, field, offset) static_assert(offsetof(record, field) == (offset), #record "." #field)

static_assert(sizeof(TShareVar) == 88);
KV_AT(TShareVar, ClassRef, 0);
KV_AT(TShareVar, IntArg, 4);
KV_AT(TShareVar, Spare08, 8);
KV_AT(TShareVar, OpenXml, 12);
KV_AT(TShareVar, CloseXml, 16);
KV_AT(TShareVar, Spare20, 20);
KV_AT(TShareVar, ModuleCode, 24);
KV_AT(TShareVar, Spare28, 28);
KV_AT(TShareVar, QueryXml, 32);
KV_AT(TShareVar, Spare36, 36);
KV_AT(TShareVar, Spare36[7], 64);
KV_AT(TShareVar, ModuleKey, 68);
KV_AT(TShareVar, Spare72, 72);
KV_AT(TShareVar, QueryKey, 76);
KV_AT(TShareVar, Spare80, 80);
KV_AT(TShareVar, Spare84, 84);

KV_AT(TShareContext, AppDir, 44);
static_assert(sizeof(TShareContext) == 48);

KV_AT(TChildStyle, ShowTitle, 4);
KV_AT(TChildStyle, PanelColor, 8);
KV_AT(TChildStyle, KeyFieldColor, 12);
KV_AT(TChildStyle, BorderColor, 16);
KV_AT(TChildStyle, ToolBarColor, 20);
KV_AT(TChildStyle, FormColor, 24);
KV_AT(TChildStyle, FocusedColor, 28);
KV_AT(TChildStyle, TitleColor, 36);
KV_AT(TChildStyle, FieldColor, 40);
KV_AT(TChildStyle, LabelLineColor, 44);
KV_AT(TChildStyle, RequiredFieldColor, 48);
KV_AT(TChildStyle, TabColor, 52);
KV_AT(TChildStyle, TabColorTo, 56);
KV_AT(TChildStyle, ActiveTabColor, 60);
KV_AT(TChildStyle, ActiveTabColorTo, 64);
static_assert(sizeof(TChildStyle) == 68);

static_assert(sizeof(TArgRec) == 278);
static_assert(sizeof(TArgArr) == 4);
static_assert(sizeof(BSTR) == 4 && sizeof(OLECHAR) == 2);

// The entry points take four 32-bit arguments and return a 32-bit integer.
static_assert(sizeof(HWND) == 4 && sizeof(int32_t) == 4);
static_assert(WM_CHILD_HIDE == 1024 + 100 && WM_CHILD_CANCLOSE == 1024 + 118);
