// Subcommands of ordr118-tool. Each cmd_*.cpp registers its command at start-up:
//   static const bool registered = tool::RegisterCommand({"parse", "FILE...", "...", &RunParse});
#pragma once

#include <string>
#include <vector>

namespace tool {

struct Command {
  const char* Name;
  const char* Usage;    // arguments, as the help shows them
  const char* Summary;  // one line
  // Runs with the arguments after the command name; returns the exit code.
  int (*Run)(const std::vector<std::string>& args);
};

// Adds COMMAND to the tool; returns true (for use in a static initialiser).
bool RegisterCommand(const Command& command);

// Reads the whole file; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

}  // namespace tool
