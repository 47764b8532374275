// ordr118-tool: shows what the plug-in makes of a response document or a field list.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "apps/tool/Command.h"

namespace tool {

namespace {
std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

int Usage() {
  std::fprintf(stderr, "usage: ordr118-tool COMMAND ARGS...\n");
  for (const auto& [name, command] : Commands())
    std::fprintf(stderr, "  %s %s\n      %s\n", name.c_str(), command.Usage, command.Summary);
  return 2;
}
}  // namespace

bool RegisterCommand(const Command& command) {
  Commands()[command.Name] = command;
  return true;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  if (in.bad()) return false;
  bytes = all.str();
  return true;
}

}  // namespace tool

int main(int argc, char** argv) {
  if (argc < 2) return tool::Usage();
  auto it = tool::Commands().find(argv[1]);
  if (it == tool::Commands().end()) {
    std::fprintf(stderr, "ordr118-tool: unknown command '%s'\n", argv[1]);
    return tool::Usage();
  }
  return it->second.Run(std::vector<std::string>(argv + 2, argv + argc));
}
