#include "output/DuplicateNameWarnings.h"

#include <gtest/gtest.h>

namespace {

TEST(DuplicateNameWarnings, ReportsTheLaterLocationFirstAndTheFirstOneOnce) {
  Output::DuplicateNameWarnings warnings;
  warnings.check("counter", "a.c(7)");
  EXPECT_FALSE(warnings.duplicateFound());
  warnings.check("counter", "b.c(12)");
  warnings.check("counter", "c.c(3)");
  EXPECT_TRUE(warnings.duplicateFound());
  EXPECT_EQ(warnings.text(),
            "Warning - Duplicate Static VariableName: counter\r\n"
            "  Location File: b.c(12)\r\n"
            "  Location File: a.c(7)\r\n"
            "Warning - Duplicate Static VariableName: counter\r\n"
            "  Location File: c.c(3)\r\n");
}

TEST(DuplicateNameWarnings, WarnsOncePerClashingVariable) {
  Output::DuplicateNameWarnings warnings;
  for (const char* location : {"a.c(2)", "b.c(4)"}) {
    warnings.check("s.x", location);
    warnings.check("s.y", location);
  }
  EXPECT_EQ(warnings.text(),
            "Warning - Duplicate Static VariableName: s\r\n"
            "  Location File: b.c(4)\r\n"
            "  Location File: a.c(2)\r\n");
}

TEST(DuplicateNameWarnings, ReportsTheNameUpToItsFirstScopeCharacter) {
  Output::DuplicateNameWarnings warnings;
  warnings.check("s.f_Bits:234", "a.c(1)");
  warnings.check("s.f_Bits:234", "b.c(1)");
  warnings.check("tick@count", "a.c(9)");
  warnings.check("tick@count", "b.c(9)");
  warnings.check("::x", "a.c(5)");
  warnings.check("::x", "b.c(5)");
  EXPECT_EQ(warnings.text(),
            "Warning - Duplicate Static VariableName: s\r\n  Location File: b.c(1)\r\n"
            "  Location File: a.c(1)\r\n"
            "Warning - Duplicate Static VariableName: tick\r\n  Location File: b.c(9)\r\n"
            "  Location File: a.c(9)\r\n"
            "Warning - Duplicate Static VariableName: \r\n  Location File: b.c(5)\r\n"
            "  Location File: a.c(5)\r\n");
}

TEST(DuplicateNameWarnings, NamesAnEmptyLocationOnce) {
  Output::DuplicateNameWarnings warnings;
  warnings.check("x", "");
  warnings.check("x", "");
  warnings.check("y", "");
  warnings.check("y", "");
  EXPECT_EQ(warnings.text(), "Warning - Duplicate Static VariableName: x\r\n  Location File: \r\n");
}

}  // namespace
