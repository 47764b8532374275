#include "platform/classlib/TypInfo.h"

#include "platform/classlib/Classes.h"

TEnumType::TEnumType(AnsiString name, std::vector<AnsiString> names) : Name(std::move(name)), Names(std::move(names)) {}

TEnumType TEnumType::FromList(const char* name, const char* commaList) {
  std::vector<AnsiString> names;
  AnsiString current;
  for (const char* p = commaList;; ++p) {
    if (*p == ',' || *p == '\0') {
      AnsiString item = Trim(current);
      size_t eq = item.find('=');  // "a = 0": keep the name only
      if (eq != AnsiString::npos) item = Trim(item.substr(0, eq));
      if (!item.empty()) names.push_back(item);
      current.clear();
      if (*p == '\0') break;
    } else {
      current += *p;
    }
  }
  return TEnumType(name, std::move(names));
}

int TEnumType::ValueOf(const AnsiString& ident) const {
  for (size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], ident)) return static_cast<int>(i);
  return -1;
}

AnsiString TEnumType::NameOf(int64_t ordinal) const {
  if (ordinal < 0 || ordinal >= static_cast<int64_t>(Names.size())) return {};
  return Names[static_cast<size_t>(ordinal)];
}

bool TPropInfo::Writable() const {
  switch (Kind) {
    case TTypeKind::tkFloat: return static_cast<bool>(SetFloat);
    case TTypeKind::tkString: return static_cast<bool>(SetStr);
    case TTypeKind::tkClass:
    case TTypeKind::tkComponent: return static_cast<bool>(SetObj);
    case TTypeKind::tkMethod: return static_cast<bool>(SetMethod);
    case TTypeKind::tkStringList: return static_cast<bool>(SetList);
    case TTypeKind::tkBinary: return static_cast<bool>(SetBytes);
    default: return static_cast<bool>(SetOrd);
  }
}

const TPropInfo* GetPropInfo(TClass cls, const AnsiString& name) {
  if (!cls) return nullptr;
  for (const TPropInfo* p : cls->Props())
    if (SameText(p->Name, name)) return p;
  return nullptr;
}

const std::vector<const TPropInfo*>& GetPropList(TClass cls) {
  static const std::vector<const TPropInfo*> none;
  return cls ? cls->Props() : none;
}

const TMethodInfo* FindPublishedMethod(TClass cls, const AnsiString& name) {
  for (TClass c = cls; c; c = c->Parent)
    for (const TMethodInfo* m : c->OwnMethods)
      if (SameText(m->Name, name)) return m;
  return nullptr;
}

const TFieldInfo* FindPublishedField(TClass cls, const AnsiString& name) {
  for (TClass c = cls; c; c = c->Parent)
    for (const TFieldInfo* f : c->OwnFields)
      if (SameText(f->Name, name)) return f;
  return nullptr;
}

bool IsDefaultPropValue(TObject* obj, const TPropInfo* prop) {
  switch (prop->Kind) {
    case TTypeKind::tkInt64:  // like strings and floats: without a default, 0 is not written
      return prop->DefaultRule == TDefaultRule::drValue ? prop->GetOrd(obj) == prop->DefaultOrd
                                                        : prop->GetOrd(obj) == 0;
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkBool:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
      return prop->DefaultRule == TDefaultRule::drValue && prop->GetOrd(obj) == prop->DefaultOrd;
    case TTypeKind::tkFloat: return prop->GetFloat(obj) == 0;
    case TTypeKind::tkString: return prop->GetStr(obj).empty();
    case TTypeKind::tkClass: {
      TObject* sub = prop->GetObj(obj);
      if (!sub) return true;
      auto* coll = dynamic_cast<TCollection*>(sub);
      return coll && coll->Count() == 0;
    }
    case TTypeKind::tkComponent: return prop->GetObj(obj) == nullptr;
    case TTypeKind::tkMethod: return prop->GetMethodName(obj).empty();
    case TTypeKind::tkStringList: return prop->GetList(obj).empty();
    case TTypeKind::tkBinary: return prop->GetBytes(obj).empty();
  }
  return false;
}

bool IsStoredProp(TObject* obj, const TPropInfo* prop) {
  if (!prop->StoredFlag) return false;
  if (prop->Kind != TTypeKind::tkClass && !prop->Writable()) return false;
  if (prop->StoredPred && !prop->StoredPred(obj)) return false;
  return !IsDefaultPropValue(obj, prop);
}

AnsiString GetEnumName(const TEnumType* type, int64_t value) { return type ? type->NameOf(value) : AnsiString(); }

int GetEnumValue(const TEnumType* type, const AnsiString& name) { return type ? type->ValueOf(name) : -1; }
