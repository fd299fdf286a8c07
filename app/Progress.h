#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "dump/DumpSource.h"

namespace App {

// One line on a terminal that tells which stage a long conversion is in and how much of
// the dump has been read, rewritten in place a few times a second and wiped when the
// conversion prints a line of its own or ends. Without a terminal it shows nothing.
class Progress final : public Dump::ReadProgress {
 public:
  // `terminal` is the standard error of a terminal, or nothing; the line is rewritten at
  // most once per `interval`.
  explicit Progress(std::ostream* terminal,
                    std::chrono::milliseconds interval = std::chrono::milliseconds(200))
      : terminal_(terminal), interval_(interval) {}
  ~Progress() { clear(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // A new stage, shown at once.
  void stage(std::string_view name);
  // The bytes of the dump read so far.
  void read(std::uint64_t bytes) override;
  // Wipes the line.
  void clear();

 private:
  void show();

  std::ostream* terminal_;
  std::chrono::milliseconds interval_;
  std::string stage_;
  std::uint64_t bytes_ = 0;
  std::size_t shownLength_ = 0;
  std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace App
