// libFuzzer entry: arbitrary bytes as an A2L file that a project keeps, read, updated
// from a small program and written back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "a2l/A2lText.h"
#include "a2l/A2lUpdate.h"
#include "a2l/SymbolTable.h"
#include "dump/DumpLoad.h"
#include "model/ModelStore.h"

namespace {

// A unit with a structure, an array of it, a bit field and a function's static.
const char kDump[] =
    "\napp.elf:     file format elf32-littlearm\n\n"
    "Contents of the .debug_info section:\n\n"
    " <0><b>: Abbrev Number: 1 (DW_TAG_compile_unit)\n"
    "    <c>   DW_AT_name        : main.c\n"
    " <1><d>: Abbrev Number: 2 (DW_TAG_base_type)\n"
    "    <e>   DW_AT_byte_size   : 2\n"
    "    <f>   DW_AT_encoding    : 7\t(unsigned)\n"
    " <1><20>: Abbrev Number: 3 (DW_TAG_structure_type)\n"
    "    <21>   DW_AT_byte_size   : 4\n"
    " <2><22>: Abbrev Number: 4 (DW_TAG_member)\n"
    "    <23>   DW_AT_name        : a\n"
    "    <24>   DW_AT_type        : <0xd>\n"
    "    <25>   DW_AT_data_member_location: 0\n"
    " <2><26>: Abbrev Number: 4 (DW_TAG_member)\n"
    "    <27>   DW_AT_name        : bits\n"
    "    <28>   DW_AT_type        : <0xd>\n"
    "    <29>   DW_AT_bit_size    : 5\n"
    "    <2a>   DW_AT_bit_offset  : 3\n"
    "    <2b>   DW_AT_data_member_location: 2\n"
    " <1><30>: Abbrev Number: 5 (DW_TAG_array_type)\n"
    "    <31>   DW_AT_type        : <0x20>\n"
    " <2><32>: Abbrev Number: 6 (DW_TAG_subrange_type)\n"
    "    <33>   DW_AT_upper_bound : 3\n"
    " <1><40>: Abbrev Number: 7 (DW_TAG_variable)\n"
    "    <41>   DW_AT_name        : g_pairs\n"
    "    <42>   DW_AT_type        : <0x30>\n"
    "    <43>   DW_AT_location    : 5 byte block: 3 0 0 0 20 \t(DW_OP_addr: 20000000)\n"
    " <1><50>: Abbrev Number: 8 (DW_TAG_subprogram)\n"
    "    <51>   DW_AT_name        : tick\n"
    " <2><52>: Abbrev Number: 7 (DW_TAG_variable)\n"
    "    <53>   DW_AT_name        : calls\n"
    "    <54>   DW_AT_type        : <0xd>\n"
    "    <55>   DW_AT_location    : 5 byte block: 3 0 0 0 20 \t(DW_OP_addr: 20000040)\n";

struct Program {
  Model::ModelStore store;
  std::unique_ptr<A2l::SymbolTable> symbols;
  Program() {
    Dump::loadDumpText(store, kDump);
    symbols = std::make_unique<A2l::SymbolTable>(store);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Program program;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  // Inclusions are looked for in a folder that does not exist: the input alone is read.
  const auto description = A2l::Description::fromText("/nonexistent/fuzz.a2l", text, error);
  if (description == nullptr) return 0;
  // Written back unchanged, it is the input after the header line.
  const std::string header = "/* fuzz */";
  const std::string same = description->write({}, header);
  const std::string mark = text.rfind("\xEF\xBB\xBF", 0) == 0 ? "\xEF\xBB\xBF" : "";
  if (same != mark + header + std::string(description->lineEndOf(0)) + text.substr(mark.size())) {
    std::abort();
  }
  A2l::UpdateReport report;
  std::vector<A2l::Edit> edits = A2l::updateDescription(*description, *program.symbols, report);
  const std::string updated = description->write(std::move(edits), header);
  // What was updated reads again.
  if (A2l::Description::fromText("/nonexistent/again.a2l", updated, error) == nullptr) std::abort();
  return 0;
}
