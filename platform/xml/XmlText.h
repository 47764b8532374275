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

// One bit per CP936 pair (lead 0x81..0xFE, any trail): set when the pair maps to a character.
// Built once from the platform converter, so the direct path agrees with the converting one.
const std::uint64_t* MappedPairBits();
// True when the CP936 pair (lead, trail) maps to a character.
inline bool IsMappedAnsiPair(const std::uint64_t* bits, unsigned char lead, unsigned char trail) {
  if (lead < 0x81 || lead > 0xFE) return false;
  const unsigned index = (lead - 0x81u) * 256u + trail;
  return (bits[index >> 6] >> (index & 63)) & 1u;
}

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, <= U+10FFFF).
bool IsValidUtf8(std::string_view s);

// ASCII-only case-insensitive equality (bytes >= 0x80 must match exactly).
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace kvxml::detail
