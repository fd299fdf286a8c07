#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileView.h"

// The sections of a 32-bit ELF image, read from its header and section table: the debug
// sections that the direct reader decodes, and the image's own .debug_addr where objdump
// cannot be relied on to print it.
namespace Elf {

struct Section {
  std::string name;
  std::uint32_t type = 0;
  std::uint32_t flags = 0;
  std::uint32_t address = 0;
  std::uint32_t fileOffset = 0;
  std::uint32_t size = 0;
  std::uint32_t link = 0;  // sh_link: of a symbol table, the section of its names
  // The size of its contents: for a compressed section the size its compression header
  // states, as objdump's section table shows it; else `size`.
  std::uint32_t contentSize = 0;

  static constexpr std::uint32_t kNoBits = 8;          // SHT_NOBITS
  static constexpr std::uint32_t kAllocated = 0x2;     // SHF_ALLOC
  static constexpr std::uint32_t kCompressed = 0x800;  // SHF_COMPRESSED
};

class ElfImage {
 public:
  // Nothing when the file cannot be read or is no 32-bit ELF file with a section table
  // that lies within it; `whyNot`, when given, says why in words for the console.
  static std::optional<ElfImage> read(const std::string& path, std::string* whyNot = nullptr);

  bool littleEndian() const { return littleEndian_; }
  // e_machine: 40 for ARM.
  std::uint32_t machine() const { return machine_; }
  const std::vector<Section>& sections() const { return sections_; }
  // e_shstrndx: the section that holds the sections' names.
  std::uint32_t sectionNamesIndex() const { return namesIndex_; }
  // The first section of that name, or null.
  const Section* section(std::string_view name) const;
  // A copy of the bytes of a section as they stand in the file; nothing when it has none
  // in the file (SHT_NOBITS), is compressed (SHF_COMPRESSED), or lies beyond the file's
  // end.
  std::optional<std::string> contents(const Section& section) const;
  // The bytes of a section as a reader of it sees them: a view of the file, or, for a
  // section compressed with zlib (SHF_COMPRESSED, as "gcc -gz" writes), of `inflated`,
  // which receives them. Nothing, with the reason in `whyNot`, when the section lies
  // beyond the file's end, uses another compression, or does not inflate to exactly the
  // size its header states, which may be at most kMaxInflatedSize.
  std::optional<std::string_view> readableContents(const Section& section, std::string& inflated,
                                                   std::string& whyNot) const;
  // Gives back the memory of a part of the file that was read (see Common::FileView).
  void release(std::string_view range) const { file_->release(range); }

  static constexpr std::uint32_t kMachineArm = 40;
  static constexpr std::uint32_t kMaxInflatedSize = 1u << 30;

 private:
  // The section's bytes in the file, or nothing when they lie beyond its end.
  std::optional<std::string_view> inFile(const Section& section) const;

  std::shared_ptr<const Common::FileView> file_;
  bool littleEndian_ = true;
  std::uint32_t machine_ = 0;
  std::uint32_t namesIndex_ = 0;
  std::vector<Section> sections_;
};

}  // namespace Elf
