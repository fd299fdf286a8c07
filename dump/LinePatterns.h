#pragma once

#include "common/TextPattern.h"

// The line shapes of the objdump text that the reader understands. Each pattern text is
// the contract of its matcher (see TextPattern). Patterns named after an objdump line
// come first in the form older binutils printed; the variants after them are the forms
// that current binutils print for the same information.
namespace Dump {

// The matcher toolkit that every layer shares.
using Common::hasLineBreak;
using Common::isBlankChar;
using Common::isBlankOrColonChar;
using Common::isDigitChar;
using Common::isSpaceChar;
using Common::isXdigitChar;
using Common::PatternScanner;
using Common::TextPattern;
namespace charclass = Common::charclass;

using Groups0 = TextPattern<0>::Groups;
using Groups1 = TextPattern<1>::Groups;
using Groups2 = TextPattern<2>::Groups;
using Groups3 = TextPattern<3>::Groups;
using Groups4 = TextPattern<4>::Groups;

bool matchEntryHeader(std::string_view, Groups4&);
bool matchAttribute(std::string_view, Groups4&);
bool matchAttributeWithoutTab(std::string_view, Groups3&);
bool matchPointerSize(std::string_view, Groups1&);
bool matchLittleEndianFormat(std::string_view, Groups0&);
bool matchLineTableOffset(std::string_view, Groups1&);
bool matchLineTableOffsetWithoutPrefix(std::string_view, Groups1&);
bool matchDirectoryTableHeader(std::string_view, Groups0&);
bool matchDirectoryTableAtOffsetHeader(std::string_view, Groups0&);
bool matchDirectoryTableWithColumnsHeader(std::string_view, Groups0&);
bool matchFileTableHeader(std::string_view, Groups0&);
bool matchFileTableWithColumnsHeader(std::string_view, Groups0&);
bool matchIndentedText(std::string_view, Groups1&);
bool matchIndexedRow(std::string_view, Groups1&);
bool matchFileEntry(std::string_view, Groups3&);
bool matchFormattedFileEntry(std::string_view, Groups4&);
bool matchLineString(std::string_view, Groups1&);
bool matchIndirectString(std::string_view, Groups1&);
bool matchParenthesized(std::string_view, Groups1&);
bool matchHexNumber(std::string_view, Groups1&);
bool matchAddressOperation(std::string_view, Groups1&);
bool matchPlusUconst(std::string_view, Groups1&);
bool matchConstantForm(std::string_view, Groups0&);
bool matchUnitHeader(std::string_view, Groups1&);
bool matchAddressIndexOperation(std::string_view, Groups1&);
bool matchSectionTableHeader(std::string_view, Groups0&);
bool matchSectionRow(std::string_view, Groups3&);
bool matchAllocatedSectionFlags(std::string_view, Groups0&);
bool matchAddressTableHeader(std::string_view, Groups0&);
bool matchAddressTableUnit(std::string_view, Groups1&);
bool matchAddressTableRow(std::string_view, Groups2&);
bool matchEntrySectionHeader(std::string_view, Groups1&);
bool matchTypeSignature(std::string_view, Groups1&);
bool matchTypeOffset(std::string_view, Groups1&);
bool matchSignatureReference(std::string_view, Groups1&);

// Entry header: 1 nesting level, 2 DIE offset, 3 abbreviation number, 4 tag text. A tag
// that objdump has no name for is printed by its number ("Unknown TAG value: 0x7e", and
// "User TAG value: 0x4321" in the vendors' range): it is still an entry of its own.
inline constexpr TextPattern<4> entryHeaderPattern{
    "entryHeaderPattern",
    R"(^[ ]+[<]([[:xdigit:]]+)[>][<]([[:xdigit:]]+)[>][:][ ]+Abbrev[ ]+Number[:][ ]+([[:digit:]]+)[ ]+[(]((?:DW_TAG_|Unknown TAG value: |User TAG value: ).*)[)]$)",
    &matchEntryHeader, " <1><2d>: Abbrev Number: 2 (DW_TAG_base_type)",
    " <2><5b>: Abbrev Number: 0"};

// The two attribute patterns are the contract of matchAnyAttributeLine below, which the
// reader runs: it answers as they do, one after the other, in one pass, and the tests
// hold it to them on every line of real dumps.
//
// Attribute line with an explanation after a tab: 1 offset, 2 attribute name,
// 3 value up to the last tab, 4 explanation after it.
inline constexpr TextPattern<4> attributePattern{
    "attributePattern", R"(^[ ]+[<]([[:xdigit:]]+)[>][ ]+(DW_AT_[^ :]+)[ :]+[ ](.*)\t(.*)$)",
    &matchAttribute,
    "    <3b>   DW_AT_location    : 5 byte block: 3 0 0 0 20 \t(DW_OP_addr: 20000000)",
    "    <26>   DW_AT_byte_size   : 1"};

// Attribute line without any tab (current binutils write a tab only before an
// explanation): 1 offset, 2 attribute name, 3 value.
inline constexpr TextPattern<3> attributeWithoutTabPattern{
    "attributeWithoutTabPattern",
    R"(^[ ]+[<]([[:xdigit:]]+)[>][ ]+(DW_AT_[^ :\t]+)[ :]+[ ]([^\t\r\n]*)$)",
    &matchAttributeWithoutTab, "    <26>   DW_AT_byte_size   : 1",
    "    <22>   DW_AT_language    : 12\t(ANSI C99)"};

// An attribute line in either shape, as the two patterns above take it one after the
// other, in one pass: with a tab, the value runs to the last tab and the explanation
// follows; without one, the value is the rest and there is no explanation.
struct AttributeLine {
  std::string_view name;
  std::string_view rawValue;
  std::string_view explanation;
};
bool matchAnyAttributeLine(std::string_view line, AttributeLine& parts);

// Unit header: 1 pointer size.
inline constexpr TextPattern<1> pointerSizePattern{
    "pointerSizePattern", R"(^[ ]+Pointer[ ]Size[:][ ]+([[:digit:]]+)$)", &matchPointerSize,
    "   Pointer Size:  4", "   Pointer Size:  four"};

// The file-format line of a little-endian image, "elf32-little" and "elf32-littlearm" alike.
inline constexpr TextPattern<0> littleEndianFormatPattern{
    "littleEndianFormatPattern", R"(^.*[:][ ]+file[ ]format[ ].*little.*$)",
    &matchLittleEndianFormat, "app.elf:     file format elf32-littlearm",
    "app.elf:     file format elf32-bigarm"};

// Header of a unit in .debug_info: 1 the unit's offset, which .debug_addr names its
// address table by ("  Compilation Unit @ offset 0xfa:", the offset 0 without "0x").
inline constexpr TextPattern<1> unitHeaderPattern{
    "unitHeaderPattern", R"(^[ ]+Compilation Unit @ offset (?:0x)?([[:xdigit:]]+)[:]$)",
    &matchUnitHeader, "  Compilation Unit @ offset 0xfa:", "  Compilation Unit @ offset 0x:"};

// The header of a section whose units hold entries: 1 "info" or "types". The offsets in
// .debug_types count from that section's start, as those in .debug_info count from its own.
inline constexpr TextPattern<1> entrySectionHeaderPattern{
    "entrySectionHeaderPattern", R"(^Contents of the [.]debug_(info|types) section[:]$)",
    &matchEntrySectionHeader,
    "Contents of the .debug_types section:", "Contents of the .debug_line section:"};

// The header of a type unit names the type it describes: 1 the 64-bit signature that
// other units refer to the type by ...
inline constexpr TextPattern<1> typeSignaturePattern{
    "typeSignaturePattern", R"(^[ ]+Signature[:][ ]+(?:0x)?([[:xdigit:]]+)$)", &matchTypeSignature,
    "   Signature:     0x2abf42a787697d7", "   Signature:     0x"};
// ... and 1 the offset of the type's entry, counted from the start of the unit.
inline constexpr TextPattern<1> typeOffsetPattern{
    "typeOffsetPattern", R"(^[ ]+Type Offset[:][ ]+(?:0x)?([[:xdigit:]]+)$)", &matchTypeOffset,
    "   Type Offset:   0x38", "   Type Offset:   0x38 (0x5d)"};

// Line-number program header: 1 its offset.
inline constexpr TextPattern<1> lineTableOffsetPattern{
    "lineTableOffsetPattern", R"(^[[:blank:]]+Offset[:][[:blank:]]*0x([[:xdigit:]]+)$)",
    &matchLineTableOffset, "  Offset:                      0x91",
    "  Offset:                      0"};
// The same, for the offset 0 that current binutils print without "0x".
inline constexpr TextPattern<1> lineTableOffsetWithoutPrefixPattern{
    "lineTableOffsetWithoutPrefixPattern", R"(^[[:blank:]]+Offset[:][[:blank:]]*([[:xdigit:]]+)$)",
    &matchLineTableOffsetWithoutPrefix, "  Offset:                      0",
    "  Offset:                      0x91"};

// Directory table headers: rows are the directories themselves ...
inline constexpr TextPattern<0> directoryTableHeaderPattern{
    "directoryTableHeaderPattern", R"(^[[:blank:]]+The Directory Table[:]$)",
    &matchDirectoryTableHeader, " The Directory Table:", " The Directory Table (offset 0x1b):"};
// ... rows are "index<tab>directory", numbered from 1 (line tables of version 2 to 4) ...
inline constexpr TextPattern<0> directoryTableAtOffsetHeaderPattern{
    "directoryTableAtOffsetHeaderPattern",
    R"(^[[:blank:]]+The Directory Table [(]offset 0x[[:xdigit:]]+[)][:]$)",
    &matchDirectoryTableAtOffsetHeader, " The Directory Table (offset 0x1b):",
    " The Directory Table (offset 0x22, lines 2, columns 1):"};
// ... rows are "index<tab>directory", numbered from 0 (line tables of version 5).
inline constexpr TextPattern<0> directoryTableWithColumnsHeaderPattern{
    "directoryTableWithColumnsHeaderPattern",
    R"(^[[:blank:]]+The Directory Table [(]offset 0x[[:xdigit:]]+, lines [[:digit:]]+, columns [[:digit:]]+[)][:]$)",
    &matchDirectoryTableWithColumnsHeader,
    " The Directory Table (offset 0x22, lines 2, columns 1):",
    " The Directory Table (offset 0x1b):"};

// File table of a line table of version 2 to 4: the column line opens it.
inline constexpr TextPattern<0> fileTableHeaderPattern{
    "fileTableHeaderPattern", R"(^[[:blank:]]+Entry\tDir\tTime\tSize\tName$)",
    &matchFileTableHeader, "  Entry\tDir\tTime\tSize\tName", "  Entry\tDir\tName"};
// File table of a line table of version 5, numbered from 0.
inline constexpr TextPattern<0> fileTableWithColumnsHeaderPattern{
    "fileTableWithColumnsHeaderPattern",
    R"(^[[:blank:]]+The File Name Table [(]offset 0x[[:xdigit:]]+, lines [[:digit:]]+, columns [[:digit:]]+[)][:]$)",
    &matchFileTableWithColumnsHeader, " The File Name Table (offset 0x30, lines 2, columns 2):",
    " The File Name Table (offset 0xbb):"};

// Directory row of the historic table: 1 the row without its leading blanks.
inline constexpr TextPattern<1> indentedTextPattern{"indentedTextPattern",
                                                    R"(^[[:blank:]]+(.*)[[:blank:]]*)",
                                                    &matchIndentedText, "  ../src", "../src"};
// Numbered row: 1 everything after the number and its tab.
inline constexpr TextPattern<1> indexedRowPattern{
    "indexedRowPattern", R"(^[[:blank:]]+[[:digit:]]+\t(.*)$)", &matchIndexedRow,
    "  1\t/usr/lib/gcc/arm-none-eabi/12.2.1/include", "  1 /usr/include"};

// File row of a version 2 to 4 table: 1 entry number, 2 directory index, 3 file name.
inline constexpr TextPattern<3> fileEntryPattern{
    "fileEntryPattern",
    R"(^[[:blank:]]+([[:digit:]]+)\t([[:digit:]]+)\t[[:digit:]]+\t[[:digit:]]+\t(.*)$)",
    &matchFileEntry, "  1\t1\t0\t0\tmain.c",
    "  1\t1\t(indirect line string, offset: 0x38): stdint.h"};
// File row of a version 5 table: 1 entry number, 2 directory index, 3 further columns,
// 4 file name (objdump always prints the name last).
inline constexpr TextPattern<4> formattedFileEntryPattern{
    "formattedFileEntryPattern", R"(^[[:blank:]]+([[:digit:]]+)\t([[:digit:]]+)(.*)\t(.*)$)",
    &matchFormattedFileEntry, "  1\t1\t(indirect line string, offset: 0x38): stdint.h",
    "  1\tmain.c"};
// A path of a version 5 table kept in a string section: 1 the path. The offset 0 is
// printed without "0x".
inline constexpr TextPattern<1> lineStringPattern{
    "lineStringPattern", R"(^[(]indirect (?:line )?string, offset: (?:0x)?[[:xdigit:]]+[)]: (.*)$)",
    &matchLineString, "(indirect line string, offset: 0x5a): main.c",
    "(indexed string: 0x3): main.c"};

// Value patterns, applied to parts of an attribute line.
inline constexpr TextPattern<1> indirectStringPattern{
    "indirectStringPattern", R"(^.*[)]:[ ](.*)$)", &matchIndirectString,
    "(indirect string, offset: 0x5a): main.c", "main.c"};
inline constexpr TextPattern<1> parenthesizedPattern{"parenthesizedPattern", R"(^.*[(](.*)[)]$)",
                                                     &matchParenthesized, "(unsigned char)",
                                                     "unsigned char"};
inline constexpr TextPattern<1> hexNumberPattern{"hexNumberPattern", R"(^.*0x([[:xdigit:]]+).*$)",
                                                 &matchHexNumber, "<0x2d>", "45"};
inline constexpr TextPattern<1> addressOperationPattern{
    "addressOperationPattern", R"(^[(]DW_OP_addr[:][ ]+([[:xdigit:]]+)[)]$)",
    &matchAddressOperation, "(DW_OP_addr: 20000100)", "(DW_OP_fbreg: -12)"};
// A location given as an index into the unit's address table, as clang writes DWARF 5
// globals ("(DW_OP_addrx <0x2>)", the index 0 without "0x"): 1 the index.
inline constexpr TextPattern<1> addressIndexOperationPattern{
    "addressIndexOperationPattern",
    R"(^[(]DW_OP_(?:addrx|GNU_addr_index)[ ][<](?:0x)?([[:xdigit:]]+)[>][)]$)",
    &matchAddressIndexOperation, "(DW_OP_addrx <0x2>)", "(DW_OP_addrx <0x>)"};
inline constexpr TextPattern<1> plusUconstPattern{
    "plusUconstPattern", R"(^[(]DW_OP_plus_uconst[:][ ]+([[:digit:]]+)[)]$)", &matchPlusUconst,
    "(DW_OP_plus_uconst: 8)", "(DW_OP_plus_uconst: 0x8)"};
// A reference to the type that a type unit describes, by the unit's signature
// (DW_FORM_ref_sig8): 1 the signature.
inline constexpr TextPattern<1> signatureReferencePattern{
    "signatureReferencePattern", R"(^signature[:][ ]+(?:0x)?([[:xdigit:]]+)$)",
    &matchSignatureReference, "signature: 0x282df3d91607841c", "<0x282df3d9>"};
// A member location given as a plain number instead of a location expression: decimal,
// or hexadecimal where it takes four bytes.
inline constexpr TextPattern<0> constantFormPattern{
    "constantFormPattern", R"(^(?:[-]?[[:digit:]]+|0x[[:xdigit:]]+)[ ]*$)", &matchConstantForm,
    "0x11170", "2 byte block: 23 0 "};

// The section table that "objdump -h" prints before the debug information:
//   Sections:
//   Idx Name          Size      VMA       LMA       File off  Algn
//     0 .text         0000002a  00008000  00008000  00001000  2**2
//                     CONTENTS, ALLOC, LOAD, READONLY, CODE
inline constexpr TextPattern<0> sectionTableHeaderPattern{
    "sectionTableHeaderPattern", R"(^Sections[:]$)", &matchSectionTableHeader,
    "Sections:", "Sections: "};
// A section: 1 name, 2 size, 3 address (VMA), all hexadecimal.
inline constexpr TextPattern<3> sectionRowPattern{
    "sectionRowPattern",
    R"(^[ ]+[[:digit:]]+[ ]+([^ ]+)[ ]+([[:xdigit:]]+)[ ]+([[:xdigit:]]+)[ ]+[[:xdigit:]]+[ ]+[[:xdigit:]]+[ ]+2[*][*][[:digit:]]+$)",
    &matchSectionRow, "  0 .text         0000002a  00008000  00008000  00001000  2**2",
    "                  CONTENTS, ALLOC, LOAD, READONLY, CODE"};
// The flags line under a section row, of a section that takes memory in the running
// image (debug sections, also at address 0, do not).
inline constexpr TextPattern<0> allocatedSectionFlagsPattern{
    "allocatedSectionFlagsPattern", R"(^[ ]+(?:[A-Z_]+, )*ALLOC(?:, [A-Z_]+)*$)",
    &matchAllocatedSectionFlags, "                  CONTENTS, ALLOC, LOAD, DATA",
    "                  CONTENTS, READONLY, DEBUGGING, OCTETS"};

// The address tables of .debug_addr ("objdump --dwarf=addr"), one per unit:
//   Contents of the .debug_addr section:
//
//     For compilation unit at offset 0xfa:
//   	Index	Address
//   	0:	000090c4
inline constexpr TextPattern<0> addressTableHeaderPattern{
    "addressTableHeaderPattern", R"(^Contents of the [.]debug_addr section[:]$)",
    &matchAddressTableHeader,
    "Contents of the .debug_addr section:", "Contents of the .debug_str section:"};
// 1 the offset of the unit the table belongs to.
inline constexpr TextPattern<1> addressTableUnitPattern{
    "addressTableUnitPattern", R"(^[ ]+For compilation unit at offset (?:0x)?([[:xdigit:]]+)[:]$)",
    &matchAddressTableUnit,
    "  For compilation unit at offset 0x157:", "  Compilation Unit @ offset 0x157:"};
// 1 the index (decimal), 2 the address (hexadecimal).
inline constexpr TextPattern<2> addressTableRowPattern{
    "addressTableRowPattern", R"(^\t([[:digit:]]+)[:]\t([[:xdigit:]]+)$)", &matchAddressTableRow,
    "\t1:\t000090c8", "\tIndex\tAddress"};

}  // namespace Dump
