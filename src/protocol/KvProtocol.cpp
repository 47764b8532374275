#include "src/protocol/KvProtocol.h"

#include <charconv>
#include <limits>

#include "platform/db/MemTableEh.h"
#include "platform/xml/XmlDom.h"
#include "src/protocol/KvMessagePump.h"

using kvxml::XmlDomDocument;
using kvxml::XmlDomNode;
using kvxml::XmlNodeType;

// ---- text helpers --------------------------------------------------------------------------

namespace kvprotocol {

std::string_view Piece(std::string_view text, char sep, int k) {
  if (k < 1) return {};
  std::size_t start = 0;
  for (int i = 1; i < k; ++i) {
    std::size_t at = text.find(sep, start);
    if (at == std::string_view::npos) return {};
    start = at + 1;
  }
  std::size_t end = text.find(sep, start);
  if (end == std::string_view::npos) end = text.size();
  if (start == 0 && end == text.size()) return {};
  return text.substr(start, end - start);
}

int CountChar(std::string_view text, char c) {
  int n = 0;
  for (char ch : text) n += ch == c;
  return n;
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

int32_t DecimalOrZero(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // from_chars takes a minus but no plus; a sign must be followed by a digit.
  if (text.empty() || (text.front() == '-' && text.size() == 1) || text.front() == '+') return 0;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

}  // namespace kvprotocol

using kvprotocol::CountChar;
using kvprotocol::DecimalOrZero;
using kvprotocol::Piece;

// ---- TKvParam ------------------------------------------------------------------------------

int TKvParam::AsInteger() const { return DecimalOrZero(Value); }

void TKvParam::SetString(const AnsiString& text) {
  Value = text;
  Kind = pkString;
}

void TKvParam::SetInteger(int32_t value) {
  Value = IntToStr(value);
  Kind = pkInteger;
}

void TKvParam::SetFloat(double value) {
  Value = FloatToStr(value);
  Kind = pkFloat;
}

// ---- lists ---------------------------------------------------------------------------------

namespace {
[[noreturn]] void ListIndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}
}  // namespace

int TKvParams::Add() {
  // Room first, so that the new item never needs freeing here.
  FItems.reserve(FItems.size() + 1);
  FItems.push_back(new TKvParam);
  return Count() - 1;
}

void TKvParams::Clear() {
  std::vector<TKvParam*> items;
  items.swap(FItems);
  for (TKvParam* item : items) delete item;
}

TKvParam* TKvParams::Get(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[std::size_t(index)];
}

TKvTable::TKvTable() : FData(new TMemTableEh(nullptr)) {}

TKvTable::~TKvTable() = default;

void TKvTable::CopyRowsTo(TMemTableEh* target) {
  if (!FData->Active() || FData->RecordCount() == 0) return;
  FData->First();
  target->LoadFromDataSet(FData.get(), -1, lmAppend, false);
}

int TKvTables::Add() {
  // Room first, so that the new item never needs freeing here.
  FItems.reserve(FItems.size() + 1);
  FItems.push_back(new TKvTable);
  return Count() - 1;
}

void TKvTables::Clear() {
  std::vector<TKvTable*> items;
  items.swap(FItems);
  for (TKvTable* item : items) delete item;
}

TKvTable* TKvTables::Get(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return FItems[std::size_t(index)];
}

// ---- TKvProtocol ---------------------------------------------------------------------------

TKvProtocol::TKvProtocol() : FParams(new TKvParams), FTables(new TKvTables) {}

TKvProtocol::~TKvProtocol() {
  ClearRowIds();
  // A handler that frees the parser while Parse lets messages through: tell the parse.
  if (FFreedFlag) *FFreedFlag = true;
}

int TKvProtocol::AddParam() { return FParams->Add(); }

int TKvProtocol::AddRowId() {
  FRowIds.reserve(FRowIds.size() + 1);
  FRowIds.push_back(new TKvRowId);
  return RowIdCount() - 1;
}

int TKvProtocol::AddTable() { return FTables->Add(); }

void TKvProtocol::ClearParams() { FParams->Clear(); }

void TKvProtocol::ClearRowIds() {
  std::vector<TKvRowId*> items;
  items.swap(FRowIds);
  for (TKvRowId* item : items) delete item;
}

void TKvProtocol::ClearTables() { FTables->Clear(); }

TKvParam* TKvProtocol::GetParam(int index) const { return FParams->Get(index); }

int TKvProtocol::ParamCount() const { return FParams->Count(); }

TKvRowId* TKvProtocol::GetRowId(int index) const {
  if (index < 0 || index >= RowIdCount()) ListIndexError(index);
  return FRowIds[std::size_t(index)];
}

TKvTable* TKvProtocol::GetTable(int index) const { return FTables->Get(index); }

int TKvProtocol::TableCount() const { return FTables->Count(); }

// One run of Parse: the document, the working state, and the watch on the parser's life.
// Everything that handlers may change between two elements (the lists, the current record
// set's table) is looked up again through the parser after each message pump.
class TKvProtocol::TParseRun {
 public:
  explicit TParseRun(TKvProtocol& owner) : FOwner(owner) {
    FOwner.FParsing = true;
    FOwner.FFreedFlag = &FFreed;
  }
  ~TParseRun() {
    if (FFreed) return;
    FOwner.FParsing = false;
    FOwner.FFreedFlag = nullptr;
  }
  TParseRun(const TParseRun&) = delete;
  TParseRun& operator=(const TParseRun&) = delete;

  bool Run(const AnsiString& text);

 private:
  // Lets pending messages through; false when a handler freed the parser meanwhile. Counts
  // the times anything was dispatched: only then can handlers have changed the lists.
  bool Pump() {
    if (!KvMessagesPending()) [[likely]]
      return true;
    // Handlers may change the caller's text: from here on the document keeps its own copy.
    FDoc.OwnText();
    KvDispatchPendingMessages();
    ++FDispatches;
    return !FFreed;
  }
  void ReadStatus(const XmlDomNode& status);
  // Handles one "rs"; false ends the parse with false.
  bool ReadItem(const XmlDomNode& rs);
  void ReadScalar(const XmlDomNode& rs, const AnsiString& typ);
  bool ReadRecordSet(const XmlDomNode& rs);
  void ReadRowId();
  bool ReadDataRow(const XmlDomNode& rs, int tableIndex, bool& built);
  bool BuildFieldDefs(int tableIndex, const AnsiString& fields);
  // The current row's text for FIELDNAME: exact, upper-cased, then lower-cased attribute name.
  bool FindValue(const AnsiString& fieldName, std::string_view& value) {
    return FRow.view(fieldName, value, FValue) || FindValueInOtherCase(fieldName, value);
  }
  // The upper-cased, then the lower-cased name (out of line: seldom needed).
  [[gnu::noinline]] bool FindValueInOtherCase(const AnsiString& fieldName, std::string_view& value);
  TMemTableEh* TableData(int index) const { return FOwner.GetTable(index)->Data(); }

  TKvProtocol& FOwner;
  bool FFreed = false;
  std::uint64_t FDispatches = 0;
  XmlDomDocument FDoc;
  kvxml::XmlDomAttributes FRow;  // the attributes of the row being read
  AnsiString FValue;             // room for values that had to be decoded
};

bool TKvProtocol::Parse(const AnsiString& text) {
  if (FParsing)
    throw EKvProtocolError("TKvProtocol.Parse: a response is already being parsed by this object");
  TParseRun run(*this);
  return run.Run(text);
}

bool TKvProtocol::TParseRun::Run(const AnsiString& text) {
  FOwner.ClearParams();
  FOwner.ClearTables();
  FOwner.ClearRowIds();
  // The text is read where it is; it is copied only if messages are let through (Pump).
  if (!FDoc.LoadAnsiBorrowed(text)) return false;

  XmlDomNode root = FDoc.documentElement();
  if (!root.nameIs("kovrane")) return false;
  XmlDomNode status = root.selectSingleNode("status");
  if (!status) return false;
  ReadStatus(status);

  kvxml::XmlDomNodeList items = FDoc.getElementsByTagName("rs");
  for (int i = 0; i < items.length(); ++i) {
    if (!Pump()) return false;
    if (!ReadItem(items.item(i))) return false;
  }
  return true;
}

void TKvProtocol::TParseRun::ReadStatus(const XmlDomNode& status) {
  if (XmlDomNode code = status.selectSingleNode("code")) FOwner.StatusCode = DecimalOrZero(code.text());
  if (XmlDomNode info = status.selectSingleNode("info")) FOwner.StatusInfo = info.text();
}

bool TKvProtocol::TParseRun::ReadItem(const XmlDomNode& rs) {
  AnsiString typ;
  if (!rs.getAttribute("typ", typ)) return true;
  typ = LowerCase(typ);
  if (typ == "recordset") return ReadRecordSet(rs);
  ReadScalar(rs, typ);
  return true;
}

void TKvProtocol::TParseRun::ReadScalar(const XmlDomNode& rs, const AnsiString& typ) {
  enum { kString, kInteger, kFloat, kIgnored } kind = kIgnored;
  if (typ == "string" || typ == "date")
    kind = kString;
  else if (typ == "integer" || typ == "long")
    kind = kInteger;
  else if (typ == "double")
    kind = kFloat;
  if (kind == kIgnored) return;

  const AnsiString text = rs.text();
  TKvParam* param = FOwner.GetParam(FOwner.AddParam());
  switch (kind) {
    case kString: param->SetString(text); break;
    case kInteger: param->SetInteger(DecimalOrZero(text)); break;
    case kFloat: param->SetFloat(StrToFloatDef(text, 0.0)); break;
    case kIgnored: break;
  }
}

bool TKvProtocol::TParseRun::ReadRecordSet(const XmlDomNode& rs) {
  AnsiString name;
  name = rs.getAttribute("tbname", name) ? UpperCase(name) : AnsiString("UNKNOWN");
  const int tableIndex = FOwner.AddTable();
  TableData(tableIndex)->SetKvTableName(name);

  bool built = false;
  for (XmlDomNode child = rs.firstChild(); child; child = child.nextSibling()) {
    // Comments and processing instructions carry nothing; text inside a record set means the
    // document is not a response of ours.
    const XmlNodeType type = child.nodeType();
    if (type == XmlNodeType::text || type == XmlNodeType::cdata) return false;
    if (type != XmlNodeType::element) continue;
    if (!Pump()) return false;
    FRow.read(child);
    if (FRow.has("rn"))
      ReadRowId();
    else if (!ReadDataRow(rs, tableIndex, built))
      return false;
  }
  return true;
}

void TKvProtocol::TParseRun::ReadRowId() {
  TKvRowId* entry = FOwner.GetRowId(FOwner.AddRowId());
  std::string_view value;
  if (FRow.view("tbname", value, FValue)) entry->TbName = AnsiString(value);
  if (FRow.view("rn", value, FValue)) entry->RowNo = DecimalOrZero(value);
  if (FRow.view("id", value, FValue)) entry->Id = DecimalOrZero(value);
}

bool TKvProtocol::TParseRun::ReadDataRow(const XmlDomNode& rs, int tableIndex, bool& built) {
  TMemTableEh* data = TableData(tableIndex);
  if (!built) {
    data->FieldDefs()->Clear();
    AnsiString fields;
    if (!rs.getAttribute("fields", fields)) return false;
    if (!BuildFieldDefs(tableIndex, fields)) return false;
    data = TableData(tableIndex);
    data->CreateDataSet();
    built = true;
  }
  if (!data->Active()) data->Open();
  data->SetCachedUpdates(false);
  data->Append();
  std::uint64_t seen = FDispatches;
  for (int i = 0; i < data->FieldCount(); ++i) {
    if (!Pump()) return false;
    if (seen != FDispatches) {
      data = TableData(tableIndex);  // a handler may have changed the tables
      seen = FDispatches;
    }
    TField* field = data->Fields()[i];
    std::string_view value;
    if (!FindValue(field->FieldName(), value)) value = {};
    if (field->DataType() == ftDate && value.find(':') != std::string_view::npos) {
      // A date with a time of day: keep the date; a bare time leaves nothing.
      const std::size_t blank = value.find(' ');
      value = value.substr(0, blank == std::string_view::npos ? 0 : blank);
    }
    if (value.empty())
      field->Clear();
    else
      field->SetAsText(value);
  }
  data->Post();
  return true;
}

bool TKvProtocol::TParseRun::FindValueInOtherCase(const AnsiString& fieldName, std::string_view& value) {
  const AnsiString upper = UpperCase(fieldName);
  if (upper != fieldName && FRow.view(upper, value, FValue)) return true;
  const AnsiString lower = LowerCase(fieldName);
  return lower != fieldName && FRow.view(lower, value, FValue);
}

namespace {

struct TFieldShape {
  TFieldType Type;
  int Size;
};

// A length or scale part as a number; the platform's conversion error for anything else.
int PartAsInt(std::string_view part) { return StrToInt(AnsiString(part)); }

// Field type and size of a description's type, length and scale parts.
TFieldShape ShapeOf(std::string_view typePart, std::string_view length, std::string_view scale) {
  const AnsiString type = UpperCase(AnsiString(typePart));
  auto sizeOr = [&](int fallback) {
    if (length.empty() || length == "0") return fallback;
    return PartAsInt(length);
  };
  if (type.find("CHAR") != AnsiString::npos) return {ftString, sizeOr(255)};
  if (type == "INTEGER" || type == "NUMBER" || type == "NUMERIC") {
    const bool hasScale = !scale.empty() && PartAsInt(scale) > 0;
    return {hasScale ? ftFloat : ftLargeint, 0};
  }
  if (type == "DATE" || type == "DATETIME") return {ftDate, 0};
  return {ftString, sizeOr(1000)};
}

}  // namespace

bool TKvProtocol::TParseRun::BuildFieldDefs(int tableIndex, const AnsiString& fieldsValue) {
  AnsiString fields = fieldsValue;
  if (fields.empty() || fields.back() != ' ') fields += ' ';
  const int count = CountChar(fields, ' ');
  for (int k = 1; k <= count; ++k) {
    if (!Pump()) return false;
    // An empty description (a leading blank, two blanks in a row, an empty value) has no
    // field to make: the list is not a valid one.
    AnsiString description(Piece(fields, ' ', k));
    if (description.empty()) return false;
    if (description.back() != ':') description += ':';
    const std::string_view d = description;
    const std::string_view name = Piece(d, ':', 1);
    if (name.empty()) return false;
    const TFieldShape shape = ShapeOf(Piece(d, ':', 2), Piece(d, ':', 3), Piece(d, ':', 4));
    TableData(tableIndex)->FieldDefs()->Add(AnsiString(name), shape.Type, shape.Size, false);
  }
  return true;
}
