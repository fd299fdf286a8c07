#include "dump/DumpLines.h"

#include <cstring>
#include <system_error>

#include "common/FilePath.h"

namespace Dump {

DumpLines::DumpLines(std::size_t pieceSize) : pieceSize_(pieceSize > 0 ? pieceSize : 1) {}

DumpLines::~DumpLines() = default;

void DumpLines::openSource(DumpSource& source) {
  source_ = &source;
  capacity_ = pieceSize_;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  cursor_ = end_ = buffer_.get();
}

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
  if (!fileOpen_ && source_ == nullptr) return false;
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
  const std::size_t got = readPiece(start + unread, capacity_ - unread);
  cursor_ = start;
  end_ = start + unread + got;
  bytesRead_ += got;
  if (progress_ != nullptr && got > 0) progress_->read(bytesRead_);
  return got > 0;
}

std::size_t DumpLines::readPiece(char* into, std::size_t wanted) {
  if (source_ != nullptr) {
    const std::size_t got = source_->read(into, wanted);
    if (got == 0) source_ = nullptr;
    return got;
  }
  try {
    const std::streamsize got = file_.sgetn(into, static_cast<std::streamsize>(wanted));
    if (got > 0) return static_cast<std::size_t>(got);
  } catch (const std::ios_base::failure&) {
    // The standard library reports a failed read (EIO) by throwing; the text read so
    // far stays, and the caller learns that it is not the whole dump.
    readFailed_ = true;
  }
  file_.close();
  fileOpen_ = false;
  return 0;
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
