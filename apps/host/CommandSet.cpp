#include "apps/host/CommandSet.h"

#if __has_include("src/framework/ChildCommand.h")
#include "src/framework/ChildCommand.h"
#define KV_HOST_HAS_CHILDCOMMAND 1
#endif

namespace host {

std::vector<HostCommand> ReadCommandSet(WPARAM address) {
  std::vector<HostCommand> commands;
#ifdef KV_HOST_HAS_CHILDCOMMAND
  (void)address;
#else
  (void)address;  // the command classes have not landed in this tree yet
#endif
  return commands;
}

}  // namespace host
