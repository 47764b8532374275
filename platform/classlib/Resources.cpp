#include "platform/classlib/Resources.h"

#include <map>

#include "platform/classlib/SysUtils.h"

namespace {

struct NoCaseLess {
  bool operator()(const AnsiString& a, const AnsiString& b) const { return CompareText(a, b) < 0; }
};

std::map<AnsiString, TResourceEntry, NoCaseLess>& ResourceTable() {
  static std::map<AnsiString, TResourceEntry, NoCaseLess> table;
  return table;
}

}  // namespace

void RegisterResource(const AnsiString& className, const AnsiString& resourceName, std::string_view text) {
  ResourceTable()[className] = TResourceEntry{className, resourceName, text};
}

const TResourceEntry* FindResource(const AnsiString& className) {
  auto& table = ResourceTable();
  auto it = table.find(className);
  return it == table.end() ? nullptr : &it->second;
}

void UnregisterResource(const AnsiString& className) { ResourceTable().erase(className); }
