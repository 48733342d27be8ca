// Bootstrap runs computed on several threads write, byte for byte, what the runs one after the
// other write: every file of the working directory (the bootstrap files, the search log, the
// results file and the temporary fleet files), the record the tables are made from, the
// progress drawing and the yield points put to the user. Each compared run starts from a fresh
// run state, since the random sequence runs on for the life of a session.
#include "run/parallel_bootstrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/results_record.h"
#include "tests/perf/demo_runs.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"

namespace quorvane::perf {
namespace {

using quorvane::testing::RecordingHost;

// The progress host of these runs. It also tells whether some exploitation rate went above 1:
// under effort control the recursion then gives a negative stock, which the cohort computation
// sets to 10 fish; at the next yield point the cell still holds exactly 10.
class WatchingHost : public RecordingHost {
 public:
  WatchingHost(bool draw, const RunState& s) : RecordingHost(draw), s_(s) {}
  UserRequest yield() override {
    if (s_.bootn >= 1) {
      for (int a = s_.agemin; a <= s_.agemax; ++a)
        for (int y = s_.yearmin; y <= s_.yearmax; ++y) repaired_in_bootstrap += s_.N(a, y) == 10.0;
    }
    return RecordingHost::yield();
  }
  long repaired_in_bootstrap = 0;

 private:
  const RunState& s_;
};

struct Written {
  RunOutcome outcome;
  std::map<std::string, std::string> files;
  std::vector<std::string> calls;  // drawing and questions, in order
  long yields = 0;
  long repaired_in_bootstrap = 0;
  std::vector<std::vector<double>> record;  // each bootstrap run's f, TSB, SSB and recruitment
};

struct Stop {
  long at_yield = -1;
  bool quit = false;
  std::string restart_answer = "1";
};

// How a compared run is set up: the host draws or not and may stop; the demo's catches of 2000
// nine times over (tests/data/demo_heavy_2000/c.txt: a year fished far harder than the stock
// could yield, whose exploitation rates go above 1 in the fit); a folder in the way of a file;
// several STARTs in one session; a forecast (and per-recruit points) made by every run.
struct RunSetup {
  bool forecast = false;
  bool draw = false;
  Stop stop;
  bool heavy = false;
  std::string blocked;
  int starts = 1;
};

// One run in `dir`, made afresh with a copy of the demo.
Written run_in(const fs::path& dir, const DemoCase& c, int threads, const RunSetup& setup) {
  fs::remove_all(dir);
  testing::copy_folder(source_dir() / "demo", dir / "demo");
  if (setup.heavy) {
    fs::copy_file(source_dir() / "tests/data/demo_heavy_2000/c.txt", dir / "demo" / "c.txt",
                  fs::copy_options::overwrite_existing);
  }
  if (!setup.blocked.empty()) fs::create_directory(dir / setup.blocked);
  auto s = std::make_unique<RunState>();
  s->workdir = dir.string();
  s->bootstrap_threads = static_cast<std::int16_t>(threads);
  s->forecast.on = setup.forecast;
  WatchingHost host(setup.draw, *s);
  host.bootstrap_answer = {"1", std::to_string(c.bootstrap_runs)};
  (setup.stop.quit ? host.quit_at_yield : host.stop_at_yield) = setup.stop.at_yield;
  host.restart_answer = setup.stop.restart_answer;

  RunOptions options;
  options.tables = false;
  Written w;
  for (int i = 0; i < setup.starts; ++i) {
    w.outcome = run_start(*s, host, case_texts(dir, c), options);
  }
  w.files = files_in(dir);
  w.calls = host.calls;
  w.yields = host.yields;
  w.repaired_in_bootstrap = host.repaired_in_bootstrap;
  if (s->results_record) {
    for (const BootstrapRun& r : s->results_record->bootstrap) {
      for (const auto* v : {&r.f, &r.stock_weight, &r.ssb, &r.recruitment}) w.record.push_back(*v);
      if (!r.forecast.empty()) {
        std::vector<double>& catches = w.record.emplace_back();
        for (const ForecastRow& row : r.forecast) catches.push_back(row.catch_weight);
      }
      if (!r.per_recruit.empty()) {
        std::vector<double>& points = w.record.emplace_back();
        for (const PerRecruitRow& row : r.per_recruit) points.push_back(row.fbar);
      }
      if (!r.equilibrium.empty()) {
        std::vector<double>& points = w.record.emplace_back();
        for (const EquilibriumRow& row : r.equilibrium) points.push_back(row.fbar);
      }
    }
  }
  return w;
}

// The compared runs of a test work one after the other in the same folder, since messages name
// the paths.
class ParallelBootstrap : public ::testing::Test {
 protected:
  Written run(const DemoCase& c, int threads, const RunSetup& setup = {}) {
    return run_in(dir_ / "work", c, threads, setup);
  }
  testing::ScratchDir dir_;
};

// A read of a fleet file draws "working..." and erases it at once; a run computed ahead reads
// its fleets before its turn and draws neither.
std::vector<std::string> without_reading_notices(const std::vector<std::string>& calls) {
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i] == "at 8000,6400" && i + 1 < calls.size() &&
        (calls[i + 1] == "print [working...]" || calls[i + 1] == "print [              ]")) {
      ++i;
      continue;
    }
    kept.push_back(calls[i]);
  }
  return kept;
}

void expect_same(const Written& sequential, const Written& parallel, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(parallel.outcome.status, sequential.outcome.status) << parallel.outcome.message;
  EXPECT_EQ(parallel.outcome.message, sequential.outcome.message);
  EXPECT_EQ(parallel.yields, sequential.yields);
  EXPECT_EQ(parallel.record, sequential.record);
  EXPECT_EQ(without_reading_notices(parallel.calls), without_reading_notices(sequential.calls));
  ASSERT_EQ(parallel.files.size(), sequential.files.size());
  for (const auto& [name, bytes] : sequential.files) {
    const auto it = parallel.files.find(name);
    ASSERT_NE(it, parallel.files.end()) << name << " was not written";
    EXPECT_TRUE(it->second == bytes) << name << " differs";
  }
}

// Each row is run on one thread and on several; both must end and write alike.
TEST_F(ParallelBootstrap, WritesWhatTheRunsInOrderWrite) {
  const struct {
    DemoCase c;
    int threads;
    RunSetup setup;
    RunStatus status = RunStatus::Completed;
  } rows[] = {
      // Six runs on four threads: two threads take two runs, two take one; each makes its
      // forecast.
      {{"default", {}, 6}, 4, {.forecast = true}},
      // Effort control on the heavy year: exploitation rates above 1 in bootstrap runs, stock
      // numbers that the recursion keeps from the computation before, stocks set to 10 fish. The
      // progress drawing is compared too, including the losses that a run shows from the run
      // before it.
      {{"effort", {"Text14=2"}, 3}, 2, {.draw = true, .heavy = true}},
      // A temporary fleet file that cannot be written (a folder has its name) fails the
      // preparation of the first bootstrap run.
      {{"blocked", {}, 3}, 2, {.blocked = "aged2.tmp"}, RunStatus::InputFailed},
      // The session goes on after a bootstrap on several threads as after the runs in order: the
      // random sequence, the stock numbers and the loss history that the next START's runs find.
      {{"session", {}, 2}, 2, {.starts = 2}},
  };
  for (const auto& row : rows) {
    const Written one = run(row.c, 1, row.setup);
    ASSERT_EQ(one.outcome.status, row.status) << row.c.name << ": " << one.outcome.message;
    if (row.status == RunStatus::Completed) {
      // With the forecast: its catches, the per-recruit points and the equilibrium's points.
      const std::size_t per_run = row.setup.forecast ? 7 : 4;
      ASSERT_EQ(one.record.size(), per_run * static_cast<std::size_t>(row.c.bootstrap_runs));
      ASSERT_EQ(one.files.count("aged4.tmp"), 1u) << row.c.name;
    }
    if (row.setup.heavy) {
      ASSERT_GT(one.repaired_in_bootstrap, 0) << "no exploitation rate above 1";
    }
    expect_same(one, run(row.c, row.threads, row.setup), row.c.name);
  }
}

// A STOP at a yield point inside the second bootstrap run, answered with a restart (new catch
// draws, the runs after it one after the other) or with the end of the run; and Quit there.
TEST_F(ParallelBootstrap, StopOrQuitInsideABootstrapRunEndsAsInOrder) {
  const DemoCase c{"stopped", {}, 3};
  const Written whole = run(c, 1);
  ASSERT_EQ(whole.outcome.status, RunStatus::Completed) << whole.outcome.message;
  // The main run takes more yield points than a bootstrap run: 65 % of them lies inside the
  // second bootstrap run (checked below by the lines written before the end).
  const long inside_second_run = whole.yields * 65 / 100;

  for (const Stop& stop : {Stop{inside_second_run, false, "1"}, Stop{inside_second_run, false, "2"},
                           Stop{inside_second_run, true, "1"}}) {
    const std::string what = stop.quit ? "quit" : "stop, answer " + stop.restart_answer;
    const Written one = run(c, 1, {.stop = stop});
    const Written two = run(c, 2, {.stop = stop});
    ASSERT_NE(one.files.find("bootf.out"), one.files.end()) << what;
    if (!stop.quit && stop.restart_answer == "2") {
      // Ended inside the second run: the header and the lines of the main run and the first.
      const std::string& lines = one.files.at("bootf.out");
      ASSERT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    }
    expect_same(one, two, what);
  }
}

// The first evaluation of a run computed ahead tests its second pass's catch loss against its
// first (in units of the fifth decimal for Methods 1-3, against a tolerance of 1E-6 for Method
// 4) and, when that does not decide, against the SSETP that the run before it left.
TEST_F(ParallelBootstrap, TheLossLeftByTheRunBeforeMattersOnlyWhenTheFirstTestDoesNotDecide) {
  constexpr std::int16_t kFifthDecimal = 2, kDirect = 1;
  // 9 - 10 is -100000 units: the first test goes on whatever the run before left.
  EXPECT_TRUE(loss_history_holds(kFifthDecimal, 10, 9, 5, 7));
  // 10.000001 - 10 is 0.1 unit, rounded 0: the loss left is read. 10.000001 - 12 and
  // 10.000001 - 11 are about -200000 and -100000 units: both go on, and the history moves on.
  EXPECT_TRUE(loss_history_holds(kFifthDecimal, 10, 10.000001, 12, 11));
  // 10.000001 - 10 is 0.1 unit: it would have stopped, where 11 goes on.
  EXPECT_FALSE(loss_history_holds(kFifthDecimal, 10, 10.000001, 10, 11));
  // Both stop (0.1 and 0.05 units), but the loss left stays in SSETPP: it must be the same.
  EXPECT_FALSE(loss_history_holds(kFifthDecimal, 10, 10.000001, 10, 10.0000005));
  EXPECT_TRUE(loss_history_holds(kFifthDecimal, 10, 10.000001, 10, 10));
  // A difference of 1E300 does not fit 32 bits: a fault, which the prediction did not meet.
  EXPECT_FALSE(loss_history_holds(kFifthDecimal, 10, 10.000001, 12, 1E300));

  // Method 4: 10 - 1E-6 > 9 goes on by itself.
  EXPECT_TRUE(loss_history_holds(kDirect, 10, 9, 5, 7));
  // 9 - 1E-6 > 9 does not: 10 and 9.5 both go on, 8 stops.
  EXPECT_TRUE(loss_history_holds(kDirect, 9, 9, 10, 9.5));
  EXPECT_FALSE(loss_history_holds(kDirect, 9, 9, 10, 8));
}

}  // namespace
}  // namespace quorvane::perf
