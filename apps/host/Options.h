// The host's command line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace host {

struct HostOptions {
  std::string scriptPath;               // --script FILE: scripted mode
  std::string tracePath;                // --trace FILE
  std::string context = "Ordr118:po_list";  // --context TEXT (UTF-8)
  std::string pluginPath;               // --plugin FILE (default: libordr118.so beside the host)
  bool window = false;                  // --window: a real window in scripted mode
  int width = 1280, height = 800;       // --size WxH: client size of the host window
  bool help = false;                    // --help

  bool scripted() const { return !scriptPath.empty(); }
};

// A command line that cannot be used; what() says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name; throws UsageError.
HostOptions ParseHostOptions(const std::vector<std::string>& args);

// The usage text printed by --help and after a usage error.
const char* HostUsage();

}  // namespace host
