// ordr118-tool run on fixture files: its JSON, line by line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/win/CodePage.h"

namespace {

std::string SourceDir() {
  const char* dir = std::getenv("KV_SOURCE_DIR");
  return dir ? dir : KV_TEST_SOURCE_DIR;
}

std::string ToolPath() {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path(self, n > 0 ? std::size_t(n) : 0);
  return path.substr(0, path.rfind('/') + 1) + "ordr118-tool";
}

struct ToolRun {
  int exitCode;
  std::string out;
};

ToolRun Tool(const std::string& args) {
  const std::string command = ToolPath() + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, ""};
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Fixture(const std::string& relative) { return SourceDir() + "/" + relative; }

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

const std::string kSearchJson = U8(
    u8R"({"ok": true, "status": {"code": 0, "info": ""}, "params": [{"kind": "pkInteger", "value": "3"}], )"
    u8R"("tables": [{"name": "PO_HEAD", "active": true, "fields": [{"name": "ID", "type": "ftLargeint", "size": 0}, )"
    u8R"({"name": "BILLNO", "type": "ftString", "size": 20}, {"name": "BILLDATE", "type": "ftDate", "size": 0}, )"
    u8R"({"name": "VENDOR", "type": "ftString", "size": 60}, {"name": "AMOUNT", "type": "ftFloat", "size": 0}, )"
    u8R"({"name": "MEMO", "type": "ftString", "size": 200}], "rows": [)"
    u8R"([1, "PO000001", "2009-08-05", "上海华联五金有限公司", 1234.5, "首批到货"], )"
    u8R"([2, "PO000002", "2009-08-06", "北京中关村电子市场", 88, null], )"
    u8R"([3, "PO000003", "2009-08-11", "广州白云办公用品", 560.25, null]]}], )"
    u8R"("rowids": [{"rn": 1, "id": 1, "tbname": "po_head"}]})"
    u8"\n");

TEST(ToolParse, PrintsTheWholeResult) {
  const ToolRun run = Tool("parse " + Fixture("demo/responses/po_search.xml"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, kSearchJson);
}

TEST(ToolParse, OneParserForAllFilesKeepsTheStatus) {
  const ToolRun run = Tool("parse " + Fixture("demo/responses/po_failed.xml") + " " +
                       Fixture("tests/apps/tool/data/no_status_code.xml"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            U8(u8R"({"ok": true, "status": {"code": -1, "info": "查询失败：数据库连接已断开"}, "params": [], )"
               u8R"("tables": [], "rowids": []})"
               u8"\n"
               u8R"({"ok": true, "status": {"code": -1, "info": "查询失败：数据库连接已断开"}, )"
               u8R"("params": [{"kind": "pkFloat", "value": "1.5"}], "tables": [{"name": "T", "active": true, )"
               u8R"("fields": [{"name": "D", "type": "ftDate", "size": 0}, {"name": "N", "type": "ftFloat", "size": 0}], )"
               u8R"("rows": [["2009-08-05", 2.25], [null, null]]}], "rowids": []})"
               u8"\n"));
}

TEST(ToolParse, SummaryCountsRowsAndErrorsAreReported) {
  const ToolRun run = Tool("parse --summary " + Fixture("demo/responses/po_search.xml") + " " +
                       Fixture("tests/apps/tool/data/bad_length.xml"));
  EXPECT_EQ(run.exitCode, 0);
  const std::string second = run.out.substr(run.out.find('\n') + 1);
  EXPECT_NE(run.out.find(R"("rowCount": 3})"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find(R"("rows")"), std::string::npos) << run.out;
  EXPECT_EQ(second,
            R"({"ok": false, "error": "'ten' is not a valid integer value", "status": {"code": 0, "info": ""}, )"
            R"("params": [{"kind": "pkInteger", "value": "1"}], "tables": [{"name": "UNKNOWN", "active": false, )"
            R"("fields": [], "rowCount": 0}], "rowids": []})"
            "\n");
}

TEST(ToolParse, RawPassesCodePageBytesUnchanged) {
  std::string bytes;
  {
    std::ifstream in(Fixture("demo/responses/po_search.xml"), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::string path = ::testing::TempDir() + "po_search_cp936.xml";
  std::ofstream(path, std::ios::binary) << Utf8ToAnsi(bytes);
  EXPECT_EQ(Tool("parse --raw " + path).out, kSearchJson);
  // Without --raw the code-page bytes are taken for UTF-8 and the Chinese text is lost.
  EXPECT_NE(Tool("parse " + path).out, kSearchJson);
  std::remove(path.c_str());
}

TEST(ToolParse, UsageAndUnreadableFiles) {
  EXPECT_EQ(Tool("parse").exitCode, 2);
  EXPECT_EQ(Tool("nosuchcommand").exitCode, 2);
  const ToolRun run = Tool("parse /nonexistent/file.xml " + Fixture("demo/responses/po_open.xml"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find(R"("value": "118")"), std::string::npos) << run.out;  // the readable one still runs
}

TEST(ToolFields, PrintsTheConvertedList) {
  const ToolRun run = Tool("fields " + Fixture("demo/responses/po_detail_fields.xml"));
  EXPECT_EQ(run.exitCode, 0);
  const std::string head =
      U8(u8R"({"ok": true, "tableName": "PO_LINE", "pkName": "LINENO", "xmlCleared": true, "fields": [)"
         u8R"({"FieldName": "LINENO", "DisplayLabel": "行号", "DisplayWidth": 60, "Hint": "明细行号", )"
         u8R"("DataType": "ftInteger", "FieldWidth": 0, "Alignment": "taRightJustify", "NumPrec": 0, )"
         u8R"("IsKey": true, "ReadOnly": true, "Visible": true, "NotNull": true}, )"
         u8R"({"FieldName": "ITEMCODE", "DisplayLabel": "物料编码", "DisplayWidth": 120, "Hint": "", )"
         u8R"("DataType": "ftString", "FieldWidth": 20, "Alignment": "taLeftJustify", "NumPrec": 0, )"
         u8R"("IsKey": false, "ReadOnly": false, "Visible": true, "NotNull": true}, )");
  EXPECT_EQ(run.out.substr(0, head.size()), head);
  EXPECT_NE(run.out.find(R"("FieldName": "QTY", )"), std::string::npos);
  EXPECT_NE(run.out.find(U8(u8R"("DisplayLabel": "单据号", "DisplayWidth": 0, "Hint": "", "DataType": "ftInteger", )"
                            u8R"("FieldWidth": 0, "Alignment": "taRightJustify", "NumPrec": 0, "IsKey": false, )"
                            u8R"("ReadOnly": true, "Visible": false, "NotNull": true}]})")),
            std::string::npos)
      << run.out;
}

TEST(ToolFields, ABrokenListIsReported) {
  const ToolRun run = Tool("fields " + Fixture("tests/apps/tool/data/not_a_list.xml"));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.rfind(R"({"ok": false, "error": "Field list is not well-formed XML: )", 0), 0u) << run.out;
  EXPECT_NE(run.out.find(R"("tableName": "", "pkName": "", "xmlCleared": true, "fields": []})"), std::string::npos)
      << run.out;
}

}  // namespace
