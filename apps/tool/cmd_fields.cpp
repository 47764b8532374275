// ordr118-tool fields FILE: the field-list conversion of a metadata component, as JSON.
#include <cstdio>
#include <string>
#include <vector>

#include "apps/tool/Command.h"
#include "apps/tool/Json.h"
#include "platform/win/CodePage.h"
#include "src/data/TbField.h"

namespace tool {
namespace {

void WriteItem(JsonWriter& json, const TTbField* item) {
  json.BeginObject();
  json.Key("FieldName").String(AnsiToUtf8(item->FieldName()));
  json.Key("DisplayLabel").String(AnsiToUtf8(item->DisplayLabel()));
  json.Key("DisplayWidth").Int(item->DisplayWidth());
  json.Key("Hint").String(AnsiToUtf8(item->Hint()));
  json.Key("DataType").String(GetEnumName(EnumTypeOf<TFieldType>(), item->DataType()));
  json.Key("FieldWidth").Int(item->FieldWidth());
  json.Key("Alignment").String(GetEnumName(EnumTypeOf<TAlignment>(), item->Alignment()));
  json.Key("NumPrec").Int(item->NumPrec());
  json.Key("IsKey").Bool(item->IsKey());
  json.Key("ReadOnly").Bool(item->ReadOnly());
  json.Key("Visible").Bool(item->Visible());
  json.Key("NotNull").Bool(item->NotNull());
  json.EndObject();
}

int RunFields(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: ordr118-tool fields FILE\n");
    return 2;
  }
  std::string bytes;
  if (!ReadFile(args[0], bytes)) {
    std::fprintf(stderr, "ordr118-tool: cannot read %s\n", args[0].c_str());
    return 1;
  }
  TKvTbField component(nullptr);
  // The reader takes UTF-8 or code page 936 text as it comes.
  component.XML()->SetText(bytes);
  bool ok = false;
  std::string error;
  try {
    ok = component.XmlToFields();
  } catch (const Exception& e) {
    error = AnsiToUtf8(e.Message());
  }
  JsonWriter json;
  json.BeginObject();
  json.Key("ok").Bool(ok);
  if (!error.empty()) json.Key("error").String(error);
  json.Key("tableName").String(AnsiToUtf8(component.TableName()));
  json.Key("pkName").String(AnsiToUtf8(component.PKName()));
  json.Key("xmlCleared").Bool(component.XML()->Count() == 0);
  json.Key("fields").BeginArray();
  for (int i = 0; i < component.TbFields()->Count(); ++i) WriteItem(json, component.TbFields()->Items(i));
  json.EndArray();
  json.EndObject();
  std::printf("%s\n", json.str().c_str());
  return 0;
}

const bool registered =
    RegisterCommand({"fields", "FILE", "convert a field list as the metadata component does; print JSON", &RunFields});

}  // namespace
}  // namespace tool
