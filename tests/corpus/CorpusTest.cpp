// Real firmware, checked against an independent reader: every program of the corpus is
// built with the installed toolchain in several DWARF versions and optimisation levels,
// converted by the program itself (so the real objdump runs), and every map line is
// compared with what GDB reads from the same ELF image.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <regex>
#include <sstream>

#include "a2l/A2lText.h"
#include "dump/DumpLoad.h"
#include "elf/ElfImage.h"
#include "elf/ImageLoad.h"
#include "model/ModelStore.h"
#include "tests/support/A2lReader.h"
#include "tests/support/ModelSummary.h"
#include "tests/support/TempDir.h"
#include "tests/support/Toolchain.h"

namespace {

using TestSupport::TempDir;

struct Program {
  std::string name;
  std::vector<std::string> sources;
  bool cxx;
};

const std::vector<Program> kPrograms{
    {"firmware_c", {"registers.c", "ring.c", "large.c"}, false},
    {"firmware_cpp", {"app.cpp", "drive_a.cpp", "drive_b.cpp"}, true},
    {"newlib_user", {"newlib_user.c"}, false},
    {"libstdcxx_user", {"libstdcxx_user.cpp"}, true},
};

const std::vector<std::string> kDwarfVersions{"-gdwarf-2", "-gdwarf-4", "-gdwarf-5"};

// -O0, and -Os the way firmware is usually linked: unused sections removed.
const std::vector<std::vector<std::string>> kOptimisations{
    {"-O0"}, {"-Os", "-ffunction-sections", "-fdata-sections", "-Wl,--gc-sections"}};

// The same programs compiled by clang (linked by GCC with its libraries), in the DWARF
// versions clang writes by default: 5 places globals through .debug_addr.
const std::vector<std::string> kClangDwarfVersions{"-gdwarf-4", "-gdwarf-5"};

// The C++ programs are also built with their types in type units, which both compilers
// write from DWARF 4 on: in .debug_types (4) or as units of .debug_info (5).
const std::vector<std::string> kTypeUnitDwarfVersions{"-gdwarf-4", "-gdwarf-5"};
const std::string kTypeUnits = "-fdebug-types-section";

struct Variant {
  Program program;
  std::vector<std::string> flags;
  std::string label;
  bool clang = false;
  bool typeUnits = false;
};

std::vector<Variant> variants() {
  std::vector<Variant> all;
  for (const bool typeUnits : {false, true}) {
    for (const bool clang : {false, true}) {
      for (const Program& program : kPrograms) {
        if (typeUnits && !program.cxx) continue;
        const std::vector<std::string>& versions = typeUnits ? kTypeUnitDwarfVersions
                                                   : clang   ? kClangDwarfVersions
                                                             : kDwarfVersions;
        for (const std::string& dwarf : versions) {
          for (const auto& optimisation : kOptimisations) {
            std::vector<std::string> flags{dwarf};
            flags.insert(flags.end(), optimisation.begin(), optimisation.end());
            if (typeUnits) flags.push_back(kTypeUnits);
            std::string label = program.name + (clang ? "_clang" : "") +
                                (typeUnits ? "_types_" : "_") + dwarf.substr(2) + "_" +
                                optimisation[0].substr(1);
            std::replace(label.begin(), label.end(), '-', '_');
            all.push_back({program, flags, label, clang, typeUnits});
          }
        }
      }
    }
  }
  // Debug sections compressed with zlib (-gz), which objdump and the direct reader
  // inflate; and a big-endian image, built without the C library, which has no
  // big-endian build here.
  all.push_back({kPrograms[1], {"-gdwarf-5", "-O0", "-gz"}, "firmware_cpp_gz_dwarf_5_O0"});
  all.push_back({kPrograms[0],
                 {"-gdwarf-4", "-O0", "-mbig-endian", "-nostdlib", "-Wl,--entry=main"},
                 "firmware_c_big_endian_dwarf_4_O0"});
  return all;
}

std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> tabFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

// The database must describe each map line: the same address, a type and limits that
// fit the map line's size, signedness and bits.
std::string databaseDisagreement(const std::string& mapLine, const std::string& dbLine) {
  static const std::regex map(
      R"(^([0-9a-f]{8})H     SYMBOL  DATA  (\S+) *    (.*?)(_Bits?:([0-9]+))?$)");
  static const std::regex fixed(
      R"(^VARIABLE 0x0 '(.*)'  +0x([0-9a-f]{8})    "" (U?INT\([0-9]+\)) +"" 0 (-?[0-9]+) +(-?[0-9]+) +CHARACTERISTIC       WEAK_LIMITS (-?[0-9]+) +(-?[0-9]+)$)");
  static const std::regex bits(
      R"(^VARIABLE 0x0 '(.*)'  +0x([0-9a-f]{8})    "" UINT\(([0-9]+),([0-9]+)\) "" 0 (-?[0-9]+) {11}(-?[0-9]+) \((-?[0-9]+)  (-?[0-9]+)\) {12}CHARACTERISTIC  WEAK_LIMITS (-?[0-9]+) {19}(-?[0-9]+)$)");
  std::smatch m;
  if (!std::regex_match(mapLine, m, map)) return "map line of unknown shape";
  const std::string address = m[1], word = m[2], bitList = m[5];
  const bool isSigned = word.starts_with("INT");
  std::smatch d;
  if (bitList.empty()) {
    if (!std::regex_match(dbLine, d, fixed)) return "database line of unknown shape";
    static const std::map<std::string, std::vector<std::string>> expected{
        {"BYTE", {"UINT(8)", "0", "255"}},
        {"INT8", {"INT(8)", "-128", "127"}},
        {"WORD", {"UINT(16)", "0", "65535"}},
        {"INT16", {"INT(16)", "-32768", "32767"}},
        {"DWORD", {"UINT(32)", "0", "4294967295"}},
        {"INT32", {"INT(32)", "-2147483648", "2147483647"}},
        {"QWORD", {"UINT(64)", "0", "4294967295"}},
        {"INT64", {"INT(64)", "-2147483648", "2147483647"}}};
    const auto row = expected.find(word);
    const std::vector<std::string> want =
        row != expected.end() ? row->second
                              : std::vector<std::string>{"UINT(64)", "0", "4294967295"};
    if (d[2] != address) return "address " + d[2].str();
    if (d[3] != want[0] || d[4] != want[1] || d[5] != want[2] || d[6] != want[1] ||
        d[7] != want[2]) {
      return "type " + d[3].str() + " " + d[4].str() + ".." + d[5].str();
    }
    return {};
  }
  if (!std::regex_match(dbLine, d, bits)) return "database line of unknown shape";
  if (d[2] != address) return "address " + d[2].str();
  const unsigned width = std::stoul(d[3]);
  const unsigned first = std::stoul(d[4]);
  std::string listed;
  for (unsigned k = 0; k < width; ++k)
    listed += std::to_string(first + k);
  if (listed != bitList) return "bits UINT(" + d[3].str() + "," + d[4].str() + ")";
  const long double span = std::pow(2.0L, static_cast<long double>(width));
  const std::string minimum = isSigned ? std::to_string(-static_cast<long long>(span / 2)) : "0";
  const std::string maximum =
      std::to_string(static_cast<unsigned long long>(isSigned ? span / 2 - 1 : span - 1));
  for (int group : {5, 7, 9}) {
    if (d[group] != minimum || d[group + 1] != maximum)
      return "limits " + d[group].str() + ".." + d[group + 1].str();
  }
  return {};
}

void PrintTo(const Variant& variant, std::ostream* out) {
  *out << variant.label;
}
struct Golden;
void PrintTo(const Golden& golden, std::ostream* out);

class Corpus : public testing::TestWithParam<Variant> {};

// One line of GDB's verdict on a map (gdb_check.py).
struct GdbVerdict {
  std::vector<std::string> fields;
  const std::string& status() const { return fields[0]; }
};

// One map that GDB checks (gdb_check.py): a file in the test's folder, and for an A2L
// file's expansion the file of its enumerators; then what GDB said of it.
struct GdbCheck {
  std::string map;
  std::string enumerations;
  std::vector<GdbVerdict> verdicts;  // one per line of the map
  std::string summary;
};

// Runs GDB once on the image `dir`/app.elf and checks every map with it. A line that GDB
// does not agree with, and a data object that no line covers, fail the test.
void checkWithGdb(const TempDir& dir, std::vector<GdbCheck*> checks) {
  std::string jobs;
  for (const GdbCheck* check : checks) {
    jobs += (jobs.empty() ? "['" : ", ['") + dir.file(check->map) + "', '" + SKARVEL_ARM_NM +
            "', '" + dir.file(check->map + ".gdb.txt") + "'";
    if (!check->enumerations.empty()) jobs += ", '" + dir.file(check->enumerations) + "'";
    jobs += "]";
  }
  ASSERT_EQ(TestSupport::runCommand(
                {SKARVEL_GDB, "-nx", "-batch", "-ex", "python CHECK_ARGS = [" + jobs + "]", "-x",
                 (TestSupport::corpusDir() / "gdb_check.py").string(), dir.file("app.elf")},
                dir / "gdb-console.txt"),
            0)
      << TestSupport::readFile(dir / "gdb-console.txt");
  for (GdbCheck* check : checks) {
    int failures = 0;
    std::istringstream results(TestSupport::readFile(dir / (check->map + ".gdb.txt")));
    for (std::string line; std::getline(results, line);) {
      GdbVerdict verdict{tabFields(line)};
      const std::string& status = verdict.status();
      const std::vector<std::string>& f = verdict.fields;
      if (status == "summary") {
        check->summary = f[1];
      } else if (status == "mismatch" || status == "missing" || status == "removed") {
        // "removed": a variable the linker removed, listed at address 0.
        if (++failures <= 20) {
          ADD_FAILURE() << check->map << ": " << status << " line " << f[1] << " " << f[2]
                        << ": ours " << f[3] << ", GDB " << f[4];
        }
      } else if (status == "uncovered") {
        if (++failures <= 20) {
          ADD_FAILURE() << check->map << ": no line for the object " << f[1] << " at " << f[2];
        }
      }
      if (status != "uncovered" && status != "nodebug" && status != "empty" &&
          status != "summary") {
        check->verdicts.push_back(std::move(verdict));
      }
    }
    EXPECT_EQ(failures, 0) << check->map;
  }
}

// Checks the map and the database that the converter wrote into `dir` with what GDB said
// of the map.
void expectAgreementWithGdb(const TempDir& dir, const std::string& label, const GdbCheck& gdb) {
  const std::vector<std::string> map = crlfLines(TestSupport::readFile(dir / "app_Vek.m51"));
  const std::vector<std::string> database = crlfLines(TestSupport::readFile(dir / "app_CANape.db"));
  EXPECT_EQ(gdb.verdicts.size(), map.size());
  ASSERT_EQ(database.size(), map.size() + 3);
  int databaseFailures = 0;
  for (std::size_t k = 0; k < map.size(); ++k) {
    const std::string disagreement = databaseDisagreement(map[k], database[k + 3]);
    if (!disagreement.empty() && ++databaseFailures <= 20) {
      ADD_FAILURE() << "database line " << k + 4 << " (" << disagreement << ") for map line "
                    << map[k];
    }
  }
  std::cout << "corpus " << label << ": " << map.size() << " signals, " << gdb.summary << std::endl;
  testing::Test::RecordProperty("summary", gdb.summary);
}

// Index digits as the map writes them: 1 for one element, 2 for up to 19, and so on.
unsigned indexWidth(std::uint64_t count) {
  unsigned width = 1;
  for (std::uint64_t d = count; d > 1; d /= 10)
    ++width;
  return width;
}

std::string mapWord(unsigned size, bool isSigned) {
  static const std::map<unsigned, std::pair<std::string, std::string>> words{
      {1, {"BYTE ", "INT8 "}},
      {2, {"WORD ", "INT16"}},
      {4, {"DWORD", "INT32"}},
      {8, {"QWORD", "INT64"}}};
  const auto word = words.find(size);
  if (word == words.end()) return "SIZE_NOT_SUPPORTED_" + std::to_string(size);
  return isSigned ? word->second.second : word->second.first;
}

// Every element of every object of an A2L file as a map line would list it, and the
// enumerators its conversion names ("value=name" separated by ";").
struct A2lElement {
  std::string line;
  std::string enumerators;
};

std::vector<A2lElement> elementsOf(const TestSupport::A2lFile& a2l) {
  std::vector<A2lElement> elements;
  for (const TestSupport::A2lObject& o : a2l.objects) {
    const unsigned size = o.arraySize ? static_cast<unsigned>(*o.arraySize)
                                      : TestSupport::a2lDatatypeSize(o.datatype);
    const bool isSigned = o.datatype[0] == 'S' || o.datatype == "A_INT64";
    std::string bits;
    if (o.bitMask) {
      unsigned low = 0;
      while (low < 64 && ((*o.bitMask >> low) & 1) == 0)
        ++low;
      unsigned count = 0;
      for (unsigned bit = low; bit < 64 && ((*o.bitMask >> bit) & 1) != 0; ++bit, ++count)
        bits += std::to_string(bit);
      bits = (count == 1 ? "_Bit:" : "_Bits:") + bits;
    }
    std::string enumerators;
    if (const auto table = a2l.tables.find(o.conversion); table != a2l.tables.end()) {
      for (const auto& [value, text] : table->second) {
        enumerators += (enumerators.empty() ? "" : ";") + std::to_string(value) + "=" + text;
      }
    }
    // A characteristic given as bytes (an odd size) is one element of its size.
    const bool bytes = o.characteristic && o.type == "VAL_BLK" && o.datatype == "UBYTE" &&
                       o.matrixDim.size() == 1 && o.arraySize.has_value();
    std::vector<std::uint64_t> dims = bytes ? std::vector<std::uint64_t>{} : o.matrixDim;
    std::uint64_t count = 1;
    for (const std::uint64_t d : dims)
      count *= d;
    for (std::uint64_t k = 0; k < count; ++k) {
      std::string suffix;
      std::uint64_t rest = k;
      for (std::size_t d = dims.size(); d-- > 0;) {
        std::string digits = std::to_string(rest % dims[d]);
        rest /= dims[d];
        digits.insert(
            0, indexWidth(dims[d]) - std::min<std::size_t>(digits.size(), indexWidth(dims[d])),
            '0');
        suffix.insert(0, "_" + digits);
      }
      char address[16];
      std::snprintf(address, sizeof address, "%08llx",
                    static_cast<unsigned long long>(o.address.value_or(0) + k * size));
      elements.push_back({std::string(address) + "H     SYMBOL  DATA  " + mapWord(size, isSigned) +
                              "    " + o.longIdentifier + suffix + bits,
                          enumerators});
    }
  }
  return elements;
}

// An A2L file read and expanded into map lines (a2l_Vek.m51) and the enumerators of each
// (a2l_enumerations.txt), for GDB to check.
struct A2lExpansion {
  TestSupport::A2lFile file;
  std::vector<A2lElement> elements;
};

A2lExpansion expandA2l(const TempDir& dir) {
  A2lExpansion a2l;
  a2l.file = TestSupport::readA2l(TestSupport::readFile(dir / "app_Vek.a2l"));
  a2l.elements = elementsOf(a2l.file);
  std::string text;
  std::string enumerations;
  for (const A2lElement& element : a2l.elements) {
    text += element.line + "\r\n";
    enumerations += element.enumerators + "\n";
  }
  TestSupport::writeFile(dir / "a2l_Vek.m51", text);
  TestSupport::writeFile(dir / "a2l_enumerations.txt", enumerations);
  return a2l;
}

// The A2L file must describe the map and the const data: every map line is one element
// of one object (at the same address, size and bits), every other element lies in const
// memory, GDB agrees with every element, every data object of the image (read-only ones
// included) is covered, and every enumeration's table lists exactly GDB's enumerators.
void expectA2lDescribesTheMapAndTheConstData(const TempDir& dir, const A2lExpansion& a2l,
                                             const GdbCheck& gdb) {
  for (std::size_t e = 0; e < a2l.file.errors.size() && e < 20; ++e)
    ADD_FAILURE() << "A2L: " << a2l.file.errors[e];
  // The ELF header's data byte: 2 for a big-endian image.
  const bool bigEndian = TestSupport::readFile(dir / "app.elf").substr(5, 1) == "\x02";
  EXPECT_EQ(a2l.file.byteOrder, bigEndian ? "MSB_FIRST" : "MSB_LAST");
  const std::vector<A2lElement>& elements = a2l.elements;
  // Signedness aside: the map reads every enumeration as unsigned.
  const auto unsignedLine = [](const std::string& line) {
    std::string plain = line;
    const std::map<std::string, std::string> words{
        {"INT8 ", "BYTE "}, {"INT16", "WORD "}, {"INT32", "DWORD"}, {"INT64", "QWORD"}};
    for (const auto& [from, to] : words) {
      const std::size_t at = plain.find("  " + from + "    ");
      if (at != std::string::npos) plain.replace(at + 2, 5, to);
    }
    return plain;
  };
  std::map<std::string, int> elementCount;
  for (const A2lElement& element : elements)
    ++elementCount[unsignedLine(element.line)];
  const std::vector<std::string> map = crlfLines(TestSupport::readFile(dir / "app_Vek.m51"));
  // A line that the map lists twice (a template's static member defined in two units)
  // is covered twice.
  std::map<std::string, int> mapCount;
  for (const std::string& line : map)
    ++mapCount[unsignedLine(line)];
  int failures = 0;
  for (const auto& [line, count] : mapCount) {
    const int covered = elementCount[line];
    if (covered != count && ++failures <= 20) {
      ADD_FAILURE() << "map line listed " << count << " times covered by " << covered
                    << " A2L elements: " << line;
    }
  }

  const std::vector<GdbVerdict>& verdicts = gdb.verdicts;
  EXPECT_EQ(verdicts.size(), elements.size());
  std::size_t constElements = 0;
  for (std::size_t k = 0; k < verdicts.size() && k < elements.size(); ++k) {
    const std::vector<std::string>& fields = verdicts[k].fields;
    const bool inMap = mapCount.count(unsignedLine(elements[k].line)) != 0;
    const bool isConst = fields.size() > 5 && fields[5] == "1";
    if (!inMap) ++constElements;
    if (!inMap && !isConst && ++failures <= 20) {
      ADD_FAILURE() << "A2L element neither a map line nor const: " << elements[k].line;
    }
    const std::string enumeration = fields.size() > 6 ? fields[6] : "";
    if (enumeration != "" && enumeration != "ok" && ++failures <= 20) {
      ADD_FAILURE() << "enumerators of " << fields[2] << ": A2L " << elements[k].enumerators
                    << ", GDB " << enumeration;
    }
  }
  EXPECT_EQ(failures, 0);
  std::cout << "  A2L: " << a2l.file.objects.size() << " objects, " << elements.size()
            << " elements (" << constElements << " const), " << gdb.summary << std::endl;
}

// Checks the map, the database and the A2L file that the converter wrote into `dir` for
// the image `dir`/app.elf against what GDB reads from the image, in one run of GDB.
void expectAllAgreeWithGdb(const TempDir& dir, const std::string& label) {
  const A2lExpansion a2l = expandA2l(dir);
  GdbCheck map{"app_Vek.m51", "", {}, {}};
  GdbCheck a2lMap{"a2l_Vek.m51", "a2l_enumerations.txt", {}, {}};
  ASSERT_NO_FATAL_FAILURE(checkWithGdb(dir, {&map, &a2lMap}));
  expectAgreementWithGdb(dir, label, map);
  expectA2lDescribesTheMapAndTheConstData(dir, a2l, a2lMap);
}

// The lines of two texts that differ, at most 20, for a failure message.
std::string firstDifferences(const std::string& expected, const std::string& actual) {
  std::istringstream left(expected), right(actual);
  std::string a, b, out;
  int shown = 0;
  for (int line = 1; shown < 20; ++line) {
    const bool moreLeft = static_cast<bool>(std::getline(left, a));
    const bool moreRight = static_cast<bool>(std::getline(right, b));
    if (!moreLeft && !moreRight) break;
    if (!moreLeft) a = "<none>";
    if (!moreRight) b = "<none>";
    if (a != b) {
      out += "line " + std::to_string(line) + "\n  dump:   " + a + "\n  direct: " + b + "\n";
      ++shown;
    }
  }
  return out;
}

// The console without the lines that differ by design: the stage lines and the files
// read (a dump converted on its own names no ELF file).
std::string consoleWithoutStages(const std::string& console) {
  std::istringstream in(console);
  std::string line, out;
  while (std::getline(in, line)) {
    if (line.find("Seconds Since Start") != std::string::npos || line.starts_with("inputFile :") ||
        line.starts_with("elfFile :")) {
      continue;
    }
    out += line + "\n";
  }
  return out;
}

// Reading the image's own debug sections gives the model that the dump in `dir` gives,
// field by field, and --direct writes the same files as the conversion through objdump
// did there with `options`.
void expectDirectReadingAgrees(const TempDir& dir, const std::string& dumpFile,
                               const std::vector<std::string>& options) {
  Model::ModelStore fromDump;
  const std::string elf = dir.file("app.elf");
  Dump::loadDumpText(fromDump, TestSupport::readFile(dir / dumpFile),
                     [&elf]() -> std::optional<Dump::ImageAddressSection> {
                       const auto image = Elf::ElfImage::read(elf);
                       const Elf::Section* section =
                           image ? image->section(".debug_addr") : nullptr;
                       if (section == nullptr) return std::nullopt;
                       auto bytes = image->contents(*section);
                       if (!bytes) return std::nullopt;
                       return Dump::ImageAddressSection{std::move(*bytes), image->littleEndian()};
                     });
  Model::ModelStore direct;
  std::string whyNot;
  ASSERT_TRUE(Elf::loadImage(direct, elf, whyNot)) << whyNot;
  const std::string expected = TestSupport::listModel(fromDump);
  const std::string actual = TestSupport::listModel(direct);
  EXPECT_TRUE(expected == actual) << firstDifferences(expected, actual);

  TempDir other;
  std::filesystem::copy_file(dir / "app.elf", other / "app.elf");
  std::vector<std::string> command{SKARVEL_PROGRAM, "--direct"};
  command.insert(command.end(), options.begin(), options.end());
  command.push_back(other.file("app.elf"));
  ASSERT_EQ(TestSupport::runCommand(command, other / "console.txt"), 0);
  EXPECT_FALSE(std::filesystem::exists(other / "app_ObjDump.txt"));
  for (const char* file :
       {"app_Vek.m51", "app_CANape.db", "app_Vek.a2l", "app_Vek.m51_StyleWarnings.log"}) {
    ASSERT_EQ(std::filesystem::exists(dir / file), std::filesystem::exists(other / file)) << file;
    if (!std::filesystem::exists(dir / file)) continue;
    const std::string a = TestSupport::readFile(dir / file),
                      b = TestSupport::readFile(other / file);
    EXPECT_TRUE(a == b) << file << "\n" << firstDifferences(a, b);
  }
  const std::string consoleA = consoleWithoutStages(TestSupport::readFile(dir / "console.txt"));
  std::string consoleB = consoleWithoutStages(TestSupport::readFile(other / "console.txt"));
  const std::string otherFolder = other.file(""), folder = dir.file("");
  for (std::size_t at; (at = consoleB.find(otherFolder)) != std::string::npos;)
    consoleB.replace(at, otherFolder.size(), folder);
  EXPECT_EQ(consoleA, consoleB);
}

// Builds the variant's program with `flags` and converts it in `dir`.
void convertVariant(const Variant& variant, const std::vector<std::string>& flags,
                    const TempDir& dir) {
  std::vector<std::filesystem::path> sources;
  for (const std::string& source : variant.program.sources)
    sources.push_back(TestSupport::corpusDir() / source);
  TestSupport::ImageRecipe recipe{variant.label, sources, flags, variant.program.cxx};
  recipe.clang = variant.clang;
  const auto image = TestSupport::buildImage(recipe);
  std::filesystem::copy_file(image, dir / "app.elf");
  ASSERT_EQ(
      TestSupport::runCommand({SKARVEL_PROGRAM, "--a2l", dir.file("app.elf")}, dir / "console.txt"),
      0);
}

TEST_P(Corpus, AgreesWithGdbOnEveryMapLine) {
  const Variant& variant = GetParam();
  TempDir dir;
  ASSERT_NO_FATAL_FAILURE(convertVariant(variant, variant.flags, dir));
  expectAllAgreeWithGdb(dir, variant.label);
  expectDirectReadingAgrees(dir, "app_ObjDump.txt", {"--a2l"});
  if (!variant.typeUnits) return;

  // The types are really in type units, and none went missing ...
  const std::string dump = TestSupport::readFile(dir / "app_ObjDump.txt");
  EXPECT_NE(dump.find("   Signature:     0x"), std::string::npos);
  const std::string console = TestSupport::readFile(dir / "console.txt");
  EXPECT_EQ(console.find("lost their type"), std::string::npos) << console;
  EXPECT_EQ(console.find("could not be placed"), std::string::npos) << console;
  // ... and the map is the one of the same program built without them.
  TempDir plain;
  std::vector<std::string> flags = variant.flags;
  std::erase(flags, kTypeUnits);
  ASSERT_NO_FATAL_FAILURE(convertVariant(variant, flags, plain));
  const std::vector<std::string> withTypeUnits =
      crlfLines(TestSupport::readFile(dir / "app_Vek.m51"));
  const std::vector<std::string> without = crlfLines(TestSupport::readFile(plain / "app_Vek.m51"));
  EXPECT_EQ(withTypeUnits.size(), without.size());
  int differences = 0;
  for (std::size_t k = 0; k < std::min(withTypeUnits.size(), without.size()); ++k) {
    if (withTypeUnits[k] != without[k] && ++differences <= 20) {
      ADD_FAILURE() << "map line " << k + 1 << " with type units: " << withTypeUnits[k]
                    << "; without: " << without[k];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Images, Corpus, testing::ValuesIn(variants()),
                         [](const testing::TestParamInfo<Variant>& info) {
                           return info.param.label;
                         });

// Dumps that other objdump releases wrote, kept with their images (objdumps/make-data
// says how): the converter reads each as it would a dump written earlier.
struct KeptDump {
  std::string image;
  std::string release;
};

void PrintTo(const KeptDump& kept, std::ostream* out) {
  *out << kept.image << "_" << kept.release;
}

class OtherObjdumps : public testing::TestWithParam<KeptDump> {};

TEST_P(OtherObjdumps, AgreeWithGdbOnEveryMapLine) {
  const KeptDump& kept = GetParam();
  const auto folder = TestSupport::corpusDir() / "objdumps";
  TempDir dir;
  std::filesystem::copy_file(folder / (kept.image + ".elf"), dir / "app.elf");
  std::filesystem::copy_file(folder / (kept.image + "_" + kept.release + "_ObjDump.txt"),
                             dir / "app_ObjDump.txt");
  ASSERT_EQ(
      TestSupport::runCommand({SKARVEL_PROGRAM, "--a2l", dir.file("app.txt")}, dir / "console.txt"),
      0);
  // Every variable was placed: the dump holds the tables the converter asks for.
  const std::string console = TestSupport::readFile(dir / "console.txt");
  EXPECT_EQ(console.find("could not be placed"), std::string::npos) << console;
  EXPECT_EQ(console.find("written at address 0"), std::string::npos) << console;
  expectAllAgreeWithGdb(dir, kept.image + "_" + kept.release);
  expectDirectReadingAgrees(dir, "app_ObjDump.txt", {"--a2l"});
}

std::vector<KeptDump> keptDumps() {
  std::vector<KeptDump> all;
  for (const std::string image : {"gcc4", "gcc5s", "clang5", "clang5s", "mixed"}) {
    for (const std::string release : {"2.44", "2.47"})
      all.push_back({image, release});
  }
  return all;
}

INSTANTIATE_TEST_SUITE_P(Releases, OtherObjdumps, testing::ValuesIn(keptDumps()),
                         [](const testing::TestParamInfo<KeptDump>& info) {
                           std::string name = info.param.image + "_" + info.param.release;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Two small programs whose files are kept in the repository, so that any change of the
// output shows in review. They are built without the C library and with sources named
// relative to their folder, so that nothing but the compiler's version enters them.
struct Golden {
  std::string name;
  std::vector<std::string> sources;
  bool cxx;
};

void PrintTo(const Golden& golden, std::ostream* out) {
  *out << golden.name;
}

class GoldenFiles : public testing::TestWithParam<Golden> {};

// The image of a golden program, built the same on every machine.
std::filesystem::path goldenImage(const Golden& golden) {
  std::vector<std::filesystem::path> sources(golden.sources.begin(), golden.sources.end());
  std::vector<std::string> flags{"-gdwarf-4", "-O0", "-nostdlib", "-Wl,--entry=main"};
  if (golden.cxx) flags.insert(flags.end(), {"-fno-rtti", "-fno-exceptions"});
  return TestSupport::buildImage(
      {golden.name, sources, flags, golden.cxx, true, TestSupport::corpusDir()});
}

const Golden kGoldenC{"golden_c", {"registers.c", "ring.c"}, false};
const Golden kGoldenCpp{"golden_cpp", {"app.cpp", "golden_stubs.cpp"}, true};

TEST_P(GoldenFiles, AreWrittenByteForByte) {
  const Golden& golden = GetParam();
  const auto image = goldenImage(golden);
  TempDir dir;
  std::filesystem::copy_file(image, dir / (golden.name + ".elf"));
  ASSERT_EQ(TestSupport::runCommand({SKARVEL_PROGRAM, "--a2l", dir.file(golden.name + ".elf")},
                                    dir / "console.txt"),
            0);
  const auto goldenDir = TestSupport::corpusDir() / "golden";
  const bool update = std::getenv("SKARVEL_UPDATE_GOLDEN") != nullptr;
  for (const std::string suffix :
       {"_Vek.m51", "_CANape.db", "_Vek.m51_StyleWarnings.log", "_Vek.a2l"}) {
    const std::string file = golden.name + suffix;
    const bool written = std::filesystem::exists(dir / file);
    if (update) {
      std::filesystem::create_directories(goldenDir);
      if (written)
        std::filesystem::copy_file(dir / file, goldenDir / file,
                                   std::filesystem::copy_options::overwrite_existing);
      continue;
    }
    ASSERT_EQ(written, std::filesystem::exists(goldenDir / file)) << file;
    if (!written) continue;
    EXPECT_TRUE(TestSupport::readFile(dir / file) == TestSupport::readFile(goldenDir / file))
        << file << " differs from its golden copy; run the tests with SKARVEL_UPDATE_GOLDEN=1 to "
        << "take the new output after review";
  }
}

// The C program's image is kept beside its files, so that the Windows build, which has
// no compiler to build it, reads it directly and compares: read here, it must give the
// golden files. (Its bytes name the folder it was built in, so they are not compared.)
TEST(GoldenImage, GivesTheGoldenFilesReadDirectly) {
  const auto goldenDir = TestSupport::corpusDir() / "golden";
  if (std::getenv("SKARVEL_UPDATE_GOLDEN") != nullptr) {
    std::filesystem::copy_file(goldenImage(kGoldenC), goldenDir / "golden_c.elf",
                               std::filesystem::copy_options::overwrite_existing);
  }
  TempDir dir;
  std::filesystem::copy_file(goldenDir / "golden_c.elf", dir / "golden_c.elf");
  ASSERT_EQ(
      TestSupport::runCommand({SKARVEL_PROGRAM, "--direct", "--a2l", dir.file("golden_c.elf")},
                              dir / "console.txt"),
      0);
  for (const std::string suffix :
       {"_Vek.m51", "_CANape.db", "_Vek.m51_StyleWarnings.log", "_Vek.a2l"}) {
    EXPECT_TRUE(TestSupport::readFile(dir / ("golden_c" + suffix)) ==
                TestSupport::readFile(goldenDir / ("golden_c" + suffix)))
        << suffix << " differs: run the tests with SKARVEL_UPDATE_GOLDEN=1, which also keeps "
        << "the golden program's new image";
  }
}

// An entry whose tag objdump has no name for ("Unknown TAG value: 0x7e") is an entry of
// its own through both readers: its attributes and children are not given to the entry
// before it.
TEST(GoldenImage, KeepsAnEntryOfATagWithoutName) {
  TempDir dir;
  const auto image = TestSupport::corpusDir() / "golden" / "golden_c.elf";
  std::string bytes = TestSupport::readFile(image);
  const std::optional<Elf::ElfImage> elf = Elf::ElfImage::read(image.string());
  ASSERT_TRUE(elf.has_value());
  // The second abbreviation of the first table: past the first one's code, tag, children
  // flag and attribute pairs (all one-byte numbers in this table) and its own code.
  std::size_t at = elf->section(".debug_abbrev")->fileOffset + 3;
  while (bytes[at] != 0 || bytes[at + 1] != 0)
    at += 2;
  at += 3;
  bytes[at] = 0x7e;  // a tag number that no DWARF version defines
  TestSupport::writeFile(dir / "app.elf", bytes);
  ASSERT_EQ(
      TestSupport::runCommand({SKARVEL_PROGRAM, "--a2l", dir.file("app.elf")}, dir / "console.txt"),
      0);
  EXPECT_NE(TestSupport::readFile(dir / "app_ObjDump.txt").find("(Unknown TAG value: 0x7e)"),
            std::string::npos);
  expectDirectReadingAgrees(dir, "app_ObjDump.txt", {"--a2l"});
}

INSTANTIATE_TEST_SUITE_P(Programs, GoldenFiles, testing::Values(kGoldenC, kGoldenCpp),
                         [](const testing::TestParamInfo<Golden>& info) {
                           return info.param.name;
                         });

// A2L files that a project keeps, written by hand in the styles of real projects
// (tests/data/a2l): updated from a golden program, they must agree with GDB on every
// object's address, datatype, mask and number of values, and equal their kept copies byte
// for byte, which shows that nothing else changed. Their long identifiers say what GDB
// reads each object as: a C expression, "gone" for a symbol the image no longer has, or
// "-" for a name that is no symbol.
struct KeptA2l {
  Golden program;
  std::string file;  // in tests/data/a2l
};

void PrintTo(const KeptA2l& kept, std::ostream* out) {
  *out << kept.file;
}

class KeptA2lFiles : public testing::TestWithParam<KeptA2l> {};

// The tokens of a block outside its nested blocks.
std::vector<std::string_view> ownTokens(const A2l::Description& d, const A2l::Block& block) {
  std::vector<std::string_view> own;
  std::size_t child = 0;
  for (std::size_t at = block.firstInside(); at < block.lastInside();) {
    if (child < block.children.size() && block.children[child].begin == at) {
      at = block.children[child].end + 2;
      ++child;
      continue;
    }
    own.push_back(d.text(d.tokens()[at++]));
  }
  return own;
}

std::uint64_t numberOf(std::string_view token) {
  return std::stoull(std::string(token), nullptr, 0);
}

// One line for gdb_expressions.py per object that names a symbol, and the addresses of
// those whose symbol is gone.
void describeObjects(const A2l::Description& d, const std::vector<A2l::Block>& blocks,
                     std::map<std::string, std::string>& layouts, std::string& lines,
                     std::vector<std::string>& gone) {
  for (const A2l::Block& block : blocks) {
    describeObjects(d, block.children, layouts, lines, gone);
    const std::vector<std::string_view> own = ownTokens(d, block);
    if (own.size() < 4) continue;
    const std::string kind(block.keyword);
    if (kind != "MEASUREMENT" && kind != "CHARACTERISTIC" && kind != "AXIS_PTS" && kind != "BLOB" &&
        kind != "INSTANCE") {
      continue;
    }
    const std::string quoted(own[1]);
    const std::string expression = quoted.substr(1, quoted.size() - 2);
    if (expression == "-") continue;
    std::uint64_t address = 0, size = 0, mask = 0, count = 0;
    std::string what = "value";
    const auto after = [&](std::string_view keyword) -> std::optional<std::string_view> {
      for (std::size_t k = 2; k + 1 < own.size(); ++k) {
        if (own[k] == keyword) return own[k + 1];
      }
      return std::nullopt;
    };
    if (kind == "MEASUREMENT") {
      address = numberOf(after("ECU_ADDRESS").value_or("0"));
      size = TestSupport::a2lDatatypeSize(std::string(own[2]));
    } else if (kind == "CHARACTERISTIC") {
      address = numberOf(own[3]);
      size = TestSupport::a2lDatatypeSize(layouts[std::string(own[4])]);
    } else if (kind == "AXIS_PTS") {
      what = "axis";
      address = numberOf(own[2]);
      count = numberOf(own[7]);
    } else if (kind == "BLOB") {
      what = "blob";
      address = numberOf(own[2]);
      size = numberOf(own[3]);
    } else {
      what = "instance";
      address = numberOf(own[3]);
    }
    if (const auto bits = after("BIT_MASK")) mask = numberOf(*bits);
    if (const auto number = after("NUMBER")) count = numberOf(*number);
    for (std::size_t k = 2; k < own.size(); ++k) {
      if (own[k] != "MATRIX_DIM") continue;
      count = 1;
      for (std::size_t v = k + 1; v < own.size() && std::isdigit(own[v][0]); ++v)
        count *= numberOf(own[v]);
    }
    if (expression == "gone") {
      if (address != 0) gone.push_back(std::string(own[0]));
      continue;
    }
    char line[512];
    std::snprintf(line, sizeof line, "%s\t%s\t%#llx\t%llu\t%#llx\t%llu\n", expression.c_str(),
                  what.c_str(), static_cast<unsigned long long>(address),
                  static_cast<unsigned long long>(size), static_cast<unsigned long long>(mask),
                  static_cast<unsigned long long>(count));
    lines += line;
  }
}

void collectLayouts(const A2l::Description& d, const std::vector<A2l::Block>& blocks,
                    std::map<std::string, std::string>& layouts) {
  for (const A2l::Block& block : blocks) {
    collectLayouts(d, block.children, layouts);
    const std::vector<std::string_view> own = ownTokens(d, block);
    if (block.keyword == "RECORD_LAYOUT" && own.size() >= 4) {
      layouts[std::string(own[0])] = std::string(own[3]);
    }
  }
}

TEST_P(KeptA2lFiles, AreUpdatedToWhatGdbReadsAndNothingElse) {
  const KeptA2l& kept = GetParam();
  const auto image = goldenImage(kept.program);
  TempDir dir;
  const std::string name = kept.program.name;
  std::filesystem::copy_file(image, dir / "app.elf");
  const std::string input = (TestSupport::dataDir() / "a2l" / kept.file).string();
  ASSERT_EQ(TestSupport::runCommand({SKARVEL_PROGRAM, "--update-a2l", input, dir.file("app.elf")},
                                    dir / "console.txt"),
            0);
  const std::string updated = TestSupport::readFile(dir / "app_Vek.a2l");
  // The first line names the input's path, which differs from machine to machine.
  const std::string body = updated.substr(updated.find('\n') + 1);
  std::string stem = kept.file.substr(0, kept.file.rfind('.'));
  std::replace(stem.begin(), stem.end(), '/', '_');
  const auto golden = TestSupport::corpusDir() / "golden" / (name + "_" + stem + "_Vek.a2l");
  if (std::getenv("SKARVEL_UPDATE_GOLDEN") != nullptr) {
    TestSupport::writeFile(golden, body);
  } else {
    EXPECT_TRUE(body == TestSupport::readFile(golden))
        << kept.file << " updates to other bytes than its golden copy; run the tests with "
        << "SKARVEL_UPDATE_GOLDEN=1 to take the new output after review";
  }

  std::string error;
  const auto description = A2l::Description::fromText("updated.a2l", updated, error);
  ASSERT_NE(description, nullptr) << error;
  std::map<std::string, std::string> layouts;
  collectLayouts(*description, description->blocks(), layouts);
  std::string lines;
  std::vector<std::string> gone;
  describeObjects(*description, description->blocks(), layouts, lines, gone);
  EXPECT_TRUE(gone.empty()) << "a gone symbol kept an address: " << gone.front();
  TestSupport::writeFile(dir / "objects.txt", lines);
  ASSERT_EQ(
      TestSupport::runCommand(
          {SKARVEL_GDB, "-nx", "-batch", "-ex",
           "python CHECK_ARGS = ['" + dir.file("objects.txt") + "', '" + dir.file("verdicts.txt") +
               "']",
           "-x", (TestSupport::corpusDir() / "gdb_expressions.py").string(), dir.file("app.elf")},
          dir / "gdb-console.txt"),
      0)
      << TestSupport::readFile(dir / "gdb-console.txt");
  std::istringstream objects(lines);
  std::istringstream verdicts(TestSupport::readFile(dir / "verdicts.txt"));
  std::size_t checked = 0;
  for (std::string object, verdict; std::getline(objects, object);) {
    std::getline(verdicts, verdict);
    ++checked;
    EXPECT_TRUE(verdict.starts_with("ok")) << object << ": GDB " << verdict;
  }
  EXPECT_GE(checked, 2u);
}

INSTANTIATE_TEST_SUITE_P(Styles, KeptA2lFiles,
                         testing::Values(KeptA2l{kGoldenC, "tool_style.a2l"},
                                         KeptA2l{kGoldenC, "crlf_latin1.a2l"},
                                         KeptA2l{kGoldenC, "nested/main.a2l"},
                                         KeptA2l{kGoldenCpp, "cpp_scopes.a2l"}),
                         [](const testing::TestParamInfo<KeptA2l>& info) {
                           std::string name = info.param.file.substr(0, info.param.file.rfind('.'));
                           std::replace(name.begin(), name.end(), '/', '_');
                           return name;
                         });

}  // namespace
