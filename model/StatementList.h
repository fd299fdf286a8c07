#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Model {

// The directory table and the file-name table of one line-number program, keyed in the
// store by the program's offset, which every object of its compile unit carries in
// `stmtList`.
class StatementList {
 public:
  explicit StatementList(std::uint32_t offset) : offset(offset) {}
  virtual ~StatementList() = default;

  void addDirectory(std::string_view directory);
  // Appends directory + "/" + name, where directory is the directory with the given
  // index, or empty text for index 0 of a table that numbers from 1 and for an index
  // that no directory has.
  void addFile(std::int32_t directoryIndex, std::string_view name);

  // The path of the file that a DW_AT_decl_file of `number` names, or null when the
  // table has no such file.
  const std::string* file(std::uint32_t number) const;

  std::uint32_t offset;
  std::vector<std::string> directories;
  std::vector<std::string> files;
  // The number of the first directory and file: 1 in line tables of versions 2 to 4
  // (where directory 0 stands for none), 0 in version 5 tables.
  std::uint32_t firstEntryNumber = 1;
};

}  // namespace Model
