#include "elf/ElfImage.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/TempDir.h"

namespace {

using TestSupport::TempDir;

// A 32-bit ELF file of three sections: the null section, .debug_addr (8 bytes at 0x80)
// and the section names (at 0x88), with the section table at 0xa0.
std::string smallImage(bool littleEndian) {
  std::string bytes(0xa0 + 3 * 40, '\0');
  const auto put = [&](std::size_t at, std::uint32_t value, unsigned width) {
    for (unsigned k = 0; k < width; ++k) {
      const unsigned shift = 8 * (littleEndian ? k : width - 1 - k);
      bytes[at + k] = static_cast<char>((value >> shift) & 0xff);
    }
  };
  bytes.replace(0, 4,
                "\x7f"
                "ELF");
  bytes[4] = 1;  // 32-bit
  bytes[5] = littleEndian ? 1 : 2;
  put(32, 0xa0, 4);  // e_shoff
  put(46, 40, 2);    // e_shentsize
  put(48, 3, 2);     // e_shnum
  put(50, 2, 2);     // e_shstrndx
  bytes.replace(0x80, 8, "\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  const std::string names("\0.debug_addr\0.shstrtab\0", 23);
  bytes.replace(0x88, names.size(), names);
  const auto section = [&](std::size_t row, std::uint32_t name, std::uint32_t type,
                           std::uint32_t offset, std::uint32_t size) {
    const std::size_t at = 0xa0 + 40 * row;
    put(at, name, 4);
    put(at + 4, type, 4);
    put(at + 16, offset, 4);
    put(at + 20, size, 4);
  };
  section(1, 1, 1, 0x80, 8);
  section(2, 13, 3, 0x88, static_cast<std::uint32_t>(names.size()));
  return bytes;
}

struct ElfCase {
  std::string name;
  std::function<void(std::string&)> change;
  bool readable;               // the section table is read
  std::string addressSection;  // the bytes of .debug_addr, or "-" for none
};

void PrintTo(const ElfCase& elfCase, std::ostream* out) {
  *out << elfCase.name;
}

class ElfImageFile : public testing::TestWithParam<ElfCase> {};

TEST_P(ElfImageFile, ReadsASectionOrNothingAtAll) {
  std::string bytes = smallImage(true);
  GetParam().change(bytes);
  TempDir dir;
  TestSupport::writeFile(dir / "app.elf", bytes);
  const std::optional<Elf::ElfImage> image = Elf::ElfImage::read(dir.file("app.elf"));
  ASSERT_EQ(image.has_value(), GetParam().readable);
  if (!image) return;
  const Elf::Section* section = image->section(".debug_addr");
  ASSERT_NE(section, nullptr);
  const std::optional<std::string> contents = image->contents(*section);
  EXPECT_EQ(contents.value_or("-"), GetParam().addressSection);
}

const std::string kContents("\x01\x02\x03\x04\x05\x06\x07\x08", 8);

INSTANTIATE_TEST_SUITE_P(
    Files, ElfImageFile,
    testing::Values(
        ElfCase{"Whole", [](std::string&) {}, true, kContents},
        ElfCase{"NotAnElfFile", [](std::string& b) { b[1] = 'X'; }, false, ""},
        ElfCase{"A64BitImage", [](std::string& b) { b[4] = 2; }, false, ""},
        ElfCase{"OfNoByteOrder", [](std::string& b) { b[5] = 3; }, false, ""},
        ElfCase{"CutInItsHeader", [](std::string& b) { b.resize(40); }, false, ""},
        ElfCase{"CutInItsSectionTable", [](std::string& b) { b.resize(b.size() - 1); }, false, ""},
        ElfCase{"WithoutSectionTable", [](std::string& b) { b[32] = 0; }, false, ""},
        ElfCase{"NamesBeyondTheTable", [](std::string& b) { b[50] = 3; }, false, ""},
        ElfCase{"ASectionBeyondTheEnd",
                [](std::string& b) { b[0xa0 + 40 + 20] = '\xff'; },  // 255 bytes from 0x80
                true, "-"},
        ElfCase{"ASectionSizeOf4GB",
                [](std::string& b) { b.replace(0xa0 + 40 + 20, 4, "\xff\xff\xff\xff"); }, true,
                "-"},
        ElfCase{"ACompressedSection",
                [](std::string& b) { b[0xa0 + 40 + 9] = 0x08; },  // SHF_COMPRESSED
                true, "-"},
        ElfCase{"ASectionWithoutContents",
                [](std::string& b) { b[0xa0 + 40 + 4] = 8; },  // SHT_NOBITS
                true, "-"}),
    [](const testing::TestParamInfo<ElfCase>& info) { return info.param.name; });

TEST(ElfImage, ReadsTheNumbersOfABigEndianImage) {
  TempDir dir;
  TestSupport::writeFile(dir / "app.elf", smallImage(false));
  const std::optional<Elf::ElfImage> image = Elf::ElfImage::read(dir.file("app.elf"));
  ASSERT_TRUE(image.has_value());
  EXPECT_FALSE(image->littleEndian());
  ASSERT_EQ(image->sections().size(), 3u);
  EXPECT_EQ(image->sections()[2].name, ".shstrtab");
  EXPECT_EQ(image->contents(*image->section(".debug_addr")), kContents);
}

}  // namespace
