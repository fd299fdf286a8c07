#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "dump/DumpSource.h"

namespace Dump {

// The lines of one dump text, from first to last. A file is read in pieces into one
// buffer that is used over and over, so a dump of several GB needs no more memory than
// a small one and no allocation per line. A line ends at LF; a CR directly before the
// LF belongs to the line break, so CR LF and LF dumps give the same lines. A last line
// without LF counts, the empty text after a final LF does not.
class DumpLines {
 public:
  static constexpr std::size_t kPieceSize = 1 << 22;

  explicit DumpLines(std::size_t pieceSize = kPieceSize);
  ~DumpLines();
  DumpLines(const DumpLines&) = delete;
  DumpLines& operator=(const DumpLines&) = delete;

  // False, with no lines, when the file cannot be opened or is not a file (a folder).
  bool openFile(const std::string& path);
  // The lines of a text that the caller keeps alive while they are read.
  void openText(std::string_view text);
  // The lines of the bytes a source gives, read as they come.
  void openSource(DumpSource& source);
  // Told the bytes read after every piece of a file or source.
  void reportTo(ReadProgress* progress) { progress_ = progress; }

  // The next line, as a view that stays valid until the next call; false after the last
  // line. A read error part way ends the text where it occurred.
  bool next(std::string_view& line);
  // Whether the text ended at a read error rather than at the end of the file.
  bool readFailed() const { return readFailed_; }

 private:
  // Moves the unread rest of the buffer to its front and reads more after it; false when
  // the file has nothing more.
  bool readMore();
  // Reads the next piece of the file or source into `into`; 0 at its end.
  std::size_t readPiece(char* into, std::size_t wanted);

  std::filebuf file_;
  bool fileOpen_ = false;
  DumpSource* source_ = nullptr;
  ReadProgress* progress_ = nullptr;
  std::uint64_t bytesRead_ = 0;
  bool readFailed_ = false;
  std::size_t pieceSize_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  const char* cursor_ = nullptr;  // the unread text
  const char* end_ = nullptr;
};

}  // namespace Dump
