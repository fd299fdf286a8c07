#include "app/PathParts.h"

#include <gtest/gtest.h>

#include "app/Driver.h"

namespace {

struct SplitCase {
  std::string path;
  std::string directory;
  std::string baseName;
  std::string extension;
};

class SplitPath : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitPath, GivesDirectoryBaseNameAndExtension) {
  const App::PathParts parts = App::splitPath(GetParam().path);
  EXPECT_EQ(parts.directory, GetParam().directory);
  EXPECT_EQ(parts.baseName, GetParam().baseName);
  EXPECT_EQ(parts.extension, GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SplitPath,
    testing::Values(SplitCase{"C:\\work\\app.rel.elf", "C:\\work\\", "app.rel", ".elf"},
                    SplitCase{"src/out/app.elf", "src/out/", "app", ".elf"},
                    SplitCase{"app.elf", "", "app", ".elf"},
                    SplitCase{"out.v1/app", "", "out", ".v1/app"}, SplitCase{"app", "", "", ""},
                    SplitCase{"C:\\work\\build", "", "", ""},
                    SplitCase{"app_ObjDump.txt", "", "app_ObjDump", ".txt"},
                    SplitCase{"a/b.c/d", "a/", "b", ".c/d"},
                    SplitCase{"dir/.hidden", "", "dir/", ".hidden"},
                    SplitCase{"my dir/app 1.elf", "my dir/", "app 1", ".elf"}));

struct FilesCase {
  std::string path;
  std::string inputFile;
  std::string outFileMap;
  std::string outFileCanape;
};

class RunFiles : public testing::TestWithParam<FilesCase> {};

TEST_P(RunFiles, AreFormedFromDirectoryAndBaseName) {
  const App::RunFiles files = App::runFilesFor(App::splitPath(GetParam().path));
  EXPECT_EQ(files.inputFile, GetParam().inputFile);
  EXPECT_EQ(files.outFileMap, GetParam().outFileMap);
  EXPECT_EQ(files.outFileCanape, GetParam().outFileCanape);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RunFiles,
    testing::Values(FilesCase{"C:\\work\\app.elf", "C:\\work\\app_ObjDump.txt",
                              "C:\\work\\app_Vek.m51", "C:\\work\\app_CANape.db"},
                    FilesCase{"app.txt", "app_ObjDump.txt", "app_Vek.m51", "app_CANape.db"},
                    FilesCase{"app_ObjDump.txt", "app_ObjDump_ObjDump.txt", "app_ObjDump_Vek.m51",
                              "app_ObjDump_CANape.db"},
                    FilesCase{"app", "_ObjDump.txt", "_Vek.m51", "_CANape.db"}));

TEST(ElfExtension, IsADotAndLettersOfElf) {
  for (const char* extension : {".elf", ".ELF", ".Elf", ".fle", ".e", ".llll"}) {
    EXPECT_TRUE(App::elfExtensionPattern.matches(extension)) << extension;
  }
  for (const char* extension : {".axf", ".out", ".", "", "elf", ".elf2", ".v1/app"}) {
    EXPECT_FALSE(App::elfExtensionPattern.matches(extension)) << extension;
  }
}

}  // namespace
