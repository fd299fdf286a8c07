#include "elf/Abbreviations.h"

#include "elf/ByteCursor.h"

namespace Elf {

namespace {
constexpr std::uint16_t kImplicitConst = 0x21;  // DW_FORM_implicit_const
}

AbbreviationTable::AbbreviationTable(std::string_view section, bool littleEndian,
                                     std::uint64_t offset) {
  ByteCursor in(section, littleEndian, ".debug_abbrev");
  if (offset > section.size()) {
    throw DwarfError(".debug_abbrev: a unit names the table at offset " + hexText(offset) +
                     ", past the end of the section");
  }
  in.seek(static_cast<std::size_t>(offset));
  bool dense = true;
  for (;;) {
    const std::uint64_t code = in.uleb();
    if (code == 0) break;
    if (code > 0xffffffffu) in.fail("an abbreviation code past 32 bits");
    Abbreviation abbreviation;
    abbreviation.code = static_cast<std::uint32_t>(code);
    const std::uint64_t tag = in.uleb();
    if (tag > 0xffff) in.fail("the tag " + hexText(tag) + ", which no DWARF version defines");
    abbreviation.tag = static_cast<std::uint32_t>(tag);
    abbreviation.hasChildren = in.u8() != 0;
    abbreviation.firstSpec = static_cast<std::uint32_t>(specs_.size());
    for (;;) {
      const std::uint64_t attribute = in.uleb();
      const std::uint64_t form = in.uleb();
      if (attribute == 0 && form == 0) break;
      if (attribute > 0xffff || form > 0xffff) {
        in.fail("an attribute or form code past any that DWARF defines");
      }
      AttributeSpec spec{static_cast<std::uint16_t>(attribute), static_cast<std::uint16_t>(form),
                         0};
      if (form == kImplicitConst) {
        spec.implicitConst = static_cast<std::uint32_t>(implicitConsts_.size());
        implicitConsts_.push_back(in.sleb());
      }
      specs_.push_back(spec);
    }
    abbreviation.specCount = static_cast<std::uint32_t>(specs_.size()) - abbreviation.firstSpec;
    if (abbreviation.code != abbreviations_.size() + 1) dense = false;
    abbreviations_.push_back(abbreviation);
  }
  // Codes that do not run 1, 2, 3, ... are found through an index. A code defined twice
  // keeps its first definition; the later one is never found.
  if (!dense) {
    for (std::size_t k = 0; k < abbreviations_.size(); ++k) {
      if (!byCode_.try_emplace(abbreviations_[k].code, k).second) abbreviations_[k].code = 0;
    }
  }
  abbreviations_.shrink_to_fit();
  specs_.shrink_to_fit();
}

const AbbreviationTable& AbbreviationTables::at(std::uint64_t offset) {
  std::unique_ptr<AbbreviationTable>& table = tables_[offset];
  if (table == nullptr)
    table = std::make_unique<AbbreviationTable>(section_, littleEndian_, offset);
  return *table;
}

}  // namespace Elf
