// What a C++ program needs from the runtime when it is linked without one.
#include <cstddef>

void operator delete(void*, std::size_t) noexcept {}
void operator delete(void*) noexcept {}
extern "C" {
void* __dso_handle = nullptr;
int __aeabi_atexit(void*, void (*)(void*), void*) {
  return 0;
}
}
