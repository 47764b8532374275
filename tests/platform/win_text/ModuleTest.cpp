#include "platform/win/CodePage.h"
#include "platform/win/Module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using AddFn = int32_t (*)(int32_t, int32_t);
using BumpFn = int32_t (*)();

const char* const kModule = KV_TEST_MODULE;

TEST(Module, MissingOrBrokenFilesGiveNullAndAnError)
{
    char garbage[] = "/tmp/kv_not_a_module_XXXXXX";
    int fd = mkstemp(garbage);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "not an object file", 18), 18);
    close(fd);

    struct Case {
        const char* what;
        const char* path;
        DWORD error;
    };
    const Case cases[] = {
        {"missing file", "/nonexistent/dialog.dll", ERROR_MOD_NOT_FOUND},
        {"not a module", garbage, ERROR_MOD_NOT_FOUND},
        {"null path", nullptr, ERROR_INVALID_PARAMETER},
        {"empty path", "", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(c.path), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    std::remove(garbage);
}

TEST(Module, ExportsAreFoundByNameAndCalled)
{
    HMODULE module = LoadLibraryA(kModule);
    ASSERT_NE(module, nullptr);
    auto add = reinterpret_cast<AddFn>(GetProcAddress(module, "KvTestModuleAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(1100, 18), 1118);

    struct Case {
        const char* what;
        const char* name;
    };
    const Case missing[] = {
        {"no such export", "KvTestModuleMissing"},
        {"case matters", "kvtestmoduleadd"},
        {"ordinal", reinterpret_cast<const char*>(std::uintptr_t{1})},
        {"null name", nullptr},
    };
    for (const Case& c : missing) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, c.name), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    }
    EXPECT_TRUE(FreeLibrary(module));
}

TEST(Module, LoadsAreCountedAndTheLastFreeUnloads)
{
    HMODULE first = LoadLibraryA(kModule);
    HMODULE second = LoadLibraryA(kModule);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    auto bump = reinterpret_cast<BumpFn>(GetProcAddress(first, "KvTestModuleBump"));
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump(), 1);
    EXPECT_EQ(bump(), 2);

    EXPECT_TRUE(FreeLibrary(first));
    // Still loaded once: its state and exports are still there.
    bump = reinterpret_cast<BumpFn>(GetProcAddress(first, "KvTestModuleBump"));
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump(), 3);

    EXPECT_TRUE(FreeLibrary(second));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetProcAddress(first, "KvTestModuleBump"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    // A fresh load starts from a fresh copy.
    HMODULE again = LoadLibraryA(kModule);
    ASSERT_NE(again, nullptr);
    bump = reinterpret_cast<BumpFn>(GetProcAddress(again, "KvTestModuleBump"));
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump(), 1);
    EXPECT_TRUE(FreeLibrary(again));
}

TEST(Module, HandlesThatWereNeverLoadedAreRefused)
{
    int notAModule = 0;
    for (HMODULE bogus : {static_cast<HMODULE>(nullptr), reinterpret_cast<HMODULE>(&notAModule)}) {
        SetLastError(0);
        EXPECT_FALSE(FreeLibrary(bogus));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetProcAddress(bogus, "KvTestModuleAdd"), nullptr);
        char path[64];
        EXPECT_EQ(GetModuleFileNameA(bogus == nullptr ? reinterpret_cast<HMODULE>(&notAModule) : bogus, path,
                                     sizeof path),
                  0u);
    }
}

TEST(Module, FileNameIsThePathLoadedAndIsCutToTheBuffer)
{
    HMODULE module = LoadLibraryA(kModule);
    ASSERT_NE(module, nullptr);
    char path[4096];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    EXPECT_EQ(std::string(path, length), kModule);

    char small[8];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), std::string(kModule).substr(0, 7));
    EXPECT_EQ(GetModuleFileNameA(module, small, 0), 0u);
    EXPECT_TRUE(FreeLibrary(module));

    // Null names the program itself.
    length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    EXPECT_NE(std::string(path, length).find("test_win_text"), std::string::npos);
}

} // namespace
