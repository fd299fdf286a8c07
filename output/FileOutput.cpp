#include "output/FileOutput.h"

#include <system_error>

#include "common/FilePath.h"

namespace Output {

StreamedFile::StreamedFile(const std::string& path)
    : path_(path), target_(Common::filePath(path)), temporary_(target_) {
  temporary_ += ".skarvel-tmp";
  std::error_code error;
  // A folder where the file should go cannot be replaced by it.
  failed_ = std::filesystem::is_directory(target_, error);
  if (!failed_) {
    // The text is handed over in large pieces; the stream needs no buffer of its own.
    out_.rdbuf()->pubsetbuf(nullptr, 0);
    out_.open(temporary_, std::ios::binary | std::ios::trunc);
    failed_ = !out_;
  }
  buffer_.reserve(kSpillSize + kSpillSize / 4);
}

StreamedFile::~StreamedFile() {
  if (committed_) return;
  out_.close();
  std::error_code error;
  std::filesystem::remove(temporary_, error);
}

void StreamedFile::spill() {
  if (!failed_ && !buffer_.empty()) {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    failed_ = !out_;
  }
  buffer_.clear();
}

void StreamedFile::finishWriting() {
  if (!out_.is_open()) return;
  spill();
  out_.close();
  failed_ = failed_ || !out_;
}

bool StreamedFile::commit(std::ostream& console) {
  finishWriting();
  std::error_code error;
  if (!failed_) {
    std::filesystem::rename(temporary_, target_, error);
    committed_ = !error;
  }
  if (committed_) return true;
  out_.close();
  std::filesystem::remove(temporary_, error);
  console << "Can not create file: " << path_ << std::endl;
  return false;
}

bool writeWholeFile(const std::string& path, std::string_view text, std::ostream& console) {
  StreamedFile file(path);
  file.text() = text;
  return file.commit(console);
}

}  // namespace Output
