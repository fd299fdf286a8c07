#include "app/PathParts.h"

namespace App {

namespace {
constexpr bool isSeparator(char c) {
  return c == '/' || c == '\\';
}
}  // namespace

bool matchPathWithDirectory(std::string_view path, Common::TextPattern<3>::Groups& g) {
  // "(.*[/\\])" prefers the last separator, "([^/\\]+)" the last "." of the component
  // after it (with at least one character before it), "([.].*)" takes the rest. Only the
  // ".*" parts refuse CR and LF. A later extension is a suffix of an earlier one, so
  // when the last "." of a component fails, every earlier choice fails as well.
  const std::size_t firstBreak = path.find_first_of("\r\n");
  const std::size_t lastBreak = path.find_last_of("\r\n");
  std::size_t componentEnd = path.size();
  for (std::size_t separator = path.size(); separator-- > 0;) {
    if (!isSeparator(path[separator])) continue;
    const std::size_t nameStart = separator + 1;
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = componentEnd; i-- > nameStart + 1;) {
      if (path[i] == '.') {
        dot = i;
        break;
      }
    }
    const bool directoryClean = firstBreak == std::string_view::npos || firstBreak > separator;
    const bool extensionClean = lastBreak == std::string_view::npos || lastBreak < dot;
    if (dot != std::string_view::npos && directoryClean && extensionClean) {
      g[0] = path.substr(0, nameStart);
      g[1] = path.substr(nameStart, dot - nameStart);
      g[2] = path.substr(dot);
      return true;
    }
    componentEnd = separator;
  }
  return false;
}

bool matchPathWithoutDirectory(std::string_view path, Common::TextPattern<2>::Groups& g) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || Common::hasLineBreak(path)) return false;
  g[0] = path.substr(0, dot);
  g[1] = path.substr(dot);
  return true;
}

bool matchElfExtension(std::string_view extension, Common::TextPattern<0>::Groups&) {
  if (extension.size() < 2 || extension[0] != '.') return false;
  for (char c : extension.substr(1)) {
    if (std::string_view("elfELF").find(c) == std::string_view::npos) return false;
  }
  return true;
}

PathParts splitPath(std::string_view path) {
  Common::TextPattern<3>::Groups withDirectory;
  if (pathWithDirectoryPattern.match(path, withDirectory)) {
    return {std::string(withDirectory[0]), std::string(withDirectory[1]),
            std::string(withDirectory[2])};
  }
  Common::TextPattern<2>::Groups withoutDirectory;
  if (pathWithoutDirectoryPattern.match(path, withoutDirectory)) {
    return {{}, std::string(withoutDirectory[0]), std::string(withoutDirectory[1])};
  }
  return {};
}

}  // namespace App
