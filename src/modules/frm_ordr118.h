// The purchase-order window, the one business window of the plug-in.
#pragma once

#include "src/framework/ChildBase.h"

class TfrmOrdr118 : public TfrmChildBase {
  KV_CLASS(TfrmOrdr118, TfrmChildBase)
 public:
  // Reads the resources of the class chain once constructed; create with Create<T>.
  explicit TfrmOrdr118(TComponent* owner);

  // The window holds no data of its own yet, so it may always close.
  bool CanCloseChild() override { return true; }
};

// The form ShowChildForm created last (the most recent one wins); nothing else reads it.
extern TfrmOrdr118* frmOrdr118;

// Registers TfrmOrdr118 (and the classes its resources name); harmless to call again.
void RegisterOrdr118Classes();
