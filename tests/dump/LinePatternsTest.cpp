// Every hand-written matcher must answer exactly as std::regex does on its pattern text:
// the same yes or no for the whole subject and the same capture groups. The subjects are
// the lines of real dumps, the line shapes the reader is built for, and near misses of
// them.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "app/PathParts.h"
#include "dump/LinePatterns.h"
#include "output/StaticNameWarnings.h"
#include "output/TypeWalker.h"
#include "tests/support/DumpText.h"
#include "tests/support/TempDir.h"
#include "tests/support/Toolchain.h"

namespace {

using Dump::TextPattern;

struct AnyPattern {
  std::string_view name;
  std::string_view text;
  std::function<bool(std::string_view, std::vector<std::string>&)> match;
};

template <std::size_t N>
AnyPattern erased(const TextPattern<N>& pattern) {
  return {pattern.name, pattern.text,
          [pattern](std::string_view subject, std::vector<std::string>& out) {
            typename TextPattern<N>::Groups groups;
            if (!pattern.match(subject, groups)) return false;
            out.assign(groups.begin(), groups.end());
            return true;
          }};
}

std::vector<AnyPattern> allPatterns() {
  using namespace Dump;
  return {erased(entryHeaderPattern),
          erased(attributePattern),
          erased(attributeWithoutTabPattern),
          erased(pointerSizePattern),
          erased(littleEndianFormatPattern),
          erased(lineTableOffsetPattern),
          erased(lineTableOffsetWithoutPrefixPattern),
          erased(directoryTableHeaderPattern),
          erased(directoryTableAtOffsetHeaderPattern),
          erased(directoryTableWithColumnsHeaderPattern),
          erased(fileTableHeaderPattern),
          erased(fileTableWithColumnsHeaderPattern),
          erased(indentedTextPattern),
          erased(indexedRowPattern),
          erased(fileEntryPattern),
          erased(formattedFileEntryPattern),
          erased(lineStringPattern),
          erased(indirectStringPattern),
          erased(parenthesizedPattern),
          erased(hexNumberPattern),
          erased(addressOperationPattern),
          erased(plusUconstPattern),
          erased(constantFormPattern),
          erased(App::pathWithDirectoryPattern),
          erased(App::pathWithoutDirectoryPattern),
          erased(App::elfExtensionPattern),
          erased(Output::signedEncodingPattern),
          erased(Output::reportedNamePattern)};
}

// The line shapes the reader is built for (a tab written as \t).
const std::vector<std::string> kShapes{
    " <1><2d>: Abbrev Number: 2 (DW_TAG_base_type)",
    " <2><5b>: Abbrev Number: 0",
    " <0><c>: Abbrev Number: 1 (DW_TAG_compile_unit)",
    " <1a><2d>: Abbrev Number: 12 (DW_TAG_GNU_call_site)",
    "    <3b>   DW_AT_location    : 5 byte block: 3 0 0 0 20 \t(DW_OP_addr: 20000000)",
    "    <11>   DW_AT_name        : (indirect string, offset: 0x5a): main.c\t",
    "    <26>   DW_AT_byte_size   : 1",
    "    <b3>   DW_AT_specification: <0xa6>",
    "    <c4>   DW_AT_data_member_location: 8",
    "    <d8>   DW_AT_data_member_location: 2 byte block: 23 0 \t(DW_OP_plus_uconst: 0)",
    "    <22>   DW_AT_language    : 32769\t(MIPS assembler)",
    "    <2b>   DW_AT_location    :\t(DW_OP_addrx <0>)",
    "    <10>   DW_AT_name        : (indexed string: 0x1): a.c",
    "    <10>   DW_AT_name        : ::operator new",
    "    <10>   DW_AT_name        :  : x\ty",
    "   Pointer Size:  4",
    "app.elf:     file format elf32-little",
    "app.elf:     file format elf32-littlearm",
    "app.elf:     file format elf32-bigarm",
    "  Offset:                      0x0",
    "  Offset:                      0",
    "  Offset:                      0x91",
    " The Directory Table:",
    " The Directory Table (offset 0x1b):",
    " The Directory Table (offset 0x22, lines 2, columns 1):",
    " The File Name Table (offset 0x30, lines 2, columns 2):",
    " The File Name Table (offset 0xbb):",
    "  Entry\tDir\tTime\tSize\tName",
    "  Entry\tDir\tName",
    "  Entry\tDir\tMD5\t\t\t\tName",
    "  ../src",
    "  c:/include  ",
    "   ",
    "  1\t/usr/lib/gcc/arm-none-eabi/12.2.1/include",
    "  0\t(indirect line string, offset: 0): /home/dev/fw",
    "  1\t1\t0\t0\tmain.c",
    "  3\t0\t0\t0\tlocal.h",
    "  1\t1\t(indirect line string, offset: 0x38): stdint.h",
    "  0\t0 0x4488f26acdebf43ba236f5e4c1b64b24\t(indirect line string, offset: 0x31): main.c",
    "(indirect string, offset: 0x5a): main.c",
    "(indirect line string, offset: 0x5a): main.c",
    "(indirect line string, offset: 0): /fw",
    "(indirect line string, offset: 0x): /fw",
    "(unsigned char)",
    "(a(b)c)",
    "<0x2d>",
    "0x0x5",
    "(DW_OP_addr: 20000100)",
    "(DW_OP_fbreg: -12)",
    "(DW_OP_plus_uconst: 8)",
    "-12 ",
    "0x11170",
    "0x",
    "0",
    "C:\\work\\app.rel.elf",
    "src/out/app.elf",
    "out.v1/app",
    "a/b.c/d",
    "app",
    ".elf",
    ".fle",
    ".axf",
    "Asigned",
    "Aunsigned char",
    "Asigned char",
    "s.f_Bits:234",
    "tick@count",
    "@x",
    "",
};

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

// Variants of a subject that differ in one place: a character dropped, doubled or
// replaced, tabs turned into blanks, a CR inserted.
std::vector<std::string> nearMisses(const std::string& subject, std::mt19937& random,
                                    std::size_t positions) {
  std::vector<std::string> variants;
  std::string blanks = subject;
  for (char& c : blanks) {
    if (c == '\t') c = ' ';
  }
  variants.push_back(blanks);
  if (subject.empty()) return variants;
  std::uniform_int_distribution<std::size_t> anywhere(0, subject.size() - 1);
  for (std::size_t n = 0; n < positions; ++n) {
    const std::size_t at = positions >= subject.size() ? n % subject.size() : anywhere(random);
    variants.push_back(std::string(subject).erase(at, 1));
    variants.push_back(std::string(subject).insert(at, 1, subject[at]));
    for (char replacement : {'x', ' ', '\t', '\r', ':', '0', ')'}) {
      std::string replaced = subject;
      replaced[at] = replacement;
      variants.push_back(replaced);
    }
  }
  variants.push_back(subject + "\r");
  return variants;
}

class PatternComparison {
 public:
  PatternComparison() : patterns_(allPatterns()) {
    for (const AnyPattern& pattern : patterns_) {
      regexes_.emplace_back(std::string(pattern.text), std::regex::ECMAScript);
    }
  }

  // Compares every pattern on the subject; returns the number of patterns that matched.
  int compare(const std::string& subject) {
    int matched = 0;
    for (std::size_t i = 0; i < patterns_.size(); ++i) {
      std::smatch expected;
      const bool regexMatched = std::regex_match(subject, expected, regexes_[i]);
      std::vector<std::string> groups;
      const bool ourMatched = patterns_[i].match(subject, groups);
      ++compared_;
      if (regexMatched != ourMatched) {
        ADD_FAILURE() << patterns_[i].name << " says " << ourMatched << " where std::regex says "
                      << regexMatched << " on \"" << printable(subject) << "\"";
        continue;
      }
      if (!regexMatched) continue;
      ++matched;
      for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g] != expected[g + 1].str()) {
          ADD_FAILURE() << patterns_[i].name << " group " << g + 1 << " is \""
                        << printable(groups[g]) << "\" where std::regex has \""
                        << printable(expected[g + 1].str()) << "\" on \"" << printable(subject)
                        << "\"";
        }
      }
    }
    return matched;
  }

  std::size_t compared() const { return compared_; }

 private:
  static std::string printable(const std::string& text) {
    std::string shown;
    for (char c : text) {
      if (c == '\t') {
        shown += "\\t";
      } else if (c == '\r') {
        shown += "\\r";
      } else {
        shown += c;
      }
    }
    return shown;
  }

  std::vector<AnyPattern> patterns_;
  std::vector<std::regex> regexes_;
  std::size_t compared_ = 0;
};

TEST(LinePatterns, AgreeWithRegexOnTheLineShapesAndTheirNearMisses) {
  PatternComparison comparison;
  std::mt19937 random(1);
  for (const std::string& shape : kShapes) {
    comparison.compare(shape);
    for (const std::string& variant : nearMisses(shape, random, shape.size())) {
      comparison.compare(variant);
    }
  }
  EXPECT_GT(comparison.compared(), 100000u);
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

TEST(LinePatterns, TakeLinesTooLongForRegex) {
  // A 100,000-character value: std::regex would overflow its stack here.
  const std::string value(100000, 'v');
  const std::string withTab = "    <3b>   DW_AT_name : " + value + "\t(x)";
  Dump::Groups4 attribute;
  ASSERT_TRUE(Dump::attributePattern.match(withTab, attribute));
  EXPECT_EQ(attribute[2], value);
  EXPECT_EQ(attribute[3], "(x)");
  const std::string withoutTab = "    <3b>   DW_AT_name : " + value;
  Dump::Groups3 plain;
  ASSERT_TRUE(Dump::attributeWithoutTabPattern.match(withoutTab, plain));
  EXPECT_EQ(plain[2], value);
  const std::string number = std::string(200000, '0') + "x1f";
  Dump::Groups1 hex;
  ASSERT_TRUE(Dump::hexNumberPattern.match(number, hex));
  EXPECT_EQ(hex[0], "1f");
}

}  // namespace
