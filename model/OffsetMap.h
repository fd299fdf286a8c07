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
// spread evenly over a dump, so a lookup guesses the place from the offset first and
// then searches around the guess.
class OffsetMap {
 public:
  void insert(std::uint32_t offset, BasicObject* object) {
    if (!entries_.empty()) {
      if (entries_.back().first == offset) return;
      if (entries_.back().first > offset) sorted_ = false;
    }
    entries_.emplace_back(offset, object);
  }

  // Room for `count` entries, for a map whose size is known before it is filled.
  void reserve(std::size_t count) { entries_.reserve(count); }

  void seal() {
    if (sorted_) return;
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });
    // Of equal offsets the first inserted stays.
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
    if (entries_.empty() || offset < entries_.front().first || offset > entries_.back().first) {
      return nullptr;
    }
    // The guess, then a window around it that doubles until it holds the offset.
    const std::uint64_t span = entries_.back().first - entries_.front().first;
    const std::size_t last = entries_.size() - 1;
    const std::size_t guess = span == 0
                                  ? 0
                                  : static_cast<std::size_t>((offset - entries_.front().first) *
                                                             std::uint64_t{last} / span);
    std::size_t low = guess;
    std::size_t high = guess;
    for (std::size_t step = 1; low > 0 && entries_[low].first > offset; step *= 2) {
      low = low > step ? low - step : 0;
    }
    for (std::size_t step = 1; high < last && entries_[high].first < offset; step *= 2) {
      high = std::min(last, high + step);
    }
    const auto begin = entries_.begin() + static_cast<std::ptrdiff_t>(low);
    const auto end = entries_.begin() + static_cast<std::ptrdiff_t>(high) + 1;
    const auto at = std::lower_bound(
        begin, end, offset, [](const Entry& e, std::uint32_t key) { return e.first < key; });
    return at != end && at->first == offset ? at->second : nullptr;
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
