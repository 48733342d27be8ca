#include "tools/sim/dataset_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tools/sim/stock_simulator.h"

namespace quorvane::sim {
namespace {

namespace fs = std::filesystem;

using testing::lines_of;
using testing::slurp;
using ScratchDir = testing::ScratchDir;

std::vector<double> numbers_of(const std::string &line) {
  std::istringstream in(line);
  std::vector<double> numbers;
  for (std::string token; in >> token;) {
    std::size_t used = 0;
    numbers.push_back(std::stod(token, &used));
    EXPECT_EQ(used, token.size()) << "'" << token << "' is not a plain number";
  }
  return numbers;
}

bool matches_written(double written, double value) {
  return std::fabs(written - value) <= 1e-11 * std::fabs(value);
}

// Checks one age-by-year file against the table it came from: line 1 the four
// dimensions of the data, three lines of text, then one line per year of the
// year and one value per age.
void expect_age_year_file(const fs::path &path, const Scenario &scenario, const StockTable &table) {
  SCOPED_TRACE(path.filename().string());
  const std::vector<std::string> lines = lines_of(path);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(4 + scenario.year_count()));
  EXPECT_EQ(numbers_of(lines[0]),
            (std::vector<double>{static_cast<double>(scenario.first_age),
                                 static_cast<double>(scenario.last_age),
                                 static_cast<double>(scenario.first_year),
                                 static_cast<double>(scenario.data_last_year())}));
  for (int y = 0; y < scenario.year_count(); ++y) {
    const std::vector<double> row = numbers_of(lines[static_cast<std::size_t>(4 + y)]);
    ASSERT_EQ(row.size(), static_cast<std::size_t>(1 + scenario.age_count())) << "year " << y;
    EXPECT_EQ(row[0], scenario.first_year + y);
    for (int a = 0; a < scenario.age_count(); ++a) {
      const double written = row[static_cast<std::size_t>(1 + a)];
      if (table(a, y) == kNoObservation) {
        EXPECT_EQ(written, kNoObservation);
      } else {
        EXPECT_TRUE(matches_written(written, table(a, y)))
            << "age index " << a << " year index " << y << ": " << written << " for "
            << table(a, y);
      }
    }
  }
}

TEST(FormatNumber, WritesTwelveSignificantDigitsWithoutExponent) {
  EXPECT_EQ(format_number(0.0), "0");
  EXPECT_EQ(format_number(-0.0), "0");
  EXPECT_EQ(format_number(-1.0), "-1");
  EXPECT_EQ(format_number(0.5), "0.5");
  EXPECT_EQ(format_number(0.1 + 0.2), "0.3");
  EXPECT_EQ(format_number(253123.4567890123), "253123.456789");
  EXPECT_EQ(format_number(0.000123456789012345), "0.000123456789012");
  EXPECT_EQ(format_number(9.9999999999996), "10");
  EXPECT_EQ(format_number(1e-7), "0.0000001");
  EXPECT_EQ(format_number(123456789012345.0), "123456789012345");
}

// Every file of a data set with an extended year and a fleet of the mature
// part, read back by the layouts: dimensions, line counts, numbers per line, -1
// where nothing was observed.
TEST(DatasetWriter, FilesReadBackThroughTheirLayouts) {
  Scenario scenario = with_extended_year(demo_scenario(3));
  scenario.fleets[1].index_of = IndexOf::Mature;
  const SimulatedStock stock = simulate(scenario);
  ScratchDir dir;
  const std::vector<fs::path> written = write_dataset(stock, dir.path() / "set", "runs/set/");
  EXPECT_EQ(written.size(), 4u + 1u + 4u + 2u);
  for (const fs::path &path : written) EXPECT_TRUE(fs::exists(path)) << path;

  const fs::path set = dir.path() / "set";
  expect_age_year_file(set / "c.txt", stock.scenario, stock.observed_catch);
  expect_age_year_file(set / "w.txt", stock.scenario, stock.scenario.weight);
  expect_age_year_file(set / "mm.txt", stock.scenario, stock.scenario.natural_mortality);
  expect_age_year_file(set / "mat.txt", stock.scenario, stock.scenario.maturity);
  for (std::size_t k = 0; k < 4; ++k) {
    expect_age_year_file(set / ("fleet" + std::to_string(k + 1) + ".txt"), stock.scenario,
                         stock.fleet_indices[k]);
  }
  // The extended year carries no catch; fleet 3 starts in 1995, so 1984 is
  // unobserved at every age, and fleet 1 ran to the last catch year, so it runs
  // on into the extended one.
  const std::vector<std::string> catch_lines = lines_of(set / "c.txt");
  EXPECT_EQ(numbers_of(catch_lines.back()),
            (std::vector<double>{2015, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(numbers_of(lines_of(set / "fleet3.txt")[4]),
            (std::vector<double>{1984, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
  EXPECT_GT(numbers_of(lines_of(set / "fleet1.txt").back())[1], 0.0);

  // SSB survey: four text lines, then one value per year of the catch file and
  // nothing else.
  const std::vector<std::string> ssb_lines = lines_of(set / "SSB1.txt");
  ASSERT_EQ(ssb_lines.size(), static_cast<std::size_t>(4 + stock.scenario.year_count()));
  for (int y = 0; y < stock.scenario.year_count(); ++y) {
    const std::vector<double> value = numbers_of(ssb_lines[static_cast<std::size_t>(4 + y)]);
    ASSERT_EQ(value.size(), 1u);
    const double expected = stock.ssb_indices[0][static_cast<std::size_t>(y)];
    if (1984 + y < 1990) {
      EXPECT_EQ(value[0], kNoObservation) << 1984 + y;
    } else {
      EXPECT_TRUE(matches_written(value[0], expected)) << 1984 + y;
    }
  }

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
