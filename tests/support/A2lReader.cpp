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
  std::vector<std::string> open;                       // the blocks begun and not yet ended
  std::map<std::string, std::set<std::string>> names;  // by kind of block
  std::map<std::string, std::string> layouts;          // record layout -> datatype
  std::map<std::string, std::string> methods;          // conversion -> its table
  std::map<std::string, std::vector<std::pair<long long, std::string>>> vtabs;
  std::size_t i = 0;
  const auto word = [&](std::size_t at) -> const std::string& {
    static const std::string none;
    return at < tokens.size() && tokens[at].kind == Token::Word ? tokens[at].text : none;
  };
  const auto string = [&](std::size_t at) -> std::optional<std::string> {
    if (at < tokens.size() && tokens[at].kind == Token::String) return tokens[at].text;
    return std::nullopt;
  };
  const auto number = [&](std::size_t at, const std::string& what) -> std::uint64_t {
    if (!isNumber(word(at))) {
      errors.push_back(what);
      return 0;
    }
    return std::stoull(word(at), nullptr, 0);
  };
  // The name of a block, legal and met once within its kind.
  const auto name = [&](const std::string& kind, std::size_t at) {
    const std::string& identifier = word(at);
    if (!isIdentifier(identifier)) errors.push_back("illegal identifier " + identifier);
    if (!names[kind].insert(identifier).second) errors.push_back(kind + " twice: " + identifier);
    return identifier;
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
        if (!isIdentifier(word(i + 2)) || !string(i + 3)) {
          errors.push_back(block + " without a name and a description");
        }
        i += 4;
      } else if (block == "MOD_COMMON") {
        if (!string(i + 2)) errors.push_back("MOD_COMMON without a description");
        i += 3;
      } else if (block == "MEASUREMENT" || block == "CHARACTERISTIC") {
        // MEASUREMENT and CHARACTERISTIC share one namespace of identifiers.
        A2lObject o;
        o.characteristic = block == "CHARACTERISTIC";
        o.identifier = name("object", i + 2);
        if (const auto longIdentifier = string(i + 3)) {
          o.longIdentifier = *longIdentifier;
        } else {
          errors.push_back("no long identifier for " + o.identifier);
        }
        i += 4;
        if (o.characteristic) {
          // Kind, address, record layout, largest change, conversion, limits.
          o.type = word(i);
          if (o.type != "VALUE" && o.type != "VAL_BLK" && o.type != "ASCII") {
            errors.push_back("characteristic kind " + o.type);
          }
          o.address = number(i + 1, "address of " + o.identifier);
          o.datatype = word(i + 2);  // the layout's name, replaced by its datatype below
          if (word(i + 3) != "0") errors.push_back("MAX_DIFF of " + o.identifier);
          o.conversion = word(i + 4);
          o.lower = word(i + 5);
          o.upper = word(i + 6);
          i += 7;
        } else {
          // Datatype, conversion, resolution, accuracy, limits.
          o.datatype = word(i);
          if (a2lDatatypeSize(o.datatype) == 0) errors.push_back("datatype " + o.datatype);
          o.conversion = word(i + 1);
          if (!isNumber(word(i + 2)) || !isNumber(word(i + 3))) {
            errors.push_back("resolution or accuracy of " + o.identifier);
          }
          o.lower = word(i + 4);
          o.upper = word(i + 5);
          i += 6;
        }
        if (!isIdentifier(o.conversion)) errors.push_back("conversion of " + o.identifier);
        if (!isNumber(o.lower) || !isNumber(o.upper)) {
          errors.push_back("limits of " + o.identifier);
        }
        for (;;) {
          const std::string& optional = word(i);
          if (optional == "ECU_ADDRESS" && !o.characteristic) {
            o.address = number(i + 1, "ECU_ADDRESS of " + o.identifier);
            i += 2;
          } else if (optional == "BIT_MASK") {
            o.bitMask = number(i + 1, "BIT_MASK of " + o.identifier);
            i += 2;
          } else if (optional == "ARRAY_SIZE" && !o.characteristic) {
            o.arraySize = number(i + 1, "ARRAY_SIZE of " + o.identifier);
            i += 2;
          } else if (optional == "MATRIX_DIM") {
            for (++i; isNumber(word(i)); ++i) {
              o.matrixDim.push_back(number(i, ""));
              if (o.matrixDim.back() == 0) errors.push_back("MATRIX_DIM 0 in " + o.identifier);
            }
            if (o.matrixDim.empty()) errors.push_back("MATRIX_DIM without values");
          } else if (optional == "SYMBOL_LINK") {
            o.symbolLink = string(i + 1);
            if (!o.symbolLink || word(i + 2) != "0") {
              errors.push_back("SYMBOL_LINK of " + o.identifier);
            }
            i += 3;
          } else {
            break;
          }
        }
        if (o.characteristic && (o.type == "VALUE") != o.matrixDim.empty()) {
          errors.push_back("MATRIX_DIM of the " + o.type + " " + o.identifier);
        }
        if (word(i) != "/end") {
          errors.push_back("unknown keyword " + word(i) + " in " + o.identifier);
        }
        file.objects.push_back(std::move(o));
      } else if (block == "RECORD_LAYOUT") {
        const std::string layout = name(block, i + 2);
        if (word(i + 3) != "FNC_VALUES" || word(i + 4) != "1" ||
            a2lDatatypeSize(word(i + 5)) == 0 || word(i + 6) != "ROW_DIR" ||
            word(i + 7) != "DIRECT") {
          errors.push_back("record layout " + layout);
        }
        layouts[layout] = word(i + 5);
        i += 8;
      } else if (block == "COMPU_METHOD") {
        const std::string method = name(block, i + 2);
        if (!string(i + 3) || word(i + 4) != "TAB_VERB" || !string(i + 5) || !string(i + 6) ||
            word(i + 7) != "COMPU_TAB_REF") {
          errors.push_back("conversion " + method);
        }
        methods[method] = word(i + 8);
        i += 9;
      } else if (block == "COMPU_VTAB") {
        const std::string table = name(block, i + 2);
        if (!string(i + 3) || word(i + 4) != "TAB_VERB") errors.push_back("table " + table);
        const std::uint64_t count = number(i + 5, "count of " + table);
        auto& entries = vtabs[table];
        for (i += 6; word(i) != "/end" && i < tokens.size(); i += 2) {
          static const std::regex integer("-?[0-9]+");
          const auto text = string(i + 1);
          if (!std::regex_match(word(i), integer) || !text) {
            errors.push_back("entry of " + table);
            break;
          }
          entries.emplace_back(std::stoll(word(i)), *text);
        }
        if (entries.size() != count) errors.push_back("entries of " + table);
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
  // Every reference names a block defined once; every block defined is used.
  std::set<std::string> layoutsUsed;
  std::set<std::string> methodsUsed;
  for (A2lObject& o : file.objects) {
    if (o.characteristic) {
      const auto layout = layouts.find(o.datatype);
      if (layout == layouts.end()) {
        errors.push_back("no record layout " + o.datatype);
      } else {
        layoutsUsed.insert(o.datatype);
        o.datatype = layout->second;
      }
    }
    if (o.conversion == "NO_COMPU_METHOD") continue;
    const auto method = methods.find(o.conversion);
    if (method == methods.end() || vtabs.count(method->second) == 0) {
      errors.push_back("no conversion " + o.conversion);
      continue;
    }
    methodsUsed.insert(o.conversion);
    file.tables[o.conversion] = vtabs[method->second];
  }
  if (layoutsUsed.size() != layouts.size()) errors.push_back("a record layout is not used");
  if (methodsUsed.size() != methods.size() || methods.size() != vtabs.size()) {
    errors.push_back("a conversion or table is not used");
  }
  return file;
}

}  // namespace TestSupport
