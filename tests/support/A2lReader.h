#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A small reader of the A2L files the converter writes, strict enough to hold them to the
// grammar: every /begin has its /end, strings are quoted and escaped, identifiers are
// legal and unique within their kind, every MEASUREMENT has its eight and every
// CHARACTERISTIC its nine fixed parameters of the right kinds and only known optional
// keywords, and every record layout, conversion and table they refer to is defined
// exactly once, with as many entries as it says.
namespace TestSupport {

// A MEASUREMENT or CHARACTERISTIC.
struct A2lObject {
  bool characteristic = false;
  std::string identifier;
  std::string longIdentifier;  // unescaped
  std::string type;            // of a characteristic: VALUE, VAL_BLK or ASCII
  std::string datatype;        // of a characteristic, its record layout's
  std::string conversion;
  std::string lower;
  std::string upper;
  std::optional<std::uint64_t> address;  // ECU_ADDRESS, or a characteristic's own
  std::optional<std::uint64_t> bitMask;
  std::optional<std::uint64_t> arraySize;
  std::vector<std::uint64_t> matrixDim;
  std::optional<std::string> symbolLink;  // its offset must be 0
};

struct A2lFile {
  std::vector<A2lObject> objects;  // in the file's order
  std::string byteOrder;
  // Each verbal table by the name of the conversion that refers to it: values and texts.
  std::map<std::string, std::vector<std::pair<long long, std::string>>> tables;
  std::vector<std::string> errors;  // empty for a file that keeps the grammar
};

A2lFile readA2l(const std::string& text);

// The size in bytes of an A2L datatype, 0 for an unknown one.
unsigned a2lDatatypeSize(const std::string& datatype);

}  // namespace TestSupport
