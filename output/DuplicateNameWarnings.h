#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

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
  void check(std::string outputName, std::string_view sourceLocation);

  bool duplicateFound() const { return duplicateFound_; }
  const std::string& text() const { return text_; }

 private:
  // The location of the first signal of each name; emptied once a clash was handled.
  // Names mostly arrive in order (the elements of an array), where an ordered map stays
  // in the cache and a hashed one does not.
  std::map<std::string, std::string_view, std::less<>> firstLocationByName_;
  // The locations already named first in a warning.
  std::set<std::string_view> reportedLocations_;
  bool duplicateFound_ = false;
  std::string text_;
};

}  // namespace Output
