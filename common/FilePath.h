#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace Common {

// Paths travel through the program as UTF-8 byte text (the command line, the derived
// file names). A filesystem path built from UTF-8 reaches the wide file APIs on Windows
// unchanged, and on POSIX systems keeps the bytes as they are.
inline std::filesystem::path filePath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace Common
