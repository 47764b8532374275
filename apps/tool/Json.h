// A small streaming JSON writer for the tool's output: objects, arrays, scalars, one line.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

// Writes one JSON value into a string; separators between members and items are automatic.
class JsonWriter {
public:
  // Starts an object (as a value, or as the value of the last Key).
  JsonWriter& BeginObject() { Value(); Out_ += '{'; Open_.push_back(true); return *this; }
  // Ends the innermost object.
  JsonWriter& EndObject() { Out_ += '}'; Open_.pop_back(); return *this; }
  // Starts an array.
  JsonWriter& BeginArray() { Value(); Out_ += '['; Open_.push_back(true); return *this; }
  // Ends the innermost array.
  JsonWriter& EndArray() { Out_ += ']'; Open_.pop_back(); return *this; }

  // Writes the name of the next member of the current object; its value follows.
  JsonWriter& Key(std::string_view name) {
    Separate();
    Quote(name);
    Out_ += ": ";
    AfterKey_ = true;
    return *this;
  }

  // A string value; the bytes must be UTF-8 (invalid bytes are written as U+FFFD).
  JsonWriter& String(std::string_view utf8) { Value(); Quote(utf8); return *this; }
  JsonWriter& Bool(bool b) { Value(); Out_ += b ? "true" : "false"; return *this; }
  JsonWriter& Null() { Value(); Out_ += "null"; return *this; }
  JsonWriter& Int(std::int64_t n) { Value(); Out_ += std::to_string(n); return *this; }
  // A number in the shortest form that reads back the same; NaN and infinities as null.
  JsonWriter& Double(double d) {
    if (!std::isfinite(d)) return Null();
    Value();
    char buf[32];
    for (int precision = 15; precision <= 17; ++precision) {
      std::snprintf(buf, sizeof buf, "%.*g", precision, d);
      if (std::strtod(buf, nullptr) == d) break;
    }
    Out_ += buf;
    return *this;
  }

  // The text written so far.
  const std::string& str() const { return Out_; }

private:
  void Separate() {
    if (Open_.empty()) return;
    if (!Open_.back()) Out_ += ", ";
    Open_.back() = false;
  }
  void Value() {
    if (AfterKey_) { AfterKey_ = false; return; }
    Separate();
  }
  void Quote(std::string_view s);

  std::string Out_;
  std::vector<bool> Open_;  // per open container: no member written yet
  bool AfterKey_ = false;
};

inline void JsonWriter::Quote(std::string_view s) {
  Out_ += '"';
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      switch (c) {
        case '"': Out_ += "\\\""; break;
        case '\\': Out_ += "\\\\"; break;
        case '\n': Out_ += "\\n"; break;
        case '\r': Out_ += "\\r"; break;
        case '\t': Out_ += "\\t"; break;
        default:
          if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            Out_ += buf;
          } else {
            Out_ += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    // Copy a well-formed UTF-8 sequence as it is; anything else becomes U+FFFD.
    std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k)
      ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && len == 3) {
      unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
    }
    if (ok && len == 4) {
      unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
      ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (ok) {
      Out_.append(s.substr(i, len));
      i += len;
    } else {
      Out_ += "\xEF\xBF\xBD";
      ++i;
    }
  }
  Out_ += '"';
}

}  // namespace tool
