#include "platform/db/Variant.h"

#include <cmath>
#include <limits>

const char* Variant::TypeName(TVarType type) {
  switch (type) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varInteger: return "Integer";
    case varInt64: return "Int64";
    case varDouble: return "Double";
    case varBoolean: return "Boolean";
    case varString: return "String";
    case varDate: return "Date";
  }
  return "Unknown";
}

void Variant::CannotConvert(TVarType to) const {
  throw EVariantError(Format("Could not convert variant of type (%s) into type (%s)",
                             {TypeName(FType), TypeName(to)}));
}

int64_t Variant::AsInt64() const {
  switch (FType) {
    case varEmpty: return 0;
    case varInteger:
    case varInt64:
    case varBoolean: return FType == varBoolean ? -FNum.i : FNum.i;  // True reads as -1
    case varDouble:
    case varDate: {
      const double d = FNum.d;
      if (!(std::fabs(d) < 9.2e18)) CannotConvert(varInt64);
      return Round(d);
    }
    case varString: {
      int64_t v;
      if (TryStrToInt64(FStr, v)) return v;
      double d;
      if (TryStrToFloat(FStr, d) && std::fabs(d) < 9.2e18) return Round(d);
      CannotConvert(varInt64);
    }
    case varNull: break;
  }
  CannotConvert(varInt64);
}

int Variant::AsInteger() const {
  const int64_t v = AsInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    CannotConvert(varInteger);
  return int(v);
}

double Variant::AsDouble() const {
  switch (FType) {
    case varEmpty: return 0;
    case varInteger:
    case varInt64: return double(FNum.i);
    case varBoolean: return FNum.i ? -1.0 : 0.0;
    case varDouble:
    case varDate: return FNum.d;
    case varString: {
      double d;
      if (TryStrToFloat(FStr, d)) return d;
      CannotConvert(varDouble);
    }
    case varNull: break;
  }
  CannotConvert(varDouble);
}

bool Variant::AsBoolean() const {
  switch (FType) {
    case varEmpty: return false;
    case varInteger:
    case varInt64:
    case varBoolean: return FNum.i != 0;
    case varDouble:
    case varDate: return FNum.d != 0;
    case varString: {
      bool b;
      if (TryStrToBool(FStr, b)) return b;
      CannotConvert(varBoolean);
    }
    case varNull: break;
  }
  CannotConvert(varBoolean);
}

AnsiString Variant::AsString() const {
  switch (FType) {
    case varEmpty: return {};
    case varInteger:
    case varInt64: return IntToStr(FNum.i);
    case varBoolean: return FNum.i ? "True" : "False";
    case varDouble: return FloatToStr(FNum.d);
    case varDate: return DateTimeToStr(FNum.d);
    case varString: return FStr;
    case varNull: break;
  }
  CannotConvert(varString);
}

TDateTime Variant::AsDateTime() const {
  switch (FType) {
    case varEmpty: return 0;
    case varInteger:
    case varInt64: return double(FNum.i);
    case varDouble:
    case varDate: return FNum.d;
    case varString: {
      TDateTime d;
      if (TryStrToDate(FStr, d)) return d;
      CannotConvert(varDate);
    }
    case varBoolean:
    case varNull: break;
  }
  CannotConvert(varDate);
}

bool Variant::operator==(const Variant& o) const {
  if (FType != o.FType) return false;
  switch (FType) {
    case varEmpty:
    case varNull: return true;
    case varInteger:
    case varInt64:
    case varBoolean: return FNum.i == o.FNum.i;
    case varDouble:
    case varDate: return FNum.d == o.FNum.d;
    case varString: return FStr == o.FStr;
  }
  return false;
}
