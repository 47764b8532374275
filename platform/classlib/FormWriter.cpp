#include "platform/classlib/FormWriter.h"

#include <cmath>

namespace {

AnsiString Indent(int level) { return AnsiString(static_cast<size_t>(level) * 2, ' '); }

// A string value: printable runs in quotes (quotes doubled), control codes as #n.
AnsiString StringLiteral(const AnsiString& s) {
  if (s.empty()) return "''";
  AnsiString out;
  bool quoted = false;
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127) {
      if (quoted) out += '\'', quoted = false;
      out += "#" + std::to_string(b);
      continue;
    }
    if (!quoted) out += '\'', quoted = true;
    out += c;
    if (c == '\'') out += '\'';
  }
  if (quoted) out += '\'';
  return out;
}

// Floats always use '.', whatever the regional decimal separator.
AnsiString FloatLiteral(double v) {
  AnsiString s = FloatToStr(v);
  for (char& c : s)
    if (c == FormatSettings.DecimalSeparator) c = '.';
  return s;
}

AnsiString HexBytes(const TBytes& bytes, size_t from, size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  AnsiString out;
  for (size_t i = from; i < from + count && i < bytes.size(); ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

AnsiString ComponentReference(TComponent* target, TComponent* root) {
  if (!target || target->Name().empty()) return "nil";
  if (!root || target == root || target->Owner() == root || !target->Owner() || target->Owner()->Name().empty())
    return target->Name();
  return target->Owner()->Name() + "." + target->Name();
}

AnsiString ScalarText(TObject* obj, const TPropInfo* prop, TComponent* root) {
  switch (prop->Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64: {
      int64_t v = prop->GetOrd(obj);
      AnsiString ident;
      if (prop->Idents && prop->Idents->IntToIdent(v, ident)) return ident;
      return IntToStr(v);
    }
    case TTypeKind::tkChar: {
      auto b = static_cast<unsigned char>(prop->GetOrd(obj));
      return StringLiteral(AnsiString(1, static_cast<char>(b)));
    }
    case TTypeKind::tkBool: return prop->GetOrd(obj) ? "True" : "False";
    case TTypeKind::tkEnumeration: {
      AnsiString name = prop->EnumType->NameOf(prop->GetOrd(obj));
      return name.empty() ? IntToStr(prop->GetOrd(obj)) : name;
    }
    case TTypeKind::tkSet: {
      auto bits = static_cast<uint64_t>(prop->GetOrd(obj));
      AnsiString out = "[";
      for (size_t i = 0; i < prop->EnumType->Names.size() && i < 64; ++i) {
        if (!(bits >> i & 1)) continue;
        if (out.size() > 1) out += ", ";
        out += prop->EnumType->Names[i];
      }
      return out + "]";
    }
    case TTypeKind::tkFloat: return FloatLiteral(prop->GetFloat(obj));
    case TTypeKind::tkString: return StringLiteral(prop->GetStr(obj));
    case TTypeKind::tkComponent: return ComponentReference(dynamic_cast<TComponent*>(prop->GetObj(obj)), root);
    case TTypeKind::tkMethod: {
      AnsiString name = prop->GetMethodName(obj);
      return name.empty() ? "nil" : name;
    }
    default: return {};
  }
}

class TWriter {
 public:
  explicit TWriter(TComponent* root) : FRoot(root) {}

  AnsiString Write() {
    WriteComponent(FRoot, 0);
    return FOut;
  }

 private:
  void Line(int level, const AnsiString& text) { FOut += Indent(level) + text + "\r\n"; }

  void WriteComponent(TComponent* comp, int level) {
    AnsiString header = "object ";
    if (!comp->Name().empty()) header += comp->Name() + ": ";
    Line(level, header + comp->ClassName());
    WriteProperties(comp, "", level + 1);
    comp->GetChildren([&](TComponent* child) { WriteComponent(child, level + 1); }, FRoot);
    Line(level, "end");
  }

  void WriteProperties(TObject* obj, const AnsiString& prefix, int level) {
    for (const TPropInfo* prop : GetPropList(obj->ClassType())) {
      if (prop->Kind == TTypeKind::tkClass) {
        WriteClassProperty(obj, prop, prefix, level);
        continue;
      }
      if (!IsStoredProp(obj, prop)) continue;
      const AnsiString name = prefix + prop->Name;
      switch (prop->Kind) {
        case TTypeKind::tkStringList: WriteList(prop->GetList(obj), name, level); break;
        case TTypeKind::tkBinary: WriteBinary(prop->GetBytes(obj), name, level); break;
        default: Line(level, name + " = " + ScalarText(obj, prop, FRoot)); break;
      }
    }
  }

  void WriteClassProperty(TObject* obj, const TPropInfo* prop, const AnsiString& prefix, int level) {
    if (!prop->StoredFlag || (prop->StoredPred && !prop->StoredPred(obj))) return;
    TObject* sub = prop->GetObj(obj);
    if (!sub) return;
    const AnsiString name = prefix + prop->Name;
    if (auto* collection = dynamic_cast<TCollection*>(sub)) {
      if (collection->Count() == 0) return;
      Line(level, name + " = <");
      for (int i = 0; i < collection->Count(); ++i) {
        Line(level + 1, "item");
        WriteProperties(collection->Items(i), "", level + 2);
        if (i + 1 < collection->Count())
          Line(level + 1, "end");
        else
          Line(level + 1, "end>");
      }
      return;
    }
    WriteProperties(sub, name + ".", level);
  }

  void WriteList(const std::vector<AnsiString>& lines, const AnsiString& name, int level) {
    Line(level, name + " = (");
    for (size_t i = 0; i < lines.size(); ++i) Line(level + 1, StringLiteral(lines[i]) + (i + 1 == lines.size() ? ")" : ""));
  }

  void WriteBinary(const TBytes& bytes, const AnsiString& name, int level) {
    Line(level, name + " = {");
    const size_t perLine = 32;
    for (size_t i = 0; i < bytes.size(); i += perLine)
      Line(level + 1, HexBytes(bytes, i, perLine) + (i + perLine >= bytes.size() ? "}" : ""));
  }

  TComponent* FRoot;
  AnsiString FOut;
};

TComponent* RootOf(TObject* obj) {
  auto* p = dynamic_cast<TPersistent*>(obj);
  while (p && !dynamic_cast<TComponent*>(p)) p = p->GetOwner();
  auto* c = dynamic_cast<TComponent*>(p);
  return c && c->Owner() ? c->Owner() : c;
}

}  // namespace

AnsiString WriteComponentToText(TComponent* root) {
  KV_CHECK(root != nullptr, "WriteComponentToText: null root");
  return TWriter(root).Write();
}

AnsiString PropValueToText(TObject* obj, const TPropInfo* prop) {
  switch (prop->Kind) {
    case TTypeKind::tkStringList: {
      AnsiString out = "(";
      for (const AnsiString& s : prop->GetList(obj)) out += " " + StringLiteral(s);
      return out + " )";
    }
    case TTypeKind::tkBinary: return "{" + HexBytes(prop->GetBytes(obj), 0, prop->GetBytes(obj).size()) + "}";
    case TTypeKind::tkClass: {
      TObject* sub = prop->GetObj(obj);
      return sub ? "(" + sub->ClassName() + ")" : "nil";
    }
    default: return ScalarText(obj, prop, RootOf(obj));
  }
}

AnsiString GetPropAsText(TObject* obj, const AnsiString& path) {
  KV_CHECK(obj != nullptr, "GetPropAsText: null object");
  TObject* target = obj;
  size_t start = 0;
  for (;;) {
    size_t dot = path.find('.', start);
    AnsiString segment = path.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
    const TPropInfo* prop = GetPropInfo(target->ClassType(), segment);
    if (!prop) throw EPropertyError("Property " + path + " does not exist");
    if (dot == AnsiString::npos) return PropValueToText(target, prop);
    if (prop->Kind != TTypeKind::tkClass || !prop->GetObj(target))
      throw EPropertyError("Property " + path + " does not exist");
    target = prop->GetObj(target);
    start = dot + 1;
  }
}
