// Real firmware, checked against an independent reader: every program of the corpus is
// built with the installed toolchain in several DWARF versions and optimisation levels,
// converted by the program itself (so the real objdump runs), and every map line is
// compared with what GDB reads from the same ELF image.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>

#include "tests/support/A2lReader.h"
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

// The A2L file must describe each map line, in the map's order: the same name, address,
// size and signedness, and for a bit field a mask over the bits the map lists.
void expectA2lDescribesTheMap(const TempDir& dir) {
  const TestSupport::A2lFile a2l = TestSupport::readA2l(TestSupport::readFile(dir / "app_Vek.a2l"));
  for (std::size_t e = 0; e < a2l.errors.size() && e < 20; ++e)
    ADD_FAILURE() << "A2L: " << a2l.errors[e];
  EXPECT_EQ(a2l.byteOrder, "MSB_LAST");
  const std::vector<std::string> map = crlfLines(TestSupport::readFile(dir / "app_Vek.m51"));
  ASSERT_EQ(a2l.measurements.size(), map.size());
  static const std::regex line(
      R"(^([0-9a-f]{8})H     SYMBOL  DATA  (\S+) *    (.*?)(_Bits?:([0-9]+))?$)");
  static const std::map<std::string, unsigned> sizes{{"BYTE", 1},  {"INT8", 1},  {"WORD", 2},
                                                     {"INT16", 2}, {"DWORD", 4}, {"INT32", 4},
                                                     {"QWORD", 8}, {"INT64", 8}};
  int failures = 0;
  for (std::size_t k = 0; k < map.size() && failures < 20; ++k) {
    const TestSupport::A2lMeasurement& m = a2l.measurements[k];
    std::smatch f;
    ASSERT_TRUE(std::regex_match(map[k], f, line)) << map[k];
    std::string bits;
    if (m.bitMask) {
      unsigned low = 0;
      while (low < 64 && ((*m.bitMask >> low) & 1) == 0)
        ++low;
      for (unsigned bit = low; bit < 64 && ((*m.bitMask >> bit) & 1) != 0; ++bit)
        bits += std::to_string(bit);
    }
    const bool isSigned = m.datatype[0] == 'S' || m.datatype == "A_INT64";
    const auto size = sizes.find(f[2]);
    const bool agrees = m.longIdentifier == f[3].str() &&
                        m.ecuAddress == std::stoull(f[1], nullptr, 16) && size != sizes.end() &&
                        TestSupport::a2lDatatypeSize(m.datatype) == size->second &&
                        isSigned == f[2].str().starts_with("INT") && bits == f[5].str();
    if (!agrees) {
      ++failures;
      ADD_FAILURE() << "A2L measurement " << m.identifier << " (" << m.datatype << ") for map line "
                    << map[k];
    }
  }
}

void PrintTo(const Variant& variant, std::ostream* out) {
  *out << variant.label;
}
struct Golden;
void PrintTo(const Golden& golden, std::ostream* out);

class Corpus : public testing::TestWithParam<Variant> {};

// Checks the map and the database that the converter wrote into `dir` for the image
// `dir`/app.elf against what GDB reads from the image.
void expectAgreementWithGdb(const TempDir& dir, const std::string& label) {
  const std::string check = "python CHECK_ARGS = ['" + dir.file("app_Vek.m51") + "', '" +
                            SKARVEL_ARM_NM + "', '" + dir.file("gdb.txt") + "']";
  ASSERT_EQ(TestSupport::runCommand(
                {SKARVEL_GDB, "-nx", "-batch", "-ex", check, "-x",
                 (TestSupport::corpusDir() / "gdb_check.py").string(), dir.file("app.elf")},
                dir / "gdb-console.txt"),
            0)
      << TestSupport::readFile(dir / "gdb-console.txt");

  std::string summary;
  int failures = 0;
  std::size_t lines = 0;
  std::istringstream results(TestSupport::readFile(dir / "gdb.txt"));
  for (std::string line; std::getline(results, line);) {
    const std::vector<std::string> fields = tabFields(line);
    const std::string& status = fields[0];
    if (status == "summary") {
      summary = fields[1];
    } else if (status == "mismatch" || status == "missing" || status == "removed") {
      // "removed": a variable the linker removed, listed at address 0.
      ++lines;
      if (++failures <= 20) {
        ADD_FAILURE() << status << " line " << fields[1] << " " << fields[2] << ": ours "
                      << fields[3] << ", GDB " << fields[4];
      }
    } else if (status == "uncovered") {
      if (++failures <= 20)
        ADD_FAILURE() << "no map line for the object " << fields[1] << " at " << fields[2];
    } else if (status == "ok" || status == "elf") {
      ++lines;
    }
  }
  EXPECT_EQ(failures, 0);

  const std::vector<std::string> map = crlfLines(TestSupport::readFile(dir / "app_Vek.m51"));
  const std::vector<std::string> database = crlfLines(TestSupport::readFile(dir / "app_CANape.db"));
  EXPECT_EQ(lines, map.size());
  ASSERT_EQ(database.size(), map.size() + 3);
  int databaseFailures = 0;
  for (std::size_t k = 0; k < map.size(); ++k) {
    const std::string disagreement = databaseDisagreement(map[k], database[k + 3]);
    if (!disagreement.empty() && ++databaseFailures <= 20) {
      ADD_FAILURE() << "database line " << k + 4 << " (" << disagreement << ") for map line "
                    << map[k];
    }
  }
  std::cout << "corpus " << label << ": " << map.size() << " signals, " << summary << std::endl;
  testing::Test::RecordProperty("summary", summary);
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
  expectAgreementWithGdb(dir, variant.label);
  expectA2lDescribesTheMap(dir);
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
  expectAgreementWithGdb(dir, kept.image + "_" + kept.release);
  expectA2lDescribesTheMap(dir);
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

TEST_P(GoldenFiles, AreWrittenByteForByte) {
  const Golden& golden = GetParam();
  std::vector<std::filesystem::path> sources(golden.sources.begin(), golden.sources.end());
  std::vector<std::string> flags{"-gdwarf-4", "-O0", "-nostdlib", "-Wl,--entry=main"};
  if (golden.cxx) flags.insert(flags.end(), {"-fno-rtti", "-fno-exceptions"});
  const auto image = TestSupport::buildImage(
      {golden.name, sources, flags, golden.cxx, true, TestSupport::corpusDir()});
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

INSTANTIATE_TEST_SUITE_P(
    Programs, GoldenFiles,
    testing::Values(Golden{"golden_c", {"registers.c", "ring.c"}, false},
                    Golden{"golden_cpp", {"app.cpp", "golden_stubs.cpp"}, true}),
    [](const testing::TestParamInfo<Golden>& info) { return info.param.name; });

}  // namespace
