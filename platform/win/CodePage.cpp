#include "platform/win/CodePage.h"

#include <iconv.h>

#include <climits>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

thread_local std::uint32_t t_lastError = ERROR_SUCCESS;

constexpr char16_t kQuestionMark = u'?';
constexpr char16_t kReplacement = 0xFFFD;

// ---------------------------------------------------------------------------------------
// The code page 936 tables.

// Pair-table entries that are not characters: 0 = a lead and trail pair without a
// character, kNotTrail = the second byte cannot follow a lead byte at all. U+FFFF is a
// non-character, so no real mapping can collide with it.
constexpr char16_t kNoChar = 0;
constexpr char16_t kNotTrail = 0xFFFF;

constexpr bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

struct GbkTables {
    // Characters of the single bytes 0x80..0xFF that are not lead bytes (0 = none).
    char16_t single[256] = {};
    // Indexed by (lead - 0x80) * 256 + second byte.
    char16_t pair[128 * 256] = {};
    // Indexed by UTF-16 unit: 0 = no mapping, below 0x100 one byte, else lead << 8 | trail.
    std::uint16_t encode[65536] = {};

    GbkTables() { Build(); }

private:
    void Build();
};

// Converts one byte sequence with iconv; the character, or 0 when it is not exactly one
// UTF-16 unit.
char16_t ConvertOne(iconv_t cd, const unsigned char* bytes, std::size_t count)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[2];
    std::memcpy(in, bytes, count);
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = count;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
        sizeof out - outLeft != 2)
        return kNoChar;
    char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                          static_cast<unsigned char>(out[1]) << 8);
    // A surrogate on its own is not a character of the table.
    return (unit >= 0xD800 && unit <= 0xDFFF) ? kNoChar : unit;
}

void GbkTables::Build()
{
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned second = 0; second < 256; ++second)
            if (!IsTrailByte(static_cast<unsigned char>(second)))
                pair[(lead - 0x80) * 256 + second] = kNotTrail;
    for (unsigned u = 0; u < 0x80; ++u)
        encode[u] = static_cast<std::uint16_t>(u);

    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the platform table only ASCII converts; say so once rather than fail.
        std::fprintf(stderr, "kvwin: code page 936 table unavailable (iconv CP936); non-ASCII text becomes '?'\n");
        return;
    }
    for (unsigned b = 0x80; b < 256; ++b) {
        unsigned char byte = static_cast<unsigned char>(b);
        if (IsLeadByte(byte))
            continue;
        single[b] = ConvertOne(cd, &byte, 1);
        if (single[b] != kNoChar && encode[single[b]] == 0)
            encode[single[b]] = static_cast<std::uint16_t>(b);
    }
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned second = 0x40; second <= 0xFE; ++second) {
            if (second == 0x7F)
                continue;
            const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(second)};
            char16_t c = ConvertOne(cd, bytes, 2);
            pair[(lead - 0x80) * 256 + second] = c;
            // The first pair wins should two ever decode to one character, so the
            // encoder's choice is stable.
            if (c != kNoChar && encode[c] == 0)
                encode[c] = static_cast<std::uint16_t>(lead << 8 | second);
        }
    }
    iconv_close(cd);
}

const GbkTables& Gbk()
{
    static const GbkTables tables;
    return tables;
}

// ---------------------------------------------------------------------------------------
// Output cursors. A counting cursor only counts; a writing cursor stops at its capacity.

template <bool kWrite, class T>
struct Out {
    T* data;
    std::size_t capacity;
    std::size_t size = 0;

    bool Room(std::size_t count) const { return !kWrite || capacity - size >= count; }
    void Put(T value)
    {
        if constexpr (kWrite)
            data[size] = value;
        ++size;
    }
};

enum class Status { ok, overflow, invalid };

template <class T>
struct Result {
    Status status;
    std::size_t size;
    bool usedDefault;
};

// ---------------------------------------------------------------------------------------
// ASCII runs, 16 units at a time. Each returns the length of the ASCII prefix it copied
// (or counted); it may write up to 16 units past that prefix, always within capacity.

template <bool kWrite>
std::size_t CopyAsciiRunToWide(const unsigned char* src, std::size_t n, Out<kWrite, char16_t>& out)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    while (n - i >= 16 && out.Room(16)) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        // A block with any non-ASCII byte is left to the slow path, so that nothing is
        // stored past the result a caller gets back.
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        if constexpr (kWrite) {
            char16_t* d = out.data + out.size;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_unpackhi_epi8(bytes, zero));
        }
        i += 16;
        out.size += 16;
    }
#else
    (void)n;
    (void)out;
    (void)src;
#endif
    return i;
}

template <bool kWrite>
std::size_t CopyAsciiRunToBytes(const char16_t* src, std::size_t n, Out<kWrite, char>& out)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (n - i >= 16 && out.Room(16)) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8));
        __m128i asciiA = _mm_cmpeq_epi16(_mm_and_si128(a, nonAscii), zero);
        __m128i asciiB = _mm_cmpeq_epi16(_mm_and_si128(b, nonAscii), zero);
        unsigned isAscii = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(asciiA, asciiB)));
        if (isAscii != 0xFFFF)
            break;  // mixed blocks go the slow way: nothing is stored past the result
        if constexpr (kWrite)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data + out.size), _mm_packus_epi16(a, b));
        i += 16;
        out.size += 16;
    }
#else
    (void)n;
    (void)out;
    (void)src;
#endif
    return i;
}

template <bool kWrite>
std::size_t CopyAsciiRunToBytes(const unsigned char* src, std::size_t n, Out<kWrite, char>& out)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    while (n - i >= 16 && out.Room(16)) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break;  // mixed blocks go the slow way: nothing is stored past the result
        if constexpr (kWrite)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data + out.size), bytes);
        i += 16;
        out.size += 16;
    }
#else
    (void)n;
    (void)out;
    (void)src;
#endif
    return i;
}

// ---------------------------------------------------------------------------------------
// One character at a time.

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Reads the code page 936 character at src[0] (not ASCII; n >= 1): returns the bytes it
// takes and sets *c, to kNoChar for invalid input.
inline std::size_t ReadGbkChar(const GbkTables& t, const unsigned char* src, std::size_t n, char16_t* c)
{
    unsigned char b = src[0];
    if (!IsLeadByte(b)) {
        *c = t.single[b];
        return 1;
    }
    char16_t pair = n >= 2 ? t.pair[(b - 0x80) * 256 + src[1]] : kNotTrail;
    if (pair == kNotTrail) { // only the lead byte is consumed, the next byte is read again
        *c = kNoChar;
        return 1;
    }
    *c = pair; // kNoChar for a well-formed pair without a character: both bytes go
    return 2;
}

// The replacement for characters without a mapping: one byte, or a lead and trail pair.
struct DefaultChar {
    char bytes[2];
    std::size_t size;
};

constexpr DefaultChar kQuestionMarkByte = {{'?', 0}, 1};

// Writes the code page 936 bytes of BMP unit u, or the fallback when it has none; false
// when they do not fit.
template <bool kWrite>
bool PutGbk(const GbkTables& t, char16_t u, const DefaultChar& fallback, Out<kWrite, char>& out, bool* usedDefault)
{
    std::uint16_t code = t.encode[u];
    if (code == 0) {
        *usedDefault = true;
        if (!out.Room(fallback.size))
            return false;
        for (std::size_t k = 0; k < fallback.size; ++k)
            out.Put(fallback.bytes[k]);
    } else if (code < 0x100) {
        if (!out.Room(1))
            return false;
        out.Put(static_cast<char>(code));
    } else {
        if (!out.Room(2))
            return false;
        out.Put(static_cast<char>(code >> 8));
        out.Put(static_cast<char>(code & 0xFF));
    }
    return true;
}

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

// Decodes the well-formed UTF-8 sequence at src (first byte >= 0x80); returns its length
// and sets *cp, or returns 0 and sets *bad to the length of the maximal ill-formed prefix.
std::size_t ReadUtf8Char(const unsigned char* src, std::size_t n, char32_t* cp, std::size_t* bad)
{
    unsigned char b = src[0];
    std::size_t length;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            lo = 0xA0; // overlong
        if (b == 0xED)
            hi = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            lo = 0x90; // overlong
        if (b == 0xF4)
            hi = 0x8F; // beyond U+10FFFF
    } else {
        *bad = 1;
        return 0;
    }
    char32_t value = b & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if (k >= n || !InRange(src[k], k == 1 ? lo : 0x80, k == 1 ? hi : 0xBF)) {
            *bad = k;
            return 0;
        }
        value = value << 6 | (src[k] & 0x3F);
    }
    *cp = value;
    return length;
}

// Writes code point cp (not ASCII, not a surrogate) as UTF-8; false when it does not fit.
template <bool kWrite>
bool PutUtf8(char32_t cp, Out<kWrite, char>& out)
{
    std::size_t length = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    if (!out.Room(length))
        return false;
    if (length == 2) {
        out.Put(static_cast<char>(0xC0 | cp >> 6));
    } else if (length == 3) {
        out.Put(static_cast<char>(0xE0 | cp >> 12));
        out.Put(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    } else {
        out.Put(static_cast<char>(0xF0 | cp >> 18));
        out.Put(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.Put(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    }
    out.Put(static_cast<char>(0x80 | (cp & 0x3F)));
    return true;
}

// Writes code point cp (not ASCII) as UTF-16; false when it does not fit.
template <bool kWrite>
bool PutUtf16(char32_t cp, Out<kWrite, char16_t>& out)
{
    if (cp < 0x10000) {
        if (!out.Room(1))
            return false;
        out.Put(static_cast<char16_t>(cp));
        return true;
    }
    if (!out.Room(2))
        return false;
    cp -= 0x10000;
    out.Put(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.Put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    return true;
}

// ---------------------------------------------------------------------------------------
// Whole conversions. Each alternates a block-at-a-time ASCII run with one character at a
// time until the next ASCII character.

template <bool kWrite>
Result<char16_t> DecodeGbk(const unsigned char* src, std::size_t n, Out<kWrite, char16_t> out, bool strict)
{
    const GbkTables& t = Gbk();
    std::size_t i = 0;
    while (i < n) {
        i += CopyAsciiRunToWide(src + i, n - i, out);
        while (i < n) {
            if (!out.Room(1))
                return {Status::overflow, out.size, false};
            unsigned char b = src[i];
            if (b < 0x80) {
                out.Put(b);
                ++i;
                break;
            }
            char16_t c;
            i += ReadGbkChar(t, src + i, n - i, &c);
            if (c == kNoChar) {
                if (strict)
                    return {Status::invalid, out.size, false};
                c = kQuestionMark;
            }
            out.Put(c);
        }
    }
    return {Status::ok, out.size, false};
}

template <bool kWrite>
Result<char> EncodeGbk(const char16_t* src, std::size_t n, Out<kWrite, char> out, const DefaultChar& fallback)
{
    const GbkTables& t = Gbk();
    bool usedDefault = false;
    std::size_t i = 0;
    while (i < n) {
        i += CopyAsciiRunToBytes(src + i, n - i, out);
        while (i < n) {
            char16_t u = src[i];
            if (u < 0x80) {
                if (!out.Room(1))
                    return {Status::overflow, out.size, usedDefault};
                out.Put(static_cast<char>(u));
                ++i;
                break;
            }
            // A character beyond the table's plane: one default character for the pair.
            std::size_t used = IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(src[i + 1]) ? 2 : 1;
            if (!PutGbk(t, u, fallback, out, &usedDefault))
                return {Status::overflow, out.size, usedDefault};
            i += used;
        }
    }
    return {Status::ok, out.size, usedDefault};
}

template <bool kWrite>
Result<char16_t> DecodeUtf8(const unsigned char* src, std::size_t n, Out<kWrite, char16_t> out, bool strict)
{
    std::size_t i = 0;
    while (i < n) {
        i += CopyAsciiRunToWide(src + i, n - i, out);
        while (i < n) {
            unsigned char b = src[i];
            if (b < 0x80) {
                if (!out.Room(1))
                    return {Status::overflow, out.size, false};
                out.Put(b);
                ++i;
                break;
            }
            char32_t cp = 0;
            std::size_t bad = 0;
            std::size_t used = ReadUtf8Char(src + i, n - i, &cp, &bad);
            if (used == 0) {
                if (strict)
                    return {Status::invalid, out.size, false};
                cp = kReplacement;
                used = bad;
            }
            if (!PutUtf16(cp, out))
                return {Status::overflow, out.size, false};
            i += used;
        }
    }
    return {Status::ok, out.size, false};
}

template <bool kWrite>
Result<char> EncodeUtf8(const char16_t* src, std::size_t n, Out<kWrite, char> out, bool strict)
{
    std::size_t i = 0;
    while (i < n) {
        i += CopyAsciiRunToBytes(src + i, n - i, out);
        while (i < n) {
            char32_t cp = src[i];
            if (cp < 0x80) {
                if (!out.Room(1))
                    return {Status::overflow, out.size, false};
                out.Put(static_cast<char>(cp));
                ++i;
                break;
            }
            std::size_t used = 1;
            if (IsHighSurrogate(src[i]) && i + 1 < n && IsLowSurrogate(src[i + 1])) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i + 1] - 0xDC00);
                used = 2;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                if (strict)
                    return {Status::invalid, out.size, false};
                cp = kReplacement;
            }
            if (!PutUtf8(cp, out))
                return {Status::overflow, out.size, false};
            i += used;
        }
    }
    return {Status::ok, out.size, false};
}

// Code page 936 straight to UTF-8 (for tools), with the replacements of AnsiToWide.
template <bool kWrite>
Result<char> GbkToUtf8(const unsigned char* src, std::size_t n, Out<kWrite, char> out)
{
    const GbkTables& t = Gbk();
    std::size_t i = 0;
    while (i < n) {
        i += CopyAsciiRunToBytes(src + i, n - i, out);
        while (i < n) {
            if (!out.Room(1))
                return {Status::overflow, out.size, false};
            unsigned char b = src[i];
            if (b < 0x80) {
                out.Put(static_cast<char>(b));
                ++i;
                break;
            }
            char16_t c;
            i += ReadGbkChar(t, src + i, n - i, &c);
            if (c == kNoChar)
                out.Put('?');
            else if (!PutUtf8(c, out))
                return {Status::overflow, out.size, false};
        }
    }
    return {Status::ok, out.size, false};
}

// UTF-8 straight to code page 936 (for tools): ill-formed subsequences and characters
// without a mapping become '?'.
template <bool kWrite>
Result<char> Utf8ToGbk(const unsigned char* src, std::size_t n, Out<kWrite, char> out)
{
    const GbkTables& t = Gbk();
    bool usedDefault = false;
    std::size_t i = 0;
    while (i < n) {
        i += CopyAsciiRunToBytes(src + i, n - i, out);
        while (i < n) {
            unsigned char b = src[i];
            if (b < 0x80) {
                if (!out.Room(1))
                    return {Status::overflow, out.size, usedDefault};
                out.Put(static_cast<char>(b));
                ++i;
                break;
            }
            char32_t cp = 0;
            std::size_t bad = 0;
            std::size_t used = ReadUtf8Char(src + i, n - i, &cp, &bad);
            if (used == 0 || cp >= 0x10000) { // ill-formed, or beyond the table's plane
                if (!out.Room(1))
                    return {Status::overflow, out.size, usedDefault};
                out.Put('?');
                i += used == 0 ? bad : used;
                continue;
            }
            if (!PutGbk(t, static_cast<char16_t>(cp), kQuestionMarkByte, out, &usedDefault))
                return {Status::overflow, out.size, usedDefault};
            i += used;
        }
    }
    return {Status::ok, out.size, usedDefault};
}

// ---------------------------------------------------------------------------------------
// The C entry points.

enum class Page { gbk, utf8, unknown };

Page Resolve(std::uint32_t codePage)
{
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case CP_GBK:
        return Page::gbk;
    case CP_UTF8:
        return Page::utf8;
    default:
        return Page::unknown;
    }
}

int Fail(std::uint32_t error)
{
    t_lastError = error;
    return 0;
}

bool Overlap(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes)
{
    auto a0 = reinterpret_cast<std::uintptr_t>(a);
    auto b0 = reinterpret_cast<std::uintptr_t>(b);
    return a0 < b0 + bBytes && b0 < a0 + aBytes;
}

template <class T>
std::size_t LengthWithTerminator(const T* s)
{
    std::size_t n = 0;
    while (s[n] != 0)
        ++n;
    return n + 1;
}

// Checks the size arguments shared by both directions; returns 0 when they are sound,
// else the error to report. On success *n is the source length in units.
template <class S, class D>
std::uint32_t CheckBuffers(const S* src, int srcLen, const D* dst, int dstLen, std::size_t* n)
{
    if (src == nullptr || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dst == nullptr && dstLen != 0))
        return ERROR_INVALID_PARAMETER;
    *n = srcLen == -1 ? LengthWithTerminator(src) : static_cast<std::size_t>(srcLen);
    if (dstLen > 0 && Overlap(src, *n * sizeof(S), dst, static_cast<std::size_t>(dstLen) * sizeof(D)))
        return ERROR_INVALID_PARAMETER;
    return 0;
}

template <class T>
int Finish(const Result<T>& r)
{
    switch (r.status) {
    case Status::overflow:
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    case Status::invalid:
        return Fail(ERROR_NO_UNICODE_TRANSLATION);
    case Status::ok:
        break;
    }
    if (r.size > static_cast<std::size_t>(INT_MAX))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<int>(r.size);
}

template <class T>
auto Count() { return Out<false, T>{nullptr, 0}; }

template <class T>
auto Into(T* data, std::size_t capacity) { return Out<true, T>{data, capacity}; }

// Reads the caller's default character; false when it is not one character of 936.
bool ReadDefaultChar(const char* given, DefaultChar* out)
{
    if (given == nullptr) {
        *out = kQuestionMarkByte;
        return true;
    }
    auto first = static_cast<unsigned char>(given[0]);
    if (!IsLeadByte(first)) {
        *out = {{given[0], 0}, 1};
        return true;
    }
    if (!IsTrailByte(static_cast<unsigned char>(given[1])))
        return false;
    *out = {{given[0], given[1]}, 2};
    return true;
}

} // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD error) { t_lastError = error; }

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLen, char16_t* dst,
                        int dstLen)
{
    Page page = Resolve(codePage);
    if (page == Page::unknown)
        return Fail(ERROR_INVALID_PARAMETER);
    std::uint32_t allowed = page == Page::gbk ? (MB_PRECOMPOSED | MB_ERR_INVALID_CHARS) : MB_ERR_INVALID_CHARS;
    if (flags & ~allowed)
        return Fail(ERROR_INVALID_FLAGS);
    std::size_t n = 0;
    if (std::uint32_t error = CheckBuffers(src, srcLen, dst, dstLen, &n))
        return Fail(error);
    bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    auto bytes = reinterpret_cast<const unsigned char*>(src);
    if (page == Page::gbk)
        return dstLen == 0 ? Finish(DecodeGbk(bytes, n, Count<char16_t>(), strict))
                           : Finish(DecodeGbk(bytes, n, Into(dst, static_cast<std::size_t>(dstLen)), strict));
    return dstLen == 0 ? Finish(DecodeUtf8(bytes, n, Count<char16_t>(), strict))
                       : Finish(DecodeUtf8(bytes, n, Into(dst, static_cast<std::size_t>(dstLen)), strict));
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t* src, int srcLen, char* dst,
                        int dstLen, const char* defaultChar, BOOL* usedDefault)
{
    Page page = Resolve(codePage);
    if (page == Page::unknown)
        return Fail(ERROR_INVALID_PARAMETER);
    std::uint32_t allowed = page == Page::gbk ? WC_NO_BEST_FIT_CHARS : WC_ERR_INVALID_CHARS;
    if (flags & ~allowed)
        return Fail(ERROR_INVALID_FLAGS);
    if (page == Page::utf8 && (defaultChar != nullptr || usedDefault != nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    std::size_t n = 0;
    if (std::uint32_t error = CheckBuffers(src, srcLen, dst, dstLen, &n))
        return Fail(error);
    if (page == Page::utf8) {
        bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
        return dstLen == 0 ? Finish(EncodeUtf8(src, n, Count<char>(), strict))
                           : Finish(EncodeUtf8(src, n, Into(dst, static_cast<std::size_t>(dstLen)), strict));
    }
    DefaultChar fallback;
    if (!ReadDefaultChar(defaultChar, &fallback))
        return Fail(ERROR_INVALID_PARAMETER);
    Result<char> r = dstLen == 0 ? EncodeGbk(src, n, Count<char>(), fallback)
                                 : EncodeGbk(src, n, Into(dst, static_cast<std::size_t>(dstLen)), fallback);
    if (usedDefault != nullptr && r.status == Status::ok)
        *usedDefault = r.usedDefault ? 1 : 0;
    return Finish(r);
}

// The helpers convert into a buffer of the largest size the input can need and trim it,
// so each conversion is a single pass.

std::u16string AnsiToWide(std::string_view ansi)
{
    std::u16string wide(ansi.size(), u'\0');
    auto r = DecodeGbk(reinterpret_cast<const unsigned char*>(ansi.data()), ansi.size(),
                       Into(wide.data(), wide.size()), false);
    wide.resize(r.size);
    return wide;
}

std::string WideToAnsi(std::u16string_view wide)
{
    std::string ansi(wide.size() * 2, '\0');
    auto r = EncodeGbk(wide.data(), wide.size(), Into(ansi.data(), ansi.size()), kQuestionMarkByte);
    ansi.resize(r.size);
    return ansi;
}

std::u16string Utf8ToWide(std::string_view utf8)
{
    std::u16string wide(utf8.size(), u'\0');
    auto r = DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(),
                        Into(wide.data(), wide.size()), false);
    wide.resize(r.size);
    return wide;
}

std::string WideToUtf8(std::u16string_view wide)
{
    std::string utf8(wide.size() * 3, '\0');
    auto r = EncodeUtf8(wide.data(), wide.size(), Into(utf8.data(), utf8.size()), false);
    utf8.resize(r.size);
    return utf8;
}

std::string AnsiToUtf8(std::string_view ansi)
{
    // A single byte can grow to three (0x80, the euro sign); a pair to three at most.
    std::string utf8(ansi.size() * 3, '\0');
    auto r = GbkToUtf8(reinterpret_cast<const unsigned char*>(ansi.data()), ansi.size(), Into(utf8.data(), utf8.size()));
    utf8.resize(r.size);
    return utf8;
}

std::string Utf8ToAnsi(std::string_view utf8)
{
    std::string ansi(utf8.size(), '\0');
    auto r = Utf8ToGbk(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), Into(ansi.data(), ansi.size()));
    ansi.resize(r.size);
    return ansi;
}
