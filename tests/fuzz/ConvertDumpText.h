#pragma once

#include <cstddef>
#include <string_view>

namespace Fuzz {

// One whole conversion of a dump text in memory: loading, reading, linking, the walk of
// every variable and the three output texts. `signalLimit` keeps the output of one
// variable small enough for a fuzzer's memory.
void convertDumpText(std::string_view text, std::size_t signalLimit = 1 << 12);

}  // namespace Fuzz
