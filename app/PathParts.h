#pragma once

#include <string>
#include <string_view>

#include "common/TextPattern.h"

namespace App {

// The three parts of the input path from which every file name of a run is formed.
struct PathParts {
  std::string directory;  // up to and including the separator before the base name
  std::string baseName;
  std::string extension;  // from the "." on, the dot included
};

bool matchPathWithDirectory(std::string_view, Common::TextPattern<3>::Groups&);
bool matchPathWithoutDirectory(std::string_view, Common::TextPattern<2>::Groups&);
bool matchElfExtension(std::string_view, Common::TextPattern<0>::Groups&);

inline constexpr Common::TextPattern<3> pathWithDirectoryPattern{
    "pathWithDirectoryPattern", R"(^(.*[/\\])([^/\\]+)([.].*)$)", &matchPathWithDirectory,
    "C:\\work\\app.rel.elf", "app.elf"};
inline constexpr Common::TextPattern<2> pathWithoutDirectoryPattern{
    "pathWithoutDirectoryPattern", R"(^(.*)([.].*)$)", &matchPathWithoutDirectory, "app.elf",
    "app"};
inline constexpr Common::TextPattern<0> elfExtensionPattern{
    "elfExtensionPattern", R"(^[.][elfELF]+$)", &matchElfExtension, ".elf", ".axf"};

// The first of the two path patterns that matches decides; a path without any "."
// gives three empty parts.
PathParts splitPath(std::string_view path);

}  // namespace App
