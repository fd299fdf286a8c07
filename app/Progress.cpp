#include "app/Progress.h"

#include <cstdio>

namespace App {

void Progress::stage(std::string_view name) {
  if (terminal_ == nullptr) return;
  stage_ = name;
  bytes_ = 0;
  show();
}

void Progress::read(std::uint64_t bytes) {
  if (terminal_ == nullptr) return;
  bytes_ = bytes;
  // Called for every piece read; the terminal sees a few lines a second.
  if (std::chrono::steady_clock::now() - lastShown_ >= interval_) show();
}

void Progress::show() {
  std::string line = stage_;
  if (bytes_ > 0) {
    char amount[48];
    std::snprintf(amount, sizeof amount, ": %.1f MB read", static_cast<double>(bytes_) / 1e6);
    line += amount;
  }
  // Blanks over the rest of a longer line shown before; no terminal control codes, so
  // that every console shows it alike.
  const std::size_t length = line.size();
  if (length < shownLength_) line.append(shownLength_ - length, ' ');
  *terminal_ << '\r' << line << std::flush;
  shownLength_ = length;
  lastShown_ = std::chrono::steady_clock::now();
}

void Progress::clear() {
  if (terminal_ == nullptr || shownLength_ == 0) return;
  *terminal_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
  shownLength_ = 0;
}

}  // namespace App
