#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "common/PageMemory.h"

namespace Common {

namespace {
constexpr std::size_t kLargePage = std::size_t{2} << 20;
}

PageMemory allocatePageMemory(std::size_t size) {
  // A block of a large page or more is placed on a large page boundary, so that all of
  // it can be mapped in large pages: the mapping is taken a page larger, and the parts
  // before the boundary and after the block are given back.
  const bool large = size >= kLargePage;
  const std::size_t length = large ? (size + kLargePage - 1) / kLargePage * kLargePage : size;
  const std::size_t mapped = large ? length + kLargePage : length;
  void* memory =
      ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  auto* start = static_cast<std::byte*>(memory);
  if (large) {
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::size_t head = (kLargePage - address % kLargePage) % kLargePage;
    if (head > 0) ::munmap(start, head);
    start += head;
    const std::size_t tail = mapped - head - length;
    if (tail > 0) ::munmap(start + length, tail);
#ifdef MADV_HUGEPAGE
    ::madvise(start, length, MADV_HUGEPAGE);
#endif
  }
  return PageMemory(start, PageMemoryRelease(length));
}

PageMemory allocateFilledMemory(std::size_t size) {
  void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  return PageMemory(static_cast<std::byte*>(memory), PageMemoryRelease(size));
}

void PageMemoryRelease::operator()(std::byte* memory) const {
  if (memory != nullptr) ::munmap(memory, size_);
}

}  // namespace Common
