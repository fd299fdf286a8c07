#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "a2l/A2lText.h"

namespace A2l {

class SymbolTable;

// What an update did to the objects of a description.
struct UpdateReport {
  struct Counts {
    std::size_t updated = 0;
    std::size_t unchanged = 0;
    std::size_t notFound = 0;    // the symbol it names is gone: its address is now 0
    std::size_t notMatched = 0;  // its own name names no variable: kept as it was
  };
  // By kind of object, for MEASUREMENT, CHARACTERISTIC, AXIS_PTS, BLOB and INSTANCE.
  std::map<std::string, Counts> counts;
  // One line for each object found gone or not matched, and for what was left alone or
  // no longer fits; each names the object's kind, name, and the file and line of its
  // /begin.
  std::vector<std::string> lines;

  bool anyGoneOrUnmatched() const;
  // The lines, then one line per kind with its counts.
  std::string text() const;
};

// Updates every object of the description from the program's symbols: addresses,
// datatypes, bit masks, dimensions and sizes follow the symbols, everything else stays.
// Returns the edits that make the description's text the updated one.
std::vector<Edit> updateDescription(const Description& description, const SymbolTable& symbols,
                                    UpdateReport& report);

}  // namespace A2l
