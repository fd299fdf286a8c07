#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tests/support/TempDir.h"

namespace TestSupport {

// Puts a shell script of the given name in front of the command search path for as
// long as the object lives.
class FakeTool {
 public:
  FakeTool(std::string_view name, std::string_view script, bool executable = true)
      : oldPath_(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "") {
    writeFile(dir_ / name, "#!/bin/sh\n" + std::string(script) + "\n");
    if (executable) {
      std::filesystem::permissions(dir_ / name, std::filesystem::perms::owner_all);
    }
    setenv("PATH", (dir_.path().string() + ":" + oldPath_).c_str(), 1);
  }
  ~FakeTool() { setenv("PATH", oldPath_.c_str(), 1); }
  FakeTool(const FakeTool&) = delete;
  FakeTool& operator=(const FakeTool&) = delete;

 private:
  TempDir dir_;
  std::string oldPath_;
};

// A stand-in objdump that writes each argument on a line of its own.
inline constexpr std::string_view kEchoArguments = R"(for a in "$@"; do printf '%s\n' "$a"; done)";

}  // namespace TestSupport
