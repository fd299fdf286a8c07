#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Model {

class BasicObject;

// DIE offset -> object, keeping the first object inserted for an offset. Offsets arrive
// mostly in increasing order, so the map is a sorted vector that is appended to; an
// offset out of order marks it for one stable sort in seal().
class OffsetMap {
 public:
  void insert(std::uint32_t offset, BasicObject* object) {
    if (!entries_.empty()) {
      if (entries_.back().first == offset) return;
      if (entries_.back().first > offset) sorted_ = false;
    }
    entries_.emplace_back(offset, object);
  }

  // Sorts after out-of-order insertions; of equal offsets the first inserted stays.
  void seal() {
    if (sorted_) return;
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
    entries_.erase(std::unique(entries_.begin(), entries_.end(),
                               [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                   entries_.end());
    sorted_ = true;
  }

  BasicObject* find(std::uint32_t offset) const {
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

  std::vector<Entry> entries_;
  bool sorted_ = true;
};

}  // namespace Model
