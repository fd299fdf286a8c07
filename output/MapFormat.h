#pragma once

#include <string>
#include <string_view>

#include "output/SignalEntry.h"

namespace Output {

// The type word of a map line: five characters for the sizes 1, 2, 4 and 8, else
// "SIZE_NOT_SUPPORTED_" and the size.
std::string mapTypeWord(std::uint32_t size, bool isSigned);

// Appends one symbol line, CR LF included: the address in eight hex digits,
// "H     SYMBOL  DATA  ", the type word, four blanks and the output name.
void appendMapLine(std::string& map, const SignalEntry& entry, std::string_view outputName);

// Eight lowercase hex digits.
void appendAddress(std::string& text, std::uint32_t address);

}  // namespace Output
