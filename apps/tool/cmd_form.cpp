// ordr118-tool form CLASS: builds a form or data module class of the plug-in without a host,
// at its resource's design size with alignment applied, and prints its components as JSON.
#include "src/data/DMDoubleSimple.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "apps/tool/Command.h"
#include "apps/tool/Json.h"
#include "platform/classlib/Controls.h"
#include "platform/classlib/FormWriter.h"
#include "platform/classlib/Forms.h"
#include "platform/win/CodePage.h"
#include "platform/win/Windows.h"
#include "src/data/DMBase.h"
#include "src/data/DMSingleMuliCol.h"
#include "src/modules/frm_ordr118.h"

namespace tool {
namespace {

void RegisterPluginClasses() {
  RegisterOrdr118Classes();
  RegisterDataModuleClasses();
  RegisterClasses({TBaseDm::StaticClass(), TSingleMuliColDm::StaticClass(), TDoubleSimpleDm::StaticClass()});
}

// The items of COLLECTION on one line, as the resource writes them between < and >.
AnsiString CollectionText(TCollection* collection);

// Adds to OUT the stored properties of OBJ under PREFIX, as the resource writer decides:
// sub-objects through dotted names, collections as one item block.
void CollectProps(TObject* obj, const AnsiString& prefix, std::vector<std::pair<AnsiString, AnsiString>>& out) {
  for (const TPropInfo* prop : GetPropList(obj->ClassType())) {
    const AnsiString name = prefix + prop->Name;
    if (prop->Kind == TTypeKind::tkClass) {
      if (!prop->StoredFlag || (prop->StoredPred && !prop->StoredPred(obj))) continue;
      TObject* sub = prop->GetObj(obj);
      if (!sub) continue;
      if (auto* collection = dynamic_cast<TCollection*>(sub)) {
        if (collection->Count() > 0) out.emplace_back(name, CollectionText(collection));
      } else {
        CollectProps(sub, name + ".", out);
      }
      continue;
    }
    if (IsStoredProp(obj, prop)) out.emplace_back(name, PropValueToText(obj, prop));
  }
}

AnsiString CollectionText(TCollection* collection) {
  AnsiString text = "<";
  for (int i = 0; i < collection->Count(); ++i) {
    std::vector<std::pair<AnsiString, AnsiString>> props;
    CollectProps(collection->Items(i), "", props);
    text += i == 0 ? "item" : " item";
    for (const auto& [name, value] : props) text += " " + name + " = " + value;
    text += " end";
  }
  return text + ">";
}

void WriteComponent(JsonWriter& json, TComponent* component) {
  json.BeginObject();
  json.Key("name").String(AnsiToUtf8(component->Name()));
  json.Key("class").String(component->ClassName());
  auto* control = dynamic_cast<TControl*>(component);
  json.Key("parent");
  if (control && control->Parent())
    json.String(AnsiToUtf8(control->Parent()->Name()));
  else
    json.Null();
  // Bounds and visibility belong to controls; non-visual components have none.
  for (const char* key : {"left", "top", "width", "height"}) {
    json.Key(key);
    if (!control) {
      json.Null();
      continue;
    }
    const std::string k = key;
    json.Int(k == "left" ? control->Left() : k == "top" ? control->Top() : k == "width" ? control->Width()
                                                                                       : control->Height());
  }
  json.Key("visible");
  if (control)
    json.Bool(control->Visible());
  else
    json.Null();
  if (control && GetPropInfo(component->ClassType(), "Caption")) json.Key("caption").String(AnsiToUtf8(control->Caption()));
  if (auto* windowed = dynamic_cast<TWinControl*>(component)) json.Key("tabOrder").Int(windowed->TabOrder());
  std::vector<std::pair<AnsiString, AnsiString>> props;
  CollectProps(component, "", props);
  json.Key("props").BeginObject();
  for (const auto& [name, value] : props) json.Key(name).String(AnsiToUtf8(value));
  json.EndObject();
  json.EndObject();
}

// Frees a component made by the tool, whatever its owner does.
struct ComponentDeleter {
  void operator()(TComponent* c) const { delete c; }
};

int RunForm(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: ordr118-tool form CLASS\n");
    return 2;
  }
  KvInitWindowSystem(kvBackendHeadless);
  RegisterPluginClasses();
  TClass cls = GetClass(args[0]);
  if (!cls || !(cls->InheritsFrom(TCustomForm::StaticClass()) || cls->InheritsFrom(TDataModule::StaticClass()))) {
    std::fprintf(stderr, "ordr118-tool: '%s' is not a form or data module class of the plug-in\n", args[0].c_str());
    return 1;
  }
  std::unique_ptr<TComponent, ComponentDeleter> root;
  try {
    root.reset(cls->CreateInstance(nullptr));
  } catch (const Exception& e) {
    std::fprintf(stderr, "ordr118-tool: cannot create %s: %s\n", args[0].c_str(), AnsiToUtf8(e.Message()).c_str());
    return 1;
  }
  if (auto* form = dynamic_cast<TWinControl*>(root.get())) form->Realign();
  JsonWriter json;
  json.BeginObject();
  json.Key("class").String(root->ClassName());
  json.Key("components").BeginArray();
  WriteComponent(json, root.get());
  for (int i = 0; i < root->ComponentCount(); ++i) WriteComponent(json, root->Components(i));
  json.EndArray();
  json.EndObject();
  std::printf("%s\n", json.str().c_str());
  return 0;
}

const bool registered = RegisterCommand(
    {"form", "CLASS", "build a form or data module class of the plug-in without a host; print its components as JSON",
     &RunForm});

}  // namespace
}  // namespace tool
