#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace Dump {

// A regular expression in ECMAScript syntax, kept as the contract of a hand-written
// matcher. The matcher answers exactly what std::regex_match would answer for the whole
// subject and fills the same capture groups; it runs in linear time and never recurses,
// so lines of any length are safe.
template <std::size_t GroupCount>
struct TextPattern {
  using Groups = std::array<std::string_view, GroupCount>;

  std::string_view name;
  std::string_view text;
  bool (*matcher)(std::string_view subject, Groups& groups);

  bool match(std::string_view subject, Groups& groups) const { return matcher(subject, groups); }
  bool matches(std::string_view subject) const {
    Groups ignored;
    return matcher(subject, ignored);
  }
};

// Character classes as the patterns use them.
constexpr bool isBlankChar(char c) {
  return c == ' ' || c == '\t';
}
constexpr bool isSpaceChar(char c) {
  return c == ' ';
}
constexpr bool isDigitChar(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool isXdigitChar(char c) {
  return isDigitChar(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// ECMAScript's "." matches every character but a line terminator; in byte text that is
// CR and LF.
inline bool hasLineBreak(std::string_view s) {
  for (char c : s) {
    if (c == '\n' || c == '\r') return true;
  }
  return false;
}

// Walks a subject from left to right for the parts of a pattern that are fixed
// sequences of literals and character runs.
class PatternScanner {
 public:
  explicit PatternScanner(std::string_view subject) : subject_(subject) {}

  // The longest run of characters from here that satisfy the predicate (maybe empty).
  template <class Predicate>
  std::string_view run(Predicate isMember) {
    const std::size_t begin = pos_;
    while (pos_ < subject_.size() && isMember(subject_[pos_]))
      ++pos_;
    return subject_.substr(begin, pos_ - begin);
  }
  template <class Predicate>
  bool skipSome(Predicate isMember) {
    return !run(isMember).empty();
  }
  bool literal(std::string_view expected) {
    if (subject_.substr(pos_).starts_with(expected)) {
      pos_ += expected.size();
      return true;
    }
    return false;
  }
  bool literal(char expected) {
    if (pos_ < subject_.size() && subject_[pos_] == expected) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::string_view rest() const { return subject_.substr(pos_); }
  bool atEnd() const { return pos_ == subject_.size(); }
  std::size_t position() const { return pos_; }

 private:
  std::string_view subject_;
  std::size_t pos_ = 0;
};

}  // namespace Dump
