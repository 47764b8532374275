#include "platform/xml/XmlText.h"

#include "platform/win/CodePage.h"

#include <memory>

namespace kvxml::detail {

std::string AnsiToUtf8Text(std::string_view cp936) {
  if (IsAscii(cp936)) return std::string(cp936);
  return AnsiToUtf8(cp936);
}

std::string Utf8ToAnsiText(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Utf8ToAnsi(utf8);
}

void Utf8ToAnsiInto(const char* utf8, std::size_t n, std::string& out) {
  if (IsAscii(utf8, n)) {
    out.assign(utf8, n);
    return;
  }
  out = Utf8ToAnsi(std::string_view(utf8, n));
}

std::string WideToUtf8Text(std::u16string_view wide) { return WideToUtf8(wide); }

const std::uint64_t* MappedPairBits() {
  static const auto table = [] {
    auto bits = std::make_unique<std::uint64_t[]>(126 * 256 / 64);
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        const char pair[2] = {char(lead), char(trail)};
        char16_t wide[2];
        if (MultiByteToWideChar(CP_GBK, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1) {
          const unsigned index = (lead - 0x81) * 256 + trail;
          bits[index >> 6] |= std::uint64_t{1} << (index & 63);
        }
      }
    }
    return bits;
  }();
  return table.get();
}

bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len;
    unsigned lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (i + len > n) return false;
    if (p[i + 1] < lo || p[i + 1] > hi) return false;
    for (int k = 2; k < len; ++k)
      if ((p[i + k] & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x == y) continue;
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

}  // namespace kvxml::detail
