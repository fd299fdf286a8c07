#include "app/Driver.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/ExitStatus.h"
#include "app/Progress.h"
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

TEST(Driver, AnswersHelpAndVersionGivenAlone) {
  TempDir dir;
  const InDirectory here(dir.path());
  for (const std::string help : {"--help", "-h"}) {
    const Conversion run = convert({help});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with(kUsage)) << run.out;
    for (const char* option :
         {"--direct", "--a2l", "--characteristic PATTERN", "--characteristic-section NAME",
          "--update-a2l FILE", "--strict", "--help, -h", "--version"}) {
      EXPECT_NE(run.out.find("\n  " + std::string(option) + " "), std::string::npos) << option;
    }
  }
  const Conversion version = convert({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(
      std::regex_match(version.out, std::regex(R"(skarvel [0-9]+\.[0-9]+\.[0-9]+ \(built .*\)\n)")))
      << version.out;
  // Before a path they are options like any other, which these are not.
  EXPECT_EQ(convert({"--help", "app.elf"}).status, App::kUnknownOption);
  EXPECT_TRUE(filesIn(dir).empty());
}

TEST(Driver, ReadsOnlyAnElfFileDirectly) {
  TempDir dir;
  TestSupport::writeFile(dir / "app.txt", "not an image");
  const std::vector<std::pair<std::string, std::string>> refused{
      {dir.file("app.txt"), "it is no ELF file"},
      {dir.file("missing.elf"), "the file cannot be opened"},
  };
  for (const auto& [path, reason] : refused) {
    const Conversion run = convert({"--direct", path});
    EXPECT_EQ(run.status, App::kImageNotRead);
    EXPECT_EQ(run.err,
              "Can not read the debug information of " + path + " directly: " + reason + "\n");
  }
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"app.txt"});
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

// On a terminal the stage and the bytes read show on one line, which is wiped before the
// run's own lines; the console lines themselves stay as they are.
TEST(Driver, ShowsProgressOnlyOnATerminalAndWipesIt) {
  TempDir dir;
  TestSupport::writeFile(
      dir / "app_ObjDump.txt",
      readFile(std::filesystem::path(SKARVEL_TEST_DATA) / "golden_c_ObjDump.txt"));
  TestSupport::writeFile(dir / "tool_ObjDump.txt", "");
  FakeTool objdump("arm-none-eabi-objdump",
                   "[ \"$1\" = --version ] && exit 0; cat " + dir.file("app_ObjDump.txt"));
  for (const std::string name : {"app.txt", "tool.elf"}) {
    const Conversion plain = convert({dir.file(name)});
    std::ostringstream out;
    std::ostringstream err;
    std::ostringstream terminal;
    ASSERT_EQ(App::runConverter(std::vector<std::string>{dir.file(name)}, out, err, &terminal), 0);
    EXPECT_EQ(std::regex_replace(out.str(), std::regex("Start: [0-9]+\n"), "Start: N\n"),
              plain.out);
    EXPECT_EQ(err.str(), "");
    const std::string shown = terminal.str();
    const std::string stage = name == "app.txt" ? "Reading the dump" : "objdump writing the dump";
    EXPECT_EQ(shown.rfind("\r" + stage, 0), 0u) << shown;
    // Wiped: the last thing written is blanks over the line, and the line start.
    EXPECT_EQ(shown.back(), '\r');
    EXPECT_EQ(shown.substr(shown.rfind('\r', shown.size() - 2) + 1).find_first_not_of(" \r"),
              std::string::npos);
  }
}

TEST(Progress, ShowsTheStageAndTheBytesReadOnOneLine) {
  std::ostringstream terminal;
  App::Progress progress(&terminal, std::chrono::milliseconds(0));
  progress.stage("Reading the dump");
  progress.read(1'500'000);
  progress.read(123'456'789);
  progress.stage("x");
  progress.clear();
  progress.clear();
  EXPECT_EQ(terminal.str(),
            "\rReading the dump\rReading the dump: 1.5 MB read\rReading the dump: 123.5 MB read"
            "\rx" +
                std::string(30, ' ') + "\r \r");
  // Without a terminal nothing at all.
  App::Progress silent(nullptr, std::chrono::milliseconds(0));
  silent.stage("Reading the dump");
  silent.read(1);
}

// A build script that runs the converter after each build must not go on with empty
// files: a dump that is missing or a folder fails the run, and nothing is written.
TEST(Driver, FailsWithoutWritingWhenTheDumpCannotBeRead) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder_ObjDump.txt");
  for (const std::string name : {"app_ObjDump", "folder"}) {
    const std::string dump = dir.file(name + "_ObjDump.txt");
    const Conversion run = convert({dir.file(name + ".txt")});
    EXPECT_EQ(run.status, App::kDumpNotRead) << name;
    EXPECT_EQ(run.err, "Can not read file: " + dump + "\n");
    EXPECT_EQ(run.out.find("Parsing"), std::string::npos);
  }
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"folder_ObjDump.txt"});
}

TEST(Driver, FailsAfterItsLastLineWhenAnOutputCannotBeWritten) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", "");
  std::filesystem::create_directory(dir / "app_Vek.m51");
  const Conversion run = convert({dir.file("app.txt")});
  EXPECT_EQ(run.status, App::kOutputNotWritten);
  EXPECT_NE(run.out.find("Can not create file: " + dir.file("app_Vek.m51") + "\n" +
                         "Vek M51 + CANape finished "),
            std::string::npos)
      << run.out;
  EXPECT_TRUE(std::filesystem::exists(dir / "app_CANape.db"));
}

// What the stand-in objdump that echoes its arguments writes for the dump of `elf`.
std::string echoedDump(const std::string& elf) {
  return "-WlLiaprmfFsoR\n--dwarf=pubtypes\n--dwarf=addr\n-h\n" + elf + "\n";
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
  EXPECT_EQ(readFile(dir / "b_ObjDump.txt"), echoedDump(dir.file("b.elf")));
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
    EXPECT_EQ(readFile(dir / (stem + "_ObjDump.txt")), echoedDump(dir.file(name)));
    EXPECT_TRUE(std::filesystem::exists(dir / (stem + "_Vek.m51"))) << name;
  }
  for (const char* stray : {"x", "y", "z"}) {
    EXPECT_FALSE(std::filesystem::exists(dir / stray));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / stray));
  }
}

// The dump is read while objdump writes it, but what was read counts only when objdump
// ends well: a failure after a whole dump still writes and replaces nothing.
TEST(Driver, EndsWithTheStatusOfAFailingObjdump) {
  TempDir dir;
  TestSupport::writeFile(
      dir / "good_ObjDump.txt",
      readFile(std::filesystem::path(SKARVEL_TEST_DATA) / "golden_c_ObjDump.txt"));
  for (const std::string& script :
       {std::string("exit 3"),
        "[ \"$1\" = --version ] && exit 0; cat " + dir.file("good_ObjDump.txt") + "; exit 3"}) {
    TestSupport::writeFile(dir / "app_Vek.m51", "the earlier map\r\n");
    FakeTool objdump("arm-none-eabi-objdump", script);
    const Conversion run = convert({dir.file("app.elf")});
    EXPECT_EQ(run.status, 3) << script;
    EXPECT_EQ(run.err, "failed executing arm-none-eabi-objdump!\n");
    EXPECT_EQ(run.out.find("Parsing"), std::string::npos);
    EXPECT_EQ(readFile(dir / "app_Vek.m51"), "the earlier map\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "app_CANape.db"));
  }
}

struct VersionCase {
  std::string versionLine;
  std::string dumpLetters;
};

class ObjdumpVersions : public testing::TestWithParam<VersionCase> {};

// objdump 2.42 to 2.44 write without end on the location lists of some images; only
// they run without them.
TEST_P(ObjdumpVersions, ChooseTheDebugSectionsToDump) {
  TempDir dir;
  FakeTool objdump("arm-none-eabi-objdump", "if [ \"$1\" = --version ]; then echo '" +
                                                GetParam().versionLine +
                                                "'; echo 'Copyright (C) 2024'; exit 0; fi\n" +
                                                std::string(TestSupport::kEchoArguments));
  const Conversion run = convert({dir.file("app.elf")});
  EXPECT_EQ(run.status, 0);
  const std::string dump = readFile(dir / "app_ObjDump.txt");
  EXPECT_EQ(dump.substr(0, dump.find('\n')), GetParam().dumpLetters);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, ObjdumpVersions,
    testing::Values(VersionCase{"GNU objdump (2.40-2+18+b1) 2.40", "-WlLiaprmfFsoR"},
                    VersionCase{"GNU objdump (GNU Binutils) 2.41", "-WlLiaprmfFsoR"},
                    VersionCase{"GNU objdump (GNU Binutils) 2.42", "-WlLiaprmfFsR"},
                    VersionCase{"GNU objdump (GNU Binutils) 2.43.1", "-WlLiaprmfFsR"},
                    VersionCase{"GNU objdump (GNU Binutils) 2.44", "-WlLiaprmfFsR"},
                    VersionCase{"GNU objdump (Arm GNU Toolchain 14.2.Rel1 (Build arm-14.52)) "
                                "2.43.1.20241119",
                                "-WlLiaprmfFsR"},
                    VersionCase{"GNU objdump (GNU Binutils) 2.45", "-WlLiaprmfFsoR"},
                    VersionCase{"GNU objdump (GNU Binutils) 2.47", "-WlLiaprmfFsoR"},
                    VersionCase{"GNU objdump (GNU Binutils) 3.42", "-WlLiaprmfFsoR"},
                    VersionCase{"GNU objdump 2.1x", "-WlLiaprmfFsoR"},
                    VersionCase{"", "-WlLiaprmfFsoR"}));

// An objdump that writes without end is stopped far above any real dump (64 times the
// image plus 256 MiB); its partial dump is removed and nothing is converted.
TEST(Driver, StopsAnObjdumpWhoseDumpGrowsWithoutEnd) {
  TempDir dir;
  TestSupport::writeFile(dir / "app.elf", std::string(1000, 'x'));
  FakeTool objdump("arm-none-eabi-objdump", "[ \"$1\" = --version ] && exit 0; exec yes");
  const Conversion run = convert({dir.file("app.elf")});
  EXPECT_EQ(run.status, App::kOutputTooLarge);
  EXPECT_EQ(run.err, "arm-none-eabi-objdump was stopped: its dump of " + dir.file("app.elf") +
                         " grew past 268499456 bytes (64 times the ELF file plus 256 MiB), which "
                         "no real dump reaches; the partial dump was removed\n"
                         "failed executing arm-none-eabi-objdump!\n");
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"app.elf"});
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

namespace {

TEST(Driver, WritesTheA2lOnlyWhenAskedAndNeverOverAFileItDidNotWrite) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", "");
  EXPECT_EQ(convert({dir.file("app.txt")}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "app_Vek.a2l"));

  EXPECT_EQ(convert({"--a2l", dir.file("app.txt")}).status, 0);
  const std::string written = readFile(dir / "app_Vek.a2l");
  EXPECT_TRUE(written.starts_with("/* Written by skarvel")) << written;
  EXPECT_NE(written.find("/begin MODULE app \"\""), std::string::npos) << written;
  EXPECT_EQ(convert({"--a2l", dir.file("app.txt")}).status, 0);  // its own file is replaced

  TestSupport::writeFile(dir / "app_Vek.a2l", "ASAP2_VERSION 1 71 /* made by hand */\n");
  const Conversion run = convert({"--a2l", dir.file("app.txt")});
  EXPECT_EQ(run.status, App::kOutputNotWritten);
  EXPECT_NE(run.out.find("Can not create file: " + dir.file("app_Vek.a2l") +
                         " (a file that skarvel did not write is in its place)\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(readFile(dir / "app_Vek.a2l"), "ASAP2_VERSION 1 71 /* made by hand */\n");
}

TEST(Driver, RefusesAnUnknownOrIncompleteOptionButTakesTheLastArgumentAsThePath) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", "");
  const std::string known =
      " (the options are --direct, --a2l, --characteristic PATTERN, --characteristic-section "
      "NAME, --update-a2l FILE and --strict, given before the path; --help lists them)\n";
  const std::string withoutA2l =
      "--characteristic and --characteristic-section choose what the A2L file describes; give "
      "--a2l as well\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused{
      {{"--map"}, "Unknown option: --map" + known},
      {{"-a2l"}, "Unknown option: -a2l" + known},
      {{"--A2L"}, "Unknown option: --A2L" + known},
      {{"--a2l", "--characteristic"}, "Option --characteristic needs a value before the path\n"},
      {{"--characteristic-section"},
       "Option --characteristic-section needs a value before the path\n"},
      {{"--characteristic", "cal_*"}, withoutA2l},
      {{"--characteristic-section", ".calib"}, withoutA2l},
  };
  for (const auto& [options, message] : refused) {
    std::vector<std::string> arguments = options;
    arguments.push_back(dir.file("app.txt"));
    const Conversion run = convert(arguments);
    EXPECT_EQ(run.status, App::kUnknownOption) << options[0];
    EXPECT_EQ(run.err, message);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"app_ObjDump.txt"});
  // Earlier arguments that are no options are still ignored, and a last argument that
  // looks like an option is the path.
  EXPECT_EQ(convert({dir.file("other.elf"), dir.file("app.txt")}).status, 0);
  const InDirectory here(dir.path());
  const Conversion last = convert({"--a2l"});
  EXPECT_EQ(last.status, App::kDumpNotRead);
  EXPECT_EQ(last.err, "Can not read file: _ObjDump.txt\n");
}

}  // namespace

namespace {

// A dump of one unit with two variables in RAM, with or without its section table.
std::string dumpWithRamVariables(bool withSections) {
  std::string dump = "\napp.elf:     file format elf32-littlearm\n\n";
  if (withSections) {
    dump +=
        "Sections:\n"
        "Idx Name          Size      VMA       LMA       File off  Algn\n"
        "  0 .calib        00000010  20000000  20000000  00010000  2**2\n"
        "                  CONTENTS, ALLOC, LOAD, DATA\n"
        "  1 .bss          00000010  20000100  20000100  00010010  2**2\n"
        "                  ALLOC\n";
  }
  return dump +
         "Contents of the .debug_info section:\n\n"
         " <0><b>: Abbrev Number: 1 (DW_TAG_compile_unit)\n"
         " <1><c>: Abbrev Number: 2 (DW_TAG_base_type)\n"
         "    <d>   DW_AT_byte_size   : 2\n"
         "    <e>   DW_AT_encoding    : 7\t(unsigned)\n"
         " <1><20>: Abbrev Number: 3 (DW_TAG_variable)\n"
         "    <21>   DW_AT_name        : k_gain\n"
         "    <22>   DW_AT_type        : <0xc>\n"
         "    <23>   DW_AT_location    : 5 byte block: 3 0 0 0 20 \t(DW_OP_addr: 20000000)\n"
         " <1><30>: Abbrev Number: 3 (DW_TAG_variable)\n"
         "    <31>   DW_AT_name        : g_speed\n"
         "    <32>   DW_AT_type        : <0xc>\n"
         "    <33>   DW_AT_location    : 5 byte block: 3 0 1 0 20 \t(DW_OP_addr: 20000100)\n";
}

// The kinds of the A2L objects, in the file's order.
std::string kindsIn(const std::string& a2l) {
  static const std::regex object(R"(/begin (MEASUREMENT|CHARACTERISTIC) (\S+))");
  std::string kinds;
  for (auto m = std::sregex_iterator(a2l.begin(), a2l.end(), object); m != std::sregex_iterator();
       ++m) {
    kinds += (*m)[2].str() + " " + (*m)[1].str() + "\n";
  }
  return kinds;
}

TEST(Driver, MakesCharacteristicsOfTheVariablesItIsToldOf) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", dumpWithRamVariables(true));
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--a2l"}, "k_gain MEASUREMENT\ng_speed MEASUREMENT\n"},
      {{"--a2l", "--characteristic", "k_*"}, "k_gain CHARACTERISTIC\ng_speed MEASUREMENT\n"},
      {{"--a2l", "--characteristic", "*speed", "--characteristic", "k_g?in"},
       "k_gain MEASUREMENT\ng_speed CHARACTERISTIC\n"},
      {{"--a2l", "--characteristic-section", ".calib"},
       "k_gain CHARACTERISTIC\ng_speed MEASUREMENT\n"},
      {{"--a2l", "--characteristic-section", ".bss", "--characteristic", "k_gain"},
       "k_gain CHARACTERISTIC\ng_speed CHARACTERISTIC\n"},
  };
  for (const auto& [options, kinds] : cases) {
    std::vector<std::string> arguments = options;
    arguments.push_back(dir.file("app.txt"));
    const Conversion run = convert(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(kindsIn(readFile(dir / "app_Vek.a2l")), kinds) << options.back();
  }
  const Conversion misspelt =
      convert({"--a2l", "--characteristic-section", ".calibration", dir.file("app.txt")});
  EXPECT_NE(misspelt.out.find("The image has no section .calibration: --characteristic-section "
                              "chooses no variable by it\n"),
            std::string::npos)
      << misspelt.out;
}

TEST(Driver, FailsWithoutWritingWhenSectionsAreChosenAndTheDumpHasNoTable) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", dumpWithRamVariables(false));
  const Conversion run =
      convert({"--a2l", "--characteristic-section", ".calib", dir.file("app.txt")});
  EXPECT_EQ(run.status, App::kNoSectionTable);
  EXPECT_EQ(run.err,
            "--characteristic-section needs the section table of the image, and the "
            "dump " +
                dir.file("app_ObjDump.txt") +
                " holds none (objdump -h); convert the ELF file, which writes the dump "
                "with it\n");
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"app_ObjDump.txt"});
}

}  // namespace

namespace {

TEST(Driver, UpdatesTheA2lFileAProjectKeeps) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", dumpWithRamVariables(true));
  TestSupport::writeFile(dir / "kept.a2l",
                         "\xEF\xBB\xBF"
                         "ASAP2_VERSION 1 71\r\n"
                         "/begin MEASUREMENT g_speed \"\" UWORD NO_COMPU_METHOD 0 0 0 9 "
                         "ECU_ADDRESS 0x0 /end MEASUREMENT\r\n");
  const std::string kept = readFile(dir / "kept.a2l");
  const Conversion run = convert({"--update-a2l", dir.file("kept.a2l"), dir.file("app.txt")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("MEASUREMENT: 1 updated, 0 unchanged, 0 not found, 0 not matched\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(readFile(dir / "app_Vek.a2l"),
            "\xEF\xBB\xBF/* Written by skarvel from the debug information of app, updated from " +
                dir.file("kept.a2l") +
                "; written anew by every conversion */\r\nASAP2_VERSION 1 71\r\n/begin MEASUREMENT "
                "g_speed \"\" UWORD NO_COMPU_METHOD 0 0 0 9 ECU_ADDRESS 0x20000100 /end "
                "MEASUREMENT\r\n");
  EXPECT_EQ(readFile(dir / "kept.a2l"), kept);  // never changed
  // Its own file is replaced by the next update.
  EXPECT_EQ(convert({"--update-a2l", dir.file("kept.a2l"), dir.file("app.txt")}).status, 0);

  // --strict: an object the image lacks fails the run, and no A2L file is written.
  TestSupport::writeFile(dir / "stale.a2l",
                         "ASAP2_VERSION 1 71\n/begin MEASUREMENT g_gone \"\" UWORD NO_COMPU_METHOD "
                         "0 0 0 9 ECU_ADDRESS 0x0 /end MEASUREMENT\n");
  std::filesystem::remove(dir / "app_Vek.a2l");
  const Conversion strict =
      convert({"--strict", "--update-a2l", dir.file("stale.a2l"), dir.file("app.txt")});
  EXPECT_EQ(strict.status, App::kUpdateIncomplete);
  EXPECT_FALSE(std::filesystem::exists(dir / "app_Vek.a2l"));
  EXPECT_TRUE(std::filesystem::exists(dir / "app_Vek.m51"));
  EXPECT_EQ(convert({"--update-a2l", dir.file("stale.a2l"), dir.file("app.txt")}).status, 0);

  // A file that skarvel did not write is never replaced.
  TestSupport::writeFile(dir / "app_Vek.a2l", "ASAP2_VERSION 1 71 /* by hand */\n");
  EXPECT_EQ(convert({"--update-a2l", dir.file("kept.a2l"), dir.file("app.txt")}).status,
            App::kOutputNotWritten);
  EXPECT_EQ(readFile(dir / "app_Vek.a2l"), "ASAP2_VERSION 1 71 /* by hand */\n");
}

TEST(Driver, RefusesAnUpdateItCannotDo) {
  TempDir dir;
  TestSupport::writeFile(dir / "app_ObjDump.txt", dumpWithRamVariables(true));
  TestSupport::writeFile(dir / "broken.a2l", "ASAP2_VERSION 1 71\n/begin MODULE m \"\"\n");
  const std::vector<std::pair<std::vector<std::string>, int>> refused{
      {{"--a2l", "--update-a2l", dir.file("broken.a2l")}, App::kUnknownOption},
      {{"--strict"}, App::kUnknownOption},
      {{"--update-a2l"}, App::kUnknownOption},
      {{"--update-a2l", dir.file("broken.a2l")}, App::kA2lNotRead},
      {{"--update-a2l", dir.file("missing.a2l")}, App::kA2lNotRead},
  };
  for (const auto& [options, status] : refused) {
    std::vector<std::string> arguments = options;
    arguments.push_back(dir.file("app.txt"));
    const Conversion run = convert(arguments);
    EXPECT_EQ(run.status, status) << options.back();
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_NE(convert({"--update-a2l", dir.file("broken.a2l"), dir.file("app.txt")})
                .err.find("broken.a2l:2: /begin MODULE is not closed"),
            std::string::npos);
  EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"app_ObjDump.txt", "broken.a2l"}));
}

}  // namespace
