#include "report/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/csv_reader.h"
#include "run/fields_file.h"
#include "run/start.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"
#include "tests/support/written_files.h"

namespace quorvane {
namespace {

using namespace quorvane::testing;

// ---- Cells ------------------------------------------------------------------------------------

TEST(CsvCell, NumbersAreTheShortestTextThatReadsBackToTheSameDouble) {
  EXPECT_EQ(csv_number(0.1), "0.1");
  EXPECT_EQ(csv_number(1984.0), "1984");
  EXPECT_EQ(csv_number(-2.5), "-2.5");
  EXPECT_EQ(csv_number(1e-7), "1e-07");
  EXPECT_EQ(csv_number(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(csv_number(-0.0), "0");
  EXPECT_EQ(csv_number(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_EQ(csv_number(std::numeric_limits<double>::infinity()), "");
  // Values with many digits, as the fit leaves them, read back exactly.
  for (double v : {112788.33303157358, 0.012690939675798946, 4.86398188547669e15, 5e-324,
                   -1.7763568394002505e-15}) {
    const std::string text = csv_number(v);
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(back, v) << text;
  }
}

TEST(CsvCell, TextsAreQuotedOnlyWhenNeededAndWrittenInUtf8) {
  EXPECT_EQ(csv_text("demo/c.txt"), "demo/c.txt");
  EXPECT_EQ(csv_text("C(a,y) file:"), "\"C(a,y) file:\"");
  EXPECT_EQ(csv_text("say \"no\""), "\"say \"\"no\"\"\"");
  EXPECT_EQ(csv_text("two\nlines"), "\"two\nlines\"");
  // "été" typed in Latin-1 becomes UTF-8; text already in UTF-8 stays as it is.
  EXPECT_EQ(csv_text("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(csv_text("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
  // A lead byte at the very end has no continuation: Latin-1.
  EXPECT_EQ(csv_text("a\xC3"), "a\xC3\x83");
}

// Values 1, 2, 3, 4 (given unsorted), h = 3p:
//   p = .05: h = .15, 1 + .15 (2 - 1) = 1.15
//   p = .50: h = 1.5, 2 + .5 (3 - 2) = 2.5
//   p = .95: h = 2.85, 3 + .85 (4 - 3) = 3.85
// Values 10, 20, h = p: p = .05 gives 10.5, p = .95 gives 19.5.
TEST(Quantile, InterpolatesLinearlyBetweenTheOrderStatistics) {
  const std::vector<double> four = {4, 1, 3, 2};
  EXPECT_NEAR(quantile(four, 0.05), 1.15, 1e-15);
  EXPECT_NEAR(quantile(four, 0.50), 2.5, 1e-15);
  EXPECT_NEAR(quantile(four, 0.95), 3.85, 1e-15);
  EXPECT_EQ(quantile(four, 0.0), 1);
  EXPECT_EQ(quantile(four, 1.0), 4);
  const std::vector<double> two = {20, 10};
  EXPECT_NEAR(quantile(two, 0.05), 10.5, 1e-14);
  EXPECT_NEAR(quantile(two, 0.95), 19.5, 1e-14);
  const std::vector<double> one = {7};
  EXPECT_EQ(quantile(one, 0.05), 7);
  EXPECT_EQ(quantile(one, 0.95), 7);
}

// ---- Whole runs -------------------------------------------------------------------------------

// A table written by the run, read with the reader the charts use.
struct Table {
  CsvFile file;
  explicit Table(const fs::path& path) : file(read_csv(path.string())) {}
  std::size_t size() const { return file.rows.size(); }
  double num(std::size_t row, std::string_view column) const {
    const auto v = number_cell(file, file.rows[row], required_column(file, column));
    return v ? *v : std::nan("");
  }
  const std::string& text(std::size_t row, std::string_view column) const {
    return file.rows[row].cells[static_cast<std::size_t>(required_column(file, column))];
  }
};

// A value of the tables against the value the results file writes with `decimals` places: equal
// up to that rounding, or to the file's 15 significant digits for a very large value.
void expect_rounded(double table, double file, int decimals, const std::string& what) {
  const double tolerance = 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-14 * std::fabs(file);
  EXPECT_LE(std::fabs(table - file), tolerance) << what << ": table " << table << ", file " << file;
}

struct Stock {
  std::string name;
  std::string source;  // folder copied into the working directory
  std::string fields;  // fields file inside the copy, or empty for the default fields
  std::string results;
  int bootstrap_runs = 3;  // odd, so that the median is a run's own value
};

void PrintTo(const Stock& stock, std::ostream* os) { *os << stock.name; }

class TablesOfARun : public ::testing::TestWithParam<Stock> {
 protected:
  void SetUp() override {
    const Stock& stock = GetParam();
    const fs::path source(stock.source);
    copy_folder(source, dir_ / source.filename());
    texts_ = default_field_texts();
    if (!stock.fields.empty()) read_fields_file((dir_ / stock.fields).string(), texts_);
    state_ = std::make_unique<RunState>();
    state_->workdir = dir_.str();
  }

  void expect_tables_agree_with_results_file();
  void expect_quantiles_within_the_bootstrap_runs();

  fs::path results() const { return dir_ / GetParam().results; }
  fs::path tables() const { return dir_ / (GetParam().results + ".tables"); }

  ScratchDir dir_;
  FieldTexts texts_;
  std::unique_ptr<RunState> state_;
};

// Every value that the tables and the results file both hold agrees to the file's rounding: the
// stock summary by year, the tables of cells by year and age, the losses and standard errors.
void TablesOfARun::expect_tables_agree_with_results_file() {
  const std::vector<std::string> lines = lines_of(results());
  const Table summary(tables() / "summary.csv"), stock(tables() / "stock.csv");
  const Table estimates(tables() / "estimates.csv");
  const std::map<int, std::vector<double>> by_year = stock_summary(results());
  const std::size_t years = summary.size();
  ASSERT_EQ(by_year.size(), years);
  const std::size_t ages = stock.size() / years;
  ASSERT_EQ(stock.size(), ages * years);

  std::size_t y = 0;
  for (const auto& [year, file] : by_year) {
    const std::string in = " in " + std::to_string(year);
    EXPECT_EQ(summary.num(y, "year"), year);
    expect_rounded(summary.num(y, "f"), file[0], 5, "f" + in);
    expect_rounded(summary.num(y, "total_stock_numbers"), file[1], 2, "stock in numbers" + in);
    expect_rounded(summary.num(y, "total_stock_weight"), file[2], 2, "stock in weight" + in);
    expect_rounded(summary.num(y, "ssb"), file[3], 2, "SSB" + in);
    expect_rounded(summary.num(y, "ssb_survey_time"), file[4], 2, "SSB at survey time" + in);
    ++y;
  }

  // Tables by year and age: year label, then one value per age (and a row sum in the residual
  // blocks). Model F exists only where there was a catch.
  struct CellTable {
    const char* column;
    std::string title;
    int decimals;
    bool with_sum = false, where_caught = false;
  };
  const CellTable cells[] = {
      {"n", "Abundance in numbers", 2},
      {"s", "Estimates of s(a,y)", 5},
      {"gfactor", "Estimates of generation-dependent", 5},
      {"f", "Recalculated F as F=-ln(1-f(y)s(a,y)", 5, false, true},
      {"catch_log_residual", state_->n5 == 1 ? "Residuals in Ln(PHY)" : "Residuals in LnC", 5,
       true},
  };
  for (const CellTable& t : cells) {
    const auto rows = table_rows(lines, t.title, 1 + ages + (t.with_sum ? 1 : 0));
    ASSERT_EQ(rows.size(), years) << t.title;
    for (std::size_t yy = 0; yy < years; ++yy)
      for (std::size_t a = 0; a < ages; ++a) {
        const std::size_t i = yy * ages + a;
        if (t.where_caught && !(stock.num(i, "catch") > 0)) continue;
        expect_rounded(stock.num(i, t.column), rows[yy][1 + a], t.decimals,
                       std::string(t.column) + " at age " + stock.text(i, "age") + " in " +
                           stock.text(i, "year"));
      }
  }
  for (std::size_t yy = 0; yy < years; ++yy) {
    // Recruitment is N at the first age; F-bar over its default ages, every age, is the mean F.
    EXPECT_EQ(summary.num(yy, "recruitment"), stock.num(yy * ages, "n"));
    EXPECT_EQ(summary.text(yy, "fbar"), summary.text(yy, "mean_f"));
  }

  // M in the last year and 1/q of each fleet, by age; the fleets' residual blocks.
  const int fleets = state_->indaged == 1 ? state_->totalind : 0;
  const std::size_t age_columns =
      (state_->yearmid < state_->yearmax ? 4 : 3) + static_cast<std::size_t>(std::max(fleets, 1));
  const auto by_age = table_rows(lines, "Age     M(a,yarmax)", age_columns, 1);
  ASSERT_EQ(by_age.size(), ages);
  for (std::size_t a = 0; a < ages; ++a)
    expect_rounded(stock.num((years - 1) * ages + a, "m"), by_age[a][1], 6, "M at age");
  std::vector<std::vector<std::vector<double>>> fleet_blocks;
  for (int k = 1; k <= fleets; ++k)
    fleet_blocks.push_back(
        table_rows(lines, "Index  " + std::to_string(k) + " Residuals", 2 + ages));

  // Survey observations: SSB surveys against the stock summary's columns, fleets against their
  // residual blocks and catchabilities.
  const Table surveys(tables() / "surveys.csv");
  const double first_year = by_year.begin()->first, first_age = stock.num(0, "age");
  for (std::size_t i = 0; i < surveys.size(); ++i) {
    const int k = static_cast<int>(surveys.num(i, "number"));
    const double year = surveys.num(i, "year");
    const std::string where = surveys.text(i, "kind") + " " + std::to_string(k) + " in " +
                              surveys.text(i, "year") + " age " + surveys.text(i, "age");
    if (surveys.text(i, "kind") == "ssb") {
      const std::vector<double>& file = by_year.at(static_cast<int>(year));
      expect_rounded(surveys.num(i, "observed"), file.at(3 + 2 * k), 2, where);
      expect_rounded(surveys.num(i, "log_residual"), file.at(4 + 2 * k), 4, where);
      continue;
    }
    ASSERT_TRUE(k >= 1 && k <= fleets) << where;
    const auto y = static_cast<std::size_t>(year - first_year);
    const auto a = static_cast<std::size_t>(surveys.num(i, "age") - first_age);
    const double residual = fleet_blocks[static_cast<std::size_t>(k - 1)][y][1 + a];
    if (surveys.text(i, "log_residual").empty()) {
      EXPECT_EQ(residual, 0) << where;
    } else {
      expect_rounded(surveys.num(i, "log_residual"), residual, 5, where);
    }
    expect_rounded(surveys.num(i, "catchability"),
                   by_age[a][age_columns - static_cast<std::size_t>(fleets - k + 1)], 5, where);
  }

  // Losses, terminal f and standard errors.
  std::map<std::string, double> named;
  for (std::size_t i = 0; i < estimates.size(); ++i)
    named[estimates.text(i, "name")] = estimates.num(i, "value");
  const auto after = [&](const std::string& label) {
    return std::stod(lines[line_starting(lines, label)].substr(label.size()));
  };
  const char* kLossLabels[] = {"", "MDN*100=", "SSE=", "AMD*100="};
  expect_rounded(named["loss_catch"], after(kLossLabels[state_->n22]), 7, "catch loss");
  expect_rounded(named["loss_total"], after("min of loss function:"), 7, "total loss");
  expect_rounded(named["terminal_f"], by_year.rbegin()->second[0], 5, "terminal f");
  const auto weights = number_stream(lines, line_starting(lines, "C(a,y) SSB1") + 2);
  ASSERT_EQ(weights.size(), 11u);
  EXPECT_EQ(named["weight_catch"], weights[0]);
  const auto errors = number_stream(lines, line_starting(lines, "LnN(a,y)") + 1);
  ASSERT_EQ(errors.size(), 2u);
  expect_rounded(named["se_log_n"], errors[0], 3, "SE of ln N");
  expect_rounded(named["se_log_f"], errors[1], 3, "SE of ln F");
}

// The quantile columns lie within the bootstrap runs' values, in order; with an odd number of
// runs the median is the middle run's value itself.
void TablesOfARun::expect_quantiles_within_the_bootstrap_runs() {
  const Table summary(tables() / "summary.csv"), estimates(tables() / "estimates.csv");
  const std::size_t years = summary.size();
  const auto rows = table_rows(lines_of(dir_ / "bootSSB.out"), "bootN", 1 + years, 1);
  std::vector<std::vector<double>> runs;  // run 0 is the main run
  for (const auto& r : rows)
    if (r[0] >= 1) runs.push_back(r);
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(estimates.text(estimates.size() - 1, "name"), "bootstrap_runs");
  EXPECT_EQ(estimates.num(estimates.size() - 1, "value"), static_cast<double>(runs.size()));
  for (std::size_t y = 0; y < years; ++y) {
    std::vector<double> v;
    for (const auto& r : runs) v.push_back(r[1 + y]);
    std::sort(v.begin(), v.end());
    const double q05 = summary.num(y, "ssb_q05"), q50 = summary.num(y, "ssb_q50"),
                 q95 = summary.num(y, "ssb_q95");
    const std::string in = " in " + summary.text(y, "year");
    // The files hold SSB to two decimals.
    const auto slack = [](double x) { return 0.005 + 1e-14 * std::fabs(x); };
    EXPECT_TRUE(v.front() - slack(v.front()) <= q05 && q05 <= q50 && q50 <= q95 &&
                q95 <= v.back() + slack(v.back()))
        << "SSB quantiles" << in << ": " << q05 << " " << q50 << " " << q95;
    if (v.size() % 2 == 1) expect_rounded(q50, v[v.size() / 2], 2, "SSB median" + in);
  }
}

// A complete run with a short bootstrap. On North Sea cod one of five bootstrap runs meets an
// arithmetic fault; the tables are still written, from the runs that finished.
TEST_P(TablesOfARun, AgreeWithTheResultsFileAndTheBootstrapFiles) {
  RecordingHost host(false);
  host.bootstrap_answer = {"1", std::to_string(GetParam().bootstrap_runs)};
  const RunOutcome outcome = run_start(*state_, host, texts_);
  ASSERT_TRUE(outcome.status == RunStatus::Completed ||
              outcome.status == RunStatus::ArithmeticFailed)
      << outcome.message;
  ASSERT_EQ(outcome.tables, tables().string()) << outcome.tables_problem;
  expect_tables_agree_with_results_file();
  expect_quantiles_within_the_bootstrap_runs();

  const Table run_fields(tables() / "run.csv");
  ASSERT_EQ(run_fields.size(), 120u);
  EXPECT_EQ(run_fields.text(0, "name"), "Text1");
  EXPECT_EQ(run_fields.text(0, "value"), texts_[FieldId::CatchFile]);
  EXPECT_EQ(run_fields.text(115, "name"), "fbar_ages");  // every analysed age by default
  EXPECT_EQ(run_fields.text(115, "value"),
            texts_[FieldId::FirstAge] + "-" + texts_[FieldId::LastAge]);
  EXPECT_EQ(run_fields.text(116, "value"), "not stated");  // units_numbers
  EXPECT_EQ(run_fields.text(118, "name"), "version");
  EXPECT_EQ(run_fields.text(119, "value").size(), 20u);  // 2026-12-06T11:52:17Z
}

INSTANTIATE_TEST_SUITE_P(
    Stocks, TablesOfARun,
    ::testing::Values(Stock{"demo", QUORVANE_SOURCE_DIR "/demo", "", "output.out"},
                      Stock{"nea_haddock", QUORVANE_SHARED_DATA_DIR "/nea_haddock",
                            "nea_haddock/fields.txt", "nea_haddock.out"},
                      Stock{"ns_cod", QUORVANE_SHARED_DATA_DIR "/ns_cod", "ns_cod/fields.txt",
                            "ns_cod.out", 5}),
    [](const ::testing::TestParamInfo<Stock>& info) { return info.param.name; });

// A run that fails before its results file is written leaves no tables; a run told not to
// write them writes none.
TEST(RunTables, AreWrittenOnlyWhenAskedAndOnlyAfterAResultsFile) {
  ScratchDir dir;
  copy_folder(QUORVANE_SOURCE_DIR "/demo", dir / "demo");
  auto s = std::make_unique<RunState>();
  s->workdir = dir.str();
  RecordingHost host(false);
  FieldTexts texts = default_field_texts();

  RunOutcome outcome = run_start(*s, host, texts, RunOptions{.tables = false});
  EXPECT_EQ(outcome.status, RunStatus::Completed);
  EXPECT_TRUE(outcome.tables.empty());
  EXPECT_FALSE(fs::exists(dir / "output.out.tables"));

  texts[FieldId::CatchFile] = "demo/absent.txt";
  outcome = run_start(*s, host, texts);
  EXPECT_EQ(outcome.status, RunStatus::InputFailed);
  EXPECT_TRUE(outcome.tables.empty());
  EXPECT_FALSE(fs::exists(dir / "output.out.tables"));
}

}  // namespace
}  // namespace quorvane
