#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Dump {

// The lines of one dump text, held as views into one buffer: no allocation per line.
// A line ends at LF; a CR directly before the LF belongs to the line break, so CR LF and
// LF dumps give the same lines. A last line without LF counts, the empty text after a
// final LF does not.
class DumpLines {
 public:
  // Reads the whole file. False, with no lines, when it cannot be opened or is not a file
  // (a directory, for instance). A read error part way ends the text where it occurred.
  bool readFile(const std::string& path);

  // Splits a text that the caller keeps alive for as long as the lines are used.
  void splitText(std::string_view text);

  std::span<const std::string_view> lines() const { return lines_; }
  std::size_t capacity() const { return lines_.capacity(); }

  // Forgets the lines and releases the text; the room for lines stays for a later load.
  void clear();

 private:
  void split(std::string_view text);

  std::unique_ptr<char[]> text_;
  std::vector<std::string_view> lines_;
};

// The process-wide line list that every load fills and empties again.
DumpLines& processDumpLines();

}  // namespace Dump
