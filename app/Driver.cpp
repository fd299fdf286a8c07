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

}  // namespace

int runConverter(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
                 std::ostream* terminal) {
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
  bool writeA2l = false;
  bool direct = false;
  bool strict = false;
  std::optional<std::string> updateA2l;
  Output::CharacteristicOptions characteristics;
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--a2l") {
      writeA2l = true;
    } else if (option == "--direct") {
      direct = true;
    } else if (option == "--strict") {
      strict = true;
    } else if (option == "--characteristic" || option == "--characteristic-section" ||
               option == "--update-a2l") {
      if (i + 2 >= arguments.size()) {
        err << "Option " << option << " needs a value before the path" << std::endl;
        return kUnknownOption;
      }
      const std::string& value = arguments[++i];
      if (option == "--update-a2l") {
        updateA2l = value;
      } else {
        (option == "--characteristic" ? characteristics.patterns : characteristics.sections)
            .push_back(value);
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
  if (!writeA2l && !characteristics.empty()) {
    err << "--characteristic and --characteristic-section choose what the A2L file describes; "
           "give --a2l as well"
        << std::endl;
    return kUnknownOption;
  }
  if (writeA2l && updateA2l) {
    err << "--a2l and --update-a2l exclude each other: the one writes a new A2L file, the other "
           "updates one that the project keeps"
        << std::endl;
    return kUnknownOption;
  }
  if (strict && !updateA2l) {
    err << "--strict fails an update of an A2L file that names symbols the image lacks; give "
           "--update-a2l as well"
        << std::endl;
    return kUnknownOption;
  }
  const std::string path = arguments.empty() ? std::string() : arguments.back();
  if (path.empty()) {
    printUsage(out);
    return 0;
  }

  // The A2L file to update is read first: one that cannot be taken apart writes nothing.
  std::unique_ptr<A2l::Description> description;
  if (updateA2l) {
    std::string error;
    description = A2l::Description::read(*updateA2l, error);
    if (description == nullptr) {
      err << "Can not read the A2L file " << *updateA2l << ": " << error << std::endl;
      return kA2lNotRead;
    }
  }

  const PathParts parts = splitPath(path);
  const RunFiles files = runFilesFor(parts);
  // The direct reader reads the ELF file itself; no dump is written.
  out << "inputFile : " << (direct ? files.elfFile : files.inputFile) << std::endl;
  out << "outFileMap : " << files.outFileMap << std::endl;
  const StageClock clock;
  // The progress line is wiped before every line the run prints.
  Progress progress(terminal);

  Model::ModelStore store;
  std::optional<Output::A2lOutput> a2l =
      writeA2l ? std::optional<Output::A2lOutput>(
                     {files.outFileA2l, parts.baseName, std::move(characteristics)})
               : std::nullopt;
  bool updateIncomplete = false;
  // The outputs are written into temporary files once the model is there; what writing
  // them has to say is printed after the stage lines.
  std::optional<Output::OutputFiles> outputs;
  std::ostringstream outputLines;
  // Sections chosen by name need the dump's section table; without it the run fails
  // before anything is written.
  const auto sectionsUnknown = [&] {
    return a2l && !a2l->characteristics.sections.empty() && !store.sectionTableRead;
  };
  const auto writeOutputs = [&] {
    if (sectionsUnknown()) return;
    if (a2l) reportMissingSections(store, a2l->characteristics, outputLines);
    if (description) {
      const A2l::SymbolTable symbols(store);
      A2l::UpdateReport report;
      std::vector<A2l::Edit> edits = A2l::updateDescription(*description, symbols, report);
      outputLines << report.text();
      updateIncomplete = strict && report.anyGoneOrUnmatched();
      if (!updateIncomplete) {
        std::string header = std::string(Output::kA2lMark) + " from the debug information of " +
                             parts.baseName + ", updated from " + *updateA2l +
                             "; written anew by every conversion */";
        a2l = Output::A2lOutput{files.outFileA2l,
                                parts.baseName,
                                {},
                                [&description, edits = std::move(edits),
                                 header = std::move(header)](Output::TextSink& sink) mutable {
                                  description->write(std::move(edits), header, sink);
                                }};
      } else {
        outputLines << "--strict: an object of " << *updateA2l
                    << " names a symbol that the image lacks; no A2L file is written" << std::endl;
      }
    }
    outputs.emplace(files.outFileMap, files.outFileCanape, std::move(a2l));
    outputs->write(store, outputLines);
  };
  const auto failWithoutSections = [&] {
    err << "--characteristic-section needs the section table of the image, and the dump "
        << files.inputFile
        << " holds none (objdump -h); convert the ELF file, which writes the dump with it"
        << std::endl;
    return kNoSectionTable;
  };
  if (direct) {
    out << "elfFile : " << files.elfFile << std::endl;
    progress.stage("Reading the debug sections");
    std::string whyNot;
    const bool read = Elf::loadImage(store, files.elfFile, whyNot);
    progress.clear();
    if (!read) {
      // Nothing is written from a model read in part.
      err << "Can not read the debug information of " << files.elfFile << " directly: " << whyNot
          << std::endl;
      return kImageNotRead;
    }
    out << "Read the debug sections of " << files.elfFile
        << " directly -> Seconds Since Start: " << clock.elapsedSeconds() << std::endl;
    out << "Parsing Dwarf finished -> Seconds Since Start: " << clock.elapsedSeconds() << std::endl;
    writeOutputs();
  } else if (elfExtensionPattern.matches(parts.extension)) {
    out << "elfFile : " << files.elfFile << std::endl;
    // The dump is read while objdump writes it, and the outputs are written while
    // objdump finishes; they count only when objdump then ends well, and are put in
    // place only then.
    progress.stage("objdump writing the dump");
    ObjdumpDump objdump(files.elfFile, files.inputFile);
    if (objdump.startStatus() == 0) {
      Dump::loadDumpSource(store, objdump.source(), &progress,
                           [&files] { return addressSectionOf(files.elfFile); });
      progress.clear();
      writeOutputs();
    }
    const ObjdumpRun run = objdump.finish();
    progress.clear();
    if (run.status != 0) {
      if (run.stoppedAtLimit) {
        err << "arm-none-eabi-objdump was stopped: its dump of " << files.elfFile << " grew past "
            << run.dumpLimit
            << " bytes (64 times the ELF file plus 256 MiB), which no real dump reaches; "
               "the partial dump was removed"
            << std::endl;
      }
      err << "failed executing arm-none-eabi-objdump!" << std::endl;
      return run.status;
    }
    if (sectionsUnknown()) return failWithoutSections();
    out << "ObjDump finished " << files.inputFile
        << " -> Seconds Since Start: " << clock.elapsedSeconds() << std::endl;
    out << "Parsing Dwarf finished -> Seconds Since Start: " << clock.elapsedSeconds() << std::endl;
  } else {
    progress.stage("Reading the dump");
    const Dump::DumpRead read = Dump::loadDumpFile(store, files.inputFile, &progress);
    progress.clear();
    if (read != Dump::DumpRead::Whole) {
      // A dump that is missing or read only in part would give outputs that lack signals
      // without saying so: nothing is written, and the run fails.
      err << "Can not read file: " << files.inputFile << std::endl;
      return kDumpNotRead;
    }
    if (sectionsUnknown()) return failWithoutSections();
    out << "Parsing Dwarf finished -> Seconds Since Start: " << clock.elapsedSeconds() << std::endl;
    writeOutputs();
  }
  out << outputLines.str() << std::flush;
  const bool written = outputs->commit(out);
  out << "Vek M51 + CANape finished " << files.outFileMap
      << " -> Seconds Since Start: " << clock.elapsedSeconds() << std::endl;
  if (!written) return kOutputNotWritten;
  return updateIncomplete ? kUpdateIncomplete : 0;
}

}  // namespace App
