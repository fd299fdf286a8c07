#include "tests/support/A2lReader.h"

#include <map>
#include <regex>
#include <set>

namespace TestSupport {

namespace {

struct Token {
  enum Kind { Word, String } kind;
  std::string text;
};

// Splits the text into words and strings; comments are dropped.
std::vector<Token> tokenize(const std::string& text, std::vector<std::string>& errors) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (text.compare(i, 2, "/*") == 0) {
      const std::size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) {
        errors.push_back("unterminated comment");
        break;
      }
      i = end + 2;
    } else if (c == '"') {
      std::string value;
      bool closed = false;
      for (++i; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
          value += text[++i];
        } else if (text[i] == '"') {
          closed = true;
          ++i;
          break;
        } else if (text[i] == '\n' || text[i] == '\r') {
          break;
        } else {
          value += text[i];
        }
      }
      if (!closed) errors.push_back("unterminated string");
      tokens.push_back({Token::String, value});
    } else {
      const std::size_t end = text.find_first_of(" \t\r\n\"", i);
      tokens.push_back({Token::Word, text.substr(i, end - i)});
      i = end == std::string::npos ? text.size() : end;
    }
  }
  return tokens;
}

bool isIdentifier(const std::string& word) {
  static const std::regex identifier(R"([A-Za-z_][A-Za-z0-9_.\[\]]*)");
  return word.size() <= 1024 && std::regex_match(word, identifier);
}
bool isNumber(const std::string& word) {
  static const std::regex number(R"([-+]?([0-9]+([.][0-9]*)?([eE][-+]?[0-9]+)?|0x[0-9A-Fa-f]+))");
  return std::regex_match(word, number);
}

}  // namespace

unsigned a2lDatatypeSize(const std::string& datatype) {
  static const std::map<std::string, unsigned> sizes{
      {"UBYTE", 1}, {"SBYTE", 1},    {"UWORD", 2},   {"SWORD", 2},        {"ULONG", 4},
      {"SLONG", 4}, {"A_UINT64", 8}, {"A_INT64", 8}, {"FLOAT32_IEEE", 4}, {"FLOAT64_IEEE", 8}};
  const auto found = sizes.find(datatype);
  return found != sizes.end() ? found->second : 0;
}

A2lFile readA2l(const std::string& text) {
  A2lFile file;
  std::vector<std::string>& errors = file.errors;
  const std::vector<Token> tokens = tokenize(text, errors);
  std::vector<std::string> open;  // the blocks begun and not yet ended
  std::set<std::string> identifiers;
  std::size_t i = 0;
  const auto word = [&](std::size_t at) -> const std::string& {
    static const std::string none;
    return at < tokens.size() && tokens[at].kind == Token::Word ? tokens[at].text : none;
  };
  if (word(0) != "ASAP2_VERSION" || word(1) != "1" || word(2) != "71") {
    errors.push_back("no ASAP2_VERSION 1 71 first");
  }
  for (i = 3; i < tokens.size();) {
    const std::string& keyword = word(i);
    if (keyword == "/begin") {
      const std::string& block = word(i + 1);
      open.push_back(block);
      if (block == "PROJECT" || block == "MODULE") {
        if (!isIdentifier(word(i + 2)) || i + 3 >= tokens.size() ||
            tokens[i + 3].kind != Token::String) {
          errors.push_back(block + " without a name and a description");
        }
        i += 4;
      } else if (block == "MOD_COMMON") {
        if (i + 2 >= tokens.size() || tokens[i + 2].kind != Token::String) {
          errors.push_back("MOD_COMMON without a description");
        }
        i += 3;
      } else if (block == "MEASUREMENT") {
        A2lMeasurement m;
        m.identifier = word(i + 2);
        if (!isIdentifier(m.identifier)) errors.push_back("illegal identifier " + m.identifier);
        if (!identifiers.insert(m.identifier).second) {
          errors.push_back("identifier twice: " + m.identifier);
        }
        if (i + 3 >= tokens.size() || tokens[i + 3].kind != Token::String) {
          errors.push_back("no long identifier for " + m.identifier);
        } else {
          m.longIdentifier = tokens[i + 3].text;
        }
        m.datatype = word(i + 4);
        if (a2lDatatypeSize(m.datatype) == 0) errors.push_back("datatype " + m.datatype);
        if (!isIdentifier(word(i + 5))) errors.push_back("conversion of " + m.identifier);
        for (int p = 6; p <= 9; ++p) {
          if (!isNumber(word(i + p))) errors.push_back("parameter of " + m.identifier);
        }
        m.lower = word(i + 8);
        m.upper = word(i + 9);
        i += 10;
        while (word(i) == "ECU_ADDRESS" || word(i) == "BIT_MASK" || word(i) == "ARRAY_SIZE") {
          const std::string& value = word(i + 1);
          if (!isNumber(value)) errors.push_back(word(i) + " of " + m.identifier);
          const std::uint64_t number = std::stoull(isNumber(value) ? value : "0", nullptr, 0);
          (word(i) == "ECU_ADDRESS" ? m.ecuAddress
           : word(i) == "BIT_MASK"  ? m.bitMask
                                    : m.arraySize) = number;
          i += 2;
        }
        if (word(i) != "/end")
          errors.push_back("unknown keyword " + word(i) + " in " + m.identifier);
        file.measurements.push_back(std::move(m));
      } else {
        errors.push_back("unknown block " + block);
        i += 2;
      }
    } else if (keyword == "/end") {
      if (open.empty() || open.back() != word(i + 1)) {
        errors.push_back("/end " + word(i + 1) + " does not close " +
                         (open.empty() ? std::string("anything") : open.back()));
      }
      if (!open.empty()) open.pop_back();
      i += 2;
    } else if (keyword == "BYTE_ORDER" && !open.empty() && open.back() == "MOD_COMMON") {
      file.byteOrder = word(i + 1);
      if (file.byteOrder != "MSB_LAST" && file.byteOrder != "MSB_FIRST") {
        errors.push_back("byte order " + file.byteOrder);
      }
      i += 2;
    } else {
      errors.push_back("unexpected " + (keyword.empty() ? std::string("string") : keyword));
      ++i;
    }
  }
  if (!open.empty()) errors.push_back(open.back() + " is not closed");
  return file;
}

}  // namespace TestSupport
