// A program that uses <iostream>, <string>, <vector> and <map> from libstdc++.
#include <iostream>
#include <map>
#include <string>
#include <vector>

std::vector<int> g_samples;
std::map<std::string, int> g_counts;
std::string g_title = "samples";

// The C library of the target has no entropy source to offer.
extern "C" int getentropy(void*, std::size_t) {
  return -1;
}

int main() {
  for (int i = 0; i < 4; ++i)
    g_samples.push_back(i * i);
  g_counts[g_title] = static_cast<int>(g_samples.size());
  std::cout << g_title << ": " << g_counts[g_title] << std::endl;
  return 0;
}
