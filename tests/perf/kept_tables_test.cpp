// The maturity table and the fleet tables are read once and kept. A run that forgets them at
// every cohort computation, so that every evaluation reads the maturity file and each fleet's file
// (or its bootstrap copy) again, as the design's reader does, must write the very same files.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/perf/demo_runs.h"

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

std::map<std::string, std::string> written_files(const DemoCase& c, bool forget) {
  DemoDir dir(std::string(forget ? "reread_" : "kept_") + c.name);
  auto s = std::make_unique<RunState>();
  s->workdir = dir.path().string();
  QuietHost keeping(c.bootstrap_runs);
  ForgetfulHost forgetting(*s, c.bootstrap_runs);
  Host& host = forget ? static_cast<Host&>(forgetting) : keeping;
  const RunOutcome outcome = run_start(*s, host, case_texts(dir.path(), c));
  EXPECT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
  return files_in(dir.path());
}

TEST(KeptTables, ReadingTheFilesAgainWritesTheSameFiles) {
  // The main run with one SSB survey and four fleets, and two bootstraps: the second reads the
  // fleets from their perturbed copies, the M searched one writes bootm.out and bootS2.out too.
  for (const char* name : {"default", "boot4", "alfa_scan_two_periods_boot2"}) {
    const DemoCase c = find_case(name);
    const auto kept = written_files(c, false);
    const auto reread = written_files(c, true);
    EXPECT_FALSE(kept.empty()) << name;
    EXPECT_TRUE(kept == reread) << name;
  }
}

}  // namespace
}  // namespace quorvane::perf
