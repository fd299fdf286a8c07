#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include <vector>

#include "dump/DumpLines.h"
#include "dump/DumpLoad.h"
#include "model/ModelStore.h"

// Small dump texts in the shapes objdump prints.
namespace TestSupport {

// " <level><offset>: Abbrev Number: 1 (tag)"
inline std::string header(unsigned level, std::uint32_t offset, std::string_view tag) {
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, " <%u><%x>: Abbrev Number: 1 (", level, offset);
  return prefix + std::string(tag) + ")";
}

// An attribute line as current binutils print it: the value, and an explanation after a
// tab only when there is one.
inline std::string attribute(std::string_view name, std::string_view value,
                             std::string_view explanation = {}) {
  std::string line = "    <0>   " + std::string(name);
  if (line.size() < 28) line.append(28 - line.size(), ' ');
  line += ": " + std::string(value);
  if (!explanation.empty()) line += "\t" + std::string(explanation);
  return line;
}

// A fixed address, as DW_AT_location shows it.
inline std::string location(std::uint32_t address) {
  char explanation[40];
  std::snprintf(explanation, sizeof explanation, "(DW_OP_addr: %x)", address);
  return attribute("DW_AT_location", "5 byte block: 3 0 0 0 20 ", explanation);
}

inline std::string lines(std::initializer_list<std::string> dumpLines) {
  std::string text;
  for (const std::string& line : dumpLines)
    text += line + "\n";
  return text;
}

// The lines of a text, as the reader sees them.
inline std::vector<std::string> splitLines(std::string_view text) {
  Dump::DumpLines lines;
  lines.openText(text);
  std::vector<std::string> result;
  std::string_view line;
  while (lines.next(line))
    result.emplace_back(line);
  return result;
}

inline std::unique_ptr<Model::ModelStore> loadFile(const std::string& path) {
  auto store = std::make_unique<Model::ModelStore>();
  Dump::loadDumpFile(*store, path);
  return store;
}

inline std::unique_ptr<Model::ModelStore> load(std::string_view text) {
  auto store = std::make_unique<Model::ModelStore>();
  Dump::loadDumpText(*store, text);
  return store;
}

}  // namespace TestSupport
