# Writes a C++ program whose types are instantiated many times over: `count` (default
# 200) record classes, each kept in a vector, a map by name, a list, a unique_ptr and a
# std::function, with a global of each. Built with -g -O1, 200 give an ELF file of about
# 37 MB with 1.2 million debug entries, the size of a large firmware's C++ image.
BEGIN {
  if (count == "") count = 200
  print "#include <cstddef>\n#include <list>\n#include <map>\n#include <string>\n#include <vector>\n#include <memory>\n#include <functional>"
  print "extern \"C\" int getentropy(void*, std::size_t) { return -1; }"
  for (i = 0; i < count; ++i) {
    printf "namespace unit%d {\nstruct Record%d { int id; float gain[4]; unsigned flags : 3; std::string name; };\n", i, i
    printf "struct Store%d { std::vector<Record%d> all; std::map<std::string, Record%d> byName; std::list<Record%d> recent; std::unique_ptr<Record%d> last; std::function<int(const Record%d&)> rank; };\n", i, i, i, i, i, i
    printf "Store%d g_store;\nint use() { Record%d r{}; g_store.all.push_back(r); g_store.byName[\"x\"] = r; g_store.recent.push_front(r); g_store.last = std::make_unique<Record%d>(r); g_store.rank = [](const Record%d& x) { return x.id; }; return g_store.rank(r) + (int)g_store.all.size(); }\n}\n", i, i, i, i
  }
  print "int main() { int sum = 0;"
  for (i = 0; i < count; ++i) printf "  sum += unit%d::use();\n", i
  print "  return sum; }"
}
