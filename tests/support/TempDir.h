#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace TestSupport {

// A fresh directory that is removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
  // `name` inside the directory, as the UTF-8 text the program takes paths in.
  std::string file(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view text);

}  // namespace TestSupport
