#include <iostream>
#include <string>
#include <vector>

#include "app/Driver.h"

#ifdef _WIN32
#include <io.h>

#include <cstdio>

#include "app/WideText.h"

// The command line arrives as UTF-16 and becomes UTF-8 once; the console shows UTF-8.
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(App::utf8FromWide(argv[i]));
  return App::runConverter(arguments, std::cout, std::cerr,
                           _isatty(_fileno(stderr)) ? &std::cerr : nullptr);
}
#else
#include <unistd.h>

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return App::runConverter(arguments, std::cout, std::cerr, isatty(2) ? &std::cerr : nullptr);
}
#endif
