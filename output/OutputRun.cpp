#include "output/OutputRun.h"

#include <algorithm>
#include <vector>

#include "dump/EntryReader.h"
#include "model/ModelStore.h"
#include "output/CanapeFormat.h"
#include "output/FileOutput.h"
#include "output/MapFormat.h"
#include "output/StaticNameWarnings.h"
#include "output/TypeWalker.h"

namespace Output {

using namespace Model;

namespace {

// The type a variable is expanded through: its own, or, for a definition that completes
// a declaration (a global declared extern in a header, a static data member), the type
// of that declaration.
const BasicObject* typeToExpand(const VariableInfo& variable) {
  if (variable.type != nullptr || variable.specification == nullptr) return variable.type;
  if (const auto* declared = dynamic_cast<const VariableInfo*>(variable.specification)) {
    return declared->type;
  }
  if (const auto* member = dynamic_cast<const TypeInfo_Member*>(variable.specification)) {
    return member->type;
  }
  return nullptr;
}

}  // namespace

std::string sourceLocationOf(const ModelStore& store, const VariableInfo& variable) {
  const auto table = store.statementListsByOffset.find(variable.stmtList);
  if (table == store.statementListsByOffset.end()) return {};
  const BasicObject& declaration = variable.specification != nullptr
                                       ? *variable.specification
                                       : static_cast<const BasicObject&>(variable);
  const std::string* file = table->second->file(declaration.declFile);
  std::string location = file != nullptr ? *file : std::string("unknown");
  location += '(';
  location += declaration.declLine;
  location += ')';
  return location;
}

std::uint32_t bitPositionOf(const SignalEntry& entry, bool littleEndian) {
  return littleEndian ? entry.size * 8 - entry.bitOffset - entry.bitSize : entry.bitOffset;
}

std::string outputNameOf(const SignalEntry& entry, std::uint32_t bitPosition) {
  if (entry.bitSize == 0) return entry.name;
  std::string name = entry.name;
  name += entry.bitSize == 1 ? "_Bit:" : "_Bits:";
  // A bit field is never wider than 64 bits; a broken dump's wider one lists 64.
  const std::uint32_t listed = std::min<std::uint32_t>(entry.bitSize, 64);
  for (std::uint32_t bit = 0; bit < listed; ++bit)
    name += std::to_string(bitPosition + bit);
  return name;
}

void generateOutputs(std::string outFileMap, std::string outFileCanape, const ModelStore& store,
                     std::ostream& console) {
  std::string database;
  appendDatabaseHeader(database);

  // Variable pass: every variable with a fixed address, expanded through its type.
  std::vector<SignalEntry> entries;
  const CompleteTypeIndex completeTypes(store);
  TypeWalker walker(&completeTypes, entries);
  for (const BasicObject* object : store.addressedObjects) {
    const auto* variable = dynamic_cast<const VariableInfo*>(object);
    if (variable == nullptr) continue;
    const BasicObject* type = typeToExpand(*variable);
    if (type == nullptr) continue;
    SignalEntry entry;
    entry.address = variable->location;
    entry.name = composeSignalName(variable, "");
    entry.sourceLocation = sourceLocationOf(store, *variable);
    entry.variableOffset = variable->offset;
    walker.walk(*type, std::move(entry), false);
  }

  // Entry pass: one map line and one database line per signal that is not const.
  std::string map;
  map.reserve(entries.size() * 64);
  database.reserve(database.size() + entries.size() * 250);
  StaticNameWarnings warnings;
  for (const SignalEntry& entry : entries) {
    if (entry.isConst) continue;
    const std::uint32_t bitPosition = bitPositionOf(entry, Dump::littleEndianTarget);
    const std::string outputName = outputNameOf(entry, bitPosition);
    appendMapLine(map, entry, outputName);
    appendDatabaseLine(database, entry, outputName, bitPosition);
    warnings.check(outputName, entry.sourceLocation);
  }

  writeWholeFile(outFileMap, map, console);
  if (warnings.duplicateFound()) {
    writeWholeFile(outFileMap + "_StyleWarnings.log", warnings.text(), console);
  }
  if (!outFileCanape.empty()) writeWholeFile(outFileCanape, database, console);
}

}  // namespace Output
