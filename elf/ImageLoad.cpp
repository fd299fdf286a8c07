#include "elf/ImageLoad.h"

#include <algorithm>
#include <array>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>
#include <optional>
#include <vector>

#include "dump/DumpLoad.h"
#include "elf/ByteCursor.h"
#include "elf/DebugInfoReader.h"
#include "elf/ElfImage.h"
#include "elf/LineTableReader.h"
#include "model/ModelStore.h"

namespace Elf {

namespace {

// Whether "objdump -h" lists the section: not the null section, the symbol tables, the
// names of the symbols and of the sections, and relocations; other string tables (.stabstr)
// it lists.
bool listedBySectionTable(const ElfImage& image, std::size_t index) {
  const std::vector<Section>& sections = image.sections();
  switch (sections[index].type) {
    case 0:   // SHT_NULL
    case 2:   // SHT_SYMTAB
    case 4:   // SHT_RELA
    case 9:   // SHT_REL
    case 11:  // SHT_DYNSYM
    case 18:  // SHT_SYMTAB_SHNDX
      return false;
    case 3:  // SHT_STRTAB
      if (index == image.sectionNamesIndex()) return false;
      for (const Section& other : sections) {
        if ((other.type == 2 || other.type == 11) && other.link == index) return false;
      }
      return true;
    default:
      return true;
  }
}

// The debug sections the reader decodes: views of the file, or of the inflated bytes of
// compressed sections, which are kept here while the reader reads them.
struct SectionBytes {
  DebugSections views;
  std::vector<std::unique_ptr<std::string>> inflated;
};

bool readSections(const ElfImage& image, SectionBytes& bytes, std::string& whyNot) {
  DebugSections& views = bytes.views;
  const std::array<std::pair<const char*, std::string_view*>, 8> wanted{{
      {".debug_info", &views.info},
      {".debug_types", &views.types},
      {".debug_abbrev", &views.abbrev},
      {".debug_str", &views.str},
      {".debug_line_str", &views.lineStr},
      {".debug_str_offsets", &views.strOffsets},
      {".debug_addr", &views.addr},
      {".debug_line", &views.line},
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
    auto inflated = std::make_unique<std::string>();
    const std::optional<std::string_view> contents =
        image.readableContents(*section, *inflated, whyNot);
    if (!contents) return false;
    *into = *contents;
    if (!inflated->empty()) bytes.inflated.push_back(std::move(inflated));
  }
  views.littleEndian = image.littleEndian();
  views.release = [&image](std::string_view range) { image.release(range); };
  return true;
}

// The abbreviation tables and the other working memory of the reader are freed between
// the model's objects; the pages they leave are given back before the outputs are
// written, the conversion's largest moment.
void giveBackFreedMemory() {
#ifdef __GLIBC__
  ::malloc_trim(0);
#endif
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
  // An object file that is not linked keeps each type unit in a section of its own, all
  // named .debug_types, whose offsets all start at 0: a linked image has one of each.
  for (const char* name : {".debug_info", ".debug_types"}) {
    const auto count =
        std::count_if(image->sections().begin(), image->sections().end(),
                      [name](const Section& section) { return section.name == name; });
    if (count > 1) {
      whyNot = "it holds " + std::to_string(count) + " sections named " + name +
               ", as an object file that is not linked does; only linked images are read";
      return false;
    }
  }
  store.littleEndian = image->littleEndian();
  for (std::size_t index = 0; index < image->sections().size(); ++index) {
    if (!listedBySectionTable(*image, index)) continue;
    const Section& section = image->sections()[index];
    const bool allocated = (section.flags & Section::kAllocated) != 0;
    store.sections.push_back({section.name, section.address, section.contentSize, allocated});
    if (allocated && section.address == 0 && section.size > 0) store.addressZeroAllocated = true;
  }
  store.sectionTableRead = true;
  store.addressTablesRead = true;

  SectionBytes bytes;
  if (!readSections(*image, bytes, whyNot)) return false;
  const DebugSections& sections = bytes.views;
  try {
    // The file tables first, so that the memory of their section goes before the model
    // grows.
    readLineTables(store, sections);
    sections.release(sections.line);
    sections.release(sections.lineStr);
    DebugInfoReader entries(store, sections);
    // In the order of the image's sections, as objdump prints them.
    for (const Section& section : image->sections()) {
      if (section.name == ".debug_info") entries.readSection(Model::ReferenceSpace::Info);
      if (section.name == ".debug_types") entries.readSection(Model::ReferenceSpace::Types);
    }
    entries.indexOffsets();
  } catch (const DwarfError& error) {
    whyNot = error.what();
    return false;
  }
  Dump::completeModel(store, [&sections, &image]() -> std::optional<Dump::ImageAddressSection> {
    if (sections.addr.empty()) return std::nullopt;
    return Dump::ImageAddressSection{std::string(sections.addr), image->littleEndian()};
  });
  giveBackFreedMemory();
  return true;
}

}  // namespace Elf
