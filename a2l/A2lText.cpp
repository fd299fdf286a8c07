#include "a2l/A2lText.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/FilePath.h"

namespace A2l {

namespace {

bool isSpace(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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
    file->bytes = std::move(*text);
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
    file->bytes.resize(static_cast<std::size_t>(size));
    in.read(file->bytes.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) {
      error = where() + "Can not read file: " + path;
      return false;
    }
  }
  totalBytes_ += file->bytes.size();
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
  while (at < bytes.size()) {
    const char c = bytes[at];
    if (c == '\n') {
      ++line;
      ++at;
      continue;
    }
    if (isSpace(c)) {
      ++at;
      continue;
    }
    if (bytes.compare(at, 2, "/*") == 0) {
      const std::size_t close = bytes.find("*/", at + 2);
      if (close == std::string_view::npos) return fail(line, "a comment is not closed");
      line += static_cast<std::uint32_t>(
          std::count(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(close), '\n'));
      at = close + 2;
      continue;
    }
    if (bytes.compare(at, 2, "//") == 0) {
      const std::size_t close = bytes.find('\n', at);
      at = close == std::string_view::npos ? bytes.size() : close;
      continue;
    }
    Token token{Token::Kind::Word, index, line, at, 0, {}};
    const std::uint32_t startLine = line;
    if (c == '"') {
      // A quote is escaped with a backslash or doubled.
      std::size_t end = at + 1;
      for (;; ++end) {
        if (end >= bytes.size()) return fail(startLine, "a string is not closed");
        if (bytes[end] == '\n') ++line;
        if (bytes[end] == '\\' && end + 1 < bytes.size()) {
          if (bytes[end + 1] == '\n') ++line;
          ++end;
        } else if (bytes[end] == '"') {
          if (end + 1 < bytes.size() && bytes[end + 1] == '"' && end > at + 1) {
            ++end;
          } else {
            break;
          }
        }
      }
      token.kind = Token::Kind::String;
      token.length = end + 1 - at;
    } else {
      std::size_t end = at;
      while (end < bytes.size() && !isSpace(bytes[end]) && bytes[end] != '"' &&
             bytes.compare(end, 2, "/*") != 0 && (end == at || bytes.compare(end, 2, "//") != 0)) {
        ++end;
      }
      token.length = end - at;
    }
    token.text = bytes.substr(at, token.length);
    at += token.length;
    if (including) {
      // The file name, quoted or not, relative to the including file's folder.
      std::string name(token.text);
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
    if (token.kind == Token::Kind::Word) {
      if (equalsIgnoringCase(token.text, "/include")) {
        including = true;
        includeAt = token.offset;
        includeLine = token.line;
        continue;
      }
      if (equalsIgnoringCase(token.text, "/begin")) token.kind = Token::Kind::Begin;
      if (equalsIgnoringCase(token.text, "/end")) token.kind = Token::Kind::End;
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
    return tokens_[at + 1].text;
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
  const std::string& bytes = files_[file]->bytes;
  std::size_t crlf = 0;
  std::size_t lf = 0;
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
    (at > 0 && bytes[at - 1] == '\r' ? crlf : lf) += 1;
  }
  return crlf > lf ? "\r\n" : "\n";
}

std::string Description::write(std::vector<Edit> edits, std::string_view header) const {
  std::map<std::uint32_t, std::vector<const Edit*>> byFile;
  for (const Edit& edit : edits)
    byFile[edit.file].push_back(&edit);
  for (auto& [file, list] : byFile) {
    std::stable_sort(list.begin(), list.end(),
                     [](const Edit* a, const Edit* b) { return a->offset < b->offset; });
  }
  std::string out;
  std::size_t total = 0;
  for (const auto& file : files_)
    total += file->bytes.size();
  out.reserve(total + header.size() + 64);
  const std::string& first = files_.front()->bytes;
  const bool marked = std::string_view(first).starts_with(kByteOrderMark);
  if (marked) out += kByteOrderMark;
  out += header;
  out += lineEndOf(0);
  writeFile(0, byFile, out);
  return out;
}

void Description::writeFile(std::uint32_t file,
                            const std::map<std::uint32_t, std::vector<const Edit*>>& edits,
                            std::string& out) const {
  const std::string& bytes = files_[file]->bytes;
  // The first file's mark stands before the header; an included file's would stand in
  // the middle of the text.
  std::size_t at = std::string_view(bytes).starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  // The edits and inclusions of this file, in the order of their places.
  std::vector<const Edit*> fileEdits;
  if (const auto found = edits.find(file); found != edits.end()) fileEdits = found->second;
  std::vector<const Inclusion*> includes;
  for (const Inclusion& inclusion : inclusions_) {
    if (inclusion.file == file) includes.push_back(&inclusion);
  }
  std::size_t nextEdit = 0;
  std::size_t nextInclude = 0;
  for (;;) {
    const std::size_t editAt =
        nextEdit < fileEdits.size() ? fileEdits[nextEdit]->offset : std::string::npos;
    const std::size_t includeAt =
        nextInclude < includes.size() ? includes[nextInclude]->offset : std::string::npos;
    const std::size_t stop = std::min({editAt, includeAt, bytes.size()});
    if (stop > at) out.append(bytes, at, stop - at);
    at = std::max(at, stop);
    if (stop == bytes.size() && editAt == std::string::npos && includeAt == std::string::npos)
      break;
    if (editAt <= includeAt && editAt != std::string::npos) {
      const Edit& edit = *fileEdits[nextEdit++];
      out += edit.text;
      at = std::max(at, edit.offset + edit.length);
      continue;
    }
    if (includeAt != std::string::npos) {
      const Inclusion& inclusion = *includes[nextInclude++];
      const std::size_t before = out.size();
      writeFile(inclusion.included, edits, out);
      // An included file that does not end its last line gets the including file's end.
      if (out.size() > before && out.back() != '\n') out += lineEndOf(file);
      at = inclusion.offset + inclusion.length;
      continue;
    }
    break;
  }
}

}  // namespace A2l
