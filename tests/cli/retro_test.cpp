// quorvane-batch --retro run as a separate program, against separate runs with the years lowered.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

// The demo's analysis ends in 2014 with one selectivity period, so peel k is the run with both
// Text9 and Text10 at 2014 - k.
TEST(Retro, PeelKWritesTheResultsFileOfARunWithTheYearsLowered) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "retro/demo");
  const BatchRun run = run_batch(dir / "retro", "--retro 3");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  // Standard error is not a terminal: a plain line as each peel ends.
  EXPECT_NE(run.err.find("retrospective: 3 of 3 peels finished\n"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("Mohn's rho: SSB "), std::string::npos) << run.out;
  for (int k = 1; k <= 3; ++k) {
    const fs::path single = dir / ("single" + std::to_string(k));
    copy_folder(kSourceDir / "demo", single / "demo");
    const std::string year = std::to_string(2014 - k);
    ASSERT_EQ(run_batch(single, "--set Text9=" + year + " --set Text10=" + year).exit_code, 0);
    const std::string peel =
        slurp(dir / "retro/retro" / ("peel" + std::to_string(k)) / "output.out");
    EXPECT_FALSE(peel.empty());
    EXPECT_TRUE(peel == slurp(single / "output.out")) << "peel " << k;
  }

  // retro.csv: the full run as peel 0 and every peel, each to its own last year.
  std::istringstream retro(slurp(dir / "retro/retro/retro.csv"));
  std::string line;
  std::getline(retro, line);
  EXPECT_EQ(line, "peel,year,ssb,f,mean_f,recruitment");
  std::map<int, std::string> last_year;
  while (std::getline(retro, line))
    last_year[std::stoi(line.substr(0, line.find(',')))] = line.substr(line.find(',') + 1, 4);
  EXPECT_EQ(last_year,
            (std::map<int, std::string>{{0, "2014"}, {1, "2013"}, {2, "2012"}, {3, "2011"}}));
  const std::string rho = slurp(dir / "retro/retro/retro_rho.csv");
  EXPECT_EQ(rho.substr(0, rho.find('\n')), "quantity,rho,peels");
  EXPECT_NE(rho.find("\nssb,"), std::string::npos);
  EXPECT_NE(rho.find(",3\n"), std::string::npos);
}

// With the analysis starting in 2010, the fourth peel keeps a single year, too few cells for
// the central window of the catch loss: it is reported, and rho comes from the other three.
TEST(Retro, APeelTheDataCannotSupportIsReportedAndTheOthersStillCount) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  const BatchRun run = run_batch(dir.path(), "--retro 4 --set Text8=2010 --no-tables");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_NE(run.out.find("Peel 4: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(from 3 of 4 peels)"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(dir / "retro/peel3/output.out"));
  EXPECT_FALSE(fs::exists(dir / "retro/peel3/output.out.tables"));
  EXPECT_FALSE(fs::exists(dir / "output.out.tables"));
}

}  // namespace
}  // namespace quorvane::testing
