#include "output/A2lFormat.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "model/Model.h"

namespace Output {

namespace {

// Appends a literal, its length known where it is written.
template <std::size_t N>
void put(std::string& text, const char (&literal)[N]) {
  text.append(literal, N - 1);
}

constexpr bool isIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
// The characters an identifier keeps, one table lookup each: every signal's name is
// spelled.
constexpr auto kIdentifierChars = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    table[static_cast<std::size_t>(c)] =
        isIdentifierStart(ch) || (ch >= '0' && ch <= '9') || ch == '.' || ch == '[' || ch == ']';
  }
  return table;
}();
bool isIdentifierChar(char c) {
  return kIdentifierChars[static_cast<unsigned char>(c)];
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
// The characters of a string of the A2L text, with quotes and backslashes escaped.
void appendEscaped(std::string& text, std::string_view value) {
  if (value.empty()) return;
  // Names seldom hold either: most go in whole.
  if (std::memchr(value.data(), '"', value.size()) == nullptr &&
      std::memchr(value.data(), '\\', value.size()) == nullptr) {
    text.append(value);
    return;
  }
  for (char c : value) {
    if (c == '"' || c == '\\') text += '\\';
    text += c;
  }
}

// A string of the A2L text, made of `value` and `more`.
void appendQuoted(std::string& text, std::string_view value, std::string_view more = {}) {
  text += '"';
  appendEscaped(text, value);
  appendEscaped(text, more);
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
  put(text, "0x");
  text.append(at, static_cast<std::size_t>(digits + sizeof digits - at));
}

struct Datatype {
  std::string_view name;
  std::string_view lower;
  std::string_view upper;
};

// The A2L datatype of a whole signal, from its size, signedness and encoding. Sizes the
// map cannot name either are given as bytes.
Datatype datatypeOf(const SignalEntry& signal, bool asSigned) {
  if (signal.typeName == "float") {
    if (signal.size == 4) {
      return {"FLOAT32_IEEE", "-3.4028234663852886E+38", "3.4028234663852886E+38"};
    }
    if (signal.size == 8) {
      return {"FLOAT64_IEEE", "-1.7976931348623157E+308", "1.7976931348623157E+308"};
    }
  }
  const bool isSigned = signal.isSigned || asSigned;
  switch (signal.size) {
    case 2:
      return isSigned ? Datatype{"SWORD", "-32768", "32767"} : Datatype{"UWORD", "0", "65535"};
    case 4:
      return isSigned ? Datatype{"SLONG", "-2147483648", "2147483647"}
                      : Datatype{"ULONG", "0", "4294967295"};
    case 8:
      return isSigned ? Datatype{"A_INT64", "-9223372036854775808", "9223372036854775807"}
                      : Datatype{"A_UINT64", "0", "18446744073709551615"};
    default:
      return isSigned ? Datatype{"SBYTE", "-128", "127"} : Datatype{"UBYTE", "0", "255"};
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
    // Runs of characters that stay as they are go in whole.
    std::size_t run = i;
    while (run < signalName.size() && isIdentifierChar(signalName[run]))
      ++run;
    if (run > i) {
      identifier.append(signalName.data() + i, run - i);
      i = run;
      if (i == signalName.size()) break;
    }
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

struct EnumerationTables::Index {
  std::unordered_map<const Model::BasicObject*, std::size_t> byType;
  // The same type described in several units: its qualified name and enumerators.
  std::unordered_map<std::string, std::size_t> byContents;
  std::unordered_set<std::string> names;
};

EnumerationTables::EnumerationTables() : index_(std::make_unique<Index>()) {}
EnumerationTables::~EnumerationTables() = default;

namespace {

// "app::hal::Mode": the names of the enclosing namespaces, classes, structures and unions
// that have one, then the type's own.
std::string qualifiedTypeName(const Model::BasicObject& type, std::string_view ownName) {
  std::vector<std::string_view> scopes{ownName};
  for (const Model::BasicObject* scope = type.parent;
       scope != nullptr && scopes.size() < Model::BasicObject::kMaxDepth; scope = scope->parent) {
    switch (scope->kind) {
      case Model::Kind::Namespace:
      case Model::Kind::Class:
      case Model::Kind::Structure:
      case Model::Kind::Union:
        if (!scope->name.empty()) scopes.push_back(scope->name);
        break;
      default:
        break;
    }
  }
  std::string name;
  for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
    if (!name.empty()) name += "::";
    name += *scope;
  }
  return name;
}

template <class Visit>
void forEachEnumerator(const Model::BasicObject& enumeration, Visit visit) {
  for (const auto& child : enumeration.children) {
    if (const auto* enumerator = Model::as<Model::TypeInfo_Enumerator>(child.get())) {
      visit(*enumerator);
    }
  }
}

}  // namespace

const EnumerationTables::Table& EnumerationTables::of(const Model::BasicObject& enumeration,
                                                      std::string_view typedefName) {
  Index& index = *index_;
  if (const auto known = index.byType.find(&enumeration); known != index.byType.end()) {
    return tables_[known->second];
  }
  const std::string_view ownName = !enumeration.name.empty() ? enumeration.name
                                   : !typedefName.empty()    ? typedefName
                                                             : std::string_view("enumeration");
  std::string contents = qualifiedTypeName(enumeration, ownName);
  bool negative = false;
  forEachEnumerator(enumeration, [&](const Model::TypeInfo_Enumerator& enumerator) {
    contents += '\0';
    contents += enumerator.name;
    contents += '=';
    contents += std::to_string(enumerator.value);
    negative = negative || enumerator.value < 0;
  });
  const auto [same, added] = index.byContents.try_emplace(contents, tables_.size());
  if (added) {
    // Named after the type; a second type of that name but other enumerators gets "_2".
    const std::string stem = a2lIdentifier(qualifiedTypeName(enumeration, ownName));
    std::string name = stem;
    for (std::uint64_t n = 2; !index.names.insert(name).second; ++n)
      name = stem + "_" + std::to_string(n);
    tables_.push_back({std::move(name), &enumeration, negative});
  }
  index.byType.emplace(&enumeration, same->second);
  return tables_[same->second];
}

void EnumerationTables::append(std::string& text) const {
  for (const Table& table : tables_) {
    std::size_t count = 0;
    forEachEnumerator(*table.enumeration, [&](const Model::TypeInfo_Enumerator&) { ++count; });
    text += "    /begin COMPU_METHOD " + table.name + " \"\"\r\n";
    put(text, "      TAB_VERB \"%8.0\" \"\"\r\n");
    text += "      COMPU_TAB_REF " + table.name + ".table\r\n";
    put(text, "    /end COMPU_METHOD\r\n");
    text += "    /begin COMPU_VTAB " + table.name + ".table \"\" TAB_VERB " +
            std::to_string(count) + "\r\n";
    forEachEnumerator(*table.enumeration, [&](const Model::TypeInfo_Enumerator& enumerator) {
      text += "      " + std::to_string(enumerator.value) + ' ';
      appendQuoted(text, enumerator.name);
      put(text, "\r\n");
    });
    put(text, "    /end COMPU_VTAB\r\n");
  }
}

A2lWriter::A2lWriter(std::string& text, std::string_view moduleName, bool littleEndian)
    : text_(text) {
  const std::string module = a2lIdentifier(moduleName);
  text_ += kA2lMark;
  put(text_, " from the debug information of ");
  text_ += moduleName;
  put(text_, "; written anew by every conversion */\r\n");
  put(text_, "ASAP2_VERSION 1 71\r\n");
  text_ += "/begin PROJECT " + module + " \"\"\r\n";
  text_ += "  /begin MODULE " + module + " \"\"\r\n";
  put(text_, "    /begin MOD_COMMON \"\"\r\n");
  text_ += littleEndian ? "      BYTE_ORDER MSB_LAST\r\n" : "      BYTE_ORDER MSB_FIRST\r\n";
  put(text_, "    /end MOD_COMMON\r\n");
}

void A2lWriter::append(const A2lObject& object, A2lIdentifiers::Candidate& identifier) {
  identifiers_.makeUnique(identifier);
  const SignalEntry& signal = *object.signal;
  // An enumeration reads as its enumerators' names, with a signed datatype when one of
  // them is negative.
  const EnumerationTables::Table* table = nullptr;
  const bool enumeration =
      signal.typeObject != nullptr && signal.typeObject->kind == Model::Kind::Enumeration;
  if (enumeration) table = &enumerations_.of(*signal.typeObject, signal.typedefName);
  Datatype type = datatypeOf(signal, table != nullptr && table->hasNegativeValue);
  const bool oddSize = signal.bitSize == 0 && signal.size != 1 && signal.size != 2 &&
                       signal.size != 4 && signal.size != 8 && signal.size != 0;
  const bool ascii = object.characteristic && object.array != nullptr &&
                     object.array->dimensions.size() == 1 && signal.typeObject != nullptr &&
                     signal.typeObject->kind == Model::Kind::Base &&
                     signal.typeObject->name == "char";
  if (ascii) type = {"UBYTE", "0", "255"};

  text_ += object.characteristic ? "    /begin CHARACTERISTIC " : "    /begin MEASUREMENT ";
  text_ += identifier.identifier;
  text_ += ' ';
  appendQuoted(text_, object.longIdentifier);
  put(text_, "\r\n      ");
  const std::string_view conversion =
      table != nullptr ? std::string_view(table->name) : std::string_view("NO_COMPU_METHOD");
  if (object.characteristic) {
    // Kind, address, record layout, largest change (none), conversion, limits.
    text_ += ascii ? "ASCII " : object.array != nullptr || oddSize ? "VAL_BLK " : "VALUE ";
    appendHex(text_, signal.address);
    if (oddSize) type = {"UBYTE", "0", "255"};
    put(text_, " __");
    text_ += type.name;
    put(text_, "_Z 0 ");
    if (std::find(layouts_.begin(), layouts_.end(), type.name) == layouts_.end()) {
      layouts_.push_back(type.name);
    }
  } else {
    // Datatype, conversion, resolution and accuracy, limits.
    text_ += type.name;
    text_ += ' ';
  }
  text_ += conversion;
  text_ += object.characteristic ? " " : " 0 0 ";
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
    put(text_, "0 ");
    text_ += std::to_string(field);
  }
  if (!object.characteristic) {
    put(text_, "\r\n      ECU_ADDRESS ");
    appendHex(text_, signal.address);
  }
  if (signal.bitSize != 0) {
    put(text_, "\r\n      BIT_MASK ");
    appendHex(text_, object.bitPosition < 64 ? field << object.bitPosition : 0);
  }
  if (object.array != nullptr) {
    put(text_, "\r\n      MATRIX_DIM");
    for (const std::uint32_t count : object.array->dimensions) {
      text_ += ' ';
      text_ += std::to_string(count);
    }
  } else if (oddSize) {
    text_ += object.characteristic ? "\r\n      MATRIX_DIM " : "\r\n      ARRAY_SIZE ";
    text_ += std::to_string(signal.size);
  }
  put(text_, "\r\n      SYMBOL_LINK ");
  appendQuoted(text_, object.symbolPath, object.symbolPathTail);
  text_ += object.characteristic ? " 0\r\n    /end CHARACTERISTIC\r\n"
                                 : " 0\r\n    /end MEASUREMENT\r\n";
}

void A2lWriter::finish() {
  for (const std::string_view datatype : layouts_) {
    put(text_, "    /begin RECORD_LAYOUT __");
    text_ += datatype;
    put(text_, "_Z\r\n      FNC_VALUES 1 ");
    text_ += datatype;
    put(text_, " ROW_DIR DIRECT\r\n    /end RECORD_LAYOUT\r\n");
  }
  enumerations_.append(text_);
  put(text_, "  /end MODULE\r\n");
  put(text_, "/end PROJECT\r\n");
}

}  // namespace Output
