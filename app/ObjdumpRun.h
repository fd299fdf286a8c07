#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Asks objdump for its version, then writes the dump of `elfFile` into `dumpFile`. A dump
// that grows past its limit stops objdump and is removed.
ObjdumpRun runObjdump(const std::string& elfFile, const std::string& dumpFile);

}  // namespace App
