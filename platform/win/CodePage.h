// Code page conversion between the process code page (936), UTF-16 and UTF-8.
//
// The two C entry points keep the contract of the home platform's conversion functions:
// a source length of -1 means "NUL-terminated, terminator included in the count", a
// destination length of 0 asks for the size needed, and a destination that is too small
// makes the call fail with ERROR_INSUFFICIENT_BUFFER. Failures return 0 and set the
// calling thread's last error.
//
// Code page 936 here is the double-byte table of the platform's iconv "CP936" (GB2312 plus
// the GBK extensions and 0x80 for the euro sign; the user-defined areas hold no
// characters), built once at first use. Defined
// outcomes for input that is not in the table:
//   bytes -> UTF-16   0xFF, a lead byte at the end of the input, and a lead byte whose next
//                     byte cannot be a trail byte each become U+003F and only that one byte
//                     is consumed (the next byte is read again on its own, so a NUL or an
//                     ASCII character after a broken lead byte is never swallowed); a lead
//                     and trail pair without a table entry becomes one U+003F for both.
//   UTF-16 -> bytes   a character without a table entry, a lone surrogate, and a surrogate
//                     pair (one default character for the pair) become the default
//                     character. No look-alike ("best fit") substitution is ever made.
//   UTF-8 -> UTF-16   each maximal ill-formed subsequence becomes one U+FFFD.
//   UTF-16 -> UTF-8   a lone surrogate becomes U+FFFD.
// MB_ERR_INVALID_CHARS (both code pages) and WC_ERR_INVALID_CHARS (UTF-8 only) turn the
// replacements of ill-formed input into a failure with ERROR_NO_UNICODE_TRANSLATION; a
// character without a 936 mapping is reported through usedDefault instead.
#pragma once

#include "platform/win/WinDef.h"

#include <string>
#include <string_view>

// Code page identifiers accepted by the conversion functions. The ANSI, OEM and thread
// code pages of this process are all 936.
inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;
inline constexpr UINT CP_GBK = 936;
inline constexpr UINT CP_UTF8 = 65001;

// Conversion flags; any other flag fails with ERROR_INVALID_FLAGS. MB_PRECOMPOSED and
// WC_NO_BEST_FIT_CHARS are accepted for 936 only and change nothing (the table has no
// composed forms and no look-alikes); the ERR flags are described above.
inline constexpr UINT MB_PRECOMPOSED = 0x00000001;
inline constexpr UINT MB_ERR_INVALID_CHARS = 0x00000008;
inline constexpr UINT WC_ERR_INVALID_CHARS = 0x00000080;
inline constexpr UINT WC_NO_BEST_FIT_CHARS = 0x00000400;

// Last-error values set by the conversion, string and module functions.
inline constexpr UINT ERROR_SUCCESS = 0;
inline constexpr UINT ERROR_INVALID_HANDLE = 6;
inline constexpr UINT ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr UINT ERROR_INVALID_PARAMETER = 87;
inline constexpr UINT ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr UINT ERROR_MOD_NOT_FOUND = 126;
inline constexpr UINT ERROR_PROC_NOT_FOUND = 127;
inline constexpr UINT ERROR_INVALID_FLAGS = 1004;
inline constexpr UINT ERROR_NO_UNICODE_TRANSLATION = 1113;

// The calling thread's last error value (0 on a thread that never had one).
DWORD GetLastError();
// Sets the calling thread's last error value.
void SetLastError(DWORD error);

// Converts bytes in codePage to UTF-16; returns the UTF-16 units written (or needed when
// dstLen is 0), 0 on failure. srcLen -1: NUL-terminated, the terminator is converted and
// counted. srcLen 0, a null src, or overlapping buffers fail with ERROR_INVALID_PARAMETER.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen,
                        char16_t* dst, int dstLen);

// Converts UTF-16 to bytes in codePage; returns the bytes written (or needed when dstLen
// is 0), 0 on failure. defaultChar (null: '?') replaces what has no mapping, and
// *usedDefault (if given) tells whether that happened; for CP_UTF8 both must be null.
int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen,
                        char* dst, int dstLen, const char* defaultChar, BOOL* usedDefault);

// Process code page text to UTF-16, with the replacement rules above.
std::u16string AnsiToWide(std::string_view ansi);
// UTF-16 to process code page text; unmappable characters become '?'.
std::string WideToAnsi(std::u16string_view wide);
// Process code page text to UTF-8, with the replacement rules above.
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 to process code page text; ill-formed or unmappable input becomes '?'.
std::string Utf8ToAnsi(std::string_view utf8);
// UTF-8 to UTF-16; ill-formed input becomes U+FFFD.
std::u16string Utf8ToWide(std::string_view utf8);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string WideToUtf8(std::u16string_view wide);
