#include "output/OutputRun.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "common/FilePath.h"
#include "model/ModelStore.h"
#include "output/A2lFormat.h"
#include "output/CanapeFormat.h"
#include "output/DuplicateNameWarnings.h"
#include "output/FileOutput.h"
#include "output/MapFormat.h"
#include "output/TypeWalker.h"

namespace Output {

using namespace Model;

namespace {

// The variables whose place the dump could not tell, so that a dump written by an older
// objdump command does not lose or misplace signals silently.
void reportPlacement(const ModelStore& store, std::size_t writtenAtAddressZero,
                     std::ostream& console) {
  const auto variables = [](std::size_t count) {
    return std::to_string(count) + (count == 1 ? " variable" : " variables");
  };
  if (store.unplacedVariables > 0) {
    console << variables(store.unplacedVariables)
            << " could not be placed: the dump holds no address table (.debug_addr) for "
               "them; converting the ELF file places them"
            << std::endl;
  }
  if (!store.piecewiseVariables.empty()) {
    // Named, so that the user can find them in the source; a few are enough to go on.
    std::string names;
    for (std::size_t k = 0; k < store.piecewiseVariables.size() && k < 8; ++k) {
      names += (k == 0 ? "" : ", ") + composeSignalName(store.piecewiseVariables[k], "");
    }
    if (store.piecewiseVariables.size() > 8) names += ", ...";
    console << variables(store.piecewiseVariables.size())
            << " left out: the compiler split them into pieces (DW_OP_piece), which the map "
               "cannot describe: "
            << names << std::endl;
  }
  if (!store.sectionTableRead && writtenAtAddressZero > 0) {
    console << variables(writtenAtAddressZero)
            << " written at address 0x00000000: the dump holds no section table to tell "
               "them from variables the linker removed; converting the ELF file leaves "
               "those out"
            << std::endl;
  }
}

}  // namespace

std::string sourceLocationOf(const ModelStore& store, const VariableInfo& variable) {
  const auto table = store.statementListsByOffset.find(variable.stmtList);
  if (table == store.statementListsByOffset.end()) return {};
  const BasicObject& declaration = variable.declarationSite();
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

OutputTexts buildOutputTexts(const ModelStore& store, std::ostream& console,
                             std::size_t signalLimit, const std::string* a2lModule) {
  OutputTexts texts;
  appendDatabaseHeader(texts.database);
  std::optional<A2lWriter> a2l;
  if (a2lModule != nullptr) a2l.emplace(texts.a2l, *a2lModule, store.littleEndian);
  DuplicateNameWarnings warnings;

  // Each variable with a fixed address is expanded through its type, and its signals are
  // written right away: the texts come out in the same order as when all signals were
  // collected first, without holding them all.
  std::deque<std::string> locations;  // one per variable; the signals refer to them
  std::vector<SignalEntry> entries;
  std::vector<CappedArray> capped;
  const CompleteTypeIndex completeTypes(store);
  TypeWalker walker(&completeTypes, entries, &capped, signalLimit);
  std::size_t writtenAtAddressZero = 0;
  for (const BasicObject* object : store.addressedObjects) {
    const auto* variable = as<VariableInfo>(object);
    if (variable == nullptr) continue;
    // A definition that completes a declaration (a global declared extern in a header,
    // a static data member) is expanded through the type of that declaration.
    const BasicObject* type = variable->typeFollowingSpecification();
    if (type == nullptr) continue;
    SignalEntry entry;
    entry.address = variable->location;
    entry.name = composeSignalName(variable, "");
    entry.sourceLocation = locations.emplace_back(sourceLocationOf(store, *variable));
    const std::string name = entry.name;
    walker.walk(*type, std::move(entry), false);
    if (walker.reachedLimit()) {
      console << "Variable " << name << " is cut off: only its first " << entries.size()
              << " signals are written" << std::endl;
      walker.resetLimit();
    }
    for (const CappedArray& array : capped) {
      console << "Array " << array.name << " has " << array.elements << " elements, only the first "
              << TypeWalker::kMaxArrayElements << " are written" << std::endl;
    }
    capped.clear();

    // One map line and one database line per signal that is not const.
    bool written = false;
    for (SignalEntry& signal : entries) {
      if (signal.isConst) continue;
      written = true;
      const std::uint32_t bitPosition = bitPositionOf(signal, store.littleEndian);
      std::string outputName = outputNameOf(signal, bitPosition);
      appendMapLine(texts.map, signal, outputName);
      appendDatabaseLine(texts.database, signal, outputName, bitPosition);
      if (a2l) a2l->appendMeasurement(signal, signal.name, bitPosition);
      warnings.check(std::move(outputName), signal.sourceLocation);
    }
    entries.clear();
    if (written && variable->location == 0) ++writtenAtAddressZero;
  }
  reportPlacement(store, writtenAtAddressZero, console);
  if (a2l) a2l->finish();
  texts.duplicateFound = warnings.duplicateFound();
  texts.warnings = warnings.text();
  return texts;
}

namespace {

// Whether the file at `path` may be replaced by an A2L text: there is none, or this
// program wrote it.
bool isOursOrMissing(const std::string& path) {
  std::ifstream in(Common::filePath(path), std::ios::binary);
  if (!in) return !std::filesystem::exists(Common::filePath(path));
  std::string head(kA2lMark.size(), '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  return head == kA2lMark;
}

bool writeFiles(const std::string& outFileMap, const std::string& outFileCanape,
                const OutputTexts& texts, const A2lOutput* a2l, std::ostream& console) {
  bool allWritten = writeWholeFile(outFileMap, texts.map, console);
  if (texts.duplicateFound) {
    allWritten =
        writeWholeFile(outFileMap + "_StyleWarnings.log", texts.warnings, console) && allWritten;
  }
  if (!outFileCanape.empty()) {
    allWritten = writeWholeFile(outFileCanape, texts.database, console) && allWritten;
  }
  if (a2l != nullptr) {
    if (isOursOrMissing(a2l->file)) {
      allWritten = writeWholeFile(a2l->file, texts.a2l, console) && allWritten;
    } else {
      console << "Can not create file: " << a2l->file
              << " (a file that skarvel did not write is in its place)" << std::endl;
      allWritten = false;
    }
  }
  return allWritten;
}

}  // namespace

bool generateOutputs(std::string outFileMap, std::string outFileCanape, const ModelStore& store,
                     std::ostream& console) {
  return writeFiles(outFileMap, outFileCanape, buildOutputTexts(store, console), nullptr, console);
}

bool generateOutputs(std::string outFileMap, std::string outFileCanape, const ModelStore& store,
                     std::ostream& console, const A2lOutput& a2l) {
  const OutputTexts texts = buildOutputTexts(store, console, std::size_t{1} << 24, &a2l.moduleName);
  return writeFiles(outFileMap, outFileCanape, texts, &a2l, console);
}

}  // namespace Output
