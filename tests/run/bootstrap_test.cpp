#include "run/bootstrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/print.h"
#include "run/start.h"
#include "tests/run/small_stock.h"
#include "tests/support/recording_host.h"
#include "tests/support/written_files.h"

namespace quorvane {
namespace {

using testing::RecordingHost;
using testing::SmallStock;

// A value stands every `width` columns from column 7, rounded to its pattern; 0 is written as
// 0; a value too wide for its columns pushes the next one to a new line at its column.
TEST(BootLine, ValuesStandInTheirColumnsFromColumnSeven) {
  struct Case {
    int bootn;
    std::vector<double> values;
    int width;
    const char* pattern;
    std::string line;
  };
  const Case cases[] = {
      // " 0 " ends at column 3; " .1235 " fills 7..13; " .5 " from column 17.
      {0, {0.123456, 0.5}, 10, "0.####", " 0     .1235     .5 \r\n"},
      // " 123456.79 " fills 7..17; 0.004 rounds to 0, from column 22.
      {12, {123456.789, 0.004}, 15, "#######0.##", " 12    123456.79      0 \r\n"},
      // " 1234567.1234 " runs to column 20, past 17: Tab(17) ends the line.
      {1,
       {1234567.1234, 2},
       10,
       "0.####",
       " 1     1234567.1234 \r\n" + std::string(16, ' ') + " 2 \r\n"},
  };
  for (const Case& c : cases) {
    PrintBuffer out;
    write_boot_line(out, c.bootn, c.values, c.width, c.pattern);
    EXPECT_EQ(out.str(), c.line);
  }
}

// A stop in bootstrap run 2 of 3: answered 1 (restart) the replicate is drawn anew and every run
// finishes; answered 2 the bootstrap ends, keeping the runs finished before the stop.
TEST(Bootstrap, StopInRunTwoOfThreeAnsweredRestartOrNo) {
  for (const char* answer : {"1", "2"}) {
    SCOPED_TRACE(std::string("restart answer ") + answer);
    SmallStock stock;
    RecordingHost host(false);
    int in_run_two = 0;  // STOP at the tenth cohort computation of run 2
    host.stop_when = [&] { return stock.state().bootn == 2 && ++in_run_two == 10; };
    host.bootstrap_answer = {"1", "3"};
    host.restart_answer = answer;
    const RunOutcome outcome = run_start(stock.state(), host, stock.texts());
    ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "ask restart"), 1);
    const bool restarted = std::string(answer) == "1";
    const std::vector<double> passes =
        restarted ? std::vector<double>{0, 1, 2, 3} : std::vector<double>{0, 1};
    for (const char* name :
         {"bootS1.out", "bootf.out", "bootTSB.out", "bootNtrm.out", "bootSSB.out"}) {
      std::vector<double> written;
      for (const auto& line : testing::bootstrap_lines(stock.file(name)))
        written.push_back(line[0]);
      EXPECT_EQ(written, passes) << name;
    }
    const RunState& s = stock.state();
    EXPECT_EQ(s.userend, restarted ? 0 : 1);
    for (const PrintFile& f : s.files.boot) EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(s.files.minim.is_open());
  }
}

// A value that is not finite never reaches a boot file: the run stops naming the file and the
// age or year of the cell.
TEST(Bootstrap, ValueThatIsNotFiniteNamesTheFileAndTheCell) {
  SmallStock stock;
  RecordingHost host(false);
  ASSERT_EQ(run_start(stock.state(), host, stock.texts()).status, RunStatus::Completed);
  RunState& s = stock.state();
  const auto fault = [&]() -> std::string {
    try {
      write_boot_lines(s, host);
    } catch (const ArithmeticFault& e) {
      return e.what();
    }
    return "no fault";
  };
  const double kept = s.s1[s.agemin + 1];
  s.s1[s.agemin + 1] = std::nan("");
  EXPECT_EQ(fault(), "casec4: a value that is not finite for bootS1.out at age 2");
  s.s1[s.agemin + 1] = kept;
  create_boot_files(s);
  s.f[s.yearmax] = HUGE_VAL;
  EXPECT_EQ(fault(), "casec4: a value that is not finite for bootf.out in year 2006");
  close_boot_files(s);
}

}  // namespace
}  // namespace quorvane
