// The host's copy of an announced command set: what the toolbar shows of each command and
// how to run it. The items themselves stay the plug-in's; `Run` calls the item's OnExecute.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/Surface.h"
#include "platform/win/WinDef.h"

namespace host {

struct HostCommand {
  std::string name;     // code page 936, as the plug-in gave it
  std::string caption;
  std::string hint;
  gfx::Surface bitmap;  // empty when the command has no image
  std::function<void()> run;  // calls the item's OnExecute with the item as sender
};

// Reads the command set whose component variable lies at `address` (the WParam of 1131 and
// 1133): the items in index order. A null address or a null variable gives no commands.
std::vector<HostCommand> ReadCommandSet(WPARAM address);

}  // namespace host
