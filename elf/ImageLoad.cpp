#include "elf/ImageLoad.h"

#include <array>
#include <optional>

#include "dump/EntryReader.h"
#include "dump/PlacementReader.h"
#include "elf/ByteCursor.h"
#include "elf/DebugInfoReader.h"
#include "elf/ElfImage.h"
#include "elf/LineTableReader.h"
#include "model/ModelStore.h"

namespace Elf {

namespace {

// Sections that "objdump -h" does not list: the null section, symbols, their names and
// relocations.
bool listedBySectionTable(const Section& section) {
  switch (section.type) {
    case 0:   // SHT_NULL
    case 2:   // SHT_SYMTAB
    case 3:   // SHT_STRTAB
    case 4:   // SHT_RELA
    case 9:   // SHT_REL
    case 18:  // SHT_SYMTAB_SHNDX
      return false;
    default:
      return true;
  }
}

// The debug sections the reader decodes, owned here while it reads them.
struct SectionBytes {
  std::string info, types, abbrev, str, lineStr, strOffsets, addr, line;
};

bool readSections(const ElfImage& image, SectionBytes& bytes, std::string& whyNot) {
  const std::array<std::pair<const char*, std::string*>, 8> wanted{{
      {".debug_info", &bytes.info},
      {".debug_types", &bytes.types},
      {".debug_abbrev", &bytes.abbrev},
      {".debug_str", &bytes.str},
      {".debug_line_str", &bytes.lineStr},
      {".debug_str_offsets", &bytes.strOffsets},
      {".debug_addr", &bytes.addr},
      {".debug_line", &bytes.line},
  }};
  for (const auto& [name, into] : wanted) {
    const Section* section = image.section(name);
    if (section == nullptr) {
      // The old GNU form of compressed sections, which current tools no longer write.
      if (image.section(std::string(".z") + (name + 1)) != nullptr) {
        whyNot = std::string("the image keeps ") + name + " compressed as .z" + (name + 1) +
                 ", an old form that is not read; link it with --compress-debug-sections=zlib";
        return false;
      }
      continue;
    }
    std::optional<std::string> contents = image.readableContents(*section, whyNot);
    if (!contents) return false;
    *into = std::move(*contents);
  }
  return true;
}

}  // namespace

bool loadImage(Model::ModelStore& store, const std::string& path, std::string& whyNot) {
  const std::optional<ElfImage> image = ElfImage::read(path, &whyNot);
  if (!image) return false;
  if (image->machine() != ElfImage::kMachineArm) {
    whyNot = "it is an image for machine " + std::to_string(image->machine()) +
             "; only 32-bit ARM images (machine 40) are read";
    return false;
  }
  store.littleEndian = image->littleEndian();
  for (const Section& section : image->sections()) {
    if (!listedBySectionTable(section)) continue;
    const bool allocated = (section.flags & Section::kAllocated) != 0;
    store.sections.push_back({section.name, section.address, section.size, allocated});
    if (allocated && section.address == 0 && section.size > 0) store.addressZeroAllocated = true;
  }
  store.sectionTableRead = true;
  store.addressTablesRead = true;

  SectionBytes bytes;
  if (!readSections(*image, bytes, whyNot)) return false;
  const DebugSections sections{bytes.info, bytes.types,      bytes.abbrev, bytes.str,
                               bytes.lineStr, bytes.strOffsets, bytes.addr, bytes.line,
                               image->littleEndian()};
  try {
    DebugInfoReader entries(store, sections);
    // In the order of the image's sections, as objdump prints them.
    for (const Section& section : image->sections()) {
      if (section.name == ".debug_info") entries.readSection(Model::ReferenceSpace::Info);
      if (section.name == ".debug_types") entries.readSection(Model::ReferenceSpace::Types);
    }
    readLineTables(store, sections);
  } catch (const DwarfError& error) {
    whyNot = error.what();
    return false;
  }
  Dump::placeVariables(store, [&bytes, &image]() -> std::optional<Dump::ImageAddressSection> {
    if (bytes.addr.empty()) return std::nullopt;
    return Dump::ImageAddressSection{bytes.addr, image->littleEndian()};
  });
  store.linkTypes();
  Dump::restateDataBitOffsets(store);
  return true;
}

}  // namespace Elf
