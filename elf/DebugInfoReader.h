#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "model/Model.h"

namespace Model {
class ModelStore;
}

namespace Elf {

// The debug sections of an image as the direct reader sees them: decompressed, each
// empty when the image lacks it.
struct DebugSections {
  std::string_view info;
  std::string_view types;
  std::string_view abbrev;
  std::string_view str;
  std::string_view lineStr;
  std::string_view strOffsets;
  std::string_view addr;
  std::string_view line;
  bool littleEndian = true;
  // Told of a part of a section that has been read and is not read again, so that its
  // memory can go; may do nothing.
  std::function<void(std::string_view)> release;
};

// Reads the units of .debug_info or .debug_types into the store, one object per entry in
// entry order, by the same rules as the dump's reader: the tag gives the class, the
// attributes its fields. Calls for both sections go to one reader, in the image's order
// of the sections, as objdump prints them. Throws a DwarfError for what it cannot read.
class DebugInfoReader {
 public:
  DebugInfoReader(Model::ModelStore& store, const DebugSections& sections);
  ~DebugInfoReader();
  DebugInfoReader(const DebugInfoReader&) = delete;
  DebugInfoReader& operator=(const DebugInfoReader&) = delete;

  // `space` Info reads .debug_info, Types reads .debug_types.
  void readSection(Model::ReferenceSpace space);
  // Finds every object read by its offset (the store's offset maps), in entry order. Done
  // once all sections are read, and their memory given back, as the maps are large.
  void indexOffsets();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace Elf
