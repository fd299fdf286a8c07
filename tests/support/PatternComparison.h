#pragma once

// Compares every hand-written matcher with std::regex on its pattern text: the same yes
// or no for the whole subject and the same capture groups.
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace TestSupport {

class PatternComparison {
 public:
  PatternComparison();
  ~PatternComparison();

  // Compares every pattern on the subject, failing the test on any difference; returns
  // the number of patterns that matched.
  int compare(const std::string& subject);
  // Checks that every pattern takes the line its worked example shows and refuses the
  // near miss, and that std::regex agrees on both; returns the number of patterns.
  std::size_t checkWorkedExamples();
  std::size_t compared() const { return compared_; }

  // One pattern of any group count.
  struct AnyPattern;

 private:
  std::vector<AnyPattern> patterns_;
  std::vector<std::regex> regexes_;
  std::size_t compared_ = 0;
};

// Variants of a subject that differ in one place: a character dropped, doubled or
// replaced, tabs turned into blanks, a CR inserted.
std::vector<std::string> nearMisses(const std::string& subject, std::mt19937& random,
                                    std::size_t positions);

}  // namespace TestSupport
