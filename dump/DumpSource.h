#pragma once

#include <cstddef>

namespace Dump {

// Where the bytes of a dump come from when they are not a file that is read on its own:
// objdump's output, read while objdump writes it.
class DumpSource {
 public:
  // Up to `size` bytes into `into`, as many as are there; 0 at the end.
  virtual std::size_t read(char* into, std::size_t size) = 0;

 protected:
  ~DumpSource() = default;
};

}  // namespace Dump
