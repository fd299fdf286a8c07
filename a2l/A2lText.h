#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/PageMemory.h"

// An A2L description as its files hold it, byte for byte: the files (the one named and
// those it includes), their tokens, and the blocks the tokens form. Tokens are kept where
// an update reads them; of blocks that hold only descriptions, interface data, functions,
// groups, A2ML, conversion tables or axes, which can be most of a file, only the /begin
// and /end are kept. It is read to be
// written back with a few values changed and everything else as it was, so nothing is
// decoded: bytes stay bytes, in whatever encoding and with whatever line ends the files
// have.
//
//   /begin MEASUREMENT speed "the speed"   <- a block: its keyword, then its tokens
//     UWORD NO_COMPU_METHOD 0 0 0 65535       up to the matching /end
//     ECU_ADDRESS 0x1234 /* a comment */   <- comments are no tokens, and stay
//   /end MEASUREMENT
namespace Output {
class TextSink;
}

namespace A2l {

struct SourceFile {
  std::string path;  // as given, or relative to the including file's folder
  // The whole file, kept in `memory` when read from disk, or in `text` when given as text.
  std::string_view bytes;
  Common::PageMemory memory;
  std::string text;
  // Where its lines start, found when a place in it is first named.
  mutable std::vector<std::uint32_t> lineStarts;
  // The line end it uses most, counted once when read: edits and inclusions ask for it
  // again and again.
  std::string_view lineEnd = "\n";
};

// A place in the files, for messages.
struct Place {
  const SourceFile* file = nullptr;
  std::uint32_t line = 0;  // from 1
};
std::string describePlace(const Place& place);

// 12 bytes: a large description has millions of tokens. Its line is found when needed.
struct Token {
  enum class Kind : std::uint8_t {
    Word,    // a keyword, identifier or number
    String,  // "…", quotes included
    Begin,   // /begin
    End,     // /end
  };
  std::uint32_t offset;  // of the first byte in its file
  std::uint32_t length;
  std::uint16_t file;  // index into the description's files
  Kind kind;
};

// A /begin … /end block: its keyword and the tokens inside, nested blocks included.
struct Block {
  std::string_view keyword;
  std::size_t begin = 0;  // index of the /begin token
  std::size_t end = 0;    // index of the /end token
  std::vector<Block> children;

  // The first token after the keyword, and one past the last inside.
  std::size_t firstInside() const { return begin + 2; }
  std::size_t lastInside() const { return end; }
};

// Where a file includes another: the /include keyword and its file name, which the
// output replaces with the included file's text.
struct Inclusion {
  std::uint32_t file;      // the including file
  std::size_t offset;      // of "/include"
  std::size_t length;      // up to the end of the file name
  std::uint32_t included;  // the file it names
};

// One change of the output: bytes of a file replaced (`length` 0: inserted).
struct Edit {
  std::uint32_t file;
  std::size_t offset;
  std::size_t length;
  std::string text;
};

class Description {
 public:
  // Reads the file and every file it includes. Nothing when a file cannot be read or is
  // no A2L text the updater can take apart; `error` then says why, with file and line.
  static std::unique_ptr<Description> read(const std::string& path, std::string& error);
  // The same from text, for tests; included files are looked for beside `path`.
  static std::unique_ptr<Description> fromText(std::string path, std::string text,
                                               std::string& error);

  const std::vector<std::unique_ptr<SourceFile>>& files() const { return files_; }
  std::span<const Token> tokens() const { return tokens_; }
  // The blocks at the outermost level, in order (PROJECT, or what a file holds).
  const std::vector<Block>& blocks() const { return blocks_; }
  const std::vector<Inclusion>& inclusions() const { return inclusions_; }
  Place placeOf(const Token& token) const;
  Place placeAt(std::uint16_t file, std::size_t offset) const;
  // The bytes of a token, quotes included for a string.
  std::string_view text(const Token& token) const {
    return std::string_view(files_[token.file]->bytes).substr(token.offset, token.length);
  }

  // The line end that a file uses most ("\r\n" or "\n"); "\n" for a file without one.
  std::string_view lineEndOf(std::uint32_t file) const;

  // The whole description as one text: every file with its edits applied, and each
  // inclusion replaced by the included file's text. The first file starts with
  // `header`, after a byte-order mark if it has one.
  void write(std::vector<Edit> edits, std::string_view header, Output::TextSink& sink) const;
  // The same as one string.
  std::string write(std::vector<Edit> edits, std::string_view header) const;

  // The longest description read, in bytes of all its files.
  static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;
  // The deepest nesting of inclusions.
  static constexpr unsigned kMaxIncludeDepth = 32;
  // The most files read for one description, counting a file each time it is included:
  // a few files that include each other many times would otherwise be read millions of
  // times within the bound on bytes.
  static constexpr std::size_t kMaxFiles = 10000;
  static_assert(kMaxBytes <= UINT32_MAX && kMaxFiles <= UINT16_MAX,
                "a token's offset and file index must fit its fields");

 private:
  static std::unique_ptr<Description> readWhole(std::string path, std::optional<std::string> text,
                                                std::string& error);
  bool readFile(std::string path, std::optional<std::string> text, const Place& from,
                unsigned depth, std::vector<std::string>& chain, std::string& error);
  bool tokenize(std::uint16_t file, unsigned depth, std::vector<std::string>& chain,
                std::string& error);
  bool keyword(Token token, std::string_view bytes, std::size_t& at, std::string& error);
  bool finishReading(std::string& error);
  bool buildBlocks(std::string& error);
  // The messages of blocks that do not balance.
  std::string withoutKeyword(const Token& begin) const;
  std::string notClosing(const Token& end, std::string_view keyword, std::string_view open,
                         const Token& openBegin) const;
  std::string notClosed(const Token& begin, std::string_view keyword) const;
  class Writer;

  std::vector<std::unique_ptr<SourceFile>> files_;
  std::vector<Token> tokens_;
  std::vector<Block> blocks_;
  std::vector<Inclusion> inclusions_;
  std::size_t totalBytes_ = 0;
  // While reading: the blocks open inside a block that is passed over, innermost last.
  struct PassedOver {
    std::string_view keyword;
    Token begin;
  };
  std::vector<PassedOver> passedOver_;
};

}  // namespace A2l
