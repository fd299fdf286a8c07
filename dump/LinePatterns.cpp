// Hand-written matchers for the line patterns. Each one follows its pattern text from left
// to right. Where a pattern leaves a choice (a greedy ".*" followed by more pattern), the
// comment says which choice std::regex makes and the code takes that one directly.
#include "dump/LinePatterns.h"

#include <cstring>

namespace Dump {
namespace {

// The position of the last tab; most values have none or one.
std::size_t lastTabIn(std::string_view text) {
  std::size_t last = std::string_view::npos;
  for (const char *at = text.data(), *end = at + text.size();;) {
    const auto* tab =
        static_cast<const char*>(std::memchr(at, '\t', static_cast<std::size_t>(end - at)));
    if (tab == nullptr) return last;
    last = static_cast<std::size_t>(tab - text.data());
    at = tab + 1;
  }
}

// Text made only of "." characters: free of CR and LF.
bool isDotRun(std::string_view s) {
  return !hasLineBreak(s);
}

// "^[ ]+[<]([[:xdigit:]]+)[>][ ]+(DW_AT_[^ :]+)[ :]+[ ]" shared by both attribute
// patterns; `nameClass` is the character class of the name after "DW_AT_". Returns the
// position right after the separator, or npos.
template <class NameClass>
std::size_t matchAttributeFront(std::string_view text, std::string_view& offset,
                                std::string_view& name, NameClass nameClass) {
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar) || !s.literal('<')) return std::string_view::npos;
  offset = s.run(isXdigitChar);
  if (offset.empty() || !s.literal('>') || !s.skipSome(isSpaceChar)) return std::string_view::npos;
  const std::size_t nameStart = s.position();
  if (!s.literal("DW_AT_") || !s.skipSome(nameClass)) return std::string_view::npos;
  name = text.substr(nameStart, s.position() - nameStart);
  // The name stops at the first blank or colon, where the separator starts. "[ :]+[ ]"
  // prefers the longest separator, so it ends at the last blank of the run of blanks and
  // colons; that blank may not be the run's first character.
  const std::size_t runStart = s.position();
  const std::string_view run = s.run(isBlankOrColonChar);
  const std::size_t lastBlank = run.find_last_of(' ');
  if (lastBlank == std::string_view::npos || lastBlank == 0) return std::string_view::npos;
  return runStart + lastBlank + 1;
}

}  // namespace

bool matchEntryHeader(std::string_view text, Groups4& g) {
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar) || !s.literal('<')) return false;
  g[0] = s.run(isXdigitChar);
  if (g[0].empty() || !s.literal("><")) return false;
  g[1] = s.run(isXdigitChar);
  if (g[1].empty() || !s.literal(">:") || !s.skipSome(isSpaceChar) || !s.literal("Abbrev") ||
      !s.skipSome(isSpaceChar) || !s.literal("Number:") || !s.skipSome(isSpaceChar)) {
    return false;
  }
  g[2] = s.run(isDigitChar);
  if (g[2].empty() || !s.skipSome(isSpaceChar) || !s.literal('(')) return false;
  // "((?:DW_TAG_|Unknown TAG value: |User TAG value: ).*)[)]$": the tag runs to the
  // final ")".
  std::string_view tag = s.rest();
  const bool named = tag.starts_with("DW_TAG_") || tag.starts_with("Unknown TAG value: ") ||
                     tag.starts_with("User TAG value: ");
  if (!named || tag.size() < 8 || tag.back() != ')') return false;
  tag.remove_suffix(1);
  if (!isDotRun(tag)) return false;
  g[3] = tag;
  return true;
}

bool matchAttribute(std::string_view text, Groups4& g) {
  const std::size_t valueStart =
      matchAttributeFront(text, g[0], g[1], [](char c) { return !isBlankOrColonChar(c); });
  if (valueStart == std::string_view::npos) return false;
  // "(.*)\t(.*)$": the value ends at the last tab.
  const std::string_view rest = text.substr(valueStart);
  const std::size_t lastTab = lastTabIn(rest);
  if (lastTab == std::string_view::npos || !isDotRun(rest)) return false;
  g[2] = rest.substr(0, lastTab);
  g[3] = rest.substr(lastTab + 1);
  return true;
}

bool matchAttributeWithoutTab(std::string_view text, Groups3& g) {
  const std::size_t valueStart = matchAttributeFront(
      text, g[0], g[1], [](char c) { return !isBlankOrColonChar(c) && c != '\t'; });
  if (valueStart == std::string_view::npos) return false;
  const std::string_view rest = text.substr(valueStart);
  if (rest.find('\t') != std::string_view::npos || !isDotRun(rest)) return false;
  g[2] = rest;
  return true;
}

bool matchAnyAttributeLine(std::string_view text, AttributeLine& parts) {
  std::string_view offset;
  bool tabInName = false;
  const std::size_t valueStart = matchAttributeFront(text, offset, parts.name, [&](char c) {
    tabInName = tabInName || c == '\t';
    return !isBlankOrColonChar(c);
  });
  if (valueStart == std::string_view::npos) return false;
  // One pass over the value for its last tab and for line breaks, which neither shape
  // takes.
  const std::string_view rest = text.substr(valueStart);
  std::size_t lastTab = std::string_view::npos;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const unsigned char flags = charclass::kTable[static_cast<unsigned char>(rest[i])];
    if ((flags & (charclass::kTab | charclass::kLineBreak)) == 0) continue;
    if (flags & charclass::kLineBreak) return false;
    lastTab = i;
  }
  if (lastTab != std::string_view::npos) {
    parts.rawValue = rest.substr(0, lastTab);
    parts.explanation = rest.substr(lastTab + 1);
    return true;
  }
  // Without a tab only the second shape fits, and its name holds no tab either.
  if (tabInName) return false;
  parts.rawValue = rest;
  parts.explanation = {};
  return true;
}

bool matchPointerSize(std::string_view text, Groups1& g) {
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar) || !s.literal("Pointer Size:") || !s.skipSome(isSpaceChar)) {
    return false;
  }
  g[0] = s.run(isDigitChar);
  return !g[0].empty() && s.atEnd();
}

bool matchLittleEndianFormat(std::string_view text, Groups0&) {
  if (!isDotRun(text)) return false;
  // "^.*[:][ ]+file[ ]format[ ].*little.*$": some ":", blanks, "file format " with
  // "little" after it. The earliest such prefix leaves the most room for "little".
  constexpr std::string_view format = "file format ";
  for (std::size_t at = text.find(format); at != std::string_view::npos;
       at = text.find(format, at + 1)) {
    std::size_t blanks = at;
    while (blanks > 0 && text[blanks - 1] == ' ')
      --blanks;
    if (blanks < at && blanks > 0 && text[blanks - 1] == ':') {
      return text.find("little", at + format.size()) != std::string_view::npos;
    }
  }
  return false;
}

namespace {
// "^[[:blank:]]+Offset[:][[:blank:]]*" followed by `prefix` and "([[:xdigit:]]+)$".
bool matchOffsetLine(std::string_view text, std::string_view prefix, Groups1& g) {
  PatternScanner s(text);
  if (!s.skipSome(isBlankChar) || !s.literal("Offset:")) return false;
  s.run(isBlankChar);
  if (!s.literal(prefix)) return false;
  g[0] = s.run(isXdigitChar);
  return !g[0].empty() && s.atEnd();
}

// "^[[:blank:]]+" followed by `title`, then "(offset 0x<hex>" and `tail`.
bool matchTableHeader(std::string_view text, std::string_view title, bool withColumns) {
  PatternScanner s(text);
  if (!s.skipSome(isBlankChar) || !s.literal(title)) return false;
  if (!s.literal(" (offset 0x") || !s.skipSome(isXdigitChar)) return false;
  if (withColumns) {
    if (!s.literal(", lines ") || !s.skipSome(isDigitChar) || !s.literal(", columns ") ||
        !s.skipSome(isDigitChar)) {
      return false;
    }
  }
  return s.literal("):") && s.atEnd();
}

// "^[[:blank:]]+" followed by exactly `rest`.
bool matchIndentedLiteral(std::string_view text, std::string_view rest) {
  PatternScanner s(text);
  return s.skipSome(isBlankChar) && s.rest() == rest;
}
}  // namespace

bool matchLineTableOffset(std::string_view text, Groups1& g) {
  return matchOffsetLine(text, "0x", g);
}

bool matchLineTableOffsetWithoutPrefix(std::string_view text, Groups1& g) {
  return matchOffsetLine(text, "", g);
}

bool matchDirectoryTableHeader(std::string_view text, Groups0&) {
  return matchIndentedLiteral(text, "The Directory Table:");
}

bool matchDirectoryTableAtOffsetHeader(std::string_view text, Groups0&) {
  return matchTableHeader(text, "The Directory Table", false);
}

bool matchDirectoryTableWithColumnsHeader(std::string_view text, Groups0&) {
  return matchTableHeader(text, "The Directory Table", true);
}

bool matchFileTableHeader(std::string_view text, Groups0&) {
  return matchIndentedLiteral(text, "Entry\tDir\tTime\tSize\tName");
}

bool matchFileTableWithColumnsHeader(std::string_view text, Groups0&) {
  return matchTableHeader(text, "The File Name Table", true);
}

bool matchIndentedText(std::string_view text, Groups1& g) {
  // "[[:blank:]]+" takes every leading blank; "(.*)" the rest, trailing blanks included.
  PatternScanner s(text);
  if (!s.skipSome(isBlankChar) || !isDotRun(s.rest())) return false;
  g[0] = s.rest();
  return true;
}

bool matchIndexedRow(std::string_view text, Groups1& g) {
  PatternScanner s(text);
  if (!s.skipSome(isBlankChar) || !s.skipSome(isDigitChar) || !s.literal('\t') ||
      !isDotRun(s.rest())) {
    return false;
  }
  g[0] = s.rest();
  return true;
}

bool matchFileEntry(std::string_view text, Groups3& g) {
  PatternScanner s(text);
  if (!s.skipSome(isBlankChar)) return false;
  g[0] = s.run(isDigitChar);
  if (g[0].empty() || !s.literal('\t')) return false;
  g[1] = s.run(isDigitChar);
  if (g[1].empty() || !s.literal('\t') || !s.skipSome(isDigitChar) || !s.literal('\t') ||
      !s.skipSome(isDigitChar) || !s.literal('\t') || !isDotRun(s.rest())) {
    return false;
  }
  g[2] = s.rest();
  return true;
}

bool matchFormattedFileEntry(std::string_view text, Groups4& g) {
  PatternScanner s(text);
  if (!s.skipSome(isBlankChar)) return false;
  g[0] = s.run(isDigitChar);
  if (g[0].empty() || !s.literal('\t')) return false;
  g[1] = s.run(isDigitChar);
  // "(.*)\t(.*)$": the name follows the last tab.
  const std::string_view rest = s.rest();
  const std::size_t lastTab = rest.rfind('\t');
  if (g[1].empty() || lastTab == std::string_view::npos || !isDotRun(rest)) return false;
  g[2] = rest.substr(0, lastTab);
  g[3] = rest.substr(lastTab + 1);
  return true;
}

bool matchLineString(std::string_view text, Groups1& g) {
  PatternScanner s(text);
  if (!s.literal("(indirect ")) return false;
  s.literal("line ");
  if (!s.literal("string, offset: ")) return false;
  // "(?:0x)?": taking "0x" is never wrong, since the "x" could not be a digit either.
  s.literal("0x");
  if (!s.skipSome(isXdigitChar) || !s.literal("): ") || !isDotRun(s.rest())) return false;
  g[0] = s.rest();
  return true;
}

bool matchIndirectString(std::string_view text, Groups1& g) {
  // "^.*[)]:[ ](.*)$": the value follows the last "): ".
  const std::size_t at = text.rfind("): ");
  if (at == std::string_view::npos || !isDotRun(text)) return false;
  g[0] = text.substr(at + 3);
  return true;
}

bool matchParenthesized(std::string_view text, Groups1& g) {
  // "^.*[(](.*)[)]$": between the last "(" and the final ")".
  if (text.empty() || text.back() != ')' || !isDotRun(text)) return false;
  const std::string_view inner = text.substr(0, text.size() - 1);
  const std::size_t open = inner.rfind('(');
  if (open == std::string_view::npos) return false;
  g[0] = inner.substr(open + 1);
  return true;
}

bool matchHexNumber(std::string_view text, Groups1& g) {
  // "^.*0x([[:xdigit:]]+).*$": the digits after the last "0x" that has a digit after it.
  if (!isDotRun(text)) return false;
  for (std::size_t at = text.rfind("0x"); at != std::string_view::npos;
       at = at == 0 ? std::string_view::npos : text.rfind("0x", at - 1)) {
    PatternScanner s(text.substr(at + 2));
    const std::string_view digits = s.run(isXdigitChar);
    if (!digits.empty()) {
      g[0] = digits;
      return true;
    }
  }
  return false;
}

namespace {
// "^[(]" `operation` "[:][ ]+(<digits>+)[)]$"
template <class DigitClass>
bool matchOperation(std::string_view text, std::string_view operation, DigitClass digitClass,
                    Groups1& g) {
  PatternScanner s(text);
  if (!s.literal('(') || !s.literal(operation) || !s.literal(':') || !s.skipSome(isSpaceChar)) {
    return false;
  }
  g[0] = s.run(digitClass);
  return !g[0].empty() && s.literal(')') && s.atEnd();
}
}  // namespace

bool matchAddressOperation(std::string_view text, Groups1& g) {
  return matchOperation(text, "DW_OP_addr", isXdigitChar, g);
}

bool matchPlusUconst(std::string_view text, Groups1& g) {
  return matchOperation(text, "DW_OP_plus_uconst", isDigitChar, g);
}

bool matchConstantForm(std::string_view text, Groups0&) {
  // "(?:[-]?[[:digit:]]+|0x[[:xdigit:]]+)": "0x" and a digit can only be the second; a
  // lone "0" before anything else only the first.
  PatternScanner s(text);
  const bool hex = s.literal("0x") && s.skipSome(isXdigitChar);
  if (!hex) {
    s = PatternScanner(text);
    s.literal('-');
    if (!s.skipSome(isDigitChar)) return false;
  }
  s.run(isSpaceChar);
  return s.atEnd();
}

namespace {
// "(?:0x)?([[:xdigit:]]+)" followed by `after` and the end: an offset or index that
// objdump prints with "0x", but the value 0 without it.
bool matchPrefixedHex(PatternScanner s, std::string_view after, std::string_view& g) {
  PatternScanner withPrefix = s;
  if (withPrefix.literal("0x")) {
    g = withPrefix.run(isXdigitChar);
    if (!g.empty() && withPrefix.literal(after) && withPrefix.atEnd()) return true;
  }
  g = s.run(isXdigitChar);
  return !g.empty() && s.literal(after) && s.atEnd();
}

// "^[ ]+" `words` and a prefixed hexadecimal number ending in ":".
bool matchIndentedOffsetLine(std::string_view text, std::string_view words, Groups1& g) {
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar) || !s.literal(words)) return false;
  return matchPrefixedHex(s, ":", g[0]);
}

struct IsUpperOrUnderscore {
  constexpr bool operator()(char c) const { return (c >= 'A' && c <= 'Z') || c == '_'; }
};
struct IsNotBlank {
  constexpr bool operator()(char c) const { return c != ' '; }
};
}  // namespace

bool matchUnitHeader(std::string_view text, Groups1& g) {
  return matchIndentedOffsetLine(text, "Compilation Unit @ offset ", g);
}

bool matchEntrySectionHeader(std::string_view text, Groups1& g) {
  PatternScanner s(text);
  if (!s.literal("Contents of the .debug_")) return false;
  for (std::string_view section : {"info", "types"}) {
    PatternScanner named = s;
    if (named.literal(section) && named.literal(" section:") && named.atEnd()) {
      g[0] = section;
      return true;
    }
  }
  return false;
}

namespace {
// "^[ ]+" `words`, blanks, and a hexadecimal number that may have "0x" before it.
bool matchIndentedHeaderNumber(std::string_view text, std::string_view words, Groups1& g) {
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar) || !s.literal(words) || !s.skipSome(isSpaceChar)) return false;
  return matchPrefixedHex(s, "", g[0]);
}
}  // namespace

bool matchTypeSignature(std::string_view text, Groups1& g) {
  return matchIndentedHeaderNumber(text, "Signature:", g);
}

bool matchTypeOffset(std::string_view text, Groups1& g) {
  return matchIndentedHeaderNumber(text, "Type Offset:", g);
}

bool matchSignatureReference(std::string_view text, Groups1& g) {
  PatternScanner s(text);
  if (!s.literal("signature:") || !s.skipSome(isSpaceChar)) return false;
  return matchPrefixedHex(s, "", g[0]);
}

bool matchAddressIndexOperation(std::string_view text, Groups1& g) {
  PatternScanner s(text);
  if (!s.literal("(DW_OP_")) return false;
  if (!s.literal("addrx") && !s.literal("GNU_addr_index")) return false;
  if (!s.literal(" <")) return false;
  return matchPrefixedHex(s, ">)", g[0]);
}

bool matchSectionTableHeader(std::string_view text, Groups0&) {
  return text == "Sections:";
}

bool matchSectionRow(std::string_view text, Groups3& g) {
  // Every field is a run without blanks between runs of blanks, so each run is taken
  // whole.
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar) || !s.skipSome(isDigitChar) || !s.skipSome(isSpaceChar)) {
    return false;
  }
  g[0] = s.run(IsNotBlank{});
  if (g[0].empty() || !s.skipSome(isSpaceChar)) return false;
  g[1] = s.run(isXdigitChar);
  if (g[1].empty() || !s.skipSome(isSpaceChar)) return false;
  g[2] = s.run(isXdigitChar);
  if (g[2].empty() || !s.skipSome(isSpaceChar)) return false;
  for (int field = 0; field < 2; ++field) {
    if (!s.skipSome(isXdigitChar) || !s.skipSome(isSpaceChar)) return false;
  }
  return s.literal("2**") && s.skipSome(isDigitChar) && s.atEnd();
}

bool matchAllocatedSectionFlags(std::string_view text, Groups0&) {
  // Words of capitals and "_" joined by ", "; one of them is ALLOC.
  PatternScanner s(text);
  if (!s.skipSome(isSpaceChar)) return false;
  bool allocated = false;
  for (;;) {
    const std::string_view word = s.run(IsUpperOrUnderscore{});
    if (word.empty()) return false;
    allocated = allocated || word == "ALLOC";
    if (s.atEnd()) return allocated;
    if (!s.literal(", ")) return false;
  }
}

bool matchAddressTableHeader(std::string_view text, Groups0&) {
  return text == "Contents of the .debug_addr section:";
}

bool matchAddressTableUnit(std::string_view text, Groups1& g) {
  return matchIndentedOffsetLine(text, "For compilation unit at offset ", g);
}

bool matchAddressTableRow(std::string_view text, Groups2& g) {
  PatternScanner s(text);
  if (!s.literal('\t')) return false;
  g[0] = s.run(isDigitChar);
  if (g[0].empty() || !s.literal(":\t")) return false;
  g[1] = s.run(isXdigitChar);
  return !g[1].empty() && s.atEnd();
}

}  // namespace Dump
