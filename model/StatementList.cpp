#include "model/StatementList.h"

namespace Model {

void StatementList::addDirectory(std::string_view directory) {
  directories.emplace_back(directory);
}

void StatementList::addFile(std::int32_t directoryIndex, std::string_view name) {
  const auto index = static_cast<std::uint32_t>(directoryIndex);
  std::string path;
  if (index >= firstEntryNumber && index - firstEntryNumber < directories.size()) {
    path = directories[index - firstEntryNumber];
  }
  path += '/';
  path += name;
  files.push_back(std::move(path));
}

const std::string* StatementList::file(std::uint32_t number) const {
  if (number < firstEntryNumber || number - firstEntryNumber >= files.size()) return nullptr;
  return &files[number - firstEntryNumber];
}

}  // namespace Model
