#include "output/MapFormat.h"

#include <gtest/gtest.h>

namespace {

using Output::SignalEntry;

std::string mapLine(std::uint32_t address, std::uint32_t size, bool isSigned,
                    std::string_view name) {
  SignalEntry entry;
  entry.address = address;
  entry.size = size;
  entry.isSigned = isSigned;
  std::string map;
  Output::appendMapLine(map, entry, name);
  return map;
}

TEST(MapLine, MatchesTheWorkedExamples) {
  EXPECT_EQ(mapLine(0x4a0, 4, false, "g_counter"),
            "000004a0H     SYMBOL  DATA  DWORD    g_counter\r\n");
  EXPECT_EQ(mapLine(0x4a4, 4, false, "s_status.mode_Bits:234"),
            "000004a4H     SYMBOL  DATA  DWORD    s_status.mode_Bits:234\r\n");
  EXPECT_EQ(mapLine(0x8, 1, true, "t"), "00000008H     SYMBOL  DATA  INT8     t\r\n");
  EXPECT_EQ(mapLine(0x20000012, 2, false, "s.b"), "20000012H     SYMBOL  DATA  WORD     s.b\r\n");
}

TEST(MapLine, WritesAddressesInEightLowercaseDigits) {
  EXPECT_EQ(mapLine(0, 1, false, "x").substr(0, 9), "00000000H");
  EXPECT_EQ(mapLine(0xFFFFFFFF, 1, false, "x").substr(0, 9), "ffffffffH");
}

struct WordCase {
  std::uint32_t size;
  bool isSigned;
  std::string word;
};
class TypeWord : public testing::TestWithParam<WordCase> {};
TEST_P(TypeWord, FollowsSizeAndSignedness) {
  EXPECT_EQ(Output::mapTypeWord(GetParam().size, GetParam().isSigned), GetParam().word);
}
INSTANTIATE_TEST_SUITE_P(Sizes, TypeWord,
                         testing::Values(WordCase{1, false, "BYTE "}, WordCase{1, true, "INT8 "},
                                         WordCase{2, false, "WORD "}, WordCase{2, true, "INT16"},
                                         WordCase{4, false, "DWORD"}, WordCase{4, true, "INT32"},
                                         WordCase{8, false, "QWORD"}, WordCase{8, true, "INT64"},
                                         WordCase{0, false, "SIZE_NOT_SUPPORTED_0"},
                                         WordCase{3, true, "SIZE_NOT_SUPPORTED_3"},
                                         WordCase{16, false, "SIZE_NOT_SUPPORTED_16"}));

TEST(MapLine, MovesTheNameRightAfterALongTypeWord) {
  const std::string line = mapLine(0, 0, false, "tick@count");
  EXPECT_EQ(line.find("tick@count"), 52u);  // column 53
}

}  // namespace
