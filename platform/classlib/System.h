// Root of the class library: TObject, class metadata (TClass) and the class registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

// 8-bit text in the process code page (936).
using AnsiString = std::string;

class TObject;
class TComponent;
class TCollection;
class TCollectionItem;
struct TClassInfo;
struct TPropInfo;
struct TMethodInfo;
struct TFieldInfo;

// A metaclass: one TClassInfo per class, alive as long as the module that built it.
using TClass = const TClassInfo*;

// Class metadata. Built once per class on first use of T::StaticClass().
struct TClassInfo {
  AnsiString Name;
  TClass Parent = nullptr;
  // Creates an instance owned by OWNER (components that are not abstract), else null.
  TComponent* (*CreateComponent)(TComponent* owner) = nullptr;
  // Creates an item inside COLLECTION (collection item classes), else null.
  TCollectionItem* (*CreateItem)(TCollection* collection) = nullptr;
  // Own published properties, methods and component fields, in declaration order.
  std::vector<TPropInfo*> OwnProps;
  std::vector<TMethodInfo*> OwnMethods;
  std::vector<TFieldInfo*> OwnFields;

  TClassInfo();
  ~TClassInfo();
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  // True when this class is CLS or derives from it; false for null.
  bool InheritsFrom(TClass cls) const;
  // All published properties, inherited first; a redeclared property keeps its first place.
  const std::vector<const TPropInfo*>& Props() const;
  // Creates a component of this class with OWNER and runs AfterConstruction; throws
  // EInvalidOperation when the class cannot be instantiated.
  TComponent* CreateInstance(TComponent* owner) const;

 private:
  mutable std::vector<const TPropInfo*> FAllProps;
  mutable bool FPropsBuilt = false;
};

// Root of every class-library object.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  // Metadata of TObject itself.
  static TClass StaticClass();
  // Metadata of the object's most derived class.
  virtual TClass ClassType() const { return StaticClass(); }
  // The most derived class's name ("TButton").
  const AnsiString& ClassName() const { return ClassType()->Name; }
  // The parent class of the object's class (null for TObject).
  TClass ClassParent() const { return ClassType()->Parent; }
  // True when the object's class is CLS or derives from it.
  bool InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }

  // Runs after the most derived constructor when created through TClassInfo::CreateInstance
  // or Create<T>; forms read their resources here.
  virtual void AfterConstruction() {}
  // Runs before any destructor when the object is deleted (delete / Free).
  virtual void BeforeDestruction() {}

  // Deletes the object: BeforeDestruction, then the destructors.
  void Free() { delete this; }

  // delete on any TObject runs BeforeDestruction while the whole object is still alive.
  void operator delete(TObject* p, std::destroying_delete_t);
  // Allocation paired with the deallocations below.
  void* operator new(std::size_t size);
  // Plain deallocation (used when a constructor throws).
  void operator delete(void* p);
};

// Deletes P (null is fine) and sets it to null.
template <class T>
void FreeAndNil(T*& p) {
  T* tmp = p;
  p = nullptr;
  delete tmp;
}

// Creates a T owned by OWNER and runs AfterConstruction (deleting it if that throws).
template <class T>
T* Create(TComponent* owner) {
  T* obj = new T(owner);
  try {
    obj->AfterConstruction();
  } catch (...) {
    delete obj;
    throw;
  }
  return obj;
}

// Adds CLS to the registry so the form reader can find it by name; registering twice is fine.
void RegisterClass(TClass cls);
// Registers each class of the list.
void RegisterClasses(std::initializer_list<TClass> classes);
// The registered class called NAME (case-insensitive), or null.
TClass GetClass(const AnsiString& name);
// The registered class called NAME; throws EClassNotFound ("Class X not found").
TClass FindClass(const AnsiString& name);
// Removes CLS from the registry (tests).
void UnRegisterClass(TClass cls);

namespace kv::detail {
struct ClassAccess;
// Stops the program with MESSAGE: the contract between caller and library was broken.
[[noreturn]] void Fatal(const char* file, int line, const AnsiString& message);
// Hands INFO to the module's metadata store, which frees it when the module goes away.
const TClassInfo* AdoptClassInfo(TClassInfo* info);
}  // namespace kv::detail

// Aborts with a clear message when COND is false (in every build type).
#define KV_CHECK(cond, message)                                          \
  do {                                                                   \
    if (!(cond)) ::kv::detail::Fatal(__FILE__, __LINE__, (message));     \
  } while (0)

#include "platform/classlib/TypInfo.h"

// Declares the metadata of class SELF deriving from PARENT; put it first in the class body.
// A class publishes properties, methods and fields by declaring
//   static void Publish(TPublisher<SELF>& p);
#define KV_CLASS(Self, Parent)                                                        \
 public:                                                                              \
  using inherited = Parent;                                                           \
  static TClass StaticClass() {                                                       \
    static const TClassInfo* const info = ::kv::detail::BuildClassInfo<Self, Parent>(#Self); \
    return info;                                                                      \
  }                                                                                   \
  TClass ClassType() const override { return Self::StaticClass(); }                   \
  friend struct ::kv::detail::ClassAccess;                                            \
                                                                                      \
 private:
