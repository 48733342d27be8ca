#include "tools/sim/dataset_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/written_files.h"
#include "tools/sim/stock_simulator.h"

namespace quorvane::sim {
namespace {

namespace fs = std::filesystem;

using testing::lines_of;
using testing::numbers_in;
using testing::slurp;
using ScratchDir = testing::ScratchDir;

TEST(FormatNumber, WritesTwelveSignificantDigitsWithoutExponent) {
  EXPECT_EQ(format_number(-0.0), "0");
  EXPECT_EQ(format_number(0.1 + 0.2), "0.3");
  EXPECT_EQ(format_number(253123.4567890123), "253123.456789");
  EXPECT_EQ(format_number(0.000123456789012345), "0.000123456789012");
  EXPECT_EQ(format_number(9.9999999999996), "10");
  EXPECT_EQ(format_number(123456789012345.0), "123456789012345");
}

// What the committed demo (pinned below) does not show: an extended year, which carries no
// catch; fleet 3, which starts in 1995 and so leaves 1984 unobserved at every age; fleet 1, which
// ran to the last catch year and so runs on into the extended one; the SSB survey, one value per
// year of the catch file, -1 before 1990; and the fields file naming the files below a folder.
TEST(DatasetWriter, ExtendedYearFleetsAndFieldsOfADataSet) {
  Scenario scenario = with_extended_year(demo_scenario(3));
  scenario.fleets[1].index_of = IndexOf::Mature;
  const SimulatedStock stock = simulate(scenario);
  ScratchDir dir;
  EXPECT_EQ(write_dataset(stock, dir.path() / "set", "runs/set/").size(), 4u + 1u + 4u + 2u);

  const fs::path set = dir.path() / "set";
  const std::vector<std::string> catch_lines = lines_of(set / "c.txt");
  EXPECT_EQ(numbers_in(catch_lines.front()), (std::vector<double>{3, 13, 1984, 2015}));
  EXPECT_EQ(numbers_in(catch_lines.back()),
            (std::vector<double>{2015, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(numbers_in(lines_of(set / "fleet3.txt")[4]),
            (std::vector<double>{1984, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_GT(numbers_in(lines_of(set / "fleet1.txt").back())[1], 0.0);

  const std::vector<std::string> ssb = lines_of(set / "SSB1.txt");
  ASSERT_EQ(ssb.size(), 4u + 32u);
  EXPECT_EQ(numbers_in(ssb[4 + 5]), std::vector<double>{-1});  // 1989
  const double ssb_1990 = stock.ssb_indices[0][6];
  EXPECT_NEAR(numbers_in(ssb[4 + 6]).at(0), ssb_1990, 1e-11 * ssb_1990);

  const std::string fields = slurp(set / "fields.txt");
  for (const char *line :
       {"Text1=runs/set/c.txt\n", "Text9=2015\n", "Text10=2015\n", "Text13=1\n",
        "Text40=runs/set/SSB1.txt\n", "Text48=4\n", "Text52=runs/set/fleet4.txt\n", "Text57=0.99\n",
        "Text64=2\n", "Text109=2\n"}) {
    EXPECT_NE(fields.find(line), std::string::npos) << line;
  }
  EXPECT_NE(slurp(set / "truth.txt").find("\nterminal_f 3\n"), std::string::npos);
}

TEST(DatasetWriter, RefusesMoreFleetsThanARunTakes) {
  Scenario scenario = demo_scenario();
  while (scenario.fleets.size() < 8) scenario.fleets.push_back(scenario.fleets.front());
  const SimulatedStock stock = simulate(scenario);
  ScratchDir dir;
  EXPECT_THROW(write_dataset(stock, dir.path() / "set"), std::invalid_argument);
  EXPECT_FALSE(fs::exists(dir.path() / "set"));
}

// The committed demo must be what the simulator writes today: a change to the
// demo stock that was not followed by `quorvane-sim --preset demo --out demo`
// fails here.
TEST(DemoStock, CommittedFilesAreWhatTheSimulatorWrites) {
  ScratchDir dir;
  const std::vector<fs::path> written =
      write_dataset(simulate(demo_scenario()), dir.path(), "demo/");
  const fs::path committed = fs::path(QUORVANE_SOURCE_DIR) / "demo";
  for (const fs::path &path : written) {
    EXPECT_EQ(slurp(path), slurp(committed / path.filename()))
        << path.filename() << " differs from the committed demo";
  }
}

}  // namespace
}  // namespace quorvane::sim
