// ordr118-tool parse [--raw] [--summary] FILE...: one parser for all files, one JSON line each.
#include <cstdio>
#include <string>
#include <vector>

#include "apps/tool/Command.h"
#include "apps/tool/Json.h"
#include "platform/db/MemTableEh.h"
#include "platform/win/CodePage.h"
#include "src/protocol/KvProtocol.h"

namespace tool {
namespace {

const char* KindName(TKvParamKind kind) {
  switch (kind) {
    case pkString: return "pkString";
    case pkInteger: return "pkInteger";
    case pkFloat: return "pkFloat";
    case pkNone: return "pkNone";
  }
  return "pkNone";
}

void WriteValue(JsonWriter& json, TField* field) {
  if (field->IsNull()) {
    json.Null();
    return;
  }
  switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: json.Int(field->AsLargeInt()); break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: json.Double(field->AsFloat()); break;
    case ftBoolean: json.Bool(field->AsBoolean()); break;
    case ftDate: json.String(FormatDateTime("yyyy-mm-dd", field->AsDateTime())); break;
    default: json.String(AnsiToUtf8(field->AsString())); break;
  }
}

void WriteTable(JsonWriter& json, TKvTable* table, bool summary) {
  TMemTableEh* data = table->Data();
  json.BeginObject();
  json.Key("name").String(AnsiToUtf8(data->KvTableName()));
  json.Key("active").Bool(data->Active());
  json.Key("fields").BeginArray();
  for (int i = 0; i < data->FieldCount(); ++i) {
    TField* field = data->Fields()[i];
    json.BeginObject();
    json.Key("name").String(AnsiToUtf8(field->FieldName()));
    json.Key("type").String(GetEnumName(EnumTypeOf<TFieldType>(), field->DataType()));
    json.Key("size").Int(field->Size());
    json.EndObject();
  }
  json.EndArray();
  if (summary) {
    json.Key("rowCount").Int(data->Active() ? data->RecordCount() : 0);
  } else {
    json.Key("rows").BeginArray();
    if (data->Active()) {
      for (data->First(); !data->Eof(); data->Next()) {
        json.BeginArray();
        for (int i = 0; i < data->FieldCount(); ++i) WriteValue(json, data->Fields()[i]);
        json.EndArray();
      }
    }
    json.EndArray();
  }
  json.EndObject();
}

std::string ParseToJson(TKvProtocol& protocol, const std::string& text, bool summary) {
  bool ok = false;
  std::string error;
  try {
    ok = protocol.Parse(text);
  } catch (const Exception& e) {
    error = AnsiToUtf8(e.Message());
  }
  JsonWriter json;
  json.BeginObject();
  json.Key("ok").Bool(ok);
  if (!error.empty()) json.Key("error").String(error);
  json.Key("status").BeginObject();
  json.Key("code").Int(protocol.StatusCode);
  json.Key("info").String(AnsiToUtf8(protocol.StatusInfo));
  json.EndObject();
  json.Key("params").BeginArray();
  for (int i = 0; i < protocol.ParamCount(); ++i) {
    TKvParam* param = protocol.GetParam(i);
    json.BeginObject();
    json.Key("kind").String(KindName(param->Kind));
    json.Key("value").String(AnsiToUtf8(param->Value));
    json.EndObject();
  }
  json.EndArray();
  json.Key("tables").BeginArray();
  for (int i = 0; i < protocol.TableCount(); ++i) WriteTable(json, protocol.GetTable(i), summary);
  json.EndArray();
  json.Key("rowids").BeginArray();
  for (int i = 0; i < protocol.RowIdCount(); ++i) {
    TKvRowId* entry = protocol.GetRowId(i);
    json.BeginObject();
    json.Key("rn").Int(entry->RowNo);
    json.Key("id").Int(entry->Id);
    json.Key("tbname").String(AnsiToUtf8(entry->TbName));
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  return json.str();
}

int RunParse(const std::vector<std::string>& args) {
  bool raw = false, summary = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--raw")
      raw = true;
    else if (arg == "--summary")
      summary = true;
    else
      files.push_back(arg);
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: ordr118-tool parse [--raw] [--summary] FILE...\n");
    return 2;
  }
  int status = 0;
  TKvProtocol protocol;  // one parser: a later file sees the status an earlier one left
  for (const std::string& file : files) {
    std::string bytes;
    if (!ReadFile(file, bytes)) {
      std::fprintf(stderr, "ordr118-tool: cannot read %s\n", file.c_str());
      status = 1;
      continue;
    }
    // The library receives its text in the process code page.
    const std::string text = raw ? bytes : Utf8ToAnsi(bytes);
    std::printf("%s\n", ParseToJson(protocol, text, summary).c_str());
  }
  return status;
}

const bool registered = RegisterCommand(
    {"parse", "[--raw] [--summary] FILE...",
     "parse each response with one parser; print one JSON object per file", &RunParse});

}  // namespace
}  // namespace tool
