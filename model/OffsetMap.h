#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Model {

class BasicObject;

// DIE offset -> object, keeping the first object inserted for an offset. Offsets arrive
// mostly in increasing order, so the map is a vector that is appended to, sorted once in
// seal() where an offset came out of order (dumps joined one after another). DIE offsets
// of one dump are dense, so a sealed map also keeps a table indexed by offset when that
// costs no more than a few times the entries themselves.
class OffsetMap {
 public:
  void insert(std::uint32_t offset, BasicObject* object) {
    if (!entries_.empty()) {
      if (entries_.back().first == offset) return;
      if (entries_.back().first > offset) sorted_ = false;
    }
    entries_.emplace_back(offset, object);
    direct_.clear();
  }

  void seal() {
    if (!sorted_) {
      std::stable_sort(entries_.begin(), entries_.end(),
                       [](const Entry& a, const Entry& b) { return a.first < b.first; });
      // Of equal offsets the first inserted stays.
      entries_.erase(std::unique(entries_.begin(), entries_.end(),
                                 [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                     entries_.end());
      sorted_ = true;
    }
    if (!entries_.empty() && entries_.back().first / kDensity < entries_.size()) {
      direct_.assign(std::size_t{entries_.back().first} + 1, nullptr);
      for (const Entry& entry : entries_)
        direct_[entry.first] = entry.second;
    }
  }

  BasicObject* find(std::uint32_t offset) const {
    if (!direct_.empty()) return offset < direct_.size() ? direct_[offset] : nullptr;
    if (!sorted_) {
      for (const Entry& entry : entries_) {
        if (entry.first == offset) return entry.second;
      }
      return nullptr;
    }
    const auto at =
        std::lower_bound(entries_.begin(), entries_.end(), offset,
                         [](const Entry& e, std::uint32_t key) { return e.first < key; });
    return at != entries_.end() && at->first == offset ? at->second : nullptr;
  }

  // The number of distinct offsets once sealed.
  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

 private:
  using Entry = std::pair<std::uint32_t, BasicObject*>;
  // A table by offset is kept while offsets average no more than this apart.
  static constexpr std::uint32_t kDensity = 16;

  std::vector<Entry> entries_;
  std::vector<BasicObject*> direct_;
  bool sorted_ = true;
};

}  // namespace Model
