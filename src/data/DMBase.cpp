#include "src/data/DMBase.h"

#include "platform/classlib/Resources.h"
#include "platform/db/MemTableEh.h"
#include "src/data/TbField.h"

// Generated from the plug-in's .dfm files (cmake/KvResources.cmake).
void RegisterResources_ordr118_core();

void RegisterDataModuleClasses() {
  static const bool done = [] {
    RegisterResources_ordr118_core();
    RegisterDBClasses();
    RegisterClasses({TKvTbField::StaticClass(), TMemTableEh::StaticClass(), TDataSource::StaticClass()});
    return true;
  }();
  (void)done;
}

TBaseDm::TBaseDm(TComponent* owner) : TDataModule(owner) { RegisterDataModuleClasses(); }
