#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Elf {

// One attribute of an abbreviation: which attribute, in which form. An implicit constant
// (DW_FORM_implicit_const) keeps its value in the table, as the entries do not. A unit
// of a large image has a table of its own, hundreds of them, so the rows are kept small.
struct AttributeSpec {
  std::uint16_t attribute;
  std::uint16_t form;
  std::uint32_t implicitConst;  // the index of its value in the table, for that form
};

struct Abbreviation {
  std::uint32_t code = 0;
  std::uint32_t tag = 0;
  std::uint32_t firstSpec = 0;  // into the table's specs
  std::uint32_t specCount = 0;
  bool hasChildren = false;
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
    if (byCode_.empty()) return nullptr;
    const auto found = byCode_.find(code);
    return found != byCode_.end() ? &abbreviations_[found->second] : nullptr;
  }
  const AttributeSpec* specsOf(const Abbreviation& abbreviation) const {
    return specs_.data() + abbreviation.firstSpec;
  }
  std::int64_t implicitConst(const AttributeSpec& spec) const {
    return spec.implicitConst < implicitConsts_.size() ? implicitConsts_[spec.implicitConst] : 0;
  }

 private:
  std::vector<Abbreviation> abbreviations_;
  std::vector<AttributeSpec> specs_;
  std::vector<std::int64_t> implicitConsts_;
  // Only for a table whose codes do not run 1, 2, 3, ...
  std::unordered_map<std::uint64_t, std::size_t> byCode_;
};

// The tables of .debug_abbrev, each read once, when the first unit names its offset.
class AbbreviationTables {
 public:
  AbbreviationTables(std::string_view section, bool littleEndian)
      : section_(section), littleEndian_(littleEndian) {}
  const AbbreviationTable& at(std::uint64_t offset);
  // Forgets the tables read so far; a later unit that names one reads it again.
  void clear() { tables_.clear(); }

 private:
  std::string_view section_;
  bool littleEndian_;
  std::unordered_map<std::uint64_t, std::unique_ptr<AbbreviationTable>> tables_;
};

}  // namespace Elf
