// The files that a dump gives are the same bytes on every platform: this test runs in
// the Linux build and, under Wine, in the Windows build, against the same kept files.
#include <gtest/gtest.h>

#include <sstream>

#include "dump/DumpLoad.h"
#include "model/ModelStore.h"
#include "output/OutputRun.h"
#include "tests/support/TempDir.h"

namespace {

TEST(SameBytesEverywhere, ConvertsTheKeptDumpIntoTheKeptFiles) {
  const std::filesystem::path data = SKARVEL_TEST_DATA;
  const std::filesystem::path golden = std::filesystem::path(SKARVEL_TEST_CORPUS) / "golden";
  TestSupport::TempDir dir;
  Model::ModelStore store;
  ASSERT_EQ(Dump::loadDumpFile(store, (data / "golden_c_ObjDump.txt").string()),
            Dump::DumpRead::Whole);
  std::ostringstream console;
  Output::generateOutputs(dir.file("golden_c_Vek.m51"), dir.file("golden_c_CANape.db"), store,
                          console);
  EXPECT_EQ(console.str(), "");
  for (const char* file :
       {"golden_c_Vek.m51", "golden_c_CANape.db", "golden_c_Vek.m51_StyleWarnings.log"}) {
    const std::string made = TestSupport::readFile(dir / file);
    const std::string kept = TestSupport::readFile(golden / file);
    EXPECT_TRUE(made == kept) << file << " differs from the kept copy";
    // CR LF exactly once per line.
    std::size_t lineFeeds = 0;
    for (std::size_t i = 0; i < made.size(); ++i) {
      if (made[i] != '\n') continue;
      ++lineFeeds;
      EXPECT_TRUE(i > 0 && made[i - 1] == '\r' && (i < 2 || made[i - 2] != '\r'))
          << file << " at " << i;
    }
    EXPECT_GT(lineFeeds, 0u) << file;
  }
}

}  // namespace
