#include "dump/PlacementReader.h"

#include <algorithm>

#include "dump/LinePatterns.h"
#include "dump/NumberText.h"
#include "model/ModelStore.h"

namespace Dump {

bool PlacementReader::readLine(std::string_view line, const LineStart& start) {
  // Both tables open with a line at the left margin, which most dump lines are not.
  const bool inTable = inSectionTable_ || inAddressSection_;
  if (!inTable && start.indent != 0) return false;
  // A blank line (after the header of .debug_addr) leaves a table open.
  if (line.empty()) return inTable;
  if (start.indent == 0) {
    // A line at the margin opens a table or ends the one that is open; the column line
    // of the section table is the only one inside it.
    if (inSectionTable_ && line.starts_with("Idx ")) return true;
    inSectionTable_ = false;
    inAddressSection_ = false;
    table_ = nullptr;
    if (start.first == 'S' && sectionTableHeaderPattern.matches(line)) {
      inSectionTable_ = true;
      store_.sectionTableRead = true;
      return true;
    }
    if (start.first == 'C' && addressTableHeaderPattern.matches(line)) {
      inAddressSection_ = true;
      store_.addressTablesRead = true;
      return true;
    }
    return false;
  }
  return inSectionTable_ ? readSectionLine(line, start) : readAddressLine(line, start);
}

bool PlacementReader::readSectionLine(std::string_view line, const LineStart& start) {
  if (!start.indentedBySpaces) return false;
  Groups3 row;
  if (sectionRowPattern.match(line, row)) {
    const std::uint32_t size = readHex(row[1]);
    const std::uint32_t address = readHex(row[2]);
    sectionCoversZero_ = address == 0 && size > 0;
    store_.sections.push_back({std::string(row[0]), address, size, false});
    flagsPending_ = true;
    return true;
  }
  // The flags line follows its section's row.
  if (flagsPending_ && allocatedSectionFlagsPattern.matches(line)) {
    store_.addressZeroAllocated = store_.addressZeroAllocated || sectionCoversZero_;
    store_.sections.back().allocated = true;
  }
  flagsPending_ = false;
  sectionCoversZero_ = false;
  return true;
}

bool PlacementReader::readAddressLine(std::string_view line, const LineStart& start) {
  Groups1 unit;
  if (start.indentedBySpaces && addressTableUnitPattern.match(line, unit)) {
    // A unit named twice keeps its first table.
    const auto [table, added] = store_.addressTablesByUnit.try_emplace(readHex(unit[0]));
    table_ = added ? &table->second : nullptr;
    return true;
  }
  Groups2 row;
  if (table_ != nullptr && addressTableRowPattern.match(line, row)) {
    // Rows come numbered from 0 without gaps; a row out of turn makes the table unusable
    // past it rather than misplaced.
    if (readDecimal(row[0]) == table_->size()) {
      table_->push_back(readHex(row[1]));
    } else {
      table_ = nullptr;
    }
  }
  return true;
}

std::optional<std::uint32_t> addressInSection(const ImageAddressSection& section,
                                              std::uint32_t addressBase, std::uint32_t index) {
  const std::string& bytes = section.bytes;
  // Unsigned numbers of the image's byte order.
  const auto number = [&](std::uint64_t at, unsigned width) {
    std::uint64_t value = 0;
    for (unsigned k = 0; k < width; ++k) {
      const std::uint64_t byte = section.littleEndian ? at + width - 1 - k : at + k;
      value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(byte)]);
    }
    return value;
  };
  constexpr unsigned kHeaderSize = 8;  // of the 32-bit DWARF format, the one ARM images use
  if (addressBase < kHeaderSize || addressBase > bytes.size()) return std::nullopt;
  const std::uint64_t header = addressBase - kHeaderSize;
  const std::uint64_t unitLength = number(header, 4);
  const std::uint64_t version = number(header + 4, 2);
  const unsigned addressSize = static_cast<unsigned char>(bytes[header + 6]);
  const unsigned selectorSize = static_cast<unsigned char>(bytes[header + 7]);
  if (unitLength >= 0xfffffff0u || version != 5 || selectorSize != 0 ||
      (addressSize != 4 && addressSize != 8)) {
    return std::nullopt;
  }
  const std::uint64_t end = std::min<std::uint64_t>(header + 4 + unitLength, bytes.size());
  const std::uint64_t at = addressBase + std::uint64_t{index} * addressSize;
  if (at + addressSize > end) return std::nullopt;
  // The model keeps 32-bit addresses.
  return static_cast<std::uint32_t>(number(at, addressSize));
}

void placeVariables(Model::ModelStore& store, const ImageAddressSource& image) {
  std::vector<const Model::BasicObject*> unplaced;
  std::optional<ImageAddressSection> imageSection;
  bool imageAsked = false;
  for (const Model::ModelStore::IndexedLocation& indexed : store.indexedLocations) {
    const auto table = store.addressTablesByUnit.find(indexed.unitOffset);
    if (table != store.addressTablesByUnit.end() && indexed.index < table->second.size()) {
      indexed.variable->location = table->second[indexed.index];
      continue;
    }
    if (!imageAsked && image) imageSection = image();
    imageAsked = true;
    store.imageAddressSectionRead = imageSection.has_value();
    const auto base = store.addressBasesByUnit.find(indexed.unitOffset);
    std::optional<std::uint32_t> address;
    if (imageSection && base != store.addressBasesByUnit.end()) {
      address = addressInSection(*imageSection, base->second, indexed.index);
    }
    if (address) {
      indexed.variable->location = *address;
    } else {
      unplaced.push_back(indexed.variable);
    }
  }
  store.unplacedVariables = unplaced.size();
  std::sort(unplaced.begin(), unplaced.end());

  // GDB's rule: at address 0 lies a variable the linker removed, unless a section of the
  // image covers address 0 (a part whose flash or RAM starts there). A dump without a
  // section table cannot tell, and keeps them.
  const bool dropAddressZero = store.sectionTableRead && !store.addressZeroAllocated;
  std::erase_if(store.addressedObjects, [&](const Model::BasicObject* object) {
    if (std::binary_search(unplaced.begin(), unplaced.end(), object)) return true;
    const auto* variable = Model::as<Model::VariableInfo>(object);
    const bool removed = dropAddressZero && variable != nullptr && variable->location == 0;
    if (removed) store.removedVariables.push_back(variable);
    return removed;
  });
}

}  // namespace Dump
