#include "run/run_comparison.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

// The runs of tests/data/run_comparison; its README.txt says what each holds.
const std::string kRuns = (testing::kSourceDir / "tests/data/run_comparison").string();

TEST(CompareRuns, ListsTheChangedSettingsAndTheRelativeChangeOverTheLastFiveYears) {
  const ComparedRun run_a = read_compared_run(kRuns + "/a.out");
  const ComparedRun run_b = read_compared_run(kRuns + "/b.out.tables");
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
  const ComparedRun a = read_compared_run(kRuns + "/a.out");
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
  const ComparedRun a = read_compared_run(kRuns + "/named.out");
  ComparedRun b = a;
  b.settings[0].value = "1";
  const Comparison c = compare_runs(a, b);
  EXPECT_EQ(settings_diff_csv(c),
            "name,field,label,run_a,run_b\ncatch_loss,Text7,What to minimize?,3,1\n");
  EXPECT_NE(comparison_text(a, b, c).find("catch_loss (Text7)  What"), std::string::npos);
}

TEST(CompareRuns, ARunThatCannotBeFoundOrReadIsNamed) {
  const auto message = [](const std::string& name) -> std::string {
    try {
      read_compared_run(name.empty() ? kRuns : kRuns + "/" + name);
    } catch (const InputError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message("none.out"), kRuns + "/none.out: no such results file or tables folder");
  EXPECT_EQ(message("lonely.out"), kRuns + "/lonely.out: no tables beside this results file (" +
                                       kRuns + "/lonely.out.tables)");
  EXPECT_EQ(message(""), kRuns + ": no summary.csv in this folder; a tables folder is needed");
  EXPECT_EQ(message("bad.out"), kRuns + "/bad.out.tables/summary.csv: line 2: 'x' is not a number");
  EXPECT_NE(message("nobar.out").find("no column 'mean_f'"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
