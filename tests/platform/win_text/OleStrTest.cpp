#include "platform/win/OleStr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace std::literals;

namespace {

UINT PrefixOf(BSTR b)
{
    UINT bytes;
    std::memcpy(&bytes, reinterpret_cast<const char*>(b) - 4, sizeof bytes);
    return bytes;
}

// Frees what a test allocated even when an assertion ends it early.
struct Owned {
    BSTR b;
    ~Owned() { SysFreeString(b); }
};

TEST(OleStr, BlockHoldsByteLengthBeforeAndNulAfterTheCharacters)
{
    struct Case {
        const char* what;
        BSTR b;
        std::u16string chars;
        UINT byteLength;
    };
    const Case cases[] = {
        {"plain", SysAllocString(u"I am a happy BSTR"), u"I am a happy BSTR", 34},
        {"empty", SysAllocString(u""), u"", 0},
        {"embedded NUL", SysAllocStringLen(u"ab\0cd", 5), u"ab\0cd"s, 10},
        {"prefix of a longer text", SysAllocStringLen(u"abcdef", 2), u"ab", 4},
        {"no source: zero-filled", SysAllocStringLen(nullptr, 3), u"\0\0\0"s, 6},
        {"raw bytes", SysAllocStringByteLen("\x41\x00\x42\x00", 4), u"AB", 4},
        {"odd byte count", SysAllocStringByteLen("\x41\x00\x42", 3), u"A", 3},
        {"wide text", SysAllocString(u"采购单"), u"采购单", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Owned owned{c.b};
        ASSERT_NE(c.b, nullptr);
        EXPECT_EQ(PrefixOf(c.b), c.byteLength);
        EXPECT_EQ(SysStringByteLen(c.b), c.byteLength);
        EXPECT_EQ(SysStringLen(c.b), c.byteLength / 2);
        EXPECT_EQ(std::u16string(c.b, SysStringLen(c.b)), c.chars);
        // The two bytes right after the data are a NUL character, even for odd lengths.
        const char* after = reinterpret_cast<const char*>(c.b) + c.byteLength;
        EXPECT_EQ(after[0], 0);
        EXPECT_EQ(after[1], 0);
    }
}

TEST(OleStr, NullIsTheEmptyString)
{
    long invalidBefore = KvOleStringsInvalidFrees();
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(KvOleStringsInvalidFrees(), invalidBefore);
}

TEST(OleStr, LiveCountFollowsEveryAllocationAndFree)
{
    long before = KvOleStringsLive();
    BSTR a = SysAllocString(u"a");
    BSTR b = SysAllocStringLen(u"bc", 2);
    BSTR c = SysAllocStringByteLen("d", 1);
    EXPECT_EQ(KvOleStringsLive(), before + 3);
    SysFreeString(b);
    EXPECT_EQ(KvOleStringsLive(), before + 2);
    SysFreeString(a);
    SysFreeString(c);
    EXPECT_EQ(KvOleStringsLive(), before);
}

TEST(OleStr, FreesOfPointersThatAreNotLiveStringsAreIgnoredAndCounted)
{
    long live = KvOleStringsLive();
    long invalid = KvOleStringsInvalidFrees();

    BSTR b = SysAllocString(u"once");
    SysFreeString(b);
    SysFreeString(b); // double free
    EXPECT_EQ(KvOleStringsInvalidFrees(), invalid + 1);

    char16_t onTheStack[] = u"xxxxstack";
    SysFreeString(onTheStack + 4); // has something in front that looks like a prefix
    SysFreeString(const_cast<char16_t*>(u"literal"));
    BSTR inner = SysAllocString(u"inner");
    SysFreeString(inner + 1); // inside a live string
    EXPECT_EQ(KvOleStringsInvalidFrees(), invalid + 4);
    EXPECT_EQ(SysStringLen(onTheStack + 4), 0u);
    EXPECT_EQ(SysStringLen(inner + 1), 0u);

    // The live string next to the bad free is untouched.
    EXPECT_EQ(std::u16string(inner, SysStringLen(inner)), u"inner");
    SysFreeString(inner);
    EXPECT_EQ(KvOleStringsLive(), live);
}

TEST(OleStr, ReallocationReplacesAndFreesTheOldString)
{
    long live = KvOleStringsLive();
    BSTR b = SysAllocString(u"first");
    ASSERT_TRUE(SysReAllocString(&b, u"second value"));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"second value");
    EXPECT_EQ(KvOleStringsLive(), live + 1);

    // The source may lie inside the string being replaced.
    ASSERT_TRUE(SysReAllocString(&b, b + 7));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"value");
    ASSERT_TRUE(SysReAllocStringLen(&b, b, 3));
    EXPECT_EQ(std::u16string(b, SysStringLen(b)), u"val");

    ASSERT_TRUE(SysReAllocString(&b, nullptr));
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(KvOleStringsLive(), live);

    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
    EXPECT_FALSE(SysReAllocStringLen(nullptr, u"x", 1));
    EXPECT_EQ(KvOleStringsLive(), live);
}

TEST(OleStr, LengthsBeyondTheThirtyTwoBitPrefixAreRefused)
{
    long live = KvOleStringsLive();
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFEu), nullptr);
    BSTR keep = SysAllocString(u"keep");
    EXPECT_FALSE(SysReAllocStringLen(&keep, nullptr, 0x80000000u));
    EXPECT_EQ(std::u16string(keep, SysStringLen(keep)), u"keep");
    SysFreeString(keep);
    EXPECT_EQ(KvOleStringsLive(), live);
}

} // namespace
