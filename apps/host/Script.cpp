#include "apps/host/Script.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace host {
namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

// Splits a line into words and "quoted texts" (\" and \\ escape inside quotes); a '#'
// outside quotes ends the line.
std::vector<Token> Tokenize(std::string_view line, int lineNumber) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '#') break;
    Token token;
    if (c == '"') {
      token.quoted = true;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char q = line[i++];
        if (q == '"') {
          closed = true;
          break;
        }
        if (q == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) q = line[i++];
        token.text += q;
      }
      if (!closed) throw ScriptError(lineNumber, "unterminated quoted text");
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '#' && line[i] != '"')
        token.text += line[i++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// An integer in decimal or 0x-hexadecimal, optionally negative, within [low, high].
std::int64_t ParseInteger(const std::string& s, std::int64_t low, std::int64_t high,
                          int lineNumber, std::string_view what) {
  std::string_view digits = s;
  bool negative = false;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.remove_prefix(1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  bool ok = !digits.empty() && ec == std::errc() && end == digits.data() + digits.size() &&
            magnitude <= std::uint64_t(std::numeric_limits<std::int64_t>::max());
  std::int64_t value = negative ? -std::int64_t(magnitude) : std::int64_t(magnitude);
  if (!ok || value < low || value > high)
    throw ScriptError(lineNumber, "bad " + std::string(what) + " '" + s + "'");
  return value;
}

int ParseCoordinate(const std::string& s, int lineNumber) {
  return int(ParseInteger(s, -100000, 100000, lineNumber, "coordinate"));
}

void ExpectCount(const std::vector<Token>& t, std::size_t count, int lineNumber,
                 std::string_view usage) {
  if (t.size() != count)
    throw ScriptError(lineNumber, "usage: " + std::string(usage));
}

std::string QuotedArgument(const std::vector<Token>& t, int lineNumber, std::string_view usage) {
  ExpectCount(t, 2, lineNumber, usage);
  if (!t[1].quoted) throw ScriptError(lineNumber, "usage: " + std::string(usage));
  return t[1].text;
}

StyleSetting ParseStyleSetting(const Token& token, int lineNumber) {
  auto eq = token.text.find('=');
  if (token.quoted || eq == std::string::npos || eq == 0)
    throw ScriptError(lineNumber, "style expects FIELD=VALUE, got '" + token.text + "'");
  StyleSetting setting{token.text.substr(0, eq), 0};
  std::string value = token.text.substr(eq + 1);
  const auto& names = StyleFieldNames();
  if (std::find(names.begin(), names.end(), setting.field) == names.end())
    throw ScriptError(lineNumber, "unknown style field '" + setting.field + "'");
  if (setting.field == "ShowTitle") {
    if (value == "true") value = "1";
    else if (value == "false") value = "0";
    setting.value = ParseInteger(value, 0, 255, lineNumber, "ShowTitle value");
  } else {
    setting.value = ParseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::uint32_t>::max(), lineNumber,
                                 "colour");
  }
  return setting;
}

Action ParseSelect(const std::vector<Token>& t, Action a) {
  constexpr std::string_view usage = "select self|other|N [parent=main|alt]";
  if (t.size() < 2 || t.size() > 3) throw ScriptError(a.line, "usage: " + std::string(usage));
  if (t[1].text == "self") {
    a.select = SelectWhich::Self;
  } else if (t[1].text == "other") {
    a.select = SelectWhich::Other;
  } else {
    a.select = SelectWhich::Number;
    a.number = ParseInteger(t[1].text, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::uint32_t>::max(), a.line, "form id");
  }
  if (t.size() == 3) {
    if (t[2].text == "parent=alt") a.alt = true;
    else if (t[2].text != "parent=main") throw ScriptError(a.line, "usage: " + std::string(usage));
  }
  return a;
}

Action ParseKey(const std::vector<Token>& t, Action a) {
  constexpr std::string_view usage = "key NAME [shift] [ctrl]";
  if (t.size() < 2 || t.size() > 4) throw ScriptError(a.line, "usage: " + std::string(usage));
  a.text = t[1].text;
  a.number = VirtualKeyFromName(a.text);
  if (a.number == 0) throw ScriptError(a.line, "unknown key '" + a.text + "'");
  for (std::size_t i = 2; i < t.size(); ++i) {
    if (t[i].text == "shift") a.shift = true;
    else if (t[i].text == "ctrl") a.ctrl = true;
    else throw ScriptError(a.line, "usage: " + std::string(usage));
  }
  return a;
}

struct Simple {
  std::string_view word;
  ActionKind kind;
};
constexpr Simple kNoArgument[] = {
    {"hide", ActionKind::Hide},         {"show", ActionKind::Show},
    {"close", ActionKind::Close},       {"canclose", ActionKind::CanClose},
    {"wait", ActionKind::Wait},         {"unload", ActionKind::Unload},
};

struct Pointer {
  std::string_view word;
  ActionKind kind;
};
constexpr Pointer kPointAction[] = {
    {"click", ActionKind::Click},
    {"dblclick", ActionKind::DblClick},
    {"mousemove", ActionKind::MouseMove},
};

}  // namespace

int VirtualKeyFromName(std::string_view name) {
  struct Named {
    std::string_view name;
    int vk;
  };
  static constexpr Named kKeys[] = {
      {"Enter", 0x0D},    {"Return", 0x0D},   {"Tab", 0x09},      {"Escape", 0x1B},
      {"Esc", 0x1B},      {"Space", 0x20},    {"Backspace", 0x08}, {"Delete", 0x2E},
      {"Insert", 0x2D},   {"Home", 0x24},     {"End", 0x23},      {"PageUp", 0x21},
      {"PageDown", 0x22}, {"Left", 0x25},     {"Up", 0x26},       {"Right", 0x27},
      {"Down", 0x28},
  };
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  auto same = [&](std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
  };
  for (const Named& key : kKeys)
    if (same(name, key.name)) return key.vk;
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  }
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    int n = 0;
    auto [end, ec] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
    if (ec == std::errc() && end == name.data() + name.size() && n >= 1 && n <= 12)
      return 0x70 + n - 1;
  }
  return 0;
}

const std::vector<std::string_view>& StyleFieldNames() {
  static const std::vector<std::string_view> names = {
      "ShowTitle",   "PanelColor",     "KeyFieldColor",      "BorderColor",
      "ToolBarColor", "FormColor",     "FocusedColor",       "TitleColor",
      "FieldColor",  "LabelLineColor", "RequiredFieldColor", "TabColor",
      "TabColorTo",  "ActiveTabColor", "ActiveTabColorTo"};
  return names;
}

std::optional<Action> ParseScriptLine(std::string_view line, int lineNumber) {
  std::vector<Token> t = Tokenize(line, lineNumber);
  if (t.empty()) return std::nullopt;
  Action a;
  a.line = lineNumber;
  const std::string& word = t[0].text;
  if (t[0].quoted) throw ScriptError(lineNumber, "an action must start with its name");

  for (const auto& s : kNoArgument) {
    if (word == s.word) {
      ExpectCount(t, 1, lineNumber, word);
      a.kind = s.kind;
      return a;
    }
  }
  for (const auto& p : kPointAction) {
    if (word == p.word) {
      ExpectCount(t, 3, lineNumber, word + " X Y");
      a.kind = p.kind;
      a.x = ParseCoordinate(t[1].text, lineNumber);
      a.y = ParseCoordinate(t[2].text, lineNumber);
      return a;
    }
  }
  if (word == "context") {
    a.kind = ActionKind::Context;
    a.text = QuotedArgument(t, lineNumber, "context \"TEXT\"");
  } else if (word == "type") {
    a.kind = ActionKind::Type;
    a.text = QuotedArgument(t, lineNumber, "type \"TEXT\"");
  } else if (word == "style") {
    a.kind = ActionKind::Style;
    if (t.size() < 2) throw ScriptError(lineNumber, "usage: style FIELD=VALUE ...");
    for (std::size_t i = 1; i < t.size(); ++i) a.style.push_back(ParseStyleSetting(t[i], lineNumber));
  } else if (word == "select") {
    a.kind = ActionKind::Select;
    return ParseSelect(t, a);
  } else if (word == "command") {
    a.kind = ActionKind::Command;
    ExpectCount(t, 2, lineNumber, "command NAME");
    a.text = t[1].text;
  } else if (word == "answer") {
    a.kind = ActionKind::Answer;
    ExpectCount(t, 2, lineNumber, "answer N");
    a.number = ParseInteger(t[1].text, std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::int32_t>::max(), lineNumber, "answer");
  } else if (word == "reply" || word == "shot") {
    a.kind = word == "reply" ? ActionKind::Reply : ActionKind::Shot;
    ExpectCount(t, 2, lineNumber, word + " FILE");
    a.text = t[1].text;
    if (a.text.empty()) throw ScriptError(lineNumber, "usage: " + word + " FILE");
  } else if (word == "drag") {
    a.kind = ActionKind::Drag;
    ExpectCount(t, 5, lineNumber, "drag X1 Y1 X2 Y2");
    a.x = ParseCoordinate(t[1].text, lineNumber);
    a.y = ParseCoordinate(t[2].text, lineNumber);
    a.x2 = ParseCoordinate(t[3].text, lineNumber);
    a.y2 = ParseCoordinate(t[4].text, lineNumber);
  } else if (word == "key") {
    a.kind = ActionKind::Key;
    return ParseKey(t, a);
  } else {
    throw ScriptError(lineNumber, "unknown action '" + word + "'");
  }
  return a;
}

std::vector<Action> ParseScript(std::string_view text) {
  std::vector<Action> actions;
  int lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++lineNumber;
    if (auto action = ParseScriptLine(text.substr(start, end - start), lineNumber))
      actions.push_back(std::move(*action));
    start = end + 1;
  }
  return actions;
}

}  // namespace host
