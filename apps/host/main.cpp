// ordr118-host: the demo host of the purchase-order plug-in.
#include <iostream>
#include <string>
#include <vector>

#include "apps/host/Host.h"
#include "apps/host/Options.h"

int main(int argc, char** argv) {
  host::HostOptions options;
  try {
    options = host::ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const host::UsageError& e) {
    std::cerr << "ordr118-host: " << e.what() << "\n" << host::HostUsage();
    return 2;
  }
  if (options.help) {
    std::cout << host::HostUsage();
    return 0;
  }
  host::Host app(std::move(options));
  return app.Run();
}
