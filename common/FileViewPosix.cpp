#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "common/FileView.h"

namespace Common {

std::unique_ptr<FileView> FileView::open(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return nullptr;
  struct stat status {};
  auto view = std::make_unique<FileView>();
  if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(file);
    return nullptr;
  }
  view->size_ = static_cast<std::size_t>(status.st_size);
  if (view->size_ > 0) {
    void* memory = ::mmap(nullptr, view->size_, PROT_READ, MAP_PRIVATE, file, 0);
    if (memory == MAP_FAILED) {
      ::close(file);
      return nullptr;
    }
    view->data_ = static_cast<const char*>(memory);
    view->mapped_ = true;
  }
  ::close(file);
  return view;
}

FileView::~FileView() {
  if (mapped_) ::munmap(const_cast<char*>(data_), size_);
}

void FileView::release(std::string_view range) const {
  if (!mapped_ || range.empty()) return;
  const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(range.data());
  const std::uintptr_t end = begin + range.size();
  const auto mapStart = reinterpret_cast<std::uintptr_t>(data_);
  if (begin < mapStart || end > mapStart + size_) return;  // not a part of this file
  const std::uintptr_t first = (begin + pageSize - 1) / pageSize * pageSize;
  const std::uintptr_t last = end / pageSize * pageSize;
  // The pages of a private read-only mapping of a file are read from it again when next
  // touched.
  if (first < last) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

}  // namespace Common
