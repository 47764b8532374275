#include "platform/classlib/System.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "platform/classlib/Classes.h"

namespace {

// Owns the metadata of every class of this module. It is constructed before, and so
// destroyed after, every other static object of the module: metadata is read until the last
// component is gone, and a module that is unloaded leaves none of it behind.
struct ClassInfoStore {
  std::vector<std::unique_ptr<TClassInfo>> infos;
};
ClassInfoStore gClassInfoStore __attribute__((init_priority(101)));

}  // namespace

const TClassInfo* kv::detail::AdoptClassInfo(TClassInfo* info) {
  gClassInfoStore.infos.emplace_back(info);
  return info;
}

TClassInfo::TClassInfo() = default;

TClassInfo::~TClassInfo() {
  for (TPropInfo* p : OwnProps) delete p;
  for (TMethodInfo* m : OwnMethods) delete m;
  for (TFieldInfo* f : OwnFields) delete f;
}

bool TClassInfo::InheritsFrom(TClass cls) const {
  if (!cls) return false;
  for (TClass c = this; c; c = c->Parent)
    if (c == cls) return true;
  return false;
}

const std::vector<const TPropInfo*>& TClassInfo::Props() const {
  if (FPropsBuilt) return FAllProps;
  if (Parent) FAllProps = Parent->Props();
  for (const TPropInfo* own : OwnProps) {
    bool replaced = false;
    for (const TPropInfo*& inherited : FAllProps) {
      if (SameText(inherited->Name, own->Name)) {
        inherited = own;  // a redeclaration (new default) keeps the inherited position
        replaced = true;
        break;
      }
    }
    if (!replaced) FAllProps.push_back(own);
  }
  FPropsBuilt = true;
  return FAllProps;
}

TComponent* TClassInfo::CreateInstance(TComponent* owner) const {
  if (!CreateComponent) throw EInvalidOperation(Format("Cannot create an instance of %s", {Name}));
  TComponent* obj = CreateComponent(owner);
  try {
    obj->AfterConstruction();
  } catch (...) {
    delete obj;
    throw;
  }
  return obj;
}

TClass TObject::StaticClass() {
  static const TClassInfo* const info = [] {
    auto* i = new TClassInfo;
    i->Name = "TObject";
    return kv::detail::AdoptClassInfo(i);
  }();
  return info;
}

void* TObject::operator new(std::size_t size) { return ::operator new(size); }

void TObject::operator delete(void* p) { ::operator delete(p); }

void TObject::operator delete(TObject* p, std::destroying_delete_t) {
  p->BeforeDestruction();
  p->~TObject();
  ::operator delete(static_cast<void*>(p));
}

namespace {

struct NoCaseLess {
  bool operator()(const AnsiString& a, const AnsiString& b) const { return CompareText(a, b) < 0; }
};

std::map<AnsiString, TClass, NoCaseLess>& ClassRegistry() {
  static std::map<AnsiString, TClass, NoCaseLess> registry;
  return registry;
}

}  // namespace

void RegisterClass(TClass cls) {
  KV_CHECK(cls != nullptr, "RegisterClass: null class");
  ClassRegistry()[cls->Name] = cls;
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) RegisterClass(c);
}

TClass GetClass(const AnsiString& name) {
  auto& reg = ClassRegistry();
  auto it = reg.find(name);
  return it == reg.end() ? nullptr : it->second;
}

TClass FindClass(const AnsiString& name) {
  TClass cls = GetClass(name);
  if (!cls) throw EClassNotFound(Format("Class %s not found", {name}));
  return cls;
}

void UnRegisterClass(TClass cls) {
  if (!cls) return;
  auto& reg = ClassRegistry();
  auto it = reg.find(cls->Name);
  if (it != reg.end() && it->second == cls) reg.erase(it);
}

namespace kv::detail {

void Fatal(const char* file, int line, const AnsiString& message) {
  std::fprintf(stderr, "%s:%d: fatal: %s\n", file, line, message.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace kv::detail
