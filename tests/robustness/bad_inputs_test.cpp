// The catalogue of bad inputs: the mistakes scientists make in input files and settings, each
// with the one line quorvane-batch must give and its exit status (2 for settings rejected
// before the run, 1 for a file that fails or an arithmetic fault), and what happens to an
// earlier results file. Every case changes one thing of the small valid stock in
// tests/data/bad_inputs; expect_answer also checks that no file holds a value that is not finite.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "robustness/batch_workdir.h"
#include "run/fields_file.h"
#include "run/settings.h"
#include "run/start.h"
#include "support/recording_host.h"

namespace quorvane::testing {
namespace {

using enum ResultsFile;

const BadInput kBadInputs[] = {
    // ---- A file that cannot be read at all. The maturity and fleet files are read only when
    // the first evaluation needs them, after the search log has been begun.
    {"CatchFile", "--set Text1=absent_c.txt", 1,
     "./absent_c.txt: the file cannot be opened (No such file or directory)", Emptied},
    {"FleetFile", "--set Text49=absent_fleet.txt", 1,
     "./absent_fleet.txt: the file cannot be opened (No such file or directory)", Emptied},
    // ---- Files whose content breaks the layout.
    {"CatchFileEndsEarly", "--set Text1=c_ends_early.txt", 1,
     "./c_ends_early.txt: the file ends early: the row of year 2006 is missing (6 years of 4 ages "
     "expected from line 5 on)",
     Emptied},
    // Rows of three values read as a stream: the second row's year lands in age 4 of 2001.
    {"MortalityFileHasFewerAgesThanTheCatch", "--set Text5=m_fewer_ages.txt", 1,
     "./m_fewer_ages.txt: line 6: '0.2' stands where the year 2002 begins its row: a value is "
     "missing or extra in the rows above, or a decimal comma split a number (the decimal point "
     "is a dot)",
     Emptied},
    {"SsbSurveyEndsEarly", "--set Text40=ssb_ends_early.txt", 1,
     "./ssb_ends_early.txt: the file ends early: the value of year 2004 is missing (6 years "
     "expected from line 5 on)",
     Emptied},
    {"SurveyValueThatIsNotANumber", "--set Text40=ssb_not_a_number.txt", 1,
     "./ssb_not_a_number.txt: line 7: 'n/a' is not a number", Emptied},
    // Text after the four numbers would shift the matrix by a line if it were skipped.
    {"FirstLineWithText", "--set Text1=c_line1_text.txt", 1,
     "./c_line1_text.txt: line 1: 'catch' is not a number", Emptied},
    {"ThirtyAges", "--set Text1=c_30_ages.txt", 1,
     "./c_30_ages.txt: line 1: ages 1 to 30 are more than the 29 ages the tables hold", Emptied},
    // ---- Fields rejected before any file is touched: every problem is listed in the one line.
    {"TwoProblemsAtOnce", "--set Text8=abc --set Text6=9", 2,
     "Years for analysis.  First year: 'abc' is not a number (Text8); Method: 1. Nonlog (basic);  "
     " 2.Log;  3.Nonlog w-d;  4.Direct.           Option?: '9' is not one of the options 1..4 "
     "(Text6)",
     Kept},
    {"MissingFieldsFile", "--fields absent_fields.txt", 2,
     "absent_fields.txt: the fields file cannot be opened (No such file or directory)", Kept},
    // ---- Ranges checked against line 1 of the C(a,y) file, after START created the results
    // file.
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
    // ---- Places the program cannot write to. CI runs as root, so they are made from paths
    // that lead through a regular file or end at a directory, not from permissions.
    {"WorkingDirectoryUnderAFile", "--workdir c.txt/work", 2,
     "the working directory 'c.txt/work' does not exist (see --help)", Kept},
    {"ResultsFileUnderAFile", "--set Text35=c.txt/output.out", 1,
     "./c.txt/output.out: cannot be opened for writing (Not a directory)", Kept},
    {"SearchLogIsAFolder", "", 1, "./minim.out: cannot be opened for writing (Is a directory)",
     Emptied, "", "minim.out"},
    // The results are written before the bootstrap files are opened.
    {"BootstrapFileIsAFolder", "--bootstrap 2", 1,
     "./bootf.out: cannot be opened for writing (Is a directory)", Written, "", "bootf.out"},
    // ---- Arithmetic faults met inside a run, on data that lead there as a scientist's data can:
    // the run stops where the fault arises with a message naming the procedure and, where known,
    // the age and year.
    // tiny/: ages 1-3, years 2001-2003, M = 0, catch at the start of the year, no smoothing,
    // Method 3, effort-controlled. Age 1 is caught heavily; the factors that the first pass
    // estimates give it in 2002 an exploitation rate s f that rounds to exactly 1, and the
    // effort-controlled stock N' e^M / (1 - s f) divides by zero there.
    {"ExploitationRateOfOneInModeTwo", "", 1,
     "CALCSTOCK: division by zero: the exploitation rate s(a,y)*f(y) is 1 at age 1, year 2002",
     Emptied, "tiny"},
    // A scan of the terminal f from 0: the point equation of the last year divides by s f = 0.
    {"TerminalFOfZero", "--set Text17=0", 1,
     "CALCSTOCK: division by zero: s(a,y)*f(y) = 0 in the point equation at age 1, year 2006",
     Emptied},
    // -1 typed for a missing catch at age 1 in 2002: the exploitation rate implied by a
    // negative catch is 0, and Method 2 takes its logarithm.
    {"NegativeCatchUnderMethodTwo", "--set Text1=c_negative_catch.txt", 1,
     "CALCSTOCKALL: logarithm of a non-positive or non-finite number at age 1, year 2002", Emptied},
    // No fish mature in 2006, a year the SSB survey observes: the model SSB there is 0.
    {"ModelSsbZeroInAnObservedYear", "--set Text37=mat_none_mature_2006.txt", 1,
     "calcSSESSB: logarithm of a non-positive or non-finite number in year 2006", Emptied},
    // Ages 1-3 by years 2001-2005 give 15 catch residuals; a window of 16 cannot be centred.
    {"CentralWindowLargerThanTheSample", "--set Text33=16", 1,
     "mediana: the sample of 15 residuals is smaller than the central window of 16", Emptied},
    // The valid neighbours of the faults run through: the same tiny stock catch-controlled, and a
    // window exactly as large as the sample.
    {"CatchControlledNeighbour", "--set Text14=1", 0, "", Written, "tiny"},
    {"WindowAsLargeAsTheSample", "--set Text33=14", 0, "", Written},
};

TEST_P(BadInputCatalogue, GivesItsMessageAndExitStatus) { expect_answer(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Case, BadInputCatalogue, ::testing::ValuesIn(kBadInputs), case_name);

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

// Mistakes in the input that keep the layout of a file or field but would put wrong numbers into
// the assessment without a sound: each must stop the run with a message that points at it.
// Reads a catch file of ages 1-2 and years 2001-2003 whose rows are given; returns the message
// of the InputError from the file's name on, or "" when the file was read.
std::string read_catch_rows(const std::string& rows) {
  const ScratchDir dir;
  dir.write("c.txt", "1 2 2001 2003\nt\nt\nt\n" + rows);
  auto s = std::make_unique<RunState>();
  s->workdir = dir.str();
  s->AnamefileC = "c.txt";
  try {
    read_catch_file(*s, [] {});
  } catch (const InputError& e) {
    const std::string message = e.what();
    return message.substr(message.find("c.txt"));
  }
  return "";
}

TEST(SilentMistakes, RowsThatSlideAreRejectedWhereTheySlip) {
  // Well-formed: a group across two lines and a note after the last value are both fine.
  EXPECT_EQ(read_catch_rows("2001 10 11\n2002 20\n 21\n2003 30 31   end of table\n"), "");

  // A decimal comma in 2001 makes "0,5" two numbers: the row of 2002 starts one value late.
  EXPECT_EQ(read_catch_rows("2001 0,5 11\n2002 20 21\n2003 30 31\n"),
            "c.txt: line 5: '11' stands where the year 2002 begins its row: a value is missing "
            "or extra in the rows above, or a decimal comma split a number (the decimal point is "
            "a dot)")
      << "a decimal comma in a middle row";
  // A value left out of 2002: 2003 becomes the value for age 2 and 30 the year of the next row.
  EXPECT_NE(read_catch_rows("2001 10 11\n2002 20\n2003 30 31\n")
                .find("'30' stands where the "
                      "year 2003 begins"),
            std::string::npos);
  // The last row has no row after it to slip into; its extra number is caught on its own line.
  EXPECT_EQ(read_catch_rows("2001 10 11\n2002 20 21\n2003 0,3 31\n"),
            "c.txt: line 7: '31' follows the value for age 2 in year 2003: the row holds more "
            "values than ages, or a decimal comma split a number (the decimal point is a dot)");
}

// The portion of the mixed mode is read, and so checked, in Mode 3 only.
TEST(SilentMistakes, MixedModePortionOutsideZeroToOneIsRejectedInModeThree) {
  FieldTexts texts = default_field_texts();
  texts[FieldId::Mix] = "-0.1";
  auto s = std::make_unique<RunState>();
  EXPECT_THROW(read_settings(*s, texts), SettingsError);
  texts[FieldId::Mode] = "1";
  EXPECT_NO_THROW(read_settings(*s, texts));
}

}  // namespace
}  // namespace quorvane::testing
