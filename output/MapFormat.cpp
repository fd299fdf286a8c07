#include "output/MapFormat.h"

namespace Output {

void appendAddress(std::string& text, std::uint32_t address) {
  constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4)
    text += kDigits[(address >> shift) & 0xF];
}

std::string mapTypeWord(std::uint32_t size, bool isSigned) {
  switch (size) {
    case 1:
      return isSigned ? "INT8 " : "BYTE ";
    case 2:
      return isSigned ? "INT16" : "WORD ";
    case 4:
      return isSigned ? "INT32" : "DWORD";
    case 8:
      return isSigned ? "INT64" : "QWORD";
    default:
      return "SIZE_NOT_SUPPORTED_" + std::to_string(size);
  }
}

void appendMapLine(std::string& map, const SignalEntry& entry, std::string_view outputName) {
  appendAddress(map, entry.address);
  map += "H     SYMBOL  DATA  ";
  map += mapTypeWord(entry.size, entry.isSigned);
  map += "    ";
  map += outputName;
  map += "\r\n";
}

}  // namespace Output
