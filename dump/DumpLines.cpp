#include "dump/DumpLines.h"

#include <cstring>
#include <system_error>

#include "common/FilePath.h"

namespace Dump {

DumpLines::DumpLines(std::size_t pieceSize) : pieceSize_(pieceSize > 0 ? pieceSize : 1) {}

DumpLines::~DumpLines() = default;

bool DumpLines::openFile(const std::string& path) {
  const std::filesystem::path file = Common::filePath(path);
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) return false;
  if (file_.open(file, std::ios::in | std::ios::binary) == nullptr) return false;
  fileOpen_ = true;
  capacity_ = pieceSize_;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  cursor_ = end_ = buffer_.get();
  return true;
}

void DumpLines::openText(std::string_view text) {
  cursor_ = text.data();
  end_ = text.data() + text.size();
}

bool DumpLines::readMore() {
  if (!fileOpen_) return false;
  const std::size_t unread = static_cast<std::size_t>(end_ - cursor_);
  if (unread == capacity_) {
    // A line longer than the buffer: make room for it.
    auto larger = std::make_unique_for_overwrite<char[]>(capacity_ * 2);
    std::memcpy(larger.get(), cursor_, unread);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  } else if (unread > 0) {
    std::memmove(buffer_.get(), cursor_, unread);
  }
  char* const start = buffer_.get();
  const std::streamsize wanted = static_cast<std::streamsize>(capacity_ - unread);
  std::streamsize got = 0;
  try {
    got = file_.sgetn(start + unread, wanted);
  } catch (const std::ios_base::failure&) {
    // The standard library reports a failed read (EIO) by throwing; the text read so
    // far stays, and the caller learns that it is not the whole dump.
    got = 0;
    readFailed_ = true;
  }
  cursor_ = start;
  end_ = start + unread + static_cast<std::size_t>(got > 0 ? got : 0);
  if (got <= 0) {
    file_.close();
    fileOpen_ = false;
    return false;
  }
  return true;
}

bool DumpLines::next(std::string_view& line) {
  for (;;) {
    const auto* lineFeed = static_cast<const char*>(
        cursor_ == end_ ? nullptr
                        : std::memchr(cursor_, '\n', static_cast<std::size_t>(end_ - cursor_)));
    if (lineFeed != nullptr) {
      const char* lineEnd = lineFeed;
      if (lineEnd > cursor_ && lineEnd[-1] == '\r') --lineEnd;
      line = std::string_view(cursor_, static_cast<std::size_t>(lineEnd - cursor_));
      cursor_ = lineFeed + 1;
      return true;
    }
    if (readMore()) continue;
    if (cursor_ == end_) return false;
    // The last line, without a line break.
    line = std::string_view(cursor_, static_cast<std::size_t>(end_ - cursor_));
    cursor_ = end_;
    return true;
  }
}

}  // namespace Dump
