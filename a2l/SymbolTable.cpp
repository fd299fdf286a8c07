#include "a2l/SymbolTable.h"

#include <algorithm>

#include "model/ModelStore.h"
#include "output/A2lFormat.h"
#include "output/A2lVariables.h"
#include "output/TypeWalker.h"

namespace A2l {

using namespace Model;

namespace {

// Through typedefs, qualifiers and imported declarations.
const BasicObject* stripped(const BasicObject* type) {
  for (unsigned depth = 0; type != nullptr && depth < BasicObject::kMaxDepth; ++depth) {
    switch (type->kind) {
      case Kind::Typedef:
      case Kind::Const:
      case Kind::Volatile:
      case Kind::ImportedDeclaration:
        type = type->declaredType();
        break;
      default:
        return type;
    }
  }
  return nullptr;
}

bool isComposite(const BasicObject& type) {
  return type.kind == Kind::Class || type.kind == Kind::Structure || type.kind == Kind::Union;
}

// One dimension of an array: the first index and the element count.
struct Dimension {
  std::uint32_t first;
  std::uint32_t count;
};

std::vector<Dimension> dimensionsOf(const BasicObject& array) {
  std::vector<Dimension> dimensions;
  for (const auto& child : array.children) {
    if (const auto* subrange = as<TypeInfo_Subrange>(child.get())) {
      dimensions.push_back({subrange->lowerBound, subrange->upperBound + 1});
    }
  }
  return dimensions;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Where a name may go on after a component: its end, a member, or an element.
bool atBoundary(std::string_view rest) {
  return rest.empty() || rest.front() == '.' || rest.front() == '[' || rest.front() == '_';
}

// The ways the start of `rest` may be one index: "[3]", "._3_", "_3_" and "_03" (the map's
// padded index). Each gives the index and how many characters it takes.
std::vector<std::pair<std::uint64_t, std::size_t>> indexesAt(std::string_view rest) {
  std::vector<std::pair<std::uint64_t, std::size_t>> found;
  const auto digitsFrom = [&](std::size_t at, std::uint64_t& value) {
    std::size_t end = at;
    value = 0;
    while (end < rest.size() && isDigit(rest[end]) && end - at < 10) {
      value = value * 10 + static_cast<std::uint64_t>(rest[end] - '0');
      ++end;
    }
    return end;
  };
  std::uint64_t value = 0;
  if (rest.starts_with('[')) {
    const std::size_t end = digitsFrom(1, value);
    if (end > 1 && end < rest.size() && rest[end] == ']') found.emplace_back(value, end + 1);
  } else if (rest.starts_with("._")) {
    const std::size_t end = digitsFrom(2, value);
    if (end > 2 && end < rest.size() && rest[end] == '_') found.emplace_back(value, end + 1);
  } else if (rest.starts_with('_')) {
    const std::size_t end = digitsFrom(1, value);
    if (end > 1) {
      if (end < rest.size() && rest[end] == '_') found.emplace_back(value, end + 1);
      if (atBoundary(rest.substr(end))) found.emplace_back(value, end);
    }
  }
  return found;
}

}  // namespace

SymbolTable::SymbolTable(const ModelStore& store)
    : store_(store), completeTypes_(std::make_unique<Output::CompleteTypeIndex>(store)) {
  indexRemoved();
  const Output::CharacteristicOptions none;
  const Output::A2lVariables variables(store, none);
  roots_.reserve(store.addressedObjects.size());
  bySpelling_.reserve(4 * store.addressedObjects.size());
  for (const BasicObject* object : store.addressedObjects) {
    const auto* variable = as<VariableInfo>(object);
    if (variable == nullptr) continue;
    const BasicObject* type = variable->typeFollowingSpecification();
    if (type == nullptr) continue;
    const std::string mapName = Output::composeSignalName(variable, "");
    const Output::A2lVariable described = variables.describe(*variable, *type, mapName);
    const std::size_t index = roots_.size();
    roots_.push_back({variable, type, described.symbolBase});
    const auto spell = [&](std::string spelling) {
      const auto [found, added] =
          bySpelling_.try_emplace(std::move(spelling), Spelled{index, false});
      // A static member defined in two units is one object: the same address. The same
      // variable may give one spelling twice.
      if (!added && roots_[found->second.root].variable->location != variable->location) {
        found->second.ambiguous = true;
      }
    };
    spell(mapName);
    spell(Output::a2lIdentifier(mapName));
    spell(described.symbolBase);
    // The symbol path without its unit or function, and the unit's form for every
    // variable of file scope.
    const std::size_t brace = described.symbolBase.find('{');
    const bool functionStatic = described.symbolBase.find("{Function:") != std::string::npos;
    if (functionStatic) continue;
    const std::string plain = described.symbolBase.substr(0, brace);
    if (brace != std::string::npos) {
      spell(plain);
      continue;
    }
    const BasicObject* unit = variable;
    while (unit != nullptr && unit->kind != Kind::CompileUnit)
      unit = unit->parent;
    if (unit != nullptr) {
      std::string file(unit->name.substr(unit->name.find_last_of("/\\") + 1));
      std::replace(file.begin(), file.end(), '.', '_');
      spell(plain + "{CompileUnit:" + file + "}");
    }
  }
}

SymbolTable::~SymbolTable() = default;

void SymbolTable::indexRemoved() {
  for (const VariableInfo* variable : store_.removedVariables) {
    const std::string mapName = Output::composeSignalName(variable, "");
    removed_.insert(Output::a2lIdentifier(mapName));
    removed_.insert(mapName);
  }
}

bool SymbolTable::littleEndian() const {
  return store_.littleEndian;
}

SymbolTable::Found SymbolTable::resolve(std::string_view name, Symbol& symbol) const {
  bool ambiguous = false;
  // The longest spelling of a variable first: names of variables may themselves hold
  // dots and underscores.
  for (std::size_t end = name.size(); end > 0; --end) {
    if (!atBoundary(name.substr(end))) continue;
    const auto found = bySpelling_.find(name.substr(0, end));
    if (found == bySpelling_.end()) continue;
    if (found->second.ambiguous) {
      ambiguous = true;
      continue;
    }
    const Root& root = roots_[found->second.root];
    Symbol candidate;
    candidate.address = root.variable->location;
    candidate.path = root.path;
    if (navigate(root.type, name.substr(end), candidate, 0)) {
      symbol = std::move(candidate);
      return Found::Symbol;
    }
  }
  if (ambiguous) return Found::Ambiguous;
  for (std::size_t end = name.size(); end > 0; --end) {
    if (atBoundary(name.substr(end)) && removed_.contains(name.substr(0, end))) {
      return Found::Removed;
    }
  }
  return Found::None;
}

const BasicObject* SymbolTable::completed(const BasicObject* type) const {
  if (type == nullptr || !isComposite(*type)) return type;
  bool declared = false;
  if (const auto* c = as<TypeInfo_Class>(type)) declared = c->declaration;
  if (const auto* s = as<TypeInfo_Structure>(type)) declared = s->declaration;
  if (const auto* u = as<TypeInfo_Union>(type)) declared = u->declaration;
  const bool holdsData =
      std::any_of(type->children.begin(), type->children.end(), [](const auto& c) {
        const auto* member = as<TypeInfo_Member>(c.get());
        return (member != nullptr && !member->declaration) || c->kind == Kind::Inheritance;
      });
  if (!declared || holdsData) return type;
  const BasicObject* complete = completeTypes_->completionOf(*type);
  return complete != nullptr ? complete : type;
}

bool SymbolTable::navigate(const BasicObject* declared, std::string_view rest, Symbol& symbol,
                           unsigned depth) const {
  if (depth > BasicObject::kMaxDepth) return false;
  if (rest.empty()) {
    symbol.type = declared;
    symbol.size = declared != nullptr ? declared->byteSize() : 0;
    return declared != nullptr;
  }
  const BasicObject* type = completed(stripped(declared));
  if (type == nullptr) return false;
  if (isComposite(*type)) {
    if (!rest.starts_with('.')) return false;
    return navigateMembers(*type, rest.substr(1), symbol, depth + 1);
  }
  if (type->kind != Kind::Array) return false;
  const std::vector<Dimension> dimensions = dimensionsOf(*type);
  const BasicObject* element = type->declaredType();
  if (dimensions.empty() || element == nullptr) return false;
  const std::uint64_t elementSize = element->byteSize();
  // Every dimension takes one index; an index may be written in several ways, so each
  // way is tried in turn.
  const auto indexFrom = [&](auto& self, std::size_t dimension, std::string_view left,
                             std::uint64_t flat, std::string path) -> bool {
    if (dimension == dimensions.size()) {
      Symbol deeper = symbol;
      deeper.address = static_cast<std::uint32_t>(symbol.address + flat * elementSize);
      deeper.path += path;
      if (!navigate(element, left, deeper, depth + 1)) return false;
      symbol = std::move(deeper);
      return true;
    }
    const Dimension& d = dimensions[dimension];
    for (const auto& [index, taken] : indexesAt(left)) {
      if (index < d.first || index >= d.count) continue;
      const std::uint64_t place = flat * (d.count - d.first) + (index - d.first);
      if (self(self, dimension + 1, left.substr(taken), place,
               path + "[" + std::to_string(index) + "]")) {
        return true;
      }
    }
    return false;
  };
  return indexFrom(indexFrom, 0, rest, 0, std::string());
}

bool SymbolTable::navigateMembers(const BasicObject& composite, std::string_view rest,
                                  Symbol& symbol, unsigned depth) const {
  if (depth > BasicObject::kMaxDepth) return false;
  // The members whose names start the rest, longest first; unnamed members and base
  // classes lend theirs.
  std::vector<const BasicObject*> candidates;
  for (const auto& child : composite.children) {
    const BasicObject& object = *child;
    if (object.kind == Kind::Inheritance || (object.kind == Kind::Member && object.name.empty())) {
      candidates.push_back(&object);
      continue;
    }
    const auto* member = as<TypeInfo_Member>(&object);
    if (member == nullptr || member->declaration || member->name.empty()) continue;
    if (rest.starts_with(member->name) && atBoundary(rest.substr(member->name.size()))) {
      candidates.push_back(member);
    }
  }
  std::stable_sort(
      candidates.begin(), candidates.end(),
      [](const BasicObject* a, const BasicObject* b) { return a->name.size() > b->name.size(); });
  for (const BasicObject* candidate : candidates) {
    Symbol deeper = symbol;
    if (const auto* inheritance = as<TypeInfo_Inheritance>(candidate)) {
      deeper.address += inheritance->dataMemberLocation;
      const BasicObject* base = completed(stripped(inheritance->declaredType()));
      if (base != nullptr && isComposite(*base) &&
          navigateMembers(*base, rest, deeper, depth + 1)) {
        symbol = std::move(deeper);
        return true;
      }
      continue;
    }
    const auto& member = static_cast<const TypeInfo_Member&>(*candidate);
    deeper.address += member.dataMemberLocation;
    if (member.name.empty()) {
      const BasicObject* inner = completed(stripped(member.declaredType()));
      if (inner != nullptr && isComposite(*inner) &&
          navigateMembers(*inner, rest, deeper, depth + 1)) {
        symbol = std::move(deeper);
        return true;
      }
      continue;
    }
    deeper.path += '.';
    deeper.path += member.name;
    const std::string_view after = rest.substr(member.name.size());
    if (member.bitSize != 0) {
      // A bit field is a leaf: nothing lies below it.
      if (!after.empty()) continue;
      deeper.type = member.declaredType();
      deeper.size = member.byteSize();
      deeper.bitSize = member.bitSize;
      deeper.bitOffset = member.bitOffset;
      symbol = std::move(deeper);
      return true;
    }
    if (navigate(member.declaredType(), after, deeper, depth + 1)) {
      symbol = std::move(deeper);
      return true;
    }
  }
  return false;
}

std::optional<Symbol> SymbolTable::partAt(const Symbol& base, std::uint32_t offset,
                                          std::uint32_t size) const {
  if (base.bitSize != 0) {
    if (offset == 0 && base.size >= size) return base;
    return std::nullopt;
  }
  std::optional<Symbol> best;
  Symbol at = base;
  std::uint64_t left = offset;
  for (unsigned depth = 0; depth < BasicObject::kMaxDepth; ++depth) {
    if (left == 0 && at.size >= size) best = at;
    const BasicObject* type = completed(stripped(at.type));
    if (type == nullptr) break;
    bool deeper = false;
    if (type->kind == Kind::Array) {
      const std::vector<Dimension> dimensions = dimensionsOf(*type);
      const BasicObject* element = type->declaredType();
      const std::uint64_t elementSize = element != nullptr ? element->byteSize() : 0;
      std::uint64_t count = 1;
      for (const Dimension& d : dimensions)
        count *= d.count > d.first ? d.count - d.first : 0;
      if (elementSize != 0 && left < count * elementSize) {
        std::uint64_t flat = left / elementSize;
        std::string indexes;
        for (std::size_t d = dimensions.size(); d-- > 0;) {
          const std::uint64_t extent = dimensions[d].count - dimensions[d].first;
          indexes.insert(0, "[" + std::to_string(dimensions[d].first + flat % extent) + "]");
          flat /= extent;
        }
        at.address = static_cast<std::uint32_t>(at.address + (left / elementSize) * elementSize);
        at.path += indexes;
        at.type = element;
        at.size = static_cast<std::uint32_t>(elementSize);
        left %= elementSize;
        deeper = true;
      }
    } else if (isComposite(*type)) {
      // The member that holds the place; unnamed members and base classes hold theirs.
      const auto memberAt = [&](auto& self, const BasicObject& composite, std::uint64_t place,
                                std::uint64_t origin) -> bool {
        for (const auto& child : composite.children) {
          std::uint32_t location = 0;
          const BasicObject* memberType = child->declaredType();
          if (const auto* inheritance = as<TypeInfo_Inheritance>(child.get())) {
            location = inheritance->dataMemberLocation;
          } else if (const auto* member = as<TypeInfo_Member>(child.get())) {
            if (member->declaration || member->bitSize != 0) continue;
            location = member->dataMemberLocation;
          } else {
            continue;
          }
          const std::uint64_t extent = memberType != nullptr ? memberType->byteSize() : 0;
          if (place < location || place >= location + extent) continue;
          const BasicObject* inner = completed(stripped(memberType));
          if (child->kind == Kind::Inheritance || child->name.empty()) {
            if (inner != nullptr && isComposite(*inner) &&
                self(self, *inner, place - location, origin + location)) {
              return true;
            }
            continue;
          }
          at.address = static_cast<std::uint32_t>(at.address + origin + location);
          at.path += '.';
          at.path += child->name;
          at.type = memberType;
          at.size = static_cast<std::uint32_t>(extent);
          left = place - location;
          return true;
        }
        return false;
      };
      deeper = memberAt(memberAt, *type, left, 0);
    }
    if (!deeper) break;
  }
  if (left != 0 && !best) return std::nullopt;
  return best;
}

Leaf SymbolTable::leafOf(const Symbol& symbol) const {
  Leaf leaf;
  const BasicObject* type = symbol.type;
  for (unsigned depth = 0; type != nullptr && depth < BasicObject::kMaxDepth; ++depth) {
    type = completed(stripped(type));
    if (type == nullptr) break;
    switch (type->kind) {
      case Kind::Array: {
        for (const Dimension& d : dimensionsOf(*type)) {
          leaf.dimensions.push_back(d.count > d.first ? d.count - d.first : 0);
        }
        type = type->declaredType();
        continue;
      }
      case Kind::Base: {
        const auto& base = static_cast<const TypeInfo_Base&>(*type);
        leaf.kind = base.encodingName == "float" ? Leaf::Kind::Float : Leaf::Kind::Integer;
        leaf.size = base.byteSize();
        leaf.isSigned = Output::isSignedEncoding(base.encodingName);
        leaf.characters = !leaf.dimensions.empty() && base.name == "char";
        break;
      }
      case Kind::Enumeration: {
        leaf.kind = Leaf::Kind::Enumeration;
        leaf.size = type->byteSize();
        for (const auto& child : type->children) {
          const auto* enumerator = as<TypeInfo_Enumerator>(child.get());
          leaf.isSigned = leaf.isSigned || (enumerator != nullptr && enumerator->value < 0);
        }
        break;
      }
      case Kind::Pointer:
        leaf.kind = Leaf::Kind::Pointer;
        leaf.size = type->byteSize();
        break;
      default:
        leaf.kind = isComposite(*type) ? Leaf::Kind::Composite : Leaf::Kind::None;
        leaf.size = type->byteSize();
        break;
    }
    break;
  }
  if (symbol.bitSize != 0) {
    leaf.size = symbol.size;
    leaf.dimensions.clear();
  }
  return leaf;
}

}  // namespace A2l
