#include "output/CanapeFormat.h"

#include <gtest/gtest.h>

namespace {

using Output::SignalEntry;

std::string databaseLine(std::uint32_t address, std::uint32_t size, bool isSigned,
                         std::string_view name, std::uint32_t bitSize = 0,
                         std::uint32_t bitPosition = 0) {
  SignalEntry entry;
  entry.address = address;
  entry.size = size;
  entry.isSigned = isSigned;
  entry.bitSize = bitSize;
  std::string database;
  Output::appendDatabaseLine(database, entry, name, bitPosition);
  return database;
}

std::string nameField(std::string_view databaseName) {
  std::string field = "'" + std::string(databaseName) + "'  ";
  field.resize(std::max<std::size_t>(field.size(), 100), ' ');
  return field;
}

TEST(Database, StartsWithItsThreeHeaderLines) {
  std::string database;
  Output::appendDatabaseHeader(database);
  EXPECT_EQ(database,
            "VERSION 104 COMMENT \"CANAPE DB\"\r\nGROUP 'Zu_Signals' : \"\"\r\n['Zu_Signals']\r\n");
}

TEST(Database, MatchesTheWorkedExamples) {
  EXPECT_EQ(databaseLine(0x4a0, 1, false, "g_mode"),
            "VARIABLE 0x0 " + nameField("g_mode") +
                "0x000004a0    \"\" UINT(8)    \"\" 0 0                   255                 "
                "CHARACTERISTIC       WEAK_LIMITS 0                    255\r\n");
  EXPECT_EQ(databaseLine(0x4a4, 4, false, "s_status.mode_Bits:234", 3, 2),
            "VARIABLE 0x0 " + nameField("s_status.mode_Bits_234") +
                "0x000004a4    \"\" UINT(3,2) \"\" 0 0           7 (0  7)            "
                "CHARACTERISTIC  WEAK_LIMITS 0                   7\r\n");
  EXPECT_EQ(databaseLine(0x4a4, 4, true, "s_status.mode_Bits:234", 3, 2),
            "VARIABLE 0x0 " + nameField("s_status.mode_Bits_234") +
                "0x000004a4    \"\" UINT(3,2) \"\" 0 -4           3 (-4  3)            "
                "CHARACTERISTIC  WEAK_LIMITS -4                   3\r\n");
}

struct TailCase {
  std::uint32_t size;
  bool isSigned;
  std::string typeText;
  std::string minimum;
  std::string maximum;
  std::size_t length;
};
class FixedTail : public testing::TestWithParam<TailCase> {};
TEST_P(FixedTail, HasItsTypeAndLimitsInFixedColumns) {
  const TailCase& c = GetParam();
  const std::string_view tail = Output::databaseTypeTail(c.size, c.isSigned);
  EXPECT_EQ(tail.size(), c.length);
  EXPECT_EQ(tail.substr(0, 7), "    \"\" ");
  EXPECT_EQ(tail.substr(7, 11), (c.typeText + std::string(11 - c.typeText.size(), ' ')));
  EXPECT_EQ(tail.substr(18, 5), "\"\" 0 ");
  EXPECT_EQ(tail.substr(23, 20).substr(0, c.minimum.size()), c.minimum);
  EXPECT_EQ(tail.substr(43, 20).substr(0, c.maximum.size()), c.maximum);
  EXPECT_EQ(tail.substr(63, 33), "CHARACTERISTIC       WEAK_LIMITS ");
  EXPECT_EQ(tail.substr(96, 21).substr(0, c.minimum.size()), c.minimum);
  EXPECT_EQ(tail.substr(117), c.maximum);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, FixedTail,
    testing::Values(TailCase{1, false, "UINT(8)", "0", "255", 120},
                    TailCase{2, false, "UINT(16)", "0", "65535", 122},
                    TailCase{4, false, "UINT(32)", "0", "4294967295", 127},
                    TailCase{8, false, "UINT(64)", "0", "4294967295", 127},
                    TailCase{1, true, "INT(8)", "-128", "127", 120},
                    TailCase{2, true, "INT(16)", "-32768", "32767", 122},
                    TailCase{4, true, "INT(32)", "-2147483648", "2147483647", 127},
                    TailCase{8, true, "INT(64)", "-2147483648", "2147483647", 127},
                    TailCase{3, true, "UINT(64)", "0", "4294967295", 127},
                    TailCase{0, false, "UINT(64)", "0", "4294967295", 127}));

struct LimitCase {
  std::uint32_t width;
  bool isSigned;
  std::string minimum;
  std::string maximum;
};
class BitFieldLimits : public testing::TestWithParam<LimitCase> {};
TEST_P(BitFieldLimits, FollowWidthAndSignedness) {
  const auto limits = Output::bitFieldLimits(GetParam().width, GetParam().isSigned);
  EXPECT_EQ(limits.minimum, GetParam().minimum);
  EXPECT_EQ(limits.maximum, GetParam().maximum);
}
INSTANTIATE_TEST_SUITE_P(
    Widths, BitFieldLimits,
    testing::Values(LimitCase{1, false, "0", "1"}, LimitCase{1, true, "-1", "0"},
                    LimitCase{3, true, "-4", "3"}, LimitCase{32, false, "0", "4294967295"},
                    LimitCase{32, true, "-2147483648", "2147483647"},
                    LimitCase{40, false, "0", "1099511627775"},
                    LimitCase{64, true, "-9223372036854775808", "9223372036854775807"},
                    LimitCase{64, false, "0", "18446744073709551615"}));

TEST(Database, ReplacesScopeCharactersOnlyInTheDatabaseName) {
  EXPECT_EQ(Output::databaseName("app::Engine->x"), "app__Engine->x");
  EXPECT_EQ(Output::databaseName("tick@count_Bits:34"), "tick_count_Bits_34");
}

TEST(Database, FillsTheNameFieldToOneHundredCharactersAndNoFurther) {
  const std::string exact(96, 'n');
  const std::string line = databaseLine(8, 1, false, exact);
  EXPECT_EQ(line.substr(13, 100), "'" + exact + "'  ");
  EXPECT_EQ(line.substr(113, 10), "0x00000008");
  const std::string longer(120, 'n');
  EXPECT_EQ(databaseLine(8, 1, false, longer).substr(13, 126), "'" + longer + "'  0x");
}

}  // namespace
