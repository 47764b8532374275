#include "platform/win/OleStr.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);
constexpr std::size_t kTerminatorBytes = sizeof(OLECHAR);

// The live strings of the process. Created on first use and never destroyed, so strings
// freed by other modules' static destructors still find it.
class Registry {
public:
    static Registry& Instance()
    {
        static Registry* registry = new Registry;
        return *registry;
    }

    void Add(const void* p)
    {
        std::lock_guard lock(mutex_);
        live_.insert(p);
    }

    // Removes p; false when it was not live.
    bool Remove(const void* p)
    {
        std::lock_guard lock(mutex_);
        if (live_.erase(p) == 0) {
            ++invalidFrees_;
            return false;
        }
        return true;
    }

    // The byte length of a live string, read under the lock so a concurrent free cannot
    // pull the block away; 0 when p is not live.
    std::uint32_t ByteLength(BSTR b)
    {
        std::lock_guard lock(mutex_);
        if (live_.count(b) == 0)
            return 0;
        std::uint32_t bytes;
        std::memcpy(&bytes, reinterpret_cast<const char*>(b) - kPrefixBytes, sizeof bytes);
        return bytes;
    }

    long Live()
    {
        std::lock_guard lock(mutex_);
        return static_cast<long>(live_.size());
    }

    long InvalidFrees()
    {
        std::lock_guard lock(mutex_);
        return invalidFrees_;
    }

private:
    std::mutex mutex_;
    std::unordered_set<const void*> live_;
    long invalidFrees_ = 0;
};

char* BlockOf(BSTR b) { return reinterpret_cast<char*>(b) - kPrefixBytes; }

// Allocates a block for byteLength bytes of data, copies data (or zero-fills), writes
// the prefix and the terminator, and registers it.
BSTR Allocate(const void* data, std::uint32_t byteLength)
{
    std::size_t total = kPrefixBytes + std::size_t{byteLength} + kTerminatorBytes;
    auto* block = static_cast<char*>(std::malloc(total));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &byteLength, kPrefixBytes);
    char* chars = block + kPrefixBytes;
    if (data != nullptr)
        std::memcpy(chars, data, byteLength);
    else
        std::memset(chars, 0, byteLength);
    std::memset(chars + byteLength, 0, kTerminatorBytes);
    BSTR b = reinterpret_cast<BSTR>(chars);
    try {
        Registry::Instance().Add(b);
    } catch (...) { // out of memory in the registry: the string cannot be tracked
        std::free(block);
        return nullptr;
    }
    return b;
}

bool CharLengthFits(std::uint64_t length) { return length * sizeof(OLECHAR) <= UINT32_MAX - kTerminatorBytes; }

std::size_t LengthOf(const OLECHAR* psz)
{
    std::size_t n = 0;
    while (psz[n] != 0)
        ++n;
    return n;
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr)
        return nullptr;
    std::size_t length = LengthOf(psz);
    if (!CharLengthFits(length))
        return nullptr;
    return Allocate(psz, static_cast<std::uint32_t>(length * sizeof(OLECHAR)));
}

BSTR SysAllocStringLen(const OLECHAR* s, UINT length)
{
    if (!CharLengthFits(length))
        return nullptr;
    return Allocate(s, static_cast<std::uint32_t>(length * sizeof(OLECHAR)));
}

BSTR SysAllocStringByteLen(const char* p, UINT byteLength)
{
    if (byteLength > UINT32_MAX - kTerminatorBytes)
        return nullptr;
    return Allocate(p, byteLength);
}

BOOL SysReAllocString(BSTR* pb, const OLECHAR* psz)
{
    if (pb == nullptr)
        return FALSE;
    BSTR fresh = nullptr;
    if (psz != nullptr) {
        fresh = SysAllocString(psz);
        if (fresh == nullptr)
            return FALSE;
    }
    SysFreeString(*pb);
    *pb = fresh;
    return TRUE;
}

BOOL SysReAllocStringLen(BSTR* pb, const OLECHAR* s, UINT length)
{
    if (pb == nullptr)
        return FALSE;
    BSTR fresh = SysAllocStringLen(s, length);
    if (fresh == nullptr)
        return FALSE;
    SysFreeString(*pb);
    *pb = fresh;
    return TRUE;
}

void SysFreeString(BSTR b)
{
    if (b == nullptr)
        return;
    if (Registry::Instance().Remove(b))
        std::free(BlockOf(b));
}

UINT SysStringByteLen(BSTR b)
{
    return b == nullptr ? 0 : Registry::Instance().ByteLength(b);
}

UINT SysStringLen(BSTR b) { return SysStringByteLen(b) / sizeof(OLECHAR); }

long KvOleStringsLive() { return Registry::Instance().Live(); }

long KvOleStringsInvalidFrees() { return Registry::Instance().InvalidFrees(); }
