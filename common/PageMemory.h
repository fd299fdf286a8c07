#pragma once

#include <cstddef>
#include <memory>

namespace Common {

// Zero-filled memory taken straight from the system, for the arena blocks and the large
// tables of a conversion. It comes in small pages: 2 MB pages were tried, and on a
// virtual machine a 2 MB page took, right after another program had freed much memory
// (the compiler, objdump: the usual moment of a conversion), 16 times as long to get as
// its 512 small pages, and varied tenfold from run to run.
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

// The same, all mapped at once: for memory that is filled as soon as it is taken (a file
// read whole, a block of the object arena), where one request costs less than a fault per
// page.
PageMemory allocateFilledMemory(std::size_t size);

}  // namespace Common
