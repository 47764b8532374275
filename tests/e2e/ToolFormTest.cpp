// ordr118-tool form CLASS: the plug-in's forms and data modules built without a host.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "tests/apps/host/JsonReader.h"

namespace e2etest {
namespace {

using hosttest::Json;

std::string ToolPath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string exe(path, n > 0 ? std::size_t(n) : 0);
  return exe.substr(0, exe.rfind('/') + 1) + "ordr118-tool";
}

struct ToolRun {
  int exitCode = -1;
  std::string out;
};

ToolRun RunTool(const std::string& args) {
  ToolRun run;
  FILE* pipe = popen(("timeout 60 '" + ToolPath() + "' " + args + " 2>/dev/null").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const char* U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(ToolForm, PurchaseOrderFormAtItsDesignSize) {
  ToolRun run = RunTool("form TfrmOrdr118");
  ASSERT_EQ(run.exitCode, 0);
  Json doc = hosttest::ParseJson(run.out);
  EXPECT_EQ(doc["class"].str(), "TfrmOrdr118");
  const auto& components = doc["components"].items;
  ASSERT_GE(components.size(), 15u);
  const Json& form = components[0];
  EXPECT_EQ(form["class"].str(), "TfrmOrdr118");
  EXPECT_EQ(form["parent"].kind, Json::Null);
  EXPECT_EQ(form["caption"].str(), "frmOrdr118");
  EXPECT_EQ(form["width"].i64(), 512);
  EXPECT_EQ(form["props"]["BorderStyle"].str(), "bsNone");
  EXPECT_EQ(form["props"]["KeyPreview"].str(), "True");
  // Ownership order: the two command sets first, as the resource declares them.
  EXPECT_EQ(components[1]["name"].str(), "chldcmnd");
  EXPECT_EQ(components[1]["left"].kind, Json::Null);
  EXPECT_FALSE(components[1]["props"].has("Commands"));  // empty: the default
  EXPECT_EQ(components[2]["name"].str(), "chldcmndBase");
  EXPECT_EQ(components[2]["props"]["Commands"].str().rfind("<item Caption = 'new' Name = 'new' OnExecute = "
                                                          "chldcmndBaseCommands0Execute end item Name = 'update'",
                                                          0),
            0u);

  std::map<std::string, const Json*> byName;
  for (const Json& c : components) byName[c["name"].str()] = &c;
  struct Expect {
    const char* name;
    const char* parent;
    int left, top, width, height;
    bool visible;
  } expected[] = {
      {"pnlFormTitle", "frmChildBase", 0, 0, 512, 18, true},
      {"pnlFormTileRight", "pnlFormTitle", 487, 0, 25, 18, true},
      {"pbTitleRight", "pnlFormTileRight", 0, 0, 25, 18, true},
      {"pnlFormTitleBtn", "pnlFormTitle", 430, 0, 57, 18, true},
      {"pnlFormTitleCloseBtn", "pnlFormTitleBtn", 39, 0, 18, 18, true},
      {"pnlFormTitleMaxBtn", "pnlFormTitleBtn", 21, 0, 18, 18, false},
      {"pnlFormTitleMinBtn", "pnlFormTitleBtn", 3, 0, 18, 18, false},
      {"btnFormTitleColse", "pnlFormTitleCloseBtn", 2, 0, 16, 16, true},
      {"pnlFormTileMid", "pnlFormTitle", 20, 0, 410, 18, true},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(byName.count(e.name));
    const Json& c = *byName[e.name];
    EXPECT_EQ(c["parent"].str(), e.parent);
    EXPECT_EQ(c["left"].i64(), e.left);
    EXPECT_EQ(c["top"].i64(), e.top);
    EXPECT_EQ(c["width"].i64(), e.width);
    EXPECT_EQ(c["height"].i64(), e.height);
    EXPECT_EQ(c["visible"].b, e.visible);
  }
  const Json& title = *byName["pnlFormTitle"];
  EXPECT_EQ(title["props"]["Color"].str(), "10841658");
  EXPECT_EQ(title["tabOrder"].i64(), 0);
  EXPECT_FALSE(byName["pbTitleRight"]->has("tabOrder"));
  EXPECT_FALSE(byName["pbTitleRight"]->has("caption"));
  // Not shown yet, so the caption area still holds the resource's text.
  EXPECT_EQ((*byName["pnlFormTileMid"])["caption"].str(), U8(u8"窗口"));
  EXPECT_EQ((*byName["btnFormTitleColse"])["props"]["ColorBorder"].str(), "clBackground");
  EXPECT_EQ((*byName["btnFormTitleColse"])["props"]["Glyph.Data"].str().substr(0, 9), "{36030000");
}

TEST(ToolForm, DataModulesAndBadClasses) {
  ToolRun dm = RunTool("form TBaseDm");
  ASSERT_EQ(dm.exitCode, 0);
  Json doc = hosttest::ParseJson(dm.out);
  ASSERT_EQ(doc["components"].items.size(), 1u);
  EXPECT_EQ(doc["components"][0]["class"].str(), "TBaseDm");
  EXPECT_EQ(doc["components"][0]["width"].kind, Json::Null);
  struct Case {
    const char* args;
    int exitCode;
  } cases[] = {{"form TNoSuchForm", 1}, {"form TfrmChildBase", 1}, {"form TPanel", 1}, {"form", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.out.empty());
  }
}

}  // namespace
}  // namespace e2etest
