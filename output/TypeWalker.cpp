#include "output/TypeWalker.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "model/ModelStore.h"

namespace Output {

using namespace Model;

namespace {

void appendComponent(std::string& name, std::string_view separator, Text component) {
  name += separator;
  name += component;
}

// Index digits: 1 for one element, 2 for up to 19, 3 for up to 199, and so on.
unsigned indexWidth(std::uint32_t count) {
  unsigned width = 1;
  for (std::uint32_t d = count; d > 1; d /= 10)
    ++width;
  return width;
}

void appendIndex(std::string& name, std::uint32_t index, unsigned width) {
  const std::string digits = std::to_string(index);
  name += '_';
  if (digits.size() < width) name.append(width - digits.size(), '0');
  name += digits;
}

// A class, structure or union that is only declared here: it has DW_AT_declaration and
// no data members or base classes of its own. The static members and functions that a
// unit declares inside it (C++ keeps them in the unit that defines them) hold no data.
bool isDeclarationOnly(const BasicObject& type) {
  bool declared = false;
  switch (type.kind) {
    case Kind::Class:
      declared = static_cast<const TypeInfo_Class&>(type).declaration;
      break;
    case Kind::Structure:
      declared = static_cast<const TypeInfo_Structure&>(type).declaration;
      break;
    case Kind::Union:
      declared = static_cast<const TypeInfo_Union&>(type).declaration;
      break;
    default:
      return false;
  }
  if (!declared) return false;
  return std::none_of(type.children.begin(), type.children.end(), [](const auto& child) {
    if (const auto* member = as<TypeInfo_Member>(child.get())) return !member->declaration;
    return child->kind == Kind::Inheritance;
  });
}

bool isComposite(const BasicObject& object) {
  return object.kind == Kind::Class || object.kind == Kind::Structure || object.kind == Kind::Union;
}

// "ns::Outer::Name": the names of the enclosing namespaces, classes and structures, and
// the type's own. Empty for an unnamed type. A definition that completes a declaration
// (GCC writes a type unit's type beside the namespaces that declare it) stands where the
// declaration does.
std::string qualifiedName(const BasicObject& type) {
  if (type.name.empty()) return {};
  std::vector<Text> scopes{type.name};
  for (const BasicObject* scope = type.declarationSite().parent;
       scope != nullptr && scopes.size() < BasicObject::kMaxDepth; scope = scope->parent) {
    if (scope->kind == Kind::Namespace || isComposite(*scope)) {
      scopes.push_back(scope->name);
    }
  }
  std::string name;
  for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
    if (!name.empty() || scope != scopes.rbegin()) name += "::";
    name += *scope;
  }
  return name;
}

// One dimension of an array: the indexes from `first` while below `count`.
struct Dimension {
  std::uint32_t first;
  std::uint32_t count;  // upper bound + 1
  unsigned width;       // of the index in the signal names
};

// The dimensions of an array, one subrange per dimension, in the order they are
// expanded (row-major, the last index fastest). False when the array has no elements:
// no children, a first child that is no subrange, or a dimension without indexes.
bool dimensionsOf(const BasicObject& array, std::vector<Dimension>& dimensions) {
  if (array.children.empty()) return false;
  for (const auto& child : array.children) {
    const auto* subrange = as<TypeInfo_Subrange>(child.get());
    if (subrange == nullptr) {
      if (dimensions.empty()) return false;
      continue;
    }
    const std::uint32_t count = subrange->upperBound + 1;
    if (subrange->lowerBound >= count) return false;
    dimensions.push_back({subrange->lowerBound, count, indexWidth(count)});
  }
  return true;
}

}  // namespace

struct CompleteTypeIndex::Index {
  std::unordered_map<std::string, const BasicObject*> byName;
};

CompleteTypeIndex::CompleteTypeIndex(const ModelStore& store) : store_(store) {}
CompleteTypeIndex::~CompleteTypeIndex() = default;

void CompleteTypeIndex::build() const {
  index_ = std::make_unique<Index>();
  for (const BasicObject* type : store_.compositeTypes) {
    if (isDeclarationOnly(*type)) continue;
    std::string name = qualifiedName(*type);
    if (!name.empty()) index_->byName.emplace(std::move(name), type);
  }
}

const BasicObject* CompleteTypeIndex::completionOf(const BasicObject& declaration) const {
  if (index_ == nullptr) build();
  const auto found = index_->byName.find(qualifiedName(declaration));
  return found != index_->byName.end() ? found->second : nullptr;
}

void TypeWalker::walk(const BasicObject& object, SignalEntry entry, bool asStructureChild) {
  *steps_ = 0;
  lostType_ = false;
  shapes_->clear();
  walkAt(object, entry, asStructureChild, 0);
}

void TypeWalker::walkAt(const BasicObject& object, const SignalEntry& entryIn,
                        bool asStructureChild, unsigned depth) {
  if (depth >= kMaxDepth || std::find(path_.begin(), path_.end(), &object) != path_.end()) {
    return;
  }
  if (full() || !step()) {
    reachedLimit_ = true;
    return;
  }
  SignalEntry entry = entryIn;
  if (asStructureChild) {
    // Inside a class, structure or union only the data members and the base classes are
    // part of the object; a base class adds its members under the object's own name.
    if (object.kind == Kind::Inheritance) {
      if (const BasicObject* base = object.declaredType()) {
        entry.address += static_cast<const TypeInfo_Inheritance&>(object).dataMemberLocation;
        path_.push_back(&object);
        walkAt(*base, entry, false, depth + 1);
        path_.pop_back();
      }
      noteLostType(object);
      return;
    }
    if (object.kind != Kind::Member) return;
  }
  path_.push_back(&object);
  const Children children = walkKind(object, entry, depth);
  if (children != Children::Skip) {
    for (const auto& child : object.children) {
      walkAt(*child, entry, children == Children::OfStructure, depth + 1);
    }
  }
  path_.pop_back();
}

// The kind step: what the object itself contributes, and how its children are walked.
TypeWalker::Children TypeWalker::walkKind(const BasicObject& object, SignalEntry& entry,
                                          unsigned depth) {
  switch (object.kind) {
    case Kind::Member:
      walkMember(static_cast<const TypeInfo_Member&>(object), entry, depth);
      return Children::Plain;
    case Kind::Base:
      entry.typeName = static_cast<const TypeInfo_Base&>(object).encodingName;
      entry.isSigned = isSignedEncoding(entry.typeName);
      emitSized(object, entry);
      return Children::Plain;
    case Kind::Typedef:
      entry.typedefName = object.name;
      walkDeclaredType(object, entry, depth);
      return Children::Plain;
    case Kind::Volatile:
    case Kind::ImportedDeclaration:
      // Transparent: the type they name is walked in their place.
      walkDeclaredType(object, entry, depth);
      return Children::Plain;
    case Kind::Const:
      entry.isConst = entry.isConst || object.declaredType() != nullptr;
      walkDeclaredType(object, entry, depth);
      return Children::Plain;
    case Kind::Class:
    case Kind::Structure:
    case Kind::Union:
      return walkComposite(object, entry, depth);
    case Kind::Array:
      expandArray(object, object.declaredType(), entry, depth);
      return Children::Plain;
    case Kind::Pointer:
      entry.typeName = "pointer";
      emitSized(object, entry);
      return Children::Plain;
    case Kind::Enumeration:
      entry.typeName = "enumeration";
      emitSized(object, entry);
      return Children::Plain;
    case Kind::Namespace:
      appendComponent(entry.name, "::", object.name);
      return Children::Plain;
    case Kind::Function:
      walkFunction(static_cast<const FunctionInfo&>(object), entry, depth);
      return Children::Plain;
    case Kind::Variable:
      walkVariable(static_cast<const VariableInfo&>(object), entry, depth);
      return Children::Plain;
    case Kind::Plain:
    case Kind::CompileUnit:
    case Kind::Enumerator:
    case Kind::Inheritance:
    case Kind::Subrange:
    case Kind::Subroutine:
      // They add nothing themselves.
      return Children::Plain;
  }
  return Children::Plain;
}

const ArrayShape* TypeWalker::shapeOfScalarArray(const BasicObject& array,
                                                 const BasicObject& elementType) {
  ArrayShape shape;
  const auto addDimensions = [&shape](const BasicObject& level) {
    std::vector<Dimension> dimensions;
    if (!dimensionsOf(level, dimensions)) return false;
    for (const Dimension& dimension : dimensions) {
      shape.dimensions.push_back(dimension.count - dimension.first);
      shape.nameSuffix += 1 + dimension.width;
      shape.pathSuffix += 2 + std::to_string(dimension.first).size();
    }
    return true;
  };
  if (!addDimensions(array)) return nullptr;
  const auto* first = as<TypeInfo_Subrange>(array.children.front().get());
  shape.unbounded = first != nullptr && !first->hasUpperBound && !first->hasCount;
  // Through qualifiers, typedefs and further array levels down to the element.
  const BasicObject* type = &elementType;
  for (unsigned depth = 0; type != nullptr && depth < kMaxDepth; ++depth) {
    switch (type->kind) {
      case Kind::Base:
      case Kind::Enumeration:
      case Kind::Pointer:
        shapes_->push_back(std::move(shape));
        return &shapes_->back();
      case Kind::Typedef:
      case Kind::Const:
      case Kind::Volatile:
      case Kind::ImportedDeclaration:
        type = type->declaredType();
        break;
      case Kind::Array:
        if (!addDimensions(*type)) return nullptr;
        type = type->declaredType();
        break;
      default:
        return nullptr;
    }
  }
  return nullptr;
}

void TypeWalker::noteLostType(const BasicObject& object) {
  lostType_ = lostType_ || object.type.lostWithItsTypeUnit();
}

void TypeWalker::emitSized(const BasicObject& object, SignalEntry& entry) {
  entry.size = object.byteSize();
  entry.typeObject = &object;
  emit(SignalEntry(entry));
}

void TypeWalker::walkDeclaredType(const BasicObject& object, const SignalEntry& entry,
                                  unsigned depth) {
  if (const BasicObject* type = object.declaredType()) walkAt(*type, entry, false, depth + 1);
  noteLostType(object);
}

void TypeWalker::walkMember(const TypeInfo_Member& member, SignalEntry& entry, unsigned depth) {
  // A static data member declared in its class is not stored in the object.
  if (member.declaration) return;
  appendComponent(entry.name, ".", member.name);
  if (forA2l_) appendComponent(entry.symbolPath, ".", member.name);
  entry.address += member.dataMemberLocation;
  entry.bitOffset = member.bitOffset;
  entry.bitSize = member.bitSize;
  walkDeclaredType(member, entry, depth);
}

TypeWalker::Children TypeWalker::walkComposite(const BasicObject& composite,
                                               const SignalEntry& entry, unsigned depth) {
  if (completeTypes_ != nullptr && isDeclarationOnly(composite)) {
    // Complete only in another unit (a class whose key function is defined there).
    const BasicObject* complete = completeTypes_->completionOf(composite);
    if (complete != nullptr && complete != &composite) walkAt(*complete, entry, false, depth + 1);
    return Children::Skip;
  }
  // Only the data members and base classes are part of the object. Clang (and GCC for
  // C++) also put the types and functions declared inside a union among its children;
  // expanded, they gave signals that no object has.
  return Children::OfStructure;
}

void TypeWalker::walkFunction(const FunctionInfo& function, SignalEntry& entry, unsigned depth) {
  if (const BasicObject* declared = function.specification.target) {
    replacedName_ = true;
    entry.name = composeSignalName(declared, "");
    entry.size = declared->byteSize();
    walkAt(*declared, entry, false, depth + 1);
  } else {
    appendComponent(entry.name, ".", function.name);
    entry.size = function.byteSize();
  }
  entry.typeName = "function";
  emit(SignalEntry(entry));
}

void TypeWalker::walkVariable(const VariableInfo& variable, SignalEntry& entry, unsigned depth) {
  if (const BasicObject* declared = variable.specification.target) {
    replacedName_ = true;
    entry.name = composeSignalName(declared, "");
    walkAt(*declared, entry, false, depth + 1);
  } else {
    appendComponent(entry.name, ".", variable.name);
    walkDeclaredType(variable, entry, depth);
  }
}

void TypeWalker::expandArray(const BasicObject& array, const BasicObject* elementType,
                             const SignalEntry& entry, unsigned depth) {
  noteLostType(array);
  std::vector<Dimension> dimensions;
  if (elementType == nullptr || !dimensionsOf(array, dimensions)) return;

  // Every element expands the same way, but for its address and the front of its names:
  // the element type is walked once, at address 0 with an empty name, and its signals
  // are repeated for each element. Only a walk that replaces names (a declaration met
  // as a type) needs walking each element.
  std::uint64_t elements = 1;  // saturates instead of wrapping, for absurd dimensions
  for (const Dimension& dimension : dimensions) {
    const std::uint64_t count = dimension.count - dimension.first;
    elements = elements > UINT64_MAX / count ? UINT64_MAX : elements * count;
  }
  const std::uint64_t expanded = std::min(elements, kMaxArrayElements);
  if (expanded < elements && capped_ != nullptr) capped_->push_back({entry.name, elements});

  // The array of scalars that the elements belong to: this one, unless the walk is inside
  // one already (an array of arrays of scalars is one array of all their dimensions).
  const ArrayShape* shape = entry.array;
  if (forA2l_ && shape == nullptr) shape = shapeOfScalarArray(array, *elementType);

  const std::size_t baseLength = entry.name.size();
  const std::size_t basePathLength = entry.symbolPath.size();
  SignalEntry element = entry;
  element.array = shape;
  std::vector<std::uint32_t> index;
  for (const Dimension& dimension : dimensions) {
    index.push_back(dimension.first);
    appendIndex(element.name, dimension.first, dimension.width);
  }

  std::vector<SignalEntry> elementSignals;
  SignalEntry placed;
  SignalList elementList(elementSignals);
  std::vector<CappedArray> cappedInside;
  TypeWalker elementWalker(completeTypes_, elementList, &cappedInside, signalLimit_);
  elementWalker.path_ = path_;
  elementWalker.steps_ = steps_;
  elementWalker.forA2l_ = forA2l_;
  elementWalker.shapes_ = shapes_;
  SignalEntry pattern = entry;
  pattern.name.clear();
  pattern.symbolPath.clear();
  pattern.address = 0;
  pattern.array = shape;
  pattern.element = 0;
  elementWalker.walkAt(*elementType, pattern, false, depth + 1);
  const bool repeat = !elementWalker.replacedName_;
  replacedName_ = replacedName_ || elementWalker.replacedName_;
  reachedLimit_ = reachedLimit_ || elementWalker.reachedLimit_;
  lostType_ = lostType_ || elementWalker.lostType_;
  if (repeat && capped_ != nullptr) {
    // An array inside the elements is named as in the first element.
    for (CappedArray& inside : cappedInside) {
      capped_->push_back({element.name + inside.name, inside.elements});
    }
  }

  const std::uint32_t elementSize = elementType->byteSize();
  // The scalars of one element, whose places in the array follow one another.
  const std::uint32_t scalarsPerElement = static_cast<std::uint32_t>(elementSignals.size());
  for (std::uint64_t done = 0; done < expanded && !full(); ++done) {
    element.name.resize(baseLength);
    for (std::size_t d = 0; d < dimensions.size(); ++d) {
      appendIndex(element.name, index[d], dimensions[d].width);
    }
    if (forA2l_) {
      element.symbolPath.resize(basePathLength);
      for (const std::uint32_t i : index) {
        char digits[16];
        digits[0] = '[';
        char* end = std::to_chars(digits + 1, digits + sizeof digits - 1, i).ptr;
        *end++ = ']';
        element.symbolPath.append(digits, static_cast<std::size_t>(end - digits));
      }
    }
    // Elements of an array of scalars count on from the array's first; elsewhere each
    // element's own arrays count from their own first element.
    if (shape != nullptr) {
      element.element = entry.element + static_cast<std::uint32_t>(done) * scalarsPerElement;
    }
    if (repeat) {
      for (const SignalEntry& signal : elementSignals) {
        // One entry for all, whose texts keep their memory when the sink copies them.
        placed = signal;
        placed.name = element.name;
        placed.name += signal.name;
        if (forA2l_) {
          placed.symbolPath = element.symbolPath;
          placed.symbolPath += signal.symbolPath;
        }
        placed.address = element.address + signal.address;
        if (shape != nullptr) placed.element = element.element + signal.element;
        emit(std::move(placed));
      }
    } else {
      walkAt(*elementType, element, false, depth + 1);
    }
    element.address += elementSize;
    // The last index runs fastest.
    for (std::size_t d = dimensions.size(); d-- > 0;) {
      if (++index[d] < dimensions[d].count) break;
      index[d] = dimensions[d].first;
    }
  }
}

void walkType(const BasicObject& object, SignalEntry entry, bool asStructureChild,
              std::vector<SignalEntry>& output) {
  SignalList list(output);
  TypeWalker(nullptr, list).walk(object, std::move(entry), asStructureChild);
}

std::string composeSignalName(const BasicObject* object, std::string suffix) {
  // Scopes from the innermost out; each names its source object (its specification for
  // classes, functions and variables) and the separator that follows its name.
  struct Component {
    Text name;
    std::string_view separator;
  };
  std::vector<Component> components;
  for (unsigned steps = 0; object != nullptr && steps < BasicObject::kMaxDepth; ++steps) {
    const BasicObject* source = object;
    std::string_view separator;
    switch (object->kind) {
      case Kind::Class:
        // A class, function or variable that completes a declaration elsewhere is named
        // by that declaration and its scopes. Structures and unions add no scope: a
        // static member of a structure is named without it.
        separator = "->";
        source = &object->declarationSite();
        break;
      case Kind::Function:
        separator = "@";
        source = &object->declarationSite();
        break;
      case Kind::Variable:
        separator = ".";
        source = &object->declarationSite();
        break;
      case Kind::Member:
      case Kind::Enumeration:
      case Kind::Enumerator:
        separator = ".";
        break;
      case Kind::Namespace:
        separator = "::";
        break;
      default:
        break;
    }
    if (!separator.empty()) components.push_back({source->name, separator});
    object = source->parent;
  }
  // A scope adds its separator only when something follows it: the name would be empty
  // if the suffix and every scope inside this one were unnamed.
  bool followed = !suffix.empty();
  std::vector<bool> withSeparator(components.size());
  for (std::size_t i = 0; i < components.size(); ++i) {
    withSeparator[i] = followed;
    followed = followed || !components[i].name.empty();
  }
  std::string name;
  for (std::size_t i = components.size(); i-- > 0;) {
    name += components[i].name;
    if (withSeparator[i]) name += components[i].separator;
  }
  return name + suffix;
}

bool matchSignedEncoding(std::string_view text, Common::TextPattern<0>::Groups&) {
  // "^.*[^n]signed.*$": "signed" after a character other than n. Only the ".*" parts
  // refuse line breaks; the character before "signed" may be one.
  const std::size_t firstBreak = text.find_first_of("\r\n");
  const std::size_t lastBreak = text.find_last_of("\r\n");
  constexpr std::string_view word = "signed";
  for (std::size_t at = text.find(word, 1); at != std::string_view::npos;
       at = text.find(word, at + 1)) {
    const bool prefixClean = firstBreak == std::string_view::npos || firstBreak >= at - 1;
    const bool suffixClean = lastBreak == std::string_view::npos || lastBreak < at + word.size();
    if (text[at - 1] != 'n' && prefixClean && suffixClean) return true;
  }
  return false;
}

bool isSignedEncoding(std::string_view encoding) {
  std::string subject = "A";
  subject += encoding;
  return signedEncodingPattern.matches(subject);
}

}  // namespace Output
