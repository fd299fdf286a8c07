#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace Output {

// Writes `text` as the whole new content of the file at `path`, byte for byte. The text
// goes to a temporary file in the same folder first, which then replaces the target, so
// that a failed or interrupted write never leaves half a file where a good one was. On
// failure "Can not create file: " and the path go to `console` and the temporary file is
// removed. Returns whether the file was written.
bool writeWholeFile(const std::string& path, std::string_view text, std::ostream& console);

}  // namespace Output
