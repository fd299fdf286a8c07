#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace Common {

// A regular expression in ECMAScript syntax, kept as the contract of a hand-written
// matcher. The matcher answers exactly what std::regex_match would answer for the whole
// subject and fills the same capture groups; it runs in linear time and never recurses,
// so lines of any length are safe. Each pattern shows a worked example: a real line it
// takes, and a near miss it refuses; the tests check both against the matcher and the
// regular expression.
template <std::size_t GroupCount>
struct TextPattern {
  using Groups = std::array<std::string_view, GroupCount>;

  std::string_view name;
  std::string_view text;
  bool (*matcher)(std::string_view subject, Groups& groups);
  std::string_view takes;
  std::string_view refuses;

  bool match(std::string_view subject, Groups& groups) const { return matcher(subject, groups); }
  bool matches(std::string_view subject) const {
    Groups ignored;
    return matcher(subject, ignored);
  }
};

// Character classes as the patterns use them: one table lookup per character, in
// function objects that the scanner's loops inline.
namespace charclass {
inline constexpr unsigned char kBlank = 1, kSpace = 2, kDigit = 4, kXdigit = 8, kColon = 16,
                               kTab = 32, kLineBreak = 64;
inline constexpr auto kTable = [] {
  std::array<unsigned char, 256> table{};
  table[static_cast<unsigned char>(' ')] = kBlank | kSpace;
  table[static_cast<unsigned char>('\t')] = kBlank | kTab;
  table[static_cast<unsigned char>('\r')] = kLineBreak;
  table[static_cast<unsigned char>('\n')] = kLineBreak;
  table[static_cast<unsigned char>(':')] = kColon;
  for (int c = '0'; c <= '9'; ++c)
    table[c] = kDigit | kXdigit;
  for (int c = 'a'; c <= 'f'; ++c)
    table[c] = kXdigit;
  for (int c = 'A'; c <= 'F'; ++c)
    table[c] = kXdigit;
  return table;
}();
template <unsigned char Flags>
struct Is {
  constexpr bool operator()(char c) const {
    return (kTable[static_cast<unsigned char>(c)] & Flags) != 0;
  }
};
}  // namespace charclass

inline constexpr charclass::Is<charclass::kBlank> isBlankChar;
inline constexpr charclass::Is<charclass::kSpace> isSpaceChar;
inline constexpr charclass::Is<charclass::kDigit> isDigitChar;
inline constexpr charclass::Is<charclass::kXdigit> isXdigitChar;
// A blank (not a tab) or a colon: the separator after an attribute name.
inline constexpr struct {
  constexpr bool operator()(char c) const {
    return (charclass::kTable[static_cast<unsigned char>(c)] &
            (charclass::kSpace | charclass::kColon)) != 0;
  }
} isBlankOrColonChar;

// ECMAScript's "." matches every character but a line terminator; in byte text that is
// CR and LF.
inline bool hasLineBreak(std::string_view s) {
  if (s.size() >= 64) {
    return std::memchr(s.data(), '\n', s.size()) != nullptr ||
           std::memchr(s.data(), '\r', s.size()) != nullptr;
  }
  // Most texts are a few words long, shorter than a call of memchr is worth.
  for (char c : s) {
    if (charclass::kTable[static_cast<unsigned char>(c)] & charclass::kLineBreak) return true;
  }
  return false;
}

// Walks a subject from left to right for the parts of a pattern that are fixed
// sequences of literals and character runs.
class PatternScanner {
 public:
  explicit PatternScanner(std::string_view subject)
      : begin_(subject.data()), at_(subject.data()), end_(subject.data() + subject.size()) {}

  // The longest run of characters from here that satisfy the predicate (maybe empty).
  template <class Predicate>
  std::string_view run(Predicate isMember) {
    const char* const start = at_;
    while (at_ != end_ && isMember(*at_))
      ++at_;
    return {start, static_cast<std::size_t>(at_ - start)};
  }
  template <class Predicate>
  bool skipSome(Predicate isMember) {
    return !run(isMember).empty();
  }
  bool literal(std::string_view expected) {
    // Literals are a few characters long: a plain loop beats a call to memcmp.
    if (static_cast<std::size_t>(end_ - at_) < expected.size()) return false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (at_[i] != expected[i]) return false;
    }
    at_ += expected.size();
    return true;
  }
  bool literal(char expected) {
    if (at_ == end_ || *at_ != expected) return false;
    ++at_;
    return true;
  }
  std::string_view rest() const { return {at_, static_cast<std::size_t>(end_ - at_)}; }
  bool atEnd() const { return at_ == end_; }
  std::size_t position() const { return static_cast<std::size_t>(at_ - begin_); }

 private:
  const char* begin_;
  const char* at_;
  const char* end_;
};

}  // namespace Common
