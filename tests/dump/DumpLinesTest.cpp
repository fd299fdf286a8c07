#include "dump/DumpLines.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TempDir.h"

namespace {

using TestSupport::TempDir;

std::vector<std::string> linesOf(Dump::DumpLines& lines) {
  std::vector<std::string> result;
  std::string_view line;
  while (lines.next(line))
    result.emplace_back(line);
  return result;
}

// Gives a text in pieces of at most `piece` bytes, as a pipe does.
class PiecewiseSource final : public Dump::DumpSource {
 public:
  PiecewiseSource(std::string_view text, std::size_t piece) : text_(text), piece_(piece) {}
  std::size_t read(char* into, std::size_t size) override {
    const std::size_t got = std::min({size, piece_, text_.size()});
    text_.copy(into, got);
    text_.remove_prefix(got);
    return got;
  }

 private:
  std::string_view text_;
  std::size_t piece_;
};

struct SplitCase {
  std::string text;
  std::vector<std::string> lines;
};

class DumpLinesSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(DumpLinesSplit, GivesTheLinesWithoutTheirBreaks) {
  Dump::DumpLines text;
  text.openText(GetParam().text);
  EXPECT_EQ(linesOf(text), GetParam().lines);
  // A file gives the same lines, however small the pieces it is read in.
  TempDir dir;
  TestSupport::writeFile(dir / "dump.txt", GetParam().text);
  for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7},
                            Dump::DumpLines::kPieceSize}) {
    Dump::DumpLines file(piece);
    ASSERT_TRUE(file.openFile(dir.file("dump.txt")));
    EXPECT_EQ(linesOf(file), GetParam().lines) << "pieces of " << piece;
    // So does a pipe that gives fewer bytes than asked for.
    PiecewiseSource source(GetParam().text, piece);
    Dump::DumpLines piped(3);
    piped.openSource(source);
    EXPECT_EQ(linesOf(piped), GetParam().lines) << "piped in pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, DumpLinesSplit,
    testing::Values(SplitCase{"", {}}, SplitCase{"\n", {""}}, SplitCase{"a\nb\n", {"a", "b"}},
                    SplitCase{"a\r\nb\r\n", {"a", "b"}}, SplitCase{"a\nb", {"a", "b"}},
                    SplitCase{"a\r\nlast", {"a", "last"}}, SplitCase{"\r\n\r\n", {"", ""}},
                    // Only a CR right before the LF belongs to the line break.
                    SplitCase{"a\rb\r\r\n", {"a\rb\r"}}, SplitCase{"end\r", {"end\r"}},
                    SplitCase{std::string("nul\0byte\n", 9), {std::string("nul\0byte", 8)}},
                    SplitCase{"one long line of text\r\nx\n", {"one long line of text", "x"}}));

TEST(DumpLines, ReadsALineLongerThanItsPieces) {
  TempDir dir;
  const std::string longLine(3 * Dump::DumpLines::kPieceSize + 5, 'x');
  TestSupport::writeFile(dir / "dump.txt", "a\n" + longLine + "\r\nb");
  Dump::DumpLines lines;
  ASSERT_TRUE(lines.openFile(dir.file("dump.txt")));
  EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"a", longLine, "b"}));
}

TEST(DumpLines, CannotOpenAMissingFileOrAFolder) {
  TempDir dir;
  Dump::DumpLines lines;
  EXPECT_FALSE(lines.openFile(dir.file("missing.txt")));
  EXPECT_FALSE(lines.openFile(dir.path().string()));
  std::string_view line;
  EXPECT_FALSE(lines.next(line));
}

}  // namespace
