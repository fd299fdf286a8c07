// Broken and hostile input: a dump cut short, absurd lines, loops and bounds. The
// program must end normally and write whole files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "app/Driver.h"
#include "dump/DumpLoad.h"
#include "elf/ElfImage.h"
#include "elf/ImageLoad.h"
#include "model/ModelStore.h"
#include "output/FileOutput.h"
#include "output/OutputRun.h"
#include "tests/fuzz/ConvertDumpText.h"
#include "tests/support/DumpText.h"
#include "tests/support/TempDir.h"
#include "tests/support/Toolchain.h"

namespace {

using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::load;
using TestSupport::location;
using TestSupport::TempDir;

struct Converted {
  Output::OutputTexts texts;
  std::string console;
};

Converted convert(std::string_view dump) {
  const auto store = load(dump);
  std::ostringstream console;
  Output::OutputTexts texts = Output::buildOutputTexts(*store, console);
  return {std::move(texts), console.str()};
}

std::size_t lineCount(const std::string& text) {
  std::size_t count = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos;
       at = text.find("\r\n", at + 2)) {
    ++count;
  }
  return count;
}

const std::string kUnit =
    lines({"a.elf:     file format elf32-littlearm", header(0, 0xb, "DW_TAG_compile_unit"),
           header(1, 0x10, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "4"),
           attribute("DW_AT_encoding", "7", "(unsigned)")});

TEST(HostileInput, ConvertsADumpCutOffAnywhere) {
  const auto data = TestSupport::dataDir();
  const std::string dump = TestSupport::readFile(TestSupport::dumpImage(TestSupport::buildImage(
      {"hostile", {data / "sample.c", data / "other.c"}, {"-gdwarf-4", "-O0"}})));
  const std::size_t fullLines = lineCount(convert(dump).texts.map);
  ASSERT_GT(fullLines, 100u);
  // Cut in the middle of lines, of entries and of the tables, at many places.
  for (std::size_t cut = 1; cut < dump.size(); cut += dump.size() / 97 + 13) {
    const Converted part = convert(std::string_view(dump).substr(0, cut));
    EXPECT_LE(lineCount(part.texts.map), fullLines);
    EXPECT_EQ(lineCount(part.texts.database), lineCount(part.texts.map) + 3);
    EXPECT_TRUE(part.texts.map.empty() || part.texts.map.ends_with("\r\n"));
  }
}

TEST(HostileInput, TakesLinesOfTenMegabytes) {
  const std::string huge(10 << 20, 'x');
  const Converted out =
      convert(kUnit + lines({header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", huge),
                             attribute("DW_AT_type", "<0x10>"), location(0x100), huge,
                             "  " + huge + "\t" + huge}));
  EXPECT_EQ(out.texts.map, "00000100H     SYMBOL  DATA  DWORD    " + huge + "\r\n");
}

TEST(HostileInput, TakesAMillionNestedEntries) {
  std::string dump = kUnit;
  for (unsigned level = 1; level <= 1000000; ++level) {
    dump += header(level, 0x100 + level, level % 2 ? "DW_TAG_namespace" : "DW_TAG_lexical_block") +
            "\n";
  }
  dump += lines({header(1000001, 0x10000000, "DW_TAG_variable"), attribute("DW_AT_name", "deep"),
                 attribute("DW_AT_type", "<0x10>"), location(0x200)});
  const Converted out = convert(dump);
  EXPECT_EQ(lineCount(out.texts.map), 1u);
  EXPECT_TRUE(out.texts.map.ends_with("deep\r\n"));
}

TEST(HostileInput, EndsTypeLoopsAndStructuresThatHoldThemselves) {
  const Converted out = convert(
      kUnit +
      lines({// typedef T T;
             header(1, 0x20, "DW_TAG_typedef"), attribute("DW_AT_type", "<0x20>"),
             // typedef A B; typedef B C; typedef C A;
             header(1, 0x28, "DW_TAG_typedef"), attribute("DW_AT_type", "<0x29>"),
             header(1, 0x29, "DW_TAG_typedef"), attribute("DW_AT_type", "<0x2a>"),
             header(1, 0x2a, "DW_TAG_const_type"), attribute("DW_AT_type", "<0x28>"),
             // struct S { struct S self; struct S again; unsigned x; };
             header(1, 0x30, "DW_TAG_structure_type"), attribute("DW_AT_byte_size", "8"),
             header(2, 0x31, "DW_TAG_member"), attribute("DW_AT_name", "self"),
             attribute("DW_AT_type", "<0x30>"), header(2, 0x32, "DW_TAG_member"),
             attribute("DW_AT_name", "again"), attribute("DW_AT_type", "<0x30>"),
             header(2, 0x33, "DW_TAG_member"), attribute("DW_AT_name", "x"),
             attribute("DW_AT_type", "<0x10>"),
             // an array of itself
             header(1, 0x38, "DW_TAG_array_type"), attribute("DW_AT_type", "<0x38>"),
             header(2, 0x39, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "3"),
             header(1, 0x40, "DW_TAG_variable"), attribute("DW_AT_name", "t"),
             attribute("DW_AT_type", "<0x20>"), location(0x10), header(1, 0x41, "DW_TAG_variable"),
             attribute("DW_AT_name", "c"), attribute("DW_AT_type", "<0x28>"), location(0x20),
             header(1, 0x42, "DW_TAG_variable"), attribute("DW_AT_name", "s"),
             attribute("DW_AT_type", "<0x30>"), location(0x30), header(1, 0x43, "DW_TAG_variable"),
             attribute("DW_AT_name", "a"), attribute("DW_AT_type", "<0x38>"), location(0x40)}));
  EXPECT_EQ(out.texts.map, "00000030H     SYMBOL  DATA  DWORD    s.x\r\n");
}

TEST(HostileInput, CapsAnArrayAtAMillionElementsAndSaysSo) {
  const std::string arrays =
      lines({header(1, 0x20, "DW_TAG_array_type"),    attribute("DW_AT_type", "<0x10>"),
             header(2, 0x21, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "4294967295"),
             header(1, 0x28, "DW_TAG_array_type"),    attribute("DW_AT_type", "<0x10>"),
             header(2, 0x29, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "4294967294"),
             header(1, 0x30, "DW_TAG_variable"),      attribute("DW_AT_name", "none"),
             attribute("DW_AT_type", "<0x20>"),       location(0x1000),
             header(1, 0x38, "DW_TAG_variable"),      attribute("DW_AT_name", "huge"),
             attribute("DW_AT_type", "<0x28>"),       location(0x2000),
             header(1, 0x40, "DW_TAG_variable"),      attribute("DW_AT_name", "after"),
             attribute("DW_AT_type", "<0x10>"),       location(0x3000)});
  const Converted out = convert(kUnit + arrays);
  EXPECT_EQ(out.console,
            "Array huge has 4294967295 elements, only the first 1048576 are written\n");
  EXPECT_EQ(lineCount(out.texts.map), 1048576u + 1);
  EXPECT_TRUE(out.texts.map.ends_with("00003000H     SYMBOL  DATA  DWORD    after\r\n"));
  EXPECT_NE(out.texts.map.find("DWORD    huge_00000000000\r\n"), std::string::npos);
  EXPECT_NE(out.texts.map.find("DWORD    huge_00001048575\r\n"), std::string::npos);
}

TEST(HostileInput, StopsAVariableWithMoreSignalsThanAnyDiskHolds) {
  // Arrays of arrays of arrays, each below the array cap: 2^60 signals together.
  const std::string dump =
      kUnit +
      lines({header(1, 0x100, "DW_TAG_array_type"), attribute("DW_AT_type", "<0x10>"),
             header(2, 0x101, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "1048575"),
             header(1, 0x104, "DW_TAG_array_type"), attribute("DW_AT_type", "<0x100>"),
             header(2, 0x105, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "1048575"),
             header(1, 0x108, "DW_TAG_array_type"), attribute("DW_AT_type", "<0x104>"),
             header(2, 0x109, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "1048575")}) +
      lines({header(1, 0x200, "DW_TAG_variable"), attribute("DW_AT_name", "cube"),
             attribute("DW_AT_type", "<0x108>"), location(0x100)});
  const auto store = load(dump);
  std::ostringstream console;
  const Output::OutputTexts texts = Output::buildOutputTexts(*store, console, 1000);
  EXPECT_EQ(lineCount(texts.map), 1000u);
  EXPECT_EQ(console.str(), "Variable cube is cut off: only its first 1000 signals are written\n");
}

std::string hex(std::uint32_t value) {
  std::ostringstream text;
  text << std::hex << value;
  return text.str();
}

TEST(HostileInput, StopsAWalkThroughTypesThatShareTheirPartsWithoutEnd) {
  // struct S0 { int x : 0 }; struct S1 { S0 a, b; }; ... struct S60 { S59 a, b; }: no
  // signal at all, but 2^60 ways down.
  std::string dump = kUnit;
  for (std::uint32_t level = 0; level <= 60; ++level) {
    const std::uint32_t offset = 0x100 + level * 4;
    dump += header(1, offset, "DW_TAG_structure_type") + "\n";
    if (level == 0) continue;
    for (std::uint32_t member = 1; member <= 2; ++member) {
      dump += lines({header(2, offset + member, "DW_TAG_member"), attribute("DW_AT_name", "m"),
                     attribute("DW_AT_type", "<0x" + hex(offset - 4) + ">")});
    }
  }
  dump += lines({header(1, 0x400, "DW_TAG_variable"), attribute("DW_AT_name", "shared"),
                 attribute("DW_AT_type", "<0x" + hex(0x100 + 60 * 4) + ">"), location(0x100)});
  const auto store = load(dump);
  std::ostringstream console;
  const Output::OutputTexts texts = Output::buildOutputTexts(*store, console, 1000);
  EXPECT_EQ(texts.map, "");
  EXPECT_EQ(console.str(), "Variable shared is cut off: only its first 0 signals are written\n");
}

TEST(HostileInput, GoesOnPastNumbersThatDoNotConvert) {
  const Converted out = convert(
      kUnit + lines({header(1, 0x20, "DW_TAG_array_type"), attribute("DW_AT_type", "<0xzz>"),
                     attribute("DW_AT_byte_size", "abc"), header(2, 0x21, "DW_TAG_subrange_type"),
                     attribute("DW_AT_upper_bound", "99999999999999999999"),
                     header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "v"),
                     attribute("DW_AT_decl_file", "-"), attribute("DW_AT_type", "<0x10>"),
                     attribute("DW_AT_location", "5 byte block", "(DW_OP_addr: fffffffffff)"),
                     header(99999999, 0x40, "DW_TAG_variable")}));
  EXPECT_EQ(out.texts.map, "ffffffffH     SYMBOL  DATA  DWORD    v\r\n");
}

TEST(HostileInput, TakesBinaryJunkAndNulBytes) {
  std::string junk;
  for (int i = 0; i < 100000; ++i)
    junk += static_cast<char>((i * 7919) % 256);
  const std::string name = std::string("n") + '\0' + "ul";
  const Converted out =
      convert(kUnit + junk + "\n" +
              lines({header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", name),
                     attribute("DW_AT_type", "<0x10>"), location(0x10)}));
  EXPECT_EQ(out.texts.map, "00000010H     SYMBOL  DATA  DWORD    " + name + "\r\n");
}

TEST(HostileInput, TellsADumpThatIsAFolderOrCannotBeReadFromAWholeOne) {
  TempDir dir;
  std::filesystem::create_directory(dir / "app_ObjDump.txt");
  Model::ModelStore folder;
  EXPECT_EQ(Dump::loadDumpFile(folder, dir.file("app_ObjDump.txt")), Dump::DumpRead::NotOpened);
  // A file that opens but cannot be read: reading stops at the failure, which is told.
  const std::string unreadable = geteuid() == 0 ? "/proc/self/mem" : dir.file("secret_ObjDump.txt");
  if (geteuid() != 0) {
    TestSupport::writeFile(unreadable, "x");
    std::filesystem::permissions(unreadable, std::filesystem::perms::none);
  }
  Model::ModelStore store;
  EXPECT_NE(Dump::loadDumpFile(store, unreadable), Dump::DumpRead::Whole);
  EXPECT_TRUE(store.root == nullptr || store.root->children.empty());
}

TEST(HostileInput, ReportsAnOutputFolderThatCannotBeWritten) {
  // /proc takes no new files, not even from root.
  std::ostringstream console;
  EXPECT_FALSE(Output::writeWholeFile("/proc/app_Vek.m51", "x\r\n", console));
  EXPECT_EQ(console.str(), "Can not create file: /proc/app_Vek.m51\n");
}

// Files are written while their text is produced, in pieces of 1 MB: a failure in the
// first piece or a later one leaves the earlier file and no temporary file.
TEST(HostileInput, KeepsTheEarlierFileWhenAWriteFailsPartWay) {
  TempDir dir;
  const std::string path = dir.file("app_Vek.m51");
  TestSupport::writeFile(path, "the earlier map\r\n");
  for (const std::size_t size : {std::size_t{100000}, std::size_t{3} << 20}) {
    // A full disk, made by a file size limit in a child process.
    const auto writeOnAFullDisk = [&path, size] {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      limit.rlim_cur = limit.rlim_max = 4096;
      setrlimit(RLIMIT_FSIZE, &limit);
      std::ostringstream console;
      Output::StreamedFile file(path);
      for (std::size_t written = 0; written < size; written += 1000) {
        file.text().append(1000, 'x');
        file.spillIfFull();
      }
      const bool committed = file.commit(console);
      // _Exit: the forked child must not run the destructors that remove shared folders.
      std::_Exit(!committed && console.str() == "Can not create file: " + path + "\n" ? 0 : 1);
    };
    EXPECT_EXIT(writeOnAFullDisk(), testing::ExitedWithCode(0), "") << size;
    EXPECT_EQ(TestSupport::readFile(path), "the earlier map\r\n");
    EXPECT_FALSE(std::filesystem::exists(path + ".skarvel-tmp"));
  }
}

TEST(HostileInput, RunsEveryInputTheFuzzerEverFoundTrouble) {
  const auto regressions =
      std::filesystem::path(SKARVEL_TEST_DATA).parent_path() / "fuzz" / "regressions";
  std::size_t inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(regressions)) {
    if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
    Fuzz::convertDumpText(TestSupport::readFile(entry.path()));
    ++inputs;
  }
  std::cout << inputs << " regression inputs" << std::endl;
}

}  // namespace

namespace {

// A real image, changed in one place: the direct reader refuses it with a message that
// names what it met, the run fails with status 9, and nothing is written.
// How the image to change is built.
enum class Build { Gcc4, Gcc4Compressed, Clang5 };

struct HostileImage {
  std::string name;
  Build build;
  std::function<void(std::string& bytes, const Elf::ElfImage& image)> change;
  std::string message;  // a part of the message
};

void PrintTo(const HostileImage& hostile, std::ostream* out) {
  *out << hostile.name;
}

class HostileImages : public testing::TestWithParam<HostileImage> {};

// Numbers in a little-endian image.
void put(std::string& bytes, std::size_t at, std::uint32_t value, unsigned width = 4) {
  for (unsigned k = 0; k < width; ++k)
    bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xff);
}
std::uint32_t get(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (unsigned k = 0; k < 4; ++k)
    value |= std::uint32_t{static_cast<unsigned char>(bytes[at + k])} << (8 * k);
  return value;
}
std::size_t offsetOf(const Elf::ElfImage& image, const char* section) {
  return image.section(section)->fileOffset;
}
// Where the first unit of .debug_info names its abbreviations, and where its first entry
// starts: the header differs from DWARF 5 on.
std::size_t abbreviationOffsetField(const std::string& bytes, const Elf::ElfImage& image) {
  const std::size_t unit = offsetOf(image, ".debug_info");
  return unit + (bytes[unit + 4] >= 5 ? 8 : 6);
}
std::size_t firstEntry(const std::string& bytes, const Elf::ElfImage& image) {
  return abbreviationOffsetField(bytes, image) +
         (bytes[offsetOf(image, ".debug_info") + 4] >= 5 ? 4 : 5);
}
// The row of a section in the section table, for changing its header.
std::size_t rowOf(const std::string& bytes, const Elf::ElfImage& image, const char* section) {
  const std::size_t index = static_cast<std::size_t>(image.section(section) - &image.sections()[0]);
  return get(bytes, 32) + 40 * index;
}

TEST_P(HostileImages, AreRefusedWithAMessageAndNothingWritten) {
  const HostileImage& hostile = GetParam();
  std::vector<std::string> flags{hostile.build == Build::Clang5 ? "-gdwarf-5" : "-gdwarf-4", "-O0"};
  if (hostile.build == Build::Gcc4Compressed) flags.push_back("-gz");
  const auto corpus = TestSupport::corpusDir();
  TestSupport::ImageRecipe recipe{
      "hostile", {corpus / "registers.c", corpus / "ring.c", corpus / "large.c"}, flags, false};
  recipe.clang = hostile.build == Build::Clang5;
  const auto built = TestSupport::buildImage(recipe);
  std::string bytes = TestSupport::readFile(built);
  const std::optional<Elf::ElfImage> image = Elf::ElfImage::read(built.string());
  ASSERT_TRUE(image.has_value());
  hostile.change(bytes, *image);
  TempDir dir;
  TestSupport::writeFile(dir / "app.elf", bytes);

  Model::ModelStore store;
  std::string whyNot;
  EXPECT_FALSE(Elf::loadImage(store, dir.file("app.elf"), whyNot));
  EXPECT_NE(whyNot.find(hostile.message), std::string::npos) << whyNot;

  std::ostringstream out, err;
  EXPECT_EQ(App::runConverter(std::vector<std::string>{"--direct", "--a2l", dir.file("app.elf")},
                              out, err),
            9);
  EXPECT_NE(err.str().find(hostile.message), std::string::npos) << err.str();
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1u) << "only app.elf";
}

// An object file with type units keeps each in a .debug_types section of its own.
TEST(HostileInput, RefusesAnObjectFileWithSeveralSectionsOfOneName) {
  TestSupport::ImageRecipe recipe{"types_object",
                                  {TestSupport::corpusDir() / "app.cpp"},
                                  {"-gdwarf-4", "-fdebug-types-section"},
                                  true,
                                  false};
  const auto object = TestSupport::buildImage(recipe);
  Model::ModelStore store;
  std::string whyNot;
  EXPECT_FALSE(Elf::loadImage(store, object.string(), whyNot));
  EXPECT_NE(whyNot.find("sections named .debug_types, as an object file that is not linked does"),
            std::string::npos)
      << whyNot;
}

INSTANTIATE_TEST_SUITE_P(
    Changes, HostileImages,
    testing::Values(HostileImage{"NotAnElfFile", Build::Gcc4,
                                 [](std::string& b, auto&) { b[1] = 'X'; }, "no ELF file"},
                    HostileImage{"A64BitImage", Build::Gcc4,
                                 [](std::string& b, auto&) { b[4] = 2; }, "64-bit"},
                    HostileImage{"ForAnotherMachine", Build::Gcc4,
                                 [](std::string& b, auto&) { put(b, 18, 62, 2); }, "machine 62"},
                    HostileImage{"CutInItsDebugInformation", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   b.resize(offsetOf(image, ".debug_info") + 100);
                                 },
                                 "beyond the end of the file"},
                    HostileImage{"WithASectionPastTheEndOfTheFile", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, rowOf(b, image, ".debug_abbrev") + 16, 0x7fff0000);
                                 },
                                 ".debug_abbrev lies beyond the end of the file"},
                    HostileImage{"WithAUnitLongerThanItsSection", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_info"), 0x10000000);
                                 },
                                 "runs past the end of the section"},
                    HostileImage{"InTheSixtyFourBitFormat", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_info"), 0xffffffff);
                                 },
                                 "64-bit DWARF format"},
                    HostileImage{"OfAnUnknownVersion", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_info") + 4, 7, 2);
                                 },
                                 "DWARF version 7"},
                    HostileImage{"WithItsAbbreviationsPastTheirSection", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, abbreviationOffsetField(b, image), 0x7fffffff);
                                 },
                                 "past the end of the section"},
                    HostileImage{"WithAnAbbreviationCodeThatIsNotDefined", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   b[firstEntry(b, image)] = 0x7f;
                                 },
                                 "abbreviation code 127"},
                    HostileImage{"WithAnUnknownForm", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   b[offsetOf(image, ".debug_abbrev") + 4] = 0x7f;
                                 },
                                 "the form 0x7f"},
                    HostileImage{"WithAnAbbreviationTableWithoutEnd", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, rowOf(b, image, ".debug_abbrev") + 20, 5);
                                 },
                                 "the data ends before what it announces"},
                    HostileImage{"WithStringsWithoutEnd", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   const Elf::Section& str = *image.section(".debug_str");
                                   std::replace(b.begin() + str.fileOffset,
                                                b.begin() + str.fileOffset + str.size, '\0', 'x');
                                 },
                                 "a string without its ending NUL"},
                    HostileImage{"WithALineTableThatRunsPastItsSection", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_line"), 0x7ffffff0);
                                 },
                                 ".debug_line"},
                    HostileImage{"CompressedToInflatePastTheBound", Build::Gcc4Compressed,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_info") + 4, 0xfffffff0);
                                 },
                                 "past the bound"},
                    HostileImage{"CompressedToInflateToAnotherSize", Build::Gcc4Compressed,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   const std::size_t at = offsetOf(image, ".debug_info") + 4;
                                   put(b, at, get(b, at) - 1);
                                 },
                                 "does not inflate to the"},
                    HostileImage{"CompressedWithZstd", Build::Gcc4Compressed,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_info"), 2);
                                 },
                                 "zstd"},
                    HostileImage{"CompressedAndDamaged", Build::Gcc4Compressed,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   put(b, offsetOf(image, ".debug_info") + 12, 0x12345678);
                                 },
                                 "damaged"},
                    HostileImage{"WithAChainOfIndirectForms", Build::Gcc4,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   b[offsetOf(image, ".debug_abbrev") + 4] =
                                       0x16;  // DW_FORM_indirect
                                   b.replace(firstEntry(b, image) + 1, 8, 8, '\x16');
                                 },
                                 "a chain of indirect forms"},
                    HostileImage{"WithAFileTableOfAHugeCount", Build::Clang5,
                                 [](std::string& b, const Elf::ElfImage& image) {
                                   // The first line-number program of version 5 (clang's), whose
                                   // directory count follows one column format after the 12
                                   // standard opcode lengths.
                                   std::size_t at = offsetOf(image, ".debug_line");
                                   while (b[at + 4] != 5)
                                     at += 4 + get(b, at);
                                   b.replace(at + 33, 5, "\xff\xff\xff\xff\x0f");
                                 },
                                 "a table of 4294967295 rows"}),
    [](const testing::TestParamInfo<HostileImage>& info) { return info.param.name; });

}  // namespace
