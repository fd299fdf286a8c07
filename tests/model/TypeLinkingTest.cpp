#include <gtest/gtest.h>

#include "tests/support/DumpText.h"

namespace {

using namespace Model;
using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::load;

TEST(TypeLinking, FollowsReferencesForwardAndIntoOtherUnits) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_typedef"),
                  attribute("DW_AT_type", "<0x60>"), header(1, 0x18, "DW_TAG_pointer_type"),
                  header(1, 0x20, "DW_TAG_member"), attribute("DW_AT_type", "<0x99>"),
                  header(1, 0x28, "DW_TAG_member"), attribute("DW_AT_type", "<0x10>"),
                  header(0, 0x50, "DW_TAG_compile_unit"), header(1, 0x60, "DW_TAG_base_type")}));
  EXPECT_EQ(store->typedefs[0]->type.target, store->objectsByOffset.find(0x60));
  EXPECT_EQ(store->pointerTypes[0]->type.offset, 0u);  // a pointer to void
  EXPECT_EQ(store->pointerTypes[0]->type.target, nullptr);
  EXPECT_FALSE(store->pointerTypes[0]->type.unresolved());
  EXPECT_TRUE(store->members[0]->type.unresolved());  // no entry at 0x99
  EXPECT_EQ(store->members[1]->type.target, store->typedefs[0]);
}

TEST(TypeLinking, LinksSpecificationsWithoutTakingTheirType) {
  const auto store = load(
      lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_base_type"),
             header(1, 0x18, "DW_TAG_variable"), attribute("DW_AT_type", "<0x10>"),
             header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_specification", "<0x18>"),
             header(1, 0x28, "DW_TAG_subprogram"), header(1, 0x30, "DW_TAG_inlined_subroutine"),
             attribute("DW_AT_abstract_origin", "<0x28>"), header(1, 0x38, "DW_TAG_structure_type"),
             attribute("DW_AT_byte_size", "12"), attribute("DW_AT_specification", "<0x40>"),
             header(1, 0x40, "DW_TAG_class_type"), attribute("DW_AT_specification", "<0x38>")}));
  const VariableInfo* definition = store->variables[1];
  EXPECT_EQ(definition->specification.target, store->variables[0]);
  EXPECT_EQ(definition->type.target, nullptr);
  EXPECT_EQ(store->subroutineTypes[0]->type.target, store->functions[0]);
  EXPECT_EQ(store->structureTypes[0]->specification.target, store->classTypes[0]);
  EXPECT_EQ(store->structureTypes[0]->byteSize(), 12u);
  EXPECT_EQ(store->classTypes[0]->specification.target, store->structureTypes[0]);
}

TEST(TypeLinking, PointsEveryReferenceToADuplicateOffsetAtTheFirstObject) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_base_type"),
                  header(1, 0x10, "DW_TAG_base_type"), header(1, 0x18, "DW_TAG_typedef"),
                  attribute("DW_AT_type", "<0x10>")}));
  EXPECT_EQ(store->typedefs[0]->type.target, store->root->children[0]->children[0].get());
}

TEST(TypeLinking, NeverLinksAnAbsentReferenceEvenToAnEntryAtOffsetZero) {
  const auto store =
      load(lines({header(0, 0x0, "DW_TAG_compile_unit"), header(1, 0x18, "DW_TAG_pointer_type")}));
  EXPECT_EQ(store->pointerTypes[0]->type.target, nullptr);
}

}  // namespace
