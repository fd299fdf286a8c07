#include <windows.h>

#include <new>

#include "common/PageMemory.h"

namespace Common {

// Large pages need a privilege that users rarely have; committed memory is zero-filled
// and taken in one piece, which already spares the heap's bookkeeping.
PageMemory allocatePageMemory(std::size_t size) {
  void* memory = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) throw std::bad_alloc();
  return PageMemory(static_cast<std::byte*>(memory), PageMemoryRelease(size));
}

PageMemory allocateFilledMemory(std::size_t size) {
  return allocatePageMemory(size);
}

void PageMemoryRelease::operator()(std::byte* memory) const {
  if (memory != nullptr) ::VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace Common
