// Text helpers shared by the two XML readers (internal to platform/xml).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kvxml::detail {

// True when every byte of `s` is below 0x80.
inline bool IsAscii(const char* s, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s + i, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(s[i]) & 0x80) return false;
  return true;
}
inline bool IsAscii(std::string_view s) { return IsAscii(s.data(), s.size()); }

// CP936 -> UTF-8 and back, with the platform's converter for anything not ASCII.
std::string AnsiToUtf8Text(std::string_view cp936);
std::string Utf8ToAnsiText(std::string_view utf8);
// UTF-8 -> CP936 into `out`, reusing its capacity.
void Utf8ToAnsiInto(const char* utf8, std::size_t n, std::string& out);

// UTF-16 -> UTF-8 (lone surrogates become U+FFFD).
std::string WideToUtf8Text(std::u16string_view wide);

// True when the CP936 pair (lead, trail) maps to a character (a table built once).
bool IsMappedAnsiPair(unsigned char lead, unsigned char trail);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, <= U+10FFFF).
bool IsValidUtf8(std::string_view s);

// ASCII-only case-insensitive equality (bytes >= 0x80 must match exactly).
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace kvxml::detail
