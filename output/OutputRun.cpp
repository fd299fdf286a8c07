#include "output/OutputRun.h"

#include <algorithm>
#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
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

std::string variablesCounted(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " variable" : " variables");
}

// The first few variables of a list by name, so that the user can find them in the
// source.
std::string someNames(const std::vector<const VariableInfo*>& variables) {
  std::string names;
  for (std::size_t k = 0; k < variables.size() && k < 8; ++k) {
    names += (k == 0 ? "" : ", ") + composeSignalName(variables[k], "");
  }
  if (variables.size() > 8) names += ", ...";
  return names;
}

// The variables whose place the dump could not tell, so that a dump written by an older
// objdump command does not lose or misplace signals silently.
void reportPlacement(const ModelStore& store, std::size_t writtenAtAddressZero,
                     std::ostream& console) {
  const auto variables = variablesCounted;
  if (store.unplacedVariables > 0 && store.imageAddressSectionRead) {
    console << variables(store.unplacedVariables)
            << " could not be placed: neither the dump nor the image's own .debug_addr "
               "holds their addresses"
            << std::endl;
  } else if (store.unplacedVariables > 0) {
    console << variables(store.unplacedVariables)
            << " could not be placed: the dump holds no address table (.debug_addr) for "
               "them; converting the ELF file places them"
            << std::endl;
  }
  if (!store.piecewiseVariables.empty()) {
    console << variables(store.piecewiseVariables.size())
            << " left out: the compiler split them into pieces (DW_OP_piece), which the map "
               "cannot describe: "
            << someNames(store.piecewiseVariables) << std::endl;
  }
  if (!store.sectionTableRead && writtenAtAddressZero > 0) {
    console << variables(writtenAtAddressZero)
            << " written at address 0x00000000: the dump holds no section table to tell "
               "them from variables the linker removed; converting the ELF file leaves "
               "those out"
            << std::endl;
  }
}

// Whether the variable's own type, or that of the declaration it completes, is
// described in a type unit that the dump does not hold.
bool typeLostWithItsTypeUnit(const VariableInfo& variable) {
  const BasicObject* object = &variable;
  for (unsigned depth = 0; object != nullptr && depth < BasicObject::kMaxDepth; ++depth) {
    if (object->type.target != nullptr) return false;
    if (object->type.lostWithItsTypeUnit()) return true;
    object = object->specification.target;
  }
  return false;
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

void fitBitFieldInUnit(SignalEntry& entry, bool littleEndian) {
  if (entry.bitSize == 0) return;
  const std::int64_t unitBits = std::int64_t{8} * entry.size;
  const std::int64_t width = entry.bitSize;
  // The field's lowest bit, counted the way the bits grow with the address: from the
  // least significant bit on a little-endian target, from the most significant one on a
  // big-endian target. DW_AT_bit_offset counts from the most significant bit, and may
  // have wrapped below 0 for a field that runs past its unit.
  const std::int64_t offset = static_cast<std::int32_t>(entry.bitOffset);
  const std::int64_t position = littleEndian ? unitBits - width - offset : offset;
  const std::int64_t past = position + width - unitBits;
  if (past <= 0 || width > unitBits) return;
  const std::int64_t bytes = (past + 7) / 8;
  if (position < 8 * bytes) return;
  entry.address += static_cast<std::uint32_t>(bytes);
  const std::int64_t moved = position - 8 * bytes;
  entry.bitOffset = static_cast<std::uint32_t>(littleEndian ? unitBits - width - moved : moved);
}

std::uint32_t bitPositionOf(const SignalEntry& entry, bool littleEndian) {
  return littleEndian ? entry.size * 8 - entry.bitOffset - entry.bitSize : entry.bitOffset;
}

std::string outputNameOf(const SignalEntry& entry, std::uint32_t bitPosition) {
  std::string name;
  spellOutputName(name, entry, bitPosition);
  return name;
}

void spellOutputName(std::string& name, const SignalEntry& entry, std::uint32_t bitPosition) {
  name = entry.name;
  if (entry.bitSize == 0) return;
  name += entry.bitSize == 1 ? "_Bit:" : "_Bits:";
  // A bit field is never wider than 64 bits; a broken dump's wider one lists 64.
  const std::uint32_t listed = std::min<std::uint32_t>(entry.bitSize, 64);
  for (std::uint32_t bit = 0; bit < listed; ++bit)
    name += std::to_string(bitPosition + bit);
}

namespace {

// The sinks of one run: the map, the database, and the A2L text when asked for.
struct OutputSinks {
  TextSink& map;
  TextSink& database;
  TextSink* a2l = nullptr;
  const std::string* a2lModule = nullptr;
  const CharacteristicOptions* characteristics = nullptr;
};

// Writes one line of each output per signal as the signals are found, so that no list of
// a variable's signals is ever held. The tables of names met (for the duplicate check
// and the A2L identifiers) are far larger than any cache, and a name lands anywhere in
// them: the signals are written in small batches, whose slots are fetched from memory
// together before the first of them is looked at. The lines come out in signal order.
class SignalLines final : public SignalSink {
 public:
  SignalLines(const OutputSinks& sinks, A2lWriter* a2l, DuplicateNameWarnings& warnings,
              bool littleEndian)
      : sinks_(sinks), a2l_(a2l), warnings_(warnings), littleEndian_(littleEndian) {}

  // The variable whose signals come next, for the A2L; it lives until the batch is written.
  void beginVariable(const A2lVariable& variable) {
    variable_ = &variable;
    describeLater_ = false;
  }

  void take(SignalEntry&& signal) override {
    // Const signals and arrays of scalars are described by the A2L in a second walk.
    describeLater_ = describeLater_ || signal.isConst || signal.array != nullptr;
    // Const signals are not measured: they get no line in the map or the database.
    if (signal.isConst) return;
    written_ = true;
    Pending& pending = batch_[waiting_++];
    fitBitFieldInUnit(signal, littleEndian_);
    pending.bitPosition = bitPositionOf(signal, littleEndian_);
    spellOutputName(pending.outputName, signal, pending.bitPosition);
    pending.nameKey = warnings_.keyOf(pending.outputName);
    if (a2l_ != nullptr) {
      a2l_->prepareIdentifier(pending.identifier, signal.name);
      // An element of an array of scalars keeps its identifier taken, as when each
      // element was an object of its own, so that the others are spelled as before.
      pending.a2lObject = signal.array == nullptr;
      pending.variable = variable_;
    }
    // Copied into the batch's own entry, whose memory is reused from batch to batch; the
    // walker keeps the memory of its own.
    pending.signal = signal;
    if (waiting_ == batch_.size()) write();
  }

  // Writes the signals taken and not yet written.
  void write() {
    for (std::size_t k = 0; k < waiting_; ++k) {
      Pending& pending = batch_[k];
      const SignalEntry& signal = pending.signal;
      appendMapLine(sinks_.map.text(), signal, pending.outputName);
      appendDatabaseLine(sinks_.database.text(), signal, pending.outputName, pending.bitPosition);
      if (a2l_ != nullptr && pending.a2lObject) {
        A2lObject object;
        object.signal = &signal;
        object.characteristic = pending.variable->selected;
        object.longIdentifier = signal.name;
        object.symbolPath = pending.variable->symbolBase;
        object.symbolPathTail = signal.symbolPath;
        object.bitPosition = pending.bitPosition;
        a2l_->append(object, pending.identifier);
      } else if (a2l_ != nullptr) {
        a2l_->reserve(pending.identifier);
      }
      warnings_.check(pending.outputName, pending.nameKey, signal.sourceLocation);
    }
    waiting_ = 0;
    sinks_.map.spillIfFull();
    sinks_.database.spillIfFull();
    if (sinks_.a2l != nullptr) sinks_.a2l->spillIfFull();
  }

  // Whether a signal was taken since the last call.
  bool takeWritten() { return std::exchange(written_, false); }
  // Whether the A2L describes the current variable in a second walk as well.
  bool describeLater() const { return describeLater_; }

 private:
  struct Pending {
    SignalEntry signal;
    std::uint32_t bitPosition = 0;
    std::string outputName;
    Common::FingerprintTable::Key nameKey{};
    A2lIdentifiers::Candidate identifier;
    bool a2lObject = false;
    const A2lVariable* variable = nullptr;  // lives as long as the run
  };

  const OutputSinks& sinks_;
  A2lWriter* a2l_;
  DuplicateNameWarnings& warnings_;
  bool littleEndian_;
  bool written_ = false;
  std::array<Pending, 32> batch_;
  std::size_t waiting_ = 0;
  const A2lVariable* variable_ = nullptr;
  bool describeLater_ = false;
};

// The second walk of the A2L: the objects of the arrays of scalars (one for all elements,
// given by the first) and of the const signals, which the map leaves out. Their
// identifiers come after those of every map line, which are spelled as before.
class A2lObjects final : public SignalSink {
 public:
  A2lObjects(A2lWriter& a2l, TextSink& text, bool littleEndian)
      : a2l_(a2l), text_(text), littleEndian_(littleEndian) {}

  void beginVariable(const A2lVariable& variable) { variable_ = &variable; }

  void take(SignalEntry&& signal) override {
    A2lObject object;
    object.signal = &signal;
    path_ = variable_->symbolBase;
    path_ += signal.symbolPath;
    if (const ArrayShape* array = signal.array) {
      // A flexible array member's one element lies past its structure, of no known size.
      if (signal.element != 0 || array->unbounded) return;
      object.array = array;
      object.longIdentifier =
          std::string_view(signal.name)
              .substr(0, signal.name.size() - std::min(array->nameSuffix, signal.name.size()));
      path_.resize(path_.size() - std::min(array->pathSuffix, signal.symbolPath.size()));
    } else if (signal.isConst) {
      fitBitFieldInUnit(signal, littleEndian_);
      object.bitPosition = bitPositionOf(signal, littleEndian_);
      object.longIdentifier = signal.name;
    } else {
      return;  // a map line, described in the first walk
    }
    // A const part of a variable that is not itself const (a read-only register) is data
    // that changes: a measurement.
    object.characteristic = variable_->selected || (signal.isConst && variable_->ownConst);
    object.symbolPath = path_;
    a2l_.append(object);
    text_.spillIfFull();
  }

 private:
  A2lWriter& a2l_;
  TextSink& text_;
  bool littleEndian_;
  const A2lVariable* variable_ = nullptr;
  std::string path_;
};

// Expands every variable with a fixed address into its signals and writes their lines.
void writeSignals(const ModelStore& store, std::ostream& console, std::size_t signalLimit,
                  const OutputSinks& sinks, DuplicateNameWarnings& warnings) {
  appendDatabaseHeader(sinks.database.text());
  std::optional<A2lWriter> a2l;
  std::optional<A2lVariables> a2lVariables;
  const CharacteristicOptions noOptions;
  if (sinks.a2l != nullptr) {
    a2l.emplace(sinks.a2l->text(), *sinks.a2lModule, store.littleEndian);
    a2lVariables.emplace(store,
                         sinks.characteristics != nullptr ? *sinks.characteristics : noOptions);
  }
  SignalLines lines(sinks, a2l ? &*a2l : nullptr, warnings, store.littleEndian);

  std::deque<std::string> locations;  // one per variable; the signals refer to them
  std::vector<CappedArray> capped;
  const CompleteTypeIndex completeTypes(store);
  TypeWalker walker(&completeTypes, lines, &capped, signalLimit);
  if (a2l) walker.describeForA2l();
  // The variables that the A2L describes in a second walk, with what it knows of them.
  struct Later {
    const BasicObject* type;
    SignalEntry entry;
    A2lVariable variable;
  };
  std::vector<Later> later;
  // What the A2L knows of each variable, for the batches of signals still to be written.
  std::deque<A2lVariable> described;
  std::size_t writtenAtAddressZero = 0;
  // Variables without their type, or a part of it, because its type unit is missing.
  std::vector<const VariableInfo*> lostTypes;
  for (const BasicObject* object : store.addressedObjects) {
    const auto* variable = as<VariableInfo>(object);
    if (variable == nullptr) continue;
    // A definition that completes a declaration (a global declared extern in a header,
    // a static data member) is expanded through the type of that declaration.
    const BasicObject* type = variable->typeFollowingSpecification();
    if (type == nullptr) {
      if (typeLostWithItsTypeUnit(*variable)) lostTypes.push_back(variable);
      continue;
    }
    SignalEntry entry;
    entry.address = variable->location;
    entry.name = composeSignalName(variable, "");
    entry.sourceLocation = locations.emplace_back(sourceLocationOf(store, *variable));
    const std::string name = entry.name;
    if (a2lVariables) {
      lines.beginVariable(described.emplace_back(a2lVariables->describe(*variable, *type, name)));
    }
    walker.walk(*type, a2l ? entry : std::move(entry), false);
    if (a2l && lines.describeLater()) {
      later.push_back({type, std::move(entry), described.back()});
    }
    if (walker.reachedLimit()) {
      console << "Variable " << name << " is cut off: only its first " << walker.signalCount()
              << " signals are written" << std::endl;
    }
    walker.resetLimit();
    if (walker.metLostType()) lostTypes.push_back(variable);
    for (const CappedArray& array : capped) {
      console << "Array " << array.name << " has " << array.elements << " elements, only the first "
              << TypeWalker::kMaxArrayElements << " are written" << std::endl;
    }
    capped.clear();
    if (lines.takeWritten() && variable->location == 0) ++writtenAtAddressZero;
  }
  lines.write();
  if (a2l) {
    A2lObjects objects(*a2l, *sinks.a2l, store.littleEndian);
    TypeWalker objectWalker(&completeTypes, objects, nullptr, signalLimit);
    objectWalker.describeForA2l();
    for (Later& variable : later) {
      objects.beginVariable(variable.variable);
      objectWalker.walk(*variable.type, std::move(variable.entry), false);
    }
  }
  reportPlacement(store, writtenAtAddressZero, console);
  if (!lostTypes.empty()) {
    console << variablesCounted(lostTypes.size())
            << " lost their type or a part of it: it is described in a type unit (named by "
               "its signature) that the dump does not hold: "
            << someNames(lostTypes) << std::endl;
  }
  if (a2l) a2l->finish();
}

// Whether the file at `path` may be replaced by an A2L text: there is none, or this
// program wrote it.
bool isOursOrMissing(const std::string& path) {
  std::ifstream in(Common::filePath(path), std::ios::binary);
  if (!in) return !std::filesystem::exists(Common::filePath(path));
  // An updated file keeps the byte-order mark of the one it was made from.
  std::string head(kA2lMark.size() + 3, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (std::string_view(head).starts_with("\xEF\xBB\xBF")) head.erase(0, 3);
  return std::string_view(head).starts_with(kA2lMark);
}

// A text nobody reads: dropped as it grows.
class DroppedText final : public TextSink {
 public:
  std::string& text() override { return text_; }
  void spillIfFull() override {
    if (text_.size() >= StreamedFile::kSpillSize) text_.clear();
  }

 private:
  std::string text_;
};

}  // namespace

struct OutputFiles::Files {
  Files(const std::string& outFileMap, const std::string& outFileCanape,
        std::optional<A2lOutput> a2lOutput)
      : mapPath(outFileMap), map(outFileMap), a2l(std::move(a2lOutput)) {
    if (!outFileCanape.empty()) databaseFile.emplace(outFileCanape);
    // An A2L file that someone else made is never replaced; none is built then.
    if (a2l && isOursOrMissing(a2l->file)) a2lFile.emplace(a2l->file);
  }

  std::string mapPath;
  StreamedFile map;
  // Without a database path the database is built and dropped piece by piece.
  std::optional<StreamedFile> databaseFile;
  DroppedText droppedDatabase;
  std::optional<A2lOutput> a2l;
  std::optional<StreamedFile> a2lFile;
  DuplicateNameWarnings warnings;
  std::optional<StreamedFile> log;  // only when two signals share a name
};

OutputFiles::OutputFiles(const std::string& outFileMap, const std::string& outFileCanape,
                         std::optional<A2lOutput> a2l)
    : files_(std::make_unique<Files>(outFileMap, outFileCanape, std::move(a2l))) {}

OutputFiles::~OutputFiles() = default;

void OutputFiles::write(const ModelStore& store, std::ostream& console) {
  Files& f = *files_;
  // An A2L file made from another is written as it was made; only a generated one grows
  // with the signals.
  const bool generated = f.a2l && !f.a2l->writeUpdated;
  OutputSinks sinks{
      f.map, f.databaseFile ? static_cast<TextSink&>(*f.databaseFile) : f.droppedDatabase,
      f.a2lFile && generated ? &*f.a2lFile : nullptr, generated ? &f.a2l->moduleName : nullptr,
      generated ? &f.a2l->characteristics : nullptr};
  if (f.a2lFile && !generated) f.a2l->writeUpdated(*f.a2lFile);
  writeSignals(store, console, std::size_t{1} << 24, sinks, f.warnings);
  // Everything is written out now, so that committing only puts the files in place.
  if (f.warnings.duplicateFound()) {
    f.log.emplace(f.mapPath + "_StyleWarnings.log");
    f.log->text() = f.warnings.text();
  }
  for (std::optional<StreamedFile>* file : {&f.log, &f.databaseFile, &f.a2lFile}) {
    if (*file) (*file)->finishWriting();
  }
  f.map.finishWriting();
}

bool OutputFiles::commit(std::ostream& console) {
  Files& f = *files_;
  bool allWritten = f.map.commit(console);
  if (f.log) allWritten = f.log->commit(console) && allWritten;
  if (f.databaseFile) allWritten = f.databaseFile->commit(console) && allWritten;
  if (f.a2lFile) {
    allWritten = f.a2lFile->commit(console) && allWritten;
  } else if (f.a2l) {
    console << "Can not create file: " << f.a2l->file
            << " (a file that skarvel did not write is in its place)" << std::endl;
    allWritten = false;
  }
  return allWritten;
}

namespace {

bool writeFiles(const std::string& outFileMap, const std::string& outFileCanape,
                const ModelStore& store, std::ostream& console, std::optional<A2lOutput> a2l) {
  OutputFiles files(outFileMap, outFileCanape, std::move(a2l));
  files.write(store, console);
  return files.commit(console);
}

}  // namespace

OutputTexts buildOutputTexts(const ModelStore& store, std::ostream& console,
                             std::size_t signalLimit, const std::string* a2lModule,
                             const CharacteristicOptions& characteristics) {
  TextBuffer map;
  TextBuffer database;
  TextBuffer a2l;
  DuplicateNameWarnings warnings;
  writeSignals(store, console, signalLimit,
               {map, database, a2lModule != nullptr ? &a2l : nullptr, a2lModule, &characteristics},
               warnings);
  OutputTexts texts;
  texts.map = std::move(map.text());
  texts.database = std::move(database.text());
  texts.a2l = std::move(a2l.text());
  texts.duplicateFound = warnings.duplicateFound();
  texts.warnings = warnings.text();
  return texts;
}

bool generateOutputs(std::string outFileMap, std::string outFileCanape, const ModelStore& store,
                     std::ostream& console) {
  return writeFiles(outFileMap, outFileCanape, store, console, std::nullopt);
}

bool generateOutputs(std::string outFileMap, std::string outFileCanape, const ModelStore& store,
                     std::ostream& console, const A2lOutput& a2l) {
  return writeFiles(outFileMap, outFileCanape, store, console, a2l);
}

}  // namespace Output
