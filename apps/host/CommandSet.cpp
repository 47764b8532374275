// The command sets are plug-in objects of the class library; the host reads them through
// the published properties every class registers (Commands, Name, Caption, Hint, Bitmap,
// OnExecute), with its own copy of the same class library, so it needs no declaration of the
// command classes themselves. A command runs through the handler its OnExecute was bound to:
// the published method of that name on the component's owner (the form), called with the
// item as sender.
#include "apps/host/CommandSet.h"

#include <any>

#include "platform/classlib/Classes.h"
#include "platform/classlib/Graphics.h"

namespace host {
namespace {

// Class identity by name: the plug-in's classes are its own copies, not the host's.
bool IsA(const TObject* object, const char* className) {
  for (TClass c = object ? object->ClassType() : nullptr; c; c = c->Parent)
    if (c->Name == className) return true;
  return false;
}

const TPropInfo* Property(TObject* object, const char* name, TTypeKind kind) {
  const TPropInfo* p = GetPropInfo(object->ClassType(), name);
  return p && p->Kind == kind ? p : nullptr;
}

AnsiString StringProperty(TObject* object, const char* name) {
  const TPropInfo* p = Property(object, name, TTypeKind::tkString);
  return p && p->GetStr ? p->GetStr(object) : AnsiString();
}

TObject* ObjectProperty(TObject* object, const char* name) {
  const TPropInfo* p = Property(object, name, TTypeKind::tkClass);
  return p && p->GetObj ? p->GetObj(object) : nullptr;
}

// The call of the published handler that `item`'s OnExecute names, or an empty function.
std::function<void()> ExecuteOf(TCollectionItem* item, TComponent* root) {
  const TPropInfo* event = Property(item, "OnExecute", TTypeKind::tkMethod);
  if (!event || !event->GetMethodName || !root) return {};
  const TMethodInfo* method = FindPublishedMethod(root->ClassType(), event->GetMethodName(item));
  if (!method || !method->Bind) return {};
  return [item, method, root] {
    std::any bound = method->Bind(root);
    if (auto* handler = std::any_cast<std::function<void(TObject*)>>(&bound)) (*handler)(item);
  };
}

}  // namespace

std::vector<HostCommand> ReadCommandSet(WPARAM address) {
  std::vector<HostCommand> commands;
  auto* variable = reinterpret_cast<TObject* const*>(address);
  if (!variable || !*variable || !IsA(*variable, "TComponent")) return commands;
  auto* set = static_cast<TComponent*>(*variable);
  TObject* items = ObjectProperty(set, "Commands");
  if (!IsA(items, "TCollection")) return commands;
  auto* collection = static_cast<TCollection*>(items);
  for (int i = 0; i < collection->Count(); ++i) {
    TCollectionItem* item = collection->Items(i);
    HostCommand c;
    c.name = StringProperty(item, "Name");
    c.caption = StringProperty(item, "Caption");
    c.hint = StringProperty(item, "Hint");
    TObject* bitmap = ObjectProperty(item, "Bitmap");
    if (IsA(bitmap, "TBitmap")) c.bitmap = static_cast<TBitmap*>(bitmap)->Surface();
    c.run = ExecuteOf(item, set->Owner());
    commands.push_back(std::move(c));
  }
  return commands;
}

}  // namespace host
