#pragma once

#include <string>

namespace Model {
class ModelStore;
}

namespace Elf {

// The whole load of an ELF image's own debug information into an empty store, without
// objdump: the section table, the entries of .debug_info and .debug_types, the file
// tables of .debug_line; then the variables are placed, the types linked and bit fields
// restated, as after a dump. False, with the reason in `whyNot`, when the image is not a
// 32-bit ARM ELF file or holds what the reader cannot read; the store is then not used.
bool loadImage(Model::ModelStore& store, const std::string& path, std::string& whyNot);

}  // namespace Elf
