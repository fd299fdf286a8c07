// The line matchers as std::regex on their pattern texts, for the benchmark's
// comparison build: the same answers, at the speed of the standard library.
#include <deque>
#include <regex>
#include <string>

#include "dump/LinePatterns.h"

namespace Dump {

namespace {
template <std::size_t N>
bool regexMatch(const std::regex& pattern, std::string_view subject,
                typename TextPattern<N>::Groups& groups) {
  std::cmatch match;
  if (!std::regex_match(subject.begin(), subject.end(), match, pattern)) return false;
  for (std::size_t i = 0; i < N; ++i) {
    groups[i] = std::string_view(subject.data() + match.position(i + 1),
                                 static_cast<std::size_t>(match.length(i + 1)));
  }
  return true;
}

const std::regex& compiled(std::string_view text) {
  // One compiled pattern per text, built on first use and kept for the process; a deque
  // keeps each where it was built.
  static std::deque<std::pair<std::string_view, std::regex>> cache;
  for (const auto& [known, pattern] : cache) {
    if (known.data() == text.data()) return pattern;
  }
  cache.emplace_back(text, std::regex(std::string(text), std::regex::ECMAScript));
  return cache.back().second;
}
}  // namespace

#define SKARVEL_REGEX_MATCHER(function, pattern, count)                \
  bool function(std::string_view subject, Groups##count& groups) {     \
    static const std::regex& compiledPattern = compiled(pattern.text); \
    return regexMatch<count>(compiledPattern, subject, groups);        \
  }

SKARVEL_REGEX_MATCHER(matchEntryHeader, entryHeaderPattern, 4)
SKARVEL_REGEX_MATCHER(matchAttribute, attributePattern, 4)
SKARVEL_REGEX_MATCHER(matchAttributeWithoutTab, attributeWithoutTabPattern, 3)
SKARVEL_REGEX_MATCHER(matchPointerSize, pointerSizePattern, 1)
SKARVEL_REGEX_MATCHER(matchLittleEndianFormat, littleEndianFormatPattern, 0)
SKARVEL_REGEX_MATCHER(matchLineTableOffset, lineTableOffsetPattern, 1)
SKARVEL_REGEX_MATCHER(matchLineTableOffsetWithoutPrefix, lineTableOffsetWithoutPrefixPattern, 1)
SKARVEL_REGEX_MATCHER(matchDirectoryTableHeader, directoryTableHeaderPattern, 0)
SKARVEL_REGEX_MATCHER(matchDirectoryTableAtOffsetHeader, directoryTableAtOffsetHeaderPattern, 0)
SKARVEL_REGEX_MATCHER(matchDirectoryTableWithColumnsHeader, directoryTableWithColumnsHeaderPattern,
                      0)
SKARVEL_REGEX_MATCHER(matchFileTableHeader, fileTableHeaderPattern, 0)
SKARVEL_REGEX_MATCHER(matchFileTableWithColumnsHeader, fileTableWithColumnsHeaderPattern, 0)
SKARVEL_REGEX_MATCHER(matchIndentedText, indentedTextPattern, 1)
SKARVEL_REGEX_MATCHER(matchIndexedRow, indexedRowPattern, 1)
SKARVEL_REGEX_MATCHER(matchFileEntry, fileEntryPattern, 3)
SKARVEL_REGEX_MATCHER(matchFormattedFileEntry, formattedFileEntryPattern, 4)
SKARVEL_REGEX_MATCHER(matchLineString, lineStringPattern, 1)
SKARVEL_REGEX_MATCHER(matchIndirectString, indirectStringPattern, 1)
SKARVEL_REGEX_MATCHER(matchParenthesized, parenthesizedPattern, 1)
SKARVEL_REGEX_MATCHER(matchHexNumber, hexNumberPattern, 1)
SKARVEL_REGEX_MATCHER(matchAddressOperation, addressOperationPattern, 1)
SKARVEL_REGEX_MATCHER(matchPlusUconst, plusUconstPattern, 1)
SKARVEL_REGEX_MATCHER(matchConstantForm, constantFormPattern, 0)
SKARVEL_REGEX_MATCHER(matchUnitHeader, unitHeaderPattern, 1)
SKARVEL_REGEX_MATCHER(matchAddressIndexOperation, addressIndexOperationPattern, 1)
SKARVEL_REGEX_MATCHER(matchSectionTableHeader, sectionTableHeaderPattern, 0)
SKARVEL_REGEX_MATCHER(matchSectionRow, sectionRowPattern, 3)
SKARVEL_REGEX_MATCHER(matchAllocatedSectionFlags, allocatedSectionFlagsPattern, 0)
SKARVEL_REGEX_MATCHER(matchAddressTableHeader, addressTableHeaderPattern, 0)
SKARVEL_REGEX_MATCHER(matchAddressTableUnit, addressTableUnitPattern, 1)
SKARVEL_REGEX_MATCHER(matchAddressTableRow, addressTableRowPattern, 2)
SKARVEL_REGEX_MATCHER(matchEntrySectionHeader, entrySectionHeaderPattern, 1)
SKARVEL_REGEX_MATCHER(matchTypeSignature, typeSignaturePattern, 1)
SKARVEL_REGEX_MATCHER(matchTypeOffset, typeOffsetPattern, 1)
SKARVEL_REGEX_MATCHER(matchSignatureReference, signatureReferencePattern, 1)

bool matchAnyAttributeLine(std::string_view line, AttributeLine& parts) {
  Groups4 withTab;
  if (attributePattern.match(line, withTab)) {
    parts = {withTab[1], withTab[2], withTab[3]};
    return true;
  }
  Groups3 withoutTab;
  if (attributeWithoutTabPattern.match(line, withoutTab)) {
    parts = {withoutTab[1], withoutTab[2], {}};
    return true;
  }
  return false;
}

}  // namespace Dump
