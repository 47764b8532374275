// One JSON object on one line, built field by field in the order they are added.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// Escapes a UTF-8 text as a JSON string literal (with the quotes). Bytes that are not
// valid UTF-8 become U+FFFD so that the output is always valid JSON.
std::string JsonString(std::string_view utf8);

// Builds {"key": value, ...}; values are written as added, raw values verbatim.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view utf8);
  JsonObject& Add(std::string_view key, const char* utf8) { return Add(key, std::string_view(utf8)); }
  JsonObject& Add(std::string_view key, std::int64_t number);
  JsonObject& Add(std::string_view key, int number) { return Add(key, std::int64_t(number)); }
  JsonObject& Add(std::string_view key, unsigned long number);
  JsonObject& Add(std::string_view key, unsigned long long number);
  JsonObject& AddBool(std::string_view key, bool value);
  // Adds value as it is: it must already be valid JSON (an array, an object ...).
  JsonObject& AddRaw(std::string_view key, std::string_view json);
  // The finished object text, without a line break.
  std::string str() const { return body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_ = "{";
};

}  // namespace host
