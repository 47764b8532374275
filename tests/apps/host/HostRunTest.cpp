// Scripted runs of ordr118-host against the fake plug-in (fake/FakePlugin.cpp), checked
// through the trace the host writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/Image.h"
#include "tests/apps/host/JsonReader.h"

namespace hosttest {
namespace {

std::string BinDir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, n > 0 ? std::size_t(n) : 0);
  return exe.substr(0, exe.rfind('/') + 1);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

const char* U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

struct HostRun {
  int exitCode = -1;
  std::string stderrText;
  std::vector<Json> trace;
  std::string dir;

  // Lines of the trace that satisfy pred.
  std::vector<const Json*> Where(const std::function<bool(const Json&)>& pred) const {
    std::vector<const Json*> out;
    for (const Json& j : trace)
      if (pred(j)) out.push_back(&j);
    return out;
  }
  std::vector<const Json*> Messages(int msg) const {
    return Where([&](const Json& j) { return j.has("msg") && j["msg"].i64() == msg; });
  }
  std::vector<const Json*> Events(const std::string& name) const {
    return Where([&](const Json& j) { return j.has("event") && j["event"].str() == name; });
  }
  // Index of the first line at or after `from` that satisfies pred; -1 if none.
  int IndexOf(const std::function<bool(const Json&)>& pred, int from = 0) const {
    for (int i = from; i < int(trace.size()); ++i)
      if (pred(trace[std::size_t(i)])) return i;
    return -1;
  }
};

std::function<bool(const Json&)> IsMsg(int msg) {
  return [msg](const Json& j) { return j.has("msg") && j["msg"].i64() == msg; };
}
std::function<bool(const Json&)> IsEvent(const std::string& name) {
  return [name](const Json& j) { return j.has("event") && j["event"].str() == name; };
}

// Runs the host on `script` with the fake plug-in; `extra` are more arguments.
HostRun RunHost(const std::string& script, const std::vector<std::string>& extra = {},
                bool withPlugin = true) {
  static int counter = 0;
  HostRun run;
  run.dir = testing::TempDir() + "hostrun_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "/";
  std::string mk = "mkdir -p " + Quote(run.dir);
  EXPECT_EQ(std::system(mk.c_str()), 0);
  WriteFile(run.dir + "script.txt", script);
  std::string cmd = "timeout 120 " + Quote(BinDir() + "ordr118-host") + " --script " +
                    Quote(run.dir + "script.txt") + " --trace " + Quote(run.dir + "trace.jsonl");
  if (withPlugin) cmd += " --plugin " + Quote(BinDir() + "libkvhost_fake_plugin.so");
  for (const std::string& a : extra) cmd += " " + Quote(a);
  cmd += " 2>" + Quote(run.dir + "stderr.txt") + " >/dev/null";
  int status = std::system(cmd.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.stderrText = ReadFile(run.dir + "stderr.txt");
  std::istringstream lines(ReadFile(run.dir + "trace.jsonl"));
  for (std::string line; std::getline(lines, line);) run.trace.push_back(ParseJson(line));
  std::filesystem::remove_all(run.dir);
  return run;
}

// A file of its own for this test process (runs of both builds may share the temp folder).
std::string TempFile(const std::string& name) {
  return testing::TempDir() + "hostrun_" + std::to_string(getpid()) + "_" + name;
}

std::vector<std::int64_t> Numbers(const Json& array) {
  std::vector<std::int64_t> out;
  for (const Json& j : array.items) out.push_back(j.i64());
  return out;
}

TEST(HostRun, StartUpLendsTheRecordsDuringChildCreated) {
  HostRun run = RunHost("wait\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  ASSERT_GE(run.trace.size(), 5u);

  EXPECT_EQ(run.trace.front()["event"].str(), "layout");
  EXPECT_EQ(Numbers(run.trace.front()["childArea"]), (std::vector<std::int64_t>{0, 30, 1280, 748}));

  int created = run.IndexOf(IsMsg(1130));
  int shown = run.IndexOf(IsEvent("ShowChildForm"));
  ASSERT_GE(created, 0);
  ASSERT_GT(shown, created);
  const Json& c = run.trace[std::size_t(created)];
  EXPECT_EQ(c["dir"].str(), "child->host");
  EXPECT_EQ(c["how"].str(), "send");
  EXPECT_EQ(c["name"].str(), "WM_HOST_CHILDCREATED");
  EXPECT_EQ(run.trace[std::size_t(shown)]["result"].i64(), c["wparam"].i64());
  EXPECT_NE(c["wparam"].i64(), 0);

  // 1128 and 1129 are sent while 1130 is handled, so they follow it and precede the return.
  int context = run.IndexOf(IsMsg(1128), created);
  int style = run.IndexOf(IsMsg(1129), created);
  EXPECT_TRUE(context > created && context < shown);
  EXPECT_TRUE(style > context && style < shown);
  const Json& ctx = run.trace[std::size_t(context)];
  EXPECT_EQ(ctx["dir"].str(), "host->child");
  EXPECT_EQ(ctx["text"].str(), "Ordr118:po_list");
  EXPECT_EQ(ctx["result"].i64(), 0);
  // The fake form reads the text by its length prefix and reports it back.
  auto status = run.Messages(1132);
  ASSERT_FALSE(status.empty());
  EXPECT_EQ((*status[0])["text"].str(), "context: Ordr118:po_list");

  auto child = run.Events("child");
  ASSERT_EQ(child.size(), 2u);  // shown, then destroyed with the plug-in at exit
  EXPECT_TRUE((*child[0])["visible"].b);
  EXPECT_EQ((*child[0])["parent"].str(), "main");
  EXPECT_EQ((*child[0])["state"].str(), "maximized");
  EXPECT_EQ(Numbers((*child[0])["bounds"]), (std::vector<std::int64_t>{0, 0, 1280, 748}));
  EXPECT_TRUE((*child[1])["destroyed"].b);

  const Json& exit = run.trace.back();
  EXPECT_EQ(exit["event"].str(), "exit");
  EXPECT_EQ(exit["oleStringsLive"].i64(), 0);
}

TEST(HostRun, SizeAndContextOptions) {
  HostRun run = RunHost("context \"A:B\"\n", {"--size", "800x600", "--context", U8(u8"模块:查询")});
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(Numbers(run.trace.front()["childArea"]), (std::vector<std::int64_t>{0, 30, 800, 548}));
  auto contexts = run.Messages(1128);
  ASSERT_EQ(contexts.size(), 2u);
  EXPECT_EQ((*contexts[0])["text"].str(), U8(u8"模块:查询"));
  EXPECT_EQ((*contexts[1])["text"].str(), "A:B");
  // Every 1128 lends the same record.
  EXPECT_EQ((*contexts[0])["wparam"].i64(), (*contexts[1])["wparam"].i64());
  auto status = run.Messages(1132);
  ASSERT_GE(status.size(), 2u);
  EXPECT_EQ((*status[0])["text"].str(), U8(u8"context: 模块:查询"));
}

TEST(HostRun, MessageBoxesTakeQueuedAnswers) {
  struct Case {
    const char* script;
    int msg;
    int msgResult;
    int dialogResult;
    bool answered;
    bool visibleAfter;
  } cases[] = {
      {"answer 6\nclose\n", 1127, 0, 6, true, false},
      {"close\n", 1127, 1, 0, false, true},
      {"answer 7\nclose\n", 1127, 1, 7, true, true},
      {"answer 6\ncanclose\n", 1142, 0, 6, true, true},
      {"canclose\n", 1142, 1, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    HostRun run = RunHost(c.script);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    auto sent = run.Messages(c.msg);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ((*sent[0])["result"].i64(), c.msgResult);
    auto dialogs = run.Events("dialog");
    ASSERT_EQ(dialogs.size(), 1u);
    const Json& d = *dialogs[0];
    EXPECT_EQ(d["caption"].str(), U8(u8"提示："));
    EXPECT_EQ(d["text"].str(), U8(u8"有数据未保存，您确定要退出当前窗体吗？"));
    EXPECT_EQ(d["flags"].i64(), 4);
    EXPECT_EQ(d["result"].i64(), c.dialogResult);
    EXPECT_EQ(d["answered"].b, c.answered);
    // The box is asked for while the message is handled.
    EXPECT_GT(run.IndexOf(IsEvent("dialog")), run.IndexOf(IsMsg(c.msg)));
    auto child = run.Events("child");
    ASSERT_GE(child.size(), 2u);
    EXPECT_EQ((*child[child.size() - 2])["visible"].b, c.visibleAfter);
  }
}

TEST(HostRun, AnswersAreUsedInOrder) {
  HostRun run = RunHost("answer 7\nanswer 6\ncanclose\nclose\ncanclose\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto dialogs = run.Events("dialog");
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ((*dialogs[0])["result"].i64(), 7);
  EXPECT_EQ((*dialogs[1])["result"].i64(), 6);
  EXPECT_FALSE((*dialogs[2])["answered"].b);
}

TEST(HostRun, SelectReparentsAndShowsOnlyForItsOwnId) {
  struct Case {
    const char* script;
    bool visible;
    const char* parent;
  } cases[] = {
      {"select self\n", true, "main"},
      {"select other\n", false, "main"},
      {"select -1\n", false, "main"},
      {"select self parent=alt\n", true, "alt"},
      {"select other parent=alt\n", false, "alt"},
      {"select self parent=alt\nselect self parent=main\n", true, "main"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    HostRun run = RunHost(c.script);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    std::int64_t id = (*run.Events("ShowChildForm")[0])["result"].i64();
    auto selects = run.Messages(1141);
    ASSERT_FALSE(selects.empty());
    const Json& first = *selects[0];
    if (std::string(c.script).rfind("select self", 0) == 0) {
      EXPECT_EQ(first["lparam"].i64(), id);
    } else {
      EXPECT_NE(first["lparam"].i64(), id);
    }
    auto child = run.Events("child");
    ASSERT_GE(child.size(), 2u);
    const Json& last = *child[child.size() - 2];  // the last one before the unload at exit
    EXPECT_EQ(last["visible"].b, c.visible);
    EXPECT_EQ(last["parent"].str(), c.parent);
  }
}

TEST(HostRun, TitleCloseButtonPostsChildClosed) {
  HostRun run = RunHost("answer 6\nclick 100 35\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto closed = run.Messages(1126);
  ASSERT_EQ(closed.size(), 1u);
  const Json& c = *closed[0];
  EXPECT_EQ(c["dir"].str(), "child->host");
  EXPECT_EQ(c["how"].str(), "post");
  EXPECT_FALSE(c.has("result"));
  EXPECT_EQ(c["wparam"].i64(), (*run.Events("ShowChildForm")[0])["result"].i64());
  int at = run.IndexOf(IsMsg(1126));
  int hidden = run.IndexOf([](const Json& j) { return j.has("event") && j["event"].str() == "child" && !j["visible"].b; });
  EXPECT_GT(hidden, at);
}

TEST(HostRun, ScreenshotsShowTheLentStyle) {
  HostRun run = RunHost(
      "shot a.png\n"
      "style TitleColor=0x0000FF\n"
      "shot b.png\n"
      "style ShowTitle=false FormColor=0x00FF00\n"
      "shot c.png\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto shots = run.Events("shot");
  ASSERT_EQ(shots.size(), 3u);
  EXPECT_EQ((*shots[0])["file"].str(), "a.png");
  auto styles = run.Messages(1129);
  ASSERT_EQ(styles.size(), 3u);
  EXPECT_EQ((*styles[0])["wparam"].i64(), (*styles[2])["wparam"].i64());

  struct Expect {
    const char* file;
    gfx::Pixel title, body;
  } expects[] = {
      {"a.png", 0x3A6EA5, 0x95B2C3},  // TitleColor 10841658, FormColor 12825237 (as 0xRRGGBB)
      {"b.png", 0xFF0000, 0x95B2C3},
      {"c.png", 0x00FF00, 0x00FF00},
  };
  // Shots are written relative to the host's working directory: the test's.
  for (const Expect& e : expects) {
    SCOPED_TRACE(e.file);
    gfx::Surface s;
    ASSERT_TRUE(gfx::LoadPng(e.file, s));
    EXPECT_EQ(s.width(), 1280);
    EXPECT_EQ(s.height(), 800);
    EXPECT_EQ(s.pixel(5, 30 + 5), e.title);
    EXPECT_EQ(s.pixel(5, 30 + 40), e.body);
    std::remove(e.file);
  }
}

TEST(HostRun, RepliesAnswerTheNextRequest) {
  std::string reply = TempFile("reply.xml");
  WriteFile(reply, U8(u8"<kovrane>采购单</kovrane>"));
  HostRun run = RunHost("reply " + reply + "\nshow\nshow\n");
  std::remove(reply.c_str());
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto opens = run.Messages(1134);
  ASSERT_EQ(opens.size(), 3u);  // at creation, then at each show
  EXPECT_EQ((*opens[0])["moduleCode"].str(), "Ordr118");
  EXPECT_EQ((*opens[0])["lparam"].i64(), (*run.Events("ShowChildForm")[0])["result"].i64());
  EXPECT_FALSE((*opens[0])["answered"].b);
  EXPECT_TRUE((*opens[1])["answered"].b);
  EXPECT_FALSE((*opens[2])["answered"].b);
  auto status = run.Messages(1132);
  ASSERT_EQ(status.size(), 2u);
  EXPECT_EQ((*status[1])["text"].str(), U8(u8"open: <kovrane>采购单</kovrane>"));
  EXPECT_EQ(run.trace.back()["oleStringsLive"].i64(), 0);
}

TEST(HostRun, UnloadDestroysTheForm) {
  HostRun run = RunHost("unload\nhide\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto child = run.Events("child");
  ASSERT_EQ(child.size(), 2u);
  EXPECT_TRUE((*child[1])["destroyed"].b);
  EXPECT_LT(run.IndexOf(IsEvent("child"), run.IndexOf(IsEvent("ShowChildForm")) + 1),
            run.IndexOf(IsMsg(1124)));
  EXPECT_EQ((*run.Messages(1124)[0])["result"].i64(), 0);
}

TEST(HostRun, BadScriptsFailWithTheirLine) {
  struct Case {
    const char* script;
    int exitCode;
    const char* message;
    bool formShown;
  } cases[] = {
      {"show\nfly away\n", 2, "line 2: unknown action 'fly'", false},
      {"wait\n\nclick 1\n", 2, "line 3: usage: click X Y", false},
      {"show\ncommand nosuch\nhide\n", 1, "line 2: no announced command named 'nosuch'", true},
      {"reply /nonexistent/answer.xml\n", 1, "line 1: cannot read the reply file", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    HostRun run = RunHost(c.script);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_NE(run.stderrText.find(c.message), std::string::npos) << run.stderrText;
    auto errors = run.Events("error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE((*errors[0])["message"].str().find(c.message), std::string::npos);
    EXPECT_EQ(run.Events("ShowChildForm").empty(), !c.formShown);
    if (c.formShown) {
      EXPECT_TRUE(run.Messages(1124).empty()) << "actions after the error ran";
    }
  }
}

TEST(HostRun, MissingPluginIsReported) {
  HostRun run = RunHost("wait\n", {"--plugin", "/nonexistent/libordr118.so"}, false);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.stderrText.find("cannot load the plug-in"), std::string::npos);
  EXPECT_EQ(run.stderrText.find("Sanitizer"), std::string::npos) << run.stderrText;
  ASSERT_FALSE(run.trace.empty());
  EXPECT_EQ(run.trace.back()["event"].str(), "exit");
}

TEST(HostRun, UsageErrors) {
  for (const char* args : {"--size 10x10", "--size wide", "--bogus", "--window", "--trace"}) {
    SCOPED_TRACE(args);
    std::string cmd = "timeout 60 " + Quote(BinDir() + "ordr118-host") + " " + args + " >/dev/null 2>&1";
    int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
  }
}

}  // namespace
}  // namespace hosttest

namespace hosttest {
namespace {

TEST(HostRun, CommandSetsBecomeTheToolbar) {
  HostRun run = RunHost("show\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto own = run.Messages(1131), base = run.Messages(1133);
  ASSERT_EQ(own.size(), 2u);  // the first show and the show action
  ASSERT_EQ(base.size(), 2u);
  EXPECT_LT(run.IndexOf(IsMsg(1131)), run.IndexOf(IsMsg(1133)));
  const Json& ownList = (*own[0])["commands"];
  ASSERT_EQ(ownList.items.size(), 1u);
  EXPECT_EQ(ownList[0]["Name"].str(), "Command1");
  EXPECT_EQ(ownList[0]["Caption"].str(), "");
  EXPECT_EQ(ownList[0]["Hint"].str(), U8(u8"显示/隐藏总览"));
  EXPECT_TRUE(ownList[0]["Bitmap"].b);
  const Json& baseList = (*base[0])["commands"];
  ASSERT_EQ(baseList.items.size(), 3u);
  EXPECT_EQ(baseList[0]["Name"].str(), "new");
  EXPECT_EQ(baseList[0]["Caption"].str(), "new");
  EXPECT_FALSE(baseList[0]["Bitmap"].b);
  EXPECT_EQ(baseList[2]["Name"].str(), "search");

  auto toolbars = run.Events("toolbar");
  ASSERT_FALSE(toolbars.empty());
  const Json& buttons = (*toolbars.back())["buttons"];
  std::vector<std::string> names;
  for (const Json& b : buttons.items) names.push_back(b["name"].str());
  EXPECT_EQ(names, (std::vector<std::string>{"new", "update", "search", "Command1"}));
  for (const Json& b : buttons.items) {
    auto r = Numbers(b["bounds"]);
    EXPECT_GE(r[1], 0);
    EXPECT_LE(r[1] + r[3], 30) << "buttons lie in the toolbar";
  }
}

TEST(HostRun, CommandsRunTheirHandlers) {
  struct Case {
    const char* name;
    bool handled;
    const char* status;  // the status text the fake sends from its handler, or ""
  } cases[] = {
      {"new", true, "ran new from new"},
      {"Command1", true, "ran Command1"},
      {"update", false, ""},
      {"search", true, "query: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostRun run = RunHost(std::string("command ") + c.name + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    auto commands = run.Events("command");
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ((*commands[0])["name"].str(), c.name);
    EXPECT_EQ((*commands[0])["handled"].b, c.handled);
    int at = run.IndexOf(IsEvent("command"));
    int status = run.IndexOf(IsMsg(1132), at);
    if (*c.status) {
      ASSERT_GT(status, at);
      EXPECT_EQ(run.trace[std::size_t(status)]["text"].str(), c.status);
    } else {
      EXPECT_EQ(status, -1);
    }
  }
}

TEST(HostRun, DataQueryIsAnsweredFromAReply) {
  std::string reply = TempFile("query.xml");
  WriteFile(reply, "<kovrane/>");
  HostRun run = RunHost("reply " + reply + "\ncommand search\n");
  std::remove(reply.c_str());
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto queries = run.Messages(1139);
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_TRUE((*queries[0])["answered"].b);
  EXPECT_NE((*queries[0])["lparam"].i64(), 0) << "the address of the argument variable";
  EXPECT_EQ((*run.Messages(1132).back())["text"].str(), "query: <kovrane/>");
  EXPECT_EQ(run.trace.back()["oleStringsLive"].i64(), 0);
}

TEST(HostRun, ToolbarButtonsClickHoverAndDraw) {
  // A first run tells where the buttons are.
  HostRun layout = RunHost("wait\n");
  ASSERT_EQ(layout.exitCode, 0) << layout.stderrText;
  const Json& buttons = (*layout.Events("toolbar").back())["buttons"];
  auto overview = Numbers(buttons[3]["bounds"]);  // Command1: x, y, w, h
  int cx = int(overview[0] + overview[2] / 2), cy = int(overview[1] + overview[3] / 2);

  HostRun run = RunHost("shot plain.png\nmousemove " + std::to_string(cx) + " " + std::to_string(cy) +
                        "\nshot hover.png\nclick " + std::to_string(cx) + " " + std::to_string(cy) + "\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  auto commands = run.Events("command");
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ((*commands[0])["name"].str(), "Command1");
  EXPECT_EQ((*run.Messages(1132).back())["text"].str(), "ran Command1");

  gfx::Surface plain, hover;
  ASSERT_TRUE(gfx::LoadPng("plain.png", plain));
  ASSERT_TRUE(gfx::LoadPng("hover.png", hover));
  // The glyph's blue square is drawn, its white ground is left out.
  EXPECT_EQ(plain.pixel(cx, cy), 0x0000FFu);
  EXPECT_NE(plain.pixel(cx - 7, cy - 7), 0xFFFFFFu);
  // Hovering shows the hint under the button on the tool-tip colour; before, the child
  // area was there.
  int tipX = int(overview[0]) + 1, tipY = 30 + 2 + 1;
  EXPECT_EQ(hover.pixel(tipX, tipY), 0xFFFFE1u);
  EXPECT_NE(plain.pixel(tipX, tipY), 0xFFFFE1u);
  std::remove("plain.png");
  std::remove("hover.png");
}

}  // namespace
}  // namespace hosttest
