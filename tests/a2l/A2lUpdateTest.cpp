// The A2L files that projects keep: read byte for byte, and updated from the program's
// symbols with nothing else changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "a2l/A2lText.h"
#include "a2l/A2lUpdate.h"
#include "a2l/SymbolTable.h"
#include "tests/support/DumpText.h"
#include "tests/support/TempDir.h"

namespace {

using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::location;
using TestSupport::TempDir;

constexpr std::string_view kHeader = "/* header */";

std::string withoutMark(std::string bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  return bytes;
}

// Real files of other tools: each reads, and writes back as it was, its inclusions
// merged into it.
TEST(A2lText, ReadsTheFilesOfOtherToolsAndWritesThemBackAsTheyWere) {
  const std::filesystem::path shared = SKARVEL_SHARED_A2L;
  if (!std::filesystem::exists(shared)) GTEST_SKIP() << "no " << shared;
  int read = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(shared)) {
    const std::string extension = entry.path().extension().string();
    if (extension != ".a2l" && extension != ".A2L") continue;
    if (entry.path().parent_path().filename() == "submodules") continue;  // read when included
    std::string error;
    const auto description = A2l::Description::read(entry.path().string(), error);
    ASSERT_NE(description, nullptr) << error;
    ++read;
    const std::string written = description->write({}, kHeader);
    const std::string original = TestSupport::readFile(entry.path());
    const std::string start = (original.starts_with("\xEF\xBB\xBF") ? "\xEF\xBB\xBF" : "") +
                              std::string(kHeader) + std::string(description->lineEndOf(0));
    ASSERT_TRUE(written.starts_with(start)) << entry.path();
    if (description->files().size() == 1) {
      EXPECT_TRUE(written.substr(start.size()) == withoutMark(original)) << entry.path();
      continue;
    }
    // Merged: every file's bytes in it, and nothing more than the line ends that end
    // an included file.
    std::size_t expected = start.size();
    for (std::size_t k = 0; k < description->files().size(); ++k) {
      const auto& file = description->files()[k];
      const std::string bytes = withoutMark(std::string(file->bytes));
      const bool includes =
          std::any_of(description->inclusions().begin(), description->inclusions().end(),
                      [&](const A2l::Inclusion& inclusion) { return inclusion.file == k; });
      if (!includes) {
        EXPECT_NE(written.find(bytes), std::string::npos) << file->path;
      }
      expected += bytes.size() + (&file != &description->files().front() && !bytes.ends_with('\n')
                                      ? description->lineEndOf(0).size()
                                      : 0);
    }
    for (const A2l::Inclusion& inclusion : description->inclusions())
      expected -= inclusion.length;
    EXPECT_EQ(written.size(), expected) << entry.path();
  }
  EXPECT_GE(read, 9);
}

struct ReadError {
  std::string name;
  std::vector<std::pair<std::string, std::string>> files;  // the first is read
  std::string error;
};

void PrintTo(const ReadError& readError, std::ostream* out) {
  *out << readError.name;
}

class A2lTextErrors : public testing::TestWithParam<ReadError> {};

TEST_P(A2lTextErrors, SayWhereTheFileCannotBeRead) {
  TempDir dir;
  for (const auto& [name, text] : GetParam().files)
    TestSupport::writeFile(dir / name, text);
  std::string error;
  const auto description = A2l::Description::read(dir.file(GetParam().files.front().first), error);
  EXPECT_EQ(description, nullptr);
  EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, A2lTextErrors,
    testing::Values(ReadError{"NotClosed",
                              {{"a.a2l", "ASAP2_VERSION 1 71\n/begin PROJECT p \"\"\n"}},
                              "a.a2l:2: /begin PROJECT is not closed"},
                    ReadError{
                        "ClosedByAnother",
                        {{"a.a2l", "/begin PROJECT p \"\"\n/begin MODULE m \"\"\n/end PROJECT\n"}},
                        "a.a2l:3: /end PROJECT does not close /begin MODULE"},
                    ReadError{"AStringNotClosed",
                              {{"a.a2l", "/begin PROJECT p \"a\n\n"}},
                              "a.a2l:1: a string is not closed"},
                    ReadError{"ACommentNotClosed",
                              {{"a.a2l", "\n/* a comment\n"}},
                              "a.a2l:2: a comment is not closed"},
                    ReadError{"AnIncludedFileMissing",
                              {{"a.a2l", "\n  /include \"b.a2l\"\n"}},
                              "a.a2l:2: Can not read file: "},
                    ReadError{"AnInclusionLoop",
                              {{"a.a2l", "/include b.a2l\n"}, {"b.a2l", "\n/INCLUDE \"a.a2l\"\n"}},
                              "b.a2l:2: the file "},
                    ReadError{"ClosedByAnotherInsideABlockPassedOver",
                              {{"a.a2l",
                                "/begin ANNOTATION\n  /begin ANNOTATION_TEXT \"/end x\"\n"
                                "/end ANNOTATION\n"}},
                              "a.a2l:3: /end ANNOTATION does not close /begin ANNOTATION_TEXT"},
                    ReadError{"NotClosedInsideABlockPassedOver",
                              {{"a.a2l", "/begin IF_DATA XCP\n  /begin DAQ\n/end IF_DATA\n"}},
                              "a.a2l:3: /end IF_DATA does not close /begin DAQ"},
                    ReadError{"APassedOverBlockNotClosed",
                              {{"a.a2l", "/begin A2ML\n  /begin X /end X \"/end A2ML\"\n"}},
                              "a.a2l:1: /begin A2ML is not closed"},
                    ReadError{"AnIncludeWithoutName",
                              {{"a.a2l", "/begin PROJECT p \"\" /end PROJECT\n/include"}},
                              "a.a2l:2: /include names no file"}),
    [](const testing::TestParamInfo<ReadError>& info) { return info.param.name; });

// The bounds that keep a hostile description from taking all memory or time: one huge
// file (sparse, so the test costs nothing), a long chain, and a few files that include
// each other many times over.
TEST(A2lText, StopsAtTheBoundsOfSizeDepthAndFiles) {
  TempDir dir;
  std::string error;
  TestSupport::writeFile(dir / "big.a2l", "/include \"huge.a2l\"\n");
  TestSupport::writeFile(dir / "huge.a2l", "");
  std::filesystem::resize_file(dir / "huge.a2l", A2l::Description::kMaxBytes);
  EXPECT_EQ(A2l::Description::read(dir.file("big.a2l"), error), nullptr);
  EXPECT_NE(error.find("big.a2l:1: the A2L description grows past 1073741824 bytes"),
            std::string::npos)
      << error;

  const unsigned deepest = A2l::Description::kMaxIncludeDepth;
  for (unsigned k = 0; k <= deepest + 1; ++k) {
    TestSupport::writeFile(dir / ("chain" + std::to_string(k) + ".a2l"),
                           "\n/include chain" + std::to_string(k + 1) + ".a2l\n");
  }
  EXPECT_EQ(A2l::Description::read(dir.file("chain0.a2l"), error), nullptr);
  EXPECT_NE(error.find("chain" + std::to_string(deepest) + ".a2l:2: inclusions nested deeper"),
            std::string::npos)
      << error;

  // Ten inclusions at each of four levels: 11,110 files read.
  for (const char level : std::string("abcd")) {
    std::string text;
    for (int k = 0; k < 10; ++k)
      text += std::string("/include ") + static_cast<char>(level + 1) + ".a2l\n";
    TestSupport::writeFile(dir / (std::string(1, level) + ".a2l"), text);
  }
  TestSupport::writeFile(dir / "e.a2l", "");
  EXPECT_EQ(A2l::Description::read(dir.file("a.a2l"), error), nullptr);
  EXPECT_NE(error.find("more than 10000 files included"), std::string::npos) << error;
}

TEST(A2lText, MergesInclusionsWhereTheyStand) {
  TempDir dir;
  std::filesystem::create_directories(dir / "parts");
  TestSupport::writeFile(dir / "main.a2l",
                         "/begin PROJECT p \"\"\r\n  /include \"parts/module.a2l\" /* here */\r\n"
                         "/end PROJECT\r\n");
  TestSupport::writeFile(dir / "parts" / "module.a2l",
                         "/begin MODULE m \"\"\n  /Include inner.a2l\n/end MODULE");
  TestSupport::writeFile(dir / "parts" / "inner.a2l", "/* inner */\n");
  std::string error;
  const auto description = A2l::Description::read(dir.file("main.a2l"), error);
  ASSERT_NE(description, nullptr) << error;
  EXPECT_EQ(description->write({}, kHeader),
            "/* header */\r\n/begin PROJECT p \"\"\r\n  /begin MODULE m \"\"\n  /* inner */\n\n"
            "/end MODULE\r\n /* here */\r\n/end PROJECT\r\n");
  EXPECT_EQ(description->blocks().size(), 1u);
  EXPECT_EQ(description->blocks()[0].children.size(), 1u);
}

// A program of one unit: a structure with a bit field, an array of it, a table, a
// counter high in memory, a function's static, and a variable the linker removed.
std::string programDump() {
  return lines({"",
                "app.elf:     file format elf32-littlearm",
                "",
                "Sections:",
                "Idx Name          Size      VMA       LMA       File off  Algn",
                "  0 .data         00001000  20000000  20000000  00010000  2**2",
                "                  CONTENTS, ALLOC, LOAD, DATA",
                "Contents of the .debug_info section:",
                "",
                header(0, 0xb, "DW_TAG_compile_unit"),
                attribute("DW_AT_name", "src/main.c"),
                header(1, 0xc, "DW_TAG_base_type"),
                attribute("DW_AT_byte_size", "1"),
                attribute("DW_AT_encoding", "8", "(unsigned char)"),
                header(1, 0xd, "DW_TAG_base_type"),
                attribute("DW_AT_byte_size", "2"),
                attribute("DW_AT_encoding", "7", "(unsigned)"),
                header(1, 0xe, "DW_TAG_base_type"),
                attribute("DW_AT_byte_size", "4"),
                attribute("DW_AT_encoding", "5", "(signed)"),
                header(1, 0x20, "DW_TAG_structure_type"),
                attribute("DW_AT_name", "Pair"),
                attribute("DW_AT_byte_size", "4"),
                header(2, 0x21, "DW_TAG_member"),
                attribute("DW_AT_name", "a"),
                attribute("DW_AT_type", "<0xd>"),
                attribute("DW_AT_data_member_location", "0"),
                header(2, 0x22, "DW_TAG_member"),
                attribute("DW_AT_name", "flags"),
                attribute("DW_AT_type", "<0xc>"),
                attribute("DW_AT_byte_size", "1"),
                attribute("DW_AT_bit_size", "3"),
                attribute("DW_AT_bit_offset", "3"),
                attribute("DW_AT_data_member_location", "2"),
                header(2, 0x23, "DW_TAG_member"),
                attribute("DW_AT_name", "b"),
                attribute("DW_AT_type", "<0xc>"),
                attribute("DW_AT_data_member_location", "3"),
                header(1, 0x30, "DW_TAG_array_type"),
                attribute("DW_AT_type", "<0x20>"),
                header(2, 0x31, "DW_TAG_subrange_type"),
                attribute("DW_AT_upper_bound", "1"),
                header(1, 0x38, "DW_TAG_array_type"),
                attribute("DW_AT_type", "<0xd>"),
                header(2, 0x39, "DW_TAG_subrange_type"),
                attribute("DW_AT_upper_bound", "1"),
                header(2, 0x3a, "DW_TAG_subrange_type"),
                attribute("DW_AT_upper_bound", "2"),
                header(1, 0x40, "DW_TAG_variable"),
                attribute("DW_AT_name", "g_pairs"),
                attribute("DW_AT_type", "<0x30>"),
                attribute("DW_AT_external", "1"),
                location(0x20000010),
                header(1, 0x48, "DW_TAG_variable"),
                attribute("DW_AT_name", "g_count"),
                attribute("DW_AT_type", "<0xe>"),
                attribute("DW_AT_external", "1"),
                location(0x80001000),
                header(1, 0x50, "DW_TAG_variable"),
                attribute("DW_AT_name", "g_table"),
                attribute("DW_AT_type", "<0x38>"),
                attribute("DW_AT_external", "1"),
                location(0x20000100),
                header(1, 0x58, "DW_TAG_subprogram"),
                attribute("DW_AT_name", "tick"),
                header(2, 0x59, "DW_TAG_variable"),
                attribute("DW_AT_name", "calls"),
                attribute("DW_AT_type", "<0xc>"),
                location(0x20000020),
                header(1, 0x60, "DW_TAG_variable"),
                attribute("DW_AT_name", "g_removed"),
                attribute("DW_AT_type", "<0xc>"),
                attribute("DW_AT_external", "1"),
                location(0)});
}

struct UpdateCase {
  std::string name;
  std::string input;
  std::string output;               // what follows the header line
  std::vector<std::string> report;  // lines the report holds
};

void PrintTo(const UpdateCase& update, std::ostream* out) {
  *out << update.name;
}

class A2lUpdates : public testing::TestWithParam<UpdateCase> {};

TEST_P(A2lUpdates, ChangeWhatFollowsTheSymbolAndNothingElse) {
  const auto store = TestSupport::load(programDump());
  const A2l::SymbolTable symbols(*store);
  std::string error;
  const auto description = A2l::Description::fromText("in.a2l", GetParam().input, error);
  ASSERT_NE(description, nullptr) << error;
  A2l::UpdateReport report;
  std::vector<A2l::Edit> edits = A2l::updateDescription(*description, symbols, report);
  const std::string written = description->write(std::move(edits), kHeader);
  const std::string header = std::string(kHeader) + std::string(description->lineEndOf(0));
  ASSERT_TRUE(written.starts_with(header)) << written;
  EXPECT_EQ(written.substr(header.size()), GetParam().output);
  const std::string said = report.text();
  for (const std::string& line : GetParam().report)
    EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
}

INSTANTIATE_TEST_SUITE_P(
    Objects, A2lUpdates,
    testing::Values(
        // Addresses keep their spelling; an address high in memory stays whole.
        UpdateCase{"AddressesInTheirOwnSpelling",
                   "/begin MEASUREMENT g_count \"\"\n"
                   "  SLONG NO_COMPU_METHOD 0 0 -10 10\n"
                   "  ECU_ADDRESS 0x00000000 /* was */\n"
                   "/end MEASUREMENT\n"
                   "/begin CHARACTERISTIC g_pairs._1_.a \"\" VALUE 1234 L 0 NO_COMPU_METHOD 0 10 "
                   "/end CHARACTERISTIC\n"
                   "/begin RECORD_LAYOUT L FNC_VALUES 1 UWORD ROW_DIR DIRECT /end RECORD_LAYOUT\n",
                   "/begin MEASUREMENT g_count \"\"\n"
                   "  SLONG NO_COMPU_METHOD 0 0 -10 10\n"
                   "  ECU_ADDRESS 0x80001000 /* was */\n"
                   "/end MEASUREMENT\n"
                   "/begin CHARACTERISTIC g_pairs._1_.a \"\" VALUE 536870932 L 0 NO_COMPU_METHOD "
                   "0 10 /end CHARACTERISTIC\n"
                   "/begin RECORD_LAYOUT L FNC_VALUES 1 UWORD ROW_DIR DIRECT /end RECORD_LAYOUT\n",
                   {"MEASUREMENT: 1 updated", "CHARACTERISTIC: 1 updated"}},
        // Element and scope spellings of other tools and of skarvel's own identifiers.
        UpdateCase{"NamesAsOtherToolsWriteThem",
                   "/begin MEASUREMENT m1 \"\" UWORD NO_COMPU_METHOD 0 0 0 1 SYMBOL_LINK "
                   "\"g_pairs[1].a\" 0 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_pairs_1_.b \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_pairs_01.b \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0 /end MEASUREMENT\n"
                   "/begin MEASUREMENT tick.calls \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0 "
                   "/end MEASUREMENT\n"
                   "/begin MEASUREMENT m5 \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 SYMBOL_LINK "
                   "\"calls{Function:tick}\" 0 ECU_ADDRESS 0 /end MEASUREMENT\n"
                   "/begin MEASUREMENT m6 \"\" UWORD NO_COMPU_METHOD 0 0 0 1 SYMBOL_LINK "
                   "\"g_table[1][2]\" 0 ECU_ADDRESS 0 /end MEASUREMENT\n",
                   "/begin MEASUREMENT m1 \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000014 SYMBOL_LINK \"g_pairs[1].a\" 0 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_pairs_1_.b \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "536870935 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_pairs_01.b \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "536870935 /end MEASUREMENT\n"
                   "/begin MEASUREMENT tick.calls \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "536870944 /end MEASUREMENT\n"
                   "/begin MEASUREMENT m5 \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 SYMBOL_LINK "
                   "\"calls{Function:tick}\" 0 ECU_ADDRESS 536870944 /end MEASUREMENT\n"
                   "/begin MEASUREMENT m6 \"\" UWORD NO_COMPU_METHOD 0 0 0 1 SYMBOL_LINK "
                   "\"g_table[1][2]\" 0 ECU_ADDRESS 536871178 /end MEASUREMENT\n",
                   {"MEASUREMENT: 6 updated, 0 unchanged, 0 not found, 0 not matched"}},
        // What the symbol is decides the datatype, the mask and the dimensions; an
        // offset is resolved once, to the full path.
        UpdateCase{"TypesAndShapesFollowTheSymbol",
                   "/begin MEASUREMENT flags \"\"\r\n"
                   "  ULONG NO_COMPU_METHOD 0 0 0 4294967295\r\n"
                   "  SYMBOL_LINK \"g_pairs[1].flags\" 0\r\n"
                   "/end MEASUREMENT\r\n"
                   "/begin MEASUREMENT b \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 SYMBOL_LINK "
                   "\"g_pairs\" 7 /end MEASUREMENT\r\n"
                   "/begin MEASUREMENT table \"\" UBYTE NO_COMPU_METHOD 0 0 0 255 ECU_ADDRESS 0 "
                   "BIT_MASK 0x0F SYMBOL_LINK \"g_table\" 0 /end MEASUREMENT\r\n"
                   "/begin MEASUREMENT g_pairs._0_.a \"\" UWORD NO_COMPU_METHOD 0 0 0 65535\r\n"
                   "  ECU_ADDRESS 0x0 BIT_MASK 0xFF00 /* by hand */\r\n"
                   "/end MEASUREMENT\r\n",
                   "/begin MEASUREMENT flags \"\"\r\n"
                   "  UBYTE NO_COMPU_METHOD 0 0 0 7\r\n"
                   "  ECU_ADDRESS 0x20000016\r\n"
                   "  BIT_MASK 0x1C\r\n"
                   "  SYMBOL_LINK \"g_pairs[1].flags\" 0\r\n"
                   "/end MEASUREMENT\r\n"
                   "/begin MEASUREMENT b \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x20000017 "
                   "SYMBOL_LINK \"g_pairs[1].b\" 0 /end MEASUREMENT\r\n"
                   "/begin MEASUREMENT table \"\" UWORD NO_COMPU_METHOD 0 0 0 255 ECU_ADDRESS "
                   "536871168 MATRIX_DIM 2 3 BIT_MASK 0x0F SYMBOL_LINK \"g_table\" 0 /end "
                   "MEASUREMENT\r\n"
                   "/begin MEASUREMENT g_pairs._0_.a \"\" UWORD NO_COMPU_METHOD 0 0 0 65535\r\n"
                   "  ECU_ADDRESS 0x20000010 BIT_MASK 0xFF00 /* by hand */\r\n"
                   "/end MEASUREMENT\r\n",
                   {}},
        // Gone symbols lose their address; names that are no symbol are kept.
        UpdateCase{"GoneAndUnmatched",
                   "/begin MEASUREMENT gone \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x1234\n"
                   "  /begin IF_DATA CANAPE_EXT 100 LINK_MAP \"g_vanished\" 0x1234 0 0 0 1 0x87 0 "
                   "/end IF_DATA\n/end MEASUREMENT\n"
                   "/begin MEASUREMENT g_removed \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x44 /end MEASUREMENT\n"
                   "/begin MEASUREMENT inside \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x8 "
                   "SYMBOL_LINK \"g_count\" 1 /end MEASUREMENT\n"
                   "/begin MEASUREMENT ASAM.M.SCALAR \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 "
                   "ECU_ADDRESS 0x810000 /end MEASUREMENT\n",
                   "/begin MEASUREMENT gone \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x0000\n"
                   "  /begin IF_DATA CANAPE_EXT 100 LINK_MAP \"g_vanished\" 0x0000 0 0 0 1 0x87 0 "
                   "/end IF_DATA\n/end MEASUREMENT\n"
                   "/begin MEASUREMENT g_removed \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x00 /end MEASUREMENT\n"
                   "/begin MEASUREMENT inside \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x0 "
                   "SYMBOL_LINK \"g_count\" 1 /end MEASUREMENT\n"
                   "/begin MEASUREMENT ASAM.M.SCALAR \"\" UBYTE NO_COMPU_METHOD 0 0 0 1 "
                   "ECU_ADDRESS 0x810000 /end MEASUREMENT\n",
                   {"MEASUREMENT gone (in.a2l:1): not found: g_vanished is no longer in the image",
                    "MEASUREMENT g_removed (in.a2l:4): not found: g_removed was removed by the "
                    "linker",
                    "MEASUREMENT inside (in.a2l:5): not found: g_count has no member or element "
                    "at offset 1",
                    "MEASUREMENT ASAM.M.SCALAR (in.a2l:6): not matched",
                    "MEASUREMENT: 0 updated, 0 unchanged, 3 not found, 1 not matched"}},
        // What is put in stands apart from its neighbours: an address after a string that
        // the next token follows without a space, a number in place of a string that
        // touches both of its neighbours, a layout's copy after a line it shares. What
        // stands between dimensions stays.
        UpdateCase{"InsertionsStandApart",
                   "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 -10 \"10\"/end "
                   "MEASUREMENT\n"
                   "/begin MEASUREMENT g_table \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000100 NUMBER\"5\"/end MEASUREMENT\n"
                   "/begin MEASUREMENT g_table \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000100 MATRIX_DIM 3 /* rows */ 2 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_table \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000100 MATRIX_DIM 6 /begin IF_DATA X /end IF_DATA 1 /end MEASUREMENT\n"
                   "/begin CHARACTERISTIC c \"\" VALUE 0 W 0 NO_COMPU_METHOD -1 1 SYMBOL_LINK "
                   "\"g_count\" 0 /end CHARACTERISTIC /begin RECORD_LAYOUT W FNC_VALUES 1 SWORD "
                   "/end RECORD_LAYOUT\n",
                   "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 -10 \"10\" "
                   "ECU_ADDRESS 0x80001000 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_table \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000100 NUMBER 6 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_table \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000100 MATRIX_DIM 2 /* rows */ 3 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_table \"\" UWORD NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS "
                   "0x20000100 MATRIX_DIM 2 3 /begin IF_DATA X /end IF_DATA 1 /end MEASUREMENT\n"
                   "/begin CHARACTERISTIC c \"\" VALUE 2147487744 W_SLONG 0 NO_COMPU_METHOD -1 1 "
                   "SYMBOL_LINK \"g_count\" 0 /end CHARACTERISTIC /begin RECORD_LAYOUT W "
                   "FNC_VALUES 1 SWORD /end RECORD_LAYOUT\n"
                   "/begin RECORD_LAYOUT W_SLONG FNC_VALUES 1 SLONG /end RECORD_LAYOUT\n",
                   {"MEASUREMENT: 4 updated", "CHARACTERISTIC: 1 updated"}},
        // Objects without memory of their own, relative and variant addresses stay.
        UpdateCase{"LeftAlone",
                   "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x4 "
                   "ECU_ADDRESS_EXTENSION 1 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0 "
                   "/begin VIRTUAL x /end VIRTUAL /end MEASUREMENT\n"
                   "/begin VAR_CHARACTERISTIC g_table V /begin VAR_ADDRESS 0x10 0x20 /end "
                   "VAR_ADDRESS /end VAR_CHARACTERISTIC\n",
                   "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0x4 "
                   "ECU_ADDRESS_EXTENSION 1 /end MEASUREMENT\n"
                   "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 0 1 ECU_ADDRESS 0 "
                   "/begin VIRTUAL x /end VIRTUAL /end MEASUREMENT\n"
                   "/begin VAR_CHARACTERISTIC g_table V /begin VAR_ADDRESS 0x10 0x20 /end "
                   "VAR_ADDRESS /end VAR_CHARACTERISTIC\n",
                   {"VAR_CHARACTERISTIC g_table (in.a2l:3): not updated",
                    "MEASUREMENT: 0 updated, 2 unchanged"}},
        // A layout that no longer fits gets a typed copy; the shared one is not edited.
        // Limits narrow without a conversion and are reported under one.
        UpdateCase{"LayoutsAndLimits",
                   "ASAP2_VERSION 1 61\n"
                   "/begin CHARACTERISTIC t1 \"\" VAL_BLK 0 W 0 NO_COMPU_METHOD -70000 70000 "
                   "MATRIX_DIM 6 SYMBOL_LINK \"g_table\" 0 /end CHARACTERISTIC\n"
                   "/begin CHARACTERISTIC t2 \"\" VALUE 0 W 0 CM -1 1 SYMBOL_LINK \"g_count\" 0 "
                   "/end CHARACTERISTIC\n"
                   "/begin CHARACTERISTIC t3 \"\" VALUE 0 W 0 NO_COMPU_METHOD 0 1 SYMBOL_LINK "
                   "\"g_pairs[0].a\" 0 /end CHARACTERISTIC\n"
                   "/begin COMPU_METHOD CM \"\" LINEAR \"%6.2\" \"\" COEFFS_LINEAR 2 0 /end "
                   "COMPU_METHOD\n"
                   "  /begin RECORD_LAYOUT W\n    FNC_VALUES 1 SWORD ROW_DIR DIRECT\n  /end "
                   "RECORD_LAYOUT\n"
                   "/begin BLOB b \"\" 0 1 SYMBOL_LINK \"g_pairs\" 0 /end BLOB\n"
                   "/begin AXIS_PTS x \"\" 0 NO_INPUT_QUANTITY W 0 NO_COMPU_METHOD 9 0 100 "
                   "SYMBOL_LINK \"g_pairs[0]\" 0 /end AXIS_PTS\n",
                   "ASAP2_VERSION 1 61\n"
                   "/begin CHARACTERISTIC t1 \"\" VAL_BLK 536871168 W_UWORD 0 NO_COMPU_METHOD 0 "
                   "65535 MATRIX_DIM 2 3 1 SYMBOL_LINK \"g_table\" 0 /end CHARACTERISTIC\n"
                   "/begin CHARACTERISTIC t2 \"\" VALUE 2147487744 W_SLONG 0 CM -1 1 SYMBOL_LINK "
                   "\"g_count\" 0 /end CHARACTERISTIC\n"
                   "/begin CHARACTERISTIC t3 \"\" VALUE 536870928 W_UWORD 0 NO_COMPU_METHOD 0 1 "
                   "SYMBOL_LINK \"g_pairs[0].a\" 0 /end CHARACTERISTIC\n"
                   "/begin COMPU_METHOD CM \"\" LINEAR \"%6.2\" \"\" COEFFS_LINEAR 2 0 /end "
                   "COMPU_METHOD\n"
                   "  /begin RECORD_LAYOUT W\n    FNC_VALUES 1 SWORD ROW_DIR DIRECT\n  /end "
                   "RECORD_LAYOUT\n"
                   "  /begin RECORD_LAYOUT W_UWORD\n    FNC_VALUES 1 UWORD ROW_DIR DIRECT\n  "
                   "/end RECORD_LAYOUT\n"
                   "  /begin RECORD_LAYOUT W_SLONG\n    FNC_VALUES 1 SLONG ROW_DIR DIRECT\n  "
                   "/end RECORD_LAYOUT\n"
                   "/begin BLOB b \"\" 536870928 8 SYMBOL_LINK \"g_pairs\" 0 /end BLOB\n"
                   "/begin AXIS_PTS x \"\" 536870928 NO_INPUT_QUANTITY W 0 NO_COMPU_METHOD 9 0 "
                   "100 SYMBOL_LINK \"g_pairs[0]\" 0 /end AXIS_PTS\n",
                   {"CHARACTERISTIC: 3 updated", "BLOB: 1 updated", "AXIS_PTS: 1 updated"}},
        // Blocks whose contents are passed over end at their own /end: not at one in a
        // string, a comment or the middle of a word, and nested ones are counted.
        UpdateCase{
            "AfterBlocksPassedOver",
            "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 -10 10\n"
            "  /begin IF_DATA XCP \"/end IF_DATA\" a/end /* /end IF_DATA */ \"a \\\" /end\"\n"
            "    /begin DAQ \"x\"\"/end\" /end DAQ // /end IF_DATA\n"
            "  /end IF_DATA\n"
            "  /begin ANNOTATION /begin ANNOTATION_TEXT \"x\" /end ANNOTATION_TEXT\n"
            "  /end ANNOTATION ECU_ADDRESS 0x0\n"
            "/end MEASUREMENT\n",
            "/begin MEASUREMENT g_count \"\" SLONG NO_COMPU_METHOD 0 0 -10 10\n"
            "  /begin IF_DATA XCP \"/end IF_DATA\" a/end /* /end IF_DATA */ \"a \\\" /end\"\n"
            "    /begin DAQ \"x\"\"/end\" /end DAQ // /end IF_DATA\n"
            "  /end IF_DATA\n"
            "  /begin ANNOTATION /begin ANNOTATION_TEXT \"x\" /end ANNOTATION_TEXT\n"
            "  /end ANNOTATION ECU_ADDRESS 0x80001000\n"
            "/end MEASUREMENT\n",
            {"MEASUREMENT: 1 updated"}}),
    [](const testing::TestParamInfo<UpdateCase>& info) { return info.param.name; });

}  // namespace
