#include <gtest/gtest.h>

#include "tests/support/ObjectTree.h"

#include "model/Model.h"
#include "tests/support/DumpText.h"

namespace {

using namespace Model;
using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::load;
using TestSupport::location;

TEST(TextDump, ListsAUnitWithItsVariableAndTheVariablesType) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), attribute("DW_AT_name", "main.c"),
                  attribute("DW_AT_low_pc", "0x8118"), attribute("DW_AT_high_pc", "0x816c"),
                  header(1, 0x2d, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "4"),
                  attribute("DW_AT_name", "int"), header(1, 0x40, "DW_TAG_variable"),
                  attribute("DW_AT_name", "g"), attribute("DW_AT_type", "<0x2d>"),
                  attribute("DW_AT_external", "1"), location(0x20000000)}));
  EXPECT_EQ(store->root->toTreeString(0),
            "BasicObject: 0\n"
            "\tCompileUnit: main.c (size=0x54, addressLow=0x8118, addressHigh=0x816c)\n"
            "\t\tBaseType: int(size=0x4)\n"
            "\t\tVariable: g (static=1, external=1, address=0x20000000)\n"
            "\t\t\tBaseType: int(size=0x4)");
}

TEST(TextDump, DescribesEveryClassInOneLine) {
  TestSupport::ObjectTree root(7);
  auto* variable = create<VariableInfo>(1, "v", *root);
  variable->name = "v";
  EXPECT_EQ(variable->describe(), "Variable: v (static=0, external=0)");
  variable->hasLocation = true;
  EXPECT_EQ(variable->describe(), "Variable: v (static=1, external=0, address=0x0)");
  auto* pointer = create<TypeInfo_Pointer>(2, "p", *root);
  pointer->byteSizeAttr = 4;
  auto* range = create<TypeInfo_Subrange>(3, "r", *root);
  range->upperBound = 0x1f;
  auto* function = create<FunctionInfo>(4, "f", *root);
  function->name = "tick";
  function->external = true;
  auto* structure = create<TypeInfo_Structure>(5, "s", *root);
  structure->name = "S";
  structure->byteSizeAttr = 8;
  const std::vector<std::pair<const BasicObject*, std::string>> expected{
      {root.get(), "BasicObject: 7"},
      {pointer, "PointerType:  (size=0x4)"},
      {range, "Subrange (upperB=0x1f lowerB=0x0)"},
      {function, "Function: tick (external=1)"},
      {structure, "StructureType: S (size=0x8)"},
      {create<TypeInfo_Array>(6, "a", *root), "ArrayType (size=0x0)"},
      {create<TypeInfo_Class>(6, "c", *root), "Class:  (size=0x0)"},
      {create<TypeInfo_Union>(6, "u", *root), "UnionType:  (size=0x0)"},
      {create<TypeInfo_Enumeration>(6, "e", *root), "EnumType:  (size=0x0)"},
      {create<TypeInfo_Enumerator>(6, "e", *root), "Enum: "},
      {create<TypeInfo_Member>(6, "m", *root), "MemberType: "},
      {create<TypeInfo_Namespace>(6, "n", *root), "Namespace: "},
      {create<TypeInfo_Typedef>(6, "t", *root), "Typedef: "},
      {create<TypeInfo_Const>(6, "c", *root), "TypeInfo_Const: "},
      {create<TypeInfo_Volatile>(6, "v", *root), "VolatileType: "},
      {create<TypeInfo_Subroutine>(6, "s", *root), "SubroutineType: "},
      {create<TypeInfo_ImportedDeclaration>(6, "i", *root), "Imported Typedef: "},
      {create<TypeInfo_Inheritance>(6, "i", *root), "Inheritance: "},
  };
  for (const auto& [object, line] : expected) {
    EXPECT_EQ(object->describe(), line);
    // Without children and type, the listing is the line itself.
    if (object != root.get()) {
      EXPECT_EQ(object->toTreeString(3), line);
    }
  }
}

TEST(TextDump, ReportsATypeThatDidNotResolve) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_structure_type"),
                  attribute("DW_AT_name", "S"), header(2, 0x11, "DW_TAG_member"),
                  attribute("DW_AT_name", "m"), attribute("DW_AT_type", "<0xbeef>"),
                  header(1, 0x20, "DW_TAG_subrange_type"), attribute("DW_AT_type", "<0xbeef>")}));
  EXPECT_EQ(store->structureTypes[0]->toTreeString(0),
            "StructureType: S (size=0x0)\n"
            "\tMemberType: m\n"
            "\t\tError could not resolve Type At Address: beef");
  EXPECT_EQ(store->subrangeTypes[0]->toTreeString(0), "Subrange (upperB=0x0 lowerB=0x0)");
}

TEST(TextDump, ListsAClassAndAFunctionByTheirLineOnly) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_class_type"),
                  attribute("DW_AT_name", "C"), header(2, 0x11, "DW_TAG_member"),
                  attribute("DW_AT_name", "m"), header(1, 0x20, "DW_TAG_subprogram"),
                  attribute("DW_AT_name", "f"), header(2, 0x21, "DW_TAG_variable")}));
  EXPECT_EQ(store->classTypes[0]->toTreeString(0), "Class: C (size=0x0)");
  EXPECT_EQ(store->functions[0]->toTreeString(0), "Function: f (external=0)");
}

TEST(TextDump, ShowsATypeMetAgainOnItsOwnPathByItsLineAlone) {
  // struct Node { struct Node* next; } head;
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_structure_type"),
                  attribute("DW_AT_name", "Node"), attribute("DW_AT_byte_size", "4"),
                  header(2, 0x11, "DW_TAG_member"), attribute("DW_AT_name", "next"),
                  attribute("DW_AT_type", "<0x20>"), header(1, 0x20, "DW_TAG_pointer_type"),
                  attribute("DW_AT_type", "<0x10>"), attribute("DW_AT_byte_size", "4"),
                  header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "head"),
                  attribute("DW_AT_type", "<0x10>")}));
  EXPECT_EQ(store->variables[0]->toTreeString(0),
            "Variable: head (static=0, external=0)\n"
            "\tStructureType: Node (size=0x4)\n"
            "\t\tMemberType: next\n"
            "\t\t\tPointerType:  (size=0x4)\n"
            "\t\t\t\tStructureType: Node (size=0x4)");
}

TEST(TextDump, CutsAListingTooDeepForAnyRealProgram) {
  TestSupport::ObjectTree root;
  BasicObject* parent = root.get();
  for (int i = 0; i < 100000; ++i)
    parent = create<BasicObject>(i + 1, "DW_TAG_lexical_block", *parent);
  const std::string listing = root->toTreeString(0);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'),
            static_cast<std::ptrdiff_t>(BasicObject::kMaxDepth));
}

}  // namespace
