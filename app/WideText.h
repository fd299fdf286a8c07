#pragma once

// Conversion between the UTF-8 text the program works in and the UTF-16 text of the
// Windows API, at the two places the program meets it: its command line and the start
// of objdump.
#ifdef _WIN32
#include <windows.h>

#include <string>
#include <string_view>

namespace App {

inline std::wstring wideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

inline std::string utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length,
                      nullptr, nullptr);
  return utf8;
}

}  // namespace App
#endif
