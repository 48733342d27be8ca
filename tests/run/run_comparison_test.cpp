#include "run/run_comparison.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

// Writes a tables folder "<name>.tables" beside a results file "<name>" of the scratch folder.
std::string write_run(const ScratchDir& dir, const std::string& name, const std::string& summary,
                      const std::string& run) {
  const fs::path tables = dir / (name + ".tables");
  fs::create_directories(tables);
  testing::write_text(tables / "summary.csv", summary);
  testing::write_text(tables / "run.csv", run);
  testing::write_text(dir / name, "FILE OF RESULTS\n");
  return (dir / name).string();
}

const char* const kRunA =
    "name,label,value\n"
    "Text7,What to minimize?,3\n"
    "Text9,Last year:,2014\n"
    "Text50,\"Files, fleet 2\",None\n"
    "version,Program version,0.1.0\n"
    "time,Start of the run (UTC),2026-01-01T00:00:00Z\n";

// Run A: SSB 100 in every year, F-bar 0.5, recruitment 1000 but 0 in 2005.
const char* const kSummaryA =
    "year,f,recruitment,ssb,mean_f\n"
    "2000,1,1000,100,0.5\n2001,1,1000,100,0.5\n2002,1,1000,100,0.5\n"
    "2003,1,1000,100,0.5\n2004,1,1000,100,0.5\n2005,1,0,100,0.5\n";

TEST(CompareRuns, ListsTheChangedSettingsAndTheRelativeChangeOverTheLastFiveYears) {
  const ScratchDir dir;
  const std::string a = write_run(dir, "a.out", kSummaryA, kRunA);
  // Run B: Text7 changed, Text50 absent, a new Text60; SSB 110 90 100 120 100 80, F-bar 0.75 in
  // 2005, recruitment 1000 everywhere, and a year 2006 that run A does not have.
  const std::string b = write_run(dir, "b.out",
                                  "year,f,recruitment,ssb,mean_f\n"
                                  "2006,1,1000,50,0.5\n"
                                  "2000,1,1000,110,0.5\n2001,1,1000,90,0.5\n2002,1,1000,100,0.5\n"
                                  "2003,1,1000,120,0.5\n2004,1,1000,100,0.5\n2005,1,1000,80,0.75\n",
                                  "name,label,value\n"
                                  "Text7,What to minimize?,2\n"
                                  "Text9,Last year:,2014\n"
                                  "Text60,Weight:,1\n"
                                  "version,Program version,0.2.0\n");
  const ComparedRun run_a = read_compared_run(a);
  const ComparedRun run_b = read_compared_run(b + ".tables");
  EXPECT_EQ(run_a.version, "0.1.0");
  EXPECT_EQ(run_a.time, "2026-01-01T00:00:00Z");
  ASSERT_EQ(run_a.settings.size(), 3u);  // version and time are not settings

  const Comparison c = compare_runs(run_a, run_b);
  EXPECT_FALSE(c.identical);
  // Text50 only in A, Text60 only in B.
  // SSB, 2001-2005: (-0.1 + 0 + 0.2 + 0 - 0.2) / 5 = -0.02; 2006 has no value in A.
  // F-bar: only 2005 changes, by 0.75 / 0.5 - 1 = 0.5; over five years 0.1.
  // Recruitment: 2005 is skipped (A's 0), so the five years are 2000-2004, all unchanged.
  EXPECT_EQ(settings_diff_csv(c),
            "name,label,run_a,run_b\n"
            "Text7,What to minimize?,3,2\n"
            "Text50,\"Files, fleet 2\",None,\n"
            "Text60,Weight:,,1\n");
  EXPECT_EQ(compare_recent_csv(c),
            "quantity,mean_relative_change,first_year,last_year,years\n"
            "ssb,-0.02,2001,2005,5\nfbar,0.1,2001,2005,5\nrecruitment,0,2000,2004,5\n");
  const std::string by_year = compare_by_year_csv(c);
  EXPECT_NE(by_year.find("\n2000,100,110,0.1,0.5,0.5,0,1000,1000,0\n"), std::string::npos);
  // A's recruitment of 0 in 2005 gives no relative change; 2006 is in B only, and last though
  // B's file starts with it.
  EXPECT_NE(by_year.find("\n2005,100,80,-0.2,0.5,0.75,0.5,0,1000,\n"), std::string::npos);
  EXPECT_TRUE(by_year.ends_with("\n2006,,50,,,0.5,,,1000,\n")) << by_year;

  const std::string text = comparison_text(run_a, run_b, c);
  EXPECT_NE(
      text.find("Settings that differ (3):\n  Text7  What to minimize?\n    A: 3\n    B: 2\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("  SSB         -0.02 (5 years, 2001-2005)\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("identical"), std::string::npos);
}

TEST(CompareRuns, TwoCopiesOfOneRunAreIdenticalUnlessABandDiffers) {
  const ScratchDir dir;
  const ComparedRun a = read_compared_run(write_run(dir, "a.out", kSummaryA, kRunA));
  Comparison c = compare_runs(a, a);
  EXPECT_TRUE(c.identical);
  EXPECT_TRUE(c.settings.empty());
  EXPECT_NE(comparison_text(a, a, c).find("The two runs are identical"), std::string::npos);

  // The same fit, but one of the two with a bootstrap behind it.
  ComparedRun booted = a;
  booted.years[0].ssb_q05 = 80;
  c = compare_runs(a, booted);
  EXPECT_FALSE(c.identical);
  EXPECT_NE(comparison_text(a, booted, c).find("The settings are the same"), std::string::npos);
}

TEST(CompareRuns, AFieldColumnIsCarriedAsASecondName) {
  const ScratchDir dir;
  const std::string run = "name,field,label,value\ncatch_loss,Text7,What to minimize?,3\n";
  const ComparedRun a = read_compared_run(write_run(dir, "a.out", kSummaryA, run));
  ComparedRun b = a;
  b.settings[0].value = "1";
  const Comparison c = compare_runs(a, b);
  EXPECT_EQ(settings_diff_csv(c),
            "name,field,label,run_a,run_b\ncatch_loss,Text7,What to minimize?,3,1\n");
  EXPECT_NE(comparison_text(a, b, c).find("catch_loss (Text7)  What"), std::string::npos);
}

TEST(CompareRuns, ARunThatCannotBeFoundOrReadIsNamed) {
  const ScratchDir dir;
  const auto message = [](const std::string& path) -> std::string {
    try {
      read_compared_run(path);
    } catch (const InputError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message(dir.file("none.out")),
            dir.file("none.out") + ": no such results file or tables folder");
  dir.write("lonely.out", "FILE OF RESULTS\n");
  EXPECT_EQ(message(dir.file("lonely.out")), dir.file("lonely.out") +
                                                 ": no tables beside this results file (" +
                                                 dir.file("lonely.out") + ".tables)");
  EXPECT_EQ(message(dir.str()),
            dir.str() + ": no summary.csv in this folder; a tables folder is needed");
  write_run(dir, "bad.out", "year,f,recruitment,ssb,mean_f\n2000,1,x,100,0.5\n", kRunA);
  EXPECT_EQ(message(dir.file("bad.out")),
            dir.file("bad.out") + ".tables/summary.csv: line 2: 'x' is not a number");
  write_run(dir, "nobar.out", "year,recruitment,ssb\n2000,1,100\n", kRunA);
  EXPECT_NE(message(dir.file("nobar.out")).find("no column 'mean_f'"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
