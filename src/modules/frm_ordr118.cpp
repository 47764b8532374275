#include "src/modules/frm_ordr118.h"

TfrmOrdr118* frmOrdr118 = nullptr;

void RegisterOrdr118Classes() {
  RegisterChildFormClasses();
  RegisterClass(TfrmOrdr118::StaticClass());
}

TfrmOrdr118::TfrmOrdr118(TComponent* owner) : TfrmChildBase(owner) { RegisterOrdr118Classes(); }
