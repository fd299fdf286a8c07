// Dumps that the installed objdump writes for images that the installed compiler builds.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "output/OutputRun.h"
#include "tests/support/DumpText.h"
#include "tests/support/ModelSummary.h"
#include "tests/support/TempDir.h"
#include "tests/support/Toolchain.h"

namespace {

using TestSupport::ImageRecipe;

std::string dumpOf(const std::string& dwarf) {
  const auto data = TestSupport::dataDir();
  const ImageRecipe recipe{
      "reader", {data / "sample.c", data / "other.c", data / "twice.c"}, {dwarf, "-O0"}};
  return TestSupport::readFile(TestSupport::dumpImage(TestSupport::buildImage(recipe)));
}

struct Conversion {
  std::string summary;
  std::string map;
  std::string database;
  std::string log;
};

Conversion convert(std::string_view dump) {
  const auto store = TestSupport::load(dump);
  TestSupport::TempDir dir;
  std::ostringstream console;
  Output::generateOutputs(dir.file("a_Vek.m51"), dir.file("a_CANape.db"), *store, console);
  return {TestSupport::summarizeVariables(*store), TestSupport::readFile(dir / "a_Vek.m51"),
          TestSupport::readFile(dir / "a_CANape.db"),
          TestSupport::readFile(dir / "a_Vek.m51_StyleWarnings.log")};
}

// The same dump in the shapes binutils printed up to 2.24: a tab after every attribute
// value, line-table offsets with 0x, and directory tables of plain rows.
std::string historicShape(std::string_view dump) {
  static const std::regex attribute(R"(^ +<[0-9a-f]+> +DW_AT_.*$)");
  static const std::regex offset(R"(^(  Offset: +)([0-9a-f]+)$)");
  static const std::regex numberedHeader(R"(^ The Directory Table \(offset 0x[0-9a-f]+\):$)");
  static const std::regex numberedRow(R"(^  [0-9]+\t(.*)$)");
  std::string out;
  bool inNumberedDirectories = false;
  for (std::string line : TestSupport::splitLines(dump)) {
    if (line.size() < 500 && std::regex_match(line, attribute) &&
        line.find('\t') == std::string::npos) {
      line += '\t';
    } else if (std::regex_match(line, offset) && line.find("0x") == std::string::npos) {
      line = std::regex_replace(line, offset, "$010x$2");
    } else if (std::regex_match(line, numberedHeader)) {
      line = " The Directory Table:";
      inNumberedDirectories = true;
    } else if (inNumberedDirectories && line.empty()) {
      inNumberedDirectories = false;
    } else if (inNumberedDirectories) {
      line = std::regex_replace(line, numberedRow, "  $1");
    }
    out += line + '\n';
  }
  return out;
}

TEST(RealDump, GivesTheSameModelForEveryDwarfVersion) {
  const Conversion dwarf2 = convert(dumpOf("-gdwarf-2"));
  const Conversion dwarf4 = convert(dumpOf("-gdwarf-4"));
  const Conversion dwarf5 = convert(dumpOf("-gdwarf-5"));
  EXPECT_EQ(dwarf2.summary, dwarf4.summary);
  EXPECT_EQ(dwarf2.summary, dwarf5.summary);
  EXPECT_EQ(dwarf2.map, dwarf4.map);
  EXPECT_EQ(dwarf2.map, dwarf5.map);
  EXPECT_EQ(dwarf2.database, dwarf5.database);
  EXPECT_EQ(dwarf2.log, dwarf5.log);
  // What the summary holds for the sample's own units.
  EXPECT_NE(dwarf5.summary.find("s_status at "), std::string::npos);
  EXPECT_NE(dwarf5.summary.find("mode@0 bits 3 at 29 in 4"), std::string::npos);
  EXPECT_NE(dwarf5.summary.find("level@0 bits 5 at 24 in 4"), std::string::npos);
  EXPECT_NE(dwarf5.summary.find("word@2: typedef uint16_t"), std::string::npos);
  EXPECT_NE(dwarf5.summary.find("s_status at "), std::string::npos);
  EXPECT_NE(dwarf5.summary.find(" from " + TestSupport::dataDir().string() + "/sample.c(5): "),
            std::string::npos);
  EXPECT_NE(dwarf5.summary.find("g_counter at "), std::string::npos);
  EXPECT_NE(dwarf5.summary.find("array[0..2][0..3] of base int(4) signed"), std::string::npos);
}

TEST(RealDump, GivesTheSameModelInTheHistoricLineShapes) {
  for (const char* dwarf : {"-gdwarf-2", "-gdwarf-5"}) {
    const std::string modern = dumpOf(dwarf);
    const std::string historic = historicShape(modern);
    ASSERT_NE(historic, modern);
    const Conversion fromModern = convert(modern);
    const Conversion fromHistoric = convert(historic);
    EXPECT_EQ(fromModern.summary, fromHistoric.summary) << dwarf;
    EXPECT_EQ(fromModern.map, fromHistoric.map) << dwarf;
    EXPECT_EQ(fromModern.database, fromHistoric.database) << dwarf;
    EXPECT_EQ(fromModern.log, fromHistoric.log) << dwarf;
  }
}

TEST(RealDump, GivesTheSameModelWithCrLfLineEnds) {
  const std::string lf = dumpOf("-gdwarf-4");
  const std::string crlf = std::regex_replace(lf, std::regex("\n"), "\r\n");
  EXPECT_EQ(convert(lf).summary, convert(crlf).summary);
}

}  // namespace
