#include <sys/mman.h>

#include <new>

#include "common/PageMemory.h"

namespace Common {

PageMemory allocatePageMemory(std::size_t size) {
  void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  return PageMemory(static_cast<std::byte*>(memory), PageMemoryRelease(size));
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
