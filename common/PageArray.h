#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>

#include "common/PageMemory.h"

namespace Common {

// A growing array of plain records in page memory: for the millions of small records that
// a large input makes, which the heap would take from the system a small page, and a
// page fault, at a time.
template <typename T>
class PageArray {
  static_assert(std::is_trivially_copyable_v<T>, "records are moved by copying their bytes");

 public:
  void reserve(std::size_t capacity) {
    if (capacity <= capacity_) return;
    PageMemory memory = allocatePageMemory(capacity * sizeof(T));
    if (size_ != 0) std::memcpy(memory.get(), memory_.get(), size_ * sizeof(T));
    memory_ = std::move(memory);
    capacity_ = capacity;
  }
  void push_back(const T& value) {
    if (size_ == capacity_) reserve(std::max<std::size_t>(1024, 2 * capacity_));
    data()[size_++] = value;
  }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  const T& operator[](std::size_t at) const { return data()[at]; }
  std::span<const T> span() const { return {data(), size_}; }

 private:
  T* data() { return reinterpret_cast<T*>(memory_.get()); }
  const T* data() const { return reinterpret_cast<const T*>(memory_.get()); }

  PageMemory memory_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace Common
