#include "output/A2lFormat.h"

#include <cstdio>

namespace Output {

namespace {

bool isIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentifierChar(char c) {
  return isIdentifierStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '[' || c == ']';
}

constexpr std::size_t kMaxIdentifier = 1024;

// FNV-1a: a short, stable fingerprint of a name that had to be cut.
std::uint32_t fingerprint(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

// A string of the A2L text: quotes and backslashes escaped.
void appendQuoted(std::string& text, std::string_view value) {
  text += '"';
  for (char c : value) {
    if (c == '"' || c == '\\') text += '\\';
    text += c;
  }
  text += '"';
}

// "0x" and the value in upper-case hex digits, without leading zeros.
void appendHex(std::string& text, std::uint64_t value) {
  char digits[16];
  char* at = digits + sizeof digits;
  do {
    *--at = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  text += "0x";
  text.append(at, static_cast<std::size_t>(digits + sizeof digits - at));
}

struct Datatype {
  std::string_view name;
  std::string_view lower;
  std::string_view upper;
};

// The A2L datatype of a whole signal, from its size, signedness and encoding. Sizes the
// map cannot name either are given as bytes.
Datatype datatypeOf(const SignalEntry& signal) {
  if (signal.typeName == "float") {
    if (signal.size == 4) {
      return {"FLOAT32_IEEE", "-3.4028234663852886E+38", "3.4028234663852886E+38"};
    }
    if (signal.size == 8) {
      return {"FLOAT64_IEEE", "-1.7976931348623157E+308", "1.7976931348623157E+308"};
    }
  }
  switch (signal.size) {
    case 2:
      return signal.isSigned ? Datatype{"SWORD", "-32768", "32767"}
                             : Datatype{"UWORD", "0", "65535"};
    case 4:
      return signal.isSigned ? Datatype{"SLONG", "-2147483648", "2147483647"}
                             : Datatype{"ULONG", "0", "4294967295"};
    case 8:
      return signal.isSigned ? Datatype{"A_INT64", "-9223372036854775808", "9223372036854775807"}
                             : Datatype{"A_UINT64", "0", "18446744073709551615"};
    default:
      return signal.isSigned ? Datatype{"SBYTE", "-128", "127"} : Datatype{"UBYTE", "0", "255"};
  }
}

}  // namespace

std::string a2lIdentifier(std::string_view signalName) {
  std::string identifier;
  spellA2lIdentifier(identifier, signalName);
  return identifier;
}

void spellA2lIdentifier(std::string& identifier, std::string_view signalName) {
  identifier.clear();
  for (std::size_t i = 0; i < signalName.size(); ++i) {
    const char c = signalName[i];
    if (c == ':' && i + 1 < signalName.size() && signalName[i + 1] == ':') {
      identifier += '.';
      ++i;
    } else if (c == '-' && i + 1 < signalName.size() && signalName[i + 1] == '>') {
      identifier += '.';
      ++i;
    } else if (c == '@') {
      identifier += '.';
    } else {
      identifier += isIdentifierChar(c) ? c : '_';
    }
  }
  if (identifier.empty() || !isIdentifierStart(identifier.front())) identifier.insert(0, 1, '_');
  if (identifier.size() > kMaxIdentifier) {
    char hash[16];
    std::snprintf(hash, sizeof hash, "_%08X", fingerprint(signalName));
    identifier.resize(kMaxIdentifier - 9);
    identifier += hash;
  }
}

bool A2lIdentifiers::take(std::string_view identifier) {
  return taken_.insert(identifier, 0).inserted;
}

std::string A2lIdentifiers::unique(std::string_view signalName) {
  Candidate candidate;
  prepare(candidate, signalName);
  makeUnique(candidate);
  return std::move(candidate.identifier);
}

void A2lIdentifiers::prepare(Candidate& candidate, std::string_view signalName) const {
  spellA2lIdentifier(candidate.identifier, signalName);
  candidate.key = taken_.keyOf(candidate.identifier);
}

void A2lIdentifiers::makeUnique(Candidate& candidate) {
  if (taken_.insert(candidate.key, 0).inserted) return;
  // Room for the suffix within the longest identifier.
  const std::string stem = candidate.identifier.substr(0, kMaxIdentifier - 12);
  for (std::uint64_t n = 2;; ++n) {
    std::string numbered = stem + "_" + std::to_string(n);
    if (take(numbered)) {
      candidate.identifier = std::move(numbered);
      return;
    }
  }
}

A2lWriter::A2lWriter(std::string& text, std::string_view moduleName, bool littleEndian)
    : text_(text) {
  const std::string module = a2lIdentifier(moduleName);
  text_ += kA2lMark;
  text_ += " from the debug information of ";
  text_ += moduleName;
  text_ += "; written anew by every conversion */\r\n";
  text_ += "ASAP2_VERSION 1 71\r\n";
  text_ += "/begin PROJECT " + module + " \"\"\r\n";
  text_ += "  /begin MODULE " + module + " \"\"\r\n";
  text_ += "    /begin MOD_COMMON \"\"\r\n";
  text_ += littleEndian ? "      BYTE_ORDER MSB_LAST\r\n" : "      BYTE_ORDER MSB_FIRST\r\n";
  text_ += "    /end MOD_COMMON\r\n";
}

void A2lWriter::appendMeasurement(const SignalEntry& signal, std::string_view signalName,
                                  std::uint32_t bitPosition,
                                  A2lIdentifiers::Candidate& identifier) {
  identifiers_.makeUnique(identifier);
  text_ += "    /begin MEASUREMENT ";
  text_ += identifier.identifier;
  text_ += ' ';
  appendQuoted(text_, signalName);
  text_ += "\r\n      ";
  const Datatype type = datatypeOf(signal);
  text_ += type.name;
  text_ += " NO_COMPU_METHOD 0 0 ";
  // A bit field's range and mask are its own; a broken dump's wider field counts 64 bits.
  const std::uint32_t width = signal.bitSize < 64 ? signal.bitSize : 64;
  const std::uint64_t field = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
  if (signal.bitSize == 0) {
    text_ += type.lower;
    text_ += ' ';
    text_ += type.upper;
  } else if (signal.isSigned) {
    text_ += '-';
    text_ += std::to_string(field / 2 + 1);
    text_ += ' ';
    text_ += std::to_string(field / 2);
  } else {
    text_ += "0 ";
    text_ += std::to_string(field);
  }
  text_ += "\r\n      ECU_ADDRESS ";
  appendHex(text_, signal.address);
  if (signal.bitSize != 0) {
    text_ += "\r\n      BIT_MASK ";
    appendHex(text_, bitPosition < 64 ? field << bitPosition : 0);
  } else if (signal.size != 0 && signal.size != 1 && signal.size != 2 && signal.size != 4 &&
             signal.size != 8) {
    text_ += "\r\n      ARRAY_SIZE ";
    text_ += std::to_string(signal.size);
  }
  text_ += "\r\n    /end MEASUREMENT\r\n";
}

void A2lWriter::finish() {
  text_ += "  /end MODULE\r\n";
  text_ += "/end PROJECT\r\n";
}

}  // namespace Output
