// The maturity table and the fleet tables are read once and kept. A run that forgets them at
// every cohort computation, so that every evaluation reads the maturity file and each fleet's file
// (or its bootstrap copy) again, as the design's reader does, must write the very same files: the
// reference files, which the runs that keep them write too (written_files_test.cpp).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/perf/demo_runs.h"
#include "tests/support/files.h"

namespace quorvane::perf {
namespace {

class ForgetfulHost : public QuietHost {
 public:
  ForgetfulHost(RunState& s, long bootstrap_runs) : QuietHost(bootstrap_runs), s_(s) {}
  UserRequest yield() override {
    s_.maturity_loaded = false;
    s_.fleet_loaded.fill(false);
    return QuietHost::yield();
  }

 private:
  RunState& s_;
};

TEST(KeptTables, ReadingTheFilesAgainWritesTheReferenceFiles) {
  // The main run with one SSB survey and four fleets, and two bootstraps: the second reads the
  // fleets from their perturbed copies, the M searched one writes bootm.out and bootS2.out too.
  int compared = 0;
  for (const DemoCase& c : read_cases()) {
    if (c.name != "default" && c.name != "boot4" && c.name != "alfa_scan_two_periods_boot2")
      continue;
    ++compared;
    testing::ScratchDir dir(c.name);
    testing::copy_folder(source_dir() / "demo", dir / "demo");
    auto s = std::make_unique<RunState>();
    s->workdir = dir.str();
    ForgetfulHost host(*s, c.bootstrap_runs);
    const RunOutcome outcome = run_start(*s, host, case_texts(dir.path(), c));
    ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
    EXPECT_TRUE(files_in(dir.path()) == files_in(reference_dir() / c.name)) << c.name;
  }
  EXPECT_EQ(compared, 3);
}

}  // namespace
}  // namespace quorvane::perf
