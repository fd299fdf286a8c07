#include "output/A2lVariables.h"

#include <unordered_map>

#include "model/ModelStore.h"

namespace Output {

using namespace Model;

bool matchesPattern(std::string_view name, std::string_view pattern) {
  // Greedy with one point to go back to: the last `*` met and where its run would end.
  std::size_t n = 0, p = 0, starAt = std::string_view::npos, resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

bool isConstType(const BasicObject& type) {
  const BasicObject* at = &type;
  for (unsigned depth = 0; at != nullptr && depth < BasicObject::kMaxDepth; ++depth) {
    switch (at->kind) {
      case Kind::Const:
        return true;
      case Kind::Typedef:
      case Kind::Volatile:
      case Kind::ImportedDeclaration:
      case Kind::Array:
        at = at->declaredType();
        break;
      default:
        return false;
    }
  }
  return false;
}

namespace {

// Where a variable's name stands: in a function (a static of it), or at file scope.
struct Scope {
  std::string qualifiedName;               // "app::Engine::s_count", the variable's own last
  const FunctionInfo* function = nullptr;  // the function it is a static of
  const CompileUnitInfo* unit = nullptr;
  bool external = false;  // other units see it by its name
};

Scope scopeOf(const VariableInfo& variable) {
  const BasicObject& declared = variable.declarationSite();
  Scope scope;
  std::vector<std::string_view> names{declared.name};
  bool anonymous = false;
  for (const BasicObject* at = declared.parent;
       at != nullptr && names.size() < BasicObject::kMaxDepth; at = at->parent) {
    switch (at->kind) {
      case Kind::Namespace:
        names.push_back(at->name.empty() ? std::string_view("(anonymous namespace)") : at->name);
        anonymous = anonymous || at->name.empty();
        break;
      case Kind::Class:
      case Kind::Structure:
      case Kind::Union:
        names.push_back(at->declarationSite().name);
        break;
      case Kind::Function:
        if (scope.function == nullptr) scope.function = static_cast<const FunctionInfo*>(at);
        break;
      case Kind::CompileUnit:
        if (scope.unit == nullptr) scope.unit = static_cast<const CompileUnitInfo*>(at);
        break;
      default:
        break;
    }
  }
  // A function's static is named by itself: its function says where it is.
  if (scope.function != nullptr) names.resize(1);
  // A static data member is seen from other units, unless its class is of an anonymous
  // namespace.
  const auto* declaredVariable = as<VariableInfo>(&declared);
  scope.external = variable.external ||
                   (declaredVariable != nullptr && declaredVariable->external) ||
                   (declared.kind == Kind::Member && !anonymous);
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    if (!scope.qualifiedName.empty()) scope.qualifiedName += "::";
    scope.qualifiedName += *name;
  }
  return scope;
}

// "ring_c" for the unit of "src/ring.c".
std::string unitLabel(const CompileUnitInfo& unit) {
  std::string_view file = unit.name;
  const std::size_t slash = file.find_last_of("/\\");
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  std::string label(file);
  for (char& c : label) {
    if (c == '.') c = '_';
  }
  return label;
}

}  // namespace

A2lVariables::A2lVariables(const ModelStore& store, const CharacteristicOptions& options)
    : store_(store), options_(options) {
  // A name of file scope that two units define needs its unit to say which is meant.
  std::unordered_map<std::string, const CompileUnitInfo*> firstUnit;
  for (const BasicObject* object : store.addressedObjects) {
    const auto* variable = as<VariableInfo>(object);
    if (variable == nullptr) continue;
    Scope scope = scopeOf(*variable);
    if (scope.function != nullptr) continue;
    const auto [known, added] = firstUnit.try_emplace(scope.qualifiedName, scope.unit);
    if (!added && known->second != scope.unit) inSeveralUnits_.insert(scope.qualifiedName);
  }
}

A2lVariable A2lVariables::describe(const VariableInfo& variable, const BasicObject& type,
                                   std::string_view mapName) const {
  A2lVariable described;
  described.ownConst = isConstType(type);
  for (const std::string& pattern : options_.patterns) {
    described.selected = described.selected || matchesPattern(mapName, pattern);
  }
  for (const std::string& name : options_.sections) {
    for (const ModelStore::Section& section : store_.sections) {
      const bool inside = variable.location >= section.address &&
                          variable.location - section.address < section.size;
      described.selected = described.selected || (section.name == name && inside);
    }
  }
  Scope scope = scopeOf(variable);
  described.symbolBase = std::move(scope.qualifiedName);
  if (scope.function != nullptr) {
    described.symbolBase += "{Function:";
    described.symbolBase += scope.function->declarationSite().name;
    described.symbolBase += '}';
  } else if (!scope.external && scope.unit != nullptr &&
             inSeveralUnits_.count(described.symbolBase) != 0) {
    described.symbolBase += "{CompileUnit:" + unitLabel(*scope.unit) + "}";
  }
  return described;
}

}  // namespace Output
