#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "output/A2lVariables.h"
#include "output/SignalEntry.h"

namespace Model {
class ModelStore;
class VariableInfo;
}  // namespace Model

namespace Output {

class TextSink;

// The last stage of a conversion: expands every variable with a fixed address into its
// signals and writes the map, the warnings log (only when two signals share a name) and
// the database. A file that cannot be written is reported on `console`, the others are
// still written; returns whether every file was.
bool generateOutputs(std::string outFileMap, std::string outFileCanape,
                     const Model::ModelStore& store, std::ostream& console);

// The A2L description that a run writes too when asked: the file, and the name of the
// project and module in it (the image's).
struct A2lOutput {
  std::string file;
  std::string moduleName;
  // Further variables that become characteristics.
  CharacteristicOptions characteristics = {};
  // Writes the A2L file that a project keeps, updated, instead of one made from the
  // signals: into the file as it goes, since it may be many megabytes.
  std::function<void(TextSink&)> writeUpdated = nullptr;
};
// The same, and the A2L file besides. A file at its path that this program did not write
// is left alone and reported.
bool generateOutputs(std::string outFileMap, std::string outFileCanape,
                     const Model::ModelStore& store, std::ostream& console, const A2lOutput& a2l);

// The files of a run, written first and put in place later: a caller that has yet to
// learn whether the run may replace the earlier files (objdump's status) writes them
// meanwhile, and then commits them or lets them go. Files not committed leave nothing.
class OutputFiles {
 public:
  // The A2L file too when `a2l` is given.
  OutputFiles(const std::string& outFileMap, const std::string& outFileCanape,
              std::optional<A2lOutput> a2l);
  ~OutputFiles();
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // Expands the signals into the temporary files; an array or variable cut, and the
  // variables the dump could not place, are named on `console`.
  void write(const Model::ModelStore& store, std::ostream& console);
  // Puts the files in place: map, log (only when two signals share a name), database,
  // A2L. A file that cannot be written is reported on `console`, the others are still put
  // in place; returns whether every file was.
  bool commit(std::ostream& console);

 private:
  struct Files;
  std::unique_ptr<Files> files_;
};

// The contents of the three files, built in memory.
struct OutputTexts {
  std::string map;
  std::string database;
  std::string warnings;
  std::string a2l;              // only when asked for
  bool duplicateFound = false;  // the warnings log is written only then
};

// Builds the three texts; an array or a variable too large to list whole is named on
// `console`, and so are variables the dump could not place for sure. `signalLimit` caps
// the signals of one variable.
// With an `a2lModule`, the A2L text is built as well.
OutputTexts buildOutputTexts(const Model::ModelStore& store, std::ostream& console,
                             std::size_t signalLimit = std::size_t{1} << 24,
                             const std::string* a2lModule = nullptr,
                             const CharacteristicOptions& characteristics = {});

// "<file>(<line>)" for the variable's declaration, from its compile unit's file table;
// "unknown(<line>)" when the table has no such file, empty when the unit has no table.
std::string sourceLocationOf(const Model::ModelStore& store, const Model::VariableInfo& variable);

// The lowest bit of a bit field in its storage unit, numbered from the least significant
// bit on a little-endian target.
std::uint32_t bitPositionOf(const SignalEntry& entry, bool littleEndian);

// A bit field that runs past the end of its storage unit at its address (in a packed
// structure) moves forward by whole bytes until the unit holds it, so that the value read
// there returns every bit of it; its bits are numbered from there. Others stay as they are.
void fitBitFieldInUnit(SignalEntry& entry, bool littleEndian);

// The output name of a signal: its name, and for a bit field "_Bit:" or "_Bits:" with the
// numbers of its bits written one after another.
std::string outputNameOf(const SignalEntry& entry, std::uint32_t bitPosition);
// The same into `name`, which keeps its memory.
void spellOutputName(std::string& name, const SignalEntry& entry, std::uint32_t bitPosition);

}  // namespace Output
