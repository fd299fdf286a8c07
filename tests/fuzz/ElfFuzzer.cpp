// libFuzzer entry: arbitrary bytes as an ELF file, read by the direct reader and, when
// it takes them, through the whole conversion.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/ConvertDumpText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The reader reads files; each fuzzing process has one of its own in memory.
  static const std::string scratch = "/dev/shm/skarvel-elf-fuzz-" + std::to_string(getpid());
  Fuzz::convertElfBytes(std::string_view(reinterpret_cast<const char*>(data), size), scratch);
  return 0;
}
