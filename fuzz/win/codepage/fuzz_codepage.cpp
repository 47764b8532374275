// Any bytes through the code-page conversion, both code pages and both directions. The input
// is converted as multibyte text and, read as little-endian UTF-16 units, as wide text; each
// conversion goes through the size query, a buffer of exactly that size, a buffer that is too
// small and one that is too large. What must hold whatever the input:
//   - the size query, the conversion and the string helpers agree;
//   - nothing is written past the buffer given, a short buffer fails with
//     ERROR_INSUFFICIENT_BUFFER, a large one gives the same result as an exact one;
//   - a strict conversion fails exactly when the lenient one had to replace something;
//   - text that converts without replacement comes back unchanged (CP936 -> UTF-16 -> CP936,
//     UTF-8 -> UTF-16 -> UTF-8, UTF-16 -> either -> UTF-16);
//   - a NUL-terminated source (length -1) converts up to and including its first NUL.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win/CodePage.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_codepage: %s\n", what);
  std::abort();
}

// The units of a buffer past the result are checked by the unit tests of the converter; here
// the exact-size and short buffers let ASan see that nothing is written past the buffer.
constexpr char16_t kSentinel16 = 0xBEEF;
constexpr char kSentinel8 = '\x5A';

// How one call is to be made: code page, flags and the size of the too-small buffer.
struct TCall {
  UINT CodePage;
  DWORD Flags;
  unsigned ShortBy;  // the small buffer is (result - 1 - ShortBy % result) units long
};

// Multibyte text to UTF-16 through every buffer shape; false when the conversion failed (it
// may only fail for a strict call, and then with ERROR_NO_UNICODE_TRANSLATION).
bool Decode(const TCall& call, const std::string& src, std::u16string& out) {
  const int n = static_cast<int>(src.size());
  SetLastError(ERROR_SUCCESS);
  const int needed = MultiByteToWideChar(call.CodePage, call.Flags, src.data(), n, nullptr, 0);
  if (needed == 0) {
    Require((call.Flags & MB_ERR_INVALID_CHARS) != 0, "lenient decode failed");
    Require(GetLastError() == ERROR_NO_UNICODE_TRANSLATION, "strict decode failed with another error");
    std::vector<char16_t> roomy(src.size() + 1);
    Require(MultiByteToWideChar(call.CodePage, call.Flags, src.data(), n, roomy.data(), n + 1) == 0,
            "strict decode fails to count but succeeds to convert");
    return false;
  }
  Require(needed <= n, "decode needs more units than there are bytes");

  std::vector<char16_t> exact(static_cast<size_t>(needed));
  Require(MultiByteToWideChar(call.CodePage, call.Flags, src.data(), n, exact.data(), needed) == needed,
          "decode into the queried size does not give that size");

  std::vector<char16_t> large(static_cast<size_t>(needed) + 4, kSentinel16);
  Require(MultiByteToWideChar(call.CodePage, call.Flags, src.data(), n, large.data(), needed + 4) == needed,
          "decode into a larger buffer gives another size");
  Require(std::equal(exact.begin(), exact.end(), large.begin()), "decode depends on the buffer size");

  if (needed > 1) {
    const int small = needed - 1 - static_cast<int>(call.ShortBy % static_cast<unsigned>(needed - 1));
    std::vector<char16_t> tight(static_cast<size_t>(small));  // exact size: ASan sees any overrun
    SetLastError(ERROR_SUCCESS);
    Require(MultiByteToWideChar(call.CodePage, call.Flags, src.data(), n, tight.data(), small) == 0,
            "decode into a short buffer succeeds");
    Require(GetLastError() == ERROR_INSUFFICIENT_BUFFER, "short decode buffer gives another error");
  }
  out.assign(exact.begin(), exact.end());
  return true;
}

// UTF-16 to multibyte text through every buffer shape; false when a strict UTF-8 conversion
// failed. MAXPERUNIT bounds the bytes one unit may take.
bool Encode(const TCall& call, const std::u16string& src, const char* defaultChar, BOOL* usedDefault,
            size_t maxPerUnit, std::string& out) {
  const int n = static_cast<int>(src.size());
  BOOL queried = -1;
  BOOL* queryFlag = usedDefault ? &queried : nullptr;
  SetLastError(ERROR_SUCCESS);
  const int needed =
      WideCharToMultiByte(call.CodePage, call.Flags, src.data(), n, nullptr, 0, defaultChar, queryFlag);
  if (needed == 0) {
    Require((call.Flags & WC_ERR_INVALID_CHARS) != 0, "lenient encode failed");
    Require(GetLastError() == ERROR_NO_UNICODE_TRANSLATION, "strict encode failed with another error");
    return false;
  }
  Require(static_cast<size_t>(needed) <= src.size() * maxPerUnit, "encode needs more bytes than a unit can take");

  std::vector<char> exact(static_cast<size_t>(needed));
  Require(WideCharToMultiByte(call.CodePage, call.Flags, src.data(), n, exact.data(), needed, defaultChar,
                              usedDefault) == needed,
          "encode into the queried size does not give that size");
  if (usedDefault) Require(*usedDefault == queried, "size query and conversion disagree on the default character");

  std::vector<char> large(static_cast<size_t>(needed) + 4, kSentinel8);
  Require(WideCharToMultiByte(call.CodePage, call.Flags, src.data(), n, large.data(), needed + 4, defaultChar,
                              nullptr) == needed,
          "encode into a larger buffer gives another size");
  Require(std::equal(exact.begin(), exact.end(), large.begin()), "encode depends on the buffer size");

  if (needed > 1) {
    const int small = needed - 1 - static_cast<int>(call.ShortBy % static_cast<unsigned>(needed - 1));
    std::vector<char> tight(static_cast<size_t>(small));
    SetLastError(ERROR_SUCCESS);
    Require(WideCharToMultiByte(call.CodePage, call.Flags, src.data(), n, tight.data(), small, defaultChar,
                                nullptr) == 0,
            "encode into a short buffer succeeds");
    Require(GetLastError() == ERROR_INSUFFICIENT_BUFFER, "short encode buffer gives another error");
  }
  out.assign(exact.begin(), exact.end());
  return true;
}

size_t CountOf(const std::u16string& s, char16_t u) { return static_cast<size_t>(std::count(s.begin(), s.end(), u)); }
size_t CountOf(const std::string& s, char c) { return static_cast<size_t>(std::count(s.begin(), s.end(), c)); }

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// SRC with every unpaired surrogate replaced by U+FFFD (what UTF-16 -> UTF-8 -> UTF-16 gives).
std::u16string WithLoneSurrogatesReplaced(const std::u16string& src, bool& hadLone) {
  std::u16string out;
  hadLone = false;
  for (size_t i = 0; i < src.size(); ++i) {
    if (IsHigh(src[i]) && i + 1 < src.size() && IsLow(src[i + 1])) {
      out += src[i];
      out += src[++i];
    } else if (IsHigh(src[i]) || IsLow(src[i])) {
      out += u'\uFFFD';
      hadLone = true;
    } else {
      out += src[i];
    }
  }
  return out;
}

// Occurrences of the UTF-8 bytes of U+FFFD in S.
size_t ReplacementsIn(const std::string& s) {
  size_t count = 0;
  for (size_t at = s.find("\xEF\xBF\xBD"); at != std::string::npos; at = s.find("\xEF\xBF\xBD", at + 3)) ++count;
  return count;
}

// CP936 bytes: lenient and strict decoding, the way back, the helpers.
void CheckGbkBytes(const std::string& bytes, UINT codePage, unsigned shortBy) {
  std::u16string lenient, strict;
  Require(Decode({codePage, 0, shortBy}, bytes, lenient), "lenient CP936 decode failed");
  Require(lenient == AnsiToWide(bytes), "AnsiToWide differs from MultiByteToWideChar");
  Require(Decode({codePage, MB_PRECOMPOSED, shortBy}, bytes, strict) && strict == lenient,
          "MB_PRECOMPOSED changes the CP936 result");

  if (Decode({codePage, MB_ERR_INVALID_CHARS, shortBy}, bytes, strict)) {
    Require(strict == lenient, "strict and lenient CP936 decode differ");
    std::string back;
    BOOL usedDefault = -1;
    Require(Encode({codePage, 0, shortBy}, strict, nullptr, &usedDefault, 2, back), "CP936 encode failed");
    Require(!usedDefault, "text decoded from CP936 does not encode back");
    Require(back == bytes, "CP936 -> UTF-16 -> CP936 is not the identity");
  } else {
    Require(CountOf(lenient, u'?') > CountOf(bytes, '?'), "strict CP936 decode failed with nothing replaced");
  }

  // Straight to UTF-8 is the same as going through UTF-16.
  Require(AnsiToUtf8(bytes) == WideToUtf8(lenient), "AnsiToUtf8 differs from the way through UTF-16");
}

// UTF-8 bytes: lenient and strict decoding, the way back, the helpers.
void CheckUtf8Bytes(const std::string& bytes, unsigned shortBy) {
  std::u16string lenient, strict;
  Require(Decode({CP_UTF8, 0, shortBy}, bytes, lenient), "lenient UTF-8 decode failed");
  Require(lenient == Utf8ToWide(bytes), "Utf8ToWide differs from MultiByteToWideChar");

  // The decoder never makes a lone surrogate, so its result always encodes strictly.
  std::string back;
  Require(Encode({CP_UTF8, WC_ERR_INVALID_CHARS, shortBy}, lenient, nullptr, nullptr, 3, back),
          "text decoded from UTF-8 does not encode strictly");
  Require(back == WideToUtf8(lenient), "WideToUtf8 differs from WideCharToMultiByte");
  if (Decode({CP_UTF8, MB_ERR_INVALID_CHARS, shortBy}, bytes, strict)) {
    Require(strict == lenient, "strict and lenient UTF-8 decode differ");
    Require(back == bytes, "UTF-8 -> UTF-16 -> UTF-8 is not the identity");
  } else {
    Require(CountOf(lenient, u'\uFFFD') > ReplacementsIn(bytes), "strict UTF-8 decode failed with nothing replaced");
    // What the lenient decode made is well-formed.
    std::u16string again;
    Require(Decode({CP_UTF8, MB_ERR_INVALID_CHARS, shortBy}, back, again) && again == lenient,
            "re-encoded UTF-8 is not well-formed");
  }

  Require(Utf8ToAnsi(bytes) == WideToAnsi(lenient), "Utf8ToAnsi differs from the way through UTF-16");
}

// UTF-16 units: both encodings and the way back.
void CheckWide(const std::u16string& wide, UINT gbkPage, unsigned shortBy) {
  bool hadLone = false;
  const std::u16string repaired = WithLoneSurrogatesReplaced(wide, hadLone);

  std::string utf8, strictUtf8;
  Require(Encode({CP_UTF8, 0, shortBy}, wide, nullptr, nullptr, 3, utf8), "lenient UTF-8 encode failed");
  Require(utf8 == WideToUtf8(wide), "WideToUtf8 differs from WideCharToMultiByte");
  std::u16string decoded;
  Require(Decode({CP_UTF8, MB_ERR_INVALID_CHARS, shortBy}, utf8, decoded), "encoded UTF-8 is not well-formed");
  Require(decoded == repaired, "UTF-16 -> UTF-8 -> UTF-16 changes more than the lone surrogates");
  const bool strictOk = Encode({CP_UTF8, WC_ERR_INVALID_CHARS, shortBy}, wide, nullptr, nullptr, 3, strictUtf8);
  Require(strictOk == !hadLone, "strict UTF-8 encode fails other than for a lone surrogate");
  if (strictOk) Require(strictUtf8 == utf8, "strict and lenient UTF-8 encode differ");

  std::string gbk, starred;
  BOOL usedDefault = -1, usedStar = -1;
  Require(Encode({gbkPage, 0, shortBy}, wide, nullptr, &usedDefault, 2, gbk), "CP936 encode failed");
  Require(gbk == WideToAnsi(wide), "WideToAnsi differs from WideCharToMultiByte");
  Require(Encode({gbkPage, WC_NO_BEST_FIT_CHARS, shortBy}, wide, "*", &usedStar, 2, starred),
          "CP936 encode with a default character failed");
  Require(usedStar == usedDefault, "the default character changes what needs one");
  if (!usedDefault) {
    Require(starred == gbk, "an unused default character changes the result");
    std::u16string back;
    Require(Decode({gbkPage, MB_ERR_INVALID_CHARS, shortBy}, gbk, back), "encoded CP936 is not well-formed");
    Require(back == wide, "UTF-16 -> CP936 -> UTF-16 is not the identity");
  } else {
    Require(CountOf(starred, '*') > CountOf(wide, u'*'), "default character reported but not written");
  }
}

// A NUL-terminated source converts up to and including its first NUL.
void CheckTerminated(const std::string& bytes, const std::u16string& wide, UINT gbkPage) {
  const std::string prefix = bytes.substr(0, bytes.find('\0'));
  const int expect936 = static_cast<int>(AnsiToWide(prefix).size()) + 1;
  const int expectUtf8 = static_cast<int>(Utf8ToWide(prefix).size()) + 1;
  Require(MultiByteToWideChar(gbkPage, 0, bytes.c_str(), -1, nullptr, 0) == expect936,
          "terminated CP936 source counts differently");
  Require(MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), -1, nullptr, 0) == expectUtf8,
          "terminated UTF-8 source counts differently");

  const std::u16string wprefix = wide.substr(0, wide.find(u'\0'));
  Require(WideCharToMultiByte(gbkPage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr) ==
              static_cast<int>(WideToAnsi(wprefix).size()) + 1,
          "terminated UTF-16 source counts differently (CP936)");
  Require(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr) ==
              static_cast<int>(WideToUtf8(wprefix).size()) + 1,
          "terminated UTF-16 source counts differently (UTF-8)");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 16) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::u16string wide;
  for (size_t i = 0; i + 1 < size; i += 2) wide += static_cast<char16_t>(data[i] | data[i + 1] << 8);

  // The first byte picks the name of code page 936 used and the short buffer size.
  const UINT gbkPage = (data[0] & 1) ? CP_GBK : CP_ACP;
  const unsigned shortBy = data[0] >> 1;

  CheckGbkBytes(bytes, gbkPage, shortBy);
  CheckUtf8Bytes(bytes, shortBy);
  if (!wide.empty()) CheckWide(wide, gbkPage, shortBy);
  CheckTerminated(bytes, wide, gbkPage);
  return 0;
}
