#include "app/Driver.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <sstream>

#include "a2l/A2lText.h"
#include "a2l/A2lUpdate.h"
#include "a2l/SymbolTable.h"
#include "app/ExitStatus.h"
#include "app/ObjdumpRun.h"
#include "app/Progress.h"
#include "app/Usage.h"
#include "dump/DumpLoad.h"
#include "dump/ImageAddressSection.h"
#include "elf/ElfImage.h"
#include "elf/ImageLoad.h"
#include "model/ModelStore.h"
#include "output/A2lFormat.h"
#include "output/OutputRun.h"

namespace App {

RunFiles runFilesFor(const PathParts& parts) {
  const std::string stem = parts.directory + parts.baseName;
  return {stem + "_ObjDump.txt", stem + "_Vek.m51", stem + "_CANape.db", stem + parts.extension,
          stem + "_Vek.a2l"};
}

namespace {

// Whole seconds of calendar time since the start, written the way a stream writes a
// floating-point number ("0", "12").
class StageClock {
 public:
  StageClock() : start_(std::time(nullptr)) {}
  double elapsedSeconds() const { return std::difftime(std::time(nullptr), start_); }

 private:
  std::time_t start_;
};

// The image's own .debug_addr, read from the ELF file, for the variables that objdump's
// address tables leave unplaced.
std::optional<Dump::ImageAddressSection> addressSectionOf(const std::string& elfFile) {
  const std::optional<Elf::ElfImage> image = Elf::ElfImage::read(elfFile);
  if (!image) return std::nullopt;
  const Elf::Section* section = image->section(".debug_addr");
  if (section == nullptr) return std::nullopt;
  std::optional<std::string> bytes = image->contents(*section);
  if (!bytes) return std::nullopt;
  return Dump::ImageAddressSection{std::move(*bytes), image->littleEndian()};
}

// A section chosen by name that the image does not have chooses nothing: the console says
// so, since a misspelt name would otherwise go unnoticed.
void reportMissingSections(const Model::ModelStore& store,
                           const Output::CharacteristicOptions& characteristics,
                           std::ostream& console) {
  for (const std::string& name : characteristics.sections) {
    const bool known = std::any_of(store.sections.begin(), store.sections.end(),
                                   [&](const auto& section) { return section.name == name; });
    if (!known) {
      console << "The image has no section " << name
              << ": --characteristic-section chooses no variable by it" << std::endl;
    }
  }
}

// What the command line asks for: the options before the path, and the path.
struct Options {
  bool writeA2l = false;
  bool direct = false;
  bool strict = false;
  std::optional<std::string> updateA2l;
  Output::CharacteristicOptions characteristics;
  std::string path;
};

// Reads the arguments into `options`. The status to end with when the run ends here: a
// usage error (reported on `err`), or the usage, help or version printed on `out`.
std::optional<int> readOptions(std::span<const std::string> arguments, Options& options,
                               std::ostream& out, std::ostream& err) {
  // Alone, --help and --version answer instead of being taken for a path.
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    printHelp(out);
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    printVersion(out);
    return 0;
  }
  // The last argument is the path, also when it looks like an option. Before it stand
  // the options; other earlier arguments are ignored, as they always were.
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--a2l") {
      options.writeA2l = true;
    } else if (option == "--direct") {
      options.direct = true;
    } else if (option == "--strict") {
      options.strict = true;
    } else if (option == "--characteristic" || option == "--characteristic-section" ||
               option == "--update-a2l") {
      if (i + 2 >= arguments.size()) {
        err << "Option " << option << " needs a value before the path" << std::endl;
        return kUnknownOption;
      }
      const std::string& value = arguments[++i];
      if (option == "--update-a2l") {
        options.updateA2l = value;
      } else {
        Output::CharacteristicOptions& chosen = options.characteristics;
        (option == "--characteristic" ? chosen.patterns : chosen.sections).push_back(value);
      }
    } else if (option.starts_with("-")) {
      err << "Unknown option: " << option
          << " (the options are --direct, --a2l, --characteristic PATTERN, "
             "--characteristic-section NAME, --update-a2l FILE and --strict, given before the "
             "path; --help lists them)"
          << std::endl;
      return kUnknownOption;
    }
  }
  const char* conflict = nullptr;
  if (!options.writeA2l && !options.characteristics.empty()) {
    conflict =
        "--characteristic and --characteristic-section choose what the A2L file describes; "
        "give --a2l as well";
  } else if (options.writeA2l && options.updateA2l) {
    conflict =
        "--a2l and --update-a2l exclude each other: the one writes a new A2L file, the other "
        "updates one that the project keeps";
  } else if (options.strict && !options.updateA2l) {
    conflict =
        "--strict fails an update of an A2L file that names symbols the image lacks; give "
        "--update-a2l as well";
  }
  if (conflict != nullptr) {
    err << conflict << std::endl;
    return kUnknownOption;
  }
  options.path = arguments.empty() ? std::string() : arguments.back();
  if (options.path.empty()) {
    printUsage(out);
    return 0;
  }
  return std::nullopt;
}

// One conversion: the model read by one of the three readers, then the outputs.
class Conversion {
 public:
  Conversion(Options options, std::ostream& out, std::ostream& err, std::ostream* terminal)
      : options_(std::move(options)),
        parts_(splitPath(options_.path)),
        files_(runFilesFor(parts_)),
        out_(out),
        err_(err),
        progress_(terminal) {}

  int run() {
    // The A2L file to update is read first: one that cannot be taken apart writes nothing.
    if (options_.updateA2l) {
      std::string error;
      description_ = A2l::Description::read(*options_.updateA2l, error);
      if (description_ == nullptr) {
        err_ << "Can not read the A2L file " << *options_.updateA2l << ": " << error << std::endl;
        return kA2lNotRead;
      }
    }
    if (options_.writeA2l) {
      a2l_ = Output::A2lOutput{files_.outFileA2l, parts_.baseName,
                               std::move(options_.characteristics)};
    }
    // The direct reader reads the ELF file itself; no dump is written.
    out_ << "inputFile : " << (options_.direct ? files_.elfFile : files_.inputFile) << std::endl;
    out_ << "outFileMap : " << files_.outFileMap << std::endl;
    // The one place that picks the reader.
    const int status = options_.direct                                 ? readDirectly()
                       : elfExtensionPattern.matches(parts_.extension) ? readThroughObjdump()
                                                                       : readDump();
    if (status != 0) return status;
    out_ << outputLines_.str() << std::flush;
    const bool written = outputs_->commit(out_);
    out_ << "Vek M51 + CANape finished " << files_.outFileMap
         << " -> Seconds Since Start: " << clock_.elapsedSeconds() << std::endl;
    if (!written) return kOutputNotWritten;
    return updateIncomplete_ ? kUpdateIncomplete : 0;
  }

 private:
  int readDirectly() {
    out_ << "elfFile : " << files_.elfFile << std::endl;
    progress_.stage("Reading the debug sections");
    std::string whyNot;
    const bool read = Elf::loadImage(store_, files_.elfFile, whyNot);
    progress_.clear();
    if (!read) {
      // Nothing is written from a model read in part.
      err_ << "Can not read the debug information of " << files_.elfFile << " directly: " << whyNot
           << std::endl;
      return kImageNotRead;
    }
    out_ << "Read the debug sections of " << files_.elfFile
         << " directly -> Seconds Since Start: " << clock_.elapsedSeconds() << std::endl;
    parsed();
    writeOutputs();
    return 0;
  }

  int readThroughObjdump() {
    out_ << "elfFile : " << files_.elfFile << std::endl;
    // The dump is read while objdump writes it, and the outputs are written while
    // objdump finishes; they count only when objdump then ends well, and are put in
    // place only then.
    progress_.stage("objdump writing the dump");
    ObjdumpDump objdump(files_.elfFile, files_.inputFile);
    if (objdump.startStatus() == 0) {
      Dump::loadDumpSource(store_, objdump.source(), &progress_,
                           [this] { return addressSectionOf(files_.elfFile); });
      progress_.clear();
      writeOutputs();
    }
    const ObjdumpRun run = objdump.finish();
    progress_.clear();
    if (run.status != 0) {
      if (run.stoppedAtLimit) {
        err_ << "arm-none-eabi-objdump was stopped: its dump of " << files_.elfFile << " grew past "
             << run.dumpLimit
             << " bytes (64 times the ELF file plus 256 MiB), which no real dump reaches; "
                "the partial dump was removed"
             << std::endl;
      }
      err_ << "failed executing arm-none-eabi-objdump!" << std::endl;
      return run.status;
    }
    if (sectionsUnknown()) return failWithoutSections();
    out_ << "ObjDump finished " << files_.inputFile
         << " -> Seconds Since Start: " << clock_.elapsedSeconds() << std::endl;
    parsed();
    return 0;
  }

  int readDump() {
    progress_.stage("Reading the dump");
    const Dump::DumpRead read = Dump::loadDumpFile(store_, files_.inputFile, &progress_);
    progress_.clear();
    if (read != Dump::DumpRead::Whole) {
      // A dump that is missing or read only in part would give outputs that lack signals
      // without saying so: nothing is written, and the run fails.
      err_ << "Can not read file: " << files_.inputFile << std::endl;
      return kDumpNotRead;
    }
    if (sectionsUnknown()) return failWithoutSections();
    parsed();
    writeOutputs();
    return 0;
  }

  void parsed() {
    out_ << "Parsing Dwarf finished -> Seconds Since Start: " << clock_.elapsedSeconds()
         << std::endl;
  }

  // Sections chosen by name need the dump's section table; without it the run fails
  // before anything is written.
  bool sectionsUnknown() const {
    return a2l_ && !a2l_->characteristics.sections.empty() && !store_.sectionTableRead;
  }
  int failWithoutSections() {
    err_ << "--characteristic-section needs the section table of the image, and the dump "
         << files_.inputFile
         << " holds none (objdump -h); convert the ELF file, which writes the dump with it"
         << std::endl;
    return kNoSectionTable;
  }

  // The outputs are written into temporary files once the model is there; what writing
  // them has to say is printed after the stage lines.
  void writeOutputs() {
    if (sectionsUnknown()) return;
    if (a2l_) reportMissingSections(store_, a2l_->characteristics, outputLines_);
    if (description_) updateKeptA2l();
    outputs_.emplace(files_.outFileMap, files_.outFileCanape, std::move(a2l_));
    outputs_->write(store_, outputLines_);
  }

  void updateKeptA2l() {
    const A2l::SymbolTable symbols(store_);
    A2l::UpdateReport report;
    std::vector<A2l::Edit> edits = A2l::updateDescription(*description_, symbols, report);
    outputLines_ << report.text();
    updateIncomplete_ = options_.strict && report.anyGoneOrUnmatched();
    if (updateIncomplete_) {
      outputLines_ << "--strict: an object of " << *options_.updateA2l
                   << " names a symbol that the image lacks; no A2L file is written" << std::endl;
      return;
    }
    std::string header = std::string(Output::kA2lMark) + " from the debug information of " +
                         parts_.baseName + ", updated from " + *options_.updateA2l +
                         "; written anew by every conversion */";
    a2l_ = Output::A2lOutput{files_.outFileA2l,
                             parts_.baseName,
                             {},
                             [description = description_.get(), edits = std::move(edits),
                              header = std::move(header)](Output::TextSink& sink) mutable {
                               description->write(std::move(edits), header, sink);
                             }};
  }

  Options options_;
  const PathParts parts_;
  const RunFiles files_;
  std::ostream& out_;
  std::ostream& err_;
  const StageClock clock_;
  // The progress line is wiped before every line the run prints.
  Progress progress_;
  Model::ModelStore store_;
  std::unique_ptr<A2l::Description> description_;
  std::optional<Output::A2lOutput> a2l_;
  bool updateIncomplete_ = false;
  std::optional<Output::OutputFiles> outputs_;
  std::ostringstream outputLines_;
};

}  // namespace

int runConverter(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
                 std::ostream* terminal) {
  Options options;
  if (const std::optional<int> answered = readOptions(arguments, options, out, err)) {
    return *answered;
  }
  return Conversion(std::move(options), out, err, terminal).run();
}

}  // namespace App
