// The matchers against std::regex on every line of dumps that the installed objdump
// writes for sample programs built by the installed compiler.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "dump/LinePatterns.h"
#include "tests/support/DumpText.h"
#include "tests/support/PatternComparison.h"
#include "tests/support/TempDir.h"
#include "tests/support/Toolchain.h"

namespace {

using TestSupport::nearMisses;
using TestSupport::PatternComparison;

// Lines of dumps that the installed objdump writes for our sample programs.
std::vector<std::string> realDumpLines() {
  using TestSupport::ImageRecipe;
  const auto data = TestSupport::dataDir();
  std::vector<ImageRecipe> recipes;
  for (const char* dwarf : {"-gdwarf-2", "-gdwarf-4", "-gdwarf-5"}) {
    recipes.push_back({"patterns_c", {data / "sample.c", data / "other.c"}, {dwarf, "-O0"}});
    recipes.push_back({"patterns_cpp", {data / "sample.cpp"}, {dwarf, "-Os"}, true, false});
  }
  std::set<std::string> lines;
  for (const ImageRecipe& recipe : recipes) {
    const std::string text =
        TestSupport::readFile(TestSupport::dumpImage(TestSupport::buildImage(recipe)));
    for (const std::string& line : TestSupport::splitLines(text)) {
      // std::regex recurses per character; keep to lines it can take.
      if (line.size() < 2000) lines.emplace(line);
    }
  }
  return {lines.begin(), lines.end()};
}

TEST(LinePatterns, AgreeWithRegexOnEveryLineOfRealDumps) {
  PatternComparison comparison;
  std::mt19937 random(2);
  const std::vector<std::string> lines = realDumpLines();
  ASSERT_GT(lines.size(), 5000u);
  std::size_t matchedLines = 0;
  std::size_t sampled = 0;
  for (const std::string& line : lines) {
    const int matched = comparison.compare(line);
    if (matched > 0) ++matchedLines;
    // Near misses of a sample of the lines some pattern takes, and of the values that
    // the value patterns see.
    if (matched > 0 && random() % 16 == 0) {
      ++sampled;
      for (const std::string& variant : nearMisses(line, random, 3))
        comparison.compare(variant);
      Dump::Groups4 attribute;
      if (Dump::attributePattern.match(line, attribute)) {
        comparison.compare(std::string(attribute[2]));
        comparison.compare(std::string(attribute[3]));
      }
    }
  }
  EXPECT_GT(matchedLines, 1000u);
  EXPECT_GT(sampled, 50u);
}

}  // namespace
