#include <iostream>
#include <string>
#include <vector>

#include "app/Driver.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return App::runConverter(arguments, std::cout, std::cerr);
}
