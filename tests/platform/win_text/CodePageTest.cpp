#include "platform/win/CodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace std::literals;

namespace {

std::string U8(std::u8string_view s) { return std::string(reinterpret_cast<const char*>(s.data()), s.size()); }

// The platform's own CP936 decoder, as an independent reference for valid input.
std::u16string IconvToWide(const std::string& bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::u16string out(bytes.size() + 1, u'\0');
    char* in = const_cast<char*>(bytes.data());
    char* o = reinterpret_cast<char*>(out.data());
    std::size_t inLeft = bytes.size(), outLeft = out.size() * 2;
    std::size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
    EXPECT_NE(rc, static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft / 2);
    return out;
}

std::u16string ApiToWide(UINT cp, DWORD flags, const std::string& bytes, int* error = nullptr)
{
    SetLastError(0);
    int need = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (error)
        *error = static_cast<int>(GetLastError());
    if (need == 0)
        return u"<fail>";
    std::u16string out(static_cast<std::size_t>(need), u'\0');
    int got = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(), need);
    EXPECT_EQ(got, need);
    return out;
}

std::string ApiToBytes(UINT cp, DWORD flags, const std::u16string& wide, const char* defaultChar = nullptr,
                       BOOL* usedDefault = nullptr, int* error = nullptr)
{
    SetLastError(0);
    int need = WideCharToMultiByte(cp, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, defaultChar,
                                   usedDefault);
    if (error)
        *error = static_cast<int>(GetLastError());
    if (need == 0)
        return "<fail>";
    std::string out(static_cast<std::size_t>(need), '\0');
    int got = WideCharToMultiByte(cp, flags, wide.data(), static_cast<int>(wide.size()), out.data(), need,
                                  defaultChar, usedDefault);
    EXPECT_EQ(got, need);
    return out;
}

// ---- valid text ---------------------------------------------------------------------------

struct Encoding {
    std::u16string wide;
    std::u8string utf8;
    std::string gbk;
};

const Encoding kWorked[] = {
    {u"A", u8"A", "A"},
    {u"中", u8"中", "\xD6\xD0"},
    {u"文", u8"文", "\xCE\xC4"},
    {u"中文", u8"中文", "\xD6\xD0\xCE\xC4"},
    {u"你好", u8"你好", "\xC4\xE3\xBA\xC3"},
    {u"汉字", u8"汉字", "\xBA\xBA\xD7\xD6"},
    {u"A中", u8"A中", "A\xD6\xD0"},
    {u"\u3000", u8"\u3000", "\xA1\xA1"},
    {u"\u00B7", u8"\u00B7", "\xA1\xA4"},
    {u"\u00E9", u8"\u00E9", "\xA8\xA6"},
    {u"丂", u8"丂", "\x81\x40"},
    {u"\u20AC", u8"\u20AC", "\x80"},
    {u"采购单", u8"采购单", "采购单"}, // the compiler's code page agrees with the table
    {u"", u8"", ""},
};

TEST(CodePage, WorkedEncodingsConvertBothWaysThroughEveryEntryPoint)
{
    for (const Encoding& e : kWorked) {
        SCOPED_TRACE(e.gbk);
        EXPECT_EQ(WideToAnsi(e.wide), e.gbk);
        EXPECT_EQ(AnsiToWide(e.gbk), e.wide);
        EXPECT_EQ(Utf8ToAnsi(U8(e.utf8)), e.gbk);
        EXPECT_EQ(AnsiToUtf8(e.gbk), U8(e.utf8));
        EXPECT_EQ(Utf8ToWide(U8(e.utf8)), e.wide);
        EXPECT_EQ(WideToUtf8(e.wide), U8(e.utf8));
        if (e.gbk.empty())
            continue; // an empty explicit length is an error for the C entry points
        for (UINT cp : {CP_ACP, CP_GBK}) {
            EXPECT_EQ(ApiToWide(cp, 0, e.gbk), e.wide);
            EXPECT_EQ(ApiToBytes(cp, 0, e.wide), e.gbk);
        }
        EXPECT_EQ(ApiToWide(CP_UTF8, 0, U8(e.utf8)), e.wide);
        EXPECT_EQ(ApiToBytes(CP_UTF8, 0, e.wide), U8(e.utf8));
    }
}

TEST(CodePage, EveryDoubleByteCharacterRoundTrips)
{
    int mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            std::u16string wide = AnsiToWide(bytes);
            ASSERT_EQ(wide.size(), 1u) << std::hex << lead << ' ' << trail;
            if (wide == u"?")
                continue;
            ++mapped;
            ASSERT_EQ(WideToAnsi(wide), bytes) << std::hex << lead << ' ' << trail;
        }
    }
    // GB2312 alone has 7445 characters; GBK fills most of the 126 x 190 grid.
    EXPECT_GT(mapped, 21000);
}

// Random mixes of ASCII runs and double-byte characters, at every alignment, exercise the
// block-at-a-time paths against the platform's decoder.
TEST(CodePage, MixedTextMatchesThePlatformDecoderAtEveryLength)
{
    const std::string pieces[] = {"a", "<row id=\"1\"/>", "0123456789abcdef0123", "\xD6\xD0", "\xB2\xC9\xB9\xBA",
                                  "\x81\x40", "\x80", "\r\n"};
    std::mt19937 rng(118);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        int count = static_cast<int>(rng() % 24);
        for (int k = 0; k < count; ++k)
            text += pieces[rng() % std::size(pieces)];
        SCOPED_TRACE(text);
        std::u16string expected = IconvToWide(text);
        ASSERT_EQ(AnsiToWide(text), expected);
        ASSERT_EQ(WideToAnsi(expected), text);
        const std::string utf8 = WideToUtf8(expected);
        ASSERT_EQ(AnsiToUtf8(text), utf8);
        ASSERT_EQ(Utf8ToAnsi(utf8), text);
        if (!text.empty()) {
            ASSERT_EQ(ApiToWide(CP_ACP, 0, text), expected);
            ASSERT_EQ(ApiToBytes(CP_ACP, 0, expected), text);
        }
    }
}

// ---- invalid and unmappable input ---------------------------------------------------------

TEST(CodePage, InvalidBytesBecomeQuestionMarksWithoutSwallowingTheNextByte)
{
    struct Case {
        std::string bytes;
        std::u16string wide;
    };
    const Case cases[] = {
        {"\xD6", u"?"},                           // lone lead byte at the end
        {"A\xD6", u"A?"},
        {"\xD6\xD0\xD6", u"中?"},
        {"\xD6" "0", u"?0"},                      // a trail byte cannot be below 0x40
        {"\xD6\x7F", u"?\x7F"},                   // nor 0x7F
        {std::string("\xD6\0", 2), u"?\0"s},      // a NUL after a lead byte stays a NUL
        {"\xD6\xFF", u"??"},                      // nor 0xFF, which is invalid by itself too
        {"\xFF", u"?"},
        {"\xFF" "A", u"?A"},
        {"\xAA\xA1", u"?"},                       // well-formed pair without a character
        {"\xA1\x40" "B", u"?B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(AnsiToWide(c.bytes), c.wide);
        EXPECT_EQ(ApiToWide(CP_ACP, 0, c.bytes), c.wide);
        EXPECT_EQ(AnsiToUtf8(c.bytes), WideToUtf8(c.wide)); // the direct path agrees
        int error = 0;
        EXPECT_EQ(ApiToWide(CP_ACP, MB_ERR_INVALID_CHARS, c.bytes, &error), u"<fail>");
        EXPECT_EQ(error, static_cast<int>(ERROR_NO_UNICODE_TRANSLATION));
    }
    // 0x80 is a character (the euro sign), so the strict form accepts it.
    EXPECT_EQ(ApiToWide(CP_ACP, MB_ERR_INVALID_CHARS, "\x80"), u"\u20AC");
}

TEST(CodePage, UnmappableCharactersBecomeTheDefaultCharacterAndAreReported)
{
    struct Case {
        std::u16string wide;
        const char* defaultChar;
        std::string bytes;
        BOOL used;
    };
    const Case cases[] = {
        {u"A한B", nullptr, "A?B", TRUE},
        {u"A한B", "*", "A*B", TRUE},
        {u"한", "\xA1\xF9", "\xA1\xF9", TRUE},     // a double-byte default character
        {u"A\U00020000B", nullptr, "A?B", TRUE},   // one default for a surrogate pair
        {u"A\xD800" "B", nullptr, "A?B", TRUE},    // lone high surrogate
        {u"\xDC00", nullptr, "?", TRUE},           // lone low surrogate
        {u"中文", "*", "\xD6\xD0\xCE\xC4", FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        BOOL used = -1;
        EXPECT_EQ(ApiToBytes(CP_ACP, 0, c.wide, c.defaultChar, &used), c.bytes);
        EXPECT_EQ(used, c.used);
        EXPECT_EQ(ApiToBytes(CP_ACP, WC_NO_BEST_FIT_CHARS, c.wide, c.defaultChar, nullptr), c.bytes);
        if (c.defaultChar == nullptr) {
            EXPECT_EQ(WideToAnsi(c.wide), c.bytes);
        }
    }
    // Unmappable text does not round-trip.
    const std::u16string hangul = u"A한B";
    EXPECT_EQ(AnsiToWide(WideToAnsi(hangul)), u"A?B");
}

TEST(CodePage, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart)
{
    struct Case {
        std::string utf8;
        std::u16string wide;
    };
    const Case cases[] = {
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xC0\x80", u"\xFFFD\xFFFD"},                 // overlong NUL
        {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},       // overlong
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},       // encoded surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"}, // beyond U+10FFFF
        {"\xE4\xB8", u"\xFFFD"},                       // truncated: one replacement
        {"\xE4\xB8" "A", u"\xFFFD" "A"},
        {"\xF0\x9F\x98", u"\xFFFD"},
        {"\x80" "A", u"\xFFFD" "A"},
        {"\xFF", u"\xFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide);
        EXPECT_EQ(ApiToWide(CP_UTF8, 0, c.utf8), c.wide);
        EXPECT_EQ(Utf8ToAnsi(c.utf8), WideToAnsi(c.wide)); // the direct path agrees
        bool valid = c.wide.find(u'\xFFFD') == std::u16string::npos;
        int error = 0;
        EXPECT_EQ(ApiToWide(CP_UTF8, MB_ERR_INVALID_CHARS, c.utf8, &error), valid ? c.wide : u"<fail>");
        if (!valid) {
            EXPECT_EQ(error, static_cast<int>(ERROR_NO_UNICODE_TRANSLATION));
        }
    }
    // For tools: ill-formed UTF-8 reaches code page 936 as '?'.
    EXPECT_EQ(Utf8ToAnsi("A\xE4\xB8" "B"), "A?B");
}

TEST(CodePage, LoneSurrogatesBecomeReplacementInUtf8)
{
    EXPECT_EQ(WideToUtf8(u"A\xD800" "B"), "A\xEF\xBF\xBD" "B");
    EXPECT_EQ(ApiToBytes(CP_UTF8, 0, u"\xDC00"), "\xEF\xBF\xBD");
    int error = 0;
    EXPECT_EQ(ApiToBytes(CP_UTF8, WC_ERR_INVALID_CHARS, u"A\xD800", nullptr, nullptr, &error), "<fail>");
    EXPECT_EQ(error, static_cast<int>(ERROR_NO_UNICODE_TRANSLATION));
}

// ---- sizes, terminators, buffers ----------------------------------------------------------

TEST(CodePage, SizeQueriesCountTheTerminatorOnlyForNulTerminatedInput)
{
    EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", -1, nullptr, 0, nullptr, nullptr), 5);
    EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", 2, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, "\xD6\xD0\xCE\xC4", 4, nullptr, 0), 2);
    EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, "\xD6\xD0\xCE\xC4", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(u8"中文"), -1, nullptr, 0), 3);

    char16_t wide[4] = {u'x', u'x', u'x', u'x'};
    ASSERT_EQ(MultiByteToWideChar(CP_GBK, 0, "\xD6\xD0\xCE\xC4", -1, wide, 4), 3);
    EXPECT_EQ(std::u16string(wide, 4), u"中文\0x"s);
    char bytes[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    ASSERT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", 2, bytes, 6, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(bytes, 6), "\xD6\xD0\xCE\xC4xx"); // no terminator added
}

// A buffer one unit short fails and writes nothing beyond its end; the exact size works.
// Lengths around 16 cover the block-at-a-time paths.
TEST(CodePage, TooSmallBuffersFailWithoutOverrun)
{
    for (std::size_t ascii : {0u, 1u, 15u, 16u, 17u, 33u}) {
        const std::string gbk = std::string(ascii, 'a') + "\xD6\xD0" + std::string(ascii, 'b') + "c";
        const std::u16string wide = AnsiToWide(gbk);
        const std::string utf8 = AnsiToUtf8(gbk);
        SCOPED_TRACE(gbk);
        const int units = static_cast<int>(wide.size());
        const int bytes = static_cast<int>(gbk.size());
        const int utf8Bytes = static_cast<int>(utf8.size());

        std::vector<char16_t> w(wide.size() + 32, u'#');
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk.data(), bytes, w.data(), units - 1), 0);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(w[static_cast<std::size_t>(units - 1)], u'#');
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk.data(), bytes, w.data(), units), units);
        EXPECT_EQ(std::u16string(w.data(), wide.size()), wide);
        EXPECT_EQ(w[wide.size()], u'#');

        std::fill(w.begin(), w.end(), u'#');
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), utf8Bytes, w.data(), units - 1), 0);
        EXPECT_EQ(w[static_cast<std::size_t>(units - 1)], u'#');

        std::vector<char> b(gbk.size() + 32, '#');
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), units, b.data(), bytes - 1, nullptr, nullptr), 0);
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(b[static_cast<std::size_t>(bytes - 1)], '#');
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide.data(), units, b.data(), bytes, nullptr, nullptr), bytes);
        EXPECT_EQ(std::string(b.data(), gbk.size()), gbk);
        EXPECT_EQ(b[gbk.size()], '#');

        std::vector<char> u(utf8.size() + 32, '#');
        EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, u.data(), utf8Bytes - 1, nullptr, nullptr), 0);
        EXPECT_EQ(u[static_cast<std::size_t>(utf8Bytes - 1)], '#');
        EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, u.data(), utf8Bytes, nullptr, nullptr),
                  utf8Bytes);
        EXPECT_EQ(std::string(u.data(), utf8.size()), utf8);
    }
}

TEST(CodePage, BadArgumentsFailWithTheirError)
{
    char16_t wide[8];
    char bytes[8];
    char16_t shared[8] = {u'a', u'b', 0};
    BOOL used;
    struct Case {
        const char* what;
        std::function<int()> call;
        DWORD error;
    };
    const Case cases[] = {
        {"empty source", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 8); }, ERROR_INVALID_PARAMETER},
        {"null source", [&] { return MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 8); }, ERROR_INVALID_PARAMETER},
        {"length -2", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", -2, wide, 8); }, ERROR_INVALID_PARAMETER},
        {"negative room", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, wide, -1); }, ERROR_INVALID_PARAMETER},
        {"null room", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 8); }, ERROR_INVALID_PARAMETER},
        {"unknown page", [&] { return MultiByteToWideChar(1252, 0, "a", 1, wide, 8); }, ERROR_INVALID_PARAMETER},
        {"composite flag", [&] { return MultiByteToWideChar(CP_ACP, 0x2, "a", 1, wide, 8); }, ERROR_INVALID_FLAGS},
        {"utf8 precomposed", [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 8); },
         ERROR_INVALID_FLAGS},
        {"overlap",
         [&] { return MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(shared), 2, shared, 4); },
         ERROR_INVALID_PARAMETER},
        {"wide empty", [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 0, bytes, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"wide null", [&] { return WideCharToMultiByte(CP_ACP, 0, nullptr, 1, bytes, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"wide unknown page", [&] { return WideCharToMultiByte(437, 0, u"a", 1, bytes, 8, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"strict flag on 936",
         [&] { return WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"a", 1, bytes, 8, nullptr, nullptr); },
         ERROR_INVALID_FLAGS},
        {"utf8 default", [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 8, "?", nullptr); },
         ERROR_INVALID_PARAMETER},
        {"utf8 used flag", [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, bytes, 8, nullptr, &used); },
         ERROR_INVALID_PARAMETER},
        {"lone lead default", [&] { return WideCharToMultiByte(CP_ACP, 0, u"한", 1, bytes, 8, "\xD6", nullptr); },
         ERROR_INVALID_PARAMETER},
        {"wide overlap",
         [&] {
             return WideCharToMultiByte(CP_ACP, 0, shared, 2, reinterpret_cast<char*>(shared), 4, nullptr, nullptr);
         },
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(c.call(), 0);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

} // namespace

// A caller that hands over a larger buffer finds it untouched past the result: the block
// copy of ASCII runs must not leave the bytes of a mixed block behind.
TEST(CodePage, NothingIsStoredPastTheResultInALargerBuffer)
{
    for (std::size_t ascii : {1u, 7u, 15u}) {
        const std::string gbk = std::string(ascii, 'a') + "\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0\xD6\xD0";
        const std::u16string wide = AnsiToWide(gbk);
        const std::string utf8 = AnsiToUtf8(gbk);
        SCOPED_TRACE(gbk);

        struct ToWide { UINT codePage; const std::string* src; };
        for (const ToWide& c : {ToWide{CP_ACP, &gbk}, ToWide{CP_UTF8, &utf8}}) {
            std::vector<char16_t> w(64, u'#');
            const int n = MultiByteToWideChar(c.codePage, 0, c.src->data(), static_cast<int>(c.src->size()),
                                              w.data(), static_cast<int>(w.size()));
            ASSERT_EQ(n, static_cast<int>(wide.size()));
            EXPECT_EQ(std::u16string(w.data(), wide.size()), wide);
            for (std::size_t k = wide.size(); k < w.size(); ++k) EXPECT_EQ(w[k], u'#') << "unit " << k;
        }

        struct ToBytes { UINT codePage; const std::string* expected; };
        for (const ToBytes& c : {ToBytes{CP_ACP, &gbk}, ToBytes{CP_UTF8, &utf8}}) {
            std::vector<char> b(96, '#');
            const int n = WideCharToMultiByte(c.codePage, 0, wide.data(), static_cast<int>(wide.size()), b.data(),
                                              static_cast<int>(b.size()), nullptr, nullptr);
            ASSERT_EQ(n, static_cast<int>(c.expected->size()));
            EXPECT_EQ(std::string(b.data(), c.expected->size()), *c.expected);
            for (std::size_t k = c.expected->size(); k < b.size(); ++k) EXPECT_EQ(b[k], '#') << "byte " << k;
        }
    }
}
