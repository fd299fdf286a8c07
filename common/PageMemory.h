#pragma once

#include <cstddef>
#include <memory>

namespace Common {

// Zero-filled memory taken straight from the system, for the arena blocks and the large
// tables of a conversion. Touching fresh memory costs a page fault per page, and on a
// virtual machine those faults took a third of a conversion; where the system can map
// memory in 2 MB pages, these blocks are asked for in such pages, which takes 512 times
// fewer faults.
class PageMemoryRelease {
 public:
  PageMemoryRelease() = default;
  explicit PageMemoryRelease(std::size_t size) : size_(size) {}
  void operator()(std::byte* memory) const;

 private:
  std::size_t size_ = 0;
};
using PageMemory = std::unique_ptr<std::byte[], PageMemoryRelease>;

// At least `size` bytes, zero-filled; throws std::bad_alloc when the system has none.
PageMemory allocatePageMemory(std::size_t size);

// The same in small pages, all mapped at once: for memory that is filled as soon as it is
// taken (a file read whole, the blocks of a large model), where one request costs less
// than a fault per page. 2 MB pages are not asked for here: on a virtual machine, right
// after another program had freed much memory (the compiler, objdump: the usual moment
// of a conversion), a 2 MB page took 16 times as long to get as its 512 small pages.
PageMemory allocateFilledMemory(std::size_t size);

}  // namespace Common
