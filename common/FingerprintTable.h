#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

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
  Found insert(std::string_view name, std::uint32_t value) {
    const Slot key = fingerprintOf(name);
    if (2 * (used_ + 1) > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = key.high & mask;; at = (at + 1) & mask) {
      Slot& slot = slots_[at];
      if (slot.high == key.high && slot.low == key.low) return {&slot.value, false};
      if (slot.high == 0) {
        slot = key;
        slot.value = value;
        ++used_;
        return {&slot.value, true};
      }
    }
  }

 private:
  struct Slot {
    std::uint64_t high = 0;  // never 0 in a used slot
    std::uint32_t low = 0;
    std::uint32_t value = 0;
  };

  static std::uint64_t mixed(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
  }

  // Two independent 64-bit hashes of the name, eight bytes at a time.
  static Slot fingerprintOf(std::string_view name) {
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
    Slot key;
    key.high = a != 0 ? a : 1;
    key.low = static_cast<std::uint32_t>(b);
    return key;
  }

  void grow() {
    std::vector<Slot> larger(slots_.empty() ? 1024 : 2 * slots_.size());
    const std::size_t mask = larger.size() - 1;
    for (const Slot& slot : slots_) {
      if (slot.high == 0) continue;
      std::size_t at = slot.high & mask;
      while (larger[at].high != 0)
        at = (at + 1) & mask;
      larger[at] = slot;
    }
    slots_ = std::move(larger);
  }

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

}  // namespace Common
