// Published-property registry: enumeration and set types, events, property/method/field
// tables, the TPublisher that fills them, and run-time access by name.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <vector>

#include "platform/classlib/System.h"

class TPersistent;

// Raw bytes of a binary property (`Picture.Data = {...}`).
using TBytes = std::vector<uint8_t>;

// ---- enumerations -------------------------------------------------------------------------

// Names of an enumeration type whose ordinals run 0, 1, 2 ...
struct TEnumType {
  AnsiString Name;
  std::vector<AnsiString> Names;

  TEnumType(AnsiString name, std::vector<AnsiString> names);
  // Splits a stringised enumerator list ("alNone, alTop, alBottom").
  static TEnumType FromList(const char* name, const char* commaList);
  // Ordinal of IDENT (case-insensitive), or -1.
  int ValueOf(const AnsiString& ident) const;
  // Name of ORDINAL, or "" when out of range.
  AnsiString NameOf(int64_t ordinal) const;
};

// Declares the names of an existing enumeration E (ordinals 0..n-1, in order).
#define KV_ENUM_NAMES(E, ...)                                     \
  inline const TEnumType* TypeInfoOf(E*) {                        \
    static const TEnumType type(#E, {__VA_ARGS__});               \
    return &type;                                                 \
  }

// Declares enumeration E with the enumerators given and registers their names.
#define KV_ENUM(E, ...)                                                          \
  enum E { __VA_ARGS__ };                                                        \
  inline const TEnumType* TypeInfoOf(E*) {                                       \
    static const TEnumType type = TEnumType::FromList(#E, #__VA_ARGS__);         \
    return &type;                                                                \
  }

namespace kv::detail {
template <class E>
concept NamedEnum = std::is_enum_v<E> && requires { { TypeInfoOf(static_cast<E*>(nullptr)) } -> std::same_as<const TEnumType*>; };
}  // namespace kv::detail

// The names of enumeration E (declared with KV_ENUM / KV_ENUM_NAMES).
template <kv::detail::NamedEnum E>
const TEnumType* EnumTypeOf() {
  return TypeInfoOf(static_cast<E*>(nullptr));
}

// ---- sets ----------------------------------------------------------------------------------

// A set of up to 64 enumerators of E, stored as bits (bit n = ordinal n).
template <class E>
class TSet {
 public:
  using Element = E;
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) FBits |= Bit(e);
  }
  // The set whose bit pattern is BITS.
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }
  constexpr uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) {
    FBits |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    FBits &= ~Bit(e);
    return *this;
  }
  constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
  constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
  constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint64_t Bit(E e) { return uint64_t{1} << static_cast<unsigned>(e); }
  uint64_t FBits = 0;
};

// ---- events --------------------------------------------------------------------------------

template <class Sig>
class TEvent;

// A bound handler plus the published name it was bound from (written back by the writer).
// Calling an empty event does nothing and returns R{}.
template <class R, class... A>
class TEvent<R(A...)> {
 public:
  using Signature = R(A...);
  TEvent() = default;
  TEvent(std::nullptr_t) {}
  // Any callable; NAME is the published handler name, if there is one.
  template <class F>
    requires(!std::is_same_v<std::decay_t<F>, TEvent> && !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
             std::is_invocable_r_v<R, F&, A...>)
  TEvent(F&& f, AnsiString name = {}) : FHandler(std::forward<F>(f)), FName(std::move(name)) {}
  // METHOD of OBJ.
  template <class C, class B>
  TEvent(C* obj, R (B::*method)(A...), AnsiString name = {})
      : FHandler([obj, method](A... args) -> R { return (obj->*method)(std::forward<A>(args)...); }),
        FName(std::move(name)) {}

  explicit operator bool() const { return static_cast<bool>(FHandler); }
  // Runs the handler; an empty event does nothing.
  R operator()(A... args) const {
    if (!FHandler) return R();
    return FHandler(std::forward<A>(args)...);
  }
  // The published handler name ("" when bound in code).
  const AnsiString& HandlerName() const { return FName; }
  void Clear() {
    FHandler = nullptr;
    FName.clear();
  }

 private:
  std::function<R(A...)> FHandler;
  AnsiString FName;
};

// ---- property, method and field tables ----------------------------------------------------

enum class TTypeKind {
  tkInteger,     // up to 32-bit integers (optionally with identifiers: colours ...)
  tkInt64,       // 64-bit integers
  tkChar,        // one 8-bit character
  tkBool,        // True / False
  tkEnumeration, // named ordinals
  tkSet,         // set of a named enumeration
  tkFloat,       // double
  tkString,      // AnsiString
  tkClass,       // owned TPersistent sub-object: properties set through dots, collections <...>
  tkComponent,   // reference to another component, by name
  tkMethod,      // event bound to a published method of the root
  tkStringList,  // list of strings: ( 'a' 'b' )
  tkBinary,      // bytes: { 0A1B }
};

// Maps identifiers to integers for one kind of integer property (colours, cursors ...).
struct TIdentMapper {
  bool (*IdentToInt)(const AnsiString& ident, int64_t& value);
  bool (*IntToIdent)(int64_t value, AnsiString& ident);
};

// How the writer decides to leave a property out.
enum class TDefaultRule {
  drNone,   // ordinals: no default, always written; others: written unless empty / 0
  drValue,  // ordinals: written only when different from DefaultOrd
};

// One published property. Exactly the accessors of its Kind are set.
struct TPropInfo {
  AnsiString Name;
  TTypeKind Kind = TTypeKind::tkInteger;
  const TEnumType* EnumType = nullptr;        // tkEnumeration, tkSet (element type)
  const TIdentMapper* Idents = nullptr;       // tkInteger / tkInt64 identifiers
  TClass (*PropClass)() = nullptr;            // tkClass, tkComponent
  std::type_index EventSig = typeid(void);    // tkMethod: the handler signature
  int64_t MinValue = INT64_MIN, MaxValue = INT64_MAX;  // ordinal range of the C++ type

  TDefaultRule DefaultRule = TDefaultRule::drNone;
  int64_t DefaultOrd = 0;
  bool StoredFlag = true;
  std::function<bool(TObject*)> StoredPred;    // when set, consulted after StoredFlag

  std::function<int64_t(TObject*)> GetOrd;     // integer, int64, char, bool, enum, set bits
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<double(TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<AnsiString(TObject*)> GetStr;
  std::function<void(TObject*, const AnsiString&)> SetStr;
  std::function<TObject*(TObject*)> GetObj;    // tkClass, tkComponent
  std::function<void(TObject*, TObject*)> SetObj;  // tkClass: Assign; tkComponent: reference
  std::function<AnsiString(TObject*)> GetMethodName;
  // Binds the event to METHOD of ROOT; null METHOD clears it. False when the signature differs.
  std::function<bool(TObject*, const TMethodInfo* method, TObject* root)> SetMethod;
  std::function<std::vector<AnsiString>(TObject*)> GetList;
  std::function<void(TObject*, const std::vector<AnsiString>&)> SetList;
  std::function<TBytes(TObject*)> GetBytes;
  std::function<void(TObject*, const TBytes&)> SetBytes;

  // True when the property can be set (read-only class properties are set through dots).
  bool Writable() const;
};

// A published handler method.
struct TMethodInfo {
  AnsiString Name;
  std::type_index Sig = typeid(void);
  // std::function<Sig> bound to INSTANCE, wrapped in std::any.
  std::function<std::any(TObject* instance)> Bind;
};

// A published component field of a root class (`TPanel* pnlMain;`), set when a component of
// that name is inserted into the root and cleared when it leaves.
struct TFieldInfo {
  AnsiString Name;
  TClass (*FieldClass)() = nullptr;
  std::function<TComponent*(TObject*)> Get;
  std::function<void(TObject*, TComponent*)> Set;
};

namespace kv::detail {

template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {};
template <class T>
struct IsTEvent : std::false_type {};
template <class Sig>
struct IsTEvent<TEvent<Sig>> : std::true_type {};

// Fills the kind and the typed accessors of INFO for a property of value type T.
template <class C, class T, class Get, class Set>
void BindAccessors(TPropInfo& info, Get get, Set set) {
  constexpr bool hasSet = !std::is_same_v<Set, std::nullptr_t>;
  auto self = [](TObject* o) -> C& { return *static_cast<C*>(o); };
  auto put = [set, self](TObject* o, T v) {
    if constexpr (hasSet) {
      if constexpr (std::is_member_object_pointer_v<Set>)
        self(o).*set = std::move(v);
      else
        (self(o).*set)(std::move(v));
    }
  };
  auto fetch = [get, self](TObject* o) -> T { return std::invoke(get, self(o)); };

  if constexpr (std::is_same_v<T, bool>) {
    info.Kind = TTypeKind::tkBool;
    info.GetOrd = [fetch](TObject* o) -> int64_t { return fetch(o) ? 1 : 0; };
    if constexpr (hasSet) info.SetOrd = [put](TObject* o, int64_t v) { put(o, v != 0); };
  } else if constexpr (std::is_same_v<T, char>) {
    info.Kind = TTypeKind::tkChar;
    info.MinValue = 0;
    info.MaxValue = 255;
    info.GetOrd = [fetch](TObject* o) -> int64_t { return static_cast<unsigned char>(fetch(o)); };
    if constexpr (hasSet) info.SetOrd = [put](TObject* o, int64_t v) { put(o, static_cast<char>(v)); };
  } else if constexpr (std::is_enum_v<T>) {
    info.Kind = TTypeKind::tkEnumeration;
    info.EnumType = EnumTypeOf<T>();
    info.MinValue = 0;
    info.MaxValue = static_cast<int64_t>(info.EnumType->Names.size()) - 1;
    info.GetOrd = [fetch](TObject* o) -> int64_t { return static_cast<int64_t>(fetch(o)); };
    if constexpr (hasSet) info.SetOrd = [put](TObject* o, int64_t v) { put(o, static_cast<T>(v)); };
  } else if constexpr (std::is_integral_v<T>) {
    info.Kind = sizeof(T) <= 4 ? TTypeKind::tkInteger : TTypeKind::tkInt64;
    info.MinValue = static_cast<int64_t>(std::numeric_limits<T>::min());
    info.MaxValue = sizeof(T) >= 8 && std::is_unsigned_v<T> ? INT64_MAX
                                                            : static_cast<int64_t>(std::numeric_limits<T>::max());
    info.GetOrd = [fetch](TObject* o) -> int64_t { return static_cast<int64_t>(fetch(o)); };
    if constexpr (hasSet) info.SetOrd = [put](TObject* o, int64_t v) { put(o, static_cast<T>(v)); };
  } else if constexpr (std::is_floating_point_v<T>) {
    info.Kind = TTypeKind::tkFloat;
    info.GetFloat = [fetch](TObject* o) -> double { return static_cast<double>(fetch(o)); };
    if constexpr (hasSet) info.SetFloat = [put](TObject* o, double v) { put(o, static_cast<T>(v)); };
  } else if constexpr (std::is_same_v<T, AnsiString>) {
    info.Kind = TTypeKind::tkString;
    info.GetStr = fetch;
    if constexpr (hasSet) info.SetStr = [put](TObject* o, const AnsiString& v) { put(o, v); };
  } else if constexpr (IsTSet<T>::value) {
    info.Kind = TTypeKind::tkSet;
    info.EnumType = EnumTypeOf<typename T::Element>();
    info.GetOrd = [fetch](TObject* o) -> int64_t { return static_cast<int64_t>(fetch(o).Bits()); };
    if constexpr (hasSet)
      info.SetOrd = [put](TObject* o, int64_t v) { put(o, T::FromBits(static_cast<uint64_t>(v))); };
  } else if constexpr (IsTEvent<T>::value) {
    using Sig = typename T::Signature;
    info.Kind = TTypeKind::tkMethod;
    info.EventSig = typeid(Sig);
    info.GetMethodName = [fetch](TObject* o) -> AnsiString { return fetch(o).HandlerName(); };
    if constexpr (hasSet)
      info.SetMethod = [put](TObject* o, const TMethodInfo* m, TObject* root) -> bool {
        if (!m) {
          put(o, T());
          return true;
        }
        if (m->Sig != std::type_index(typeid(Sig))) return false;
        put(o, T(std::any_cast<std::function<Sig>>(m->Bind(root)), m->Name));
        return true;
      };
  } else if constexpr (std::is_same_v<T, std::vector<AnsiString>>) {
    info.Kind = TTypeKind::tkStringList;
    info.GetList = fetch;
    if constexpr (hasSet) info.SetList = [put](TObject* o, const std::vector<AnsiString>& v) { put(o, v); };
  } else if constexpr (std::is_same_v<T, TBytes>) {
    info.Kind = TTypeKind::tkBinary;
    info.GetBytes = fetch;
    if constexpr (hasSet) info.SetBytes = [put](TObject* o, const TBytes& v) { put(o, v); };
  } else if constexpr (std::is_pointer_v<T> && std::is_base_of_v<TObject, std::remove_pointer_t<T>>) {
    using P = std::remove_cv_t<std::remove_pointer_t<T>>;
    info.Kind = std::is_base_of_v<TComponent, P> ? TTypeKind::tkComponent : TTypeKind::tkClass;
    info.PropClass = &P::StaticClass;
    info.GetObj = [fetch](TObject* o) -> TObject* { return const_cast<P*>(fetch(o)); };
    if constexpr (hasSet)
      info.SetObj = [put](TObject* o, TObject* v) { put(o, dynamic_cast<P*>(v)); };
  } else {
    static_assert(sizeof(T) == 0, "unsupported published property type");
  }
}

}  // namespace kv::detail

// Fluent settings of one property being published.
class TPropBuilder {
 public:
  explicit TPropBuilder(TPropInfo* info) : FInfo(info) {}
  // Written only when the value differs from VALUE (ordinal, enumeration, set, bool kinds).
  template <class V>
  TPropBuilder& Default(V value) {
    FInfo->DefaultRule = TDefaultRule::drValue;
    if constexpr (kv::detail::IsTSet<V>::value)
      FInfo->DefaultOrd = static_cast<int64_t>(value.Bits());
    else
      FInfo->DefaultOrd = static_cast<int64_t>(value);
    return *this;
  }
  // No default: always written (the implicit state of ordinals).
  TPropBuilder& NoDefault() {
    FInfo->DefaultRule = TDefaultRule::drNone;
    return *this;
  }
  // stored false: never written.
  TPropBuilder& Stored(bool stored) {
    FInfo->StoredFlag = stored;
    return *this;
  }
  // Written only when PRED (a const member function of the class) answers true.
  template <class C>
  TPropBuilder& Stored(bool (C::*pred)() const) {
    FInfo->StoredPred = [pred](TObject* o) { return (static_cast<C*>(o)->*pred)(); };
    return *this;
  }
  // Identifiers for this integer property (colours, cursors ...).
  TPropBuilder& Idents(const TIdentMapper* mapper) {
    FInfo->Idents = mapper;
    return *this;
  }
  TPropInfo* Info() const { return FInfo; }

 private:
  TPropInfo* FInfo;
};

// Publishes the properties, handler methods and component fields of class C.
template <class C>
class TPublisher {
 public:
  explicit TPublisher(TClassInfo& info) : FInfo(info) {}

  // Property read by GET (member function or data member of C or a base) and written by SET
  // (member function taking the value, data member, or nullptr for read-only).
  template <class Get, class Set>
  TPropBuilder Property(const char* name, Get get, Set set) {
    using T = std::remove_cvref_t<std::invoke_result_t<Get, C&>>;
    auto* info = new TPropInfo;
    info->Name = name;
    kv::detail::BindAccessors<C, T>(*info, get, set);
    FInfo.OwnProps.push_back(info);
    return TPropBuilder(info);
  }
  // Property kept in a data member, read and written directly.
  template <class B, class T>
    requires std::is_base_of_v<B, C>
  TPropBuilder Property(const char* name, T B::*field) {
    return Property(name, field, field);
  }

  // Handler METHOD of C published under NAME, bindable by form resources.
  template <class B, class R, class... A>
  void Method(const char* name, R (B::*method)(A...)) {
    auto* info = new TMethodInfo;
    info->Name = name;
    info->Sig = typeid(R(A...));
    info->Bind = [method](TObject* instance) -> std::any {
      C* self = static_cast<C*>(instance);
      return std::function<R(A...)>([self, method](A... args) -> R {
        return (self->*method)(std::forward<A>(args)...);
      });
    };
    FInfo.OwnMethods.push_back(info);
  }

  // Component field FIELD of C published under NAME (set when a component NAME is inserted).
  template <class B, class P>
  void Field(const char* name, P* B::*field) {
    static_assert(std::is_base_of_v<TComponent, P>, "published fields hold components");
    auto* info = new TFieldInfo;
    info->Name = name;
    info->FieldClass = &P::StaticClass;
    info->Get = [field](TObject* o) -> TComponent* { return static_cast<C*>(o)->*field; };
    info->Set = [field](TObject* o, TComponent* c) { static_cast<C*>(o)->*field = dynamic_cast<P*>(c); };
    FInfo.OwnFields.push_back(info);
  }

 private:
  TClassInfo& FInfo;
};

// Publishes handler NAME of the publishing class: KV_PUBLISHED_METHOD(p, TfrmMain, btnCloseClick).
#define KV_PUBLISHED_METHOD(publisher, Class, name) (publisher).Method(#name, &Class::name)
// Publishes component field NAME of the publishing class.
#define KV_PUBLISHED_FIELD(publisher, Class, name) (publisher).Field(#name, &Class::name)

namespace kv::detail {

// Befriended by every KV_CLASS, so a private Publish is found too.
struct ClassAccess {
  template <class Self>
  static constexpr bool HasOwnPublish() {
    return requires { static_cast<void (*)(TPublisher<Self>&)>(&Self::Publish); };
  }
  template <class Self>
  static void Publish(TPublisher<Self>& p) {
    Self::Publish(p);
  }
};

template <class Self>
TComponent* CreateComponentOf(TComponent* owner) {
  return new Self(owner);
}
template <class Self>
TCollectionItem* CreateItemOf(TCollection* collection) {
  return new Self(collection);
}

// Builds the metadata of SELF once (called from the function-local static of StaticClass).
template <class Self, class Parent>
const TClassInfo* BuildClassInfo(const char* name) {
  auto* info = new TClassInfo;
  info->Name = name;
  info->Parent = Parent::StaticClass();
  if constexpr (!std::is_abstract_v<Self>) {
    if constexpr (std::is_base_of_v<TComponent, Self> && std::is_constructible_v<Self, TComponent*>)
      info->CreateComponent = &CreateComponentOf<Self>;
    if constexpr (std::is_base_of_v<TCollectionItem, Self> && std::is_constructible_v<Self, TCollection*>)
      info->CreateItem = &CreateItemOf<Self>;
  }
  if constexpr (ClassAccess::HasOwnPublish<Self>()) {
    TPublisher<Self> publisher(*info);
    ClassAccess::Publish<Self>(publisher);
  }
  return AdoptClassInfo(info);
}

}  // namespace kv::detail

// ---- run-time access ----------------------------------------------------------------------

// The published property NAME of CLS or its ancestors (case-insensitive), or null.
const TPropInfo* GetPropInfo(TClass cls, const AnsiString& name);
// All published properties of CLS, inherited first.
const std::vector<const TPropInfo*>& GetPropList(TClass cls);
// The published method NAME of CLS or its ancestors (case-insensitive), or null.
const TMethodInfo* FindPublishedMethod(TClass cls, const AnsiString& name);
// The published component field NAME of CLS or its ancestors (case-insensitive), or null.
const TFieldInfo* FindPublishedField(TClass cls, const AnsiString& name);

// The writer's rule: stored flag / predicate, then default (ordinals) or emptiness (others).
bool IsStoredProp(TObject* obj, const TPropInfo* prop);
// True when the value of PROP in OBJ equals its streaming default (so it is not written).
bool IsDefaultPropValue(TObject* obj, const TPropInfo* prop);

// Sets the property at PATH ("Font.Height") of OBJ from VALUETEXT in form-text syntax
// ("-12", "'abc'", "[akLeft, akTop]", "clRed", "( 'a' 'b' )"). Component references are
// looked up among the components of OBJ's owner chain root; events among its methods.
// Throws EReadError / EPropertyError on unknown properties or bad values.
void SetPropByName(TObject* obj, const AnsiString& path, const AnsiString& valueText);
// The value of the property at PATH of OBJ in form-text syntax (as the writer writes it).
AnsiString GetPropAsText(TObject* obj, const AnsiString& path);

// Name of ordinal VALUE of TYPE ("" when out of range).
AnsiString GetEnumName(const TEnumType* type, int64_t value);
// Ordinal of NAME in TYPE (case-insensitive), or -1.
int GetEnumValue(const TEnumType* type, const AnsiString& name);
