#include "dump/NumberText.h"

#include <gtest/gtest.h>

namespace {

struct NumberCase {
  std::string text;
  std::uint32_t value;
};

class ReadDecimal : public testing::TestWithParam<NumberCase> {};
TEST_P(ReadDecimal, ReadsTheLeadingNumber) {
  EXPECT_EQ(Dump::readDecimal(GetParam().text), GetParam().value) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(
    Texts, ReadDecimal,
    testing::Values(NumberCase{"12", 12}, NumberCase{"-1", 0xFFFFFFFFu}, NumberCase{"0x10", 0},
                    NumberCase{"  42 ", 42}, NumberCase{"\t+7", 7}, NumberCase{"", 0},
                    NumberCase{"abc", 0}, NumberCase{"-", 0}, NumberCase{"12abc", 12},
                    NumberCase{"4294967295", 0xFFFFFFFFu}, NumberCase{"4294967296", 0},
                    NumberCase{"-2147483648", 0x80000000u}, NumberCase{"2147483648", 0x80000000u},
                    NumberCase{"99999999999999999999", 0x630FFFFFu}));

class ReadHex : public testing::TestWithParam<NumberCase> {};
TEST_P(ReadHex, ReadsTheDigitsAsUnsigned32Bits) {
  EXPECT_EQ(Dump::readHex(GetParam().text), GetParam().value) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(Texts, ReadHex,
                         testing::Values(NumberCase{"2d", 0x2d}, NumberCase{"20000100", 0x20000100},
                                         NumberCase{"FFFFFFFF", 0xFFFFFFFFu},
                                         NumberCase{"123456789", 0x23456789u},
                                         NumberCase{"aBc", 0xabc}, NumberCase{"", 0}));

class ReadNumber : public testing::TestWithParam<NumberCase> {};
TEST_P(ReadNumber, ReadsFourByteConstantsInHexAndTheRestInDecimal) {
  EXPECT_EQ(Dump::readNumber(GetParam().text), GetParam().value) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(Texts, ReadNumber,
                         testing::Values(NumberCase{"0x3d08f", 249999},
                                         NumberCase{"0x11178", 70008}, NumberCase{" 0x10", 16},
                                         NumberCase{"12", 12}, NumberCase{"-70000", 0xFFFEEE90u},
                                         NumberCase{"0", 0}, NumberCase{"0x", 0},
                                         NumberCase{"0xg", 0},
                                         NumberCase{"0x1ffffffff", 0xFFFFFFFFu}));

}  // namespace
