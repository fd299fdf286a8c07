// Every hand-written matcher must answer exactly as std::regex does on its pattern text,
// on the line shapes the reader is built for and on near misses of them.
#include <gtest/gtest.h>

#include <random>

#include "dump/LinePatterns.h"
#include "tests/support/PatternComparison.h"

namespace {

using TestSupport::nearMisses;
using TestSupport::PatternComparison;

// The line shapes the reader is built for (a tab written as \t).
const std::vector<std::string> kShapes{
    " <1><2d>: Abbrev Number: 2 (DW_TAG_base_type)",
    " <2><5b>: Abbrev Number: 0",
    " <0><c>: Abbrev Number: 1 (DW_TAG_compile_unit)",
    " <1a><2d>: Abbrev Number: 12 (DW_TAG_GNU_call_site)",
    "    <3b>   DW_AT_location    : 5 byte block: 3 0 0 0 20 \t(DW_OP_addr: 20000000)",
    "    <11>   DW_AT_name        : (indirect string, offset: 0x5a): main.c\t",
    "    <26>   DW_AT_byte_size   : 1",
    "    <b3>   DW_AT_specification: <0xa6>",
    "    <c4>   DW_AT_data_member_location: 8",
    "    <d8>   DW_AT_data_member_location: 2 byte block: 23 0 \t(DW_OP_plus_uconst: 0)",
    "    <22>   DW_AT_language    : 32769\t(MIPS assembler)",
    "    <2b>   DW_AT_location    :\t(DW_OP_addrx <0>)",
    "    <10>   DW_AT_name        : (indexed string: 0x1): a.c",
    "    <10>   DW_AT_name        : ::operator new",
    "    <10>   DW_AT_name        :  : x\ty",
    "   Pointer Size:  4",
    "  Compilation Unit @ offset 0:",
    "  Compilation Unit @ offset 0x157:",
    "  Compilation Unit @ offset 0x:",
    "(DW_OP_addrx <0>)",
    "(DW_OP_addrx <0x2a>)",
    "(DW_OP_GNU_addr_index <0x1>)",
    "(DW_OP_addrx <0x>)",
    "Sections:",
    "Idx Name          Size      VMA       LMA       File off  Algn",
    "  0 .text         0000002a  00008000  00008000  00001000  2**2",
    " 13 .debug_line_str 0000000c  00000000  00000000  000013fe  2**0",
    "                  CONTENTS, ALLOC, LOAD, READONLY, CODE",
    "                  ALLOC",
    "                  CONTENTS, READONLY, DEBUGGING, OCTETS",
    "Contents of the .debug_addr section:",
    "  For compilation unit at offset 0:",
    "  For compilation unit at offset 0xfa:",
    "\tIndex\tAddress",
    "\t0:\t00009034",
    "\t12:\t0000903c",
    "Contents of the .debug_types section:",
    "Contents of the .debug_info section:",
    "   Signature:     0x2abf42a787697d7",
    "   Signature:     0",
    "   Type Offset:   0x38",
    "signature: 0x282df3d91607841c",
    "app.elf:     file format elf32-little",
    "app.elf:     file format elf32-littlearm",
    "app.elf:     file format elf32-bigarm",
    "  Offset:                      0x0",
    "  Offset:                      0",
    "  Offset:                      0x91",
    " The Directory Table:",
    " The Directory Table (offset 0x1b):",
    " The Directory Table (offset 0x22, lines 2, columns 1):",
    " The File Name Table (offset 0x30, lines 2, columns 2):",
    " The File Name Table (offset 0xbb):",
    "  Entry\tDir\tTime\tSize\tName",
    "  Entry\tDir\tName",
    "  Entry\tDir\tMD5\t\t\t\tName",
    "  ../src",
    "  c:/include  ",
    "   ",
    "  1\t/usr/lib/gcc/arm-none-eabi/12.2.1/include",
    "  0\t(indirect line string, offset: 0): /home/dev/fw",
    "  1\t1\t0\t0\tmain.c",
    "  3\t0\t0\t0\tlocal.h",
    "  1\t1\t(indirect line string, offset: 0x38): stdint.h",
    "  0\t0 0x4488f26acdebf43ba236f5e4c1b64b24\t(indirect line string, offset: 0x31): main.c",
    "(indirect string, offset: 0x5a): main.c",
    "(indirect line string, offset: 0x5a): main.c",
    "(indirect line string, offset: 0): /fw",
    "(indirect line string, offset: 0x): /fw",
    "(unsigned char)",
    "(a(b)c)",
    "<0x2d>",
    "0x0x5",
    "(DW_OP_addr: 20000100)",
    "(DW_OP_fbreg: -12)",
    "(DW_OP_plus_uconst: 8)",
    "-12 ",
    "0x11170",
    "0x",
    "0",
    "C:\\work\\app.rel.elf",
    "src/out/app.elf",
    "out.v1/app",
    "a/b.c/d",
    "app",
    ".elf",
    ".fle",
    ".axf",
    "Asigned",
    "Aunsigned char",
    "Asigned char",
    "s.f_Bits:234",
    "tick@count",
    "@x",
    "",
};

TEST(LinePatterns, TakeTheLineTheyShowAndRefuseTheirNearMiss) {
  PatternComparison comparison;
  EXPECT_EQ(comparison.checkWorkedExamples(), 40u);
}

TEST(LinePatterns, AgreeWithRegexOnTheLineShapesAndTheirNearMisses) {
  PatternComparison comparison;
  std::mt19937 random(1);
  for (const std::string& shape : kShapes) {
    comparison.compare(shape);
    for (const std::string& variant : nearMisses(shape, random, shape.size())) {
      comparison.compare(variant);
    }
  }
  EXPECT_GT(comparison.compared(), 100000u);
}

TEST(LinePatterns, TakeLinesTooLongForRegex) {
  // A 100,000-character value: std::regex would overflow its stack here.
  const std::string value(100000, 'v');
  const std::string withTab = "    <3b>   DW_AT_name : " + value + "\t(x)";
  Dump::Groups4 attribute;
  ASSERT_TRUE(Dump::attributePattern.match(withTab, attribute));
  EXPECT_EQ(attribute[2], value);
  EXPECT_EQ(attribute[3], "(x)");
  const std::string withoutTab = "    <3b>   DW_AT_name : " + value;
  Dump::Groups3 plain;
  ASSERT_TRUE(Dump::attributeWithoutTabPattern.match(withoutTab, plain));
  EXPECT_EQ(plain[2], value);
  const std::string number = std::string(200000, '0') + "x1f";
  Dump::Groups1 hex;
  ASSERT_TRUE(Dump::hexNumberPattern.match(number, hex));
  EXPECT_EQ(hex[0], "1f");
}

}  // namespace
