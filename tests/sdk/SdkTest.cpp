#include "sdk/ordr118.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

using namespace std::literals;

namespace {

// On this 64-bit build pointer slots double; the order and the 32-bit integer and colour
// slots stay, and nothing overlaps.
static_assert(sizeof(void*) == 8);
static_assert(offsetof(TShareVar, IntArg) == 8);
static_assert(offsetof(TShareVar, OpenXml) == 24);
static_assert(offsetof(TShareVar, QueryXml) == 64);
static_assert(offsetof(TShareVar, ModuleKey) == 136);
static_assert(offsetof(TShareVar, Spare72) == 144);
static_assert(offsetof(TShareVar, QueryKey) == 152);
static_assert(sizeof(TShareVar) == 176);
static_assert(offsetof(TShareContext, AppDir) == 88);
// The style record holds no pointers: the same layout on every target.
static_assert(offsetof(TChildStyle, ShowTitle) == 4);
static_assert(offsetof(TChildStyle, TitleColor) == 36);
static_assert(offsetof(TChildStyle, ActiveTabColorTo) == 64);
static_assert(sizeof(TChildStyle) == 68);
static_assert(sizeof(TArgRec) == 278);
static_assert(std::is_standard_layout_v<TShareVar> && std::is_trivially_copyable_v<TShareVar>);
// The declared export and the type a host looks it up as agree.
static_assert(std::is_same_v<decltype(&ShowChildForm), TShowChildForm>);

TEST(Sdk, MessageNumbersAreTheHostProtocol)
{
    struct Case {
        int number;
        int expected;
    };
    const Case cases[] = {
        {WM_CHILD_HIDE, 0x464},        {WM_CHILD_SHOW, 0x465},       {WM_HOST_CHILDCLOSED, 0x466},
        {WM_CHILD_CLOSE, 0x467},       {WM_CHILD_SETCONTEXT, 0x468}, {WM_CHILD_SETSTYLE, 0x469},
        {WM_HOST_CHILDCREATED, 0x46A}, {WM_HOST_COMMANDS, 0x46B},    {WM_HOST_STATUSTEXT, 0x46C},
        {WM_HOST_BASECOMMANDS, 0x46D}, {WM_HOST_OPENMODULE, 0x46E},  {WM_HOST_CLOSEMODULE, 0x46F},
        {WM_HOST_QUERYDATA, 0x473},    {WM_CHILD_SELECT, 0x475},     {WM_CHILD_CANCLOSE, 0x476},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.number, c.expected);
}

int32_t ReadInt32(const char* p)
{
    int32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

TEST(Sdk, ContextTextIsReferenceCountLengthBytesAndNul)
{
    struct Case {
        std::string text;
    };
    const Case cases[] = {
        {"A:B"},
        {""},
        {"采购:单"},              // 8-bit text: the length counts bytes, not characters
        {"mod\0ule:key"s},        // the prefix, not a NUL, ends the text
        {std::string(300, 'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        KvContextText context(c.text);
        const char* text = context.text();
        EXPECT_EQ(ReadInt32(text - 8), -1);
        EXPECT_EQ(ReadInt32(text - 4), static_cast<int32_t>(c.text.size()));
        EXPECT_EQ(std::string(text, c.text.size()), c.text);
        EXPECT_EQ(text[c.text.size()], '\0');
        EXPECT_EQ(context.lparam(), reinterpret_cast<intptr_t>(text));
        EXPECT_EQ(KvReadContextText(text), c.text);
    }
    EXPECT_EQ(std::string("采购:单").size(), 7u);
    EXPECT_TRUE(KvReadContextText(nullptr).empty());
}

} // namespace
