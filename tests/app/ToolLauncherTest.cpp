#include "app/ToolLauncher.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

#include "tests/support/FakeTool.h"

namespace {

using TestSupport::FakeTool;
using TestSupport::readFile;
using TestSupport::TempDir;

TEST(ToolLauncher, PassesEveryArgumentAsItIsWithoutAShell) {
  FakeTool tool("fake-tool", TestSupport::kEchoArguments);
  TempDir dir;
  const std::vector<std::string> arguments{"two words",
                                           "quote\"d 'x'",
                                           "a;touch " + dir.file("x") + ";",
                                           "$(touch " + dir.file("y") + ")",
                                           "`id`",
                                           "tail\\",
                                           ""};
  ASSERT_EQ(App::runTool("fake-tool", arguments, dir.file("out.txt")), 0);
  std::string expected;
  for (const std::string& argument : arguments)
    expected += argument + "\n";
  EXPECT_EQ(readFile(dir / "out.txt"), expected);
  EXPECT_FALSE(std::filesystem::exists(dir / "x"));
  EXPECT_FALSE(std::filesystem::exists(dir / "y"));
}

TEST(ToolLauncher, WritesOnlyStandardOutputIntoTheFileAndTruncatesIt) {
  FakeTool tool("fake-tool", "echo out; echo err >&2");
  TempDir dir;
  TestSupport::writeFile(dir / "out.txt", "an older and much longer dump text\n");
  ASSERT_EQ(App::runTool("fake-tool", {}, dir.file("out.txt")), 0);
  EXPECT_EQ(readFile(dir / "out.txt"), "out\n");
}

struct StatusCase {
  std::string script;
  int status;
};

class ToolStatus : public testing::TestWithParam<StatusCase> {};

TEST_P(ToolStatus, IsTheRunsExitStatus) {
  FakeTool tool("fake-tool", GetParam().script);
  TempDir dir;
  EXPECT_EQ(App::runTool("fake-tool", {}, dir.file("out.txt")), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ToolStatus,
                         testing::Values(StatusCase{"exit 0", 0}, StatusCase{"exit 1", 1},
                                         StatusCase{"exit 7", 7}, StatusCase{"exit 255", 255},
                                         StatusCase{"kill -TERM $$", 128 + 15},
                                         StatusCase{"kill -KILL $$", 128 + 9}));

TEST(ToolLauncher, StopsAToolWhoseOutputGrowsPastTheLimitAndOnlyThen) {
  TempDir dir;
  {
    FakeTool endless("fake-tool", "exec yes");
    bool stopped = false;
    EXPECT_EQ(App::runTool("fake-tool", {}, dir.file("out.txt"), 1 << 20, &stopped),
              App::kOutputTooLarge);
    EXPECT_TRUE(stopped);
    EXPECT_GT(std::filesystem::file_size(dir / "out.txt"), 1u << 20);
  }
  // Its own exit code, even the same number, is no stop.
  FakeTool bounded("fake-tool", "head -c 1048576 /dev/zero; exit 5");
  bool stopped = true;
  EXPECT_EQ(App::runTool("fake-tool", {}, dir.file("out.txt"), 1 << 20, &stopped), 5);
  EXPECT_FALSE(stopped);
  EXPECT_EQ(std::filesystem::file_size(dir / "out.txt"), 1u << 20);
}

// The program writes the tool's output itself: a file that cannot take it all (a full
// disk, made here by a file size limit in a child process) stops the tool, and the run
// fails instead of leaving a dump that ends part way.
TEST(ToolLauncher, StopsTheToolWhenItsOutputCannotBeWrittenToTheEnd) {
  TempDir dir;
  FakeTool endless("fake-tool", "exec yes");
  const auto runOnAFullDisk = [&dir] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    bool stopped = true;
    const int status = App::runTool("fake-tool", {}, dir.file("out.txt"), 1 << 20, &stopped);
    // _Exit: the forked child must not run the destructors that remove shared folders.
    std::_Exit(status == App::kOutputNotCreated && !stopped ? 0 : 1);
  };
  EXPECT_EXIT(runOnAFullDisk(), testing::ExitedWithCode(0), "");
}

TEST(ToolLauncher, ReportsAMissingToolAs127) {
  TempDir dir;
  EXPECT_EQ(App::runTool("skarvel-no-such-tool", {}, dir.file("out.txt")), App::kToolNotFound);
}

TEST(ToolLauncher, ReportsAToolThatCannotBeExecutedAs126) {
  FakeTool tool("fake-tool", "exit 0", false);
  TempDir dir;
  EXPECT_EQ(App::runTool("fake-tool", {}, dir.file("out.txt")), App::kToolNotExecutable);
}

TEST(ToolLauncher, DoesNotStartTheToolWhenTheOutputCannotBeCreated) {
  TempDir dir;
  FakeTool tool("fake-tool", "touch " + dir.file("started"));
  EXPECT_EQ(App::runTool("fake-tool", {}, dir.file("no-such-folder/out.txt")),
            App::kOutputNotCreated);
  EXPECT_FALSE(std::filesystem::exists(dir / "started"));
}

}  // namespace
