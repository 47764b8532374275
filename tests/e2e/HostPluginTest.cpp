// The plug-in in the demo host: scripted runs of ordr118-host, checked through its JSON
// trace and the pixels of its screenshots.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/Image.h"
#include "platform/gfx/Surface.h"
#include "tests/apps/host/JsonReader.h"

namespace e2etest {
namespace {

using hosttest::Json;
using hosttest::ParseJson;

// The host's layout: toolbar 30 pixels high, the child area below it, 1280 wide.
constexpr int kAreaTop = 30;
constexpr int kAreaWidth = 1280;
// The form's title bar: caption area from x 20, buttons (57) and corner (25) at the right.
constexpr int kCornerLeft = kAreaWidth - 25;
constexpr int kCloseButtonX = kAreaWidth - 25 - 57 + 39 + 2 + 8;
constexpr int kTitleY = kAreaTop + 9;
constexpr int kTitleColor = 0x00304050;
constexpr int kFormColor = 0x00C0D0E0;

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

using Pred = std::function<bool(const Json&)>;

Pred IsMsg(int msg) {
  return [msg](const Json& j) { return j.has("msg") && j["msg"].i64() == msg; };
}
Pred IsEvent(const std::string& name) {
  return [name](const Json& j) { return j.has("event") && j["event"].str() == name; };
}
Pred IsSentToChild() {
  return [](const Json& j) { return j.has("dir") && j["dir"].str() == "host->child"; };
}

struct HostRun {
  int exitCode = -1;
  std::string stderrText;
  std::string dir;
  std::vector<Json> trace;

  int IndexOf(const Pred& pred, int from = 0) const {
    for (int i = from; i < int(trace.size()); ++i)
      if (pred(trace[std::size_t(i)])) return i;
    return -1;
  }
  std::vector<int> All(const Pred& pred) const {
    std::vector<int> out;
    for (int i = 0; i < int(trace.size()); ++i)
      if (pred(trace[std::size_t(i)])) out.push_back(i);
    return out;
  }
  const Json& At(int i) const { return trace.at(std::size_t(i)); }
  // The numbers of the messages between lines FROM and TO (exclusive).
  std::vector<std::int64_t> MessagesBetween(int from, int to) const {
    std::vector<std::int64_t> out;
    for (int i = from + 1; i < to && i < int(trace.size()); ++i)
      if (At(i).has("msg")) out.push_back(At(i)["msg"].i64());
    return out;
  }
  // The screenshot called NAME in the run's folder.
  gfx::Surface Shot(const std::string& name) const {
    gfx::Surface s;
    EXPECT_TRUE(gfx::LoadPng(dir + name, s)) << name;
    return s;
  }
};

// Runs the host with the plug-in on SCRIPT; "%D/" in the script is the run's folder.
HostRun RunHost(std::string script) {
  static int counter = 0;
  HostRun run;
  run.dir = testing::TempDir() + "e2e_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "/";
  EXPECT_EQ(std::system(("mkdir -p '" + run.dir + "'").c_str()), 0);
  for (std::size_t at; (at = script.find("%D/")) != std::string::npos;) script.replace(at, 3, run.dir);
  std::ofstream(run.dir + "script.txt", std::ios::binary) << script;
  std::string cmd = "timeout 120 '" + BinDir() + "ordr118-host' --script '" + run.dir + "script.txt' --trace '" +
                    run.dir + "trace.jsonl' 2>'" + run.dir + "stderr.txt' >/dev/null";
  int status = std::system(cmd.c_str());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.stderrText = ReadFile(run.dir + "stderr.txt");
  std::istringstream lines(ReadFile(run.dir + "trace.jsonl"));
  for (std::string line; std::getline(lines, line);) run.trace.push_back(ParseJson(line));
  return run;
}

std::string StyleLine(bool showTitle) {
  return "style ShowTitle=" + std::string(showTitle ? "true" : "false") + " TitleColor=" +
         std::to_string(kTitleColor) + " FormColor=" + std::to_string(kFormColor) + "\n";
}

// The pixel at (X, Y) as a colour value 0x00BBGGRR.
uint32_t ColorAt(const gfx::Surface& s, int x, int y) { return uint32_t(gfx::PixelToColorRef(s.pixel(x, y))); }

// The form's state from the last "child" event of the run before line TO.
const Json* LastChildBefore(const HostRun& run, int to) {
  const Json* last = nullptr;
  for (int i = 0; i < to && i < int(run.trace.size()); ++i)
    if (IsEvent("child")(run.At(i))) last = &run.At(i);
  return last;
}

TEST(HostPlugin, StartUpAnnouncesTheFormAndItsCommandSets) {
  HostRun run = RunHost("wait\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  int created = run.IndexOf(IsMsg(1130));
  int shown = run.IndexOf(IsEvent("ShowChildForm"));
  ASSERT_GE(created, 0);
  ASSERT_GT(shown, created);
  EXPECT_NE(run.At(created)["wparam"].i64(), 0);
  EXPECT_EQ(run.At(shown)["result"].i64(), run.At(created)["wparam"].i64());
  // After 1130 (with the records lent inside it): 1131, then 1133, before the export returns.
  int own = run.IndexOf(IsMsg(1131), created);
  int base = run.IndexOf(IsMsg(1133), created);
  EXPECT_TRUE(own > created && base > own && base < shown);
  std::vector<std::string> names;
  for (const Json& c : run.At(base)["commands"].items) names.push_back(c["Name"].str());
  EXPECT_EQ(names, (std::vector<std::string>{"new", "update", "delete", "save", "search", "cancel", "firstrec",
                                             "priorrec", "nextrec", "lastrec"}));
  EXPECT_EQ(run.At(base)["commands"][0]["Caption"].str(), "new");
  EXPECT_TRUE(run.At(own)["commands"].items.empty());
  const Json& child = run.At(run.IndexOf(IsEvent("child")));
  EXPECT_TRUE(child["visible"].b);
  EXPECT_EQ(child["state"].str(), "maximized");
  EXPECT_EQ(run.trace.back()["oleStringsLive"].i64(), 0);
  EXPECT_EQ(run.IndexOf(IsEvent("error")), -1);
}

TEST(HostPlugin, ShowAndSelectAnnounceOnlyWhenTheFormIsShown) {
  HostRun run = RunHost("show\nshow\nselect other\nselect -1\nselect self parent=alt\nhide\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  std::vector<int> sends = run.All(IsSentToChild());
  ASSERT_GE(sends.size(), 8u);
  // Skip the records lent during start-up: 1128 and 1129.
  std::vector<int> actions(sends.begin() + 2, sends.end());
  ASSERT_EQ(actions.size(), 6u);
  struct Expect {
    int msg;
    bool announces;
    bool visibleAfter;
  } expected[] = {{1125, true, true}, {1125, true, true}, {1141, false, false},
                  {1141, false, false}, {1141, true, true}, {1124, false, false}};
  for (std::size_t i = 0; i < actions.size(); ++i) {
    SCOPED_TRACE(i);
    int at = actions[i];
    int next = i + 1 < actions.size() ? actions[i + 1] : int(run.trace.size());
    EXPECT_EQ(run.At(at)["msg"].i64(), expected[i].msg);
    EXPECT_EQ(run.At(at)["result"].i64(), 0);
    const std::vector<std::int64_t> announced =
        expected[i].announces ? std::vector<std::int64_t>{1131, 1133} : std::vector<std::int64_t>{};
    EXPECT_EQ(run.MessagesBetween(at, next), announced);
    // The last child event before the next action tells the state the action left.
    const Json* state = LastChildBefore(run, next);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ((*state)["visible"].b, expected[i].visibleAfter);
  }
  // A non-matching select still re-parents; the matching one moved the form to the other area.
  const Json* selected = LastChildBefore(run, actions[5]);
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ((*selected)["parent"].str(), "alt");
}

TEST(HostPlugin, CloseRequestsAnswerFromCanCloseChild) {
  HostRun run = RunHost("canclose\nclose\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  int can = run.IndexOf(IsMsg(1142));
  int close = run.IndexOf(IsMsg(1127));
  ASSERT_GE(can, 0);
  ASSERT_GT(close, can);
  EXPECT_EQ(run.At(can)["result"].i64(), 0);
  EXPECT_EQ(run.At(close)["result"].i64(), 0);
  int child = run.IndexOf(IsEvent("child"), close);
  ASSERT_GE(child, 0);
  EXPECT_FALSE(run.At(child)["visible"].b);
  EXPECT_FALSE(run.At(child).has("destroyed"));  // hidden, not freed
  EXPECT_EQ(run.MessagesBetween(can, close), std::vector<std::int64_t>{});
}

TEST(HostPlugin, TitleBarCornerAndStyleOnScreenshots) {
  HostRun run = RunHost(StyleLine(true) + "shot %D/shown.png\n" + StyleLine(false) + "shot %D/hidden.png\n" +
                        StyleLine(true) + "shot %D/again.png\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  for (const char* name : {"shown.png", "again.png"}) {
    SCOPED_TRACE(name);
    gfx::Surface s = run.Shot(name);
    ASSERT_EQ(s.width(), kAreaWidth);
    // 18 rows of title colour (checked left of the caption text), then the form colour.
    for (int y = kAreaTop; y < kAreaTop + 18; ++y) EXPECT_EQ(ColorAt(s, 5, y), uint32_t(kTitleColor)) << y;
    EXPECT_EQ(ColorAt(s, 5, kAreaTop + 18), uint32_t(kFormColor));
    // The corner box: title colour above its bottom-left to top-right diagonal, form colour below.
    struct Probe {
      int x, y;
      bool title;
    } probes[] = {{0, 0, true}, {1, 16, true}, {23, 0, true}, {10, 8, true},
                  {24, 17, false}, {24, 2, false}, {2, 17, false}, {16, 9, false}};
    for (const Probe& p : probes)
      EXPECT_EQ(ColorAt(s, kCornerLeft + p.x, kAreaTop + p.y), uint32_t(p.title ? kTitleColor : kFormColor))
          << p.x << "," << p.y;
    // Only the close button shows: its frame is grey, the maximise and minimise places are bare.
    bool grey = false;
    for (int x = kCloseButtonX - 8; x < kCloseButtonX + 8; ++x)
      grey = grey || ColorAt(s, x, kTitleY - 5) == 0x808080;
    EXPECT_TRUE(grey);
    for (int x = kCornerLeft - 57; x < kCornerLeft - 18; ++x)
      for (int y = kAreaTop; y < kAreaTop + 18; ++y) ASSERT_EQ(ColorAt(s, x, y), uint32_t(kTitleColor)) << x << "," << y;
  }
  gfx::Surface hidden = run.Shot("hidden.png");
  for (int y : {kAreaTop, kTitleY, kAreaTop + 17}) {
    EXPECT_EQ(ColorAt(hidden, 5, y), uint32_t(kFormColor)) << y;
    EXPECT_EQ(ColorAt(hidden, kCornerLeft + 2, y), uint32_t(kFormColor)) << y;
  }
}

TEST(HostPlugin, CaptionDoubleClickTogglesMaximiseAndDragMovesTheForm) {
  // The first toggle posts SC_MAXIMIZE (the form already is), the second SC_RESTORE.
  HostRun run = RunHost("dblclick 300 " + std::to_string(kTitleY) + "\nwait\nshot %D/1.png\n" +
                        "dblclick 300 " + std::to_string(kTitleY) + "\nwait\nshot %D/2.png\n" +
                        "drag 300 " + std::to_string(kTitleY) + " 360 " + std::to_string(kTitleY + 40) +
                        "\nshot %D/3.png\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  std::vector<int> shots = run.All(IsEvent("shot"));
  ASSERT_EQ(shots.size(), 3u);
  const Json* afterFirst = LastChildBefore(run, shots[0]);
  const Json* afterSecond = LastChildBefore(run, shots[1]);
  const Json* afterDrag = LastChildBefore(run, shots[2]);
  ASSERT_TRUE(afterFirst && afterSecond && afterDrag);
  EXPECT_EQ((*afterFirst)["state"].str(), "maximized");
  EXPECT_EQ((*afterSecond)["state"].str(), "normal");
  std::vector<std::int64_t> before, after;
  for (const Json& v : (*afterSecond)["bounds"].items) before.push_back(v.i64());
  for (const Json& v : (*afterDrag)["bounds"].items) after.push_back(v.i64());
  ASSERT_EQ(before.size(), 4u);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[0] - before[0], 60);
  EXPECT_EQ(after[1] - before[1], 40);
  EXPECT_EQ(after[2], before[2]);
  EXPECT_EQ(after[3], before[3]);
}

TEST(HostPlugin, CloseButtonClosesTheFormBeforeTheHostHearsOfIt) {
  HostRun run = RunHost(StyleLine(true) + "click " + std::to_string(kCloseButtonX) + " " + std::to_string(kTitleY) +
                        "\nwait\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  int closed = run.IndexOf(IsMsg(1126));
  ASSERT_GE(closed, 0) << "no 1126";
  const Json& line = run.At(closed);
  EXPECT_EQ(line["how"].str(), "post");
  EXPECT_EQ(line["lparam"].i64(), 0);
  EXPECT_EQ(line["wparam"].i64(), run.At(run.IndexOf(IsMsg(1130)))["wparam"].i64());
  // The host reads the form's state as it handles 1126: already hidden, still there.
  int child = run.IndexOf(IsEvent("child"), closed);
  ASSERT_GE(child, 0);
  EXPECT_FALSE(run.At(child)["visible"].b);
  EXPECT_FALSE(run.At(child).has("destroyed"));
  const Json* before = LastChildBefore(run, closed);
  ASSERT_NE(before, nullptr);
  EXPECT_TRUE((*before)["visible"].b);
}

TEST(HostPlugin, BaseCommandOnAFormWithoutHooksDoesNothing) {
  HostRun run = RunHost("command new\ncommand search\ncommand lastrec\n");
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  std::vector<int> commands = run.All(IsEvent("command"));
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(run.At(commands[0])["name"].str(), "new");
  EXPECT_EQ(run.IndexOf(IsEvent("error")), -1);
  EXPECT_EQ(run.MessagesBetween(commands[0], int(run.trace.size()) - 1), std::vector<std::int64_t>{});
}

}  // namespace
}  // namespace e2etest
