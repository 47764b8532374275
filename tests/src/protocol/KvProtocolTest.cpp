// The response parser: documents in, status / parameters / record sets / entries out.
// Literals are compiled to code page 936, which is what Parse receives.
#include "src/protocol/KvProtocol.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/db/MemTableEh.h"
#include "platform/win/Windows.h"

namespace {

const char* KindName(TKvParamKind kind) {
  switch (kind) {
    case pkString: return "S";
    case pkInteger: return "I";
    case pkFloat: return "F";
    case pkNone: return "none";
  }
  return "?";
}

std::string DescribeTable(TMemTableEh* data) {
  std::string out = data->KvTableName() + "{";
  if (!data->Active()) return out + "closed}";
  for (int i = 0; i < data->FieldCount(); ++i) {
    TField* f = data->Fields()[i];
    out += (i ? " " : "") + f->FieldName() + ":" + GetEnumName(EnumTypeOf<TFieldType>(), f->DataType());
    if (f->DataType() == ftString) out += ":" + std::to_string(f->Size());
  }
  out += "}";
  for (data->First(); !data->Eof(); data->Next()) {
    out += "(";
    for (int i = 0; i < data->FieldCount(); ++i) {
      TField* f = data->Fields()[i];
      out += (i ? "|" : "") + (f->IsNull() ? std::string("null") : f->AsString());
    }
    out += ")";
  }
  return out;
}

// One line for everything a parse leaves behind.
std::string Describe(TKvProtocol& p) {
  std::string out = "status " + std::to_string(p.StatusCode) + " '" + p.StatusInfo + "' params[";
  for (int i = 0; i < p.ParamCount(); ++i)
    out += (i ? " " : "") + std::string(KindName(p.GetParam(i)->Kind)) + "=" + p.GetParam(i)->Value;
  out += "] tables[";
  for (int i = 0; i < p.TableCount(); ++i) out += (i ? " " : "") + DescribeTable(p.GetTable(i)->Data());
  out += "] rowids[";
  for (int i = 0; i < p.RowIdCount(); ++i) {
    const TKvRowId* r = p.GetRowId(i);
    out += (i ? " " : "") + std::to_string(r->RowNo) + "/" + std::to_string(r->Id) + "/" + r->TbName;
  }
  return out + "]";
}

std::string Response(const std::string& body) {
  return "<?xml version=\"1.0\"?><kovrane><status><code>0</code><info>ok</info></status>" + body +
         "</kovrane>";
}

struct ParseCase {
  const char* name;
  std::string doc;
  bool ok;
  std::string expected;
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, GivesTheExpectedResult) {
  const ParseCase& c = GetParam();
  TKvProtocol p;
  EXPECT_EQ(p.Parse(c.doc), c.ok);
  EXPECT_EQ(Describe(p), c.expected);
}

const ParseCase kParseCases[] = {
    {"StatusOnly", "<kovrane><status><code> 5 </code><info>已完成</info></status></kovrane>", true,
     "status 5 '已完成' params[] tables[] rowids[]"},
    {"ScalarKinds",
     Response("<rs typ=\"String\">abc</rs><rs typ=\"LONG\">99999999999</rs><rs typ=\"integer\">007</rs>"
              "<rs typ=\"double\">1.50</rs><rs typ=\"date\">2009-08-05</rs><rs typ=\"boolean\">1</rs>"
              "<rs>untyped</rs><rs typ=\"double\">abc</rs><rs typ=\"integer\">12a</rs>"
              "<rs typ=\"string\">中文<b>粗</b>&amp;</rs>"),
     true, "status 0 'ok' params[S=abc I=0 I=7 F=1.5 S=2009-08-05 F=0 I=0 S=中文粗&] tables[] rowids[]"},
    {"FieldDescriptionTypes",
     Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"ID:NUMBER:10:0 A:NUMBER:12:2 B:NUMERIC C:VARCHAR2:0 "
              "D:CHAR:8 E:TEXT F:DATETIME G:integer:5:-1 H:nchar I:Date J K:VARCHAR2:20 L:VARCHAR2 "
              "M:NUMBER::3 N:FLOAT:7:1:extra\"><r/></rs>"),
     true,
     "status 0 'ok' params[] tables[T{ID:ftLargeint A:ftFloat B:ftLargeint C:ftString:255 D:ftString:8 "
     "E:ftString:1000 F:ftDate G:ftLargeint H:ftString:255 I:ftDate J:ftString:1000 K:ftString:20 "
     "L:ftString:255 M:ftFloat N:ftString:7}(null|null|null|null|null|null|null|null|null|null|null|null|null|"
     "null|null)] rowids[]"},
    {"TrailingBlankInFields",
     Response("<rs typ=\"recordset\" tbname=\"a\" fields=\"X:VARCHAR2:5 \"><r X=\"v\"/></rs>"
              "<rs typ=\"recordset\" tbname=\"b\" fields=\"X:VARCHAR2:5\"><r X=\"v\"/></rs>"),
     true, "status 0 'ok' params[] tables[A{X:ftString:5}(v) B{X:ftString:5}(v)] rowids[]"},
    {"ValueUnderThreeNames",
     Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"Amount:VARCHAR2\">"
              "<r Amount=\"1\" AMOUNT=\"2\" amount=\"3\"/><r AMOUNT=\"2\" amount=\"3\"/><r amount=\"3\"/>"
              "<r aMOUNT=\"4\"/><r Amount=\"\" AMOUNT=\"2\"/></rs>"),
     true, "status 0 'ok' params[] tables[T{Amount:ftString:255}(1)(2)(3)(null)(null)] rowids[]"},
    {"TypedValuesAndDateCut",
     Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"N:NUMBER F:NUMBER:8:2 D:DATE S:VARCHAR2:4\">"
              "<r N=\"-12\" F=\"1234.50\" D=\"2009-08-05 10:20:30\" S=\"采购单\"/>"
              "<r N=\"\" D=\"10:20\"/><r D=\"2009-08-05\" F=\"0.125\"/></rs>"),
     true,
     "status 0 'ok' params[] tables[T{N:ftLargeint F:ftFloat D:ftDate S:ftString:4}(-12|1234.5|2009-08-05|采购)"
     "(null|null|null|null)(null|0.125|2009-08-05|null)] rowids[]"},
    {"NamesOfRecordSetsAndEntries",
     Response("<rs typ=\"RecordSet\"><e rn=\"1\" id=\"7\" tbname=\"po_head\"/></rs>"
              "<rs typ=\"recordset\" tbname=\"po_Line\"><e rn=\"x\" id=\"-3\"/><e rn=\"2\"/></rs>"),
     true, "status 0 'ok' params[] tables[UNKNOWN{closed} PO_LINE{closed}] rowids[1/7/po_head 0/-3/ 2/0/]"},
    {"EntriesBetweenRows",
     Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"A:VARCHAR2\"><r A=\"1\"/><e rn=\"1\" id=\"5\"/>"
              "<r A=\"2\"/></rs>"),
     true, "status 0 'ok' params[] tables[T{A:ftString:255}(1)(2)] rowids[1/5/]"},
    {"EmptyRecordSet", Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"A:VARCHAR2\"/>"), true,
     "status 0 'ok' params[] tables[T{closed}] rowids[]"},
    {"MissingFieldsStopsTheParse",
     Response("<rs typ=\"integer\">1</rs><rs typ=\"recordset\" tbname=\"a\" fields=\"A:VARCHAR2\"><r A=\"x\"/></rs>"
              "<rs typ=\"recordset\" tbname=\"b\"><e rn=\"1\"/><r X=\"1\"/><e rn=\"2\"/></rs>"
              "<rs typ=\"integer\">2</rs>"),
     false, "status 0 'ok' params[I=1] tables[A{A:ftString:255}(x) B{closed}] rowids[1/0/]"},
    {"NestedRsInDocumentOrder",
     Response("<group><rs typ=\"integer\">1</rs><deeper><rs typ=\"string\">two</rs></deeper></group>"
              "<rs typ=\"integer\">3</rs>"),
     true, "status 0 'ok' params[I=1 S=two I=3] tables[] rowids[]"},
    {"EachRecordSetHasItsOwnFields",
     Response("<rs typ=\"recordset\" tbname=\"h\" fields=\"ID:NUMBER\"><r ID=\"1\"/></rs>"
              "<rs typ=\"recordset\" tbname=\"l\" fields=\"ID:VARCHAR2:3 Q:NUMBER:5:2\"><r ID=\"ab\" Q=\"2.5\"/></rs>"),
     true, "status 0 'ok' params[] tables[H{ID:ftLargeint}(1) L{ID:ftString:3 Q:ftFloat}(ab|2.5)] rowids[]"},
    {"CommentsInRecordSetIgnored",
     Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"A:VARCHAR2\"><!-- c --><r A=\"1\"/><?pi x?></rs>"), true,
     "status 0 'ok' params[] tables[T{A:ftString:255}(1)] rowids[]"},
    // What a response may not hold: the parse ends with false, the status stays as it was.
    {"NotXml", "<kovrane><status>", false, "status 0 '' params[] tables[] rowids[]"},
    {"EmptyText", "", false, "status 0 '' params[] tables[] rowids[]"},
    {"OtherDocumentElement", "<answer><status><code>3</code></status><rs typ=\"integer\">1</rs></answer>", false,
     "status 0 '' params[] tables[] rowids[]"},
    {"NoStatus", "<kovrane><rs typ=\"integer\">1</rs></kovrane>", false, "status 0 '' params[] tables[] rowids[]"},
    {"EmptyFieldsValue", Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"\"><r/></rs>"), false,
     "status 0 'ok' params[] tables[T{closed}] rowids[]"},
    {"LeadingBlankInFields", Response("<rs typ=\"recordset\" tbname=\"t\" fields=\" A:VARCHAR2\"><r/></rs>"), false,
     "status 0 'ok' params[] tables[T{closed}] rowids[]"},
    {"DoubleBlankInFields", Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"A  B\"><r/></rs>"), false,
     "status 0 'ok' params[] tables[T{closed}] rowids[]"},
    {"EmptyFieldName", Response("<rs typ=\"recordset\" tbname=\"t\" fields=\":VARCHAR2\"><r/></rs>"), false,
     "status 0 'ok' params[] tables[T{closed}] rowids[]"},
    {"TextInsideRecordSet", Response("<rs typ=\"recordset\" tbname=\"t\" fields=\"A\">stray<r A=\"1\"/></rs>"),
     false, "status 0 'ok' params[] tables[T{closed}] rowids[]"},
};

INSTANTIATE_TEST_SUITE_P(Documents, ParseTable, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Values a field cannot take and lengths that are no numbers raise the platform's error;
// what was read before stays.
struct ErrorCase {
  const char* name;
  std::string fields;
  std::string row;
  bool datasetError = false;  // EDatabaseError rather than EConvertError
};

class ParseErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseErrors, RaiseConversionErrorsAndKeepWhatWasRead) {
  const ErrorCase& c = GetParam();
  TKvProtocol p;
  const std::string doc = Response("<rs typ=\"integer\">4</rs><rs typ=\"recordset\" tbname=\"t\" fields=\"" +
                                   c.fields + "\">" + c.row + "</rs>");
  if (c.datasetError)
    EXPECT_THROW(p.Parse(doc), EDatabaseError);
  else
    EXPECT_THROW(p.Parse(doc), EConvertError);
  ASSERT_EQ(p.ParamCount(), 1);
  EXPECT_EQ(p.TableCount(), 1);
  EXPECT_FALSE(p.Parsing());
}

const ErrorCase kErrorCases[] = {
    {"LengthNotANumber", "A:VARCHAR2:x", "<r A=\"1\"/>"},
    {"ScaleNotANumber", "A:NUMBER:10:y", "<r A=\"1\"/>"},
    {"TextInIntegerField", "A:NUMBER", "<r A=\"12abc\"/>"},
    {"TextInFloatField", "A:NUMBER:8:2", "<r A=\"one\"/>"},
    {"DateInOtherFormat", "A:DATE", "<r A=\"05/08/2009\"/>"},
    {"DuplicateFieldName", "A:VARCHAR2 a:NUMBER", "<r A=\"1\"/>", true},
};

INSTANTIATE_TEST_SUITE_P(Documents, ParseErrors, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KvProtocol, StatusIsKeptUntilADocumentCarriesOne) {
  TKvProtocol p;
  ASSERT_TRUE(p.Parse("<kovrane><status><code>-1</code><info>查询失败</info></status></kovrane>"));
  EXPECT_EQ(p.StatusCode, -1);

  EXPECT_TRUE(p.Parse("<kovrane><status/><rs typ=\"integer\">1</rs></kovrane>"));
  EXPECT_EQ(Describe(p), "status -1 '查询失败' params[I=1] tables[] rowids[]");

  EXPECT_FALSE(p.Parse("<<not xml"));
  EXPECT_EQ(Describe(p), "status -1 '查询失败' params[] tables[] rowids[]");

  EXPECT_TRUE(p.Parse("<kovrane><status><code>x</code><info/></status></kovrane>"));
  EXPECT_EQ(Describe(p), "status 0 '' params[] tables[] rowids[]");
}

TEST(KvProtocol, EachParseDropsThePreviousResult) {
  TKvProtocol p;
  ASSERT_TRUE(p.Parse(Response("<rs typ=\"integer\">1</rs><rs typ=\"recordset\" fields=\"A\"><r A=\"1\"/>"
                               "<e rn=\"1\"/></rs>")));
  ASSERT_EQ(p.TableCount(), 1);
  ASSERT_TRUE(p.Parse(Response("")));
  EXPECT_EQ(p.ParamCount(), 0);
  EXPECT_EQ(p.TableCount(), 0);
  EXPECT_EQ(p.RowIdCount(), 0);
}

TEST(KvProtocol, RowsAreLoadedWithoutChangeRecords) {
  TKvProtocol p;
  ASSERT_TRUE(p.Parse(Response("<rs typ=\"recordset\" fields=\"A\"><r A=\"1\"/><r A=\"2\"/></rs>")));
  TMemTableEh* data = p.GetTable(0)->Data();
  EXPECT_FALSE(data->CachedUpdates());
  EXPECT_EQ(data->RecNo(), 2);  // left on the last row appended
  EXPECT_EQ(data->State(), dsBrowse);
  EXPECT_FALSE(data->Fields()[0]->Required());
}

TEST(KvProtocol, ListsRejectIndexesOutOfBounds) {
  TKvProtocol p;
  EXPECT_EQ(p.AddParam(), 0);
  EXPECT_EQ(p.GetParam(0)->Kind, pkNone);
  EXPECT_THROW(p.GetParam(1), EListError);
  EXPECT_THROW(p.GetParam(-1), EListError);
  EXPECT_THROW(p.GetTable(0), EListError);
  EXPECT_THROW(p.GetRowId(0), EListError);
  EXPECT_EQ(p.AddTable(), 0);
  EXPECT_FALSE(p.GetTable(0)->Data()->Active());
  EXPECT_EQ(p.GetTable(0)->Data()->FieldDefs()->Count(), 0);
}

TEST(KvParam, SettersStoreTextAndKind) {
  TKvParam param;
  param.SetInteger(-42);
  EXPECT_EQ(param.Value, "-42");
  EXPECT_EQ(param.Kind, pkInteger);
  EXPECT_EQ(param.AsInteger(), -42);
  param.SetFloat(2.5e-7);
  EXPECT_EQ(param.Value, "2.5E-7");
  EXPECT_EQ(param.Kind, pkFloat);
  param.SetString("3.9");
  EXPECT_EQ(param.Kind, pkString);
  EXPECT_EQ(param.AsInteger(), 0);  // not a decimal integer
}

TEST(KvProtocolPieces, PieceAndCount) {
  using kvprotocol::Piece;
  EXPECT_EQ(Piece("a b c ", ' ', 1), "a");
  EXPECT_EQ(Piece("a b c ", ' ', 3), "c");
  EXPECT_EQ(Piece("a b c ", ' ', 4), "");
  EXPECT_EQ(Piece("a b c", ' ', 3), "c");
  EXPECT_EQ(Piece("a b c", ' ', 9), "");
  EXPECT_EQ(Piece("whole", ' ', 1), "");  // the whole text is never a piece
  EXPECT_EQ(Piece("N:T::4:", ':', 3), "");
  EXPECT_EQ(Piece("N:T::4:", ':', 4), "4");
  EXPECT_EQ(kvprotocol::CountChar("a:b::", ':'), 3);
}

// ---- copying rows out -------------------------------------------------------------------

TEST(KvTable, CopyRowsToMatchesFieldsByNameAndKeepsTheTargetsLayout) {
  TKvProtocol p;
  ASSERT_TRUE(p.Parse(Response("<rs typ=\"recordset\" fields=\"ID:NUMBER NAME:VARCHAR2:10 EXTRA:VARCHAR2\">"
                               "<r ID=\"1\" NAME=\"甲\" EXTRA=\"x\"/><r ID=\"2\"/></rs>")));
  TMemTableEh target(nullptr);
  target.FieldDefs()->Add("NAME", ftString, 10);
  target.FieldDefs()->Add("ID", ftLargeint);
  target.FieldDefs()->Add("MEMO", ftString, 10);
  target.SetCachedUpdates(true);

  p.GetTable(0)->CopyRowsTo(&target);  // opens the closed target
  p.GetTable(0)->CopyRowsTo(&target);  // appends
  EXPECT_EQ(DescribeTable(&target), "{NAME:ftString:10 ID:ftLargeint MEMO:ftString:10}(甲|1|null)(null|2|null)"
                                    "(甲|1|null)(null|2|null)");
  target.First();
  EXPECT_EQ(target.UpdateStatus(), usUnmodified);
}

TEST(KvTable, CopyRowsToFromAClosedOrEmptyRecordSetDoesNothing) {
  TKvProtocol p;
  ASSERT_TRUE(p.Parse(Response("<rs typ=\"recordset\"/><rs typ=\"recordset\"><e rn=\"1\"/></rs>")));
  TMemTableEh target(nullptr);
  target.FieldDefs()->Add("A", ftString, 10);
  for (int i = 0; i < p.TableCount(); ++i) p.GetTable(i)->CopyRowsTo(&target);
  EXPECT_FALSE(target.Active());
}

// ---- messages during the parse ----------------------------------------------------------

// A window whose procedure runs a test's handler for one private message.
class MessageWindow {
 public:
  static constexpr UINT kMessage = WM_USER + 7;
  explicit MessageWindow(std::function<void()> handler) : FHandler(std::move(handler)) {
    static bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = &MessageWindow::Proc;
      wc.lpszClassName = "KvProtocolTestWindow";
      return RegisterClassA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    FWnd = CreateWindowExA(0, "KvProtocolTestWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(FWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~MessageWindow() { DestroyWindow(FWnd); }
  void Post() { PostMessageA(FWnd, kMessage, 0, 0); }
  int Calls = 0;

 private:
  static LRESULT Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (msg == kMessage && self) {
      ++self->Calls;
      self->FHandler();
      return 0;
    }
    return DefWindowProcA(wnd, msg, w, l);
  }
  std::function<void()> FHandler;
  HWND FWnd = nullptr;
};

const std::string kTwoRows = Response(
    "<rs typ=\"integer\">9</rs><rs typ=\"recordset\" tbname=\"t\" fields=\"A:VARCHAR2 B:NUMBER\">"
    "<r A=\"x\" B=\"1\"/><r A=\"y\" B=\"2\"/></rs>");

TEST(KvProtocolMessages, ANestedParseIsRefusedAndTheOuterParseGoesOn) {
  TKvProtocol p;
  std::string nestedError;
  MessageWindow window([&] {
    try {
      p.Parse(Response("<rs typ=\"integer\">1</rs>"));
    } catch (const EKvProtocolError& e) {
      nestedError = e.Message();
    }
  });
  window.Post();
  EXPECT_TRUE(p.Parse(kTwoRows));
  EXPECT_EQ(window.Calls, 1);
  EXPECT_NE(nestedError.find("already"), std::string::npos);
  EXPECT_EQ(Describe(p), "status 0 'ok' params[I=9] tables[T{A:ftString:255 B:ftLargeint}(x|1)(y|2)] rowids[]");
  EXPECT_FALSE(p.Parsing());
}

TEST(KvProtocolMessages, HandlersRunBeforeTheFirstItemIsRead) {
  TKvProtocol p;
  int paramsSeen = -1;
  MessageWindow window([&] { paramsSeen = p.ParamCount(); });
  window.Post();
  ASSERT_TRUE(p.Parse(kTwoRows));
  EXPECT_EQ(paramsSeen, 0);
}

TEST(KvProtocolMessages, AHandlerThatChangesTheCallersTextDoesNotChangeTheParse) {
  // The text is read where it lies until messages are let through; a handler that then
  // overwrites (and reallocates) the caller's string must not reach the rows still to come.
  TKvProtocol p;
  std::string text = kTwoRows;
  MessageWindow window([&] {
    text.assign(text.size() * 4, 'Z');
    text.shrink_to_fit();
  });
  int rowsBefore = -1;
  MessageWindow late([&] {
    rowsBefore = p.TableCount() ? p.GetTable(0)->Data()->RecordCount() : -1;
    window.Post();  // lands while the first row's fields are read
  });
  late.Post();
  ASSERT_TRUE(p.Parse(text));
  EXPECT_EQ(rowsBefore, -1);
  EXPECT_EQ(window.Calls, 1);
  EXPECT_EQ(Describe(p), "status 0 'ok' params[I=9] tables[T{A:ftString:255 B:ftLargeint}(x|1)(y|2)] rowids[]");
}

TEST(KvProtocolMessages, FreeingTheParserFromAHandlerEndsTheParse) {
  auto* p = new TKvProtocol;
  MessageWindow window([&] {
    delete p;
    p = nullptr;
  });
  window.Post();
  EXPECT_FALSE(p->Parse(kTwoRows));
  EXPECT_EQ(p, nullptr);
}

}  // namespace
