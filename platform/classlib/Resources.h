// Form-resource texts compiled into the program, looked up by class name.
#pragma once

#include <string_view>

#include "platform/classlib/System.h"

// One compiled-in resource: CP936 text and the file it came from (for error messages).
struct TResourceEntry {
  AnsiString ClassName;
  AnsiString ResourceName;
  std::string_view Text;
};

// Registers TEXT (CP936, must outlive the program) as the resource of CLASSNAME; a second
// registration under the same class name replaces the first.
void RegisterResource(const AnsiString& className, const AnsiString& resourceName, std::string_view text);
// The resource of CLASSNAME (case-insensitive), or null.
const TResourceEntry* FindResource(const AnsiString& className);
// Removes the resource of CLASSNAME (tests).
void UnregisterResource(const AnsiString& className);

// Resources embedded with kv_embed_resources(<target> ...) are registered by calling the
// generated function RegisterResources_<target>() once at start-up (declare it yourself:
// `void RegisterResources_ordr118();`). Registration is explicit, so it works from a static
// library linked into a shared one without relying on static initialisers being kept.
