#pragma once

#include <cstdint>
#include <string_view>

namespace Dump {

// Hexadecimal digits as an unsigned 32-bit number. Digits beyond 32 bits push the high
// ones out, so the low 32 bits remain; a text without digits is 0.
std::uint32_t readHex(std::string_view digits);
// The same in 64 bits, for the signatures of type units.
std::uint64_t readHex64(std::string_view digits);

// The leading decimal number of a text, read the way the C library reads an integer:
// leading white space is skipped, one sign is accepted, reading stops at the first
// non-digit. A text that does not begin with a number gives 0; a number outside the
// 32-bit range keeps its low 32 bits, so "4294967295" and "-1" both give 0xFFFFFFFF.
// Signed fields take the same bits as two's complement.
std::uint32_t readDecimal(std::string_view text);

// A constant of an attribute line as objdump prints it: a value of four or eight bytes
// (DW_FORM_data4, data8) in hexadecimal after "0x", every other constant in decimal.
// Hexadecimal is read as readHex does, anything else as readDecimal does.
std::uint32_t readNumber(std::string_view text);

// A constant in full: hexadecimal after "0x" (DW_FORM_data4, data8) as 64 unsigned bits,
// else a signed decimal number; digits past 64 bits push the high ones out.
std::int64_t readConstant(std::string_view text);

// Whether readNumber reads the text as hexadecimal.
bool isHexNumber(std::string_view text);

}  // namespace Dump
