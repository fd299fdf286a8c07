#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "dump/FileTableReader.h"
#include "dump/ImageAddressSection.h"

namespace Model {
class ModelStore;
}

namespace Dump {

// Reads the two tables that place variables besides their own location lines: the
// section table, which tells whether anything of the running image lies at address 0,
// and the address tables of .debug_addr, which DWARF 5 locations index into.
class PlacementReader {
 public:
  explicit PlacementReader(Model::ModelStore& store) : store_(store) {}

  // True when the line belonged to one of the tables.
  bool readLine(std::string_view line, const LineStart& start);

 private:
  bool readSectionLine(std::string_view line, const LineStart& start);
  bool readAddressLine(std::string_view line, const LineStart& start);

  Model::ModelStore& store_;
  bool inSectionTable_ = false;
  bool inAddressSection_ = false;
  // The section of the last row, until its flags line tells whether it is allocated.
  bool sectionCoversZero_ = false;
  bool flagsPending_ = false;                    // a section row was read, its flags line not yet
  std::vector<std::uint32_t>* table_ = nullptr;  // the unit table that rows go to
};

// Completes the placement once the whole dump is read: resolves the address indexes
// through the tables of their units (or, where the dump's tables fall short, through the
// image's section that `image` gives), takes the variables that neither places out of
// `addressedObjects` (counted in `unplacedVariables`), and, when the dump's section
// table shows nothing at address 0, takes out the variables there as well.
void placeVariables(Model::ModelStore& store, const ImageAddressSource& image = {});

// The address at `index` in a unit's part of a DWARF 5 .debug_addr section, which starts
// at the unit's DW_AT_addr_base behind its header (unit length, version 5, address size,
// segment selector size); nothing when the part holds no such address.
std::optional<std::uint32_t> addressInSection(const ImageAddressSection& section,
                                              std::uint32_t addressBase, std::uint32_t index);

}  // namespace Dump
