// The trace writer: JSON escaping, and lines kept in the order their messages started even
// though a sent message's result is known only after the messages nested inside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "apps/host/Json.h"
#include "apps/host/Trace.h"

namespace host {
namespace {

TEST(Json, StringsAreEscapedAndAlwaysValidUtf8) {
  struct Case {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c", R"("a\"b\\c")"},
      {"line\nbreak\ttab\r", R"("line\nbreak\ttab\r")"},
      {std::string_view("\x01\x1f", 2), R"("\u0001\u001f")"},
      {"\xE9\x87\x87", "\"\xE9\x87\x87\""},         // 采 in UTF-8 stays as it is
      {"\xB2\xC9", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},  // code page 936 bytes are not UTF-8
      {"\xE9\x87", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a cut sequence
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},  // overlong
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.in), c.out);
}

TEST(Json, ObjectKeepsFieldOrder) {
  JsonObject o;
  o.Add("dir", "host->child").Add("msg", 1130).AddBool("ok", false).AddRaw("bounds", "[1, 2]");
  o.Add("big", std::uint64_t(1) << 40).Add("neg", std::int64_t(-5));
  EXPECT_EQ(o.str(),
            R"({"dir": "host->child", "msg": 1130, "ok": false, "bounds": [1, 2], "big": 1099511627776, "neg": -5})");
  EXPECT_EQ(JsonObject().str(), "{}");
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Trace, NestedSendsFollowTheirOuterMessage) {
  std::string path = testing::TempDir() + "trace_order.jsonl";
  {
    Trace trace;
    ASSERT_TRUE(trace.Open(path));
    JsonObject outer, inner, event;
    outer.Add("msg", 1130);
    inner.Add("msg", 1128);
    event.Add("event", "x");
    auto a = trace.Begin(outer);
    auto b = trace.Begin(inner);
    trace.Finish(b, 0);
    EXPECT_EQ(ReadAll(path), "") << "the outer line is still open";
    trace.Write(event);
    trace.Finish(a, 7);
    trace.Finish(a, 8);  // a second finish of a written line changes nothing
    EXPECT_EQ(ReadAll(path),
              "{\"msg\": 1130, \"result\": 7}\n{\"msg\": 1128, \"result\": 0}\n{\"event\": \"x\"}\n");
    auto c = trace.Begin(outer);
    (void)c;
  }  // closing writes what is still open, without a result
  EXPECT_EQ(ReadAll(path).substr(ReadAll(path).rfind('{')), "{\"msg\": 1130}\n");
  std::remove(path.c_str());
}

TEST(Trace, WithoutAFileNothingIsKept) {
  Trace trace;
  JsonObject line;
  line.Add("msg", 1);
  auto t = trace.Begin(line);
  trace.Finish(t, 0);
  trace.Write(line);
  EXPECT_FALSE(trace.enabled());
  EXPECT_FALSE(trace.Open("/nonexistent-dir/x/trace.jsonl"));
}

TEST(Trace, MessageNames) {
  EXPECT_STREQ(HostMessageName(1130), "WM_HOST_CHILDCREATED");
  EXPECT_STREQ(HostMessageName(1142), "WM_CHILD_CANCLOSE");
  EXPECT_STREQ(HostMessageName(1136), "");
}

}  // namespace
}  // namespace host
