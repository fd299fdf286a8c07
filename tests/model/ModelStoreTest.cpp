#include "model/ModelStore.h"

#include <gtest/gtest.h>

#include "dump/DumpLoad.h"
#include "tests/support/DumpText.h"
#include "tests/support/TempDir.h"

namespace {

using namespace Model;
using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::load;

TEST(ModelStore, StaysEmptyWhenTheDumpCannotBeOpened) {
  TestSupport::TempDir dir;
  ModelStore store;
  EXPECT_EQ(Dump::loadDumpFile(store, dir.file("missing_ObjDump.txt")), Dump::DumpRead::NotOpened);
  EXPECT_EQ(store.root, nullptr);
  EXPECT_TRUE(store.objectsByOffset.empty());
  EXPECT_TRUE(store.statementListsByOffset.empty());
  EXPECT_TRUE(store.addressedObjects.empty());
}

TEST(ModelStore, HoldsOnlyTheRootForADumpWithoutEntries) {
  const auto store =
      load(lines({"  Compilation Unit @ offset 0:", "   Length:        0x20 (32-bit)",
                  "   Version:       5", "   Pointer Size:  4"}));
  ASSERT_NE(store->root, nullptr);
  EXPECT_TRUE(store->root->children.empty());
  EXPECT_TRUE(store->objectsByOffset.empty());
  EXPECT_TRUE(store->variables.empty());
}

TEST(ModelStore, ListsEveryObjectOfATableTagInItsClassList) {
  const std::vector<std::string> tags{"DW_TAG_array_type",
                                      "DW_TAG_base_type",
                                      "DW_TAG_class_type",
                                      "DW_TAG_const_type",
                                      "DW_TAG_enumeration_type",
                                      "DW_TAG_enumerator",
                                      "DW_TAG_imported_declaration",
                                      "DW_TAG_inheritance",
                                      "DW_TAG_member",
                                      "DW_TAG_namespace",
                                      "DW_TAG_pointer_type",
                                      "DW_TAG_structure_type",
                                      "DW_TAG_subrange_type",
                                      "DW_TAG_inlined_subroutine",
                                      "DW_TAG_subroutine_type",
                                      "DW_TAG_typedef",
                                      "DW_TAG_union_type",
                                      "DW_TAG_volatile_type",
                                      "DW_TAG_subprogram",
                                      "DW_TAG_variable",
                                      "DW_TAG_formal_parameter",
                                      "DW_TAG_lexical_block"};
  std::string text = header(0, 0xb, "DW_TAG_compile_unit") + "\n";
  std::uint32_t offset = 0x10;
  for (const std::string& tag : tags)
    text += header(1, offset++, tag) + "\n";
  const auto store = load(text);
  EXPECT_EQ(store->arrayTypes.size(), 1u);
  EXPECT_EQ(store->subroutineTypes.size(), 2u);  // inlined subroutines too
  EXPECT_EQ(store->variables.size(), 2u);        // parameters too
  EXPECT_EQ(store->root->children[0]->kind, Model::Kind::CompileUnit);
  // Every tag but the lexical block makes an object of its own kind; all are in the map
  // and the tree.
  for (std::uint32_t at = 0x10; at < offset - 1; ++at)
    EXPECT_NE(store->objectsByOffset.find(at)->kind, Model::Kind::Plain) << at;
  EXPECT_EQ(store->objectsByOffset.find(offset - 1)->kind, Model::Kind::Plain);
  EXPECT_EQ(store->objectsByOffset.size(), tags.size() + 1);
  EXPECT_EQ(store->root->children[0]->children.size(), tags.size());
  EXPECT_EQ(store->objectsByOffset.find(offset - 1)->tag, "DW_TAG_lexical_block");
}

TEST(ModelStore, KeepsMapsCheapForAMillionEntries) {
  std::string text = header(0, 0xb, "DW_TAG_compile_unit") + "\n";
  text.reserve(64u * 1000000u);
  for (std::uint32_t i = 0; i < 1000000; ++i) {
    text += header(1, 0x10 + i, i % 2 ? "DW_TAG_variable" : "DW_TAG_base_type");
    text += '\n';
  }
  const auto store = load(text);
  EXPECT_EQ(store->objectsByOffset.size(), 1000001u);
  EXPECT_EQ(store->variables.size(), 500000u);
  EXPECT_EQ(store->objectsByOffset.find(0x10 + 999999), store->variables.back());
}

TEST(OffsetMap, KeepsTheFirstObjectOfAnOffsetInAnyOrderOfArrival) {
  BasicObject a(1, "", nullptr);
  BasicObject b(2, "", nullptr);
  BasicObject c(3, "", nullptr);
  OffsetMap map;
  map.insert(0x30, &a);
  map.insert(0x10, &b);
  map.insert(0x30, &c);
  EXPECT_EQ(map.find(0x30), &a);
  map.seal();
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(map.find(0x30), &a);
  EXPECT_EQ(map.find(0x10), &b);
  EXPECT_EQ(map.find(0x20), nullptr);
}

}  // namespace
