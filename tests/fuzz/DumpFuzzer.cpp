// libFuzzer entry: arbitrary bytes as a dump text, through the whole conversion.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/ConvertDumpText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Fuzz::convertDumpText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
