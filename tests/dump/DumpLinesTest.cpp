#include "dump/DumpLines.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace {

using TestSupport::TempDir;

std::vector<std::string> linesOf(std::string_view text) {
  Dump::DumpLines lines;
  lines.splitText(text);
  return {lines.lines().begin(), lines.lines().end()};
}

struct SplitCase {
  std::string text;
  std::vector<std::string> lines;
};

class DumpLinesSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(DumpLinesSplit, GivesTheLinesWithoutTheirBreaks) {
  EXPECT_EQ(linesOf(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, DumpLinesSplit,
    testing::Values(SplitCase{"", {}}, SplitCase{"\n", {""}}, SplitCase{"a\nb\n", {"a", "b"}},
                    SplitCase{"a\r\nb\r\n", {"a", "b"}}, SplitCase{"a\nb", {"a", "b"}},
                    SplitCase{"a\r\nlast", {"a", "last"}}, SplitCase{"\r\n\r\n", {"", ""}},
                    // Only a CR right before the LF belongs to the line break.
                    SplitCase{"a\rb\r\r\n", {"a\rb\r"}}, SplitCase{"end\r", {"end\r"}},
                    SplitCase{std::string("nul\0byte\n", 9), {std::string("nul\0byte", 8)}}));

TEST(DumpLines, ReadsAFileWithEitherLineEnd) {
  TempDir dir;
  TestSupport::writeFile(dir / "lf.txt", "one\ntwo\nthree");
  TestSupport::writeFile(dir / "crlf.txt", "one\r\ntwo\r\nthree");
  Dump::DumpLines lf;
  Dump::DumpLines crlf;
  ASSERT_TRUE(lf.readFile(dir.file("lf.txt")));
  ASSERT_TRUE(crlf.readFile(dir.file("crlf.txt")));
  EXPECT_EQ(std::vector<std::string_view>(lf.lines().begin(), lf.lines().end()),
            std::vector<std::string_view>(crlf.lines().begin(), crlf.lines().end()));
  EXPECT_EQ(lf.lines().size(), 3u);
}

TEST(DumpLines, ReservesOneLinePer50BytesOfTheFile) {
  TempDir dir;
  TestSupport::writeFile(dir / "1000.txt", std::string(999, 'x') + "\n");
  TestSupport::writeFile(dir / "49.txt", std::string(48, 'x') + "\n");
  Dump::DumpLines large;
  Dump::DumpLines small;
  ASSERT_TRUE(large.readFile(dir.file("1000.txt")));
  ASSERT_TRUE(small.readFile(dir.file("49.txt")));
  EXPECT_EQ(large.capacity(), 20u);
  EXPECT_EQ(small.capacity(), 1u);  // nothing reserved: the one line made the room
  large.clear();
  EXPECT_TRUE(large.lines().empty());
  EXPECT_EQ(large.capacity(), 20u);  // the room stays for a later load
}

TEST(DumpLines, CannotOpenAMissingFileOrAFolder) {
  TempDir dir;
  Dump::DumpLines lines;
  EXPECT_FALSE(lines.readFile(dir.file("missing.txt")));
  EXPECT_FALSE(lines.readFile(dir.path().string()));
  EXPECT_TRUE(lines.lines().empty());
}

}  // namespace
