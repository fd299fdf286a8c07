#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A small reader of the A2L files the converter writes, strict enough to hold them to the
// grammar: every /begin has its /end, strings are quoted and escaped, identifiers are
// legal and unique within the module, every MEASUREMENT has its eight fixed parameters of
// the right kinds and only known optional keywords.
namespace TestSupport {

struct A2lMeasurement {
  std::string identifier;
  std::string longIdentifier;  // unescaped
  std::string datatype;
  std::string lower;
  std::string upper;
  std::optional<std::uint64_t> ecuAddress;
  std::optional<std::uint64_t> bitMask;
  std::optional<std::uint64_t> arraySize;
};

struct A2lFile {
  std::vector<A2lMeasurement> measurements;
  std::string byteOrder;
  std::vector<std::string> errors;  // empty for a file that keeps the grammar
};

A2lFile readA2l(const std::string& text);

// The size in bytes of an A2L datatype, 0 for an unknown one.
unsigned a2lDatatypeSize(const std::string& datatype);

}  // namespace TestSupport
