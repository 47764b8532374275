#include "platform/classlib/FormReader.h"

#include <algorithm>
#include <charconv>

#include "platform/classlib/Resources.h"

namespace {

// ---- lexer ---------------------------------------------------------------------------------

enum class TTok { End, Ident, Integer, Float, String, Symbol };

struct TToken {
  TTok Kind = TTok::End;
  AnsiString Text;      // identifier, string value, or the symbol character
  uint64_t Magnitude = 0;  // integers (the sign is a separate '-' symbol)
  bool Hex = false;
  double Float = 0;
  int Line = 1;
};

constexpr int kMaxDepth = 200;

class TLexer {
 public:
  TLexer(std::string_view text, AnsiString resource) : FText(text), FResource(std::move(resource)) {
    if (FText.substr(0, 3) == "\xEF\xBB\xBF") FPos = 3;
    Scan();
  }

  const TToken& Peek() const { return FCur; }
  TToken Next() {
    TToken t = FCur;
    Scan();
    return t;
  }
  bool PeekSymbol(char c) const { return FCur.Kind == TTok::Symbol && FCur.Text[0] == c; }
  bool PeekIdent(const char* word) const { return FCur.Kind == TTok::Ident && SameText(FCur.Text, word); }
  const AnsiString& Resource() const { return FResource; }

  [[noreturn]] void Error(int line, const AnsiString& what) const { throw EReadError(FResource, line, what); }

  // Reads the hex bytes of a binary value; the current token is the '{' symbol.
  TBytes ReadBinary() {
    int line = FCur.Line;
    FPos = FCur.EndPos;
    FLine = FCur.EndLine;
    TBytes bytes;
    for (;;) {
      SkipBlanks();
      if (FPos >= FText.size()) Error(line, "Unterminated binary value");
      char c = FText[FPos];
      if (c == '}') {
        ++FPos;
        break;
      }
      int hi = HexDigit(c);
      int lo = FPos + 1 < FText.size() ? HexDigit(FText[FPos + 1]) : -1;
      if (hi < 0) Error(FLine, "Invalid binary value");
      if (lo < 0) Error(FLine, "Odd number of hexadecimal digits in binary value");
      bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
      FPos += 2;
    }
    Scan();
    return bytes;
  }

 private:

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
  static bool IdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
  static bool IdentChar(char c) { return IdentStart(c) || (c >= '0' && c <= '9'); }
  static bool Digit(char c) { return c >= '0' && c <= '9'; }

  void SkipBlanks() {
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\n') {
        ++FLine;
      } else if (c == '\r') {
        if (FPos + 1 >= FText.size() || FText[FPos + 1] != '\n') ++FLine;
      } else if (static_cast<unsigned char>(c) > ' ') {
        break;
      }
      ++FPos;
    }
  }

  void Scan() {
    SkipBlanks();
    FCur = TCurrent{};
    FCur.Line = FLine;
    if (FPos >= FText.size()) {
      FCur.Kind = TTok::End;
      Finish();
      return;
    }
    char c = FText[FPos];
    if (IdentStart(c)) {
      size_t start = FPos;
      while (FPos < FText.size() && IdentChar(FText[FPos])) ++FPos;
      FCur.Kind = TTok::Ident;
      FCur.Text = AnsiString(FText.substr(start, FPos - start));
    } else if (Digit(c) || c == '$') {
      ScanNumber();
    } else if (c == '\'' || c == '#') {
      ScanString();
    } else if (AnsiString("=:[](){}<>,+-.").find(c) != AnsiString::npos) {
      FCur.Kind = TTok::Symbol;
      FCur.Text = AnsiString(1, c);
      ++FPos;
    } else {
      Error(FLine, "Invalid character " + (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127
                                               ? "'" + AnsiString(1, c) + "'"
                                               : "#" + std::to_string(static_cast<unsigned char>(c))));
    }
    Finish();
  }

  void Finish() {
    FCur.EndPos = FPos;
    FCur.EndLine = FLine;
  }

  void ScanNumber() {
    FCur.Kind = TTok::Integer;
    if (FText[FPos] == '$') {
      ++FPos;
      size_t start = FPos;
      uint64_t v = 0;
      while (FPos < FText.size() && HexDigit(FText[FPos]) >= 0) {
        if (v >> 60) Error(FLine, "Integer out of range");
        v = v * 16 + static_cast<uint64_t>(HexDigit(FText[FPos++]));
      }
      if (FPos == start) Error(FLine, "Invalid hexadecimal number");
      FCur.Magnitude = v;
      FCur.Hex = true;
    } else {
      size_t start = FPos;
      while (FPos < FText.size() && Digit(FText[FPos])) ++FPos;
      bool isFloat = false;
      if (FPos + 1 < FText.size() && FText[FPos] == '.' && Digit(FText[FPos + 1])) {
        isFloat = true;
        ++FPos;
        while (FPos < FText.size() && Digit(FText[FPos])) ++FPos;
      }
      if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
        size_t save = FPos++;
        if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
        if (FPos < FText.size() && Digit(FText[FPos])) {
          isFloat = true;
          while (FPos < FText.size() && Digit(FText[FPos])) ++FPos;
        } else {
          FPos = save;
        }
      }
      AnsiString number(FText.substr(start, FPos - start));
      if (isFloat) {
        FCur.Kind = TTok::Float;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), FCur.Float);
        if (ec != std::errc() || end != number.data() + number.size()) Error(FLine, "Invalid floating point number");
        if (FPos < FText.size() && AnsiString("scdSCD").find(FText[FPos]) != AnsiString::npos) ++FPos;
      } else {
        uint64_t v = 0;
        for (char d : number) {
          if (v > (UINT64_MAX - static_cast<uint64_t>(d - '0')) / 10) Error(FLine, "Integer out of range");
          v = v * 10 + static_cast<uint64_t>(d - '0');
        }
        FCur.Magnitude = v;
      }
    }
    if (FPos < FText.size() && IdentChar(FText[FPos])) Error(FLine, "Invalid number");
  }

  void ScanString() {
    FCur.Kind = TTok::String;
    AnsiString value;
    while (FPos < FText.size() && (FText[FPos] == '\'' || FText[FPos] == '#')) {
      if (FText[FPos] == '#') {
        ++FPos;
        uint64_t code = 0;
        size_t start;
        if (FPos < FText.size() && FText[FPos] == '$') {
          start = ++FPos;
          while (FPos < FText.size() && HexDigit(FText[FPos]) >= 0 && FPos - start < 8)
            code = code * 16 + static_cast<uint64_t>(HexDigit(FText[FPos++]));
        } else {
          start = FPos;
          while (FPos < FText.size() && Digit(FText[FPos]) && FPos - start < 10)
            code = code * 10 + static_cast<uint64_t>(FText[FPos++] - '0');
        }
        if (FPos == start) Error(FLine, "Invalid character code");
        if (code > 255) Error(FLine, "Character code " + std::to_string(code) + " out of range");
        value += static_cast<char>(code);
        continue;
      }
      ++FPos;  // opening quote
      for (;;) {
        if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r') Error(FLine, "Unterminated string");
        char c = FText[FPos++];
        if (c == '\'') {
          if (FPos < FText.size() && FText[FPos] == '\'') {
            value += '\'';
            ++FPos;
            continue;
          }
          break;
        }
        value += c;
      }
    }
    FCur.Text = value;
  }

  struct TCurrent : TToken {
    size_t EndPos = 0;
    int EndLine = 1;
  };

  std::string_view FText;
  AnsiString FResource;
  size_t FPos = 0;
  int FLine = 1;
  TCurrent FCur;
};

// ---- reader --------------------------------------------------------------------------------

class TReader {
 public:
  TReader(TComponent* root, std::string_view text, const AnsiString& resource)
      : FLex(text, resource), FRoot(root) {}

  void SetAlternateRoot(TComponent* alt) { FAltRoot = alt; }

  void ReadRoot() {
    try {
      if (!IsComponentKeyword()) FLex.Error(FLex.Peek().Line, "'object' expected");
      ReadComponentBlock(nullptr);
      if (FLex.Peek().Kind != TTok::End) FLex.Error(FLex.Peek().Line, "Text after the final 'end'");
      ResolveFixups();
      for (size_t i = 0; i < FLoaded.size(); ++i) {
        FCurrentLine = FLoaded[i].Line;
        FLoaded[i].Comp->Loaded();
      }
    } catch (const EAbort&) {
      Cleanup();
      throw;
    } catch (const EReadError&) {
      Cleanup();
      throw;
    } catch (const Exception& e) {
      Cleanup();
      throw EReadError(FLex.Resource(), FCurrentLine, e.Message());
    }
  }

  void ReadStandaloneValue(TObject* obj, const AnsiString& path) {
    FCurrentLine = 1;
    FStandalone = true;
    ApplyValue(obj, path, 1, ContextOf(obj));
    if (FLex.Peek().Kind != TTok::End) FLex.Error(FLex.Peek().Line, "Text after the value");
    ResolveFixups();
  }

 private:
  struct TFixup {
    TObject* Obj;
    const TPropInfo* Prop;
    AnsiString Name;
    int Line;
    AnsiString Context;
  };
  struct TLoading {
    TComponent* Comp;
    int Line;
  };

  // Limits recursion so a hostile text cannot exhaust the stack.
  struct TDepthGuard {
    TReader& R;
    TDepthGuard(TReader& r, int line) : R(r) {
      if (++R.FDepth > kMaxDepth) R.FLex.Error(line, "Nesting too deep");
    }
    ~TDepthGuard() { --R.FDepth; }
  };

  bool IsComponentKeyword() const {
    return FLex.PeekIdent("object") || FLex.PeekIdent("inherited") || FLex.PeekIdent("inline");
  }

  TToken ExpectIdent(const char* what) {
    if (FLex.Peek().Kind != TTok::Ident) FLex.Error(FLex.Peek().Line, AnsiString(what) + " expected");
    return FLex.Next();
  }

  void ExpectSymbol(char c) {
    if (!FLex.PeekSymbol(c)) FLex.Error(FLex.Peek().Line, "'" + AnsiString(1, c) + "' expected");
    FLex.Next();
  }

  void ExpectEnd() {
    if (!FLex.PeekIdent("end")) FLex.Error(FLex.Peek().Line, "'end' expected");
    FLex.Next();
  }

  static AnsiString ContextOf(TObject* obj) {
    if (auto* c = dynamic_cast<TComponent*>(obj)) return c->Name().empty() ? c->ClassName() : c->Name();
    if (auto* p = dynamic_cast<TPersistent*>(obj)) return p->GetNamePath();
    return obj->ClassName();
  }

  [[noreturn]] void PropError(int line, const AnsiString& context, const AnsiString& what) {
    FLex.Error(line, "Error reading " + context + ": " + what);
  }

  // Runs F; a library exception becomes a read error at LINE with CONTEXT.
  template <class F>
  void Guarded(int line, const AnsiString& context, F f) {
    try {
      f();
    } catch (const EAbort&) {
      throw;
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& e) {
      PropError(line, context, e.Message());
    }
  }

  // Sets a value: a stand-alone value must be the whole text, checked before anything changes.
  template <class F>
  void Apply(int line, const AnsiString& context, F f) {
    if (FStandalone && FLex.Peek().Kind != TTok::End) FLex.Error(FLex.Peek().Line, "Text after the value");
    Guarded(line, context, f);
  }

  static bool ClassChainHasName(TClass cls, const AnsiString& name) {
    for (TClass c = cls; c; c = c->Parent)
      if (SameText(c->Name, name)) return true;
    return false;
  }

  void SetRootName(const AnsiString& name) {
    TComponent* owner = FRoot->Owner();
    AnsiString candidate = name;
    for (int n = 1; owner && owner->FindComponent(candidate) && owner->FindComponent(candidate) != FRoot; ++n)
      candidate = name + "_" + std::to_string(n);
    FRoot->SetName(candidate);
  }

  void ReadComponentBlock(TComponent* parent) {
    TToken keyword = FLex.Next();
    const int line = keyword.Line;
    FCurrentLine = line;
    TDepthGuard guard(*this, line);
    const bool isInherited = SameText(keyword.Text, "inherited");
    AnsiString name, className = ExpectIdent("Component name or class name").Text;
    if (FLex.PeekSymbol(':')) {
      FLex.Next();
      name = className;
      className = ExpectIdent("Class name").Text;
    }
    if (FLex.PeekSymbol('[')) {
      FLex.Next();
      if (FLex.Peek().Kind != TTok::Integer) FLex.Error(FLex.Peek().Line, "Child position expected");
      FLex.Next();
      ExpectSymbol(']');
    }

    TComponent* comp = nullptr;
    if (!parent) {
      comp = FRoot;
      if (!ClassChainHasName(FRoot->ClassType(), className))
        FLex.Error(line, "Resource of class " + className + " cannot be read into a " + FRoot->ClassName());
      if (FRoot->Name().empty() && !name.empty()) Guarded(line, ContextOf(FRoot), [&] { SetRootName(name); });
    } else if (isInherited) {
      comp = FRoot->FindComponent(name);
      if (!comp) FLex.Error(line, "Ancestor for '" + name + "' not found");
      if (!ClassChainHasName(comp->ClassType(), className))
        FLex.Error(line, "Component " + name + " is a " + comp->ClassName() + ", not a " + className);
    } else {
      comp = CreateChild(name, className, parent, line);
    }

    if (std::none_of(FLoaded.begin(), FLoaded.end(), [comp](const TLoading& l) { return l.Comp == comp; }))
      FLoaded.push_back({comp, line});
    comp->BeginLoading();
    comp->BeginReading();
    const AnsiString context = ContextOf(comp);
    while (FLex.Peek().Kind == TTok::Ident && !IsComponentKeyword() && !FLex.PeekIdent("end"))
      ReadProperty(comp, context);
    comp->EndReading();
    while (IsComponentKeyword()) ReadComponentBlock(comp);
    ExpectEnd();
  }

  TComponent* CreateChild(const AnsiString& name, const AnsiString& className, TComponent* parent, int line) {
    TClass cls = GetClass(className);
    if (!cls) FLex.Error(line, "Class " + className + " not found");
    if (!cls->CreateComponent) FLex.Error(line, "Class " + className + " cannot be created");
    if (!name.empty()) {
      if (!IsValidIdent(name)) FLex.Error(line, "'" + name + "' is not a valid component name");
      if (FRoot->FindComponent(name)) FLex.Error(line, "A component named " + name + " already exists");
      if (const TFieldInfo* field = FindPublishedField(FRoot->ClassType(), name))
        if (!cls->InheritsFrom(field->FieldClass()))
          FLex.Error(line, "Field " + name + " of " + FRoot->ClassName() + " is a " + field->FieldClass()->Name +
                               ", not a " + className);
    }
    TComponent* comp = nullptr;
    const AnsiString context = name.empty() ? className : name;
    Guarded(line, context, [&] { comp = cls->CreateInstance(FRoot); });
    FCreated.push_back(comp);
    Guarded(line, context, [&] {
      comp->SetName(name);
      comp->SetParentComponent(parent);
    });
    return comp;
  }

  void ReadProperty(TObject* obj, const AnsiString& context) {
    TToken first = FLex.Next();
    const int line = first.Line;
    FCurrentLine = line;
    AnsiString path = first.Text;
    while (FLex.PeekSymbol('.')) {
      FLex.Next();
      path += "." + ExpectIdent("Property name").Text;
    }
    ExpectSymbol('=');
    ApplyValue(obj, path, line, context);
  }

  void ApplyValue(TObject* obj, const AnsiString& path, int line, const AnsiString& context) {
    std::vector<AnsiString> segments(1);
    for (char c : path) {
      if (c == '.')
        segments.emplace_back();
      else
        segments.back() += c;
    }
    const AnsiString where = context + "." + path;
    TObject* target = obj;
    for (size_t i = 0; i + 1 < segments.size(); ++i) {
      const TPropInfo* step = GetPropInfo(target->ClassType(), segments[i]);
      if (!step || step->Kind != TTypeKind::tkClass || !step->GetObj(target))
        PropError(line, where, "Property " + path + " does not exist");
      target = step->GetObj(target);
    }
    const TPropInfo* prop = GetPropInfo(target->ClassType(), segments.back());
    if (!prop) PropError(line, where, "Property " + path + " does not exist");
    ReadValue(target, prop, line, where);
  }

  // Reads an integer value, with an optional '-' sign; false when the value is not a number.
  bool ReadSignedInteger(int64_t& value, bool& hex, int64_t min, int64_t max) {
    bool negative = false;
    if (FLex.PeekSymbol('-')) {
      FLex.Next();
      negative = true;
    }
    if (FLex.Peek().Kind != TTok::Integer) return false;
    TToken t = FLex.Next();
    hex = t.Hex;
    uint64_t m = t.Magnitude;
    // A 32-bit $ literal may use the sign bit ($FF000005 for a system colour).
    if (t.Hex && !negative && min == INT32_MIN && max == INT32_MAX && m <= 0xFFFFFFFFull) {
      value = static_cast<int32_t>(static_cast<uint32_t>(m));
      return true;
    }
    if (negative) {
      if (m > static_cast<uint64_t>(INT64_MAX) + 1) return false;
      value = static_cast<int64_t>(~m + 1);
    } else {
      if (m > static_cast<uint64_t>(INT64_MAX)) return false;
      value = static_cast<int64_t>(m);
    }
    return value >= min && value <= max;
  }

  AnsiString ReadStringValue(int line, const AnsiString& where) {
    if (FLex.Peek().Kind != TTok::String) PropError(line, where, "Invalid property value");
    AnsiString s = FLex.Next().Text;
    while (FLex.PeekSymbol('+')) {
      FLex.Next();
      if (FLex.Peek().Kind != TTok::String) FLex.Error(FLex.Peek().Line, "String expected after '+'");
      s += FLex.Next().Text;
    }
    return s;
  }

  AnsiString ReadQualifiedIdent() {
    AnsiString s = FLex.Next().Text;
    while (FLex.PeekSymbol('.')) {
      FLex.Next();
      s += "." + ExpectIdent("Identifier").Text;
    }
    return s;
  }

  void ReadValue(TObject* target, const TPropInfo* prop, int line, const AnsiString& where) {
    if (prop->Kind != TTypeKind::tkClass && !prop->Writable()) PropError(line, where, "Property is read-only");
    const TToken& t = FLex.Peek();
    auto invalid = [&]() { PropError(t.Line, where, "Invalid property value"); };
    switch (prop->Kind) {
      case TTypeKind::tkInteger:
      case TTypeKind::tkInt64: {
        int64_t v = 0;
        if (t.Kind == TTok::Ident) {
          AnsiString ident = FLex.Next().Text;
          if (!prop->Idents || !prop->Idents->IdentToInt(ident, v))
            PropError(line, where, "Invalid property value '" + ident + "'");
        } else {
          bool hex;
          if (!ReadSignedInteger(v, hex, prop->MinValue, prop->MaxValue)) invalid();
        }
        Apply(line, where, [&] { prop->SetOrd(target, v); });
        break;
      }
      case TTypeKind::tkChar: {
        int64_t v = 0;
        if (t.Kind == TTok::String) {
          AnsiString s = ReadStringValue(line, where);
          if (s.size() != 1) invalid();
          v = static_cast<unsigned char>(s[0]);
        } else {
          bool hex;
          if (!ReadSignedInteger(v, hex, 0, 255)) invalid();
        }
        Apply(line, where, [&] { prop->SetOrd(target, v); });
        break;
      }
      case TTypeKind::tkBool: {
        if (t.Kind != TTok::Ident) invalid();
        AnsiString ident = FLex.Next().Text;
        int64_t v = SameText(ident, "True") ? 1 : SameText(ident, "False") ? 0 : -1;
        if (v < 0) PropError(line, where, "Invalid property value '" + ident + "'");
        Apply(line, where, [&] { prop->SetOrd(target, v); });
        break;
      }
      case TTypeKind::tkEnumeration: {
        if (t.Kind != TTok::Ident) invalid();
        AnsiString ident = FLex.Next().Text;
        int v = prop->EnumType->ValueOf(ident);
        if (v < 0) PropError(line, where, "Invalid property value '" + ident + "'");
        Apply(line, where, [&] { prop->SetOrd(target, v); });
        break;
      }
      case TTypeKind::tkSet: {
        if (!FLex.PeekSymbol('[')) invalid();
        FLex.Next();
        uint64_t bits = 0;
        while (!FLex.PeekSymbol(']')) {
          if (FLex.Peek().Kind != TTok::Ident) FLex.Error(FLex.Peek().Line, "Set element expected");
          AnsiString ident = FLex.Next().Text;
          int v = prop->EnumType->ValueOf(ident);
          if (v < 0 || v >= 64) PropError(line, where, "Invalid property value '" + ident + "'");
          bits |= uint64_t{1} << v;
          if (FLex.PeekSymbol(',')) {
            FLex.Next();
            if (FLex.PeekSymbol(']')) FLex.Error(FLex.Peek().Line, "Set element expected");
          } else if (!FLex.PeekSymbol(']')) {
            FLex.Error(FLex.Peek().Line, "']' expected");
          }
        }
        FLex.Next();
        Apply(line, where, [&] { prop->SetOrd(target, static_cast<int64_t>(bits)); });
        break;
      }
      case TTypeKind::tkFloat: {
        bool negative = false;
        if (FLex.PeekSymbol('-')) {
          FLex.Next();
          negative = true;
        }
        const TToken& n = FLex.Peek();
        double v;
        if (n.Kind == TTok::Float)
          v = n.Float;
        else if (n.Kind == TTok::Integer)
          v = static_cast<double>(n.Magnitude);
        else
          PropError(n.Line, where, "Invalid property value");
        FLex.Next();
        if (negative) v = -v;
        Apply(line, where, [&] { prop->SetFloat(target, v); });
        break;
      }
      case TTypeKind::tkString: {
        AnsiString s = ReadStringValue(line, where);
        Apply(line, where, [&] { prop->SetStr(target, s); });
        break;
      }
      case TTypeKind::tkComponent: {
        if (t.Kind != TTok::Ident) invalid();
        AnsiString name = ReadQualifiedIdent();
        if (SameText(name, "nil"))
          Apply(line, where, [&] { prop->SetObj(target, nullptr); });
        else
          FFixups.push_back({target, prop, name, line, where});
        break;
      }
      case TTypeKind::tkMethod: {
        if (t.Kind != TTok::Ident) invalid();
        AnsiString name = FLex.Next().Text;
        if (SameText(name, "nil")) {
          Apply(line, where, [&] { prop->SetMethod(target, nullptr, FRoot); });
          break;
        }
        TComponent* owner = FRoot;
        const TMethodInfo* method = FRoot ? FindPublishedMethod(FRoot->ClassType(), name) : nullptr;
        if (!method && FAltRoot) {
          owner = FAltRoot;
          method = FindPublishedMethod(FAltRoot->ClassType(), name);
        }
        if (!method)
          PropError(line, where, "Method " + name + " not found in " + (FRoot ? FRoot->ClassName() : AnsiString("nil")));
        bool bound = false;
        Apply(line, where, [&] { bound = prop->SetMethod(target, method, owner); });
        if (!bound) PropError(line, where, "Method " + name + " does not match the event's parameters");
        break;
      }
      case TTypeKind::tkStringList: {
        if (!FLex.PeekSymbol('(')) invalid();
        FLex.Next();
        std::vector<AnsiString> lines;
        while (!FLex.PeekSymbol(')')) {
          if (FLex.Peek().Kind != TTok::String) FLex.Error(FLex.Peek().Line, "String or ')' expected");
          lines.push_back(ReadStringValue(line, where));
        }
        FLex.Next();
        Apply(line, where, [&] { prop->SetList(target, lines); });
        break;
      }
      case TTypeKind::tkBinary: {
        if (!FLex.PeekSymbol('{')) invalid();
        TBytes bytes = FLex.ReadBinary();
        Apply(line, where, [&] { prop->SetBytes(target, bytes); });
        break;
      }
      case TTypeKind::tkClass: {
        auto* collection = dynamic_cast<TCollection*>(prop->GetObj(target));
        if (!collection || !FLex.PeekSymbol('<')) invalid();
        ReadCollection(collection, line, where);
        break;
      }
    }
  }

  void ReadCollection(TCollection* collection, int line, const AnsiString& where) {
    TDepthGuard guard(*this, line);
    FLex.Next();  // '<'
    // Pending references of items about to be freed must not outlive them.
    std::erase_if(FFixups, [collection](const TFixup& f) {
      auto* item = dynamic_cast<TCollectionItem*>(f.Obj);
      return item && item->Collection() == collection;
    });
    collection->BeginUpdate();
    try {
      Guarded(line, where, [&] { collection->Clear(); });
      while (FLex.PeekIdent("item")) {
        int itemLine = FLex.Next().Line;
        if (FLex.PeekSymbol('[')) {
          FLex.Next();
          if (FLex.Peek().Kind != TTok::Integer) FLex.Error(FLex.Peek().Line, "Item index expected");
          FLex.Next();
          ExpectSymbol(']');
        }
        TCollectionItem* item = nullptr;
        Guarded(itemLine, where, [&] { item = collection->Add(); });
        const AnsiString itemContext = where + "[" + std::to_string(item->Index()) + "]";
        while (FLex.Peek().Kind == TTok::Ident && !FLex.PeekIdent("end")) ReadProperty(item, itemContext);
        ExpectEnd();
      }
      ExpectSymbol('>');
    } catch (...) {
      collection->EndUpdate();
      throw;
    }
    Guarded(line, where, [&] { collection->EndUpdate(); });
  }

  TComponent* FindReference(TComponent* root, const AnsiString& name) const {
    if (!root) return nullptr;
    size_t dot = name.find('.');
    if (dot == AnsiString::npos) return SameText(root->Name(), name) ? root : root->FindComponent(name);
    AnsiString head = name.substr(0, dot), rest = name.substr(dot + 1);
    if (rest.find('.') != AnsiString::npos) return nullptr;
    TComponent* scope = SameText(root->Name(), head) ? root : root->FindComponent(head);
    return scope ? scope->FindComponent(rest) : nullptr;
  }

  void ResolveFixups() {
    std::vector<TFixup> fixups;
    fixups.swap(FFixups);
    for (const TFixup& f : fixups) {
      FCurrentLine = f.Line;
      TComponent* target = FindReference(FRoot, f.Name);
      if (!target) target = FindReference(FAltRoot, f.Name);
      if (!target) PropError(f.Line, f.Context, "Component " + f.Name + " not found");
      if (!target->InheritsFrom(f.Prop->PropClass()))
        PropError(f.Line, f.Context,
                  "Invalid property value: " + f.Name + " is a " + target->ClassName() + ", not a " +
                      f.Prop->PropClass()->Name);
      Guarded(f.Line, f.Context, [&] { f.Prop->SetObj(f.Obj, target); });
    }
  }

  // Undoes what a failed read made: components created by it are freed, flags cleared.
  void Cleanup() {
    for (const TLoading& l : FLoaded) {
      if (std::find(FCreated.begin(), FCreated.end(), l.Comp) != FCreated.end()) continue;
      l.Comp->EndReading();
      l.Comp->EndLoading();
    }
    for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
      if ((*it)->Owner() == FRoot) delete *it;
    FCreated.clear();
    FLoaded.clear();
    FFixups.clear();
  }

  TLexer FLex;
  TComponent* FRoot;
  TComponent* FAltRoot = nullptr;
  std::vector<TFixup> FFixups;
  std::vector<TLoading> FLoaded;
  std::vector<TComponent*> FCreated;
  int FDepth = 0;
  int FCurrentLine = 1;
  bool FStandalone = false;
};

// Class name in the header of TEXT ("object x: TFoo" -> TFoo), or "".
AnsiString HeaderClassName(std::string_view text, const AnsiString& resource) {
  TLexer lex(text, resource);
  if (!(lex.PeekIdent("object") || lex.PeekIdent("inherited") || lex.PeekIdent("inline")))
    lex.Error(lex.Peek().Line, "'object' expected");
  lex.Next();
  if (lex.Peek().Kind != TTok::Ident) lex.Error(lex.Peek().Line, "Class name expected");
  AnsiString name = lex.Next().Text;
  if (lex.PeekSymbol(':')) {
    lex.Next();
    if (lex.Peek().Kind != TTok::Ident) lex.Error(lex.Peek().Line, "Class name expected");
    name = lex.Next().Text;
  }
  return name;
}

TComponent* StandaloneRootFor(TObject* obj) {
  auto* p = dynamic_cast<TPersistent*>(obj);
  while (p && !dynamic_cast<TComponent*>(p)) p = p->GetOwner();
  return dynamic_cast<TComponent*>(p);
}

}  // namespace

void ReadComponentFromText(TComponent* root, std::string_view text, const AnsiString& resourceName) {
  KV_CHECK(root != nullptr, "ReadComponentFromText: null root");
  TReader reader(root, text, resourceName);
  reader.ReadRoot();
}

bool InitInheritedComponent(TComponent* instance, TClass ancestor) {
  KV_CHECK(instance != nullptr, "InitInheritedComponent: null instance");
  std::vector<const TResourceEntry*> levels;
  for (TClass c = instance->ClassType(); c && c != ancestor; c = c->Parent)
    if (const TResourceEntry* res = FindResource(c->Name)) levels.push_back(res);
  for (auto it = levels.rbegin(); it != levels.rend(); ++it)
    ReadComponentFromText(instance, (*it)->Text, (*it)->ResourceName);
  return !levels.empty();
}

TComponent* CreateComponentFromText(std::string_view text, TComponent* owner, const AnsiString& resourceName) {
  AnsiString className = HeaderClassName(text, resourceName);
  TClass cls = GetClass(className);
  if (!cls) throw EReadError(resourceName, 1, "Class " + className + " not found");
  TComponent* root = cls->CreateInstance(owner);
  try {
    ReadComponentFromText(root, text, resourceName);
  } catch (...) {
    delete root;
    throw;
  }
  return root;
}

void SetPropertyFromText(TObject* obj, const AnsiString& path, const AnsiString& valueText, TComponent* root) {
  KV_CHECK(obj != nullptr, "SetPropertyFromText: null object");
  TReader reader(root, valueText, "value");
  reader.ReadStandaloneValue(obj, path);
}

void SetPropByName(TObject* obj, const AnsiString& path, const AnsiString& valueText) {
  TComponent* comp = StandaloneRootFor(obj);
  TComponent* root = comp && comp->Owner() ? comp->Owner() : comp;
  KV_CHECK(obj != nullptr, "SetPropByName: null object");
  TReader reader(root, valueText, "value");
  reader.SetAlternateRoot(comp);
  reader.ReadStandaloneValue(obj, path);
}
