// The program as a Windows console program: starting objdump through CreateProcess,
// the command-line rules of Windows, wide paths, exit codes. Runs under Wine in CI.
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>

#include "app/Driver.h"
#include "app/ToolLauncher.h"
#include "app/WideText.h"
#include "tests/support/TempDir.h"

namespace {

using TestSupport::readFile;
using TestSupport::TempDir;

std::wstring environmentValue(const wchar_t* name) {
  const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) return {};
  std::wstring value(length, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), length));
  return value;
}

// arm-none-eabi-objdump.exe, the stand-in, first on the search path while it lives.
class StandInObjdump {
 public:
  explicit StandInObjdump(const std::string& dump = {}, int exitCode = 0)
      : oldPath_(environmentValue(L"PATH")) {
    std::filesystem::copy_file(SKARVEL_FAKE_OBJDUMP, dir_ / "arm-none-eabi-objdump.exe");
    SetEnvironmentVariableW(L"PATH", (dir_.path().wstring() + L";" + oldPath_).c_str());
    SetEnvironmentVariableW(L"SKARVEL_FAKE_DUMP",
                            dump.empty() ? nullptr : App::wideFromUtf8(dump).c_str());
    SetEnvironmentVariableW(L"SKARVEL_FAKE_EXIT", std::to_wstring(exitCode).c_str());
  }
  ~StandInObjdump() {
    SetEnvironmentVariableW(L"PATH", oldPath_.c_str());
    SetEnvironmentVariableW(L"SKARVEL_FAKE_DUMP", nullptr);
    SetEnvironmentVariableW(L"SKARVEL_FAKE_EXIT", nullptr);
  }
  StandInObjdump(const StandInObjdump&) = delete;
  StandInObjdump& operator=(const StandInObjdump&) = delete;

 private:
  TempDir dir_;
  std::wstring oldPath_;
};

const std::filesystem::path kGolden = std::filesystem::path(SKARVEL_TEST_CORPUS) / "golden";
const std::filesystem::path kGoldenDump =
    std::filesystem::path(SKARVEL_TEST_DATA) / "golden_c_ObjDump.txt";

std::string utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

struct Conversion {
  int status;
  std::string out;
  std::string err;
};

Conversion convert(const std::string& path) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = App::runConverter(std::vector<std::string>{path}, out, err);
  return {status, out.str(), err.str()};
}

void expectGoldenFiles(const std::filesystem::path& dir, const std::string& stem) {
  for (const char* suffix : {"_Vek.m51", "_CANape.db", "_Vek.m51_StyleWarnings.log"}) {
    EXPECT_TRUE(readFile(dir / (stem + suffix)) ==
                readFile(kGolden / (std::string("golden_c") + suffix)))
        << stem << suffix << " differs from the Linux output";
  }
}

TEST(WindowsLauncher, PassesEveryArgumentByTheRulesOfTheWindowsCommandLine) {
  const StandInObjdump objdump;
  TempDir dir;
  const std::vector<std::string> arguments{"two words",
                                           "quote\"d",
                                           "trailing\\",
                                           "with space\\",
                                           "",
                                           "a\\\\\"b",
                                           "C:\\Projekte\\\xC3\x9C"
                                           "berwachung\\app.elf",
                                           "tab\there",
                                           "semi;colon&amp|pipe"};
  ASSERT_EQ(App::runTool("arm-none-eabi-objdump", arguments, dir.file("out.txt")), 0);
  std::string expected;
  for (const std::string& argument : arguments)
    expected += argument + "\n";
  EXPECT_EQ(readFile(dir / "out.txt"), expected);
}

TEST(WindowsLauncher, EndsWithTheToolsExitCode) {
  TempDir dir;
  for (int code : {0, 1, 7, 255, 1000}) {
    const StandInObjdump objdump({}, code);
    EXPECT_EQ(App::runTool("arm-none-eabi-objdump", {}, dir.file("out.txt")), code);
  }
}

TEST(WindowsLauncher, Reports127ForAMissingToolAnd2ForADumpThatCannotBeCreated) {
  TempDir dir;
  EXPECT_EQ(App::runTool("skarvel-no-such-tool", {}, dir.file("out.txt")), App::kToolNotFound);
  const StandInObjdump objdump;
  EXPECT_EQ(App::runTool("arm-none-eabi-objdump", {}, dir.file("missing\\out.txt")),
            App::kOutputNotCreated);
}

TEST(WindowsLauncher, EndsAToolWhoseOutputGrowsPastTheLimit) {
  TempDir dir;
  const StandInObjdump objdump;
  SetEnvironmentVariableW(L"SKARVEL_FAKE_ENDLESS", L"1");
  bool stopped = false;
  EXPECT_EQ(App::runTool("arm-none-eabi-objdump", {}, dir.file("out.txt"), 1 << 20, &stopped),
            App::kOutputTooLarge);
  EXPECT_TRUE(stopped);
  SetEnvironmentVariableW(L"SKARVEL_FAKE_ENDLESS", nullptr);
  EXPECT_GT(std::filesystem::file_size(dir / "out.txt"), 1u << 20);
}

TEST(WindowsDriver, ConvertsADumpInAFolderWithANonAsciiName) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / u8"Projekte" / u8"\u00dcberwachung";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(kGoldenDump, folder / "golden_c_ObjDump.txt");
  const Conversion run = convert(utf8(folder / "golden_c.txt"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("inputFile : " + utf8(folder / "golden_c_ObjDump.txt")),
            std::string::npos);
  expectGoldenFiles(folder, "golden_c");
}

TEST(WindowsDriver, ConvertsAnImageThroughObjdump) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / u8"\u00dcberwachung app";
  std::filesystem::create_directories(folder);
  TestSupport::writeFile(folder / "app.elf", "an image");
  const StandInObjdump objdump(utf8(kGoldenDump));
  const Conversion run = convert(utf8(folder / "app.elf"));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("ObjDump finished " + utf8(folder / "app_ObjDump.txt")),
            std::string::npos);
  EXPECT_EQ(readFile(folder / "app_ObjDump.txt"), readFile(kGoldenDump));
  expectGoldenFiles(folder, "app");
}

// The image's own debug sections give the same bytes as on Linux, with no objdump.
TEST(WindowsDriver, ReadsAnImageDirectly) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / u8"\u00dcberwachung app";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(kGolden / "golden_c.elf", folder / "app.elf");
  std::ostringstream out;
  std::ostringstream err;
  const int status = App::runConverter(
      std::vector<std::string>{"--direct", "--a2l", utf8(folder / "app.elf")}, out, err);
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_FALSE(std::filesystem::exists(folder / "app_ObjDump.txt"));
  expectGoldenFiles(folder, "app");
}

// The dump is read while objdump writes it; an objdump that fails, even after a whole
// dump, leaves every earlier output as it was.
TEST(WindowsDriver, EndsWithTheStatusOfAFailingObjdump) {
  TempDir dir;
  TestSupport::writeFile(dir / "app.elf", "an image");
  for (const std::string& dump : {std::string(), utf8(kGoldenDump)}) {
    TestSupport::writeFile(dir / "app_Vek.m51", "the earlier map\r\n");
    const StandInObjdump objdump(dump, 5);
    const Conversion run = convert(dir.file("app.elf"));
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.err, "failed executing arm-none-eabi-objdump!\n");
    EXPECT_EQ(readFile(dir / "app_Vek.m51"), "the earlier map\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "app_CANape.db"));
  }
}

}  // namespace
