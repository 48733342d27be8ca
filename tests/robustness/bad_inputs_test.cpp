// The catalogue of bad inputs, tests/data/bad_input_cases.txt: each case changes one thing of the
// small valid stock in tests/data/bad_inputs and states the one line quorvane-batch must give, its
// exit status and what happens to an earlier results file; expect_answer also checks that no file
// holds a value that is not finite. And a session that goes on after a failed START.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "robustness/batch_workdir.h"
#include "run/fields_file.h"
#include "run/settings.h"
#include "run/start.h"
#include "support/recording_host.h"

namespace quorvane::testing {
namespace {

class BadInputCatalogue : public ::testing::TestWithParam<CaseRow> {};

TEST_P(BadInputCatalogue, GivesItsMessageAndExitStatus) { expect_answer(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Case, BadInputCatalogue,
                         ::testing::ValuesIn(read_case_table("bad_input_cases.txt")), case_name);

// The window program keeps one run state for the whole session: after a failed START of any
// kind the next START on good fields must give the same results as a fresh program.
TEST(SessionAfterAFailure, NextStartGivesTheResultsOfAFreshProgram) {
  BadInputsStock w;
  FieldTexts good = default_field_texts();
  read_fields_file((w.dir() / "fields.txt").string(), good);
  const auto results_of_a_good_run = [&](RunState& s) {
    RecordingHost host(false);
    const RunOutcome outcome = run_start(s, host, good);
    EXPECT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
    EXPECT_FALSE(s.files.results.is_open());
    EXPECT_FALSE(s.files.minim.is_open());
    return slurp(w.dir() / "output.out");
  };
  auto fresh = std::make_unique<RunState>();
  fresh->workdir = w.dir().string();
  const std::string expected = results_of_a_good_run(*fresh);
  ASSERT_NE(expected.find(" Standard errors"), std::string::npos);

  // An option outside its list; years outside the file; a file read after C(a,y); one read
  // inside the evaluation; a central window larger than the sample; a fault inside the objective.
  const struct {
    FieldId field;
    const char* text;
    RunStatus status;
  } failures[] = {{FieldId::Method, "9", RunStatus::SettingsRejected},
                  {FieldId::FirstYear, "1999", RunStatus::SettingsRejected},
                  {FieldId::WeightFile, "w_fewer_years.txt", RunStatus::InputFailed},
                  {FieldId::Fleet1File, "fleet_ends_early.txt", RunStatus::InputFailed},
                  {FieldId::CentralElements, "16", RunStatus::ArithmeticFailed},
                  {FieldId::CatchFile, "c_negative_catch.txt", RunStatus::ArithmeticFailed}};
  for (const auto& f : failures) {
    SCOPED_TRACE(std::string(field(f.field).name) + "=" + f.text);
    auto s = std::make_unique<RunState>();
    s->workdir = w.dir().string();
    FieldTexts bad = good;
    bad[f.field] = f.text;
    RecordingHost host(false);
    const RunOutcome outcome = run_start(*s, host, bad);
    EXPECT_EQ(outcome.status, f.status) << outcome.message;
    EXPECT_EQ(host.ended_with, outcome.message);  // the window shows it in a message box
    EXPECT_FALSE(s->files.results.is_open());
    EXPECT_FALSE(s->files.minim.is_open());
    EXPECT_EQ(results_of_a_good_run(*s), expected);
  }
}

}  // namespace
}  // namespace quorvane::testing
