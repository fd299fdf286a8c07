#include "model/Model.h"
#include "model/ObjectArena.h"

#include <gtest/gtest.h>

#include "tests/support/ObjectTree.h"

namespace {

using namespace Model;

TestSupport::ObjectTree makeRoot() {
  return TestSupport::ObjectTree();
}

TypeInfo_Base* baseType(BasicObject& parent, std::uint32_t size) {
  auto* base = create<TypeInfo_Base>(0x10, "DW_TAG_base_type", parent);
  base->byteSizeAttr = size;
  return base;
}

TypeInfo_Subrange* subrange(BasicObject& array, std::uint32_t upper, std::uint32_t lower = 0) {
  auto* range = create<TypeInfo_Subrange>(0x20, "DW_TAG_subrange_type", array);
  range->upperBound = upper;
  range->lowerBound = lower;
  return range;
}

TEST(ByteSize, FollowsTypedefsAndQualifiersToTheBaseType) {
  auto root = makeRoot();
  auto* unit = create<CompileUnitInfo>(1, "DW_TAG_compile_unit", *root);
  auto* base = baseType(*unit, 4);
  auto* qualified = create<TypeInfo_Volatile>(2, "DW_TAG_volatile_type", *unit);
  auto* named = create<TypeInfo_Typedef>(3, "DW_TAG_typedef", *unit);
  auto* variable = create<VariableInfo>(4, "DW_TAG_variable", *unit);
  qualified->type.target = base;
  named->type.target = qualified;
  variable->type.target = named;
  EXPECT_EQ(variable->byteSize(), 4u);
  named->type.target = nullptr;  // unresolved
  EXPECT_EQ(variable->byteSize(), 0u);
}

TEST(ByteSize, CountsTheElementsOfEveryDimension) {
  auto root = makeRoot();
  auto* shortType = baseType(*root, 2);
  auto* intType = baseType(*root, 4);
  auto* one = create<TypeInfo_Array>(1, "DW_TAG_array_type", *root);
  one->type.target = shortType;
  subrange(*one, 9);
  EXPECT_EQ(one->byteSize(), 20u);
  auto* two = create<TypeInfo_Array>(2, "DW_TAG_array_type", *root);
  two->type.target = intType;
  subrange(*two, 2);
  subrange(*two, 3);
  EXPECT_EQ(two->byteSize(), 48u);
  auto* noElementType = create<TypeInfo_Array>(3, "DW_TAG_array_type", *root);
  subrange(*noElementType, 3);
  EXPECT_EQ(noElementType->byteSize(), 0u);
  auto* noDimension = create<TypeInfo_Array>(4, "DW_TAG_array_type", *root);
  noDimension->type.target = intType;
  EXPECT_EQ(noDimension->byteSize(), 0u);
}

TEST(ByteSize, OfSubrangesMembersPointersAndScopes) {
  auto root = makeRoot();
  auto* unbounded = create<TypeInfo_Subrange>(1, "DW_TAG_subrange_type", *root);
  EXPECT_EQ(unbounded->byteSize(), 1u);  // 0 - 0 + 1
  auto* fromOne = subrange(*root, 3, 1);
  EXPECT_EQ(fromOne->byteSize(), 3u);

  auto* member = create<TypeInfo_Member>(2, "DW_TAG_member", *root);
  member->type.target = baseType(*root, 1);
  EXPECT_EQ(member->byteSize(), 1u);
  member->bitSize = 3;
  member->byteSizeAttr = 4;
  EXPECT_EQ(member->byteSize(), 4u);  // a bit field counts its storage unit
  member->byteSizeAttr = 0;
  EXPECT_EQ(member->byteSize(), 0u);

  auto* pointer = create<TypeInfo_Pointer>(3, "DW_TAG_pointer_type", *root);
  pointer->byteSizeAttr = 4;
  pointer->type.target = baseType(*root, 8);
  EXPECT_EQ(pointer->byteSize(), 4u);  // never its pointee's

  auto* space = create<TypeInfo_Namespace>(4, "DW_TAG_namespace", *root);
  for (std::uint32_t offset : {5u, 6u}) {
    create<VariableInfo>(offset, "DW_TAG_variable", *space)->type.target = baseType(*root, 4);
  }
  EXPECT_EQ(space->byteSize(), 8u);
  EXPECT_EQ(create<CompileUnitInfo>(7, "DW_TAG_compile_unit", *root)->byteSize(), 0u);
  EXPECT_EQ(create<FunctionInfo>(8, "DW_TAG_subprogram", *root)->byteSize(), 0u);
  EXPECT_EQ(create<TypeInfo_Enumerator>(9, "DW_TAG_enumerator", *root)->byteSize(), 0u);

  auto* structure = create<TypeInfo_Structure>(10, "DW_TAG_structure_type", *root);
  structure->byteSizeAttr = 12;
  create<TypeInfo_Member>(11, "DW_TAG_member", *structure)->type.target = baseType(*root, 4);
  EXPECT_EQ(structure->byteSize(), 12u);  // its DW_AT_byte_size, not its members
}

TEST(ByteSize, OfAReferenceLoopOrAnEndlessChainIsZero) {
  auto root = makeRoot();
  auto* selfNamed = create<TypeInfo_Typedef>(1, "DW_TAG_typedef", *root);
  selfNamed->type.target = selfNamed;
  EXPECT_EQ(selfNamed->byteSize(), 0u);

  auto* first = create<TypeInfo_Typedef>(2, "DW_TAG_typedef", *root);
  auto* second = create<TypeInfo_Const>(3, "DW_TAG_const_type", *root);
  first->type.target = second;
  second->type.target = first;
  EXPECT_EQ(first->byteSize(), 0u);

  // A chain longer than any real type is cut instead of overflowing the stack.
  BasicObject* next = baseType(*root, 4);
  for (int i = 0; i < 100000; ++i) {
    auto* link = create<TypeInfo_Typedef>(100 + i, "DW_TAG_typedef", *root);
    link->type.target = next;
    next = link;
  }
  EXPECT_EQ(next->byteSize(), 0u);
}

TEST(Creation, TakesOverThePositionAndUnitOfTheParent) {
  auto root = makeRoot();
  auto* unit = create<CompileUnitInfo>(1, "DW_TAG_compile_unit", *root);
  unit->stmtList = 0x75;
  unit->declLine = "3";
  unit->declFile = 2;
  auto* variable = create<VariableInfo>(2, "DW_TAG_variable", *unit);
  EXPECT_EQ(variable->stmtList, 0x75u);
  EXPECT_EQ(variable->declLine, "3");
  EXPECT_EQ(variable->declFile, 2u);
  EXPECT_EQ(variable->parent, unit);
  ASSERT_EQ(unit->children.size(), 1u);
  EXPECT_EQ(unit->children[0].get(), variable);
  // What the parent gets later is not handed down.
  unit->declLine = "9";
  EXPECT_EQ(variable->declLine, "3");
  EXPECT_EQ(create<VariableInfo>(3, "DW_TAG_variable", *unit)->declLine, "9");
}

TEST(Creation, MarksEverythingInsideFunctionsAndTypesAsNested) {
  auto root = makeRoot();
  auto* unit = create<CompileUnitInfo>(1, "DW_TAG_compile_unit", *root);
  auto* space = create<TypeInfo_Namespace>(2, "DW_TAG_namespace", *unit);
  EXPECT_FALSE(create<VariableInfo>(3, "DW_TAG_variable", *unit)->nested);
  EXPECT_FALSE(create<VariableInfo>(4, "DW_TAG_variable", *space)->nested);

  auto* function = create<FunctionInfo>(5, "DW_TAG_subprogram", *unit);
  auto* block = create<BasicObject>(6, "DW_TAG_lexical_block", *function);
  EXPECT_TRUE(block->nested);
  EXPECT_TRUE(create<VariableInfo>(7, "DW_TAG_variable", *block)->nested);
  auto* local = create<TypeInfo_Structure>(8, "DW_TAG_structure_type", *function);
  EXPECT_TRUE(create<TypeInfo_Member>(9, "DW_TAG_member", *local)->nested);

  auto* structure = create<TypeInfo_Structure>(10, "DW_TAG_structure_type", *unit);
  EXPECT_FALSE(structure->nested);
  EXPECT_TRUE(create<TypeInfo_Member>(11, "DW_TAG_member", *structure)->nested);
  EXPECT_TRUE(create<BasicObject>(12, "x", *create<TypeInfo_Class>(13, "c", *unit))->nested);
  EXPECT_TRUE(create<BasicObject>(14, "x", *create<TypeInfo_Union>(15, "u", *unit))->nested);
  EXPECT_TRUE(create<BasicObject>(16, "x", *create<TypeInfo_Enumeration>(17, "e", *unit))->nested);
  EXPECT_TRUE(create<BasicObject>(18, "x", *create<TypeInfo_Subroutine>(19, "s", *unit))->nested);
  EXPECT_FALSE(create<BasicObject>(20, "x", *create<TypeInfo_Typedef>(21, "t", *unit))->nested);
}

// Counts destructions, to show each object is destroyed exactly once.
class Counted : public BasicObject {
 public:
  Counted(std::uint32_t offset, Text tag, BasicObject* parent, int& destroyed)
      : BasicObject(offset, tag, parent), destroyed_(destroyed) {}
  ~Counted() override { ++destroyed_; }

 private:
  int& destroyed_;
};

TEST(Destruction, DestroysEachObjectOfTheTreeOnce) {
  int destroyed = 0;
  {
    ObjectArena arena;
    OwnedObject root(arena.make<Counted>(0, "", nullptr, destroyed));
    std::vector<BasicObject*> parents{root.get()};
    for (int i = 1; i <= 200; ++i) {
      BasicObject* parent = parents[static_cast<std::size_t>(i) / 3];
      auto* child = arena.make<Counted>(i, "DW_TAG_lexical_block", parent, destroyed);
      parents.push_back(child);
      parent->addChild(OwnedObject(child));
    }
  }
  EXPECT_EQ(destroyed, 201);
}

TEST(Destruction, TakesApartAMillionNestedObjectsWithoutRecursion) {
  auto root = makeRoot();
  BasicObject* parent = root.get();
  for (int i = 0; i < 1000000; ++i)
    parent = create<BasicObject>(i + 1, "DW_TAG_lexical_block", *parent);
  root.reset();
  SUCCEED();
}

}  // namespace
