#include "dump/FileTableReader.h"

#include <gtest/gtest.h>

#include "tests/support/DumpText.h"

namespace {

using Model::StatementList;
using TestSupport::lines;
using TestSupport::load;

const StatementList& listAt(const Model::ModelStore& store, std::uint32_t offset) {
  const auto found = store.statementListsByOffset.find(offset);
  EXPECT_NE(found, store.statementListsByOffset.end()) << offset;
  static const StatementList none(0);
  return found == store.statementListsByOffset.end() ? none : *found->second;
}

using Strings = std::vector<std::string>;

TEST(FileTable, ReadsTheHistoricDirectoryAndFileTables) {
  const auto store =
      load(lines({"  Offset:                      0x0", " The Directory Table:", "  ../src",
                  "  c:/include", "", "  Entry\tDir\tTime\tSize\tName", "  1\t1\t0\t0\tmain.c",
                  "  2\t2\t0\t0\tstdint.h", "  3\t0\t0\t0\tlocal.h", ""}));
  const StatementList& list = listAt(*store, 0);
  EXPECT_EQ(list.directories, (Strings{"../src", "c:/include"}));
  EXPECT_EQ(list.files, (Strings{"../src/main.c", "c:/include/stdint.h", "/local.h"}));
  ASSERT_NE(list.file(1), nullptr);
  EXPECT_EQ(*list.file(1), "../src/main.c");
  EXPECT_EQ(list.file(0), nullptr);
  EXPECT_EQ(list.file(4), nullptr);
}

TEST(FileTable, KeepsTrailingBlanksAndNumbersFilesByTheirOrder) {
  const auto store =
      load(lines({"  Offset:                      0x10", " The Directory Table:", "  dir  ", "   ",
                  "", "  Entry\tDir\tTime\tSize\tName", "  5\t1\t0\t0\ta.c", "  6\t1\t0\t0\tb.c",
                  "  7\t2\t0\t0\tc.c", "  not a row", "  8\t9\t0\t0\td.c", ""}));
  const StatementList& list = listAt(*store, 0x10);
  EXPECT_EQ(list.directories, (Strings{"dir  ", ""}));
  EXPECT_EQ(list.files, (Strings{"dir  /a.c", "dir  /b.c", "/c.c", "/d.c"}));
}

TEST(FileTable, ReadsTheTablesOfCurrentBinutilsForLineTablesUpToVersion4) {
  const auto store = load(lines(
      {"  Offset:                      0", "  DWARF Version:               3",
       " The Directory Table (offset 0x1b):", "  1\t/usr/lib/gcc/arm-none-eabi/12.2.1/include", "",
       " The File Name Table (offset 0xbb):", "  Entry\tDir\tTime\tSize\tName", "  1\t0\t0\t0\ta.c",
       "  2\t1\t0\t0\tstdint.h", "", "  Offset:                      0x91",
       " The Directory Table (offset 0xac):", "  1\t/inc", "",
       " The File Name Table (offset 0xbb):", "  Entry\tDir\tTime\tSize\tName", "  1\t1\t0\t0\tb.h",
       ""}));
  const StatementList& first = listAt(*store, 0);
  EXPECT_EQ(first.directories, (Strings{"/usr/lib/gcc/arm-none-eabi/12.2.1/include"}));
  EXPECT_EQ(first.files, (Strings{"/a.c", "/usr/lib/gcc/arm-none-eabi/12.2.1/include/stdint.h"}));
  EXPECT_EQ(first.firstEntryNumber, 1u);
  EXPECT_EQ(listAt(*store, 0x91).files, (Strings{"/inc/b.h"}));
}

TEST(FileTable, ReadsVersion5TablesNumberedFromZero) {
  const auto store = load(lines(
      {"  Offset:                      0x22",
       " The Directory Table (offset 0x22, lines 2, columns 1):", "  Entry\tName",
       "  0\t(indirect line string, offset: 0): /home/dev/fw",
       "  1\t(indirect line string, offset: 0x11): /usr/include", "",
       " The File Name Table (offset 0x32, lines 3, columns 3):", "  Entry\tDir\tMD5\t\t\t\tName",
       "  0\t0 0x4488f26acdebf43ba236f5e4c1b64b24\t(indirect line string, offset: 0x31): main.c",
       "  1\t1 0x13aafd0c898ad5e0279796f14b3a1247\t(indirect line string, offset: 0x38): stdint.h",
       "  2\t0\tplain.h", ""}));
  const StatementList& list = listAt(*store, 0x22);
  EXPECT_EQ(list.firstEntryNumber, 0u);
  EXPECT_EQ(list.directories, (Strings{"/home/dev/fw", "/usr/include"}));
  EXPECT_EQ(list.files,
            (Strings{"/home/dev/fw/main.c", "/usr/include/stdint.h", "/home/dev/fw/plain.h"}));
  ASSERT_NE(list.file(0), nullptr);
  EXPECT_EQ(*list.file(0), "/home/dev/fw/main.c");
  EXPECT_EQ(list.file(3), nullptr);
}

TEST(FileTable, SwitchesToTheListOfEachNewProgram) {
  const auto store =
      load(lines({"  Offset:                      0x0", " The Directory Table:", "  one", "",
                  "  Offset:                      0x40", " The Directory Table:", "  two", ""}));
  EXPECT_EQ(listAt(*store, 0).directories, (Strings{"one"}));
  EXPECT_EQ(listAt(*store, 0x40).directories, (Strings{"two"}));
}

TEST(FileTable, KeepsTheFirstListOfAnOffsetAndOnlyItsRows) {
  const auto store =
      load(lines({"  Offset:                      0x0", " The Directory Table:", "  first", "",
                  "  Offset:                      0x0", " The Directory Table:", "  second", ""}));
  ASSERT_EQ(store->statementListsByOffset.size(), 1u);
  EXPECT_EQ(listAt(*store, 0).directories, (Strings{"first"}));
}

TEST(FileTable, RecordsNoRowsBeforeTheFirstProgram) {
  const auto store =
      load(lines({" The Directory Table:", "  lost", "  Pointer Size:  4",
                  "  Offset:                      0x0", " The Directory Table:", "  kept", ""}));
  EXPECT_EQ(listAt(*store, 0).directories, (Strings{"kept"}));
}

}  // namespace
