#include "platform/win/Module.h"

#include "platform/win/CodePage.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

// The handles this process got from LoadLibraryA, with the number of loads not yet
// released. Never destroyed, so modules freed from static destructors still find it.
class LoadedModules {
public:
    static LoadedModules& Instance()
    {
        static LoadedModules* modules = new LoadedModules;
        return *modules;
    }

    void AddLoad(void* handle)
    {
        std::lock_guard lock(mutex_);
        ++loads_[handle];
    }

    bool Contains(void* handle)
    {
        std::lock_guard lock(mutex_);
        return loads_.count(handle) != 0;
    }

    // Takes one load off handle; false when it was not loaded.
    bool ReleaseLoad(void* handle)
    {
        std::lock_guard lock(mutex_);
        auto it = loads_.find(handle);
        if (it == loads_.end())
            return false;
        if (--it->second == 0)
            loads_.erase(it);
        return true;
    }

private:
    std::mutex mutex_;
    std::unordered_map<void*, long> loads_;
};

// A name argument whose upper bits are zero is an ordinal, not a pointer to text.
bool IsOrdinal(const char* name) { return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0; }

DWORD CopyPath(const char* path, std::size_t length, char* buffer, DWORD size)
{
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (length >= size) {
        std::memcpy(buffer, path, size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

} // namespace

HMODULE LoadLibraryA(const char* path)
{
    if (path == nullptr || *path == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    LoadedModules::Instance().AddLoad(handle);
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, const char* name)
{
    if (module == nullptr || !LoadedModules::Instance().Contains(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (IsOrdinal(name)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    dlerror();
    void* address = dlsym(module, name);
    if (address == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(address);
}

BOOL FreeLibrary(HMODULE module)
{
    if (module == nullptr || !LoadedModules::Instance().ReleaseLoad(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    dlclose(module);
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size)
{
    if (module == nullptr) {
        char path[4096];
        ssize_t length = readlink("/proc/self/exe", path, sizeof path);
        if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        return CopyPath(path, static_cast<std::size_t>(length), buffer, size);
    }
    if (!LoadedModules::Instance().Contains(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return CopyPath(map->l_name, std::strlen(map->l_name), buffer, size);
}
