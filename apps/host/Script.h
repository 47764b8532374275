// The host's script language: one action a line, '#' starts a comment, quoted texts are
// UTF-8. Parsing is separate from running so that a bad script fails before anything runs.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

enum class ActionKind {
  Context,   // text
  Style,     // fields
  Hide,
  Show,
  Close,
  CanClose,
  Select,    // selectWhich, number, alt
  Command,   // text (the command name)
  Answer,    // number
  Reply,     // text (a file whose contents answer the next request)
  Click,     // x, y
  DblClick,  // x, y
  Drag,      // x, y, x2, y2
  MouseMove, // x, y
  Key,       // text (key name), number (its virtual-key code), shift, ctrl
  Type,      // text
  Shot,      // text (file)
  Wait,
  Unload,
};

// Which form id a select action passes.
enum class SelectWhich { Self, Other, Number };

// One field assignment of a style action: the field name as in TChildStyle, and its value.
struct StyleSetting {
  std::string field;
  std::int64_t value = 0;
};

// One parsed action with the line it came from (1-based).
struct Action {
  ActionKind kind = ActionKind::Wait;
  int line = 0;
  std::string text;  // UTF-8
  std::vector<StyleSetting> style;
  SelectWhich select = SelectWhich::Self;
  std::int64_t number = 0;
  bool alt = false;
  int x = 0, y = 0, x2 = 0, y2 = 0;
  bool shift = false, ctrl = false;
};

// A script that could not be read; what() is "line N: <what went wrong>".
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// The TChildStyle field names a style action accepts, in record order.
const std::vector<std::string_view>& StyleFieldNames();

// The virtual-key code of a key name (Enter, Tab, Escape, Space, Backspace, Delete, Insert,
// Home, End, PageUp, PageDown, Left, Up, Right, Down, F1..F12, a letter or a digit; any
// case), or 0 for an unknown name.
int VirtualKeyFromName(std::string_view name);

// Parses a whole script; throws ScriptError at the first bad line.
std::vector<Action> ParseScript(std::string_view text);

// Parses one line (without its line break); nullopt for a blank or comment-only line.
std::optional<Action> ParseScriptLine(std::string_view line, int lineNumber);

}  // namespace host
