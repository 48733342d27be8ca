// The independent bootstrap, run as a user runs it: replicates that depend on the seed and their
// number alone, the same files on any number of threads and in parts, failed replicates listed
// and left out, F-bar and units in the tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/fleet_names.h"
#include "data/replicate_draws.h"
#include "report/fbar.h"
#include "report/tables.h"
#include "state/uniform_random.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

const std::vector<std::string> kJoinedFiles = {"minim.out",     "bootS1.out",   "bootf.out",
                                               "bootTSB.out",   "bootNtrm.out", "bootSSB.out",
                                               "bootfailed.out"};

// A replicate's generator depends on the seed and the replicate's number, and differs from the
// session's. That it depends on nothing else (numbers drawn by another replicate, the thread),
// SameFilesOnAnyThreadsAndInParts shows.
TEST(ReplicateGenerator, DependsOnTheSeedAndTheReplicate) {
  const double two = UniformRandom::for_replicate(kDefaultSeed, 2).draw();
  EXPECT_NE(UniformRandom::for_replicate(kDefaultSeed, 3).draw(), two);
  EXPECT_NE(UniformRandom::for_replicate(7, 2).draw(), two);
  EXPECT_NE(UniformRandom::for_replicate(kDefaultSeed, 1).draw(), UniformRandom().draw());
}

// A fleet copy keeps two decimals, as the chained bootstrap's fleet files do: 123.456 -> 123.46,
// 0.004 -> 0 (no observation from then on), -1 stays -1.
TEST(ReplicateGenerator, FleetCopiesKeepTwoDecimals) {
  EXPECT_EQ(fleet_copy_value(123.456), 123.46);
  EXPECT_EQ(fleet_copy_value(0.004), 0.0);
  EXPECT_EQ(fleet_copy_value(-1.0), -1.0);
}

TEST(FleetName, FirstQuotedNameOrTheTitleUpToItsFirstComma) {
  EXPECT_EQ(fleet_name_from_title("aged index 'IBTS_Q1_gam' (catch/effort), fleet 1"),
            "IBTS_Q1_gam");
  EXPECT_EQ(fleet_name_from_title("Aged survey fleet 1, whole stock, at time 0.5"),
            "Aged survey fleet 1");
  EXPECT_EQ(fleet_name_from_title("  "), "");
  EXPECT_EQ(fleet_name_from_title(std::string(50, 'x')), std::string(kMostNameChars, 'x'));
}

TEST(FbarRange, ReadsWholeAgesInOrder) {
  EXPECT_EQ(parse_age_range("2-4"), (std::array<int, 2>{2, 4}));
  EXPECT_EQ(parse_age_range("0-0"), (std::array<int, 2>{0, 0}));
  for (const char* bad : {"4-2", "2", "2-", "-4", "a-4", "2-4.5", "2 - 4"}) {
    EXPECT_FALSE(parse_age_range(bad)) << bad;
  }
}

// f(y) = 0.5 and s = 0.4, 0.8 at ages 2 and 3 of ages 1-3: F = -ln 0.8 = 0.2231435513 and
// -ln 0.6 = 0.5108256238, so F-bar over ages 2-3 is 0.3669845876.
TEST(FbarRange, MeanFOverTheChosenAges) {
  auto s = std::make_unique<RunState>();
  s->firstage = 1;
  s->agemin = 2;
  s->agemax = 4;
  s->f[1] = 0.5;
  s->s(2, 1) = 0.9;
  s->s(3, 1) = 0.4;
  s->s(4, 1) = 0.8;
  s->fbar_ages = std::array<int, 2>{2, 3};
  EXPECT_NEAR(fbar_of_year(*s, 1), 0.3669845876, 1e-10);
  EXPECT_EQ(fbar_ages_text(*s), "2-3");
  EXPECT_EQ(fbar_range_problem(*s), "");
  s->fbar_ages = std::array<int, 2>{0, 3};
  EXPECT_EQ(fbar_range_problem(*s), "the F-bar ages 0-3 lie outside the ages of the analysis 1-3");
}

// Quantiles leave out values that are not finite; with none left the cell stays empty.
// {1, NaN, 3, inf}: the median of 1 and 3 is 2.
TEST(Quantile, LeavesOutValuesThatAreNotFinite) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(quantile(std::vector<double>{1, nan, 3, inf}, 0.5), 2);
  EXPECT_TRUE(std::isnan(quantile(std::vector<double>{nan}, 0.5)));
  EXPECT_EQ(quantile(std::vector<double>{7}, 0.05), 7);  // one run: every quantile is its value
  // Unsorted, with a tie: sorted 1 1 3 4 5, h = 4 p between the order statistics around it.
  for (const auto& [p, q] : {std::pair{0.05, 1.0}, std::pair{0.5, 3.0}, std::pair{0.95, 4.8},
                             std::pair{1.0, 5.0}, std::pair{0.0, 1.0}}) {
    std::vector<double> values{5, 1, 4, 1, 3};
    EXPECT_NEAR(quantile_in_place(values, p), q, 1e-15) << p;
  }
}

class IndependentBootstrapRun : public ::testing::Test {
 protected:
  // A copy of the demo with its fields, in a folder of its own.
  fs::path demo(const ScratchDir& dir, const std::string& name) {
    copy_folder(kSourceDir / "demo", dir / name / "demo");
    return dir / name;
  }
};

// Six replicates of the demo on 1 and 4 threads (two of them with two replicates, two with one),
// and in three parts joined by the script: every file the same byte for byte.
TEST_F(IndependentBootstrapRun, SameFilesOnAnyThreadsAndInParts) {
  ScratchDir dir;
  const std::string args =
      "--fields demo/fields.txt --bootstrap 6 --bootstrap-kind independent --quiet --seed 11";
  std::vector<fs::path> runs;
  for (int threads : {1, 4}) {
    const fs::path folder = demo(dir, "threads" + std::to_string(threads));
    const BatchRun run = run_batch(folder, args + " --threads " + std::to_string(threads));
    ASSERT_EQ(run.exit_code, 0) << run.describe();
    EXPECT_NE(run.out.find("bootstrap: 6 of 6 replicates finished, 0 failed\n"), std::string::npos)
        << run.out;
    runs.push_back(folder);
  }
  const fs::path input = demo(dir, "input");
  const std::string script = "QUORVANE_BATCH=" + shell_quoted(QUORVANE_BATCH_EXE) + " " +
                             shell_quoted(kSourceDir / "scripts/split_bootstrap.sh") + " all 3 6 " +
                             shell_quoted(input) + " " + shell_quoted(dir / "parts") +
                             " --fields demo/fields.txt --seed 11 --threads 1 >/dev/null";
  ASSERT_EQ(std::system(script.c_str()), 0);
  runs.push_back(dir / "parts");
  for (const std::string& name : kJoinedFiles) {
    const std::string whole = slurp(runs[0] / name);
    EXPECT_FALSE(whole.empty()) << name;
    for (std::size_t i = 1; i < runs.size(); ++i) {
      EXPECT_EQ(slurp(runs[i] / name), whole) << name << " of " << runs[i];
    }
  }
  EXPECT_EQ(slurp(runs.back() / "output.out"), slurp(runs[0] / "output.out"));
}

// North Sea cod's replicate 10 meets a fault (its catches drive a cohort negative): replicates
// 9-11 of 20 finish 9 and 11, list 10 in bootfailed.out and leave it out of the bootstrap files
// and of the tables' count, and the run ends normally. A part after the first writes no headers.
TEST_F(IndependentBootstrapRun, FailedReplicateIsListedAndLeftOut) {
  ScratchDir dir;
  copy_folder(kSharedData / "ns_cod", dir / "ns_cod");
  const BatchRun run = run_batch(dir.path(),
                                 "--fields ns_cod/fields.txt --bootstrap 20 --bootstrap-kind "
                                 "independent --replicates 9-11 --threads 2 --quiet");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_NE(run.out.find("bootstrap: 2 of 3 replicates finished, 1 failed (see bootfailed.out)"),
            std::string::npos)
      << run.out;
  const std::vector<std::string> failed = lines_of(dir / "bootfailed.out");
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].substr(0, 6), " 10   ");
  EXPECT_NE(failed[0].find("CALCSTOCK"), std::string::npos) << failed[0];
  std::vector<std::string> numbers;
  for (const std::string& line : lines_of(dir / "bootS1.out")) numbers.push_back(line.substr(0, 4));
  EXPECT_EQ(numbers, (std::vector<std::string>{" 9  ", " 11 "}));
  // The tables list every replicate and count the finished ones only.
  const std::string replicates = slurp(dir / "ns_cod.out.tables/replicates.csv");
  EXPECT_TRUE(replicates.starts_with("replicate,finished,fault\n9,1,\n10,0,\"CALCSTOCKALL: "))
      << replicates;
  EXPECT_TRUE(replicates.ends_with("\n11,1,\n")) << replicates;
  EXPECT_NE(
      slurp(dir / "ns_cod.out.tables/estimates.csv").find("bootstrap_runs,2\nbootstrap_failed,1\n"),
      std::string::npos);
}

// F-bar ages and units from the fields file reach run.csv and the summary; F-bar ages outside
// the analysis are rejected before the run, naming the ages.
TEST_F(IndependentBootstrapRun, FbarAndUnitsFromTheFieldsFile) {
  ScratchDir dir;
  const fs::path folder = demo(dir, "run");
  write_text(folder / "more.txt",
             "fbar = 4-6\nunits_numbers = thousands\nunits_weight = kg\nbpa = 420000\n");
  const BatchRun run = run_batch(folder, "--fields demo/fields.txt --fields more.txt --quiet");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  const std::string csv = slurp(folder / "output.out.tables/run.csv");
  EXPECT_NE(csv.find("fbar_ages,\"Ages of F-bar, the mean F of the column fbar\",4-6\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("units_numbers,Unit of the catch numbers,thousands\n"), std::string::npos);
  EXPECT_NE(csv.find("units_weight,Unit of the weights,kg\n"), std::string::npos);
  EXPECT_NE(csv.find("\nbpa,\"Bpa, the SSB kept above for precaution\",420000\n"),
            std::string::npos);
  EXPECT_EQ(csv.find("blim"), std::string::npos);

  const BatchRun outside = run_batch(folder, "--fields demo/fields.txt --fbar 2-6");
  EXPECT_EQ(outside.exit_code, 2);
  EXPECT_NE(outside.err.find("the F-bar ages 2-6 lie outside the ages of the analysis 3-13"),
            std::string::npos)
      << outside.err;
  write_text(folder / "bad.txt", "fbar = 6-4\n");
  const BatchRun bad = run_batch(folder, "--fields bad.txt");
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.err.find("bad.txt: line 1: fbar '6-4' is not a range of ages A-B"),
            std::string::npos)
      << bad.err;
}

}  // namespace
}  // namespace quorvane::testing
