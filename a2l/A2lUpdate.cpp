#include "a2l/A2lUpdate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "a2l/SymbolTable.h"
#include "output/OutputRun.h"

namespace A2l {

namespace {

constexpr std::string_view kObjectKinds[] = {"MEASUREMENT", "CHARACTERISTIC", "AXIS_PTS", "BLOB",
                                             "INSTANCE"};

// An integer as A2L writes it: decimal, or hexadecimal after "0x".
std::optional<std::int64_t> integerOf(std::string_view text) {
  bool negative = false;
  if (text.starts_with('-')) {
    negative = true;
    text.remove_prefix(1);
  }
  std::uint64_t value = 0;
  const int base = text.starts_with("0x") || text.starts_with("0X") ? 16 : 10;
  if (base == 16) text.remove_prefix(2);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

std::optional<double> realOf(std::string_view text) {
  if (const auto integer = integerOf(text)) return static_cast<double>(*integer);
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || copy.empty()) return std::nullopt;
  return value;
}

// A new value spelled like the one it replaces: hexadecimal with the same prefix, case
// and at least as many digits, or decimal.
std::string spelledLike(std::string_view original, std::uint64_t value) {
  if (!(original.starts_with("0x") || original.starts_with("0X"))) return std::to_string(value);
  const std::string_view digits = original.substr(2);
  const bool lower =
      std::any_of(digits.begin(), digits.end(), [](char c) { return c >= 'a' && c <= 'f'; });
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
  std::string spelled(text, end);
  if (!lower) {
    for (char& c : spelled) {
      if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
    }
  }
  if (spelled.size() < digits.size()) spelled.insert(0, digits.size() - spelled.size(), '0');
  return std::string(original.substr(0, 2)) + spelled;
}

std::string hexAddress(std::uint64_t address) {
  return spelledLike("0x0", address);
}

struct Range {
  long double lowest;
  long double highest;
};

// The datatype a leaf reads as, and its range.
std::string_view datatypeOf(const Leaf& leaf) {
  switch (leaf.kind) {
    case Leaf::Kind::Float:
      return leaf.size == 8 ? "FLOAT64_IEEE" : leaf.size == 4 ? "FLOAT32_IEEE" : "";
    case Leaf::Kind::Integer:
    case Leaf::Kind::Enumeration:
    case Leaf::Kind::Pointer:
      switch (leaf.size) {
        case 1:
          return leaf.isSigned ? "SBYTE" : "UBYTE";
        case 2:
          return leaf.isSigned ? "SWORD" : "UWORD";
        case 4:
          return leaf.isSigned ? "SLONG" : "ULONG";
        case 8:
          return leaf.isSigned ? "A_INT64" : "A_UINT64";
        default:
          return "";
      }
    default:
      return "";
  }
}

std::uint32_t sizeOfDatatype(std::string_view datatype) {
  if (datatype == "UBYTE" || datatype == "SBYTE") return 1;
  if (datatype == "UWORD" || datatype == "SWORD" || datatype == "FLOAT16_IEEE") return 2;
  if (datatype == "ULONG" || datatype == "SLONG" || datatype == "FLOAT32_IEEE") return 4;
  if (datatype == "A_UINT64" || datatype == "A_INT64" || datatype == "FLOAT64_IEEE") return 8;
  return 0;
}

std::optional<Range> rangeOf(std::string_view datatype, std::uint32_t bitSize) {
  const bool isSigned = datatype.starts_with('S') || datatype == "A_INT64";
  std::uint32_t bits = 8 * sizeOfDatatype(datatype);
  if (bits == 0 || datatype.starts_with("FLOAT")) return std::nullopt;
  if (bitSize != 0 && bitSize < bits) bits = bitSize;
  const long double span = std::ldexp(1.0L, static_cast<int>(bits));
  return isSigned ? Range{-span / 2, span / 2 - 1} : Range{0, span - 1};
}

std::string spelledNumber(long double value) {
  return std::to_string(static_cast<long long>(value));
}

class Updater {
 public:
  Updater(const Description& description, const SymbolTable& symbols, UpdateReport& report)
      : d_(description), symbols_(symbols), report_(report) {
    const auto& tokens = d_.tokens();
    for (std::size_t at = 0; at + 2 < tokens.size(); ++at) {
      if (tokens[at].kind == Token::Kind::Word && d_.text(tokens[at]) == "ASAP2_VERSION") {
        const auto major = integerOf(d_.text(tokens[at + 1]));
        const auto minor = integerOf(d_.text(tokens[at + 2]));
        version170_ = major && minor && (*major > 1 || (*major == 1 && *minor >= 70));
        break;
      }
    }
    for (const Block& block : d_.blocks())
      collect(block);
  }

  std::vector<Edit> run() {
    for (const Block& block : d_.blocks())
      visit(block);
    return std::move(edits_);
  }

 private:
  const Token& token(std::size_t at) const { return d_.tokens()[at]; }
  std::string_view text(std::size_t at) const { return d_.text(token(at)); }

  // The tokens of a block outside its nested blocks.
  void ownTokensInto(const Block& block, std::vector<std::size_t>& own) const {
    own.clear();
    std::size_t child = 0;
    for (std::size_t at = block.firstInside(); at < block.lastInside();) {
      if (child < block.children.size() && block.children[child].begin == at) {
        at = block.children[child].end + 2;
        ++child;
        continue;
      }
      own.push_back(at);
      ++at;
    }
  }
  std::vector<std::size_t> ownTokens(const Block& block) const {
    std::vector<std::size_t> own;
    ownTokensInto(block, own);
    return own;
  }

  // The index into `own` of the word `keyword` past the fixed parameters, if any.
  std::optional<std::size_t> keywordAt(const std::vector<std::size_t>& own, std::size_t fixed,
                                       std::string_view keyword) const {
    for (std::size_t k = fixed; k < own.size(); ++k) {
      if (token(own[k]).kind == Token::Kind::Word && text(own[k]) == keyword) return k;
    }
    return std::nullopt;
  }

  // The optional keywords of an object that the update reads, found in one pass over its
  // parameters: the index into `own` of the first of each.
  struct Keywords {
    std::optional<std::size_t> ecuAddress;
    std::optional<std::size_t> extension;
    std::optional<std::size_t> symbolLink;
    std::optional<std::size_t> bitMask;
    std::optional<std::size_t> matrixDim;
    std::optional<std::size_t> number;
  };
  Keywords keywordsOf(const std::vector<std::size_t>& own, std::size_t fixed) const {
    Keywords found;
    for (std::size_t k = fixed; k < own.size(); ++k) {
      if (token(own[k]).kind != Token::Kind::Word) continue;
      const std::string_view word = text(own[k]);
      std::optional<std::size_t>* slot = word == "ECU_ADDRESS"             ? &found.ecuAddress
                                         : word == "ECU_ADDRESS_EXTENSION" ? &found.extension
                                         : word == "SYMBOL_LINK"           ? &found.symbolLink
                                         : word == "BIT_MASK"              ? &found.bitMask
                                         : word == "MATRIX_DIM"            ? &found.matrixDim
                                         : word == "NUMBER"                ? &found.number
                                                                           : nullptr;
      if (slot != nullptr && !*slot) *slot = k;
    }
    return found;
  }

  const Block* childNamed(const Block& block, std::string_view keyword) const {
    for (const Block& child : block.children) {
      if (child.keyword == keyword) return &child;
    }
    return nullptr;
  }

  void collect(const Block& block) {
    if (block.keyword == "RECORD_LAYOUT" || block.keyword == "COMPU_METHOD" ||
        block.keyword == "TYPEDEF_STRUCTURE") {
      const std::vector<std::size_t> own = ownTokens(block);
      if (!own.empty()) named_[block.keyword].emplace(text(own[0]), &block);
    }
    // The addresses of a characteristic's variants are a list that no symbol gives.
    if (block.keyword == "VAR_CHARACTERISTIC" && childNamed(block, "VAR_ADDRESS") != nullptr) {
      const std::vector<std::size_t> own = ownTokens(block);
      say(block, own.empty() ? "" : text(own[0]),
          "not updated: its VAR_ADDRESS list gives an address per variant");
    }
    for (const Block& child : block.children)
      collect(child);
  }

  const Block* named(std::string_view kind, std::string_view name) const {
    const auto byKind = named_.find(kind);
    if (byKind == named_.end()) return nullptr;
    const auto found = byKind->second.find(name);
    return found != byKind->second.end() ? found->second : nullptr;
  }

  void visit(const Block& block) {
    for (const std::string_view kind : kObjectKinds) {
      if (block.keyword == kind) {
        update(block);
        return;
      }
    }
    for (const Block& child : block.children)
      visit(child);
  }

  // Tokens may touch where one of them is a quoted string ("..."/end, NUMBER"..."); a
  // word put in a string's place, or between two tokens, must not run into them.
  static bool touches(std::string_view bytes, std::size_t at) {
    return at < bytes.size() && static_cast<unsigned char>(bytes[at]) > ' ';
  }

  void replace(std::size_t at, std::string text) {
    const Token& t = token(at);
    if (d_.text(t) == text) return;
    const std::string_view bytes = d_.files()[t.file]->bytes;
    if (t.offset > 0 && touches(bytes, t.offset - 1)) text.insert(0, 1, ' ');
    if (touches(bytes, t.offset + t.length)) text += ' ';
    edits_.push_back({t.file, t.offset, t.length, std::move(text)});
  }

  // Inserts `words` as an optional keyword after the token `after`: on a line of its own
  // when the block's contents go on on further lines, else on the same line.
  void insertAfter(const Block& block, std::size_t after, const std::string& words) {
    const Token& anchor = token(after);
    const std::string_view bytes = d_.files()[anchor.file]->bytes;
    // The next token inside the block, or its /end.
    std::size_t next = after + 1;
    while (next < block.end && token(next).file != anchor.file)
      ++next;
    const Token& following = token(next);
    std::string text;
    const bool laterLine = following.file == anchor.file &&
                           bytes.substr(anchor.offset + anchor.length,
                                        following.offset - (anchor.offset + anchor.length))
                                   .find('\n') != std::string_view::npos;
    if (laterLine) {
      // Indented like the line that follows, unless that is the block's end.
      const std::size_t lineOf = next == block.end ? after : next;
      const Token& model = token(lineOf);
      std::size_t lineStart = model.offset;
      while (lineStart > 0 && bytes[lineStart - 1] != '\n')
        --lineStart;
      std::size_t indentEnd = lineStart;
      while (indentEnd < bytes.size() && (bytes[indentEnd] == ' ' || bytes[indentEnd] == '\t'))
        ++indentEnd;
      text = std::string(d_.lineEndOf(anchor.file)) +
             std::string(bytes.substr(lineStart, indentEnd - lineStart)) + words;
    } else {
      text = " " + words;
    }
    const std::size_t insertAt = anchor.offset + anchor.length;
    if (touches(bytes, insertAt)) text += ' ';
    edits_.push_back({anchor.file, insertAt, 0, std::move(text)});
  }

  std::string where(const Block& object) const {
    return describePlace(d_.placeOf(token(object.begin)));
  }

  void say(const Block& object, std::string_view name, const std::string& what) {
    report_.lines.push_back(std::string(object.keyword) + " " + std::string(name) + " (" +
                            where(object) + "): " + what);
  }

  // The LINK_MAP of an IF_DATA CANAPE_EXT: the name's token and the address's.
  struct LinkMap {
    std::size_t name = 0;
    std::size_t address = 0;
  };
  std::optional<LinkMap> linkMapOf(const Block& object) const {
    for (const Block& child : object.children) {
      if (child.keyword != "IF_DATA") continue;
      const std::vector<std::size_t> own = ownTokens(child);
      if (own.empty() || text(own[0]) != "CANAPE_EXT") continue;
      // LINK_MAP "name" address …, directly or in a nested block.
      for (std::size_t at = child.firstInside(); at + 2 < child.lastInside(); ++at) {
        if (token(at).kind == Token::Kind::Word && text(at) == "LINK_MAP" &&
            token(at + 1).kind == Token::Kind::String) {
          return LinkMap{at + 1, at + 2};
        }
      }
    }
    return std::nullopt;
  }

  // The datatype of a record layout's values (FNC_VALUES) or axis points (AXIS_PTS_X).
  std::optional<std::size_t> layoutDatatype(const Block& layout, std::string_view part) const {
    const std::vector<std::size_t> own = ownTokens(layout);
    for (std::size_t k = 1; k + 2 < own.size(); ++k) {
      if (text(own[k]) == part) return own[k + 2];
    }
    return std::nullopt;
  }

  // A copy of a record layout under a new name with another datatype, made once and
  // placed after the original; the layout itself may be shared and is never edited.
  std::string layoutCopy(const Block& layout, std::string_view name, std::size_t datatypeToken,
                         std::string_view datatype) {
    const std::string key = std::string(name) + '\0' + std::string(datatype);
    if (const auto made = copies_.find(key); made != copies_.end()) return made->second;
    std::string copyName = std::string(name) + "_" + std::string(datatype);
    while (named("RECORD_LAYOUT", copyName) != nullptr)
      copyName += "_";
    const Token& begin = token(layout.begin);
    const Token& endKeyword = token(layout.end + 1);
    const std::string_view bytes = d_.files()[begin.file]->bytes;
    // Indented like the original when its /begin starts a line; what stands before it
    // on its line belongs to other objects and is not copied.
    std::size_t lineStart = begin.offset;
    while (lineStart > 0 && (bytes[lineStart - 1] == ' ' || bytes[lineStart - 1] == '\t'))
      --lineStart;
    if (lineStart > 0 && bytes[lineStart - 1] != '\n') lineStart = begin.offset;
    const std::size_t stop = endKeyword.offset + endKeyword.length;
    std::string copy(bytes.substr(lineStart, stop - lineStart));
    // The datatype first (it lies further on), then the name.
    const Token& typeToken = token(datatypeToken);
    const Token& nameToken = token(layout.begin + 2);
    copy.replace(typeToken.offset - lineStart, typeToken.length, datatype);
    copy.replace(nameToken.offset - lineStart, nameToken.length, copyName);
    edits_.push_back({begin.file, stop, 0, std::string(d_.lineEndOf(begin.file)) + copy});
    copies_.emplace(key, copyName);
    return copyName;
  }

  // Asked for nearly every object, of the few conversions a file has: answered once each.
  bool isIdentity(std::string_view conversion) {
    const auto known = identity_.find(conversion);
    if (known != identity_.end()) return known->second;
    const bool identity = computeIsIdentity(conversion);
    identity_.emplace(conversion, identity);
    return identity;
  }

  bool computeIsIdentity(std::string_view conversion) const {
    if (conversion == "NO_COMPU_METHOD") return true;
    const Block* method = named("COMPU_METHOD", conversion);
    if (method == nullptr) return false;
    const std::vector<std::size_t> own = ownTokens(*method);
    if (own.size() < 3) return false;
    const std::string_view kind = text(own[2]);
    if (kind == "IDENTICAL") return true;
    const auto coefficients = [&](std::string_view keyword, std::vector<double> wanted) {
      const auto at = keywordAt(own, 3, keyword);
      if (!at || *at + wanted.size() >= own.size()) return false;
      for (std::size_t k = 0; k < wanted.size(); ++k) {
        const auto value = realOf(text(own[*at + 1 + k]));
        if (!value || *value != wanted[k]) return false;
      }
      return true;
    };
    if (kind == "LINEAR") return coefficients("COEFFS_LINEAR", {1, 0});
    if (kind == "RAT_FUNC") return coefficients("COEFFS", {0, 1, 0, 0, 0, 1});
    return false;
  }

  // Limits are physical values: without a conversion they narrow to the datatype's
  // range; under another one they stay and are reported when they no longer fit.
  void fitLimits(const Block& object, std::string_view name, std::size_t lowerToken,
                 std::size_t upperToken, std::string_view conversion, std::string_view datatype,
                 std::uint32_t bitSize) {
    const auto range = rangeOf(datatype, bitSize);
    const auto lower = realOf(text(lowerToken));
    const auto upper = realOf(text(upperToken));
    if (!range || !lower || !upper) return;
    const bool outside = *lower < range->lowest || *upper > range->highest;
    if (!outside) return;
    if (!isIdentity(conversion)) {
      say(object, name,
          "its limits " + std::string(text(lowerToken)) + " " + std::string(text(upperToken)) +
              " no longer fit its datatype " + std::string(datatype) + "; left as they are");
      return;
    }
    if (*lower < range->lowest) replace(lowerToken, spelledNumber(range->lowest));
    if (*upper > range->highest) replace(upperToken, spelledNumber(range->highest));
  }

  void update(const Block& object) {
    // One buffer for every object: there are thousands.
    ownTokensInto(object, objectTokens_);
    const std::vector<std::size_t>& own = objectTokens_;
    const std::string kind(object.keyword);
    UpdateReport::Counts& counts = report_.counts[kind];
    const std::size_t fixed = kind == "MEASUREMENT"      ? 8
                              : kind == "CHARACTERISTIC" ? 9
                              : kind == "AXIS_PTS"       ? 10
                                                         : 4;
    if (own.size() < fixed) {
      say(object, own.empty() ? "" : text(own[0]), "too few parameters; left as it is");
      ++counts.unchanged;
      return;
    }
    const std::string_view name = text(own[0]);
    // Objects without memory of their own, relative addresses and variant addresses
    // are left as they are.
    if (childNamed(object, "VIRTUAL") != nullptr ||
        childNamed(object, "VIRTUAL_CHARACTERISTIC") != nullptr ||
        childNamed(object, "DEPENDENT_CHARACTERISTIC") != nullptr) {
      ++counts.unchanged;
      return;
    }
    const Keywords keywords = keywordsOf(own, fixed);
    if (const auto extension = keywords.extension) {
      const auto value =
          *extension + 1 < own.size() ? integerOf(text(own[*extension + 1])) : std::nullopt;
      if (!value || *value != 0) {
        ++counts.unchanged;
        return;
      }
    }
    if (childNamed(object, "VAR_ADDRESS") != nullptr) {
      say(object, name, "not updated: its addresses are a VAR_ADDRESS list, one per variant");
      ++counts.unchanged;
      return;
    }

    const std::size_t editsBefore = edits_.size();
    // Where the address stands.
    std::optional<std::size_t> addressToken;
    std::optional<std::size_t> ecuAddress;
    if (kind == "MEASUREMENT") {
      ecuAddress = keywords.ecuAddress;
      if (ecuAddress && *ecuAddress + 1 < own.size()) addressToken = own[*ecuAddress + 1];
    } else if (kind == "CHARACTERISTIC" || kind == "INSTANCE") {
      addressToken = own[3];
    } else {
      addressToken = own[2];
    }
    // The datatype of the values, and where the layout names it.
    std::string_view datatype;
    const Block* layout = nullptr;
    std::optional<std::size_t> layoutType;
    if (kind == "MEASUREMENT") {
      datatype = text(own[2]);
    } else if (kind == "CHARACTERISTIC" || kind == "AXIS_PTS") {
      layout = named("RECORD_LAYOUT", text(own[4]));
      if (layout != nullptr) {
        layoutType = layoutDatatype(*layout, kind == "AXIS_PTS" ? "AXIS_PTS_X" : "FNC_VALUES");
        if (layoutType) datatype = text(*layoutType);
      }
    }

    // The symbol: by SYMBOL_LINK, by the LINK_MAP of CANAPE_EXT, or by the object's name.
    const auto link = keywords.symbolLink;
    const auto linkMap = linkMapOf(object);
    std::string symbolName(name);
    std::int64_t offset = 0;
    const bool linked = (link && *link + 2 < own.size()) || linkMap;
    if (link && *link + 2 < own.size()) {
      const std::string_view quoted = text(own[*link + 1]);
      symbolName = std::string(quoted.substr(1, quoted.size() - 2));
      offset = integerOf(text(own[*link + 2])).value_or(0);
    } else if (linkMap) {
      const std::string_view quoted = text(linkMap->name);
      symbolName = std::string(quoted.substr(1, quoted.size() - 2));
    }
    Symbol symbol;
    const SymbolTable::Found found = symbols_.resolve(symbolName, symbol);
    if (found == SymbolTable::Found::Ambiguous) {
      say(object, name,
          "not matched: " + symbolName + " names variables of several units; kept as it was");
      ++counts.notMatched;
      return;
    }
    std::optional<Symbol> part;
    if (found == SymbolTable::Found::Symbol) {
      part = offset == 0 ? std::optional<Symbol>(symbol)
                         : symbols_.partAt(symbol, static_cast<std::uint32_t>(offset),
                                           std::max<std::uint32_t>(1, sizeOfDatatype(datatype)));
    }
    if (!part) {
      if (!linked && found == SymbolTable::Found::None) {
        say(object, name, "not matched: no variable is named " + symbolName + "; kept as it was");
        ++counts.notMatched;
        return;
      }
      // Its symbol is gone: a stale address may now belong to another variable.
      if (addressToken) replace(*addressToken, spelledLike(text(*addressToken), 0));
      if (linkMap) replace(linkMap->address, spelledLike(text(linkMap->address), 0));
      say(object, name,
          "not found: " + symbolName +
              (found == SymbolTable::Found::Symbol
                   ? " has no member or element at offset " + std::to_string(offset)
               : found == SymbolTable::Found::Removed ? " was removed by the linker"
                                                      : " is no longer in the image") +
              "; its address is now 0");
      ++counts.notFound;
      return;
    }
    Symbol& s = *part;
    // Where a bit field's unit lies whole, and its mask.
    Output::SignalEntry unit;
    unit.address = s.address;
    unit.size = s.size;
    unit.bitOffset = s.bitOffset;
    unit.bitSize = s.bitSize;
    if (s.bitSize != 0) Output::fitBitFieldInUnit(unit, symbols_.littleEndian());
    const std::uint64_t address = unit.address;
    const Leaf leaf = symbols_.leafOf(s);

    if (offset != 0 && link) {
      // Resolved once: the full path, and no offset.
      replace(own[*link + 1], "\"" + s.path + "\"");
      replace(own[*link + 2], "0");
    }
    if (linkMap) replace(linkMap->address, spelledLike(text(linkMap->address), address));
    std::size_t insertAfterToken = own[fixed - 1];
    if (addressToken) {
      replace(*addressToken, spelledLike(text(*addressToken), address));
      if (kind == "MEASUREMENT") insertAfterToken = *addressToken;
    } else if (kind == "MEASUREMENT") {
      insertAfter(object, own[7], "ECU_ADDRESS " + hexAddress(address));
    }

    const std::string_view leafType = datatypeOf(leaf);
    std::string_view effectiveType = datatype;
    if (kind == "MEASUREMENT" && !leafType.empty() && leafType != datatype) {
      replace(own[2], std::string(leafType));
      effectiveType = leafType;
    }
    if ((kind == "CHARACTERISTIC" || kind == "AXIS_PTS") && layout != nullptr && layoutType &&
        !leafType.empty() && leafType != datatype) {
      const bool scalarKind =
          kind == "AXIS_PTS" || text(own[2]) == "VALUE" || text(own[2]) == "VAL_BLK";
      if (scalarKind) {
        replace(own[4], layoutCopy(*layout, text(own[4]), *layoutType, leafType));
        effectiveType = leafType;
      }
    }

    // A bit field's mask follows the symbol; a hand-made one over a plain integer stays.
    const auto mask = keywords.bitMask;
    if (s.bitSize != 0) {
      const std::uint32_t width = std::min<std::uint32_t>(s.bitSize, 64);
      const std::uint64_t field = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
      const std::uint32_t position = Output::bitPositionOf(unit, symbols_.littleEndian());
      const std::uint64_t value = position < 64 ? field << position : 0;
      if (mask && *mask + 1 < own.size()) {
        replace(own[*mask + 1], spelledLike(text(own[*mask + 1]), value));
      } else {
        insertAfter(object, insertAfterToken, "BIT_MASK " + hexAddress(value));
      }
    }

    // The dimensions of an array.
    if (!leaf.dimensions.empty() && (kind == "MEASUREMENT" || kind == "CHARACTERISTIC")) {
      std::vector<std::uint64_t> dims(leaf.dimensions.begin(), leaf.dimensions.end());
      std::uint64_t total = 1;
      for (const std::uint64_t d : dims)
        total *= d;
      if (!version170_) {
        // Three values before ASAP2 1.70: further dimensions fold into the third.
        while (dims.size() > 3) {
          dims[2] *= dims.back();
          dims.pop_back();
        }
        while (dims.size() < 3)
          dims.push_back(1);
      }
      std::string values;
      for (const std::uint64_t d : dims)
        values += (values.empty() ? "" : " ") + std::to_string(d);
      const auto matrix = keywords.matrixDim;
      const auto number = keywords.number;
      if (matrix) {
        // The values that follow, up to a nested block or another file.
        std::size_t last = *matrix;
        while (last + 1 < own.size() && own[last + 1] == own[last] + 1 &&
               token(own[last + 1]).file == token(own[last]).file && integerOf(text(own[last + 1])))
          ++last;
        if (last - *matrix == dims.size()) {
          // As many as before: each in its place, so that comments between them stay.
          for (std::size_t k = 0; k < dims.size(); ++k)
            replace(own[*matrix + 1 + k], std::to_string(dims[k]));
        } else if (last > *matrix) {
          const Token& first = token(own[*matrix + 1]);
          const Token& end = token(own[last]);
          edits_.push_back(
              {first.file, first.offset, end.offset + end.length - first.offset, values});
        }
      } else if (number && *number + 1 < own.size()) {
        replace(own[*number + 1], std::to_string(total));
      } else if (kind == "MEASUREMENT" || text(own[2]) == "VAL_BLK" || text(own[2]) == "ASCII") {
        insertAfter(object, insertAfterToken, "MATRIX_DIM " + values);
      }
    }
    if (kind == "BLOB") replace(own[3], std::to_string(s.size));
    if (kind == "AXIS_PTS" && leaf.dimensions.size() == 1) {
      replace(own[7], std::to_string(leaf.dimensions.front()));
    }
    if (kind == "INSTANCE") checkStructure(object, name, text(own[2]), s);

    // Limits.
    if (kind == "MEASUREMENT") {
      fitLimits(object, name, own[6], own[7], text(own[3]), effectiveType, s.bitSize);
    } else if (kind == "CHARACTERISTIC") {
      fitLimits(object, name, own[7], own[8], text(own[6]), effectiveType, s.bitSize);
    } else if (kind == "AXIS_PTS") {
      fitLimits(object, name, own[8], own[9], text(own[6]), effectiveType, 0);
    }
    (edits_.size() > editsBefore ? counts.updated : counts.unchanged) += 1;
  }

  // A TYPEDEF_STRUCTURE that an instance names is reported, not rewritten, when its size
  // or a component's offset no longer matches the structure.
  void checkStructure(const Block& object, std::string_view name, std::string_view typeName,
                      const Symbol& symbol) {
    const Block* structure = named("TYPEDEF_STRUCTURE", typeName);
    if (structure == nullptr) return;
    const std::vector<std::size_t> own = ownTokens(*structure);
    if (own.size() >= 3) {
      const auto size = integerOf(text(own[2]));
      if (size && *size != symbol.size) {
        say(object, name,
            "its TYPEDEF_STRUCTURE " + std::string(typeName) + " is " + std::to_string(*size) +
                " bytes, the structure " + std::to_string(symbol.size));
      }
    }
    for (const Block& component : structure->children) {
      if (component.keyword != "STRUCTURE_COMPONENT") continue;
      const std::vector<std::size_t> parts = ownTokens(component);
      if (parts.size() < 3) continue;
      const auto componentOffset = integerOf(text(parts[2]));
      Symbol member;
      const std::string path = symbol.path + "." + std::string(text(parts[0]));
      if (!componentOffset) continue;
      if (symbols_.resolve(path, member) != SymbolTable::Found::Symbol) {
        say(object, name,
            "the component " + std::string(text(parts[0])) + " of " + std::string(typeName) +
                " is no member of the structure");
      } else if (member.address - symbol.address != *componentOffset) {
        say(object, name,
            "the component " + std::string(text(parts[0])) + " of " + std::string(typeName) +
                " lies at " + std::to_string(*componentOffset) + ", the member at " +
                std::to_string(member.address - symbol.address));
      }
    }
  }

  const Description& d_;
  const SymbolTable& symbols_;
  UpdateReport& report_;
  std::vector<Edit> edits_;
  bool version170_ = true;
  // Record layouts, conversions and structure types by kind and name, as the text spells
  // them; the first of a name counts.
  std::map<std::string_view, std::map<std::string_view, const Block*, std::less<>>, std::less<>>
      named_;
  std::map<std::string_view, bool, std::less<>> identity_;
  std::vector<std::size_t> objectTokens_;
  std::map<std::string, std::string> copies_;
};

}  // namespace

bool UpdateReport::anyGoneOrUnmatched() const {
  return std::any_of(counts.begin(), counts.end(), [](const auto& entry) {
    return entry.second.notFound != 0 || entry.second.notMatched != 0;
  });
}

std::string UpdateReport::text() const {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\n";
  for (const std::string_view kind : kObjectKinds) {
    const auto found = counts.find(std::string(kind));
    if (found == counts.end()) continue;
    const Counts& c = found->second;
    text += std::string(kind) + ": " + std::to_string(c.updated) + " updated, " +
            std::to_string(c.unchanged) + " unchanged, " + std::to_string(c.notFound) +
            " not found, " + std::to_string(c.notMatched) + " not matched\n";
  }
  return text;
}

std::vector<Edit> updateDescription(const Description& description, const SymbolTable& symbols,
                                    UpdateReport& report) {
  return Updater(description, symbols, report).run();
}

}  // namespace A2l
