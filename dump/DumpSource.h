#pragma once

#include <cstddef>
#include <cstdint>

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

// Told how far reading a dump has come, after every piece.
class ReadProgress {
 public:
  virtual void read(std::uint64_t bytes) = 0;

 protected:
  ~ReadProgress() = default;
};

}  // namespace Dump
