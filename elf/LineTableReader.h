#pragma once

namespace Model {
class ModelStore;
}

namespace Elf {

struct DebugSections;

// Reads the directory and file tables from the header of every line-number program of
// .debug_line into the store's StatementLists, keyed by the program's offset; the first
// program at an offset wins. The tables follow the program's own version, which may
// differ from its unit's: versions 2 to 4 number from 1 and list plain strings, version 5
// numbers from 0 and describes its columns. Throws a DwarfError for what it cannot read.
void readLineTables(Model::ModelStore& store, const DebugSections& sections);

}  // namespace Elf
