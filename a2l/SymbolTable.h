#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Model {
class BasicObject;
class ModelStore;
class VariableInfo;
}  // namespace Model

namespace Output {
class CompleteTypeIndex;
}

// The variables of the program by the names that A2L files give them, and the path from
// a variable down to a member, element or bit field.
namespace A2l {

// What a name stands for: a variable, or a part of one.
struct Symbol {
  std::uint32_t address = 0;
  std::uint32_t size = 0;  // bytes; of the storage unit for a bit field
  // The type of the part, qualifiers and typedefs included; null for a bit field's unit.
  const Model::BasicObject* type = nullptr;
  // A bit field: its width, and its offset as DW_AT_bit_offset counts it (from the top of
  // the unit).
  std::uint32_t bitSize = 0;
  std::uint32_t bitOffset = 0;
  // The path as measurement tools resolve it ("app::g_cfg.gains[3]",
  // "count{Function:tick}.x").
  std::string path;
};

// The leaf a symbol reads as: through typedefs, qualifiers and array levels.
struct Leaf {
  enum class Kind : std::uint8_t { None, Integer, Float, Enumeration, Pointer, Composite };
  Kind kind = Kind::None;
  std::uint32_t size = 0;  // of one element
  bool isSigned = false;
  // Every array dimension on the way, outermost first; empty for a scalar.
  std::vector<std::uint32_t> dimensions;
  // An array of plain char.
  bool characters = false;
};

class SymbolTable {
 public:
  explicit SymbolTable(const Model::ModelStore& store);
  ~SymbolTable();
  SymbolTable(const SymbolTable&) = delete;
  SymbolTable& operator=(const SymbolTable&) = delete;

  enum class Found : std::uint8_t {
    Symbol,     // `symbol` holds it
    None,       // no variable of the program has the name
    Ambiguous,  // several have it (statics of one name in several units)
    Removed,    // a variable the linker removed has it
  };
  // Resolves a name as A2L files write it:
  // - the variable as the map names it ("ns::Cls->s_x", "tick@count"), with `::` for
  //   every scope ("ns::Cls::s_x"), with `.` for every scope (as skarvel's identifiers),
  //   as `function.variable`, and as `variable{Function:function}` or
  //   `variable{CompileUnit:unit_c}`;
  // - then members after `.`, and elements as `[3]`, `._3_`, `_3_` or `_03`.
  Found resolve(std::string_view name, Symbol& symbol) const;

  // The part of `base` that starts `offset` bytes in: the deepest member or element that
  // starts there and holds at least `size` bytes. Nothing when the offset lands inside
  // a member or past the end.
  std::optional<Symbol> partAt(const Symbol& base, std::uint32_t offset, std::uint32_t size) const;

  // What the symbol reads as.
  Leaf leafOf(const Symbol& symbol) const;

  bool littleEndian() const;

 private:
  struct Root {
    const Model::VariableInfo* variable;
    const Model::BasicObject* type;
    std::string path;  // as measurement tools resolve it
  };
  void indexRemoved();
  bool navigate(const Model::BasicObject* type, std::string_view rest, Symbol& symbol,
                unsigned depth) const;
  bool navigateMembers(const Model::BasicObject& composite, std::string_view rest, Symbol& symbol,
                       unsigned depth) const;
  const Model::BasicObject* completed(const Model::BasicObject* type) const;

  const Model::ModelStore& store_;
  std::unique_ptr<Output::CompleteTypeIndex> completeTypes_;
  std::vector<Root> roots_;
  // Names are looked up by views into the A2L text, without a copy.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
      return std::hash<std::string_view>{}(name);
    }
  };
  using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;
  // The root that a spelling of a variable's name stands for. Variables of one name at
  // different addresses (statics of several units) make it ambiguous.
  struct Spelled {
    std::size_t root;
    bool ambiguous;
  };
  std::unordered_map<std::string, Spelled, NameHash, std::equal_to<>> bySpelling_;
  // The spellings of the variables that the linker removed.
  NameSet removed_;
};

}  // namespace A2l
