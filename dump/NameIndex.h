#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace Dump {

// Finds a name of a fixed table with one hash probe, mostly: the reader asks for an
// attribute or tag name on every line of the info section. Names share a prefix
// ("DW_AT_", "DW_TAG_"), so the hash looks at the length and the characters after it.
template <std::size_t Count>
class NameIndex {
 public:
  template <class Row>
  constexpr NameIndex(const std::array<Row, Count>& rows, std::string_view Row::*name,
                      std::size_t prefix)
      : prefix_(prefix) {
    for (auto& slot : slots_)
      slot = kEmpty;
    for (std::size_t row = 0; row < Count; ++row) {
      const std::string_view text = rows[row].*name;
      names_[row] = text;
      std::size_t at = hash(text);
      while (slots_[at] != kEmpty)
        at = (at + 1) % kSlots;
      slots_[at] = row;
    }
  }

  // The row of `name` in the table, or Count when the table has no such name.
  constexpr std::size_t find(std::string_view name) const {
    if (name.size() <= prefix_ + 1) return Count;
    for (std::size_t at = hash(name); slots_[at] != kEmpty; at = (at + 1) % kSlots) {
      if (names_[slots_[at]] == name) return slots_[at];
    }
    return Count;
  }

 private:
  static constexpr std::size_t kSlots = 4 * Count < 64 ? 64 : 4 * Count;
  static constexpr std::size_t kEmpty = Count;

  constexpr std::size_t hash(std::string_view text) const {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    return (text.size() * 31 + at(prefix_) * 7 + at(prefix_ + 1) * 3 + at(text.size() - 1)) %
           kSlots;
  }

  std::size_t prefix_;
  std::array<std::string_view, Count> names_{};
  std::array<std::size_t, kSlots> slots_{};
};

}  // namespace Dump
