#include "elf/ElfImage.h"

#include <zlib.h>

namespace Elf {

namespace {

constexpr std::uint32_t kNoBits = Section::kNoBits;
constexpr std::uint32_t kCompressed = Section::kCompressed;
constexpr std::uint32_t kZlib = 1;                  // ELFCOMPRESS_ZLIB
constexpr std::size_t kCompressionHeaderSize = 12;  // Elf32_Chdr
constexpr std::size_t kHeaderSize = 52;             // of ELFCLASS32
constexpr std::size_t kSectionHeaderSize = 40;      // of ELFCLASS32
constexpr std::uint32_t kMaxSections = 1u << 16;    // far more than any image has

// Unsigned numbers of the image's byte order, at a place that the caller has checked.
struct Numbers {
  std::string_view bytes;
  bool littleEndian;

  std::uint32_t at(std::size_t offset, std::size_t width) const {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < width; ++k) {
      const std::size_t byte = littleEndian ? offset + width - 1 - k : offset + k;
      value = (value << 8) | static_cast<unsigned char>(bytes[byte]);
    }
    return value;
  }
  std::uint32_t half(std::size_t offset) const { return at(offset, 2); }
  std::uint32_t word(std::size_t offset) const { return at(offset, 4); }
};

}  // namespace

std::optional<ElfImage> ElfImage::read(const std::string& path, std::string* whyNot) {
  const auto fail = [whyNot](const char* reason) -> std::optional<ElfImage> {
    if (whyNot != nullptr) *whyNot = reason;
    return std::nullopt;
  };
  std::shared_ptr<const Common::FileView> file = Common::FileView::open(path);
  if (file == nullptr) return fail("the file cannot be opened");
  const std::string_view bytes = file->bytes();
  if (bytes.size() < 16 || bytes.substr(0, 4) !=
                               "\x7f"
                               "ELF") {
    return fail("it is no ELF file");
  }
  // Class 1 (32-bit), data 1 (little-endian) or 2 (big-endian).
  if (bytes[4] == 2) return fail("it is a 64-bit ELF file; only 32-bit ARM images are read");
  if (bytes[4] != 1 || (bytes[5] != 1 && bytes[5] != 2)) {
    return fail("its ELF header names no known class or byte order");
  }
  if (bytes.size() < kHeaderSize) return fail("the file ends inside its ELF header");
  ElfImage image;
  image.littleEndian_ = bytes[5] == 1;
  const Numbers fields{bytes, image.littleEndian_};
  image.machine_ = fields.half(18);                   // e_machine
  const std::uint32_t tableOffset = fields.word(32);  // e_shoff
  const std::uint32_t entrySize = fields.half(46);    // e_shentsize
  const std::uint32_t count = fields.half(48);        // e_shnum
  const std::uint32_t namesIndex = fields.half(50);   // e_shstrndx
  if (tableOffset == 0 || entrySize < kSectionHeaderSize || count == 0 || count > kMaxSections ||
      namesIndex >= count || tableOffset + std::uint64_t{entrySize} * count > bytes.size()) {
    return fail("its section table is missing or lies beyond the end of the file");
  }
  image.namesIndex_ = namesIndex;
  image.file_ = std::move(file);
  const Numbers rows{bytes.substr(tableOffset, std::size_t{entrySize} * count),
                     image.littleEndian_};
  std::vector<std::uint32_t> nameOffsets;
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::size_t row = std::size_t{k} * entrySize;
    Section section;
    nameOffsets.push_back(rows.word(row));
    section.type = rows.word(row + 4);
    section.flags = rows.word(row + 8);
    section.address = rows.word(row + 12);
    section.fileOffset = rows.word(row + 16);
    section.size = rows.word(row + 20);
    section.link = rows.word(row + 24);
    section.contentSize = section.size;
    image.sections_.push_back(section);
  }
  for (Section& section : image.sections_) {
    const std::optional<std::string_view> stored = image.inFile(section);
    if ((section.flags & kCompressed) != 0 && stored && stored->size() >= kCompressionHeaderSize) {
      section.contentSize = Numbers{*stored, image.littleEndian_}.word(4);  // ch_size
    }
  }
  const std::optional<std::string_view> names = image.inFile(image.sections_[namesIndex]);
  if (!names) return fail("the names of its sections lie beyond the end of the file");
  for (std::uint32_t k = 0; k < count; ++k) {
    if (nameOffsets[k] >= names->size()) continue;
    const std::size_t end = names->find('\0', nameOffsets[k]);
    image.sections_[k].name = std::string(names->substr(nameOffsets[k], end - nameOffsets[k]));
  }
  return image;
}

const Section* ElfImage::section(std::string_view name) const {
  for (const Section& section : sections_) {
    if (section.name == name) return &section;
  }
  return nullptr;
}

std::optional<std::string_view> ElfImage::inFile(const Section& section) const {
  if (section.type == kNoBits) return std::string_view();
  const std::string_view bytes = file_->bytes();
  if (std::uint64_t{section.fileOffset} + section.size > bytes.size()) return std::nullopt;
  return bytes.substr(section.fileOffset, section.size);
}

std::optional<std::string> ElfImage::contents(const Section& section) const {
  if (section.type == kNoBits || (section.flags & kCompressed) != 0) return std::nullopt;
  const std::optional<std::string_view> bytes = inFile(section);
  if (!bytes) return std::nullopt;
  return std::string(*bytes);
}

std::optional<std::string_view> ElfImage::readableContents(const Section& section,
                                                           std::string& inflated,
                                                           std::string& whyNot) const {
  const std::string name = section.name.empty() ? std::string("a section") : section.name;
  const std::optional<std::string_view> bytes = inFile(section);
  if (!bytes) {
    whyNot = name + " lies beyond the end of the file";
    return std::nullopt;
  }
  if ((section.flags & kCompressed) == 0 || section.type == kNoBits) return bytes;
  if (bytes->size() < kCompressionHeaderSize) {
    whyNot = name + " is compressed but too short for its compression header";
    return std::nullopt;
  }
  const Numbers header{*bytes, littleEndian_};
  const std::uint32_t type = header.word(0);
  const std::uint32_t size = header.word(4);
  if (type != kZlib) {
    whyNot = name + " is compressed with " +
             (type == 2 ? std::string("zstd") : "compression type " + std::to_string(type)) +
             "; only zlib (gcc -gz, -gz=zlib) is read";
    return std::nullopt;
  }
  if (size > kMaxInflatedSize) {
    whyNot = name + " would inflate to " + std::to_string(size) + " bytes, past the bound of " +
             std::to_string(kMaxInflatedSize);
    return std::nullopt;
  }
  // One byte more than stated, so that data that inflates past the stated size is told
  // from data that fills it exactly.
  inflated.assign(std::size_t{size} + 1, '\0');
  uLongf inflatedSize = static_cast<uLongf>(inflated.size());
  const int status =
      uncompress(reinterpret_cast<Bytef*>(inflated.data()), &inflatedSize,
                 reinterpret_cast<const Bytef*>(bytes->data() + kCompressionHeaderSize),
                 static_cast<uLong>(bytes->size() - kCompressionHeaderSize));
  if (status != Z_OK && status != Z_BUF_ERROR) {
    whyNot = name + " is compressed with zlib but does not inflate: its data is damaged";
    return std::nullopt;
  }
  if (status == Z_BUF_ERROR || inflatedSize != size) {
    whyNot = name + " does not inflate to the " + std::to_string(size) +
             " bytes its compression header states";
    return std::nullopt;
  }
  inflated.resize(size);
  return std::string_view(inflated);
}

}  // namespace Elf
