// Variant: a value of one of the dataset value kinds, or Null, or Unassigned.
#pragma once

#include <cstdint>

#include "platform/classlib/SysUtils.h"

// A variant that cannot be converted to the requested kind:
// "Could not convert variant of type (Null) into type (Integer)".
KV_EXCEPTION(EVariantError, Exception)

// Kinds of value a Variant holds, in the class library's order of the common ones.
enum TVarType { varEmpty, varNull, varInteger, varInt64, varDouble, varBoolean, varString, varDate };

class Variant {
 public:
  // Unassigned (varEmpty).
  Variant() = default;
  Variant(int v) : FType(varInteger) { FNum.i = v; }
  Variant(int64_t v) : FType(varInt64) { FNum.i = v; }
  Variant(long long v) : FType(varInt64) { FNum.i = int64_t(v); }
  Variant(double v) : FType(varDouble) { FNum.d = v; }
  Variant(bool v) : FType(varBoolean) { FNum.i = v ? 1 : 0; }
  Variant(const char* v) : FType(varString), FStr(v ? v : "") {}
  Variant(AnsiString v) : FType(varString), FStr(std::move(v)) {}

  // The Null variant.
  static Variant Null() { return Variant(varNull); }
  // A date-time variant (days since 1899-12-30).
  static Variant FromDate(TDateTime value) {
    Variant v(varDate);
    v.FNum.d = value;
    return v;
  }

  TVarType VarType() const { return FType; }
  bool IsNull() const { return FType == varNull; }
  bool IsEmpty() const { return FType == varEmpty; }
  // Null or Unassigned.
  bool IsNullOrEmpty() const { return FType <= varNull; }

  // Conversions; Unassigned reads as 0 / "" / false, Null raises EVariantError, text that is
  // not a number (date) raises EVariantError. Doubles become integers by rounding to even.
  int AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  // Booleans read "True"/"False", dates as DateTimeToStr, doubles as FloatToStr.
  AnsiString AsString() const;
  TDateTime AsDateTime() const;

  // Same kind and same value (Null equals Null, Unassigned equals Unassigned).
  bool operator==(const Variant& other) const;

  // The class library's name of a kind ("Null", "Integer", "String" ...).
  static const char* TypeName(TVarType type);

 private:
  explicit Variant(TVarType type) : FType(type) {}
  [[noreturn]] void CannotConvert(TVarType to) const;

  TVarType FType = varEmpty;
  union {
    int64_t i;
    double d;
  } FNum{0};
  AnsiString FStr;
};

// Null as a value: `Field->AsVariant = Null();`
inline Variant Null() { return Variant::Null(); }
// Unassigned as a value.
inline Variant Unassigned() { return Variant(); }
// True for Null and Unassigned.
inline bool VarIsNull(const Variant& v) { return v.IsNullOrEmpty(); }
