// The memory table's cell storage: one contiguous array of cells that grows in place.
//
// Cells are plain values, so the array lives in a block from malloc and grows with realloc.
// For a large block the C library moves the pages instead of copying them, so a load of many
// records neither copies what it already stored nor touches the memory twice, as a
// std::vector's grow-and-copy would.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

#include "platform/db/DB.h"

class TCellArray {
  static_assert(std::is_trivially_copyable_v<TFieldCell>, "cells are moved with memcpy/realloc");

 public:
  TCellArray() = default;
  ~TCellArray() { std::free(FData); }
  TCellArray(const TCellArray&) = delete;
  TCellArray& operator=(const TCellArray&) = delete;

  std::size_t size() const { return FSize; }
  std::size_t capacity() const { return FCapacity; }
  TFieldCell* data() { return FData; }
  const TFieldCell* data() const { return FData; }

  // Room for COUNT cells in all; std::bad_alloc when that cannot be had (nothing changes then).
  void reserve(std::size_t count) {
    if (count <= FCapacity) return;
    if (count > kMaxCells) throw std::bad_alloc();
    void* grown = std::realloc(FData, count * sizeof(TFieldCell));
    if (!grown) throw std::bad_alloc();
    FData = static_cast<TFieldCell*>(grown);
    FCapacity = count;
  }
  // Appends COUNT cells from CELLS (which must not point into this array).
  void append(const TFieldCell* cells, std::size_t count) {
    if (count > FCapacity - FSize) [[unlikely]]
      grow(count);
    std::memcpy(static_cast<void*>(FData + FSize), cells, count * sizeof(TFieldCell));
    FSize += count;
  }
  // Inserts COUNT cells from CELLS (not from this array) before cell POS (POS <= size()).
  void insert(std::size_t pos, const TFieldCell* cells, std::size_t count) {
    if (count > FCapacity - FSize) grow(count);
    std::memmove(static_cast<void*>(FData + pos + count), FData + pos, (FSize - pos) * sizeof(TFieldCell));
    std::memcpy(static_cast<void*>(FData + pos), cells, count * sizeof(TFieldCell));
    FSize += count;
  }
  // Removes COUNT cells from POS on (POS + COUNT <= size()).
  void erase(std::size_t pos, std::size_t count) {
    std::memmove(static_cast<void*>(FData + pos), FData + pos + count, (FSize - pos - count) * sizeof(TFieldCell));
    FSize -= count;
  }
  // Empties the array and keeps its block.
  void clear() { FSize = 0; }
  // Empties the array and gives its block back.
  void release() {
    std::free(FData);
    FData = nullptr;
    FSize = FCapacity = 0;
  }

 private:
  static constexpr std::size_t kMaxCells = (std::size_t(1) << 40) / sizeof(TFieldCell);
  // Doubling, starting at a size worth a block of its own.
  void grow(std::size_t extra) {
    const std::size_t minimum = FSize + extra;
    std::size_t target = FCapacity < 4096 ? 4096 : FCapacity * 2;
    if (target < minimum) target = minimum;
    reserve(target);
  }

  TFieldCell* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
};
