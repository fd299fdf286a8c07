#pragma once

#include <string_view>

namespace Model {
class ModelStore;
}

namespace Dump {

class DumpLines;

// Reads the lines of a dump once, from first to last, into the store: creates the root
// and one object per accepted entry header, fills their fields from the attribute lines,
// registers them in the offset map and their lists, and reads the source file tables.
void parseDump(Model::ModelStore& store, DumpLines& lines);

// A bit field given by DW_AT_data_bit_offset is restated, once its type is linked, as its
// storage unit (added to the member location, and the unit size when the member gave
// none) and a DW_AT_bit_offset that counts from the unit's most significant bit.
void restateDataBitOffsets(Model::ModelStore& store);

}  // namespace Dump
