#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The sections of a 32-bit ELF image, read from its header and section table. objdump
// reads the image for the conversion; this reads only what objdump cannot be relied on to
// print.
namespace Elf {

struct Section {
  std::string name;
  std::uint32_t type = 0;
  std::uint32_t flags = 0;
  std::uint32_t address = 0;
  std::uint32_t fileOffset = 0;
  std::uint32_t size = 0;
};

class ElfImage {
 public:
  // Nothing when the file cannot be read or is no 32-bit ELF file with a section table
  // that lies within it.
  static std::optional<ElfImage> read(const std::string& path);

  bool littleEndian() const { return littleEndian_; }
  const std::vector<Section>& sections() const { return sections_; }
  // The first section of that name, or null.
  const Section* section(std::string_view name) const;
  // The bytes of a section as they stand in the file; nothing when it has none in the
  // file (SHT_NOBITS), is compressed (SHF_COMPRESSED), or lies beyond the file's end.
  std::optional<std::string> contents(const Section& section) const;

 private:
  std::string path_;
  std::uint64_t fileSize_ = 0;
  bool littleEndian_ = true;
  std::vector<Section> sections_;
};

}  // namespace Elf
