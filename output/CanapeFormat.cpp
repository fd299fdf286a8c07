#include "output/CanapeFormat.h"

#include <algorithm>
#include <array>

#include "output/MapFormat.h"

namespace Output {

namespace {

void appendPadded(std::string& text, std::string_view value, std::size_t width) {
  text += value;
  if (value.size() < width) text.append(width - value.size(), ' ');
}

// The tail of a whole-byte signal, in fixed columns.
std::string layOutTail(std::string_view typeText, std::string_view minimum,
                       std::string_view maximum) {
  std::string tail = "    \"\" ";
  appendPadded(tail, typeText, 11);
  tail += "\"\" 0 ";
  appendPadded(tail, minimum, 20);
  appendPadded(tail, maximum, 20);
  tail += "CHARACTERISTIC       WEAK_LIMITS ";
  appendPadded(tail, minimum, 21);
  tail += maximum;
  return tail;
}

// The 8-byte rows keep the limits of the 4-byte rows.
const std::array<std::string, 8>& fixedTails() {
  static const std::array<std::string, 8> tails{
      layOutTail("UINT(8)", "0", "255"),
      layOutTail("UINT(16)", "0", "65535"),
      layOutTail("UINT(32)", "0", "4294967295"),
      layOutTail("UINT(64)", "0", "4294967295"),
      layOutTail("INT(8)", "-128", "127"),
      layOutTail("INT(16)", "-32768", "32767"),
      layOutTail("INT(32)", "-2147483648", "2147483647"),
      layOutTail("INT(64)", "-2147483648", "2147483647"),
  };
  return tails;
}

}  // namespace

void appendDatabaseHeader(std::string& database) {
  database += "VERSION 104 COMMENT \"CANAPE DB\"\r\n";
  database += "GROUP 'Zu_Signals' : \"\"\r\n";
  database += "['Zu_Signals']\r\n";
}

std::string databaseName(std::string_view outputName) {
  std::string name(outputName);
  std::replace_if(
      name.begin(), name.end(), [](char c) { return c == '@' || c == ':'; }, '_');
  return name;
}

std::string_view databaseTypeTail(std::uint32_t size, bool isSigned) {
  const auto& tails = fixedTails();
  const std::size_t row = isSigned ? 4 : 0;
  switch (size) {
    case 1:
      return tails[row];
    case 2:
      return tails[row + 1];
    case 4:
      return tails[row + 2];
    case 8:
      return tails[row + 3];
    default:
      return tails[3];  // any other size is written as unsigned 8 bytes
  }
}

BitFieldLimits bitFieldLimits(std::uint32_t width, bool isSigned) {
  // No bit field is wider than 64 bits; a wider width in a broken dump gets the limits
  // of 64 bits.
  const std::uint32_t bits = std::min<std::uint32_t>(width, 64);
  const std::uint64_t magnitude = bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
  if (!isSigned) return {"0", std::to_string(magnitude)};
  const std::uint64_t positive = magnitude >> 1;  // 2^(bits-1) - 1
  std::string minimum = "-";
  minimum += std::to_string(positive + 1);
  return {std::move(minimum), std::to_string(positive)};
}

void appendDatabaseLine(std::string& database, const SignalEntry& entry,
                        std::string_view outputName, std::uint32_t bitPosition) {
  database += "VARIABLE 0x0 ";
  std::string nameField = "'";
  nameField += databaseName(outputName);
  nameField += "'  ";
  appendPadded(database, nameField, 100);
  database += "0x";
  appendAddress(database, entry.address);
  if (entry.bitSize == 0) {
    database += databaseTypeTail(entry.size, entry.isSigned);
  } else {
    const BitFieldLimits limits = bitFieldLimits(entry.bitSize, entry.isSigned);
    // Each number takes just its own width here.
    database += "    \"\" UINT(";
    database += std::to_string(entry.bitSize);
    database += ',';
    database += std::to_string(bitPosition);
    database += ") \"\" 0 ";
    database += limits.minimum;
    database.append(11, ' ');
    database += limits.maximum;
    database += " (";
    database += limits.minimum;
    database += "  ";
    database += limits.maximum;
    database += ')';
    database.append(12, ' ');
    database += "CHARACTERISTIC  WEAK_LIMITS ";
    database += limits.minimum;
    database.append(19, ' ');
    database += limits.maximum;
  }
  database += "\r\n";
}

}  // namespace Output
