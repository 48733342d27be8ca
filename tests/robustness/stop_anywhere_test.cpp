// Stops at any point. The user may press STOP at any cohort computation. A small run is stopped,
// in the main run and in a short bootstrap with both answers to the restart question, at the
// first, a middle and the last cohort computation of every evaluation of the objective (and of
// every bootstrap run): the places where what the stop interrupts changes. Each stop must end
// cleanly: no crash, a complete results file whenever the run completes, a message when a stop
// comes before anything can be written, every file closed and no value that is not finite in any
// file. Each stop starts from a fresh run state.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "robustness/batch_workdir.h"
#include "run/bootstrap.h"
#include "run/fields_file.h"
#include "run/start.h"
#include "support/recording_host.h"

namespace quorvane::testing {
namespace {

constexpr const char* kTerminated = "Process was terminated by user !!!";
constexpr int kBootstrapRuns = 2;

int line_count(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

class StopAnywhere : public ::testing::Test {
 protected:
  StopAnywhere() {
    read_fields_file((w_.dir() / "fields.txt").string(), texts_);
    texts_[FieldId::FScanLow] = "1.5";  // a scan of one terminal f value, then the final evaluation
    texts_[FieldId::FScanHigh] = "1.5";
    texts_[FieldId::Smoother] = "0.3";  // a light smoother: few passes of the fixed-point iteration
  }

  struct Run {
    RunOutcome outcome;
    std::unique_ptr<RunState> state;
    long yields = 0;
    std::set<long> sample;  // the yield points to stop at, from an uninterrupted run
  };

  // Notes at each yield point which bootstrap run and which evaluation it belongs to.
  class PhaseHost : public RecordingHost {
   public:
    explicit PhaseHost(const RunState& s) : RecordingHost(false), s_(s) {}
    UserRequest yield() override {
      phases.emplace_back(s_.bootn, s_.evaluations);
      return RecordingHost::yield();
    }
    std::vector<std::pair<int, long>> phases;

   private:
    const RunState& s_;
  };

  // The first, middle and last yield point (numbered from 1) of each phase from `from` on.
  static std::set<long> phase_sample(const std::vector<std::pair<int, long>>& phases, long from) {
    std::set<long> sample;
    for (long k = from, first = from; k <= static_cast<long>(phases.size()); ++k) {
      const bool last = k == static_cast<long>(phases.size()) || phases[k] != phases[k - 1];
      if (!last) continue;
      sample.insert({first, (first + k) / 2, k});
      first = k + 1;
    }
    return sample;
  }

  // One START on a fresh run state; STOP at yield point `stop_at` (-1: never).
  Run run(long stop_at, const std::string& bootstrap_answer, const std::string& restart_answer) {
    Run r;
    r.state = std::make_unique<RunState>();
    r.state->workdir = w_.dir().string();
    PhaseHost host(*r.state);
    host.stop_at_yield = stop_at;
    host.bootstrap_answer = {bootstrap_answer, std::to_string(kBootstrapRuns)};
    host.restart_answer = restart_answer;
    r.outcome = run_start(*r.state, host, texts_);
    r.yields = host.yields;
    if (stop_at < 0) r.sample = phase_sample(host.phases, 1);
    return r;
  }

  static bool any_boot_file_open(const RunState& s) {
    for (const PrintFile& f : s.files.boot) {
      if (f.is_open()) return true;
    }
    return false;
  }

  // A results file written to its end: its heading and its last section.
  void expect_complete_results(bool terminated) {
    const std::string results = slurp(w_.dir() / "output.out");
    EXPECT_EQ(results.rfind("FILE OF RESULTS\r\n", 0), 0u);
    EXPECT_EQ(results.find(kTerminated) != std::string::npos, terminated);
    const std::size_t last = results.rfind(" Standard errors\r\nOverall:\r\n");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(line_count(results.substr(last)), 4);  // the heading, two labels and the values
  }

  // The files a run writes: the results, the search log, the bootstrap files and the
  // temporary fleet copies.
  void expect_finite_outputs() {
    std::vector<std::string> bad;
    for (const auto& entry : fs::directory_iterator(w_.dir())) {
      const std::string name = entry.path().filename().string();
      const bool output = name == "output.out" || name == "minim.out" ||
                          name.rfind("boot", 0) == 0 || name.rfind("aged", 0) == 0;
      if (output && holds_non_finite(slurp(entry.path()))) bad.push_back(name);
    }
    EXPECT_EQ(bad, std::vector<std::string>{});
  }

  BadInputsStock w_;
  FieldTexts texts_ = default_field_texts();
};

// The main run stopped, the bootstrap window then answered Yes or No (a stopped main run refuses
// the bootstrap either way).
TEST_F(StopAnywhere, MainRunStoppedInEveryEvaluation) {
  const Run whole = run(-1, "2", "1");
  ASSERT_EQ(whole.outcome.status, RunStatus::Completed) << whole.outcome.message;
  ASSERT_GT(whole.yields, 10);

  int early_stops = 0;
  for (long k : whole.sample) {
    for (const char* answer : {"1", "2"}) {
      SCOPED_TRACE("STOP at cohort computation " + std::to_string(k) + ", bootstrap answer " +
                   answer);
      const Run r = run(k, answer, "1");
      const RunState& s = *r.state;
      if (r.outcome.status == RunStatus::Completed) {
        expect_complete_results(true);
      } else {
        // Before the first evaluation has finished there are no stock numbers to write.
        EXPECT_EQ(r.outcome.status, RunStatus::ArithmeticFailed);
        EXPECT_NE(r.outcome.message.find("the run was stopped before its first evaluation"),
                  std::string::npos)
            << r.outcome.message;
        EXPECT_EQ(s.evaluations, 0);
        EXPECT_EQ(slurp(w_.dir() / "output.out"), "");  // nothing half written
        ++early_stops;
      }
      // The search log stays open after the answer Yes until the next START, by design of the
      // session; the answer No ends the run and closes it.
      EXPECT_FALSE(s.files.results.is_open());
      EXPECT_FALSE(any_boot_file_open(s));
      if (std::string(answer) == "2" || r.outcome.status != RunStatus::Completed) {
        EXPECT_FALSE(s.files.minim.is_open());
      }
      expect_finite_outputs();
      if (::testing::Test::HasFailure()) return;
    }
  }
  // Some stops come before the first evaluation, the others after it.
  EXPECT_GT(early_stops, 0);
  EXPECT_LT(early_stops, 2 * static_cast<int>(whole.sample.size()));
}

// A short bootstrap stopped in every evaluation of its runs, with the restart question answered 1
// (the replicate goes on with newly drawn catches) and 2 (the bootstrap ends).
TEST_F(StopAnywhere, BootstrapStoppedInEveryEvaluation) {
  const Run main_only = run(-1, "2", "1");
  const Run whole = run(-1, "1", "1");
  ASSERT_EQ(whole.outcome.status, RunStatus::Completed) << whole.outcome.message;
  ASSERT_GT(whole.yields, main_only.yields);
  const std::string results = slurp(w_.dir() / "output.out");
  const int full_lines = line_count(slurp(w_.dir() / "bootf.out"));

  for (long k : whole.sample) {
    if (k <= main_only.yields) continue;
    for (const char* restart : {"1", "2"}) {
      SCOPED_TRACE("STOP at cohort computation " + std::to_string(k) + ", restart answer " +
                   restart);
      const Run r = run(k, "1", restart);
      const RunState& s = *r.state;
      EXPECT_EQ(r.outcome.status, RunStatus::Completed) << r.outcome.message;
      // The results were written by the main run, before any stop.
      EXPECT_EQ(slurp(w_.dir() / "output.out"), results);
      // A restarted replicate still ends with its line; a refused restart keeps the lines of
      // the replicates finished before the stop.
      const int lines = line_count(slurp(w_.dir() / "bootf.out"));
      if (std::string(restart) == "1") {
        EXPECT_EQ(lines, full_lines);
      } else {
        EXPECT_LT(lines, full_lines);
      }
      EXPECT_FALSE(s.files.results.is_open());
      EXPECT_FALSE(s.files.minim.is_open());
      EXPECT_FALSE(any_boot_file_open(s));
      expect_finite_outputs();
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// The batch runner's side of the same stops: a stop before anything can be written exits 1 and
// says why; a later stop exits 0 with the terminated results.
TEST(StopFromTheBatchRunner, EarlyStopExitsOneAndLaterStopWritesTheTerminatedResults) {
  BadInputsStock w;
  BatchRun run = w.run("--fields fields.txt --stop-at-call 1");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("(the run was stopped before its first evaluation finished)\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(slurp(w.dir() / "output.out"), "");
  run = w.run("--fields fields.txt --stop-at-call 200");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(slurp(w.dir() / "output.out").find(kTerminated), std::string::npos);
}

// c_oscillating.txt with Method 1 and no smoothing: the catch loss of the fixed-point iteration
// never settles, so the first evaluation never ends by itself.
TEST(StopAfterSeconds, EndsARunWhoseLossNeverSettles) {
  BadInputsStock w;
  const std::string endless =
      "--fields fields.txt --set Text1=c_oscillating.txt --set Text6=1 --set Text17=0.5 "
      "--set Text18=0.5 ";
  EXPECT_EQ(w.run(endless + "--stop-after-seconds 0.3", "tiny").exit_code, 0);
  const std::string results = slurp(w.dir() / "tiny/output.out");
  EXPECT_EQ(results.rfind(std::string("FILE OF RESULTS\r\n") + kTerminated + "\r\n", 0), 0u);
  EXPECT_NE(results.find(" Standard errors"), std::string::npos);
  // The search log has its header only: no evaluation ended.
  EXPECT_EQ(line_count(slurp(w.dir() / "tiny/minim.out")), 1);
  EXPECT_EQ(files_with_non_finite(w.dir()), std::vector<std::string>{});

  EXPECT_EQ(w.run("--stop-after-seconds -1").exit_code, 2);
  EXPECT_EQ(w.run("--stop-after-seconds soon").exit_code, 2);
}

}  // namespace
}  // namespace quorvane::testing
