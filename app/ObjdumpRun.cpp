#include "app/ObjdumpRun.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/FilePath.h"

namespace App {

std::optional<ObjdumpVersion> objdumpVersionIn(std::string_view versionText) {
  std::string_view line = versionText.substr(0, versionText.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
    line.remove_suffix(1);
  const std::string_view word = line.substr(line.find_last_of(' ') + 1);
  ObjdumpVersion version;
  const char* const end = word.data() + word.size();
  const auto major = std::from_chars(word.data(), end, version.major);
  if (major.ec != std::errc() || major.ptr == end || *major.ptr != '.') return std::nullopt;
  const auto minor = std::from_chars(major.ptr + 1, end, version.minor);
  if (minor.ec != std::errc() || (minor.ptr != end && *minor.ptr != '.')) return std::nullopt;
  return version;
}

std::vector<std::string> objdumpArgumentsFor(std::optional<ObjdumpVersion> version,
                                             const std::string& elfFile) {
  // objdump 2.42 to 2.44 read .debug_loc of an image that mixes DWARF 4 and 5 units as
  // DWARF 5 location lists and write without end; nothing of the conversion comes from
  // the location lists ("o"), so they are left out there. The public types go as a
  // separate argument, because 2.45 and 2.46 ignore the letter "t" after -W.
  const bool endlessLocationLists =
      version && version->major == 2 && version->minor >= 42 && version->minor <= 44;
  return {endlessLocationLists ? "-WlLiaprmfFsR" : "-WlLiaprmfFsoR", "--dwarf=pubtypes",
          "--dwarf=addr", "-h", elfFile};
}

std::uint64_t dumpSizeLimitFor(std::uint64_t elfFileSize) {
  return 64 * elfFileSize + (std::uint64_t{256} << 20);
}

namespace {
// The first bytes of a file: enough for the version line.
std::string headOf(const std::string& path) {
  std::ifstream in(Common::filePath(path), std::ios::binary);
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}
}  // namespace

ObjdumpDump::ObjdumpDump(const std::string& elfFile, const std::string& dumpFile)
    : dumpFile_(dumpFile) {
  const std::string program(kObjdumpProgram);
  // The version goes through the dump file, which the dump itself replaces right after.
  startStatus_ = runTool(program, {"--version"}, dumpFile);
  if (startStatus_ != 0) return;
  const std::optional<ObjdumpVersion> version = objdumpVersionIn(headOf(dumpFile));

  std::error_code error;
  const std::uintmax_t elfSize = std::filesystem::file_size(Common::filePath(elfFile), error);
  dumpLimit_ = dumpSizeLimitFor(error ? 0 : elfSize);
  copy_ = std::make_unique<ToolOutputCopy>(program, objdumpArgumentsFor(version, elfFile), dumpFile,
                                           dumpLimit_);
  startStatus_ = copy_->startStatus();
}

ObjdumpRun ObjdumpDump::finish() {
  ObjdumpRun run;
  run.dumpLimit = dumpLimit_;
  if (startStatus_ != 0) {
    run.status = startStatus_;
    return run;
  }
  run.status = copy_->finish(&run.stoppedAtLimit);
  if (run.stoppedAtLimit) {
    std::error_code error;
    std::filesystem::remove(Common::filePath(dumpFile_), error);
  }
  return run;
}

}  // namespace App
