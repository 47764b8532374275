// The script reader: what each action line becomes, and which lines are refused with
// their line number.
#include <gtest/gtest.h>

#include "apps/host/Script.h"

namespace host {
namespace {

Action One(std::string_view line) {
  auto action = ParseScriptLine(line, 7);
  EXPECT_TRUE(action.has_value()) << line;
  return action.value_or(Action{});
}

TEST(Script, BlankAndCommentLinesAreSkipped) {
  for (std::string_view line : {"", "   ", "\t\r", "# just a comment", "   # indented"})
    EXPECT_FALSE(ParseScriptLine(line, 1).has_value()) << "'" << line << "'";
}

TEST(Script, ActionsWithoutArguments) {
  struct Case {
    std::string_view line;
    ActionKind kind;
  } cases[] = {{"hide", ActionKind::Hide},         {"show", ActionKind::Show},
               {"close  # ask first", ActionKind::Close}, {"canclose", ActionKind::CanClose},
               {"wait", ActionKind::Wait},         {"unload", ActionKind::Unload}};
  for (const auto& c : cases) {
    Action a = One(c.line);
    EXPECT_EQ(a.kind, c.kind) << c.line;
    EXPECT_EQ(a.line, 7);
  }
}

TEST(Script, QuotedTextsKeepSpacesHashesAndEscapes) {
  Action a = One(R"(context "Ordr118:po # list \"x\" \\")");
  EXPECT_EQ(a.kind, ActionKind::Context);
  EXPECT_EQ(a.text, R"(Ordr118:po # list "x" \)");
  Action t = One(reinterpret_cast<const char*>(u8R"(type "采购 单")"));
  EXPECT_EQ(t.kind, ActionKind::Type);
  EXPECT_EQ(t.text, reinterpret_cast<const char*>(u8"采购 单"));
  EXPECT_EQ(One(R"(context "")").text, "");
}

TEST(Script, StyleTakesHexDecimalAndBooleans) {
  Action a = One("style ShowTitle=false TitleColor=0x0000FF FormColor=12825237 ShowTitle=1");
  ASSERT_EQ(a.style.size(), 4u);
  EXPECT_EQ(a.style[0].field, "ShowTitle");
  EXPECT_EQ(a.style[0].value, 0);
  EXPECT_EQ(a.style[1].value, 0xFF);
  EXPECT_EQ(a.style[2].value, 12825237);
  EXPECT_EQ(a.style[3].value, 1);
  EXPECT_EQ(One("style PanelColor=0x80000005").style[0].value, 0x80000005);
}

TEST(Script, SelectForms) {
  struct Case {
    std::string_view line;
    SelectWhich which;
    std::int64_t number;
    bool alt;
  } cases[] = {
      {"select self", SelectWhich::Self, 0, false},
      {"select other parent=alt", SelectWhich::Other, 0, true},
      {"select 42 parent=main", SelectWhich::Number, 42, false},
      {"select -1", SelectWhich::Number, -1, false},
      {"select 0x10 parent=alt", SelectWhich::Number, 16, true},
  };
  for (const auto& c : cases) {
    Action a = One(c.line);
    EXPECT_EQ(a.kind, ActionKind::Select) << c.line;
    EXPECT_EQ(a.select, c.which) << c.line;
    EXPECT_EQ(a.number, c.number) << c.line;
    EXPECT_EQ(a.alt, c.alt) << c.line;
  }
}

TEST(Script, PointerAndKeyActions) {
  Action drag = One("drag 10 20 -5 400");
  EXPECT_EQ(drag.kind, ActionKind::Drag);
  EXPECT_EQ((std::vector<int>{drag.x, drag.y, drag.x2, drag.y2}), (std::vector<int>{10, 20, -5, 400}));
  Action dbl = One("dblclick 3 4");
  EXPECT_EQ(dbl.kind, ActionKind::DblClick);
  EXPECT_EQ(dbl.x, 3);
  EXPECT_EQ(dbl.y, 4);
  Action key = One("key Tab shift ctrl");
  EXPECT_EQ(key.kind, ActionKind::Key);
  EXPECT_EQ(key.number, 0x09);
  EXPECT_TRUE(key.shift);
  EXPECT_TRUE(key.ctrl);
  EXPECT_EQ(One(R"(shot "out/a b.png")").text, "out/a b.png");
}

TEST(Script, KeyNames) {
  struct Case {
    std::string_view name;
    int vk;
  } cases[] = {{"Enter", 0x0D}, {"escape", 0x1B}, {"F1", 0x70}, {"f12", 0x7B}, {"a", 'A'},
               {"Z", 'Z'},     {"7", '7'},       {"PageDown", 0x22}, {"F13", 0}, {"Foo", 0},
               {"", 0},        {"F", 'F'}};
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyFromName(c.name), c.vk) << c.name;
}

TEST(Script, BadLinesNameTheirLine) {
  struct Case {
    std::string_view script;
    int line;
    std::string_view mentions;
  } cases[] = {
      {"show\n\nfrobnicate 1\n", 3, "unknown action 'frobnicate'"},
      {"context Ordr118:x\n", 1, "usage: context"},
      {"# c\ncontext \"open\n", 2, "unterminated"},
      {"style Colour=1\n", 1, "unknown style field 'Colour'"},
      {"style TitleColor=red\n", 1, "bad colour"},
      {"style TitleColor=0x100000000\n", 1, "bad colour"},
      {"style\n", 1, "usage: style"},
      {"answer\n", 1, "usage: answer"},
      {"answer 9999999999\n", 1, "bad answer"},
      {"click 1\n", 1, "usage: click"},
      {"click 1 y\n", 1, "bad coordinate"},
      {"select me\n", 1, "bad form id"},
      {"select self parent=side\n", 1, "usage: select"},
      {"key Hyper\n", 1, "unknown key 'Hyper'"},
      {"key Tab alt\n", 1, "usage: key"},
      {"hide now\n", 1, "usage: hide"},
      {"shot\n", 1, "usage: shot"},
      {"\"show\"\n", 1, "must start with its name"},
  };
  for (const auto& c : cases) {
    try {
      ParseScript(c.script);
      ADD_FAILURE() << "accepted: " << c.script;
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.line(), c.line) << c.script;
      EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << e.what();
    }
  }
}

TEST(Script, WholeScriptKeepsOrderAndLineNumbers) {
  auto actions = ParseScript("# start\ncontext \"A:B\"\r\n\nanswer 6\nclose");
  ASSERT_EQ(actions.size(), 3u);
  EXPECT_EQ(actions[0].kind, ActionKind::Context);
  EXPECT_EQ(actions[0].line, 2);
  EXPECT_EQ(actions[1].number, 6);
  EXPECT_EQ(actions[1].line, 4);
  EXPECT_EQ(actions[2].kind, ActionKind::Close);
  EXPECT_EQ(actions[2].line, 5);
}

}  // namespace
}  // namespace host
