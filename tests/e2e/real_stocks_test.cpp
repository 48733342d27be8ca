// The two real stocks of the shared data folder run to the end through the batch runner with
// their suggested settings; North Sea cod is compared with its published SSB. Each stock's folder
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

}  // namespace
}  // namespace quorvane::e2e
