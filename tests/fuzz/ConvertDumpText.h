#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Fuzz {

// One whole conversion of a dump text in memory: loading, reading, linking, the walk of
// every variable and the three output texts. `signalLimit` keeps the output of one
// variable small enough for a fuzzer's memory.
void convertDumpText(std::string_view text, std::size_t signalLimit = 1 << 12);

// The same for the bytes of an ELF file, read by the direct reader from `scratchFile`,
// where they are written first. A file that the reader refuses ends there.
void convertElfBytes(std::string_view bytes, const std::string& scratchFile,
                     std::size_t signalLimit = 1 << 12);

}  // namespace Fuzz
