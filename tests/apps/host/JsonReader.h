// A small JSON reader for checking the host's trace lines in tests.
#pragma once

#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hosttest {

struct Json {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  bool b = false;
  double n = 0;
  std::string s;
  std::vector<Json> items;
  std::map<std::string, Json> fields;

  bool has(const std::string& key) const { return kind == Object && fields.count(key) > 0; }
  // The field `key`; throws when this is not an object with that field.
  const Json& operator[](const std::string& key) const {
    auto it = fields.find(key);
    if (kind != Object || it == fields.end()) throw std::out_of_range("no field " + key);
    return it->second;
  }
  const Json& operator[](std::size_t i) const { return items.at(i); }
  std::int64_t i64() const { return static_cast<std::int64_t>(n); }
  std::string str() const { return kind == String ? s : std::string(); }
};

// Parses one JSON text; throws std::runtime_error on malformed input.
inline Json ParseJson(std::string_view text) {
  struct Parser {
    std::string_view t;
    std::size_t i = 0;
    [[noreturn]] void Fail(const char* what) {
      throw std::runtime_error(std::string(what) + " at " + std::to_string(i) + " in " + std::string(t));
    }
    void Space() {
      while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\n' || t[i] == '\r')) ++i;
    }
    bool Eat(char c) {
      Space();
      if (i < t.size() && t[i] == c) return ++i, true;
      return false;
    }
    void Expect(char c) {
      if (!Eat(c)) Fail("expected character");
    }
    std::string String() {
      Expect('"');
      std::string out;
      while (i < t.size() && t[i] != '"') {
        char c = t[i++];
        if (c != '\\') {
          out += c;
          continue;
        }
        if (i >= t.size()) Fail("bad escape");
        char e = t[i++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 'r': out += '\r'; break;
          case 't': out += '\t'; break;
          case 'u': {
            if (i + 4 > t.size()) Fail("bad \\u");
            unsigned v = std::stoul(std::string(t.substr(i, 4)), nullptr, 16);
            i += 4;
            if (v < 0x80) out += char(v);
            else if (v < 0x800) out += char(0xC0 | (v >> 6)), out += char(0x80 | (v & 0x3F));
            else out += char(0xE0 | (v >> 12)), out += char(0x80 | ((v >> 6) & 0x3F)), out += char(0x80 | (v & 0x3F));
            break;
          }
          default: out += e;
        }
      }
      Expect('"');
      return out;
    }
    Json Value() {
      Space();
      Json j;
      if (i >= t.size()) Fail("unexpected end");
      char c = t[i];
      if (c == '{') {
        ++i;
        j.kind = Json::Object;
        if (Eat('}')) return j;
        do {
          Space();
          std::string key = String();
          Expect(':');
          j.fields[key] = Value();
        } while (Eat(','));
        Expect('}');
      } else if (c == '[') {
        ++i;
        j.kind = Json::Array;
        if (Eat(']')) return j;
        do j.items.push_back(Value());
        while (Eat(','));
        Expect(']');
      } else if (c == '"') {
        j.kind = Json::String;
        j.s = String();
      } else if (t.substr(i, 4) == "true" || t.substr(i, 5) == "false") {
        j.kind = Json::Bool;
        j.b = t[i] == 't';
        i += j.b ? 4 : 5;
      } else if (t.substr(i, 4) == "null") {
        i += 4;
      } else {
        std::size_t end = i;
        while (end < t.size() && (std::isdigit(static_cast<unsigned char>(t[end])) || t[end] == '-' ||
                                  t[end] == '.' || t[end] == 'e' || t[end] == 'E' || t[end] == '+'))
          ++end;
        if (end == i) Fail("bad value");
        j.kind = Json::Number;
        j.n = std::stod(std::string(t.substr(i, end - i)));
        i = end;
      }
      return j;
    }
  } p{text};
  Json j = p.Value();
  p.Space();
  if (p.i != text.size()) p.Fail("trailing text");
  return j;
}

}  // namespace hosttest
