#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Model {
class BasicObject;
}

namespace Output {

// An array whose elements are scalars (base types, enumerations, pointers), through any
// typedefs, qualifiers and further array levels: the A2L describes it as one object.
struct ArrayShape {
  // The element counts of every dimension, outermost first, as declared.
  std::vector<std::uint32_t> dimensions;
  // The characters that the indexes add to the first element's name ("_00") and to its
  // symbol path ("[0]"): cut off, they leave the array's own.
  std::size_t nameSuffix = 0;
  std::size_t pathSuffix = 0;
  // A flexible array member: no bound, and the one element listed lies past its structure.
  bool unbounded = false;
};

// One flattened signal: a leaf of a variable's type with its place in target memory.
struct SignalEntry {
  std::uint32_t address = 0;
  std::uint32_t bitOffset = 0;  // DW_AT_bit_offset of the bit field passed last, else 0
  std::uint32_t bitSize = 0;    // 0: not a bit field
  std::uint32_t size = 0;       // bytes of the leaf (of the storage unit for a bit field)
  // "function", "enumeration", "pointer", or a base type's encoding in words; the text
  // lives as long as the store.
  std::string_view typeName;
  std::string name;
  // "<file>(<line>)" of the variable's declaration, kept by whoever made the entry.
  std::string_view sourceLocation;
  bool isConst = false;
  bool isSigned = false;
  // The leaf's type: a base type, enumeration, pointer or function; and the name of the
  // typedef passed last on the way to it (which names an unnamed enumeration).
  const Model::BasicObject* typeObject = nullptr;
  std::string_view typedefName;
  // For an element of an array of scalars, when the walk describes arrays: the array's
  // shape, which lives until the next walk begins, and the element's place in the order
  // the map lists the elements (the last index fastest).
  const ArrayShape* array = nullptr;
  std::uint32_t element = 0;
  // When the walk gives symbol paths: the path from the variable to the leaf as debuggers
  // and measurement tools resolve it (".gains[3]", ".inner[1].x").
  std::string symbolPath;
};

}  // namespace Output
