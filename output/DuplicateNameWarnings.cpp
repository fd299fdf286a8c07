#include "output/DuplicateNameWarnings.h"

namespace Output {

bool matchReportedName(std::string_view name, Common::TextPattern<1>::Groups& g) {
  // "([^@.:]+)" runs to the first "@", "." or ":"; ".*" must then take the rest, which
  // it cannot across a line break.
  const std::size_t end = name.find_first_of("@.:");
  const std::size_t length = end == std::string_view::npos ? name.size() : end;
  if (length == 0 || Common::hasLineBreak(name.substr(length))) return false;
  g[0] = name.substr(0, length);
  return true;
}

void DuplicateNameWarnings::check(std::string_view outputName,
                                  const Common::FingerprintTable::Key& key,
                                  std::string_view sourceLocation) {
  if (locations_.empty() || locations_.back().data() != sourceLocation.data() ||
      locations_.back().size() != sourceLocation.size()) {
    locations_.push_back(sourceLocation);
  }
  const auto [first, inserted] =
      firstLocationByName_.insert(key, static_cast<std::uint32_t>(locations_.size() - 1));
  if (inserted) return;

  duplicateFound_ = true;
  Common::TextPattern<1>::Groups reported;
  const std::string_view reportedName =
      reportedNamePattern.match(outputName, reported) ? reported[0] : std::string_view();
  // One warning per clashing variable: a location is named first at most once, and the
  // first signal's location at most once per name.
  if (reportedLocations_.insert(sourceLocation).second) {
    text_ += "Warning - Duplicate Static VariableName: ";
    text_ += reportedName;
    text_ += "\r\n  Location File: ";
    text_ += sourceLocation;
    text_ += "\r\n";
    if (*first != kHandled && !locations_[*first].empty()) {
      text_ += "  Location File: ";
      text_ += locations_[*first];
      text_ += "\r\n";
    }
  }
  *first = kHandled;
}

}  // namespace Output
