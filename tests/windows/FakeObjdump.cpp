// A stand-in for arm-none-eabi-objdump.exe in the Windows tests. Asked for its version
// alone, it names one and succeeds. Otherwise it writes to its standard output the file
// that SKARVEL_FAKE_DUMP names, or else its arguments one per line (as UTF-8), and ends
// with the code in SKARVEL_FAKE_EXIT (0 when unset). With
// SKARVEL_FAKE_ENDLESS set it writes without end instead, as a runaway objdump does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/WideText.h"

int wmain(int argc, wchar_t** argv) {
  std::fflush(stdout);
  if (argc == 2 && std::wstring(argv[1]) == L"--version") {
    const std::string version = "GNU objdump (stand-in) 2.40\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), version.data(), static_cast<DWORD>(version.size()),
              &written, nullptr);
    return 0;
  }
  if (_wgetenv(L"SKARVEL_FAKE_ENDLESS") != nullptr) {
    const std::string block(1 << 16, 'y');
    for (DWORD written = 0;;) {
      if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), block.data(),
                     static_cast<DWORD>(block.size()), &written, nullptr)) {
        return 1;
      }
    }
  }
  if (const wchar_t* dump = _wgetenv(L"SKARVEL_FAKE_DUMP")) {
    std::ifstream in(dump, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
  } else {
    std::string lines;
    for (int i = 1; i < argc; ++i)
      lines += App::utf8FromWide(argv[i]) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), lines.data(), static_cast<DWORD>(lines.size()),
              &written, nullptr);
  }
  const wchar_t* code = _wgetenv(L"SKARVEL_FAKE_EXIT");
  return code != nullptr ? _wtoi(code) : 0;
}
