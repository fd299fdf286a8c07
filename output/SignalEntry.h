#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Output {

// One flattened signal: a leaf of a variable's type with its place in target memory.
struct SignalEntry {
  std::uint32_t address = 0;
  std::uint32_t bitOffset = 0;  // DW_AT_bit_offset of the bit field passed last, else 0
  std::uint32_t bitSize = 0;    // 0: not a bit field
  std::uint32_t size = 0;       // bytes of the leaf (of the storage unit for a bit field)
  // "function", "enumeration", "pointer", or a base type's encoding in words; the text
  // lives as long as the store.
  std::string_view typeName;
  std::string name;
  // "<file>(<line>)" of the variable's declaration, kept by whoever made the entry.
  std::string_view sourceLocation;
  bool isConst = false;
  bool isSigned = false;
};

}  // namespace Output
