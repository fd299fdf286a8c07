// The program itself on a real image: objdump runs, and the files must agree with the
// symbol table and with the layout of the sample's source.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "model/ModelStore.h"
#include "output/CanapeFormat.h"
#include "output/OutputRun.h"
#include "tests/support/DumpText.h"
#include "tests/support/TempDir.h"
#include "tests/support/Toolchain.h"

namespace {

using TestSupport::TempDir;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "a line without CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

struct MapLine {
  std::uint32_t address;
  std::string word;
  std::string name;
};

MapLine parseMapLine(const std::string& line) {
  static const std::regex shape(R"(^([0-9a-f]{8})H     SYMBOL  DATA  (\S+) *    (.*)$)");
  std::smatch m;
  EXPECT_TRUE(std::regex_match(line, m, shape)) << line;
  return {static_cast<std::uint32_t>(std::stoul(m[1].str(), nullptr, 16)), m[2].str(), m[3].str()};
}

class SampleConversion : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto data = TestSupport::dataDir();
    const auto image =
        TestSupport::buildImage({"end_to_end",
                                 {data / "sample.c", data / "other.c", data / "twice.c"},
                                 {"-gdwarf-4", "-O0"}});
    dir_ = new TempDir;
    std::filesystem::copy_file(image, *dir_ / "app.elf");
    const std::string program = SKARVEL_PROGRAM;
    ASSERT_EQ(TestSupport::runCommand({program, dir_->file("app.elf")}, *dir_ / "console.txt"), 0);
    for (const std::string& line : linesOf(TestSupport::readFile(*dir_ / "app_Vek.m51"))) {
      map_.push_back(parseMapLine(line));
    }
    database_ = linesOf(TestSupport::readFile(*dir_ / "app_CANape.db"));
    std::istringstream symbols(TestSupport::symbolTable(image));
    std::string address, type, name;
    while (symbols >> address >> type >> name) {
      symbols_[name] = static_cast<std::uint32_t>(std::stoul(address, nullptr, 16));
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::uint32_t addressOf(const std::string& name) {
    for (const MapLine& line : map_) {
      if (line.name == name) return line.address;
    }
    ADD_FAILURE() << name << " is not in the map";
    return 0;
  }
  static std::uint32_t symbol(const std::string& name) {
    const auto found = symbols_.find(name);
    EXPECT_NE(found, symbols_.end()) << name;
    return found == symbols_.end() ? 0 : found->second;
  }

  static TempDir* dir_;
  static std::vector<MapLine> map_;
  static std::vector<std::string> database_;
  static std::map<std::string, std::uint32_t> symbols_;
};

TempDir* SampleConversion::dir_ = nullptr;
std::vector<MapLine> SampleConversion::map_;
std::vector<std::string> SampleConversion::database_;
std::map<std::string, std::uint32_t> SampleConversion::symbols_;

TEST_F(SampleConversion, WritesOneDatabaseLinePerMapLineInTheSameOrder) {
  ASSERT_GT(map_.size(), 40u);
  ASSERT_EQ(database_.size(), map_.size() + 3);
  for (std::size_t k = 0; k < map_.size(); ++k) {
    const std::string& line = database_[k + 3];
    char address[16];
    std::snprintf(address, sizeof address, "0x%08x", map_[k].address);
    EXPECT_EQ(line.substr(0, 14), "VARIABLE 0x0 '");
    EXPECT_EQ(line.find("'" + Output::databaseName(map_[k].name) + "'  "), 13u) << line;
    EXPECT_NE(line.find(address), std::string::npos) << line;
  }
}

TEST_F(SampleConversion, PlacesTopLevelObjectsWhereTheSymbolTableHasThem) {
  for (const char* name : {"g_counter", "g_volatile", "g_mode", "g_next"}) {
    EXPECT_EQ(addressOf(name), symbol(name)) << name;
  }
  EXPECT_EQ(addressOf("g_pair.a"), symbol("g_pair"));
  EXPECT_EQ(addressOf("s_status.mode_Bits:012"), symbol("s_status"));
  EXPECT_EQ(addressOf("m_00_00"), symbol("m"));
  EXPECT_EQ(addressOf("g_word.all"), symbol("g_word"));
}

TEST_F(SampleConversion, PlacesMembersElementsAndBitFieldsAsTheSourceLaysThemOut) {
  EXPECT_EQ(addressOf("g_pair.b"), symbol("g_pair") + 2);
  EXPECT_EQ(addressOf("s_status.level_Bits:34567"), symbol("s_status"));
  EXPECT_EQ(addressOf("s_status.ready_Bit:8"), symbol("s_status"));
  EXPECT_EQ(addressOf("s_status.word"), symbol("s_status") + 2);  // beside the 9 bits
  EXPECT_EQ(addressOf("m_01_02"), symbol("m") + (1 * 4 + 2) * 4);
  EXPECT_EQ(addressOf("m_02_03"), symbol("m") + 11 * 4);
  EXPECT_EQ(addressOf("rows_01_01"), symbol("rows") + (1 * 2 + 1) * 4);
  EXPECT_EQ(addressOf("pairs_01.b"), symbol("pairs") + 4 + 2);
  EXPECT_EQ(addressOf("g_word.bytes_03"), symbol("g_word") + 3);
}

TEST_F(SampleConversion, ShowsSignednessSizeAndConstness) {
  for (const MapLine& line : map_) {
    const std::map<std::string, std::string> words{
        {"g_counter", "INT32"}, {"g_pair.b", "WORD"}, {"g_next", "DWORD"}, {"g_mode", "BYTE"}};
    if (const auto word = words.find(line.name); word != words.end()) {
      EXPECT_EQ(line.word, word->second) << line.name;
    }
    EXPECT_EQ(line.name.find("g_table"), std::string::npos) << "a const table is not listed";
  }
}

TEST_F(SampleConversion, ReportsTheStaticsThatShareANameInTheLog) {
  const std::string log = TestSupport::readFile(*dir_ / "app_Vek.m51_StyleWarnings.log");
  EXPECT_NE(log.find("Warning - Duplicate Static VariableName: counter\r\n"), std::string::npos);
  EXPECT_NE(log.find("Warning - Duplicate Static VariableName: point\r\n"), std::string::npos);
  const std::string data = TestSupport::dataDir().string();
  EXPECT_NE(log.find("  Location File: " + data + "/other.c(1)\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  Location File: " + data + "/sample.c(18)\r\n"), std::string::npos) << log;
}

TEST_F(SampleConversion, PrintsTheStageLines) {
  const std::string console = TestSupport::readFile(*dir_ / "console.txt");
  EXPECT_TRUE(std::regex_search(
      console, std::regex("ObjDump finished .*app_ObjDump.txt -> Seconds Since Start: [0-9]+\n")))
      << console;
  EXPECT_TRUE(std::regex_search(
      console,
      std::regex("Vek M51 \\+ CANape finished .*app_Vek.m51 -> Seconds Since Start: [0-9]+\n")));
}

}  // namespace

namespace {

// C++ in several units: a class complete only where its key function is, static data
// members (declared in the class, defined outside), namespaces and templates.
class CppConversion : public testing::TestWithParam<const char*> {};

TEST_P(CppConversion, ListsEveryObjectWithItsMembersWhereTheSymbolTableHasIt) {
  const auto data = TestSupport::dataDir();
  const auto image =
      TestSupport::buildImage({"cpp_end_to_end",
                               {data / "device.cpp", data / "uart.cpp", data / "sample.cpp"},
                               {GetParam(), "-O0"},
                               true});
  const auto store = TestSupport::loadFile(TestSupport::dumpImage(image).string());
  TempDir dir;
  std::ostringstream console;
  Output::generateOutputs(dir.file("cpp_Vek.m51"), dir.file("cpp_CANape.db"), *store, console);
  std::map<std::string, std::uint32_t> map;
  for (const std::string& line : linesOf(TestSupport::readFile(dir / "cpp_Vek.m51"))) {
    const MapLine parsed = parseMapLine(line);
    map.emplace(parsed.name, parsed.address);
  }
  std::map<std::string, std::uint32_t> symbols;
  std::istringstream table(TestSupport::symbolTable(image));
  std::string address, type, name;
  while (table >> address >> type >> name)
    symbols[name] = static_cast<std::uint32_t>(std::stoul(address, nullptr, 16));

  const std::vector<std::tuple<std::string, std::string, std::uint32_t>> expected{
      {"app::uart0._vptr.Device", "_ZN3app5uart0E", 0},
      {"app::uart0.id", "_ZN3app5uart0E", 4},
      {"app::uart0.flags", "_ZN3app5uart0E", 8},
      {"app::g_config.level", "_ZN3app8g_configE", 0},
      {"app::g_config.gain", "_ZN3app8g_configE", 1},
      {"app::Engine->x", "_ZN3app6Engine1xE", 0},
      {"app::engine._vptr.Engine", "_ZN3app6engineE", 0},
      {"app::engine.id", "_ZN3app6engineE", 4},
      {"app::engine.flags", "_ZN3app6engineE", 8},
      {"app::engine.speed", "_ZN3app6engineE", 10},
      {"app::v", "_ZN3app1vE", 0},
      {"app::buffer.data_03", "_ZN3app6bufferE", 3},
      {"app::buffer.head", "_ZN3app6bufferE", 4},
      {"app::::s_hidden", "_ZN3app12_GLOBAL__N_18s_hiddenE", 0},
  };
  for (const auto& [signal, symbol, offset] : expected) {
    ASSERT_TRUE(map.contains(signal)) << signal << " is missing";
    ASSERT_TRUE(symbols.contains(symbol)) << symbol;
    EXPECT_EQ(map[signal], symbols[symbol] + offset) << signal;
  }
  // The const static member is left out; nothing else is about the classes' own types.
  for (const auto& [signal, address] : map)
    EXPECT_EQ(signal.find("s_default"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(DwarfVersions, CppConversion,
                         testing::Values("-gdwarf-2", "-gdwarf-4", "-gdwarf-5"));

}  // namespace
