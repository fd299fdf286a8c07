// A C++ hello world for Cortex-M4 with the containers most firmware pulls in.
#include <iostream>
#include <map>
#include <string>
#include <vector>

extern "C" int getentropy(void*, std::size_t) {
  return -1;
}

int main() {
  std::vector<int> values{1, 2, 3};
  std::map<std::string, int> counts{{"one", 1}};
  std::string greeting = "hello";
  std::cout << greeting << " " << values.size() + counts.size() << std::endl;
  return 0;
}
