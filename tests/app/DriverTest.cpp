#include "app/Driver.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/Usage.h"
#include "tests/support/FakeTool.h"

namespace {

using TestSupport::FakeTool;
using TestSupport::readFile;
using TestSupport::TempDir;

struct Conversion {
  int status;
  std::string out;
  std::string err;
};

// The elapsed seconds are whole numbers; a run may cross a second boundary, so they are
// shown as "N".
Conversion convert(const std::vector<std::string>& arguments) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = App::runConverter(arguments, out, err);
  static const std::regex seconds("Seconds Since Start: [0-9]+\n");
  return {status, std::regex_replace(out.str(), seconds, "Seconds Since Start: N\n"), err.str()};
}

// Runs with the working directory in `dir`, for paths relative to it.
class InDirectory {
 public:
  explicit InDirectory(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

std::vector<std::string> filesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kUsage =
    "ELF TO KEIL M51 MEMORY MAP FILE GENERATOR\n"
    "BUILD: " +
    std::string(App::buildDate()) +
    "\n"
    "Call: program \"elf_file.elf\"\n"
    "       -  generates map file from elf file\n"
    "Call: program \"objDumpOutput.txt\"\n"
    "       -  generates map file from objDumpFile\n"
    "Call: Skarvel \"directory\"\n"
    "       -  generate map file from elf files found in directory\n"
    "\n"
    "Generated files will have the same name as used input filename + _ObjDump.txt + _Vek.m51 + "
    "_CANape.db\n"
    "Internal ObjDump Call will be \"arm-none-eabi-objdump -WlLiaprmfFsoRt  inputFile.elf > "
    "inputFile.txt\"\n";

TEST(Driver, PrintsTheUsageWithoutAPath) {
  TempDir dir;
  const InDirectory here(dir.path());
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"app.elf", ""}}) {
    const Conversion run = convert(arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kUsage);
    EXPECT_EQ(run.err, "");
  }
  EXPECT_TRUE(filesIn(dir).empty());
}

TEST(Driver, BuildDateIsMonthDayAndYear) {
  EXPECT_TRUE(std::regex_match(std::string(App::buildDate()),
                               std::regex("[A-Z][a-z]{2} [ 123][0-9] [0-9]{4}")))
      << App::buildDate();
}

TEST(Driver, ConvertsADumpTextWithoutRunningObjdump) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", "touch " + dir.file("objdump-ran"));
  TestSupport::writeFile(dir / "app_ObjDump.txt", "");
  const Conversion run = convert({dir.file("app.txt")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "inputFile : " + dir.file("app_ObjDump.txt") + "\n" +
                         "outFileMap : " + dir.file("app_Vek.m51") + "\n" +
                         "Parsing Dwarf finished -> Seconds Since Start: N\n" +
                         "Vek M51 + CANape finished " + dir.file("app_Vek.m51") +
                         " -> Seconds Since Start: N\n");
  EXPECT_EQ(filesIn(dir),
            (std::vector<std::string>{"app_CANape.db", "app_ObjDump.txt", "app_Vek.m51"}));
  EXPECT_EQ(readFile(dir / "app_Vek.m51"), "");
  EXPECT_EQ(readFile(dir / "app_CANape.db"),
            "VERSION 104 COMMENT \"CANAPE DB\"\r\nGROUP 'Zu_Signals' : \"\"\r\n['Zu_Signals']\r\n");
}

TEST(Driver, GoesOnWithAnEmptyStoreWhenTheDumpIsMissing) {
  TempDir dir;
  const Conversion run = convert({dir.file("app_ObjDump.txt")});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("inputFile : " + dir.file("app_ObjDump_ObjDump.txt") + "\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("Parsing Dwarf finished"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "app_ObjDump_Vek.m51"));
}

TEST(Driver, TakesOnlyTheLastArgumentAndRunsObjdumpOnIt) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", TestSupport::kEchoArguments);
  const Conversion run = convert({dir.file("a.elf"), dir.file("b.elf")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.substr(0, run.out.find("Parsing")),
            "inputFile : " + dir.file("b_ObjDump.txt") + "\n" + "outFileMap : " +
                dir.file("b_Vek.m51") + "\n" + "elfFile : " + dir.file("b.elf") + "\n" +
                "ObjDump finished " + dir.file("b_ObjDump.txt") + " -> Seconds Since Start: N\n");
  EXPECT_EQ(readFile(dir / "b_ObjDump.txt"), "-WlLiaprmfFsoRt\n" + dir.file("b.elf") + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "a_ObjDump.txt"));
}

TEST(Driver, TreatsEveryExtensionOfElfLettersAsAnImage) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", TestSupport::kEchoArguments);
  const Conversion run = convert({dir.file("app.fle")});
  EXPECT_NE(run.out.find("elfFile : " + dir.file("app.fle")), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "app_ObjDump.txt"));
}

TEST(Driver, KeepsEveryCharacterOfTheImagePath) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", TestSupport::kEchoArguments);
  for (const std::string name :
       {"my app.elf", "it's \"q\".elf", "a;touch x;.elf", "$(touch y).elf", "`touch z`.elf"}) {
    const Conversion run = convert({dir.file(name)});
    EXPECT_EQ(run.status, 0) << name;
    const std::string stem = name.substr(0, name.size() - 4);
    EXPECT_EQ(readFile(dir / (stem + "_ObjDump.txt")), "-WlLiaprmfFsoRt\n" + dir.file(name) + "\n");
    EXPECT_TRUE(std::filesystem::exists(dir / (stem + "_Vek.m51"))) << name;
  }
  for (const char* stray : {"x", "y", "z"}) {
    EXPECT_FALSE(std::filesystem::exists(dir / stray));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / stray));
  }
}

TEST(Driver, EndsWithTheStatusOfAFailingObjdump) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", "exit 3");
  const Conversion run = convert({dir.file("app.elf")});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.err, "failed executing arm-none-eabi-objdump!\n");
  EXPECT_EQ(run.out.find("Parsing"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "app_Vek.m51"));
}

TEST(Driver, EndsWith127WhenObjdumpIsMissing) {
  TempDir dir;
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  setenv("PATH", dir.path().c_str(), 1);
  const Conversion run = convert({dir.file("app.elf")});
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(run.status, 127);
  EXPECT_EQ(run.err, "failed executing arm-none-eabi-objdump!\n");
}

TEST(Driver, EndsWith2WhenTheDumpFileCannotBeCreated) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", "touch " + dir.file("started"));
  const Conversion run = convert({dir.file("missing-folder/app.elf")});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "failed executing arm-none-eabi-objdump!\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "started"));
}

TEST(Driver, WritesRelativeToTheWorkingDirectoryForAPathWithoutADot) {
  TempDir dir;
  const InDirectory here(dir.path());
  TestSupport::writeFile(dir / "_ObjDump.txt", "");
  const Conversion run = convert({"app"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.substr(0, run.out.find("Parsing")),
            "inputFile : _ObjDump.txt\noutFileMap : _Vek.m51\n");
  EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"_CANape.db", "_ObjDump.txt", "_Vek.m51"}));
}

}  // namespace
