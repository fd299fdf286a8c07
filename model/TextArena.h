#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace Model {

// Owns copies of the texts that the model keeps from the dump, in large blocks, so that
// a name costs no allocation of its own and stays valid after the dump text is released.
class TextArena {
 public:
  std::string_view copy(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > left_) {
      const std::size_t size = text.size() > kBlockSize / 4 ? text.size() : kBlockSize;
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      if (size != kBlockSize) {
        // A long text gets a block of its own; the current block stays in use.
        std::memcpy(blocks_.back().get(), text.data(), text.size());
        return {blocks_.back().get(), text.size()};
      }
      next_ = blocks_.back().get();
      left_ = size;
    }
    std::memcpy(next_, text.data(), text.size());
    const std::string_view copied(next_, text.size());
    next_ += text.size();
    left_ -= text.size();
    return copied;
  }

 private:
  static constexpr std::size_t kBlockSize = 1 << 16;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  std::size_t left_ = 0;
};

}  // namespace Model
