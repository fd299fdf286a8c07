#include "dump/NumberText.h"

namespace Dump {

std::uint32_t readHex(std::string_view digits) {
  return static_cast<std::uint32_t>(readHex64(digits));
}

std::uint64_t readHex64(std::string_view digits) {
  std::uint64_t value = 0;
  for (char c : digits) {
    std::uint64_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint64_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint64_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint64_t>(c - 'A' + 10);
    } else {
      break;
    }
    value = (value << 4) | digit;
  }
  return value;
}

std::uint32_t readDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;  // unsigned arithmetic wraps, which keeps the low 32 bits
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  return negative ? 0u - value : value;
}

namespace {
constexpr bool isWhiteSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
}  // namespace

bool isHexNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isWhiteSpace(text[i]))
    ++i;
  return text.substr(i).starts_with("0x") && i + 2 < text.size() && isHexDigit(text[i + 2]);
}

std::int64_t readConstant(std::string_view text) {
  if (isHexNumber(text))
    return static_cast<std::int64_t>(readHex64(text.substr(text.find("0x") + 2)));
  std::size_t i = 0;
  while (i < text.size() && isWhiteSpace(text[i]))
    ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint64_t>(text[i] - '0');
  }
  return static_cast<std::int64_t>(negative ? 0u - value : value);
}

std::uint32_t readNumber(std::string_view text) {
  if (!isHexNumber(text)) return readDecimal(text);
  return readHex(text.substr(text.find("0x") + 2));
}

}  // namespace Dump
