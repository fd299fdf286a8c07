#include "dump/DumpLines.h"

#include <cstring>
#include <fstream>
#include <system_error>

#include "dump/FilePath.h"

namespace Dump {

namespace {
// One line per 50 bytes is what dumps average; the list is sized for that in advance.
constexpr std::size_t kBytesPerLine = 50;
}  // namespace

bool DumpLines::readFile(const std::string& path) {
  clear();
  const std::filesystem::path file = filePath(path);
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;

  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  in.seekg(0, std::ios::beg);

  std::size_t size = 0;
  if (end > 0) {
    // A regular file: one read of its whole size.
    const auto expected = static_cast<std::size_t>(end);
    lines_.reserve(expected / kBytesPerLine);
    text_ = std::make_unique_for_overwrite<char[]>(expected);
    in.read(text_.get(), static_cast<std::streamsize>(expected));
    size = static_cast<std::size_t>(in.gcount());
  } else if (end < 0) {
    // No size to ask for (a pipe): read in growing pieces until the end.
    in.clear();
    std::size_t room = 1 << 16;
    text_ = std::make_unique_for_overwrite<char[]>(room);
    while (in) {
      if (size == room) {
        auto larger = std::make_unique_for_overwrite<char[]>(room * 2);
        std::memcpy(larger.get(), text_.get(), size);
        text_ = std::move(larger);
        room *= 2;
      }
      in.read(text_.get() + size, static_cast<std::streamsize>(room - size));
      size += static_cast<std::size_t>(in.gcount());
    }
  }
  split(std::string_view(text_.get(), size));
  return true;
}

void DumpLines::splitText(std::string_view text) {
  clear();
  lines_.reserve(text.size() / kBytesPerLine);
  split(text);
}

void DumpLines::split(std::string_view text) {
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  while (cursor < end) {
    const auto* lineFeed =
        static_cast<const char*>(std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor)));
    const char* lineEnd = lineFeed != nullptr ? lineFeed : end;
    if (lineFeed != nullptr && lineEnd > cursor && lineEnd[-1] == '\r') --lineEnd;
    lines_.emplace_back(cursor, static_cast<std::size_t>(lineEnd - cursor));
    if (lineFeed == nullptr) break;
    cursor = lineFeed + 1;
  }
}

void DumpLines::clear() {
  lines_.clear();
  text_.reset();
}

DumpLines& processDumpLines() {
  static DumpLines lines;
  return lines;
}

}  // namespace Dump
