// Writes components back as form-resource text.
#pragma once

#include "platform/classlib/Classes.h"

// The form text of ROOT: header, properties in declaration order (values equal to their
// default left out), then its children (GetChildren) nested, two blanks per level.
AnsiString WriteComponentToText(TComponent* root);

// The text of PROP's value in OBJ as the writer writes it (single line for lists and binary).
AnsiString PropValueToText(TObject* obj, const TPropInfo* prop);
