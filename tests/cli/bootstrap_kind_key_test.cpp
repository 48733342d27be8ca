// The kind of bootstrap as a fields file carries it ("bootstrap_kind = independent", as the
// window program saves it beside the fields) and as --bootstrap-kind gives it: the later of the
// two holds, and a kind that does not exist is refused before the run.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

// bootfailed.out is written by an independent bootstrap only, also when no replicate failed.
TEST(BootstrapKindKey, FieldsFileGivesTheKindAndALaterOptionOverridesIt) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  dir.write("kind.txt", "# Kind of bootstrap\nbootstrap_kind = independent\n");
  const std::string run = " --bootstrap 1 --threads 1 --no-tables --quiet";

  const BatchRun from_file = run_batch(dir.path(), "--fields kind.txt" + run);
  ASSERT_EQ(from_file.exit_code, 0) << from_file.describe();
  EXPECT_TRUE(fs::exists(dir / "bootfailed.out"));

  fs::remove(dir / "bootfailed.out");
  const BatchRun overridden =
      run_batch(dir.path(), "--fields kind.txt --bootstrap-kind chained" + run);
  ASSERT_EQ(overridden.exit_code, 0) << overridden.describe();
  EXPECT_FALSE(fs::exists(dir / "bootfailed.out"));
}

TEST(BootstrapKindKey, AnUnknownKindIsRefusedNamingTheLineAndWritesNothing) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  dir.write("kind.txt", "Text8=1984\nbootstrap_kind = chain\n");
  const BatchRun run = run_batch(dir.path(), "--fields kind.txt --bootstrap 1 --quiet");
  EXPECT_EQ(run.exit_code, 2) << run.describe();
  EXPECT_NE(run.err.find("kind.txt: line 2: bootstrap_kind 'chain' is neither chained nor "
                         "independent"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir / "output.out"));
}

}  // namespace
}  // namespace quorvane::testing
