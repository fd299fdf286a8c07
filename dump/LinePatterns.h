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

// Entry header: 1 nesting level, 2 DIE offset, 3 abbreviation number, 4 tag text.
inline constexpr TextPattern<4> entryHeaderPattern{
    "entryHeaderPattern",
    R"(^[ ]+[<]([[:xdigit:]]+)[>][<]([[:xdigit:]]+)[>][:][ ]+Abbrev[ ]+Number[:][ ]+([[:digit:]]+)[ ]+[(](DW_TAG_.*)[)]$)",
    &matchEntryHeader};

// Attribute line with an explanation after a tab: 1 offset, 2 attribute name,
// 3 value up to the last tab, 4 explanation after it.
inline constexpr TextPattern<4> attributePattern{
    "attributePattern", R"(^[ ]+[<]([[:xdigit:]]+)[>][ ]+(DW_AT_[^ :]+)[ :]+[ ](.*)\t(.*)$)",
    &matchAttribute};

// Attribute line without any tab (current binutils write a tab only before an
// explanation): 1 offset, 2 attribute name, 3 value.
inline constexpr TextPattern<3> attributeWithoutTabPattern{
    "attributeWithoutTabPattern",
    R"(^[ ]+[<]([[:xdigit:]]+)[>][ ]+(DW_AT_[^ :\t]+)[ :]+[ ]([^\t\r\n]*)$)",
    &matchAttributeWithoutTab};

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
    "pointerSizePattern", R"(^[ ]+Pointer[ ]Size[:][ ]+([[:digit:]]+)$)", &matchPointerSize};

// The file-format line of a little-endian image, "elf32-little" and "elf32-littlearm" alike.
inline constexpr TextPattern<0> littleEndianFormatPattern{
    "littleEndianFormatPattern", R"(^.*[:][ ]+file[ ]format[ ].*little.*$)",
    &matchLittleEndianFormat};

// Header of a unit in .debug_info: 1 the unit's offset, which .debug_addr names its
// address table by ("  Compilation Unit @ offset 0xfa:", the offset 0 without "0x").
inline constexpr TextPattern<1> unitHeaderPattern{
    "unitHeaderPattern", R"(^[ ]+Compilation Unit @ offset (?:0x)?([[:xdigit:]]+)[:]$)",
    &matchUnitHeader};

// Line-number program header: 1 its offset.
inline constexpr TextPattern<1> lineTableOffsetPattern{
    "lineTableOffsetPattern", R"(^[[:blank:]]+Offset[:][[:blank:]]*0x([[:xdigit:]]+)$)",
    &matchLineTableOffset};
// The same, for the offset 0 that current binutils print without "0x".
inline constexpr TextPattern<1> lineTableOffsetWithoutPrefixPattern{
    "lineTableOffsetWithoutPrefixPattern", R"(^[[:blank:]]+Offset[:][[:blank:]]*([[:xdigit:]]+)$)",
    &matchLineTableOffsetWithoutPrefix};

// Directory table headers: rows are the directories themselves ...
inline constexpr TextPattern<0> directoryTableHeaderPattern{
    "directoryTableHeaderPattern", R"(^[[:blank:]]+The Directory Table[:]$)",
    &matchDirectoryTableHeader};
// ... rows are "index<tab>directory", numbered from 1 (line tables of version 2 to 4) ...
inline constexpr TextPattern<0> directoryTableAtOffsetHeaderPattern{
    "directoryTableAtOffsetHeaderPattern",
    R"(^[[:blank:]]+The Directory Table [(]offset 0x[[:xdigit:]]+[)][:]$)",
    &matchDirectoryTableAtOffsetHeader};
// ... rows are "index<tab>directory", numbered from 0 (line tables of version 5).
inline constexpr TextPattern<0> directoryTableWithColumnsHeaderPattern{
    "directoryTableWithColumnsHeaderPattern",
    R"(^[[:blank:]]+The Directory Table [(]offset 0x[[:xdigit:]]+, lines [[:digit:]]+, columns [[:digit:]]+[)][:]$)",
    &matchDirectoryTableWithColumnsHeader};

// File table of a line table of version 2 to 4: the column line opens it.
inline constexpr TextPattern<0> fileTableHeaderPattern{
    "fileTableHeaderPattern", R"(^[[:blank:]]+Entry\tDir\tTime\tSize\tName$)",
    &matchFileTableHeader};
// File table of a line table of version 5, numbered from 0.
inline constexpr TextPattern<0> fileTableWithColumnsHeaderPattern{
    "fileTableWithColumnsHeaderPattern",
    R"(^[[:blank:]]+The File Name Table [(]offset 0x[[:xdigit:]]+, lines [[:digit:]]+, columns [[:digit:]]+[)][:]$)",
    &matchFileTableWithColumnsHeader};

// Directory row of the historic table: 1 the row without its leading blanks.
inline constexpr TextPattern<1> indentedTextPattern{
    "indentedTextPattern", R"(^[[:blank:]]+(.*)[[:blank:]]*)", &matchIndentedText};
// Numbered row: 1 everything after the number and its tab.
inline constexpr TextPattern<1> indexedRowPattern{
    "indexedRowPattern", R"(^[[:blank:]]+[[:digit:]]+\t(.*)$)", &matchIndexedRow};

// File row of a version 2 to 4 table: 1 entry number, 2 directory index, 3 file name.
inline constexpr TextPattern<3> fileEntryPattern{
    "fileEntryPattern",
    R"(^[[:blank:]]+([[:digit:]]+)\t([[:digit:]]+)\t[[:digit:]]+\t[[:digit:]]+\t(.*)$)",
    &matchFileEntry};
// File row of a version 5 table: 1 entry number, 2 directory index, 3 further columns,
// 4 file name (objdump always prints the name last).
inline constexpr TextPattern<4> formattedFileEntryPattern{
    "formattedFileEntryPattern", R"(^[[:blank:]]+([[:digit:]]+)\t([[:digit:]]+)(.*)\t(.*)$)",
    &matchFormattedFileEntry};
// A path of a version 5 table kept in a string section: 1 the path. The offset 0 is
// printed without "0x".
inline constexpr TextPattern<1> lineStringPattern{
    "lineStringPattern", R"(^[(]indirect (?:line )?string, offset: (?:0x)?[[:xdigit:]]+[)]: (.*)$)",
    &matchLineString};

// Value patterns, applied to parts of an attribute line.
inline constexpr TextPattern<1> indirectStringPattern{"indirectStringPattern", R"(^.*[)]:[ ](.*)$)",
                                                      &matchIndirectString};
inline constexpr TextPattern<1> parenthesizedPattern{"parenthesizedPattern", R"(^.*[(](.*)[)]$)",
                                                     &matchParenthesized};
inline constexpr TextPattern<1> hexNumberPattern{"hexNumberPattern", R"(^.*0x([[:xdigit:]]+).*$)",
                                                 &matchHexNumber};
inline constexpr TextPattern<1> addressOperationPattern{
    "addressOperationPattern", R"(^[(]DW_OP_addr[:][ ]+([[:xdigit:]]+)[)]$)",
    &matchAddressOperation};
// A location given as an index into the unit's address table, as clang writes DWARF 5
// globals ("(DW_OP_addrx <0x2>)", the index 0 without "0x"): 1 the index.
inline constexpr TextPattern<1> addressIndexOperationPattern{
    "addressIndexOperationPattern",
    R"(^[(]DW_OP_(?:addrx|GNU_addr_index)[ ][<](?:0x)?([[:xdigit:]]+)[>][)]$)",
    &matchAddressIndexOperation};
inline constexpr TextPattern<1> plusUconstPattern{
    "plusUconstPattern", R"(^[(]DW_OP_plus_uconst[:][ ]+([[:digit:]]+)[)]$)", &matchPlusUconst};
// A member location given as a plain number instead of a location expression: decimal,
// or hexadecimal where it takes four bytes.
inline constexpr TextPattern<0> constantFormPattern{
    "constantFormPattern", R"(^(?:[-]?[[:digit:]]+|0x[[:xdigit:]]+)[ ]*$)", &matchConstantForm};

// The section table that "objdump -h" prints before the debug information:
//   Sections:
//   Idx Name          Size      VMA       LMA       File off  Algn
//     0 .text         0000002a  00008000  00008000  00001000  2**2
//                     CONTENTS, ALLOC, LOAD, READONLY, CODE
inline constexpr TextPattern<0> sectionTableHeaderPattern{
    "sectionTableHeaderPattern", R"(^Sections[:]$)", &matchSectionTableHeader};
// A section: 1 name, 2 size, 3 address (VMA), all hexadecimal.
inline constexpr TextPattern<3> sectionRowPattern{
    "sectionRowPattern",
    R"(^[ ]+[[:digit:]]+[ ]+([^ ]+)[ ]+([[:xdigit:]]+)[ ]+([[:xdigit:]]+)[ ]+[[:xdigit:]]+[ ]+[[:xdigit:]]+[ ]+2[*][*][[:digit:]]+$)",
    &matchSectionRow};
// The flags line under a section row, of a section that takes memory in the running
// image (debug sections, also at address 0, do not).
inline constexpr TextPattern<0> allocatedSectionFlagsPattern{
    "allocatedSectionFlagsPattern", R"(^[ ]+(?:[A-Z_]+, )*ALLOC(?:, [A-Z_]+)*$)",
    &matchAllocatedSectionFlags};

// The address tables of .debug_addr ("objdump --dwarf=addr"), one per unit:
//   Contents of the .debug_addr section:
//
//     For compilation unit at offset 0xfa:
//   	Index	Address
//   	0:	000090c4
inline constexpr TextPattern<0> addressTableHeaderPattern{
    "addressTableHeaderPattern", R"(^Contents of the [.]debug_addr section[:]$)",
    &matchAddressTableHeader};
// 1 the offset of the unit the table belongs to.
inline constexpr TextPattern<1> addressTableUnitPattern{
    "addressTableUnitPattern", R"(^[ ]+For compilation unit at offset (?:0x)?([[:xdigit:]]+)[:]$)",
    &matchAddressTableUnit};
// 1 the index (decimal), 2 the address (hexadecimal).
inline constexpr TextPattern<2> addressTableRowPattern{
    "addressTableRowPattern", R"(^\t([[:digit:]]+)[:]\t([[:xdigit:]]+)$)", &matchAddressTableRow};

}  // namespace Dump
