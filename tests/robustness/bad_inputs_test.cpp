// The catalogue of bad inputs: the mistakes scientists make in input files and settings, each
// with the one line quorvane-batch must give and its exit status (2 for settings rejected
// before the run, 1 for a file that fails), and what happens to an earlier results file. Every
// case changes one thing of the small valid stock in tests/data/bad_inputs.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "robustness/batch_workdir.h"
#include "run/fields_file.h"
#include "run/start.h"
#include "support/recording_host.h"

namespace quorvane::testing {
namespace {

using enum ResultsFile;

// A file that cannot be read at all. The maturity and fleet files are read only when the first
// evaluation needs them, after the search log has been begun.
const BadInput kMissingFiles[] = {
    {"CatchFile", "--set Text1=absent_c.txt", 1,
     "./absent_c.txt: the file cannot be opened (No such file or directory)", Emptied},
    {"WeightFile", "--set Text2=absent_w.txt", 1,
     "./absent_w.txt: the file cannot be opened (No such file or directory)", Emptied},
    {"MortalityFile", "--set Text5=absent_m.txt", 1,
     "./absent_m.txt: the file cannot be opened (No such file or directory)", Emptied},
    {"MaturityFile", "--set Text37=absent_mat.txt", 1,
     "./absent_mat.txt: the file cannot be opened (No such file or directory)", Emptied},
    {"SsbSurveyFile", "--set Text40=absent_ssb.txt", 1,
     "./absent_ssb.txt: the file cannot be opened (No such file or directory)", Emptied},
    {"FleetFile", "--set Text49=absent_fleet.txt", 1,
     "./absent_fleet.txt: the file cannot be opened (No such file or directory)", Emptied},
};

// Files whose content breaks the layout.
const BadInput kBrokenFiles[] = {
    {"CatchFileEndsEarly", "--set Text1=c_ends_early.txt", 1,
     "./c_ends_early.txt: the file ends early: the row of year 2006 is missing (6 years of 4 ages "
     "expected from line 5 on)",
     Emptied},
    {"WeightFileHasFewerYearsThanTheCatch", "--set Text2=w_fewer_years.txt", 1,
     "./w_fewer_years.txt: the file ends early: the row of year 2006 is missing (6 years of 4 "
     "ages expected from line 5 on)",
     Emptied},
    // Rows of three values read as a stream: the second row's year lands in age 4 of 2001.
    {"MortalityFileHasFewerAgesThanTheCatch", "--set Text5=m_fewer_ages.txt", 1,
     "./m_fewer_ages.txt: line 6: '0.2' stands where the year 2002 begins its row: a value is "
     "missing or extra in the rows above, or a decimal comma split a number (the decimal point "
     "is a dot)",
     Emptied},
    {"MaturityFileEndsEarly", "--set Text37=mat_ends_early.txt", 1,
     "./mat_ends_early.txt: the file ends early: the row of year 2004 is missing (6 years of 4 "
     "ages expected from line 5 on)",
     Emptied},
    {"SsbSurveyEndsEarly", "--set Text40=ssb_ends_early.txt", 1,
     "./ssb_ends_early.txt: the file ends early: the value of year 2004 is missing (6 years "
     "expected from line 5 on)",
     Emptied},
    {"FleetFileEndsEarly", "--set Text49=fleet_ends_early.txt", 1,
     "./fleet_ends_early.txt: the file ends early: the row of year 2005 is missing (6 years of 4 "
     "ages expected from line 5 on)",
     Emptied},
    {"LetterOTypedForAZero", "--set Text1=c_letter_o.txt", 1,
     "./c_letter_o.txt: line 8: '145.O' is not a number", Emptied},
    {"SurveyValueThatIsNotANumber", "--set Text40=ssb_not_a_number.txt", 1,
     "./ssb_not_a_number.txt: line 7: 'n/a' is not a number", Emptied},
    // Text after the four numbers would shift the matrix by a line if it were skipped.
    {"FirstLineWithText", "--set Text1=c_line1_text.txt", 1,
     "./c_line1_text.txt: line 1: 'catch' is not a number", Emptied},
    {"FirstLineWithThreeNumbers", "--set Text1=c_line1_three_numbers.txt", 1,
     "./c_line1_three_numbers.txt: line 1 holds 3 numbers; it must hold four: first age, last "
     "age, first year, last year",
     Emptied},
    {"ThirtyAges", "--set Text1=c_30_ages.txt", 1,
     "./c_30_ages.txt: line 1: ages 1 to 30 are more than the 29 ages the tables hold", Emptied},
    {"SixtyOneYears", "--set Text1=c_61_years.txt", 1,
     "./c_61_years.txt: line 1: years 1946 to 2006 are more than the 60 years the tables hold",
     Emptied},
};

// Fields rejected before any file is touched: every problem is listed in the one line.
const BadInput kRejectedFields[] = {
    {"YearThatIsNotANumber", "--set Text8=abc", 2,
     "Years for analysis.  First year: 'abc' is not a number (Text8)", Kept},
    {"DecimalComma", "--set Text17=1,5", 2, "If Scan: Lowest f : '1,5' is not a number (Text17)",
     Kept},
    {"ModeOutsideItsList", "--set Text14=0", 2,
     "Mode: 1.Catch-contr.; 2.Effort-contr.;  3.Mixed;  4.Mixed BPW.  Option?: '0' is not one of "
     "the options 1..4 (Text14)",
     Kept},
    {"TwoProblemsAtOnce", "--set Text8=abc --set Text6=9", 2,
     "Years for analysis.  First year: 'abc' is not a number (Text8); Method: 1. Nonlog (basic);  "
     " 2.Log;  3.Nonlog w-d;  4.Direct.           Option?: '9' is not one of the options 1..4 "
     "(Text6)",
     Kept},
    {"FourSsbSurveys", "--set Text39=4", 2, "How many (<=3)? : '4' is outside 0..3 (Text39)", Kept},
    {"EightFleets", "--set Text48=8", 2, "How many (<=7)?: '8' is outside 0..7 (Text48)", Kept},
    {"OddCentralWindow", "--set Text33=5", 2,
     "No. (even) of c.e. for MDN (rec.=10): '5' is not an even number of at least 2 (Text33)",
     Kept},
    {"ScanStepZero", "--set Text19=0", 2, "If Scan: Step : '0' is not above 0 (Text19)", Kept},
    {"ScanReversed", "--set Text18=0.25", 2,
     "If Scan: Highest f : '0.25' is below the lowest value of the scan (If Scan: Lowest f :) "
     "(Text18)",
     Kept},
    {"FieldsLineWithoutEquals", "--fields fields_without_equals.txt", 2,
     "fields_without_equals.txt: line 2: 'Text8 2001' is not of the form name=value", Kept},
    {"MissingFieldsFile", "--fields absent_fields.txt", 2,
     "absent_fields.txt: the fields file cannot be opened (No such file or directory)", Kept},
    {"UnknownField", "--set Text116=1", 2, "--set: 'Text116' is not a field name (Text1..Text115)",
     Kept},
};

// Ranges checked against line 1 of the C(a,y) file: the results file has been created by then.
const BadInput kRangesOutsideTheFile[] = {
    {"FirstYearBeforeTheFile", "--set Text8=1999", 2,
     "Years for analysis.  First year: '1999' lies outside the years 2001..2006 of the C(a,y) "
     "file (Text8)",
     Emptied},
    {"LastAgeAfterTheFile", "--set Text12=5", 2,
     "Last age: '5' lies outside the ages 1..4 of the C(a,y) file (Text12)", Emptied},
    {"YearsInReverse", "--set Text8=2005 --set Text9=2003", 2,
     "Last year: '2003' is below the first year of the analysis (Text9)", Emptied},
    {"FirstSelectionPeriodEndsBeforeTheAnalysis", "--set Text10=2000", 2,
     "Last year of 1-st S(a): '2000' lies outside the years of the analysis 2001..2006 (Text10)",
     Emptied},
    {"GenerationWindowStartsBeforeTheAnalysis", "--set Text112=1 --set Text113=0", 2,
     "For Triple: TrAgeMin: '0' lies outside the ages of the analysis 1..4 (Text113)", Emptied},
    // Not mistakes: an empty window, and a window that is not used, are accepted.
    {"EmptyGenerationWindowRuns", "--set Text112=1 --set Text113=4 --set Text114=2", 0, "",
     Written},
    {"UnusedGenerationWindowIsNotChecked", "--set Text112=2 --set Text113=0", 0, "", Written},
};

// Places the program cannot write to. CI runs as root, so they are made from paths that lead
// through a regular file or end at a directory, not from permissions.
const BadInput kUnwritable[] = {
    {"WorkingDirectoryUnderAFile", "--workdir c.txt/work", 2,
     "the working directory 'c.txt/work' does not exist (see --help)", Kept},
    {"ResultsFileUnderAFile", "--set Text35=c.txt/output.out", 1,
     "./c.txt/output.out: cannot be opened for writing (Not a directory)", Kept},
    {"SearchLogIsAFolder", "", 1, "./minim.out: cannot be opened for writing (Is a directory)",
     Emptied, "", "minim.out"},
    // The results are written before the bootstrap files are opened.
    {"BootstrapFileIsAFolder", "--bootstrap 2", 1,
     "./bootf.out: cannot be opened for writing (Is a directory)", Written, "", "bootf.out"},
};

class BadInputCatalogue : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputCatalogue, GivesItsMessageAndExitStatus) { expect_answer(GetParam()); }

const auto kName = [](const ::testing::TestParamInfo<BadInput>& info) {
  return std::string(info.param.name);
};

INSTANTIATE_TEST_SUITE_P(MissingFile, BadInputCatalogue, ::testing::ValuesIn(kMissingFiles), kName);
INSTANTIATE_TEST_SUITE_P(BrokenFile, BadInputCatalogue, ::testing::ValuesIn(kBrokenFiles), kName);
INSTANTIATE_TEST_SUITE_P(RejectedField, BadInputCatalogue, ::testing::ValuesIn(kRejectedFields),
                         kName);
INSTANTIATE_TEST_SUITE_P(RangeOutsideTheFile, BadInputCatalogue,
                         ::testing::ValuesIn(kRangesOutsideTheFile), kName);
INSTANTIATE_TEST_SUITE_P(Unwritable, BadInputCatalogue, ::testing::ValuesIn(kUnwritable), kName);

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

  struct Failure {
    FieldId field;
    const char* text;
    RunStatus status;
  };
  const Failure failures[] = {
      {FieldId::Method, "9", RunStatus::SettingsRejected},                     // an option outside its list
      {FieldId::FirstYear, "1999", RunStatus::SettingsRejected},                  // years outside the file
      {FieldId::WeightFile, "w_fewer_years.txt", RunStatus::InputFailed},          // read after C(a,y)
      {FieldId::Fleet1File, "fleet_ends_early.txt", RunStatus::InputFailed},      // read inside the evaluation
      {FieldId::CentralElements, "16", RunStatus::ArithmeticFailed},                   // window larger than the sample
      {FieldId::CatchFile, "c_negative_catch.txt", RunStatus::ArithmeticFailed},  // a fault inside the objective
  };
  for (const Failure& f : failures) {
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
