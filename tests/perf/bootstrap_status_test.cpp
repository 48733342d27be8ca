// What the bootstrap tells the window of its progress (Host::bootstrap_status) in each way of
// running it, and a STOP that the user gives while the run whose turn it is is computed ahead on
// another thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "run/start.h"
#include "tests/perf/demo_runs.h"
#include "tests/support/files.h"

namespace quorvane::perf {
namespace {

class StatusHost : public QuietHost {
 public:
  using QuietHost::QuietHost;
  void bootstrap_status(const BootstrapStatus& status) override { statuses.push_back(status); }
  std::vector<BootstrapStatus> statuses;
};

struct Way {
  const char* name;
  BootstrapKind kind;
  int threads;
};

// A run in a fresh copy of the demo folder: how it ended and the files it left.
struct DemoRun {
  RunOutcome outcome;
  std::map<std::string, std::string> files;
};

DemoRun run_demo(const Way& way, long runs, Host& host) {
  const testing::ScratchDir dir;
  testing::copy_folder(source_dir() / "demo", dir / "demo");
  auto s = std::make_unique<RunState>();
  s->workdir = dir.str();
  s->bootstrap_kind = way.kind;
  s->bootstrap_threads = static_cast<std::int16_t>(way.threads);
  RunOptions options;
  options.tables = false;
  DemoRun run{run_start(*s, host, case_texts(dir.path(), {"status", {}, runs}), options), {}};
  run.files = files_in(dir.path());
  return run;
}

// Three runs: the run whose lines come next goes 1, 2, 3 and never back, the runs before it are
// written, and while one run is reported its evaluations only grow.
TEST(BootstrapStatus, EachRunIsReportedInOrderWhileItIsComputed) {
  for (const Way& way : {Way{"chained, in order", BootstrapKind::Chained, 1},
                         Way{"chained, on 2 threads", BootstrapKind::Chained, 2},
                         Way{"independent, on 2 threads", BootstrapKind::Independent, 2}}) {
    SCOPED_TRACE(way.name);
    StatusHost host(3);
    const RunOutcome outcome = run_demo(way, 3, host).outcome;
    ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
    ASSERT_FALSE(host.statuses.empty());
    int run = 0;
    long evaluations = 0;
    std::vector<long> last_of_run(4, 0);
    for (const BootstrapStatus& st : host.statuses) {
      EXPECT_EQ(st.total, 3);
      ASSERT_TRUE(st.computing == run || st.computing == run + 1)
          << "run " << st.computing << " after run " << run;
      if (st.computing != run) evaluations = 0;
      run = st.computing;
      EXPECT_EQ(st.written, run - 1);
      EXPECT_GE(st.evaluations, evaluations);
      evaluations = st.evaluations;
      last_of_run[static_cast<std::size_t>(run)] = st.evaluations;
    }
    EXPECT_EQ(run, 3);
    // A chained run is reported at its evaluations (in order) or when its turn comes after it
    // was computed ahead; independent replicates may be reported before they have begun.
    if (way.kind == BootstrapKind::Chained) {
      for (int k = 1; k <= 3; ++k) EXPECT_GT(last_of_run[static_cast<std::size_t>(k)], 0) << k;
    }
  }
}

// From the bootstrap question on, a STOP is waiting, and the restart question is answered 2.
// On two threads the wait for the first run computed ahead sees the request and gives the run
// up: it is computed in its turn, whose first yield point takes the STOP, as in order.
class StopWaitingHost : public QuietHost {
 public:
  using QuietHost::QuietHost;
  BootstrapAnswer ask_bootstrap(bool terminated) override {
    asked = true;
    return QuietHost::ask_bootstrap(terminated);
  }
  bool request_pending() override {
    ++looked;
    return asked && stopped_at < 0;
  }
  void bootstrap_status(const BootstrapStatus& status) override { last = status; }
  UserRequest yield() override {
    QuietHost::yield();
    if (!asked || stopped_at >= 0) return UserRequest::None;
    stopped_at = yields;
    evaluations_at_stop = last.evaluations;
    return UserRequest::Stop;
  }
  std::string ask_restart() override { return "2"; }

  bool asked = false;
  long looked = 0;
  long stopped_at = -1;
  BootstrapStatus last;
  long evaluations_at_stop = -1;  // of the run as the window was last told
};

TEST(BootstrapStatus, AStopWaitingWhileTheRunIsComputedAheadEndsAsInOrder) {
  const Way in_order{"in order", BootstrapKind::Chained, 1};
  const Way ahead{"on 2 threads", BootstrapKind::Chained, 2};
  StopWaitingHost sequential(20);
  const DemoRun one = run_demo(in_order, 20, sequential);
  ASSERT_EQ(one.outcome.status, RunStatus::Completed);
  StopWaitingHost parallel(20);
  const DemoRun two = run_demo(ahead, 20, parallel);
  ASSERT_EQ(two.outcome.status, RunStatus::Completed);

  // A demo run takes far longer than the 50 ms between the looks of the wait.
  EXPECT_GT(parallel.looked, 0) << "the wait did not look for the user's request";
  EXPECT_EQ(parallel.stopped_at, sequential.stopped_at);
  // Taken at the first yield point of the run computed in its turn, not at the first of the
  // run computed ahead, which would have been put to the user only after all its evaluations.
  EXPECT_EQ(sequential.evaluations_at_stop, 0);
  EXPECT_EQ(parallel.evaluations_at_stop, 0);
  EXPECT_TRUE(two.files == one.files) << "the files differ";
  // Stopped in the first run and not restarted: the header and the main run's line.
  const std::string& lines = one.files.at("bootf.out");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
}

}  // namespace
}  // namespace quorvane::perf
