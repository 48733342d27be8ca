// quorvane-batch's command line, run as a separate program. What it answers to bad input files
// and fields is the catalogue of tests/robustness.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

// A fields file and --set apply in the order given; the later wins. The catch file is missing
// so that an accepted set of fields ends quickly, with exit 1.
TEST(BatchCommandLine, FieldsFileAndSetApplyInOrder) {
  ScratchDir dir;
  dir.write("fields.txt", "# a bad year\nText8=abc\nText1=missing.txt\n");
  EXPECT_EQ(run_batch(dir.path(), "--fields fields.txt --set Text8=1984").exit_code, 1);
  EXPECT_EQ(run_batch(dir.path(), "--set Text8=1984 --fields fields.txt").exit_code, 2);
}

TEST(BatchCommandLine, BadUsageExitsTwoWithOneLineAndWritesNothing) {
  ScratchDir dir;
  const BatchRun help = run_batch(dir.path(), "--help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--stop-at-call"), std::string::npos);
  for (const char* args : {"--frobnicate", "--workdir absent", "--set Text8", "--bootstrap 0",
                           "--bootstrap x", "--stop-at-call", "--restart-answer 3"}) {
    const BatchRun run = run_batch(dir.path(), args);
    EXPECT_EQ(run.exit_code, 2) << args;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << args << ": " << run.err;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace quorvane::testing
