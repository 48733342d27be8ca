// The two real stocks of the shared data folder run to the end through the batch runner with
// their suggested settings; North Sea cod is compared with its published SSB, NEA haddock's
// stochastic equilibrium with what its own table says of Blim. Each stock's folder
// is copied into a temporary working directory first, since a run writes its files there.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "report/csv_reader.h"
#include "tests/support/written_files.h"

namespace quorvane::e2e {
namespace {

using namespace quorvane::testing;

// The published SSB by year: the "SSB" column of the assessment's summary table; "NA" where the
// assessment gives none.
std::map<int, double> published_ssb(const fs::path& csv) {
  const CsvFile file = read_csv(csv.string());
  const int year = required_column(file, "Year"), ssb = required_column(file, "SSB");
  std::map<int, double> by_year;
  for (const CsvRow& row : file.rows) {
    if (row.cells[static_cast<std::size_t>(ssb)] == "NA") continue;
    by_year[whole_cell(file, row, year)] = *number_cell(file, row, ssb);
  }
  return by_year;
}

double correlation(std::vector<double> x, std::vector<double> y) {
  for (std::vector<double>* v : {&x, &y}) {
    const double mean = std::accumulate(v->begin(), v->end(), 0.0) / static_cast<double>(v->size());
    for (double& e : *v) e -= mean;
  }
  const auto dot = [](const auto& a, const auto& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
  };
  return dot(x, y) / std::sqrt(dot(x, x) * dot(y, y));
}

// Cod, ages 1-6+, 1983-2015 of the 1963-2015 file, two aged fleets; the f grid 0.5 to 4 by 0.125
// has 29 points. The published assessment is a state-space model fitted to a catch that it scales
// up or down in 1993-2005, so the separable fit to the reported catch can only agree in the
// large: within a factor 1.5 in every year and in the shape of the series (a correlation of the
// log SSB above 0.9). A wrong weight or maturity lookup, wrong units, a mixed-up year or a
// broken recursion all fail it.
TEST(RealStock, NorthSeaCodSsbFollowsThePublishedAssessment) {
  if (!fs::is_directory(kSharedData)) GTEST_SKIP() << "no shared data at " << kSharedData;
  ScratchDir dir;
  copy_folder(kSharedData / "ns_cod", dir / "ns_cod");
  const BatchRun run = run_batch(dir.path(), "--fields ns_cod/fields.txt");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  // The search log: a header, one line per point of the f grid and the final evaluation.
  EXPECT_EQ(lines_of(dir / "minim.out").size(), 29u + 2);
  const std::map<int, std::vector<double>> summary = stock_summary(dir / "ns_cod.out");
  const std::map<int, double> published = published_ssb(dir / "ns_cod" / "published_summary.csv");
  constexpr double kFactor = 1.5;
  constexpr double kMinCorrelation = 0.9;
  std::vector<double> log_estimated, log_published;
  for (int year = 1983; year <= 2015; ++year) {
    ASSERT_EQ(summary.count(year), 1u) << year;
    ASSERT_EQ(published.count(year), 1u) << year;
    const double estimated = summary.at(year).at(3);  // the SSB column of the stock summary
    const double ratio = estimated / published.at(year);
    EXPECT_TRUE(ratio > 1 / kFactor && ratio < kFactor)
        << year << ": " << estimated << " against " << published.at(year);
    log_estimated.push_back(std::log(estimated));
    log_published.push_back(std::log(published.at(year)));
  }
  const double r = correlation(log_estimated, log_published);
  EXPECT_GT(r, kMinCorrelation);
  RecordProperty("log_ssb_correlation", std::to_string(r));
}

// NEA haddock with its suggested settings has a deterministic equilibrium (a plateau above a
// breakpoint of about 281 thousand) whose yield rises until the stock crashes; with recruitment
// varying as its year classes did (sd about 0.8) the median yield has a maximum, and the
// precautionary check caps it. Read off the table: at Fp.05 about 5 % of the years start below
// Blim, so its 5 % quantile of SSB is about Blim itself; at Flim about half; the points in that
// order along F-bar. Interpolation between the curve's levels and the simulation again at the
// point move the share a little.
TEST(RealStock, NeaHaddockStochasticEquilibriumCapsFmsy) {
  if (!fs::is_directory(kSharedData)) GTEST_SKIP() << "no shared data at " << kSharedData;
  ScratchDir dir;
  copy_folder(kSharedData / "nea_haddock", dir / "nea_haddock");
  const BatchRun run =
      run_batch(dir.path(), "--fields nea_haddock/fields.txt --equilibrium-simulations 200 --quiet");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_NE(run.out.find("\nStochastic equilibrium (F-bar 3-13; 200 stocks over 50 years"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("; Fmsy is capped at Fp.05: "), std::string::npos) << run.out;
  const CsvFile table =
      read_csv((dir / "nea_haddock.out.tables" / "stochastic_equilibrium.csv").string());
  std::map<std::string, const CsvRow*> points;
  for (const CsvRow& r : table.rows) points[r.cells[0]] = &r;
  for (const char* p : {"Fmsy (stochastic)", "Fp.05", "Flim (stochastic)", "Fmsy (precautionary)"})
    ASSERT_EQ(points.count(p), 1u) << p;
  const auto cell = [&table](const CsvRow* r, const char* column) {
    return *number_cell(table, *r, required_column(table, column));
  };
  const CsvFile estimates = read_csv((dir / "nea_haddock.out.tables" / "estimates.csv").string());
  double blim = 0;
  for (const CsvRow& r : estimates.rows)
    if (r.cells[0] == "equilibrium_blim") blim = std::stod(r.cells[1]);
  EXPECT_NEAR(blim, 281000, 5000);
  EXPECT_NEAR(cell(points["Fp.05"], "p_below_blim"), 0.05, 0.02);
  EXPECT_NEAR(cell(points["Fp.05"], "ssb_q05"), blim, 0.1 * blim);
  EXPECT_NEAR(cell(points["Flim (stochastic)"], "p_below_blim"), 0.5, 0.05);
  EXPECT_LT(cell(points["Fp.05"], "fbar"), cell(points["Fmsy (stochastic)"], "fbar"));
  EXPECT_LT(cell(points["Fmsy (stochastic)"], "fbar"), cell(points["Flim (stochastic)"], "fbar"));
  EXPECT_EQ(cell(points["Fmsy (precautionary)"], "fbar"), cell(points["Fp.05"], "fbar"));
}

}  // namespace
}  // namespace quorvane::e2e
