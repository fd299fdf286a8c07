#include "output/FileOutput.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/FilePath.h"

namespace Output {

namespace {
bool writeTemporary(const std::filesystem::path& temporary, std::string_view text) {
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return static_cast<bool>(out);
}
}  // namespace

bool writeWholeFile(const std::string& path, std::string_view text, std::ostream& console) {
  const std::filesystem::path target = Common::filePath(path);
  std::filesystem::path temporary = target;
  temporary += ".skarvel-tmp";
  std::error_code error;
  if (!std::filesystem::is_directory(target, error) && writeTemporary(temporary, text)) {
    std::filesystem::rename(temporary, target, error);
    if (!error) return true;
  }
  std::filesystem::remove(temporary, error);
  console << "Can not create file: " << path << std::endl;
  return false;
}

}  // namespace Output
