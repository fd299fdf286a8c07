#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/Model.h"
#include "model/OffsetMap.h"
#include "model/StatementList.h"
#include "model/TextArena.h"

namespace Model {

// Everything one run reads from the dump: the object tree (owned through `root`), the
// source file tables, and indexes into the tree. The dump's loader fills it; from then on
// it is only read.
class ModelStore {
 public:
  // An empty store, for a loader to fill.
  ModelStore();
  ~ModelStore();
  ModelStore(const ModelStore&) = delete;
  ModelStore& operator=(const ModelStore&) = delete;

  // Turns the DIE offsets the reader stored into pointers between the objects.
  void linkTypes();

  // Own every text the objects keep and the objects' memory; declared first so that
  // they go last.
  TextArena texts;
  ObjectArena objects;

  OwnedObject root;
  // The image is little-endian (its file-format line says so): bit fields are numbered
  // from the least significant bit.
  bool littleEndian = false;
  // The entries by their offset in .debug_info, and apart from them those of
  // .debug_types, whose offsets count from that section's start.
  OffsetMap objectsByOffset;
  OffsetMap typeSectionObjectsByOffset;
  std::map<std::uint32_t, std::unique_ptr<StatementList>> statementListsByOffset;

  // Objects in dump order: those with a fixed address, once per location line that
  // gives one; the others, of the kinds that linking and the walk look for, once per
  // object, when it is created.
  std::vector<BasicObject*> addressedObjects;
  std::vector<TypeInfo_Array*> arrayTypes;
  std::vector<TypeInfo_Class*> classTypes;
  std::vector<TypeInfo_Const*> constTypes;
  std::vector<TypeInfo_Enumeration*> enumerationTypes;
  std::vector<TypeInfo_ImportedDeclaration*> importedDeclarations;
  std::vector<TypeInfo_Inheritance*> inheritances;
  std::vector<TypeInfo_Member*> members;
  std::vector<TypeInfo_Pointer*> pointerTypes;
  std::vector<TypeInfo_Structure*> structureTypes;
  std::vector<TypeInfo_Subrange*> subrangeTypes;
  std::vector<TypeInfo_Subroutine*> subroutineTypes;
  std::vector<TypeInfo_Typedef*> typedefs;
  std::vector<TypeInfo_Union*> unionTypes;
  std::vector<TypeInfo_Volatile*> volatileTypes;
  std::vector<FunctionInfo*> functions;
  std::vector<VariableInfo*> variables;

  // Where the image places what it holds, as far as the dump tells.
  //
  // The section table (objdump -h): whether the dump has one, and whether a section that
  // takes memory in the running image covers address 0. Without such a section a
  // variable at address 0 is one the linker removed (--gc-sections) but whose debug
  // entry it kept.
  bool sectionTableRead = false;
  bool addressZeroAllocated = false;
  // The sections of the table, in its order.
  struct Section {
    std::string name;
    std::uint32_t address;
    std::uint32_t size;
    bool allocated;  // takes memory in the running image
  };
  std::vector<Section> sections;
  // The address tables of .debug_addr (objdump --dwarf=addr), by the offset of the
  // header of the unit they belong to; a DWARF 5 unit may give the address of a variable
  // as an index into its table.
  bool addressTablesRead = false;
  std::map<std::uint32_t, std::vector<std::uint32_t>> addressTablesByUnit;
  // Where each unit's part of .debug_addr starts (DW_AT_addr_base), by the offset of the
  // unit's header, for placing from the image's own section.
  std::map<std::uint32_t, std::uint32_t> addressBasesByUnit;
  struct IndexedLocation {
    VariableInfo* variable;
    std::uint32_t unitOffset;
    std::uint32_t index;
  };
  std::vector<IndexedLocation> indexedLocations;
  // Variables at address 0 that the linker removed (the section table shows nothing
  // there); they are not in `addressedObjects`.
  std::vector<const VariableInfo*> removedVariables;
  // Variables with an address index that no table of the dump resolves; they are not in
  // `addressedObjects`.
  std::size_t unplacedVariables = 0;
  // The image's own .debug_addr was read for them, and did not place them either.
  bool imageAddressSectionRead = false;
  // Variables whose location names an address only as a piece of a composite location
  // (clang -Os splits a static structure and keeps the parts that are used); the map
  // has no way to describe them.
  std::vector<const VariableInfo*> piecewiseVariables;

  // Type units: a type described once, in a unit of its own, which other units refer to
  // by the unit's 64-bit signature. The unit's header names the signature and the type's
  // entry; a signature met twice keeps its first unit.
  struct TypeUnitType {
    ReferenceSpace space;  // the section of the unit: Info (DWARF 5) or Types (DWARF 4)
    std::uint32_t offset;  // of the type's entry
  };
  std::unordered_map<std::uint64_t, TypeUnitType> typeUnitsBySignature;
  // References by signature, resolved by linking, in dump order.
  struct SignatureReference {
    Reference* reference;
    std::uint64_t signature;
  };
  std::vector<SignatureReference> signatureReferences;
  // Declarations of a class, structure, union or enumeration whose complete type is in
  // a type unit (DW_AT_signature). Linking points the references to a declaration at that
  // type, or marks them lost when the dump has no such unit.
  struct SignedDeclaration {
    BasicObject* declaration;
    std::uint64_t signature;
  };
  std::vector<SignedDeclaration> signedDeclarations;

  // Classes, structures and unions together, in dump order: where the complete
  // definition of a type that a unit only declares is looked for.
  std::vector<BasicObject*> compositeTypes;
};

}  // namespace Model
