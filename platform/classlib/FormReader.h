// Reads form-resource text into components.
#pragma once

#include <string_view>

#include "platform/classlib/Classes.h"

// Reads TEXT (CP936 form text) into ROOT: the root's properties and every nested component.
// Components are owned by ROOT and parented by nesting (SetParentComponent); `inherited` blocks
// change components ROOT already owns. References are fixed up after the whole text, then
// Loaded runs on ROOT and every component read, in order. Errors raise EReadError
// "<RESOURCENAME>: line N: <what>"; components created by a failed read are freed again.
void ReadComponentFromText(TComponent* root, std::string_view text, const AnsiString& resourceName);

// Reads the resource of each class of INSTANCE's class chain strictly below ANCESTOR, the
// topmost first; false when none of them has a resource.
bool InitInheritedComponent(TComponent* instance, TClass ancestor);

// Creates the root named in TEXT's header through the class registry (owned by OWNER), runs
// AfterConstruction and reads TEXT into it; the root is freed again if reading fails.
TComponent* CreateComponentFromText(std::string_view text, TComponent* owner, const AnsiString& resourceName);

// Decodes one form-text value of property PROP into OBJ (used by SetPropByName). ROOT binds
// events and resolves component references.
void SetPropertyFromText(TObject* obj, const AnsiString& path, const AnsiString& valueText, TComponent* root);
