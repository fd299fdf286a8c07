#include "dump/EntryReader.h"

#include <gtest/gtest.h>

#include "tests/support/DumpText.h"

namespace {

using namespace Model;
using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::load;
using TestSupport::location;

template <class T>
T* only(const std::vector<T*>& list) {
  EXPECT_EQ(list.size(), 1u);
  return list.empty() ? nullptr : list.front();
}

TEST(EntryReader, NestsEntriesByTheirLevels) {
  // Levels 0, 1, 2, 1, 2.
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_structure_type"),
                  header(2, 0x11, "DW_TAG_member"), header(1, 0x20, "DW_TAG_structure_type"),
                  header(2, 0x21, "DW_TAG_member")}));
  ASSERT_NE(store->root, nullptr);
  ASSERT_EQ(store->root->children.size(), 1u);
  const BasicObject& unit = *store->root->children[0];
  ASSERT_EQ(unit.children.size(), 2u);
  EXPECT_EQ(unit.children[1]->offset, 0x20u);
  ASSERT_EQ(unit.children[1]->children.size(), 1u);
  EXPECT_EQ(unit.children[1]->children[0]->offset, 0x21u);
  EXPECT_EQ(store->members[1]->parent, unit.children[1].get());
}

TEST(EntryReader, RejectsAnEntryMoreThanOneLevelDeeperWithItsAttributes) {
  // Levels 0, 1, 3, 2: the level-3 entry has no parent.
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_variable"),
                  attribute("DW_AT_name", "kept"), header(3, 0x18, "DW_TAG_variable"),
                  attribute("DW_AT_name", "rejected"), header(2, 0x20, "DW_TAG_variable"),
                  attribute("DW_AT_name", "inner")}));
  ASSERT_EQ(store->variables.size(), 2u);
  EXPECT_EQ(store->variables[0]->name, "kept");
  EXPECT_EQ(store->variables[1]->name, "inner");
  EXPECT_EQ(store->variables[1]->parent, store->variables[0]);
  EXPECT_EQ(store->objectsByOffset.find(0x18), nullptr);
}

TEST(EntryReader, AcceptsOnlyACompileUnitLevelAtTheStart) {
  const auto store = load(lines(
      {header(1, 0x10, "DW_TAG_variable"), attribute("DW_AT_name", "early"), location(0x20000000),
       header(0, 0xb, "DW_TAG_compile_unit"), attribute("DW_AT_name", "main.c")}));
  EXPECT_TRUE(store->variables.empty());
  EXPECT_TRUE(store->addressedObjects.empty());
  ASSERT_EQ(store->root->children.size(), 1u);
  EXPECT_EQ(store->root->children[0]->name, "main.c");
}

TEST(EntryReader, IgnoresTheNullEntryAndUnknownAttributes) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_variable"),
                  attribute("DW_AT_decl_column", "12"), " <1><18>: Abbrev Number: 0",
                  attribute("DW_AT_name", "after the null entry")}));
  EXPECT_EQ(only(store->variables)->name, "after the null entry");
}

TEST(EntryReader, ReadsNamesPlainAndFromTheStringSection) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"),
                  attribute("DW_AT_name", "(indirect string, offset: 0x5a): main.c"),
                  attribute("DW_AT_producer", "GNU C17 12.2.1"),
                  attribute("DW_AT_comp_dir", "(indirect string, offset: 0x8f): /tmp/t"),
                  attribute("DW_AT_language", "29", "(C11)"), header(1, 0x10, "DW_TAG_variable"),
                  attribute("DW_AT_name", "(indexed string: 0x3): counter"),
                  header(1, 0x18, "DW_TAG_variable"), attribute("DW_AT_name", "plain")}));
  const BasicObject* unit = store->objectsByOffset.find(0xb);
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(unit->kind, Model::Kind::CompileUnit);
  EXPECT_EQ(unit->name, "main.c");
  EXPECT_EQ(store->variables[0]->name, "counter");
  EXPECT_EQ(store->variables[1]->name, "plain");
}

TEST(EntryReader, ListsOnlyVariablesAtAFixedAddress) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_variable"),
                  location(0x20000100), header(1, 0x18, "DW_TAG_variable"),
                  attribute("DW_AT_location", "2 byte block: 91 74 ", "(DW_OP_fbreg: -12)"),
                  header(1, 0x20, "DW_TAG_variable"), location(0x20000200), location(0x20000300)}));
  ASSERT_EQ(store->variables.size(), 3u);
  EXPECT_EQ(store->variables[0]->location, 0x20000100u);
  EXPECT_TRUE(store->variables[0]->hasLocation);
  EXPECT_EQ(store->variables[1]->location, 0u);
  EXPECT_TRUE(store->variables[1]->hasLocation);
  EXPECT_EQ(store->variables[2]->location, 0x20000300u);
  EXPECT_EQ(
      store->addressedObjects,
      (std::vector<BasicObject*>{store->variables[0], store->variables[2], store->variables[2]}));
}

TEST(EntryReader, ReadsMemberLocationsInEveryForm) {
  const auto store = load(lines(
      {header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_structure_type"),
       header(2, 0x11, "DW_TAG_member"),
       attribute("DW_AT_data_member_location", "2 byte block: 23 8 ", "(DW_OP_plus_uconst: 8)"),
       header(2, 0x12, "DW_TAG_member"), attribute("DW_AT_data_member_location", "12"),
       header(2, 0x13, "DW_TAG_member"), "    <c4>   DW_AT_data_member_location: 16\t",
       header(2, 0x14, "DW_TAG_member"),
       attribute("DW_AT_data_member_location", "2 byte block: 91 0 ", "(DW_OP_fbreg: 0)")}));
  ASSERT_EQ(store->members.size(), 4u);
  EXPECT_EQ(store->members[0]->dataMemberLocation, 8u);
  EXPECT_EQ(store->members[1]->dataMemberLocation, 12u);
  EXPECT_EQ(store->members[2]->dataMemberLocation, 16u);
  EXPECT_EQ(store->members[3]->dataMemberLocation, 0u);
}

TEST(EntryReader, ReadsTypeReferencesEncodingsAndFlags) {
  const auto store = load(
      lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x2d, "DW_TAG_base_type"),
             attribute("DW_AT_byte_size", "1"), attribute("DW_AT_encoding", "8", "(unsigned char)"),
             header(1, 0x40, "DW_TAG_variable"), attribute("DW_AT_type", "<0x2d>"),
             attribute("DW_AT_external", "1"), attribute("DW_AT_declaration", "0"),
             attribute("DW_AT_decl_file", "3"), attribute("DW_AT_decl_line", "42"),
             attribute("DW_AT_specification", "<0x30>"), attribute("DW_AT_const_value", "7"),
             header(1, 0x50, "DW_TAG_enumerator"), attribute("DW_AT_const_value", "-1")}));
  const auto* base = Model::as<TypeInfo_Base>(store->objectsByOffset.find(0x2d));
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->encodingName, "unsigned char");
  EXPECT_EQ(base->byteSizeAttr, 1u);
  const VariableInfo* variable = only(store->variables);
  EXPECT_EQ(variable->type.offset, 0x2du);
  EXPECT_EQ(variable->type.target, base);
  EXPECT_TRUE(variable->external);
  EXPECT_EQ(variable->declFile, 3u);
  EXPECT_EQ(variable->declLine, "42");
  EXPECT_EQ(variable->specification.offset, 0x30u);
  EXPECT_FALSE(variable->hasLocation);
  EXPECT_EQ(store->addressedObjects.size(), 0u);
}

TEST(EntryReader, GivesPointersTheUnitsPointerSize) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_pointer_type"),
                  attribute("DW_AT_byte_size", "8"), "   Pointer Size:  4",
                  header(1, 0x18, "DW_TAG_pointer_type"), attribute("DW_AT_byte_size", "8")}));
  ASSERT_EQ(store->pointerTypes.size(), 2u);
  EXPECT_EQ(store->pointerTypes[0]->byteSizeAttr, 8u);  // no unit header read yet
  EXPECT_EQ(store->pointerTypes[1]->byteSizeAttr, 4u);
}

TEST(EntryReader, MakesParametersVariablesAndInlinedCallsSubroutines) {
  const auto store = load(
      lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_subprogram"),
             header(2, 0x18, "DW_TAG_formal_parameter"), header(2, 0x20, "DW_TAG_lexical_block"),
             header(3, 0x28, "DW_TAG_variable"), header(3, 0x30, "DW_TAG_inlined_subroutine"),
             attribute("DW_AT_abstract_origin", "<0x10>"), attribute("DW_AT_call_file", "2"),
             attribute("DW_AT_call_line", "77")}));
  ASSERT_EQ(store->variables.size(), 2u);
  EXPECT_EQ(store->variables[0]->tag, "DW_TAG_formal_parameter");
  EXPECT_EQ(store->variables[1]->tag, "DW_TAG_variable");
  const BasicObject* block = store->objectsByOffset.find(0x20);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->tag, "DW_TAG_lexical_block");
  EXPECT_EQ(store->variables[1]->parent, block);
  EXPECT_EQ(block->parent, store->functions[0]);
  const TypeInfo_Subroutine* inlined = only(store->subroutineTypes);
  EXPECT_EQ(inlined->type.target, store->functions[0]);
  EXPECT_EQ(inlined->declFile, 2u);
  EXPECT_EQ(inlined->declLine, "77");
}

struct FormatLineCase {
  std::string line;
  bool setsFlag;
};

class FileFormatLine : public testing::TestWithParam<FormatLineCase> {};

TEST_P(FileFormatLine, SetsLittleEndianForLittleEndianFormats) {
  EXPECT_EQ(load(lines({GetParam().line}))->littleEndian, GetParam().setsFlag);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FileFormatLine,
    testing::Values(FormatLineCase{"app.elf:     file format elf32-little", true},
                    FormatLineCase{"app.elf:     file format elf32-littlearm", true},
                    FormatLineCase{"app.elf:     file format elf32-bigarm", false},
                    FormatLineCase{"little", false},
                    FormatLineCase{"app.o\r:     file format elf32-little", false}));

TEST(EntryReader, ReadsSubrangeBoundsAndCounts) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_array_type"),
                  header(2, 0x11, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "9"),
                  attribute("DW_AT_lower_bound", "1"), header(2, 0x12, "DW_TAG_subrange_type"),
                  attribute("DW_AT_count", "4"), header(2, 0x13, "DW_TAG_subrange_type"),
                  attribute("DW_AT_count", "0"), header(2, 0x14, "DW_TAG_subrange_type"),
                  attribute("DW_AT_upper_bound", "2"), attribute("DW_AT_count", "8")}));
  ASSERT_EQ(store->subrangeTypes.size(), 4u);
  EXPECT_EQ(store->subrangeTypes[0]->upperBound, 9u);
  EXPECT_EQ(store->subrangeTypes[0]->lowerBound, 1u);
  EXPECT_EQ(store->subrangeTypes[1]->upperBound, 3u);
  EXPECT_EQ(store->subrangeTypes[2]->byteSize(), 0u);  // a zero-length array
  EXPECT_EQ(store->subrangeTypes[3]->upperBound, 2u);
}

TEST(EntryReader, RestatesDataBitOffsetsAsUnitAndBitOffset) {
  // unsigned mode:3 at bit 32 and signed level:5 at bit 35, in 4-byte units.
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_base_type"),
                  attribute("DW_AT_byte_size", "4"), header(1, 0x20, "DW_TAG_structure_type"),
                  header(2, 0x21, "DW_TAG_member"), attribute("DW_AT_type", "<0x10>"),
                  attribute("DW_AT_bit_size", "3"), attribute("DW_AT_data_bit_offset", "32"),
                  header(2, 0x22, "DW_TAG_member"), attribute("DW_AT_type", "<0x10>"),
                  attribute("DW_AT_bit_size", "5"), attribute("DW_AT_data_bit_offset", "35"),
                  header(2, 0x23, "DW_TAG_member"), attribute("DW_AT_type", "<0x10>"),
                  attribute("DW_AT_bit_size", "4"), attribute("DW_AT_data_bit_offset", "30")}));
  ASSERT_EQ(store->members.size(), 3u);
  EXPECT_EQ(store->members[0]->dataMemberLocation, 4u);
  EXPECT_EQ(store->members[0]->bitOffset, 29u);
  EXPECT_EQ(store->members[0]->byteSizeAttr, 4u);
  EXPECT_EQ(store->members[1]->dataMemberLocation, 4u);
  EXPECT_EQ(store->members[1]->bitOffset, 24u);
  // A field that runs past its unit, as in a packed structure: -2, as GCC would write it.
  EXPECT_EQ(store->members[2]->dataMemberLocation, 0u);
  EXPECT_EQ(store->members[2]->bitOffset, 0xFFFFFFFEu);
}

TEST(EntryReader, ReadsTheConstantsThatObjdumpPrintsInHex) {
  // Four-byte constants: a structure over 64 KB, a member after 64 KB, a bound over 65535.
  const auto store = load(
      lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_structure_type"),
             attribute("DW_AT_byte_size", "0x11178"), attribute("DW_AT_decl_line", "0x10000"),
             header(2, 0x11, "DW_TAG_member"), attribute("DW_AT_data_member_location", "0x11170"),
             header(2, 0x12, "DW_TAG_member"), attribute("DW_AT_data_bit_offset", "0x88ba0"),
             header(1, 0x20, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "0x1869f"),
             header(1, 0x28, "DW_TAG_enumerator"), attribute("DW_AT_const_value", "0x11170")}));
  EXPECT_EQ(store->structureTypes[0]->byteSizeAttr, 70008u);
  EXPECT_EQ(store->structureTypes[0]->declLine, "65536");
  EXPECT_EQ(store->members[0]->dataMemberLocation, 70000u);
  EXPECT_EQ(store->members[1]->dataBitOffset, 560032u);
  EXPECT_EQ(store->subrangeTypes[0]->upperBound, 99999u);
}

TEST(EntryReader, KeepsTheFirstObjectOfADuplicateOffset) {
  const auto store =
      load(lines({header(0, 0xb, "DW_TAG_compile_unit"), header(1, 0x10, "DW_TAG_variable"),
                  attribute("DW_AT_name", "first"), header(0, 0xb, "DW_TAG_compile_unit"),
                  header(1, 0x10, "DW_TAG_variable"), attribute("DW_AT_name", "second")}));
  ASSERT_EQ(store->variables.size(), 2u);
  EXPECT_EQ(store->objectsByOffset.find(0x10), store->variables[0]);
  EXPECT_EQ(store->root->children.size(), 2u);
}

}  // namespace
