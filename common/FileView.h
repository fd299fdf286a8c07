#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "common/PageMemory.h"

namespace Common {

// The bytes of a whole file, for reading. Where the system maps files, they are mapped
// read-only and come into memory only as they are read; release() then gives back the
// pages of a part that was read and is not needed again, so that reading a large file
// from start to end holds little of it at any time. Elsewhere the file is read whole.
class FileView {
 public:
  // Null when the file cannot be opened or read.
  static std::unique_ptr<FileView> open(const std::string& path);
  // The view of no bytes; open() gives one of a file.
  FileView() = default;
  ~FileView();
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  std::string_view bytes() const { return {data_, size_}; }
  // Gives back the whole pages of `range`, a part of bytes(); its bytes stay readable,
  // read from the file again when they are.
  void release(std::string_view range) const;

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  PageMemory memory_;  // the bytes, where the file was read rather than mapped
};

}  // namespace Common
