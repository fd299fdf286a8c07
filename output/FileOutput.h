#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>

namespace Output {

// Where an output text goes while it is built: text is appended to `text()`, and
// `spillIfFull()` is called now and then, between lines.
class TextSink {
 public:
  virtual std::string& text() = 0;
  virtual void spillIfFull() = 0;

 protected:
  ~TextSink() = default;
};

// A text kept whole in memory.
class TextBuffer final : public TextSink {
 public:
  std::string& text() override { return text_; }
  void spillIfFull() override {}

 private:
  std::string text_;
};

// A file written while its text is produced. The text goes to a temporary file in the
// target's folder whenever a good amount has gathered, so memory stays the same however
// long the file gets. Only `commit()` puts the file in place, by replacing the target
// with the temporary file: a failed or interrupted write never leaves half a file where
// a good one was. A file that is not committed leaves nothing behind.
class StreamedFile final : public TextSink {
 public:
  static constexpr std::size_t kSpillSize = std::size_t{1} << 20;

  explicit StreamedFile(const std::string& path);
  ~StreamedFile();
  StreamedFile(const StreamedFile&) = delete;
  StreamedFile& operator=(const StreamedFile&) = delete;

  std::string& text() override { return buffer_; }
  void spillIfFull() override {
    if (buffer_.size() >= kSpillSize) spill();
  }
  // Writes out the rest and closes the temporary file; nothing more can be added.
  void finishWriting();
  // Finishes writing and replaces the target. On failure "Can not create file: " and
  // the path go to `console` and the temporary file is removed. Returns whether the
  // file was written.
  bool commit(std::ostream& console);

 private:
  void spill();

  std::string path_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream out_;
  std::string buffer_;
  bool failed_ = false;
  bool committed_ = false;
};

// Writes `text` as the whole new content of the file at `path`, byte for byte, the way a
// StreamedFile does. Returns whether the file was written.
bool writeWholeFile(const std::string& path, std::string_view text, std::ostream& console);

}  // namespace Output
