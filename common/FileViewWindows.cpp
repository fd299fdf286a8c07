#include <fstream>

#include "common/FilePath.h"
#include "common/FileView.h"

namespace Common {

// The file is read whole: its parts are small beside the model built from them.
std::unique_ptr<FileView> FileView::open(const std::string& path) {
  std::ifstream in(filePath(path), std::ios::binary | std::ios::ate);
  if (!in) return nullptr;
  const std::streamoff size = in.tellg();
  if (size < 0) return nullptr;
  auto view = std::make_unique<FileView>();
  view->size_ = static_cast<std::size_t>(size);
  if (view->size_ > 0) {
    view->memory_ = allocateFilledMemory(view->size_);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(view->memory_.get()), size);
    if (in.gcount() != size) return nullptr;
    view->data_ = reinterpret_cast<const char*>(view->memory_.get());
  }
  return view;
}

FileView::~FileView() = default;

void FileView::release(std::string_view) const {}

}  // namespace Common
