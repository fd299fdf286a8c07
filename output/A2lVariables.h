#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace Model {
class BasicObject;
class ModelStore;
class VariableInfo;
}  // namespace Model

namespace Output {

// The variables that calibration changes besides the const ones: those whose name, as
// the map writes it, matches a pattern (`*` for any run of characters), and those placed
// in a named section of the image.
struct CharacteristicOptions {
  std::vector<std::string> patterns;
  std::vector<std::string> sections;

  bool empty() const { return patterns.empty() && sections.empty(); }
};

// Whether `name` matches `pattern`, in which `*` stands for any run of characters.
bool matchesPattern(std::string_view name, std::string_view pattern);

// What the A2L needs to know of a variable besides its signals.
struct A2lVariable {
  // Its own type is const-qualified (also const volatile): a parameter in flash or in a
  // calibration section. Its const signals become characteristics.
  bool ownConst = false;
  // An option chose it: all its signals become characteristics.
  bool selected = false;
  // The path of the variable itself that measurement tools resolve ("app::hal::g_uart",
  // "count{Function:tick}", "counter{CompileUnit:ring_c}"); the walk's paths follow it.
  std::string symbolBase;
};

// Tells the A2L what each variable of a store is.
class A2lVariables {
 public:
  A2lVariables(const Model::ModelStore& store, const CharacteristicOptions& options);

  // `type` is the type the variable is expanded through, `mapName` its name in the map.
  A2lVariable describe(const Model::VariableInfo& variable, const Model::BasicObject& type,
                       std::string_view mapName) const;

 private:
  const Model::ModelStore& store_;
  const CharacteristicOptions& options_;
  // The names of variables of file scope that more than one unit defines.
  std::unordered_set<std::string> inSeveralUnits_;
};

// Whether a variable's type, through typedefs, qualifiers and array levels, is const.
bool isConstType(const Model::BasicObject& type);

}  // namespace Output
