#include "run/bootstrap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "report/print.h"
#include "run/start.h"
#include "tests/run/small_stock.h"
#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

using testing::lines_of;
using testing::RecordingHost;
using testing::SmallStock;

// ---- One line of a bootstrap file ---------------------------------------------------------

TEST(BootLine, ValuesStandEveryTenColumnsFromColumnSeven) {
  PrintBuffer out;
  const std::vector<double> s1 = {0.123456, 0.5};
  write_boot_line(out, 0, s1, 10, "0.####");
  // " 0 " ends at column 3; blanks to column 7; " .1235 " (rounded to 4 places) fills 7..13;
  // blanks to column 17; " .5 " and the line end.
  EXPECT_EQ(out.str(), " 0     .1235     .5 \r\n");
}

TEST(BootLine, ValuesStandEveryFifteenColumnsAndZeroIsWrittenAsZero) {
  PrintBuffer out;
  const std::vector<double> tsb = {123456.789, 0.004};
  write_boot_line(out, 12, tsb, 15, "#######0.##");
  // " 12 " ends at column 4; " 123456.79 " fills 7..17; blanks to column 22; 0.004 rounds to 0.
  EXPECT_EQ(out.str(), " 12    123456.79      0 \r\n");
}

TEST(BootLine, AValueTooWideForItsColumnsPushesTheNextOneToANewLine) {
  PrintBuffer out;
  const std::vector<double> s = {1234567.1234, 2};
  write_boot_line(out, 1, s, 10, "0.####");
  // " 1234567.1234 " runs from column 7 to 20, past column 17: Tab(17) ends the line and the
  // next value starts at column 17 of a new line.
  EXPECT_EQ(out.str(), " 1     1234567.1234 \r\n" + std::string(16, ' ') + " 2 \r\n");
}

// ---- The bootstrap of whole runs on a small stock -----------------------------------------

// Stops the run at a chosen cohort computation of a chosen bootstrap run.
class StoppingHost : public RecordingHost {
 public:
  StoppingHost(const RunState& s, int bootn, int call)
      : RecordingHost(false), s_(s), bootn_(bootn), call_(call) {}
  UserRequest yield() override {
    RecordingHost::yield();
    if (s_.bootn == bootn_ && ++calls_in_run_ == call_) return UserRequest::Stop;
    return UserRequest::None;
  }

 private:
  const RunState& s_;
  int bootn_, call_;
  int calls_in_run_ = 0;
};

const char* const kFiveFiles[] = {"bootS1.out", "bootf.out", "bootTSB.out", "bootNtrm.out",
                                  "bootSSB.out"};

// The numbers at the start of the data lines of a bootstrap file.
std::vector<int> run_numbers(const std::filesystem::path& path) {
  std::vector<int> numbers;
  const std::vector<std::string> lines = lines_of(path);
  for (std::size_t i = 1; i < lines.size(); ++i) numbers.push_back(std::stoi(lines[i]));
  return numbers;
}

TEST(Bootstrap, ThreeRunsGiveAHeaderAndLinesNumberedZeroToThree) {
  SmallStock stock;
  RecordingHost host(false);
  host.bootstrap_answer = {"1", "3"};
  const RunOutcome outcome = run_start(stock.state(), host, stock.texts());
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;

  for (const char* name : kFiveFiles) {
    const std::vector<std::string> lines = lines_of(stock.file(name));
    ASSERT_EQ(lines.size(), 5u) << name;
    EXPECT_EQ(run_numbers(stock.file(name)), (std::vector<int>{0, 1, 2, 3})) << name;
  }
  EXPECT_EQ(lines_of(stock.file("bootS1.out"))[0], "bootN; S1(a) by ages");
  EXPECT_EQ(lines_of(stock.file("bootNtrm.out"))[0], "bootN; N(a) in terminal year by ages");
  // One selectivity period and M known: neither s2 nor M is written.
  EXPECT_FALSE(std::filesystem::exists(stock.file("bootS2.out")));
  EXPECT_FALSE(std::filesystem::exists(stock.file("bootm.out")));

  // The f grid 0.5, 1, 1.5, 2 and the final fit: five lines per pass, four passes, one header.
  EXPECT_EQ(lines_of(stock.file("minim.out")).size(), 1u + 4u * 5u);

  // Four ages from column 7, ten columns apart: the last one starts at column 37.
  const std::string line = lines_of(stock.file("bootS1.out"))[1];
  EXPECT_EQ(line.substr(0, 6), " 0    ");
  EXPECT_EQ(line[36], ' ');
  EXPECT_NE(line[37], ' ');
  // Six years from column 7, fifteen columns apart: the last value starts at column 82.
  const std::string years = lines_of(stock.file("bootf.out"))[2];
  EXPECT_EQ(years.substr(0, 6), " 1    ");
  EXPECT_NE(years[82], ' ');

  const RunState& s = stock.state();
  EXPECT_EQ(s.bootn, 0);  // finalization
  for (const PrintFile& f : s.files.boot) EXPECT_FALSE(f.is_open());
  EXPECT_FALSE(s.files.minim.is_open());
}

TEST(Bootstrap, TwoPeriodsAndASearchedMAddTheirFiles) {
  SmallStock stock;
  stock.set(10, "2003");  // s2 from 2004 on
  stock.set(3, "1");      // search one M for all ages
  stock.set(22, "0.1");
  stock.set(23, "0.3");
  stock.set(24, "0.1");  // 0.1 and 0.2: the sum 0.30000000000000004 overshoots 0.3
  RecordingHost host(false);
  host.bootstrap_answer = {"1", "1"};
  const RunOutcome outcome = run_start(stock.state(), host, stock.texts());
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;

  EXPECT_EQ(run_numbers(stock.file("bootS2.out")), (std::vector<int>{0, 1}));
  EXPECT_EQ(lines_of(stock.file("bootS2.out"))[0], "bootN; S2(a) by ages");
  EXPECT_EQ(run_numbers(stock.file("bootm.out")), (std::vector<int>{0, 1}));
  EXPECT_EQ(lines_of(stock.file("bootm.out"))[0], "bootN; M(a,Y) by ages");
  // Two M values times four f values and the final fit, twice.
  EXPECT_EQ(lines_of(stock.file("minim.out")).size(), 1u + 2u * 9u);
}

TEST(Bootstrap, StopInRunTwoAnsweredRestartFinishesEveryRun) {
  SmallStock stock;
  StoppingHost host(stock.state(), 2, 10);
  host.bootstrap_answer = {"1", "3"};
  host.restart_answer = "1";
  const RunOutcome outcome = run_start(stock.state(), host, stock.texts());
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "ask restart"), 1);
  for (const char* name : kFiveFiles)
    EXPECT_EQ(run_numbers(stock.file(name)), (std::vector<int>{0, 1, 2, 3})) << name;
  EXPECT_EQ(stock.state().userend, 0);
}

TEST(Bootstrap, StopInRunTwoAnsweredNoKeepsTheFinishedRuns) {
  SmallStock stock;
  StoppingHost host(stock.state(), 2, 10);
  host.bootstrap_answer = {"1", "3"};
  host.restart_answer = "2";
  const RunOutcome outcome = run_start(stock.state(), host, stock.texts());
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
  for (const char* name : kFiveFiles)
    EXPECT_EQ(run_numbers(stock.file(name)), (std::vector<int>{0, 1})) << name;
  const RunState& s = stock.state();
  EXPECT_EQ(s.userend, 1);
  for (const PrintFile& f : s.files.boot) EXPECT_FALSE(f.is_open());
  EXPECT_FALSE(s.files.minim.is_open());
}

TEST(Bootstrap, NoRunsWritesOnlyTheMainRun) {
  SmallStock stock;
  RecordingHost host(false);
  host.bootstrap_answer = {"1", "0"};
  ASSERT_EQ(run_start(stock.state(), host, stock.texts()).status, RunStatus::Completed);
  for (const char* name : kFiveFiles)
    EXPECT_EQ(run_numbers(stock.file(name)), (std::vector<int>{0})) << name;
}

}  // namespace
}  // namespace quorvane
