#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ToolLauncher.h"

namespace App {

inline constexpr std::string_view kObjdumpProgram = "arm-none-eabi-objdump";

struct ObjdumpVersion {
  int major = 0;
  int minor = 0;
};

// The release that the first line of "objdump --version" names, the last word of the
// line ("GNU objdump (GNU Binutils for Debian) 2.40", "... 2.41.0.20231009"); nothing
// when the line names none.
std::optional<ObjdumpVersion> objdumpVersionIn(std::string_view versionText);

// The arguments of the dump for the image: the debug sections the conversion reads, the
// section table (-h) and the address tables (--dwarf=addr).
std::vector<std::string> objdumpArgumentsFor(std::optional<ObjdumpVersion> version,
                                             const std::string& elfFile);

// The size past which a dump is taken for a runaway objdump: far above what any real
// image gives.
std::uint64_t dumpSizeLimitFor(std::uint64_t elfFileSize);

struct ObjdumpRun {
  int status = 0;  // 0, the failed run's status, or kOutputTooLarge
  bool stoppedAtLimit = false;
  std::uint64_t dumpLimit = 0;
};

// objdump writing the dump of an ELF file into the dump file, which is read while
// objdump writes it: the conversion then ends shortly after objdump does.
class ObjdumpDump {
 public:
  // Asks objdump for its version, then starts the dump of `elfFile` into `dumpFile`.
  ObjdumpDump(const std::string& elfFile, const std::string& dumpFile);
  // 0 when objdump runs; otherwise the status of the failed start.
  int startStatus() const { return startStatus_; }
  // The dump's bytes as objdump writes them.
  ToolOutputCopy& source() { return *copy_; }
  // Waits for objdump. A dump that grew past its limit stopped objdump and is removed.
  ObjdumpRun finish();

 private:
  std::string dumpFile_;
  std::uint64_t dumpLimit_ = 0;
  std::unique_ptr<ToolOutputCopy> copy_;
  int startStatus_ = 0;
};

}  // namespace App
