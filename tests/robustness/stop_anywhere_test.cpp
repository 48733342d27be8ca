// Stops at any point. The user may press STOP at any cohort computation. A small run is stopped,
// in the main run and in a short bootstrap with both answers to the restart question, at the
// first, a middle and the last cohort computation of every evaluation of the objective (and of
// every bootstrap run): the places where what the stop interrupts changes. Each stop must end
// cleanly: no crash, a complete results file whenever the run completes, a message when a stop
// comes before anything can be written, every file closed and no value that is not finite in any
// file. Each stop starts from a fresh run state.
#include <gtest/gtest.h>

#include <algorithm>
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

long line_count(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

class StopAnywhere : public ::testing::Test {
 protected:
  StopAnywhere() {
    read_fields_file((w_.dir() / "fields.txt").string(), texts_);
    texts_[FieldId::FScanLow] = "1.5";  // a scan of one terminal f value, then the final evaluation
    texts_[FieldId::FScanHigh] = "1.5";
    texts_[FieldId::Smoother] = "0.3";  // a light smoother: few passes of the fixed-point iteration
  }

  // Notes at each yield point its phase: which bootstrap run and which evaluation it belongs to.
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

  struct Run {
    RunOutcome outcome;
    std::unique_ptr<RunState> state = std::make_unique<RunState>();
    long yields = 0;
    std::set<long> sample;  // the first, middle and last yield point (from 1) of each phase
  };

  // One START on a fresh run state; STOP at yield point `stop_at` (-1: never).
  Run run(long stop_at, const std::string& bootstrap_answer, const std::string& restart_answer) {
    Run r;
    r.state->workdir = w_.dir().string();
    PhaseHost host(*r.state);
    host.stop_at_yield = stop_at;
    host.bootstrap_answer = {bootstrap_answer, std::to_string(kBootstrapRuns)};
    host.restart_answer = restart_answer;
    r.outcome = run_start(*r.state, host, texts_);
    r.yields = host.yields;
    for (long k = 1, first = 1; k <= r.yields; ++k) {
      if (k < r.yields && host.phases[k] == host.phases[k - 1]) continue;
      r.sample.insert({first, (first + k) / 2, k});
      first = k + 1;
    }
    return r;
  }

  // Every file closed when the run is over; the search log stays open after a stopped main run
  // answered Yes until the next START, by design of the session.
  static void expect_closed(const RunState& s, bool search_log_too) {
    EXPECT_FALSE(s.files.results.is_open());
    EXPECT_FALSE(std::any_of(s.files.boot.begin(), s.files.boot.end(),
                             [](const PrintFile& f) { return f.is_open(); }));
    EXPECT_FALSE(search_log_too && s.files.minim.is_open());
  }

  // A terminated results file written to its end: its heading and its last section.
  void expect_complete_results() {
    const std::string results = slurp(w_.dir() / "output.out");
    EXPECT_EQ(results.rfind("FILE OF RESULTS\r\n", 0), 0u);
    EXPECT_NE(results.find(kTerminated), std::string::npos);
    const std::size_t last = results.rfind(" Standard errors\r\nOverall:\r\n");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(line_count(results.substr(last)), 4);  // the heading, two labels and the values
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
        expect_complete_results();
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
      expect_closed(s, std::string(answer) == "2" || r.outcome.status != RunStatus::Completed);
      EXPECT_EQ(files_with_non_finite(w_.dir()), std::vector<std::string>{});
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
  const long full_lines = line_count(slurp(w_.dir() / "bootf.out"));

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
      const long lines = line_count(slurp(w_.dir() / "bootf.out"));
      EXPECT_TRUE(std::string(restart) == "1" ? lines == full_lines : lines < full_lines)
          << lines << " lines of " << full_lines;
      expect_closed(s, true);
      EXPECT_EQ(files_with_non_finite(w_.dir()), std::vector<std::string>{});
      if (::testing::Test::HasFailure()) return;
    }
  }
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
}

}  // namespace
}  // namespace quorvane::testing
