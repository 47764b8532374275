// The common base of the child forms' data modules.
#pragma once

#include "platform/classlib/Forms.h"

// A data module with no components of its own; its resource holds only the module's settings.
class TBaseDm : public TDataModule {
  KV_CLASS(TBaseDm, TDataModule)
 public:
  // Reads the resources of the class chain (in AfterConstruction); create with Create<T>.
  explicit TBaseDm(TComponent* owner);
};

// Registers the classes the data modules' resources name, and the plug-in's compiled-in form
// resources; harmless to call again.
void RegisterDataModuleClasses();
