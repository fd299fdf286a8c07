#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/FingerprintTable.h"
#include "common/TextPattern.h"

namespace Output {

bool matchReportedName(std::string_view, Common::TextPattern<1>::Groups&);
// The part of an output name that a warning names: up to the first "@", "." or ":".
inline constexpr Common::TextPattern<1> reportedNamePattern{"reportedNamePattern", "^([^@.:]+).*",
                                                            &matchReportedName, "tick@count", "@x"};

// Finds output names that more than one signal has (static variables of the same name in
// several compile units) and writes the warnings text for them: the text of the
// duplicate-name log, which the output run writes to "<map file>_StyleWarnings.log"
// when `duplicateFound()`.
class DuplicateNameWarnings {
 public:
  // Called for every written signal in order, with its output name and source location;
  // the location text must stay alive as long as this object.
  void check(std::string_view outputName, std::string_view sourceLocation) {
    check(outputName, keyOf(outputName), sourceLocation);
  }
  // The same in two steps, so that the name's place is fetched while other work is done.
  Common::FingerprintTable::Key keyOf(std::string_view outputName) const {
    return firstLocationByName_.keyOf(outputName);
  }
  void check(std::string_view outputName, const Common::FingerprintTable::Key& key,
             std::string_view sourceLocation);

  bool duplicateFound() const { return duplicateFound_; }
  const std::string& text() const { return text_; }

 private:
  // The location of the first signal of each name, as an index into `locations_`;
  // kHandled once a clash was handled.
  static constexpr std::uint32_t kHandled = UINT32_MAX;
  Common::FingerprintTable firstLocationByName_;
  // The locations met, one per run of signals that share one (a variable's).
  std::vector<std::string_view> locations_;
  // The locations already named first in a warning.
  std::set<std::string_view> reportedLocations_;
  bool duplicateFound_ = false;
  std::string text_;
};

}  // namespace Output
