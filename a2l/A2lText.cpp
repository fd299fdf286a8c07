#include "a2l/A2lText.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/FilePath.h"
#include "output/FileOutput.h"

namespace A2l {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// What a byte means to the tokenizer, in one look-up: most bytes of A2L text are letters,
// digits and spaces. Plain and Blank come first, so that `<= Blank` is "nothing special".
enum class ByteClass : std::uint8_t { Plain, Blank, Newline, Quote, Slash, Backslash };

constexpr std::array<ByteClass, 256> kByteClasses = [] {
  std::array<ByteClass, 256> classes{};
  for (std::size_t b = 0; b <= ' '; ++b)
    classes[b] = ByteClass::Blank;
  classes['\n'] = ByteClass::Newline;
  classes['"'] = ByteClass::Quote;
  classes['/'] = ByteClass::Slash;
  classes['\\'] = ByteClass::Backslash;
  return classes;
}();

ByteClass classOf(char c) {
  return kByteClasses[static_cast<unsigned char>(c)];
}

// Blocks whose contents no update reads, and which make up most of many files:
// descriptions, interface data of measurement hardware, functions and groups, A2ML,
// conversion tables, axes. Of these only the /begin and /end are kept as tokens.
// IF_DATA CANAPE_EXT, which holds a LINK_MAP address, is read like any other block.
constexpr std::string_view kPassedOver[] = {
    "ANNOTATION", "IF_DATA",          "A2ML",       "FUNCTION",     "GROUP", "COMPU_TAB",
    "COMPU_VTAB", "COMPU_VTAB_RANGE", "AXIS_DESCR", "FUNCTION_LIST"};

bool isPassedOver(std::string_view keyword) {
  return std::find(std::begin(kPassedOver), std::end(kPassedOver), keyword) !=
         std::end(kPassedOver);
}

// The line feeds in a text, counted in runs short enough for a byte-wide count, which the
// compiler turns into vector instructions.
std::size_t countLineFeeds(std::string_view bytes) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < bytes.size(); at += 255) {
    const std::size_t stop = std::min(bytes.size(), at + 255);
    unsigned char run = 0;
    for (std::size_t k = at; k < stop; ++k)
      run = static_cast<unsigned char>(run + (bytes[k] == '\n'));
    count += run;
  }
  return count;
}

// The line end used most: CRLF when more lines end in it than in LF alone.
std::string_view mostUsedLineEnd(std::string_view bytes) {
  const std::size_t lines = countLineFeeds(bytes);
  // A file without carriage returns, the usual case, is passed over quickly.
  std::size_t crlf = 0;
  for (std::size_t at = bytes.find('\r'); at != std::string_view::npos;
       at = bytes.find('\r', at + 1)) {
    crlf += at + 1 < bytes.size() && bytes[at + 1] == '\n';
  }
  return crlf > lines - crlf ? "\r\n" : "\n";
}

// What the scanner found at a place: a token, the end of the bytes, or an error.
enum class Scanned : std::uint8_t { Token, End, StringNotClosed, CommentNotClosed };

// The next token at or after `at`, past blanks and comments: its start and length, and
// whether it is a string. `at` ends after it, or where the error lies.
Scanned scanToken(std::string_view bytes, std::size_t& at, std::size_t& start, std::size_t& length,
                  bool& string) {
  const std::size_t size = bytes.size();
  while (at < size) {
    const ByteClass first = classOf(bytes[at]);
    if (first == ByteClass::Blank || first == ByteClass::Newline) {
      ++at;
      continue;
    }
    if (first == ByteClass::Slash && at + 1 < size && bytes[at + 1] == '*') {
      const std::size_t close = bytes.find("*/", at + 2);
      if (close == std::string_view::npos) return Scanned::CommentNotClosed;
      at = close + 2;
      continue;
    }
    if (first == ByteClass::Slash && at + 1 < size && bytes[at + 1] == '/') {
      const std::size_t close = bytes.find('\n', at);
      at = close == std::string_view::npos ? size : close;
      continue;
    }
    start = at;
    string = first == ByteClass::Quote;
    if (string) {
      // A quote is escaped with a backslash or doubled. The text between is taken a span
      // at a time: up to the next quote, or a backslash before it.
      std::size_t end = at + 1;
      for (;;) {
        const std::size_t quote = bytes.find('"', end);
        if (quote == std::string_view::npos) return Scanned::StringNotClosed;
        const std::size_t backslash = bytes.substr(end, quote - end).find('\\');
        if (backslash != std::string_view::npos) {
          end += backslash + 2;  // past the escaped byte, whatever it is
          continue;
        }
        if (quote + 1 < size && bytes[quote + 1] == '"' && quote > at + 1) {
          end = quote + 2;
          continue;
        }
        end = quote + 1;
        break;
      }
      length = end - at;
    } else {
      // Up to a space, a quote, or a comment (which cannot start a word: it was taken
      // above).
      std::size_t end = at + 1;
      for (; end < size; ++end) {
        const ByteClass next = classOf(bytes[end]);
        if (next == ByteClass::Plain || next == ByteClass::Backslash) continue;
        if (next != ByteClass::Slash) break;
        if (end + 1 < size && (bytes[end + 1] == '*' || bytes[end + 1] == '/')) break;
      }
      length = end - at;
    }
    at = start + length;
    return Scanned::Token;
  }
  return Scanned::End;
}

}  // namespace

std::string describePlace(const Place& place) {
  return (place.file != nullptr ? place.file->path : std::string("?")) + ":" +
         std::to_string(place.line);
}

std::unique_ptr<Description> Description::read(const std::string& path, std::string& error) {
  return readWhole(path, std::nullopt, error);
}

std::unique_ptr<Description> Description::fromText(std::string path, std::string text,
                                                   std::string& error) {
  return readWhole(std::move(path), std::move(text), error);
}

std::unique_ptr<Description> Description::readWhole(std::string path,
                                                    std::optional<std::string> text,
                                                    std::string& error) {
  auto description = std::unique_ptr<Description>(new Description());
  std::vector<std::string> chain;
  if (!description->readFile(std::move(path), std::move(text), {}, 0, chain, error) ||
      !description->finishReading(error) || !description->buildBlocks(error)) {
    return nullptr;
  }
  return description;
}

bool Description::readFile(std::string path, std::optional<std::string> text, const Place& from,
                           unsigned depth, std::vector<std::string>& chain, std::string& error) {
  const auto where = [&] { return from.file != nullptr ? describePlace(from) + ": " : ""; };
  if (depth > kMaxIncludeDepth) {
    error = where() + "inclusions nested deeper than " + std::to_string(kMaxIncludeDepth);
    return false;
  }
  if (files_.size() >= kMaxFiles) {
    error = where() + "more than " + std::to_string(kMaxFiles) + " files included";
    return false;
  }
  std::error_code code;
  const std::filesystem::path filePath = Common::filePath(path);
  const std::string identity =
      text ? path : std::filesystem::weakly_canonical(filePath, code).string();
  if (std::find(chain.begin(), chain.end(), identity) != chain.end()) {
    error = where() + "the file " + path + " includes itself";
    return false;
  }
  auto file = std::make_unique<SourceFile>();
  file->path = path;
  if (text) {
    file->text = std::move(*text);
    file->bytes = file->text;
  } else {
    std::ifstream in(filePath, std::ios::binary);
    if (!in || std::filesystem::is_directory(filePath, code)) {
      error = where() + "Can not read file: " + path;
      return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(filePath, code);
    if (code || totalBytes_ + size > kMaxBytes) {
      error = where() + "the A2L description grows past " + std::to_string(kMaxBytes) +
              " bytes with " + path;
      return false;
    }
    // Memory taken whole from the system: a large file would otherwise cost a page fault
    // for every few kilobytes as it is read in.
    file->memory = Common::allocateFilledMemory(std::max<std::size_t>(1, size));
    char* const into = reinterpret_cast<char*>(file->memory.get());
    in.read(into, static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) {
      error = where() + "Can not read file: " + path;
      return false;
    }
    file->bytes = std::string_view(into, static_cast<std::size_t>(size));
  }
  totalBytes_ += file->bytes.size();
  file->lineEnd = mostUsedLineEnd(file->bytes);
  if (totalBytes_ > kMaxBytes) {
    error = where() + "the A2L description grows past " + std::to_string(kMaxBytes) + " bytes";
    return false;
  }
  files_.push_back(std::move(file));
  chain.push_back(identity);
  const bool read = tokenize(static_cast<std::uint16_t>(files_.size() - 1), depth, chain, error);
  chain.pop_back();
  return read;
}

bool Description::tokenize(std::uint16_t index, unsigned depth, std::vector<std::string>& chain,
                           std::string& error) {
  // The file's bytes stay where they are: its object is never moved once made.
  const SourceFile& file = *files_[index];
  const std::string_view bytes = file.bytes;
  const std::size_t size = bytes.size();
  // Room for the file's tokens at the rate of verbose A2L text (one in about twelve
  // bytes), growing geometrically over many included files.
  const std::size_t expected = tokens_.size() + size / 12;
  if (tokens_.capacity() < expected) tokens_.reserve(std::max(expected, 2 * tokens_.capacity()));
  // Starts past a byte-order mark.
  std::size_t at = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  const auto fail = [&](std::size_t where, const std::string& what) {
    error = describePlace(placeAt(index, where)) + ": " + what;
    return false;
  };
  // A string fails where it starts, a comment where the scanner stopped: at its start.
  const auto failScan = [&](Scanned scanned, std::size_t stringStart) {
    return scanned == Scanned::StringNotClosed ? fail(stringStart, "a string is not closed")
                                               : fail(at, "a comment is not closed");
  };
  const auto tokenAt = [&](std::size_t start, std::size_t length, Token::Kind kind) {
    return Token{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length), index,
                 kind};
  };
  // In a passed-over block only a word that starts with a slash matters, and only where
  // a token starts: at the start of the text, or after a byte that cannot go on a word.
  const std::size_t contentStart = at;
  const auto startsToken = [&](std::size_t where) {
    if (where == contentStart) return true;
    const ByteClass before = classOf(bytes[where - 1]);
    return before != ByteClass::Plain && before != ByteClass::Backslash;
  };
  // There, the next quote and the next slash, each found a span at a time.
  std::size_t nextQuote = 0;
  std::size_t nextSlash = 0;
  while (at < size) {
    std::size_t start = 0;
    std::size_t length = 0;
    bool string = false;
    if (!passedOver_.empty()) {
      if (nextQuote < at) nextQuote = std::min(size, bytes.find('"', at));
      if (nextSlash < at) nextSlash = std::min(size, bytes.find('/', at));
      const std::size_t next = std::min(nextQuote, nextSlash);
      if (next == size) break;
      at = next;
      // A comment is passed by the scanner below; a slash inside a word is nothing.
      const bool comment = next + 1 < size && (bytes[next + 1] == '*' || bytes[next + 1] == '/');
      if (next == nextSlash && !comment && !startsToken(next)) {
        ++at;
        continue;
      }
    }
    const Scanned scanned = scanToken(bytes, at, start, length, string);
    if (scanned == Scanned::End) break;
    if (scanned != Scanned::Token) return failScan(scanned, start);
    const std::string_view text = bytes.substr(start, length);
    const Token token = tokenAt(start, length, string ? Token::Kind::String : Token::Kind::Word);
    if (string || text.front() != '/') {
      if (passedOver_.empty()) tokens_.push_back(token);
      continue;
    }
    if (equalsIgnoringCase(text, "/include")) {
      // The file name, quoted or not, relative to the including file's folder.
      std::size_t nameStart = 0;
      std::size_t nameLength = 0;
      bool quoted = false;
      const Scanned scanned = scanToken(bytes, at, nameStart, nameLength, quoted);
      if (scanned == Scanned::End) return fail(start, "/include names no file");
      if (scanned != Scanned::Token) return failScan(scanned, nameStart);
      std::string name(bytes.substr(nameStart, nameLength));
      if (quoted) name = name.substr(1, name.size() - 2);
      const std::filesystem::path folder = Common::filePath(file.path).parent_path();
      const std::filesystem::path named = Common::filePath(name);
      const std::filesystem::path target = named.is_absolute() ? named : folder / named;
      const auto target8 = target.u8string();
      const std::string targetPath(target8.begin(), target8.end());
      const Place from = placeAt(index, start);
      const auto included = static_cast<std::uint32_t>(files_.size());
      if (!readFile(targetPath, std::nullopt, from, depth + 1, chain, error)) return false;
      inclusions_.push_back({index, start, at - start, included});
      continue;
    }
    if (equalsIgnoringCase(text, "/begin") || equalsIgnoringCase(text, "/end")) {
      if (!keyword(token, bytes, at, error)) return false;
      continue;
    }
    if (passedOver_.empty()) tokens_.push_back(token);
  }
  return true;
}

// A /begin or /end and the keyword after it. A block whose contents no update reads is
// passed over: only its own /begin and /end are kept, and the blocks inside it are
// checked to be balanced.
bool Description::keyword(Token token, std::string_view bytes, std::size_t& at,
                          std::string& error) {
  const bool begins = equalsIgnoringCase(text(token), "/begin");
  token.kind = begins ? Token::Kind::Begin : Token::Kind::End;
  // The keyword, when a word follows.
  std::size_t probe = at;
  std::size_t start = 0;
  std::size_t length = 0;
  bool string = false;
  const Scanned scanned = scanToken(bytes, probe, start, length, string);
  const bool named = scanned == Scanned::Token && !string;
  const std::string_view keyword = named ? bytes.substr(start, length) : std::string_view();
  const Token keywordToken{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(length),
                           token.file, Token::Kind::Word};
  if (passedOver_.empty()) {
    tokens_.push_back(token);
    if (!named) return true;  // the blocks are checked once all is read
    tokens_.push_back(keywordToken);
    at = probe;
    if (begins && isPassedOver(keyword)) {
      // Interface data for CANAPE_EXT holds an address and is read.
      std::size_t next = probe;
      std::size_t kindStart = 0;
      std::size_t kindLength = 0;
      bool kindString = false;
      const bool canape =
          keyword == "IF_DATA" &&
          scanToken(bytes, next, kindStart, kindLength, kindString) == Scanned::Token &&
          bytes.substr(kindStart, kindLength) == "CANAPE_EXT";
      if (!canape) passedOver_.push_back({keyword, token});
    }
    return true;
  }
  // Inside a passed-over block.
  if (begins) {
    if (!named) {
      error = withoutKeyword(token);
      return false;
    }
    passedOver_.push_back({keyword, token});
    at = probe;
    return true;
  }
  const PassedOver& open = passedOver_.back();
  if (open.keyword != keyword) {
    error = notClosing(token, keyword, open.keyword, open.begin);
    return false;
  }
  at = probe;
  passedOver_.pop_back();
  if (passedOver_.empty()) {
    // The end of the block passed over, kept like its beginning.
    tokens_.push_back(token);
    tokens_.push_back(keywordToken);
  }
  return true;
}

bool Description::finishReading(std::string& error) {
  if (passedOver_.empty()) return true;
  const PassedOver& open = passedOver_.back();
  error = notClosed(open.begin, open.keyword);
  return false;
}

bool Description::buildBlocks(std::string& error) {
  std::vector<Block> open;
  const auto keywordAfter = [&](std::size_t at) -> std::string_view {
    if (at + 1 >= tokens_.size() || tokens_[at + 1].kind != Token::Kind::Word) return {};
    return text(tokens_[at + 1]);
  };
  for (std::size_t at = 0; at < tokens_.size(); ++at) {
    const Token& token = tokens_[at];
    if (token.kind == Token::Kind::Begin) {
      const std::string_view keyword = keywordAfter(at);
      if (keyword.empty()) {
        error = withoutKeyword(token);
        return false;
      }
      open.push_back(Block{keyword, at, 0, {}});
      ++at;
    } else if (token.kind == Token::Kind::End) {
      const std::string_view keyword = keywordAfter(at);
      if (open.empty()) {
        error =
            describePlace(placeOf(token)) + ": /end " + std::string(keyword) + " closes no block";
        return false;
      }
      if (open.back().keyword != keyword) {
        error = notClosing(token, keyword, open.back().keyword, tokens_[open.back().begin]);
        return false;
      }
      Block block = std::move(open.back());
      open.pop_back();
      block.end = at;
      (open.empty() ? blocks_ : open.back().children).push_back(std::move(block));
      ++at;
    }
  }
  if (!open.empty()) {
    error = notClosed(tokens_[open.back().begin], open.back().keyword);
    return false;
  }
  return true;
}

Place Description::placeOf(const Token& token) const {
  return placeAt(token.file, token.offset);
}

Place Description::placeAt(std::uint16_t index, std::size_t offset) const {
  const SourceFile& file = *files_[index];
  // The starts of the file's lines, found once when a place is first asked for.
  if (file.lineStarts.empty()) {
    file.lineStarts.push_back(0);
    for (std::size_t at = file.bytes.find('\n'); at != std::string_view::npos;
         at = file.bytes.find('\n', at + 1)) {
      file.lineStarts.push_back(static_cast<std::uint32_t>(at + 1));
    }
  }
  const auto after = std::upper_bound(file.lineStarts.begin(), file.lineStarts.end(), offset);
  return {&file, static_cast<std::uint32_t>(after - file.lineStarts.begin())};
}

std::string Description::withoutKeyword(const Token& begin) const {
  return describePlace(placeOf(begin)) + ": /begin without a keyword";
}

std::string Description::notClosing(const Token& end, std::string_view keyword,
                                    std::string_view open, const Token& openBegin) const {
  return describePlace(placeOf(end)) + ": /end " + std::string(keyword) +
         " does not close /begin " + std::string(open) + " of " + describePlace(placeOf(openBegin));
}

std::string Description::notClosed(const Token& begin, std::string_view keyword) const {
  return describePlace(placeOf(begin)) + ": /begin " + std::string(keyword) + " is not closed";
}

std::string_view Description::lineEndOf(std::uint32_t file) const {
  return files_[file]->lineEnd;
}

// Appends the output to a sink in pieces, so that a large description is written out as
// it goes instead of gathering in one more copy of itself.
class Description::Writer {
 public:
  Writer(const Description& description, std::vector<Edit> edits, Output::TextSink& sink)
      : d_(description), edits_(std::move(edits)), sink_(sink) {
    editsByFile_.resize(d_.files_.size());
    for (const Edit& edit : edits_)
      editsByFile_[edit.file].push_back(&edit);
    for (auto& list : editsByFile_) {
      std::stable_sort(list.begin(), list.end(),
                       [](const Edit* a, const Edit* b) { return a->offset < b->offset; });
    }
    includesByFile_.resize(d_.files_.size());
    for (const Inclusion& inclusion : d_.inclusions_)
      includesByFile_[inclusion.file].push_back(&inclusion);
  }

  void append(std::string_view bytes) {
    while (!bytes.empty()) {
      const std::string_view piece = bytes.substr(0, Output::StreamedFile::kSpillSize);
      sink_.text() += piece;
      sink_.spillIfFull();
      bytes.remove_prefix(piece.size());
      last_ = piece.back();
    }
  }

  void writeFile(std::uint32_t file) {
    const std::string_view bytes = d_.files_[file]->bytes;
    // The first file's mark stands before the header; an included file's would stand in
    // the middle of the text.
    std::size_t at = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    // The edits and inclusions of this file, in the order of their places.
    const std::vector<const Edit*>& edits = editsByFile_[file];
    const std::vector<const Inclusion*>& includes = includesByFile_[file];
    std::size_t nextEdit = 0;
    std::size_t nextInclude = 0;
    for (;;) {
      const std::size_t editAt =
          nextEdit < edits.size() ? edits[nextEdit]->offset : std::string::npos;
      const std::size_t includeAt =
          nextInclude < includes.size() ? includes[nextInclude]->offset : std::string::npos;
      const std::size_t stop = std::min({editAt, includeAt, bytes.size()});
      if (stop > at) append(bytes.substr(at, stop - at));
      at = std::max(at, stop);
      if (stop == bytes.size() && editAt == std::string::npos && includeAt == std::string::npos)
        break;
      if (editAt <= includeAt && editAt != std::string::npos) {
        const Edit& edit = *edits[nextEdit++];
        append(edit.text);
        at = std::max(at, edit.offset + edit.length);
        continue;
      }
      if (includeAt != std::string::npos) {
        const Inclusion& inclusion = *includes[nextInclude++];
        last_ = '\n';
        writeFile(inclusion.included);
        // An included file that does not end its last line gets the including file's end.
        if (last_ != '\n') append(d_.lineEndOf(file));
        at = inclusion.offset + inclusion.length;
        continue;
      }
      break;
    }
  }

 private:
  const Description& d_;
  std::vector<Edit> edits_;
  Output::TextSink& sink_;
  std::vector<std::vector<const Edit*>> editsByFile_;
  std::vector<std::vector<const Inclusion*>> includesByFile_;
  char last_ = '\n';  // the last byte written
};

void Description::write(std::vector<Edit> edits, std::string_view header,
                        Output::TextSink& sink) const {
  Writer writer(*this, std::move(edits), sink);
  if (std::string_view(files_.front()->bytes).starts_with(kByteOrderMark)) {
    writer.append(kByteOrderMark);
  }
  writer.append(header);
  writer.append(lineEndOf(0));
  writer.writeFile(0);
}

std::string Description::write(std::vector<Edit> edits, std::string_view header) const {
  Output::TextBuffer buffer;
  write(std::move(edits), header, buffer);
  return std::move(buffer.text());
}

}  // namespace A2l
