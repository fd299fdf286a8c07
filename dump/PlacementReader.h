#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "dump/FileTableReader.h"

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
  std::vector<std::uint32_t>* table_ = nullptr;  // the unit table that rows go to
};

// Completes the placement once the whole dump is read: resolves the address indexes
// through the tables of their units, takes the variables that no table places out of
// `addressedObjects` (counted in `unplacedVariables`), and, when the dump's section
// table shows nothing at address 0, takes out the variables there as well.
void placeVariables(Model::ModelStore& store);

}  // namespace Dump
