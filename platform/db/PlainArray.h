// The memory table's storage arrays (its cells and its text): contiguous arrays of plain
// values that grow in place.
//
// The values are trivially copyable, so an array lives in a block from malloc and grows with
// realloc. For a large block the C library moves the pages instead of copying them, so a load
// of many records neither copies what it already stored nor touches the memory twice, as a
// std::vector's grow-and-copy would.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

template <class T>
class TPlainArray {
  static_assert(std::is_trivially_copyable_v<T>, "values are moved with memcpy/realloc");

 public:
  TPlainArray() = default;
  ~TPlainArray() { std::free(FData); }
  TPlainArray(const TPlainArray&) = delete;
  TPlainArray& operator=(const TPlainArray&) = delete;

  std::size_t size() const { return FSize; }
  std::size_t capacity() const { return FCapacity; }
  T* data() { return FData; }
  const T* data() const { return FData; }

  // Room for COUNT values in all; std::bad_alloc when that cannot be had (nothing changes then).
  void reserve(std::size_t count) {
    if (count <= FCapacity) return;
    if (count > kMaxCount) throw std::bad_alloc();
    void* grown = std::realloc(static_cast<void*>(FData), count * sizeof(T));
    if (!grown) throw std::bad_alloc();
    FData = static_cast<T*>(grown);
    FCapacity = count;
  }
  // Appends COUNT values from VALUES (which must not point into this array).
  void append(const T* values, std::size_t count) {
    if (count > FCapacity - FSize) [[unlikely]]
      grow(count);
    if (count) std::memcpy(static_cast<void*>(FData + FSize), values, count * sizeof(T));
    FSize += count;
  }
  // Inserts COUNT values from VALUES (not from this array) before value POS (POS <= size()).
  void insert(std::size_t pos, const T* values, std::size_t count) {
    if (count > FCapacity - FSize) grow(count);
    if (!count) return;
    std::memmove(static_cast<void*>(FData + pos + count), FData + pos, (FSize - pos) * sizeof(T));
    std::memcpy(static_cast<void*>(FData + pos), values, count * sizeof(T));
    FSize += count;
  }
  // Removes COUNT values from POS on (POS + COUNT <= size()).
  void erase(std::size_t pos, std::size_t count) {
    if (!count) return;
    std::memmove(static_cast<void*>(FData + pos), FData + pos + count, (FSize - pos - count) * sizeof(T));
    FSize -= count;
  }
  // Empties the array and keeps its block.
  void clear() { FSize = 0; }
  // Empties the array and gives its block back.
  void release() {
    std::free(static_cast<void*>(FData));
    FData = nullptr;
    FSize = FCapacity = 0;
  }

 private:
  static constexpr std::size_t kMaxCount = (std::size_t(1) << 40) / sizeof(T);
  // Doubling, from a first block of 4 KiB.
  void grow(std::size_t extra) {
    const std::size_t minimum = FSize + extra;
    constexpr std::size_t first = 4096 / sizeof(T) > 0 ? 4096 / sizeof(T) : 1;
    std::size_t target = FCapacity < first ? first : FCapacity * 2;
    if (target < minimum) target = minimum;
    reserve(target);
  }

  T* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
};
