#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "common/PageMemory.h"

namespace Common {

// A set of names, each kept as a 96-bit fingerprint with one number beside it, instead of
// a copy of the name: an image with a million signals needs 16 MB here rather than the
// names themselves. Two different names share a fingerprint with a chance far below
// one in 10^17 for a million names, which no real image comes near.
class FingerprintTable {
 public:
  // The number kept for `name`; a new name is added with `value`. The pointer stays
  // valid until the next insert.
  struct Found {
    std::uint32_t* value;
    bool inserted;
  };
  Found insert(std::string_view name, std::uint32_t value) { return insert(keyOf(name), value); }

  // The fingerprint of a name. The table is far larger than any cache and a name lands
  // anywhere in it, so a caller with other work to do asks for the key first: the slot
  // is fetched from memory while that work is done.
  struct Key {
    std::uint64_t high;
    std::uint32_t low;
  };
  Key keyOf(std::string_view name) const {
    const Key key = fingerprintOf(name);
#if defined(__GNUC__) || defined(__clang__)
    if (capacity_ > 0) __builtin_prefetch(&slots()[key.high & (capacity_ - 1)]);
#endif
    return key;
  }

  Found insert(const Key& key, std::uint32_t value) {
    if (2 * (used_ + 1) > capacity_) grow();
    const std::size_t mask = capacity_ - 1;
    for (std::size_t at = key.high & mask;; at = (at + 1) & mask) {
      Slot& slot = slots()[at];
      if (slot.high == key.high && slot.low == key.low) return {&slot.value, false};
      if (slot.high == 0) {
        slot.high = key.high;
        slot.low = key.low;
        slot.value = value;
        ++used_;
        return {&slot.value, true};
      }
    }
  }

 private:
  // Zero-filled memory is a table of free slots.
  struct Slot {
    std::uint64_t high;  // never 0 in a used slot
    std::uint32_t low;
    std::uint32_t value;
  };
  Slot* slots() const {
    return reinterpret_cast<Slot*>(memory_.get());
  }

  static std::uint64_t mixed(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
  }

  // Two independent 64-bit hashes of the name, eight bytes at a time.
  static Key fingerprintOf(std::string_view name) {
    std::uint64_t a = 0x9e3779b97f4a7c15ull ^ name.size();
    std::uint64_t b = 0xd6e8feb86659fd93ull + name.size();
    std::size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
      std::uint64_t word;
      std::memcpy(&word, name.data() + i, 8);
      a = (a ^ word) * 0x100000001b3ull;
      a ^= a >> 29;
      b = (b + word) * 0xbf58476d1ce4e5b9ull;
      b ^= b >> 31;
    }
    std::uint64_t tail = 0;
    if (i < name.size()) std::memcpy(&tail, name.data() + i, name.size() - i);
    a = mixed(a ^ tail);
    b = mixed(b + tail + 1);
    return {a != 0 ? a : 1, static_cast<std::uint32_t>(b)};
  }

  void grow() {
    const std::size_t capacity = capacity_ == 0 ? 1024 : 2 * capacity_;
    PageMemory memory = allocatePageMemory(capacity * sizeof(Slot));
    Slot* const larger = reinterpret_cast<Slot*>(memory.get());
    const std::size_t mask = capacity - 1;
    for (std::size_t k = 0; k < capacity_; ++k) {
      const Slot& slot = slots()[k];
      if (slot.high == 0) continue;
      std::size_t at = slot.high & mask;
      while (larger[at].high != 0)
        at = (at + 1) & mask;
      larger[at] = slot;
    }
    memory_ = std::move(memory);
    capacity_ = capacity;
  }

  PageMemory memory_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
};

}  // namespace Common
