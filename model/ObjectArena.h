#pragma once

#include <cstddef>
#include <future>
#include <memory>
#include <memory_resource>
#include <new>
#include <utility>
#include <vector>

#include "common/PageMemory.h"

namespace Model {

// Holds the memory of the model objects of one store, and of their lists of children,
// in large blocks: a dump makes one object per entry, hundreds of thousands of them,
// and giving each its own allocation (and its own release when the store goes) cost a
// third of a conversion. The arena keeps their memory and gives it back, all at once,
// when it goes; a store then lets its tree go without taking it apart (the objects hold
// nothing else), while an object that its owner destroys takes its subtree with it.
class ObjectArena : public std::pmr::memory_resource {
 public:
  ObjectArena() = default;
  ~ObjectArena() override { finishFilling(); }
  ObjectArena(const ObjectArena&) = delete;
  ObjectArena& operator=(const ObjectArena&) = delete;

  // The model is complete: the block taken ahead for it is given back, and later objects
  // take blocks as they need them.
  void finishFilling() {
    filling_ = false;
    if (ahead_.valid()) ahead_.get();
  }

  // Constructs a T in the arena.
  template <class T, class... Arguments>
  T* make(Arguments&&... arguments) {
    return ::new (do_allocate(sizeof(T), alignof(T))) T(std::forward<Arguments>(arguments)...);
  }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{2} << 20;

  void* do_allocate(std::size_t size, std::size_t alignment) override {
    void* at = next_;
    if (at == nullptr || std::align(alignment, size, at, left_) == nullptr) {
      const std::size_t blockSize = size + alignment > kBlockSize ? size + alignment : kBlockSize;
      // A small model touches only part of its first block. A larger one fills every
      // block but its last, whose pages are then mapped at once, the next one on another
      // thread while this one fills: the system's zeroing of fresh pages costs as much as
      // building the objects in them.
      const bool ownSize = blockSize != kBlockSize;
      if (ownSize || blocks_.empty()) {
        blocks_.push_back(Common::allocatePageMemory(blockSize));
      } else {
        blocks_.push_back(ahead_.valid() ? ahead_.get() : Common::allocateFilledMemory(kBlockSize));
      }
      if (!ownSize && filling_ && blocks_.size() >= 2) {
        ahead_ =
            std::async(std::launch::async, [] { return Common::allocateFilledMemory(kBlockSize); });
      }
      at = blocks_.back().get();
      left_ = blockSize;
      std::align(alignment, size, at, left_);
    }
    next_ = static_cast<std::byte*>(at) + size;
    left_ -= size;
    return at;
  }
  // Memory comes back only with the arena.
  void do_deallocate(void*, std::size_t, std::size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  std::vector<Common::PageMemory> blocks_;
  std::future<Common::PageMemory> ahead_;
  bool filling_ = true;
  void* next_ = nullptr;
  std::size_t left_ = 0;
};

}  // namespace Model
