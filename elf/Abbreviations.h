#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Elf {

// One attribute of an abbreviation: which attribute, in which form; an implicit constant
// (DW_FORM_implicit_const) keeps its value here, as the entries do not.
struct AttributeSpec {
  std::uint16_t attribute;
  std::uint16_t form;
  std::int64_t implicitConst;
};

struct Abbreviation {
  std::uint64_t code = 0;
  std::uint32_t tag = 0;
  bool hasChildren = false;
  std::uint32_t firstSpec = 0;  // into the table's specs
  std::uint32_t specCount = 0;
};

// The abbreviation table at one offset of .debug_abbrev. Codes are looked up once per
// entry: they mostly run 1, 2, 3, ..., so the code is tried as an index first.
class AbbreviationTable {
 public:
  // Reads the table at `offset` up to its terminating code 0.
  AbbreviationTable(std::string_view section, bool littleEndian, std::uint64_t offset);

  // Null when the table has no such code.
  const Abbreviation* find(std::uint64_t code) const {
    if (code - 1 < abbreviations_.size() && abbreviations_[code - 1].code == code) {
      return &abbreviations_[code - 1];
    }
    const auto found = byCode_.find(code);
    return found != byCode_.end() ? &abbreviations_[found->second] : nullptr;
  }
  const AttributeSpec* specsOf(const Abbreviation& abbreviation) const {
    return specs_.data() + abbreviation.firstSpec;
  }

 private:
  std::vector<Abbreviation> abbreviations_;
  std::vector<AttributeSpec> specs_;
  std::unordered_map<std::uint64_t, std::size_t> byCode_;
};

// The tables of .debug_abbrev, each read once, when the first unit names its offset.
class AbbreviationTables {
 public:
  AbbreviationTables(std::string_view section, bool littleEndian)
      : section_(section), littleEndian_(littleEndian) {}
  const AbbreviationTable& at(std::uint64_t offset);

 private:
  std::string_view section_;
  bool littleEndian_;
  std::unordered_map<std::uint64_t, std::unique_ptr<AbbreviationTable>> tables_;
};

}  // namespace Elf
