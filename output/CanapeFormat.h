#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "output/SignalEntry.h"

namespace Output {

// The three fixed lines that start every database.
void appendDatabaseHeader(std::string& database);

// The output name with "@" and ":" replaced by "_", as the database wants names.
std::string databaseName(std::string_view outputName);

// Appends one variable line, CR LF included. `bitPosition` is the lowest bit of a bit
// field (entries with a `bitSize`).
void appendDatabaseLine(std::string& database, const SignalEntry& entry,
                        std::string_view outputName, std::uint32_t bitPosition);

// The fixed tail of a whole-byte signal, by size and signedness.
std::string_view databaseTypeTail(std::uint32_t size, bool isSigned);

// The limits of a bit field of `width` bits, in decimal.
struct BitFieldLimits {
  std::string minimum;
  std::string maximum;
};
BitFieldLimits bitFieldLimits(std::uint32_t width, bool isSigned);

}  // namespace Output
