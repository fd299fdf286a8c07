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

std::string_view mostUsedLineEnd(std::string_view bytes) {
  const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  // A file without carriage returns, the usual case, is passed over once more, quickly.
  std::size_t crlf = 0;
  for (std::size_t at = bytes.find('\r'); at != std::string_view::npos; at = bytes.find('\r', at + 1)) {
    crlf += at + 1 < bytes.size() && bytes[at + 1] == '\n';
  }
  return crlf > lines - crlf ? "\r\n" : "\n";
}

}  // namespace

std::string describePlace(const Place& place) {
  return (place.file != nullptr ? place.file->path : std::string("?")) + ":" +
         std::to_string(place.line);
}

std::unique_ptr<Description> Description::read(const std::string& path, std::string& error) {
  auto description = std::unique_ptr<Description>(new Description());
  std::vector<std::string> chain;
  if (!description->readFile(path, std::nullopt, {}, 0, chain, error) ||
      !description->buildBlocks(error)) {
    return nullptr;
  }
  return description;
}

std::unique_ptr<Description> Description::fromText(std::string path, std::string text,
                                                   std::string& error) {
  auto description = std::unique_ptr<Description>(new Description());
  std::vector<std::string> chain;
  if (!description->readFile(std::move(path), std::move(text), {}, 0, chain, error) ||
      !description->buildBlocks(error)) {
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
    file->storage = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(1, size));
    char* const into = file->storage.get();
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
  const bool read = tokenize(static_cast<std::uint32_t>(files_.size() - 1), depth, chain, error);
  chain.pop_back();
  return read;
}

bool Description::tokenize(std::uint32_t index, unsigned depth, std::vector<std::string>& chain,
                           std::string& error) {
  // The file's bytes stay where they are: its object is never moved once made.
  const SourceFile& file = *files_[index];
  const std::string_view bytes = file.bytes;
  // Room for the file's tokens at the rate of typical A2L text (one in about seven bytes),
  // growing geometrically over many included files.
  const std::size_t expected = tokens_.size() + bytes.size() / 7;
  if (tokens_.capacity() < expected) tokens_.reserve(std::max(expected, 2 * tokens_.capacity()));
  std::uint32_t line = 1;
  std::size_t at = 0;
  // Starts past a byte-order mark.
  if (bytes.starts_with(kByteOrderMark)) at = kByteOrderMark.size();
  const auto fail = [&](std::uint32_t where, const std::string& what) {
    error = file.path + ":" + std::to_string(where) + ": " + what;
    return false;
  };
  // An /include waits for its file name.
  bool including = false;
  std::size_t includeAt = 0;
  std::uint32_t includeLine = 0;
  const std::size_t size = bytes.size();
  while (at < size) {
    const ByteClass first = classOf(bytes[at]);
    if (first == ByteClass::Blank) {
      ++at;
      continue;
    }
    if (first == ByteClass::Newline) {
      ++line;
      ++at;
      continue;
    }
    if (first == ByteClass::Slash && at + 1 < size && bytes[at + 1] == '*') {
      const std::size_t close = bytes.find("*/", at + 2);
      if (close == std::string_view::npos) return fail(line, "a comment is not closed");
      line += static_cast<std::uint32_t>(
          std::count(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(close), '\n'));
      at = close + 2;
      continue;
    }
    if (first == ByteClass::Slash && at + 1 < size && bytes[at + 1] == '/') {
      const std::size_t close = bytes.find('\n', at);
      at = close == std::string_view::npos ? size : close;
      continue;
    }
    Token token{static_cast<std::uint32_t>(at), 0, line, static_cast<std::uint16_t>(index),
                Token::Kind::Word};
    const std::uint32_t startLine = line;
    if (first == ByteClass::Quote) {
      // A quote is escaped with a backslash or doubled. The text between is taken a span
      // at a time: up to the next quote, or a backslash before it.
      std::size_t end = at + 1;
      for (;;) {
        const std::size_t quote = bytes.find('"', end);
        if (quote == std::string_view::npos) return fail(startLine, "a string is not closed");
        const std::size_t backslash = bytes.substr(end, quote - end).find('\\');
        const std::size_t stop = backslash == std::string_view::npos ? quote : end + backslash;
        line += static_cast<std::uint32_t>(
            std::count(bytes.begin() + static_cast<std::ptrdiff_t>(end),
                       bytes.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
        if (stop != quote) {
          // The escaped byte, whatever it is.
          if (stop + 1 < size && bytes[stop + 1] == '\n') ++line;
          end = stop + 2;
          continue;
        }
        if (quote + 1 < size && bytes[quote + 1] == '"' && quote > at + 1) {
          end = quote + 2;
          continue;
        }
        end = quote;
        break;
      }
      token.kind = Token::Kind::String;
      token.length = static_cast<std::uint32_t>(end + 1 - at);
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
      token.length = static_cast<std::uint32_t>(end - at);
    }
    const std::string_view text = bytes.substr(at, token.length);
    at += token.length;
    if (including) {
      // The file name, quoted or not, relative to the including file's folder.
      std::string name(text);
      if (token.kind == Token::Kind::String) name = name.substr(1, name.size() - 2);
      const std::filesystem::path folder = Common::filePath(file.path).parent_path();
      const std::filesystem::path named = Common::filePath(name);
      const std::filesystem::path target = named.is_absolute() ? named : folder / named;
      const auto target8 = target.u8string();
      const std::string targetPath(target8.begin(), target8.end());
      const Place from{&file, includeLine};
      const std::size_t inclusionStart = includeAt;
      including = false;
      const auto included = static_cast<std::uint32_t>(files_.size());
      if (!readFile(targetPath, std::nullopt, from, depth + 1, chain, error)) return false;
      inclusions_.push_back({index, inclusionStart, at - inclusionStart, included});
      continue;
    }
    if (token.kind == Token::Kind::Word && text.front() == '/') {
      if (equalsIgnoringCase(text, "/include")) {
        including = true;
        includeAt = token.offset;
        includeLine = token.line;
        continue;
      }
      if (equalsIgnoringCase(text, "/begin")) token.kind = Token::Kind::Begin;
      if (equalsIgnoringCase(text, "/end")) token.kind = Token::Kind::End;
    }
    tokens_.push_back(token);
  }
  if (including) return fail(includeLine, "/include names no file");
  return true;
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
        error = describePlace(placeOf(token)) + ": /begin without a keyword";
        return false;
      }
      open.push_back(Block{keyword, at, 0, {}});
      ++at;
    } else if (token.kind == Token::Kind::End) {
      const std::string_view keyword = keywordAfter(at);
      if (open.empty() || open.back().keyword != keyword) {
        error = describePlace(placeOf(token)) + ": /end " + std::string(keyword) +
                (open.empty() ? std::string(" closes no block")
                              : " does not close /begin " + std::string(open.back().keyword) +
                                    " of " + describePlace(placeOf(tokens_[open.back().begin])));
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
    error = describePlace(placeOf(tokens_[open.back().begin])) + ": /begin " +
            std::string(open.back().keyword) + " is not closed";
    return false;
  }
  return true;
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
