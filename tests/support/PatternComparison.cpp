#include "tests/support/PatternComparison.h"

#include <gtest/gtest.h>

#include "app/PathParts.h"
#include "dump/LinePatterns.h"
#include "output/DuplicateNameWarnings.h"
#include "output/TypeWalker.h"

namespace TestSupport {

namespace {
using Common::TextPattern;

std::string printable(const std::string& text) {
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
}  // namespace

struct PatternComparison::AnyPattern {
  std::string_view name;
  std::string_view text;
  std::function<bool(std::string_view, std::vector<std::string>&)> match;
  std::string_view takes;
  std::string_view refuses;
};

template <std::size_t N>
PatternComparison::AnyPattern erased(const TextPattern<N>& pattern) {
  return {pattern.name, pattern.text,
          [pattern](std::string_view subject, std::vector<std::string>& out) {
            typename TextPattern<N>::Groups groups;
            if (!pattern.match(subject, groups)) return false;
            out.assign(groups.begin(), groups.end());
            return true;
          },
          pattern.takes, pattern.refuses};
}

std::vector<PatternComparison::AnyPattern> allPatterns() {
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
          erased(unitHeaderPattern),
          erased(addressIndexOperationPattern),
          erased(sectionTableHeaderPattern),
          erased(sectionRowPattern),
          erased(allocatedSectionFlagsPattern),
          erased(addressTableHeaderPattern),
          erased(addressTableUnitPattern),
          erased(addressTableRowPattern),
          erased(entrySectionHeaderPattern),
          erased(typeSignaturePattern),
          erased(typeOffsetPattern),
          erased(signatureReferencePattern),
          erased(App::pathWithDirectoryPattern),
          erased(App::pathWithoutDirectoryPattern),
          erased(App::elfExtensionPattern),
          erased(Output::signedEncodingPattern),
          erased(Output::reportedNamePattern)};
}

PatternComparison::PatternComparison() : patterns_(allPatterns()) {
  for (const AnyPattern& pattern : patterns_) {
    regexes_.emplace_back(std::string(pattern.text), std::regex::ECMAScript);
  }
}

PatternComparison::~PatternComparison() = default;

int PatternComparison::compare(const std::string& subject) {
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
        ADD_FAILURE() << patterns_[i].name << " group " << g + 1 << " is \"" << printable(groups[g])
                      << "\" where std::regex has \"" << printable(expected[g + 1].str())
                      << "\" on \"" << printable(subject) << "\"";
      }
    }
  }
  return matched;
}

std::size_t PatternComparison::checkWorkedExamples() {
  for (const AnyPattern& pattern : patterns_) {
    std::vector<std::string> groups;
    EXPECT_TRUE(pattern.match(pattern.takes, groups))
        << pattern.name << " refuses its example \"" << printable(std::string(pattern.takes))
        << "\"";
    EXPECT_FALSE(pattern.match(pattern.refuses, groups))
        << pattern.name << " takes its near miss \"" << printable(std::string(pattern.refuses))
        << "\"";
    compare(std::string(pattern.takes));
    compare(std::string(pattern.refuses));
  }
  return patterns_.size();
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

}  // namespace TestSupport
