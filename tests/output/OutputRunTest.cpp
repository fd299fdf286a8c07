#include "output/A2lFormat.h"
#include "output/OutputRun.h"

#include <gtest/gtest.h>

#include <sstream>

#include "dump/EntryReader.h"
#include "tests/support/DumpText.h"
#include "tests/support/TempDir.h"

namespace {

using TestSupport::attribute;
using TestSupport::header;
using TestSupport::lines;
using TestSupport::load;
using TestSupport::location;
using TestSupport::readFile;
using TestSupport::TempDir;

const std::string kHeader =
    "VERSION 104 COMMENT \"CANAPE DB\"\r\nGROUP 'Zu_Signals' : \"\"\r\n['Zu_Signals']\r\n";

// The compile unit of src/main.c with its line table, and its base types.
std::string unitWithTypes(std::uint32_t unitOffset = 0xb, std::uint32_t table = 0) {
  char offsetLine[64];
  std::snprintf(offsetLine, sizeof offsetLine, "  Offset:                      0x%x", table);
  char stmtList[16];
  std::snprintf(stmtList, sizeof stmtList, "0x%x", table);
  return lines(
      {header(0, unitOffset, "DW_TAG_compile_unit"), attribute("DW_AT_name", "main.c"),
       attribute("DW_AT_stmt_list", stmtList), header(1, unitOffset + 1, "DW_TAG_base_type"),
       attribute("DW_AT_byte_size", "1"), attribute("DW_AT_encoding", "8", "(unsigned char)"),
       header(1, unitOffset + 2, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "2"),
       attribute("DW_AT_encoding", "7", "(unsigned)"),
       header(1, unitOffset + 3, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "4"),
       attribute("DW_AT_encoding", "5", "(signed)"), offsetLine, " The Directory Table:", "  src",
       "", "  Entry\tDir\tTime\tSize\tName", "  1\t1\t0\t0\tmain.c", ""});
}

struct Outputs {
  std::string console;
  std::string map;
  std::string database;
  std::string log;
  bool logWritten;
};

// `imageAddresses`, when given, is the image's own .debug_addr.
Outputs convert(std::string_view dump, std::optional<std::string> imageAddresses = std::nullopt) {
  TempDir dir;
  auto store = std::make_unique<Model::ModelStore>();
  Dump::loadDumpText(*store, dump, [&]() -> std::optional<Dump::ImageAddressSection> {
    if (!imageAddresses) return std::nullopt;
    return Dump::ImageAddressSection{*imageAddresses, true};
  });
  std::ostringstream console;
  Output::generateOutputs(dir.file("app_Vek.m51"), dir.file("app_CANape.db"), *store, console);
  const bool logWritten = std::filesystem::exists(dir / "app_Vek.m51_StyleWarnings.log");
  return {console.str(), readFile(dir / "app_Vek.m51"), readFile(dir / "app_CANape.db"),
          logWritten ? readFile(dir / "app_Vek.m51_StyleWarnings.log") : "", logWritten};
}

TEST(OutputRun, WritesTheRoadOfOneVariable) {
  // src/main.c line 12: struct { uint8_t a; uint16_t b; } s at 0x20000010.
  const Outputs out =
      convert(unitWithTypes() +
              lines({header(1, 0x20, "DW_TAG_structure_type"), attribute("DW_AT_byte_size", "4"),
                     header(2, 0x21, "DW_TAG_member"), attribute("DW_AT_name", "a"),
                     attribute("DW_AT_type", "<0xc>"), attribute("DW_AT_data_member_location", "0"),
                     header(2, 0x22, "DW_TAG_member"), attribute("DW_AT_name", "b"),
                     attribute("DW_AT_type", "<0xd>"), attribute("DW_AT_data_member_location", "2"),
                     header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "s"),
                     attribute("DW_AT_decl_file", "1"), attribute("DW_AT_decl_line", "12"),
                     attribute("DW_AT_type", "<0x20>"), location(0x20000010)}));
  EXPECT_EQ(out.map,
            "20000010H     SYMBOL  DATA  BYTE     s.a\r\n"
            "20000012H     SYMBOL  DATA  WORD     s.b\r\n");
  const std::string field = "'s.b'  " + std::string(93, ' ');
  EXPECT_EQ(out.database.substr(0, kHeader.size()), kHeader);
  EXPECT_NE(out.database.find("VARIABLE 0x0 " + field + "0x20000012    \"\" UINT(16)   \"\" 0 0"),
            std::string::npos);
  EXPECT_FALSE(out.logWritten);
  EXPECT_EQ(out.console, "");
}

TEST(OutputRun, WritesEmptyFilesForAStoreWithoutAddressedObjects) {
  const Outputs out = convert("");
  EXPECT_EQ(out.map, "");
  EXPECT_EQ(out.database, kHeader);
  EXPECT_FALSE(out.logWritten);
}

TEST(OutputRun, LeavesConstSignalsOutOfEveryFileAndTheDuplicateCheck) {
  const Outputs out = convert(
      unitWithTypes() +
      lines({header(1, 0x20, "DW_TAG_const_type"), attribute("DW_AT_type", "<0xe>"),
             header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "table"),
             attribute("DW_AT_type", "<0x20>"), location(0x100), header(1, 0x38, "DW_TAG_variable"),
             attribute("DW_AT_name", "table"), attribute("DW_AT_type", "<0xe>"), location(0x200)}));
  EXPECT_EQ(out.map, "00000200H     SYMBOL  DATA  INT32    table\r\n");
  EXPECT_FALSE(out.logWritten);
}

TEST(OutputRun, ExpandsADefinitionThroughTheTypeOfItsDeclaration) {
  // extern int g_counter; in a header, defined in main.c
  const Outputs out =
      convert(unitWithTypes() +
              lines({header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", "g_counter"),
                     attribute("DW_AT_decl_file", "1"), attribute("DW_AT_decl_line", "3"),
                     attribute("DW_AT_type", "<0xe>"), attribute("DW_AT_declaration", "1"),
                     header(1, 0x28, "DW_TAG_variable"), attribute("DW_AT_specification", "<0x20>"),
                     attribute("DW_AT_decl_line", "9"), location(0x9444)}));
  EXPECT_EQ(out.map, "00009444H     SYMBOL  DATA  INT32    g_counter\r\n");
}

TEST(OutputRun, NumbersBitsFromTheLeastSignificantOnALittleEndianTarget) {
  const std::string dump =
      unitWithTypes() +
      lines({header(1, 0x20, "DW_TAG_structure_type"), attribute("DW_AT_byte_size", "1"),
             header(2, 0x21, "DW_TAG_member"), attribute("DW_AT_name", "f"),
             attribute("DW_AT_type", "<0xc>"), attribute("DW_AT_byte_size", "1"),
             attribute("DW_AT_bit_size", "2"), attribute("DW_AT_bit_offset", "5"),
             header(2, 0x22, "DW_TAG_member"), attribute("DW_AT_name", "g"),
             attribute("DW_AT_type", "<0xc>"), attribute("DW_AT_byte_size", "1"),
             attribute("DW_AT_bit_size", "1"), attribute("DW_AT_bit_offset", "2"),
             header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "s"),
             attribute("DW_AT_type", "<0x20>"), location(0x40)});
  const Outputs bigEndian = convert(dump);
  EXPECT_EQ(bigEndian.map,
            "00000040H     SYMBOL  DATA  BYTE     s.f_Bits:56\r\n"
            "00000040H     SYMBOL  DATA  BYTE     s.g_Bit:2\r\n");
  const Outputs littleEndian = convert("x.elf:     file format elf32-littlearm\n" + dump);
  EXPECT_EQ(littleEndian.map,
            "00000040H     SYMBOL  DATA  BYTE     s.f_Bits:12\r\n"
            "00000040H     SYMBOL  DATA  BYTE     s.g_Bit:5\r\n");
  EXPECT_NE(littleEndian.database.find("'s.f_Bits_12'"), std::string::npos);
  EXPECT_NE(littleEndian.database.find("UINT(2,1) \"\" 0 0           3 (0  3)"), std::string::npos);
}

TEST(OutputRun, BuildsSourceLocationsFromTheUnitsFileTable) {
  const std::string variables =
      lines({header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", "a"),
             attribute("DW_AT_decl_file", "1"), attribute("DW_AT_decl_line", "42"),
             attribute("DW_AT_type", "<0xe>"), location(0x10), header(1, 0x28, "DW_TAG_variable"),
             attribute("DW_AT_name", "a"), attribute("DW_AT_decl_file", "0"),
             attribute("DW_AT_decl_line", "42"), attribute("DW_AT_type", "<0xe>"), location(0x20),
             header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "a"),
             attribute("DW_AT_decl_file", "7"), attribute("DW_AT_decl_line", "5"),
             attribute("DW_AT_type", "<0xe>"), location(0x30)});
  const Outputs out = convert(unitWithTypes() + variables);
  EXPECT_EQ(out.log,
            "Warning - Duplicate Static VariableName: a\r\n"
            "  Location File: unknown(42)\r\n"
            "  Location File: src/main.c(42)\r\n"
            "Warning - Duplicate Static VariableName: a\r\n"
            "  Location File: unknown(5)\r\n");
  // A unit whose line table is not in the dump gives empty locations.
  const Outputs noTable =
      convert(lines({header(0, 0xb, "DW_TAG_compile_unit"), attribute("DW_AT_stmt_list", "0x99"),
                     header(1, 0xe, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "4")}) +
              variables);
  EXPECT_EQ(noTable.log, "Warning - Duplicate Static VariableName: a\r\n  Location File: \r\n");
}

TEST(OutputRun, CountsTheFilesOfAVersion5TableFromZero) {
  const Outputs out = convert(lines({header(0, 0xb, "DW_TAG_compile_unit"),
                                     attribute("DW_AT_stmt_list", "0x0"),
                                     header(1, 0xe, "DW_TAG_base_type"),
                                     attribute("DW_AT_byte_size", "4"),
                                     header(1, 0x20, "DW_TAG_variable"),
                                     attribute("DW_AT_name", "x"),
                                     attribute("DW_AT_decl_file", "0"),
                                     attribute("DW_AT_decl_line", "1"),
                                     attribute("DW_AT_type", "<0xe>"),
                                     location(0x10),
                                     header(1, 0x28, "DW_TAG_variable"),
                                     attribute("DW_AT_name", "x"),
                                     attribute("DW_AT_decl_file", "1"),
                                     attribute("DW_AT_decl_line", "2"),
                                     attribute("DW_AT_type", "<0xe>"),
                                     location(0x20),
                                     "  Offset:                      0",
                                     " The Directory Table (offset 0x22, lines 1, columns 1):",
                                     "  Entry\tName",
                                     "  0\t(indirect line string, offset: 0): /fw",
                                     "",
                                     " The File Name Table (offset 0x30, lines 2, columns 2):",
                                     "  Entry\tDir\tName",
                                     "  0\t0\t(indirect line string, offset: 0x4): main.c",
                                     "  1\t0\t(indirect line string, offset: 0xb): io.h",
                                     ""}));
  EXPECT_EQ(out.log,
            "Warning - Duplicate Static VariableName: x\r\n"
            "  Location File: /fw/io.h(2)\r\n"
            "  Location File: /fw/main.c(1)\r\n");
}

TEST(OutputRun, ReportsFilesItCannotCreateAndGoesOn) {
  TempDir dir;
  const auto store = load(
      unitWithTypes() +
      lines({header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", "x"),
             attribute("DW_AT_type", "<0xe>"), location(0x10), header(1, 0x28, "DW_TAG_variable"),
             attribute("DW_AT_name", "x"), attribute("DW_AT_type", "<0xe>"), location(0x20)}));
  std::ostringstream console;
  const std::string map = dir.file("missing/app_Vek.m51");
  Output::generateOutputs(map, dir.file("app_CANape.db"), *store, console);
  EXPECT_EQ(console.str(), "Can not create file: " + map + "\nCan not create file: " + map +
                               "_StyleWarnings.log\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "app_CANape.db"));
  // No database path: no database and no message.
  std::ostringstream quiet;
  Output::generateOutputs(dir.file("only_Vek.m51"), "", *store, quiet);
  EXPECT_TRUE(std::filesystem::exists(dir / "only_Vek.m51"));
  EXPECT_FALSE(std::filesystem::exists(dir / "only_Vek.m51.skarvel-tmp"));
  EXPECT_EQ(quiet.str(), "");
}

TEST(OutputRun, LeavesAnEarlierLogAloneWhenThereIsNoClash) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_Vek.m51_StyleWarnings.log", "earlier\r\n");
  TestSupport::writeFile(dir / "app_Vek.m51", "an earlier and longer map\r\n");
  const auto store = load("");
  std::ostringstream console;
  Output::generateOutputs(dir.file("app_Vek.m51"), dir.file("app_CANape.db"), *store, console);
  EXPECT_EQ(readFile(dir / "app_Vek.m51_StyleWarnings.log"), "earlier\r\n");
  EXPECT_EQ(readFile(dir / "app_Vek.m51"), "");
}

}  // namespace

// Where a dump places its variables: the address tables of DWARF 5 units, and the
// section table that tells a variable at address 0 from one the linker removed.
struct PlacementCase {
  std::string name;
  std::string sections;      // objdump -h, or nothing
  std::string addressTable;  // .debug_addr, or nothing
  std::string map;
  std::string console;
  std::optional<std::string> imageSection = std::nullopt;  // the image's .debug_addr
};

void PrintTo(const PlacementCase& placement, std::ostream* out) {
  *out << placement.name;
}

class Placement : public testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, PutsEachVariableWhereTheImageHasItOrSaysWhyNot) {
  // Two units; "kept" is at address 0 and "moved" at an index into its unit's table.
  const std::string unit2 =
      lines({"  Compilation Unit @ offset 0x40:", header(0, 0x4c, "DW_TAG_compile_unit"),
             attribute("DW_AT_addr_base", "0x8"), header(1, 0x4d, "DW_TAG_base_type"),
             attribute("DW_AT_byte_size", "2"), attribute("DW_AT_encoding", "7", "(unsigned)")});
  const std::string dump =
      "\napp.elf:     file format elf32-littlearm\n\n" + GetParam().sections +
      lines({"Contents of the .debug_info section:", "", "  Compilation Unit @ offset 0:"}) +
      unitWithTypes() +
      lines({header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", "kept"),
             attribute("DW_AT_type", "<0xd>"), location(0)}) +
      unit2 +
      lines({header(1, 0x50, "DW_TAG_variable"), attribute("DW_AT_name", "moved"),
             attribute("DW_AT_type", "<0x4d>"),
             attribute("DW_AT_location", "", "(DW_OP_addrx <0x1>)")}) +
      GetParam().addressTable;
  const Outputs out = convert(dump, GetParam().imageSection);
  EXPECT_EQ(out.map, GetParam().map);
  EXPECT_EQ(out.console, GetParam().console);
}

const std::string kSectionsWithoutZero =
    "Sections:\n"
    "Idx Name          Size      VMA       LMA       File off  Algn\n"
    "  0 .text         0000002a  00008000  00008000  00001000  2**2\n"
    "                  CONTENTS, ALLOC, LOAD, READONLY, CODE\n"
    "  1 .debug_info   000000fa  00000000  00000000  00001058  2**0\n"
    "                  CONTENTS, READONLY, DEBUGGING, OCTETS\n";
const std::string kSectionsWithZero =
    "Sections:\n"
    "Idx Name          Size      VMA       LMA       File off  Algn\n"
    "  0 .isr_vector   00000188  00000000  00000000  00010000  2**2\n"
    "                  CONTENTS, ALLOC, LOAD, READONLY, DATA\n";
const std::string kAddressTable =
    "Contents of the .debug_addr section:\n"
    "\n"
    "  For compilation unit at offset 0:\n"
    "\tIndex\tAddress\n"
    "\t0:\t00009000\n"
    "\t1:\t00009004\n"
    "  For compilation unit at offset 0x40:\n"
    "\tIndex\tAddress\n"
    "\t0:\t00009010\n"
    "\t1:\t20000100\n"
    "\n"
    "Contents of the .debug_line_str section:\n";
// The image's own .debug_addr with the part of the unit at 0x40 (DW_AT_addr_base 8):
// unit length 12, version 5, 4-byte addresses, then 0x00009010 and 0x20000100.
const std::string kImageSection("\x0c\0\0\0\x05\0\x04\0\x10\x90\0\0\0\x01\0\x20", 16);
const std::string kKeptLine = "00000000H     SYMBOL  DATA  WORD     kept\r\n";
const std::string kMovedLine = "20000100H     SYMBOL  DATA  WORD     moved\r\n";

INSTANTIATE_TEST_SUITE_P(
    Dumps, Placement,
    testing::Values(
        PlacementCase{"AllTables", kSectionsWithoutZero, kAddressTable, kMovedLine, ""},
        PlacementCase{"MemoryAtZero", kSectionsWithZero, kAddressTable, kKeptLine + kMovedLine, ""},
        PlacementCase{"NoSectionTable", "", kAddressTable, kKeptLine + kMovedLine,
                      "1 variable written at address 0x00000000: the dump holds no section "
                      "table to tell them from variables the linker removed; converting the "
                      "ELF file leaves those out\n"},
        PlacementCase{"NoAddressTable", kSectionsWithoutZero, "", "",
                      "1 variable could not be placed: the dump holds no address table "
                      "(.debug_addr) for them; converting the ELF file places them\n"},
        PlacementCase{"ATableTooShort", kSectionsWithoutZero,
                      kAddressTable.substr(0, kAddressTable.find("\t1:\t2000")), "",
                      "1 variable could not be placed: the dump holds no address table "
                      "(.debug_addr) for them; converting the ELF file places them\n"},
        // objdump 2.40 prints no tables for an image with DWARF 5 type units: the image's
        // own section places the variables then, and only then.
        PlacementCase{"NoAddressTableButTheImagesSection", kSectionsWithoutZero, "", kMovedLine, "",
                      kImageSection},
        PlacementCase{"TheDumpsTablesBeforeTheImagesSection", kSectionsWithoutZero, kAddressTable,
                      kMovedLine, "",
                      std::string(kImageSection).replace(12, 4, "\x04\x03\x02\x01")},
        PlacementCase{"AnImageSectionTooShort", kSectionsWithoutZero, "", "",
                      "1 variable could not be placed: neither the dump nor the image's own "
                      ".debug_addr holds their addresses\n",
                      kImageSection.substr(0, 15)},
        PlacementCase{"AnImageSectionOfAnotherVersion", kSectionsWithoutZero, "", "",
                      "1 variable could not be placed: neither the dump nor the image's own "
                      ".debug_addr holds their addresses\n",
                      std::string(kImageSection).replace(4, 1, "\x04")}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

// Types kept in type units, which other units name by signature: in .debug_types, whose
// offsets overlap those of .debug_info (DWARF 4), or as units of .debug_info (DWARF 5).
// The type unit's base types differ from the compile unit's at the same offsets (0xc is
// one byte there, two here), so that an entry of one section taken for one of the other
// shows in the map.
struct TypeUnitCase {
  std::string name;
  bool dwarf5;
};

void PrintTo(const TypeUnitCase& typeUnits, std::ostream* out) {
  *out << typeUnits.name;
}

class TypeUnits : public testing::TestWithParam<TypeUnitCase> {};

std::string typeOffset(std::uint32_t offset) {
  char reference[16];
  std::snprintf(reference, sizeof reference, "<0x%x>", offset);
  return reference;
}

// The header of a type unit at `unitOffset` that describes the entry `typeOffset` further.
std::string typeUnitHeader(bool dwarf5, std::uint32_t unitOffset, std::string_view signature,
                           std::uint32_t typeOffset) {
  char offsets[128];
  std::snprintf(offsets, sizeof offsets,
                "  Compilation Unit @ offset 0x%x:\n   Version:       %d\n", unitOffset,
                dwarf5 ? 5 : 4);
  char type[64];
  std::snprintf(type, sizeof type, "   Type Offset:   0x%x\n", typeOffset);
  return offsets + std::string(dwarf5 ? "   Unit Type:     DW_UT_type (2)\n" : "") +
         "   Pointer Size:  4\n   Signature:     0x" + std::string(signature) + "\n" + type;
}

// Two type units, from offset `base` on: the structure Pair (two members) and the class
// Counter (one).
std::string typeUnits(bool dwarf5, std::uint32_t base) {
  return typeUnitHeader(dwarf5, base, "1122334455667788", 0x20) +
         lines(
             {header(0, base + 0xb, "DW_TAG_type_unit"), header(1, base + 0xc, "DW_TAG_base_type"),
              attribute("DW_AT_byte_size", "2"), attribute("DW_AT_encoding", "7", "(unsigned)"),
              header(1, base + 0xd, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "1"),
              attribute("DW_AT_encoding", "8", "(unsigned char)"),
              header(1, base + 0x20, "DW_TAG_structure_type"), attribute("DW_AT_name", "Pair"),
              attribute("DW_AT_byte_size", "4"), header(2, base + 0x21, "DW_TAG_member"),
              attribute("DW_AT_name", "a"), attribute("DW_AT_type", typeOffset(base + 0xd)),
              attribute("DW_AT_data_member_location", "0"), header(2, base + 0x22, "DW_TAG_member"),
              attribute("DW_AT_name", "b"), attribute("DW_AT_type", typeOffset(base + 0xc)),
              attribute("DW_AT_data_member_location", "2")}) +
         typeUnitHeader(dwarf5, base + 0x40, "99aabbccddeeff00", 0x10) +
         lines({header(0, base + 0x4b, "DW_TAG_type_unit"),
                header(1, base + 0x50, "DW_TAG_class_type"), attribute("DW_AT_name", "Counter"),
                attribute("DW_AT_byte_size", "4"), header(2, base + 0x51, "DW_TAG_member"),
                attribute("DW_AT_name", "value"), attribute("DW_AT_type", typeOffset(base + 0x52)),
                attribute("DW_AT_data_member_location", "0"),
                header(1, base + 0x52, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "4"),
                attribute("DW_AT_encoding", "5", "(signed)")});
}

TEST_P(TypeUnits, GiveTheTypesTheUnitsNameBySignature) {
  const bool dwarf5 = GetParam().dwarf5;
  const std::string unit =
      "  Compilation Unit @ offset 0:\n" + unitWithTypes() +
      lines({// A reference by signature, as clang writes it in DWARF 4.
             header(1, 0x20, "DW_TAG_variable"), attribute("DW_AT_name", "g"),
             attribute("DW_AT_type", "signature: 0x1122334455667788"), location(0x20000010),
             // A declaration of the type, as GCC writes it, with a static member.
             header(1, 0x28, "DW_TAG_structure_type"), attribute("DW_AT_name", "Pair"),
             attribute("DW_AT_declaration", "1"),
             attribute("DW_AT_signature", "signature: 0x1122334455667788"),
             header(2, 0x29, "DW_TAG_member"), attribute("DW_AT_name", "s_count"),
             attribute("DW_AT_type", "<0xe>"), attribute("DW_AT_declaration", "1"),
             header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "d"),
             attribute("DW_AT_type", "<0x28>"), location(0x20000020),
             header(1, 0x34, "DW_TAG_variable"), attribute("DW_AT_specification", "<0x29>"),
             location(0x20000030),
             // Clang leaves its declaration unnamed: the type unit names the scope.
             header(1, 0x38, "DW_TAG_class_type"), attribute("DW_AT_declaration", "1"),
             attribute("DW_AT_signature", "signature: 0x99aabbccddeeff00"),
             header(2, 0x39, "DW_TAG_member"), attribute("DW_AT_name", "s_total"),
             attribute("DW_AT_type", "<0xd>"), attribute("DW_AT_declaration", "1"),
             header(1, 0x3c, "DW_TAG_variable"), attribute("DW_AT_specification", "<0x39>"),
             location(0x20000040), header(1, 0x40, "DW_TAG_variable"), attribute("DW_AT_name", "c"),
             attribute("DW_AT_type", "<0x38>"), location(0x20000044),
             // An offset that both sections have names the compile unit's entry.
             header(1, 0x48, "DW_TAG_variable"), attribute("DW_AT_name", "plain"),
             attribute("DW_AT_type", "<0xc>"), location(0x20000050),
             // Signatures that no unit of the dump has, given directly and by a declaration.
             header(1, 0x50, "DW_TAG_variable"), attribute("DW_AT_name", "lost"),
             attribute("DW_AT_type", "signature: 0x0badc0de0badc0de"), location(0x20000060),
             header(1, 0x58, "DW_TAG_structure_type"), attribute("DW_AT_name", "Gone"),
             attribute("DW_AT_declaration", "1"),
             attribute("DW_AT_signature", "signature: 0x0badc0de0badc0df"),
             header(1, 0x60, "DW_TAG_variable"), attribute("DW_AT_name", "lostToo"),
             attribute("DW_AT_type", "<0x58>"), location(0x20000070)});
  // DWARF 5 keeps the type units in .debug_info, mostly before the compile units; DWARF 4
  // in .debug_types after it, counting from 0 again.
  const std::string dump =
      dwarf5 ? "Contents of the .debug_info section:\n" + typeUnits(true, 0x100) + unit
             : "Contents of the .debug_info section:\n" + unit +
                   "Contents of the .debug_types section:\n" + typeUnits(false, 0);
  const Outputs out = convert(dump);
  EXPECT_EQ(out.map,
            "20000010H     SYMBOL  DATA  BYTE     g.a\r\n"
            "20000012H     SYMBOL  DATA  WORD     g.b\r\n"
            "20000020H     SYMBOL  DATA  BYTE     d.a\r\n"
            "20000022H     SYMBOL  DATA  WORD     d.b\r\n"
            "20000030H     SYMBOL  DATA  INT32    s_count\r\n"
            "20000040H     SYMBOL  DATA  WORD     Counter->s_total\r\n"
            "20000044H     SYMBOL  DATA  INT32    c.value\r\n"
            "20000050H     SYMBOL  DATA  BYTE     plain\r\n");
  EXPECT_EQ(out.console,
            "2 variables lost their type or a part of it: it is described in a type unit (named "
            "by its signature) that the dump does not hold: lost, lostToo\n");
}

INSTANTIATE_TEST_SUITE_P(
    Dumps, TypeUnits, testing::Values(TypeUnitCase{"Dwarf4", false}, TypeUnitCase{"Dwarf5", true}),
    [](const testing::TestParamInfo<TypeUnitCase>& info) { return info.param.name; });

struct IdentifierCase {
  std::string signalName;
  std::string identifier;
};

class A2lIdentifier : public testing::TestWithParam<IdentifierCase> {};

// Readable and stable: scopes become dots, other characters that an A2L identifier may
// not hold become "_".
TEST_P(A2lIdentifier, IsSpelledFromTheSignalName) {
  EXPECT_EQ(Output::a2lIdentifier(GetParam().signalName), GetParam().identifier);
}

INSTANTIATE_TEST_SUITE_P(
    Names, A2lIdentifier,
    testing::Values(IdentifierCase{"g_rings_02.data_15", "g_rings_02.data_15"},
                    IdentifierCase{"app::hal::Uart->s_default.baud", "app.hal.Uart.s_default.baud"},
                    IdentifierCase{"stepMachine@lastState", "stepMachine.lastState"},
                    IdentifierCase{"Pair<int, char>::s_count", "Pair_int__char_.s_count"},
                    IdentifierCase{"::eh_globals.caught", "_.eh_globals.caught"},
                    IdentifierCase{"@invocations", "_.invocations"},
                    IdentifierCase{"9lives", "_9lives"}, IdentifierCase{"", "_"},
                    IdentifierCase{"caf\xC3\xA9", "caf__"}));

TEST(A2lIdentifiers, StayUniqueAndWithinTheLongestAllowed) {
  Output::A2lIdentifiers identifiers;
  EXPECT_EQ(identifiers.unique("counter"), "counter");
  EXPECT_EQ(identifiers.unique("counter"), "counter_2");
  EXPECT_EQ(identifiers.unique("counter_2"), "counter_2_2");
  EXPECT_EQ(identifiers.unique("a::b"), "a.b");
  EXPECT_EQ(identifiers.unique("a.b"), "a.b_2");
  const std::string longName(3000, 'x');
  const std::string cut = identifiers.unique(longName);
  EXPECT_EQ(cut.size(), 1024u);
  EXPECT_EQ(cut, Output::a2lIdentifier(longName));  // the same every time
  EXPECT_NE(cut, Output::a2lIdentifier(longName + "y"));
  EXPECT_LE(identifiers.unique(longName).size(), 1024u);
}

namespace {

// A compile unit of another file than unitWithTypes' main.c, with an unsigned byte at
// `offset` + 1.
std::string otherUnit(std::uint32_t offset, std::string_view file) {
  return lines({header(0, offset, "DW_TAG_compile_unit"), attribute("DW_AT_name", file),
                header(1, offset + 1, "DW_TAG_base_type"), attribute("DW_AT_byte_size", "1"),
                attribute("DW_AT_encoding", "8", "(unsigned char)")});
}

std::string enumerator(std::uint32_t offset, std::string_view name, std::string_view value) {
  return lines({header(2, offset, "DW_TAG_enumerator"), attribute("DW_AT_name", name),
                attribute("DW_AT_const_value", value)});
}

struct A2lCase {
  std::string name;
  std::string dump;
  std::vector<std::string> present;  // texts the A2L holds
  std::vector<std::string> absent;   // and does not
};

void PrintTo(const A2lCase& a2lCase, std::ostream* out) {
  *out << a2lCase.name;
}

class A2lObjects : public testing::TestWithParam<A2lCase> {};

TEST_P(A2lObjects, DescribeWhatCalibrationNeeds) {
  const auto store = load(GetParam().dump);
  std::ostringstream console;
  const std::string module = "app";
  const std::string a2l = Output::buildOutputTexts(*store, console, 1 << 24, &module).a2l;
  for (const std::string& text : GetParam().present)
    EXPECT_NE(a2l.find(text), std::string::npos) << text << "\n" << a2l;
  for (const std::string& text : GetParam().absent)
    EXPECT_EQ(a2l.find(text), std::string::npos) << text << "\n" << a2l;
}

INSTANTIATE_TEST_SUITE_P(
    Dumps, A2lObjects,
    testing::Values(
        // A const parameter: its value, layout and symbol.
        A2lCase{"AConstScalarIsAValue",
                unitWithTypes() +
                    lines({header(1, 0x20, "DW_TAG_const_type"), attribute("DW_AT_type", "<0xd>"),
                           header(1, 0x28, "DW_TAG_variable"), attribute("DW_AT_name", "k_gain"),
                           attribute("DW_AT_type", "<0x20>"), location(0x8000)}),
                {"    /begin CHARACTERISTIC k_gain \"k_gain\"\r\n"
                 "      VALUE 0x8000 __UWORD_Z 0 NO_COMPU_METHOD 0 65535\r\n"
                 "      SYMBOL_LINK \"k_gain\" 0\r\n"
                 "    /end CHARACTERISTIC\r\n",
                 "    /begin RECORD_LAYOUT __UWORD_Z\r\n"
                 "      FNC_VALUES 1 UWORD ROW_DIR DIRECT\r\n"
                 "    /end RECORD_LAYOUT\r\n"},
                {"MEASUREMENT"}},
        // An array of rows declared through a typedef is one object of both dimensions.
        A2lCase{
            "AnArrayOfArraysIsOneObject",
            unitWithTypes() +
                lines({header(1, 0x20, "DW_TAG_array_type"), attribute("DW_AT_type", "<0xc>"),
                       header(2, 0x21, "DW_TAG_subrange_type"), attribute("DW_AT_upper_bound", "2"),
                       header(1, 0x28, "DW_TAG_typedef"), attribute("DW_AT_name", "Row"),
                       attribute("DW_AT_type", "<0x20>"), header(1, 0x30, "DW_TAG_array_type"),
                       attribute("DW_AT_type", "<0x28>"), header(2, 0x31, "DW_TAG_subrange_type"),
                       attribute("DW_AT_upper_bound", "1"), header(1, 0x38, "DW_TAG_variable"),
                       attribute("DW_AT_name", "grid"), attribute("DW_AT_type", "<0x30>"),
                       location(0x20000000)}),
            {"    /begin MEASUREMENT grid \"grid\"\r\n"
             "      UBYTE NO_COMPU_METHOD 0 0 0 255\r\n"
             "      ECU_ADDRESS 0x20000000\r\n"
             "      MATRIX_DIM 2 3\r\n"
             "      SYMBOL_LINK \"grid\" 0\r\n"},
            {"grid_", "RECORD_LAYOUT"}},
        // The one element the map lists of a flexible array member lies past its
        // structure.
        A2lCase{"AFlexibleArrayMemberIsLeftOut",
                unitWithTypes() +
                    lines({header(1, 0x20, "DW_TAG_structure_type"),
                           attribute("DW_AT_byte_size", "2"), header(2, 0x21, "DW_TAG_member"),
                           attribute("DW_AT_name", "length"), attribute("DW_AT_type", "<0xd>"),
                           attribute("DW_AT_data_member_location", "0"),
                           header(2, 0x22, "DW_TAG_member"), attribute("DW_AT_name", "payload"),
                           attribute("DW_AT_type", "<0x28>"),
                           attribute("DW_AT_data_member_location", "2"),
                           header(1, 0x28, "DW_TAG_array_type"), attribute("DW_AT_type", "<0xc>"),
                           header(2, 0x29, "DW_TAG_subrange_type"),
                           header(1, 0x30, "DW_TAG_variable"), attribute("DW_AT_name", "packet"),
                           attribute("DW_AT_type", "<0x20>"), location(0x20000000)}),
                {"MEASUREMENT packet.length \"packet.length\""},
                {"payload"}},
        // One table per enumeration type: the same type of two units shares it, one of the
        // same name with other enumerators gets its own, read as signed for its -1.
        A2lCase{"EnumerationsReadAsTheirNames",
                unitWithTypes() +
                    lines({header(1, 0x20, "DW_TAG_enumeration_type"),
                           attribute("DW_AT_byte_size", "1")}) +
                    enumerator(0x21, "IDLE", "0") + enumerator(0x22, "RUN", "1") +
                    lines({header(1, 0x28, "DW_TAG_typedef"), attribute("DW_AT_name", "State"),
                           attribute("DW_AT_type", "<0x20>"), header(1, 0x30, "DW_TAG_variable"),
                           attribute("DW_AT_name", "a"), attribute("DW_AT_type", "<0x28>"),
                           location(0x20000000)}) +
                    otherUnit(0x40, "other.c") +
                    lines({header(1, 0x50, "DW_TAG_enumeration_type"),
                           attribute("DW_AT_byte_size", "1")}) +
                    enumerator(0x51, "IDLE", "0") + enumerator(0x52, "RUN", "1") +
                    lines({header(1, 0x58, "DW_TAG_typedef"), attribute("DW_AT_name", "State"),
                           attribute("DW_AT_type", "<0x50>"), header(1, 0x60, "DW_TAG_variable"),
                           attribute("DW_AT_name", "b"), attribute("DW_AT_type", "<0x58>"),
                           location(0x20000001)}) +
                    otherUnit(0x80, "third.c") +
                    lines({header(1, 0x90, "DW_TAG_enumeration_type"),
                           attribute("DW_AT_name", "State"), attribute("DW_AT_byte_size", "1")}) +
                    enumerator(0x91, "IDLE", "0") + enumerator(0x92, "FAULT", "-1") +
                    lines({header(1, 0x98, "DW_TAG_variable"), attribute("DW_AT_name", "c"),
                           attribute("DW_AT_type", "<0x90>"), location(0x20000002)}),
                {"MEASUREMENT a \"a\"\r\n      UBYTE State 0 0 0 255",
                 "MEASUREMENT b \"b\"\r\n      UBYTE State 0 0 0 255",
                 "MEASUREMENT c \"c\"\r\n      SBYTE State_2 0 0 -128 127",
                 "    /begin COMPU_METHOD State \"\"\r\n"
                 "      TAB_VERB \"%8.0\" \"\"\r\n"
                 "      COMPU_TAB_REF State.table\r\n"
                 "    /end COMPU_METHOD\r\n"
                 "    /begin COMPU_VTAB State.table \"\" TAB_VERB 2\r\n"
                 "      0 \"IDLE\"\r\n"
                 "      1 \"RUN\"\r\n"
                 "    /end COMPU_VTAB\r\n",
                 "      -1 \"FAULT\"\r\n"},
                {"COMPU_METHOD State_3"}},
        // A function's static, and a file's static whose name another unit has too.
        A2lCase{"SymbolsAreLinkedAsMeasurementToolsResolveThem",
                unitWithTypes() +
                    lines({header(1, 0x20, "DW_TAG_subprogram"), attribute("DW_AT_name", "tick"),
                           header(2, 0x21, "DW_TAG_variable"), attribute("DW_AT_name", "count"),
                           attribute("DW_AT_type", "<0xc>"), location(0x20000000),
                           header(1, 0x28, "DW_TAG_variable"), attribute("DW_AT_name", "counter"),
                           attribute("DW_AT_type", "<0xc>"), location(0x20000004)}) +
                    otherUnit(0x40, "src/other.c") +
                    lines({header(1, 0x48, "DW_TAG_variable"), attribute("DW_AT_name", "counter"),
                           attribute("DW_AT_type", "<0x41>"), location(0x20000008),
                           header(1, 0x50, "DW_TAG_variable"), attribute("DW_AT_name", "shared"),
                           attribute("DW_AT_type", "<0x41>"), attribute("DW_AT_external", "1"),
                           location(0x2000000c)}),
                {"SYMBOL_LINK \"count{Function:tick}\" 0",
                 "SYMBOL_LINK \"counter{CompileUnit:main_c}\" 0",
                 "SYMBOL_LINK \"counter{CompileUnit:other_c}\" 0", "SYMBOL_LINK \"shared\" 0"},
                {}}),
    [](const testing::TestParamInfo<A2lCase>& info) { return info.param.name; });

// A bit field that runs past its storage unit (in a packed structure) is read from where
// the unit holds it whole; one that fits stays.
struct BitFieldCase {
  std::string name;
  bool littleEndian;
  std::uint32_t bitOffset;  // as DW_AT_bit_offset gives it, from the unit's top
  std::uint32_t bitSize;
  std::uint32_t address;      // expected
  std::uint32_t bitPosition;  // expected, as the map numbers it
};

void PrintTo(const BitFieldCase& bitField, std::ostream* out) {
  *out << bitField.name;
}

class BitFieldsInUnits : public testing::TestWithParam<BitFieldCase> {};

TEST_P(BitFieldsInUnits, AreReadFromWhereTheUnitHoldsThem) {
  Output::SignalEntry entry;
  entry.address = 0x1000;
  entry.size = 4;
  entry.bitOffset = GetParam().bitOffset;
  entry.bitSize = GetParam().bitSize;
  Output::fitBitFieldInUnit(entry, GetParam().littleEndian);
  EXPECT_EQ(entry.address, GetParam().address);
  EXPECT_EQ(Output::bitPositionOf(entry, GetParam().littleEndian), GetParam().bitPosition);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BitFieldsInUnits,
    testing::Values(
        // Bits 20 to 39 of a 4-byte unit: one byte on, bits 12 to 31.
        BitFieldCase{"StraddlingLittleEndian", true, static_cast<std::uint32_t>(-8), 20, 0x1001,
                     12},
        BitFieldCase{"StraddlingByTwoBytes", true, static_cast<std::uint32_t>(-9), 9, 0x1002, 16},
        BitFieldCase{"StraddlingBigEndian", false, 28, 12, 0x1001, 20},
        BitFieldCase{"FittingLittleEndian", true, 12, 20, 0x1000, 0},
        BitFieldCase{"FittingBigEndian", false, 4, 12, 0x1000, 4},
        // Wider than any place in the unit: left as it is.
        BitFieldCase{"TooWideToFit", true, static_cast<std::uint32_t>(-4), 32, 0x1000, 4}),
    [](const testing::TestParamInfo<BitFieldCase>& info) { return info.param.name; });

TEST(CharacteristicPatterns, MatchWithStarsForAnyRun) {
  EXPECT_TRUE(Output::matchesPattern("cal_gain", "cal_*"));
  EXPECT_TRUE(Output::matchesPattern("cal_gain", "*"));
  EXPECT_TRUE(Output::matchesPattern("app::cal::k_gain", "app::*::k_*"));
  EXPECT_TRUE(Output::matchesPattern("aXbXc", "a*b*c"));
  EXPECT_TRUE(Output::matchesPattern("ab", "a**b"));
  EXPECT_FALSE(Output::matchesPattern("cal_gain", "cal_"));
  EXPECT_FALSE(Output::matchesPattern("cal_gain", "*gai"));
  EXPECT_FALSE(Output::matchesPattern("x_cal_gain", "cal_*"));
  EXPECT_FALSE(Output::matchesPattern("cal?", "cal_"));
}

}  // namespace
