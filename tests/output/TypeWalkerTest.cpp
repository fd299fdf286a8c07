#include "output/TypeWalker.h"

#include <gtest/gtest.h>

#include "tests/support/ObjectTree.h"

#include "model/Model.h"
#include "tests/support/DumpText.h"

namespace {

using namespace Model;
using Output::SignalEntry;

// Builds model objects under one compile unit.
class Types {
 public:
  Types() { unit = create<CompileUnitInfo>(1, "DW_TAG_compile_unit", *root_); }

  TypeInfo_Base* base(std::uint32_t size, Text encoding) {
    auto* type = create<TypeInfo_Base>(next(), "DW_TAG_base_type", *unit);
    type->byteSizeAttr = size;
    type->encodingName = encoding;
    return type;
  }
  TypeInfo_Structure* structure(std::uint32_t size) {
    auto* type = create<TypeInfo_Structure>(next(), "DW_TAG_structure_type", *unit);
    type->byteSizeAttr = size;
    return type;
  }
  TypeInfo_Member* member(BasicObject& owner, Text name, BasicObject* type,
                          std::uint32_t location) {
    auto* member = create<TypeInfo_Member>(next(), "DW_TAG_member", owner);
    member->name = name;
    member->type.target = type;
    member->dataMemberLocation = location;
    return member;
  }
  TypeInfo_Array* array(BasicObject* element,
                        std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> bounds) {
    auto* type = create<TypeInfo_Array>(next(), "DW_TAG_array_type", *unit);
    type->type.target = element;
    for (const auto& [lower, upper] : bounds) {
      auto* range = create<TypeInfo_Subrange>(next(), "DW_TAG_subrange_type", *type);
      range->lowerBound = lower;
      range->upperBound = upper;
    }
    return type;
  }
  template <class T>
  T* wrap(BasicObject* inner) {
    auto* type = create<T>(next(), "DW_TAG_x", *unit);
    type->type.target = inner;
    return type;
  }

  CompileUnitInfo* unit;

 private:
  std::uint32_t next() { return ++offset_; }
  TestSupport::ObjectTree root_;
  std::uint32_t offset_ = 1;
};

std::vector<SignalEntry> walk(const BasicObject& type, std::string name, std::uint32_t address) {
  SignalEntry entry;
  entry.name = std::move(name);
  entry.address = address;
  std::vector<SignalEntry> out;
  Output::walkType(type, entry, false, out);
  return out;
}

std::vector<std::string> names(const std::vector<SignalEntry>& entries) {
  std::vector<std::string> result;
  for (const auto& entry : entries)
    result.push_back(entry.name);
  return result;
}

using Names = std::vector<std::string>;

TEST(TypeWalker, EmitsOneEntryForABaseType) {
  Types types;
  const auto out = walk(*types.base(4, "signed"), "g", 0x20000000);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].name, "g");
  EXPECT_EQ(out[0].address, 0x20000000u);
  EXPECT_EQ(out[0].size, 4u);
  EXPECT_EQ(out[0].typeName, "signed");
  EXPECT_TRUE(out[0].isSigned);
  EXPECT_EQ(out[0].bitSize, 0u);
  EXPECT_FALSE(out[0].isConst);
}

struct ArrayCase {
  std::uint32_t lower;
  std::uint32_t upper;
  Names names;
};

class ArrayNames : public testing::TestWithParam<ArrayCase> {};

TEST_P(ArrayNames, AreIndexedWithTheWidthOfTheElementCount) {
  Types types;
  const auto out =
      walk(*types.array(types.base(1, "unsigned char"), {{GetParam().lower, GetParam().upper}}),
           "buf", 0x100);
  EXPECT_EQ(names(out), GetParam().names);
  for (std::size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(out[i].address, 0x100 + i);  // the first element at the array's address
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, ArrayNames,
    testing::Values(ArrayCase{0, 4, {"buf_00", "buf_01", "buf_02", "buf_03", "buf_04"}},
                    ArrayCase{0, 0, {"buf_0"}}, ArrayCase{1, 3, {"buf_01", "buf_02", "buf_03"}},
                    ArrayCase{0, 0xFFFFFFFF, {}}, ArrayCase{5, 4, {}}));

TEST(TypeWalker, WidensTheIndexWithEveryFactorOfTen) {
  Types types;
  auto* byte = types.base(1, "unsigned char");
  EXPECT_EQ(names(walk(*types.array(byte, {{0, 9}}), "b", 0)).back(), "b_09");
  EXPECT_EQ(names(walk(*types.array(byte, {{0, 19}}), "b", 0)).front(), "b_000");
  EXPECT_EQ(names(walk(*types.array(byte, {{0, 19}}), "b", 0)).back(), "b_019");
  EXPECT_EQ(names(walk(*types.array(byte, {{0, 199}}), "b", 0)).front(), "b_0000");
  EXPECT_EQ(names(walk(*types.array(byte, {{0, 1999}}), "b", 0)).back(), "b_01999");
}

TEST(TypeWalker, ExpandsEveryDimensionInRowMajorOrder) {
  Types types;
  const auto out = walk(*types.array(types.base(4, "signed"), {{0, 2}, {0, 3}}), "m", 0x1000);
  ASSERT_EQ(out.size(), 12u);
  EXPECT_EQ(out[0].name, "m_00_00");
  EXPECT_EQ(out[1].name, "m_00_01");
  EXPECT_EQ(out[4].name, "m_01_00");
  EXPECT_EQ(out[4].address, 0x1010u);
  EXPECT_EQ(out[11].name, "m_02_03");
  EXPECT_EQ(out[11].address, 0x102Cu);
}

TEST(TypeWalker, ExpandsAnArrayOfArraysLevelByLevel) {
  Types types;
  auto* row = types.wrap<TypeInfo_Typedef>(types.array(types.base(2, "unsigned"), {{0, 1}}));
  const auto out = walk(*types.array(row, {{0, 2}}), "rows", 0x40);
  EXPECT_EQ(names(out), (Names{"rows_00_00", "rows_00_01", "rows_01_00", "rows_01_01", "rows_02_00",
                               "rows_02_01"}));
  EXPECT_EQ(out[3].address, 0x46u);
}

TEST(TypeWalker, PlacesMembersOfStructuresAndOfArraysOfThem) {
  Types types;
  auto* pair = types.structure(4);
  types.member(*pair, "a", types.base(1, "unsigned char"), 0);
  types.member(*pair, "b", types.base(2, "unsigned"), 2);
  auto out = walk(*pair, "s", 0x20000010);
  EXPECT_EQ(names(out), (Names{"s.a", "s.b"}));
  EXPECT_EQ(out[1].address, 0x20000012u);
  EXPECT_EQ(out[1].size, 2u);
  out = walk(*types.array(pair, {{0, 1}}), "arr", 0x100);
  EXPECT_EQ(names(out), (Names{"arr_00.a", "arr_00.b", "arr_01.a", "arr_01.b"}));
  EXPECT_EQ(out[3].address, 0x106u);
}

TEST(TypeWalker, CarriesBitFieldsAndStopsAtPointers) {
  Types types;
  auto* config = types.structure(8);
  auto* ready = types.member(*config, "ready", types.base(4, "unsigned"), 0);
  ready->bitSize = 1;
  ready->bitOffset = 31;
  ready->byteSizeAttr = 4;
  auto* pointer = types.wrap<TypeInfo_Pointer>(config);
  pointer->byteSizeAttr = 4;
  types.member(*config, "next", pointer, 4);
  const auto out = walk(*config, "cfg", 0);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].name, "cfg.ready");
  EXPECT_EQ(out[0].bitSize, 1u);
  EXPECT_EQ(out[0].bitOffset, 31u);
  EXPECT_EQ(out[0].size, 4u);
  EXPECT_EQ(out[1].name, "cfg.next");
  EXPECT_EQ(out[1].typeName, "pointer");
  EXPECT_EQ(out[1].bitSize, 0u);
  EXPECT_EQ(out[1].size, pointer->byteSize());
}

TEST(TypeWalker, MarksEverythingBelowAConstAsConst) {
  Types types;
  auto* pair = types.structure(2);
  types.member(*pair, "a", types.wrap<TypeInfo_Volatile>(types.base(1, "unsigned char")), 0);
  types.member(*pair, "b", types.wrap<TypeInfo_Const>(types.base(1, "unsigned char")), 1);
  auto out = walk(*pair, "s", 0);
  EXPECT_FALSE(out[0].isConst);
  EXPECT_TRUE(out[1].isConst);
  out = walk(*types.wrap<TypeInfo_Const>(types.wrap<TypeInfo_Typedef>(pair)), "c", 0);
  EXPECT_TRUE(out[0].isConst && out[1].isConst);
}

TEST(TypeWalker, PutsBaseClassMembersUnderTheObjectsName) {
  Types types;
  auto* base = types.structure(4);
  types.member(*base, "baseField", types.base(4, "unsigned"), 0);
  auto* derived = create<TypeInfo_Class>(99, "DW_TAG_class_type", *types.unit);
  auto* inheritance = create<TypeInfo_Inheritance>(100, "DW_TAG_inheritance", *derived);
  inheritance->type.target = base;
  inheritance->dataMemberLocation = 4;
  types.member(*derived, "own", types.base(1, "unsigned char"), 8);
  create<FunctionInfo>(101, "DW_TAG_subprogram", *derived)->name = "run";
  create<TypeInfo_Structure>(102, "DW_TAG_structure_type", *derived)->name = "Nested";
  const auto out = walk(*derived, "obj", 0x10);
  EXPECT_EQ(names(out), (Names{"obj.baseField", "obj.own"}));
  EXPECT_EQ(out[0].address, 0x14u);
}

// Clang puts the types declared inside a union among its children, C++ its methods too;
// only the data members are part of the object.
TEST(TypeWalker, ExpandsOnlyTheDataMembersOfAUnion) {
  Types types;
  auto* word = create<TypeInfo_Union>(99, "DW_TAG_union_type", *types.unit);
  types.member(*word, "all", types.base(4, "unsigned"), 0);
  types.member(*word, "bytes", types.array(types.base(1, "unsigned char"), {{0, 1}}), 0);
  auto* method = create<FunctionInfo>(100, "DW_TAG_subprogram", *word);
  method->name = "get";
  auto* nested = create<TypeInfo_Structure>(101, "DW_TAG_structure_type", *word);
  types.member(*nested, "low", types.base(2, "unsigned short"), 0);
  const auto out = walk(*word, "w", 0);
  EXPECT_EQ(names(out), (Names{"w.all", "w.bytes_00", "w.bytes_01"}));
}

TEST(TypeWalker, EmitsEnumerationsOnceAndSkipsWhatIsUnlinkedOrUnknown) {
  Types types;
  auto* mode = create<TypeInfo_Enumeration>(99, "DW_TAG_enumeration_type", *types.unit);
  mode->byteSizeAttr = 1;
  create<TypeInfo_Enumerator>(100, "DW_TAG_enumerator", *mode);
  auto out = walk(*mode, "mode", 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].typeName, "enumeration");
  EXPECT_FALSE(out[0].isSigned);
  auto* pair = types.structure(8);
  types.member(*pair, "lost", nullptr, 0);
  types.member(*pair, "restricted", create<BasicObject>(101, "DW_TAG_restrict_type", *types.unit),
               0);
  types.member(*pair, "kept", types.base(4, "unsigned"), 4);
  EXPECT_EQ(names(walk(*pair, "p", 0)), (Names{"p.kept"}));
}

TEST(TypeWalker, SkipsStaticMembersDeclaredInTheirClass) {
  // struct Config { static const Config s_default; int value; };
  Types types;
  auto* config = types.structure(4);
  auto* declared = types.member(*config, "s_default", types.wrap<TypeInfo_Const>(config), 0);
  declared->declaration = true;
  types.member(*config, "value", types.base(4, "signed"), 0);
  EXPECT_EQ(names(walk(*config, "c", 0)), (Names{"c.value"}));
}

TEST(TypeWalker, EndsABranchThatLeadsBackToItself) {
  Types types;
  auto* loop = types.wrap<TypeInfo_Typedef>(nullptr);
  loop->type.target = loop;
  EXPECT_TRUE(walk(*loop, "x", 0).empty());
  // A structure that holds itself twice would otherwise double with every level.
  auto* self = types.structure(8);
  types.member(*self, "a", self, 0);
  types.member(*self, "b", self, 4);
  types.member(*self, "c", types.base(1, "unsigned char"), 0);
  EXPECT_EQ(names(walk(*self, "s", 0)), (Names{"s.c"}));
}

struct SignedCase {
  std::string encoding;
  bool isSigned;
};
class SignedEncoding : public testing::TestWithParam<SignedCase> {};
TEST_P(SignedEncoding, CountsSignedButNotUnsigned) {
  EXPECT_EQ(Output::isSignedEncoding(GetParam().encoding), GetParam().isSigned);
}
INSTANTIATE_TEST_SUITE_P(
    Encodings, SignedEncoding,
    testing::Values(SignedCase{"signed", true}, SignedCase{"signed char", true},
                    SignedCase{"unsigned", false}, SignedCase{"unsigned char", false},
                    SignedCase{"float", false}, SignedCase{"boolean", false}, SignedCase{"", false},
                    SignedCase{"unsigned signed", true}));

TEST(ComposeSignalName, ReadsScopesOutermostFirst) {
  const auto store = TestSupport::load(
      TestSupport::lines({TestSupport::header(0, 0xb, "DW_TAG_compile_unit"),
                          TestSupport::header(1, 0x10, "DW_TAG_variable"),
                          TestSupport::attribute("DW_AT_name", "g"),
                          TestSupport::header(1, 0x18, "DW_TAG_subprogram"),
                          TestSupport::attribute("DW_AT_name", "tick"),
                          TestSupport::header(2, 0x20, "DW_TAG_lexical_block"),
                          TestSupport::header(3, 0x28, "DW_TAG_variable"),
                          TestSupport::attribute("DW_AT_name", "count"),
                          TestSupport::header(1, 0x30, "DW_TAG_namespace"),
                          TestSupport::attribute("DW_AT_name", "app"),
                          TestSupport::header(2, 0x38, "DW_TAG_variable"),
                          TestSupport::attribute("DW_AT_name", "v"),
                          TestSupport::header(2, 0x40, "DW_TAG_class_type"),
                          TestSupport::attribute("DW_AT_name", "Engine"),
                          TestSupport::header(3, 0x48, "DW_TAG_member"),
                          TestSupport::attribute("DW_AT_name", "x"),
                          TestSupport::header(2, 0x50, "DW_TAG_structure_type"),
                          TestSupport::attribute("DW_AT_name", "S"),
                          TestSupport::header(3, 0x58, "DW_TAG_member"),
                          TestSupport::attribute("DW_AT_name", "y"),
                          TestSupport::header(2, 0x60, "DW_TAG_namespace"),
                          TestSupport::header(3, 0x68, "DW_TAG_variable"),
                          TestSupport::attribute("DW_AT_name", "s_hidden"),
                          TestSupport::header(1, 0x70, "DW_TAG_variable"),
                          TestSupport::attribute("DW_AT_specification", "<0x48>")}));
  const auto nameAt = [&](std::uint32_t offset) {
    return Output::composeSignalName(store->objectsByOffset.find(offset), "");
  };
  EXPECT_EQ(nameAt(0x10), "g");
  EXPECT_EQ(nameAt(0x28), "tick@count");
  EXPECT_EQ(nameAt(0x38), "app::v");
  EXPECT_EQ(nameAt(0x48), "app::Engine->x");
  EXPECT_EQ(nameAt(0x70), "app::Engine->x");  // a definition names its declaration
  EXPECT_EQ(nameAt(0x58), "app::y");          // a structure adds no scope
  EXPECT_EQ(nameAt(0x68), "app::::s_hidden");
  EXPECT_EQ(nameAt(0x30), "app");
  EXPECT_EQ(Output::composeSignalName(nullptr, "tail"), "tail");
  EXPECT_EQ(Output::composeSignalName(store->objectsByOffset.find(0x30), "v"), "app::v");
}

}  // namespace
