#include "report/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "run/fields_file.h"
#include "run/start.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

using testing::copy_folder;
using testing::lines_of;
namespace fs = std::filesystem;

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

// ---- Readers of the files a run writes ----------------------------------------------------------

bool is_number(const std::string& token, double& v) {
  char* end = nullptr;
  v = std::strtod(token.c_str(), &end);
  return !token.empty() && end == token.c_str() + token.size();
}

// The numbers of the lines from `first` on, up to the first line that does not start with a
// number. A value too wide for its columns moves the rest of a row to the next line, so a table
// is read as one stream of numbers.
std::vector<double> number_stream(const std::vector<std::string>& lines, std::size_t first) {
  std::vector<double> numbers;
  for (std::size_t i = first; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string token;
    double v = 0;
    if (!(in >> token) || !is_number(token, v)) break;
    numbers.push_back(v);
    while (in >> token && is_number(token, v)) numbers.push_back(v);
  }
  return numbers;
}

std::size_t line_starting(const std::vector<std::string>& lines, const std::string& prefix) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].rfind(prefix, 0) == 0) return i;
  ADD_FAILURE() << "no line starts with '" << prefix << "'";
  return lines.size();
}

// Rows of `width` numbers of the table whose rows start two lines below the title line.
std::vector<std::vector<double>> rows_after(const std::vector<std::string>& lines,
                                            const std::string& title, std::size_t width,
                                            std::size_t skip = 3) {
  const std::vector<double> numbers = number_stream(lines, line_starting(lines, title) + skip);
  std::vector<std::vector<double>> rows;
  for (std::size_t i = 0; i + width <= numbers.size(); i += width)
    rows.emplace_back(numbers.begin() + static_cast<long>(i),
                      numbers.begin() + static_cast<long>(i + width));
  return rows;
}

// A CSV file whose rows are single lines: the header and the rows as name -> cell.
struct Csv {
  std::vector<std::string> header;
  std::vector<std::map<std::string, std::string>> rows;

  explicit Csv(const fs::path& path) {
    const std::vector<std::string> lines = lines_of(path);
    if (lines.empty()) return;
    header = split(lines[0]);
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const std::vector<std::string> cells = split(lines[i]);
      EXPECT_EQ(cells.size(), header.size()) << path << " line " << i + 1;
      std::map<std::string, std::string> row;
      for (std::size_t c = 0; c < header.size() && c < cells.size(); ++c) row[header[c]] = cells[c];
      rows.push_back(row);
    }
  }
  // Cells separated by commas; a quoted cell may hold commas and doubled quotes.
  static std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cells.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = !quoted;
      } else if (c == ',' && !quoted) {
        cells.emplace_back();
      } else {
        cells.back() += c;
      }
    }
    return cells;
  }
};

double num(const std::map<std::string, std::string>& row, const std::string& column) {
  const auto it = row.find(column);
  if (it == row.end() || it->second.empty()) {
    ADD_FAILURE() << "no value in column " << column;
    return std::nan("");
  }
  return std::strtod(it->second.c_str(), nullptr);
}

// A value of the tables against the value the results file writes with `decimals` places: equal
// up to that rounding, or to the file's 15 significant digits for a very large value.
void expect_rounded(double table, double file, int decimals, const std::string& what) {
  const double tolerance = 0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + 1e-14 * std::fabs(file);
  EXPECT_LE(std::fabs(table - file), tolerance) << what << ": table " << table << ", file " << file;
}

// The bootstrap runs' lines of a bootstrap file (runs 1, 2, ...), each with `width` values.
std::vector<std::vector<double>> bootstrap_lines(const fs::path& path, std::size_t width) {
  const std::vector<std::vector<double>> rows = rows_after(lines_of(path), "bootN", 1 + width, 1);
  std::vector<std::vector<double>> runs;
  for (const auto& r : rows)
    if (r[0] >= 1) runs.emplace_back(r.begin() + 1, r.end());
  return runs;
}

// ---- Whole runs
// ----------------------------------------------------------------------------------

struct Stock {
  std::string name;
  std::string source;  // folder copied into the working directory
  std::string fields;  // fields file inside the copy, or empty for the default fields
  std::string results;
};

void PrintTo(const Stock& stock, std::ostream* os) { *os << stock.name; }

// Presses STOP at the first yield point after the third evaluation of the objective.
class StopAfterThreeEvaluations : public testing::RecordingHost {
 public:
  explicit StopAfterThreeEvaluations(const RunState& s) : RecordingHost(false), s_(s) {}
  UserRequest yield() override {
    if (!stopped_ && s_.evaluations >= 3) {
      stopped_ = true;
      return UserRequest::Stop;
    }
    return UserRequest::None;
  }

 private:
  const RunState& s_;
  bool stopped_ = false;
};

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

  RunOutcome run() { return run_start(*state_, host_, texts_); }

  // Every value that the tables and the results file both hold agrees to the file's rounding.
  void expect_tables_agree_with_results_file();
  void expect_quantiles_agree_with_bootstrap_files();

  fs::path results() const { return dir_ / GetParam().results; }
  fs::path tables() const { return dir_ / (GetParam().results + ".tables"); }

  testing::ScratchDir dir_;
  FieldTexts texts_;
  std::unique_ptr<RunState> state_;
  testing::RecordingHost host_{false};
};

void TablesOfARun::expect_tables_agree_with_results_file() {
  const std::vector<std::string> lines = lines_of(results());
  const Csv summary(tables() / "summary.csv");
  const Csv stock(tables() / "stock.csv");
  const Csv surveys(tables() / "surveys.csv");
  const Csv estimates(tables() / "estimates.csv");
  const std::size_t years = summary.rows.size();
  ASSERT_GT(years, 1u);
  ASSERT_EQ(stock.rows.size() % years, 0u);
  const std::size_t ages = stock.rows.size() / years;
  const auto cell = [&](std::size_t y, std::size_t a) -> const auto& {
    return stock.rows[y * ages + a];
  };

  // Stock summary by year: year, f, TN, TW, SSB, SSB at survey time, then survey and residual
  // of the three SSB surveys.
  const auto by_year = rows_after(lines, "Year    f(year)", 12, 1);
  ASSERT_EQ(by_year.size(), years);
  const auto abundance = rows_after(lines, "Abundance in numbers", 1 + ages);
  ASSERT_EQ(abundance.size(), years);
  std::map<std::pair<int, double>, std::vector<double>> ssb_points;  // (k, year) -> obs, resid
  for (std::size_t y = 0; y < years; ++y) {
    const auto& row = summary.rows[y];
    const auto& file = by_year[y];
    const std::string year = " in " + std::to_string(static_cast<int>(file[0]));
    EXPECT_EQ(num(row, "year"), file[0]);
    expect_rounded(num(row, "f"), file[1], 5, "f" + year);
    expect_rounded(num(row, "total_stock_numbers"), file[2], 2, "stock in numbers" + year);
    expect_rounded(num(row, "total_stock_weight"), file[3], 2, "stock in weight" + year);
    expect_rounded(num(row, "ssb"), file[4], 2, "SSB" + year);
    expect_rounded(num(row, "ssb_survey_time"), file[5], 2, "SSB at survey time" + year);
    expect_rounded(num(row, "recruitment"), abundance[y][1], 2, "recruitment" + year);
    for (int k = 1; k <= 3; ++k) {
      if (file[4 + 2 * k] > 0) ssb_points[{k, file[0]}] = {file[4 + 2 * k], file[5 + 2 * k]};
    }
  }

  // The cells: N, s, gfactor, model F where there was a catch, F from the catch, the catch
  // residual (the first residual block).
  const auto selectivity = rows_after(lines, "Estimates of s(a,y)", 1 + ages);
  const auto generation = rows_after(lines, "Estimates of generation-dependent", 1 + ages);
  const auto model_f = rows_after(lines, "Recalculated F as F=-ln(1-f(y)s(a,y)", 1 + ages);
  const auto catch_f = rows_after(lines, "Recalculated F as F=-ln(1-PHY(a,y))", 1 + ages);
  const std::string block1 = state_->n5 == 1 ? "Residuals in Ln(PHY)" : "Residuals in LnC";
  const auto residuals = rows_after(lines, block1, 2 + ages);
  for (std::size_t y = 0; y < years; ++y) {
    bool catch_in_every_age = true;
    double f_sum = 0;
    for (std::size_t a = 0; a < ages; ++a) {
      const auto& c = cell(y, a);
      const std::string where = " at age " + c.at("age") + " in " + c.at("year");
      EXPECT_EQ(num(c, "year"), abundance[y][0]);
      expect_rounded(num(c, "n"), abundance[y][1 + a], 2, "N" + where);
      expect_rounded(num(c, "s"), selectivity[y][1 + a], 5, "s" + where);
      expect_rounded(num(c, "gfactor"), generation[y][1 + a], 5, "gfactor" + where);
      expect_rounded(num(c, "catch_log_residual"), residuals[y][1 + a], 5, "residual" + where);
      if (num(c, "catch") > 0) {
        expect_rounded(num(c, "f"), model_f[y][1 + a], 5, "F" + where);
        expect_rounded(-std::log(std::fabs(1 - num(c, "phy"))), catch_f[y][1 + a], 5,
                       "F from PHY" + where);
        f_sum += model_f[y][1 + a];
      } else {
        catch_in_every_age = false;
      }
    }
    // The mean of F over the ages, against the mean of the rounded F of the file.
    if (catch_in_every_age) {
      expect_rounded(num(summary.rows[y], "mean_f"), f_sum / static_cast<double>(ages), 5,
                     "mean F in " + summary.rows[y].at("year"));
    }
    // F-bar over its default ages, every analysed age, is the mean F.
    EXPECT_EQ(summary.rows[y].at("fbar"), summary.rows[y].at("mean_f"));
  }

  // M in the last year and 1/q of each fleet, by age.
  const int fleets = state_->indaged == 1 ? state_->totalind : 0;
  const std::size_t age_columns =
      (state_->yearmid < state_->yearmax ? 4 : 3) + static_cast<std::size_t>(std::max(fleets, 1));
  const auto by_age = rows_after(lines, "Age     M(a,yarmax)", age_columns, 1);
  ASSERT_EQ(by_age.size(), ages);
  for (std::size_t a = 0; a < ages; ++a) {
    expect_rounded(num(cell(years - 1, a), "m"), by_age[a][1], 6, "M at age " + std::to_string(a));
  }

  // Survey observations: SSB surveys against the stock summary's columns, fleets against their
  // residual blocks and the catchabilities.
  std::vector<std::vector<std::vector<double>>> fleet_blocks;
  for (int k = 1; k <= fleets; ++k) {
    fleet_blocks.push_back(
        rows_after(lines, "Index  " + std::to_string(k) + " Residuals", 2 + ages));
  }
  std::size_t ssb_rows = 0;
  std::map<std::pair<int, std::pair<std::size_t, std::size_t>>, bool> fleet_cells;
  for (const auto& p : surveys.rows) {
    const int k = static_cast<int>(num(p, "number"));
    const double year = num(p, "year");
    const std::size_t y = static_cast<std::size_t>(year - by_year[0][0]);
    if (p.at("kind") == "ssb") {
      ++ssb_rows;
      ASSERT_TRUE(ssb_points.count({k, year})) << "SSB survey " << k << " in " << year;
      const auto& file = ssb_points[{k, year}];
      expect_rounded(num(p, "observed"), file[0], 2, "SSB survey observed");
      expect_rounded(num(p, "log_residual"), file[1], 4, "SSB survey residual");
      EXPECT_NEAR(num(p, "fitted") * num(p, "coefficient"), num(summary.rows[y], "ssb_survey_time"),
                  1e-9 * num(summary.rows[y], "ssb_survey_time"));
    } else {
      ASSERT_EQ(p.at("kind"), "fleet");
      ASSERT_TRUE(k >= 1 && k <= fleets);
      const std::size_t a = static_cast<std::size_t>(num(p, "age") - num(cell(0, 0), "age"));
      fleet_cells[{k, {y, a}}] = true;
      const double file = fleet_blocks[static_cast<std::size_t>(k - 1)][y][1 + a];
      const std::string where =
          "fleet " + std::to_string(k) + " cell " + p.at("age") + "/" + p.at("year");
      EXPECT_GT(num(p, "observed"), 0) << where;
      if (p.at("log_residual").empty()) {
        EXPECT_EQ(file, 0) << where;
      } else {
        expect_rounded(num(p, "log_residual"), file, 5, "residual of " + where);
      }
      const std::size_t fleet_column = age_columns - static_cast<std::size_t>(fleets - k + 1);
      expect_rounded(num(p, "catchability"), by_age[a][fleet_column], 5,
                     "catchability of " + where);
    }
  }
  EXPECT_EQ(ssb_rows, ssb_points.size());
  // A cell of a fleet block without a row of the tables had no observation: its residual is 0.
  for (int k = 1; k <= fleets; ++k)
    for (std::size_t y = 0; y < years; ++y)
      for (std::size_t a = 0; a < ages; ++a)
        if (!fleet_cells.count({k, {y, a}})) {
          EXPECT_EQ(fleet_blocks[static_cast<std::size_t>(k - 1)][y][1 + a], 0);
        }

  // Losses, weights and standard errors.
  std::map<std::string, double> named;
  for (const auto& row : estimates.rows) named[row.at("name")] = num(row, "value");
  const auto after = [&](const std::string& label) {
    const std::string& l = lines[line_starting(lines, label)];
    return std::stod(l.substr(label.size()));
  };
  const char* kLossLabels[] = {"", "MDN*100=", "SSE=", "AMD*100="};
  expect_rounded(named["loss_catch"], after(kLossLabels[state_->n22]), 7, "catch loss");
  expect_rounded(named["loss_total"], after("min of loss function:"), 7, "total loss");
  expect_rounded(named["terminal_f"], by_year.back()[1], 5, "terminal f");
  const auto weights = number_stream(lines, line_starting(lines, "C(a,y) SSB1") + 2);
  ASSERT_EQ(weights.size(), 11u);
  EXPECT_EQ(named["weight_catch"], weights[0]);
  for (int k = 1; k <= fleets; ++k)
    EXPECT_EQ(named["weight_fleet" + std::to_string(k)], weights[3 + static_cast<std::size_t>(k)]);
  const auto errors = number_stream(lines, line_starting(lines, "LnN(a,y)") + 1);
  ASSERT_EQ(errors.size(), 2u);
  expect_rounded(named["se_log_n"], errors[0], 3, "SE of ln N");
  expect_rounded(named["se_log_f"], errors[1], 3, "SE of ln F");
  EXPECT_EQ(named["sigma"], std::min(named["se_log_n"], 0.4));
}

void TablesOfARun::expect_quantiles_agree_with_bootstrap_files() {
  const Csv summary(tables() / "summary.csv");
  const Csv estimates(tables() / "estimates.csv");
  const std::size_t years = summary.rows.size();
  const std::size_t ages = static_cast<std::size_t>(state_->agemax - state_->agemin + 1);
  const auto ssb = bootstrap_lines(dir_ / "bootSSB.out", years);
  const auto f = bootstrap_lines(dir_ / "bootf.out", years);
  const auto tsb = bootstrap_lines(dir_ / "bootTSB.out", years);
  const auto terminal_n = bootstrap_lines(dir_ / "bootNtrm.out", ages);
  ASSERT_FALSE(ssb.empty());
  EXPECT_EQ(estimates.rows.back().at("name"), "bootstrap_runs");
  EXPECT_EQ(num(estimates.rows.back(), "value"), static_cast<double>(ssb.size()));

  const auto column = [](const std::vector<std::vector<double>>& runs, std::size_t i) {
    std::vector<double> v;
    for (const auto& r : runs) v.push_back(r[i]);
    return v;
  };
  for (std::size_t y = 0; y < years; ++y) {
    const auto& row = summary.rows[y];
    for (const auto& [suffix, p] : std::vector<std::pair<std::string, double>>{
             {"_q05", 0.05}, {"_q50", 0.5}, {"_q95", 0.95}}) {
      const std::string year = " in " + row.at("year");
      expect_rounded(num(row, "ssb" + suffix), quantile(column(ssb, y), p), 2,
                     "SSB" + suffix + year);
      expect_rounded(num(row, "f" + suffix), quantile(column(f, y), p), 3, "f" + suffix + year);
      expect_rounded(num(row, "total_stock_weight" + suffix), quantile(column(tsb, y), p), 2,
                     "TSB" + suffix + year);
      // Recruitment by year is in no bootstrap file; the terminal year's is N at the first age.
      if (y + 1 == years) {
        expect_rounded(num(row, "recruitment" + suffix), quantile(column(terminal_n, 0), p), 2,
                       "recruitment" + suffix + year);
      }
    }
  }
}

// A complete run with a bootstrap of five runs. On North Sea cod a bootstrap run meets an
// arithmetic fault; the tables are still written, from the runs that finished.
TEST_P(TablesOfARun, AgreeWithTheResultsFileAndTheBootstrapFiles) {
  host_.bootstrap_answer = {"1", "5"};
  const RunOutcome outcome = run();
  ASSERT_TRUE(outcome.status == RunStatus::Completed ||
              outcome.status == RunStatus::ArithmeticFailed)
      << outcome.message;
  ASSERT_EQ(outcome.tables, tables().string()) << outcome.tables_problem;
  for (const char* name : {"summary.csv", "stock.csv", "surveys.csv", "estimates.csv", "run.csv"})
    EXPECT_TRUE(fs::is_regular_file(tables() / name)) << name;
  expect_tables_agree_with_results_file();
  expect_quantiles_agree_with_bootstrap_files();

  const Csv run_fields(tables() / "run.csv");
  ASSERT_EQ(run_fields.rows.size(), 120u);
  EXPECT_EQ(run_fields.rows[0].at("name"), "Text1");
  EXPECT_EQ(run_fields.rows[0].at("value"), texts_[FieldId::CatchFile]);
  EXPECT_EQ(run_fields.rows[114].at("name"), "Text115");
  EXPECT_EQ(run_fields.rows[115].at("name"), "fbar_ages");  // every analysed age by default
  EXPECT_EQ(run_fields.rows[115].at("value"), texts_[FieldId::FirstAge] + "-" + texts_[FieldId::LastAge]);
  EXPECT_EQ(run_fields.rows[116].at("value"), "not stated");  // units_numbers
  EXPECT_EQ(run_fields.rows[118].at("name"), "version");
  EXPECT_EQ(run_fields.rows[119].at("name"), "time");
  EXPECT_EQ(run_fields.rows[119].at("value").size(), 20u);  // 2026-12-06T11:52:17Z
}

// A run stopped by the user writes its results file with the estimates of the moment, and the
// tables with it; there are no quantiles, since the bootstrap is refused. Where the run stops
// does not depend on the stock, so the demo alone is stopped.
TEST_P(TablesOfARun, OfAStoppedRunHoldWhatTheResultsFileHolds) {
  if (GetParam().name != "demo") GTEST_SKIP() << "stopped on the demo only";
  StopAfterThreeEvaluations host(*state_);
  host.bootstrap_answer = {"1", "5"};
  ASSERT_EQ(run_start(*state_, host, texts_).status, RunStatus::Completed);
  ASSERT_EQ(lines_of(results()).at(1), "Process was terminated by user !!!");
  expect_tables_agree_with_results_file();
  const Csv summary(tables() / "summary.csv");
  EXPECT_EQ(summary.header.size(), 10u);  // no quantile columns
}

INSTANTIATE_TEST_SUITE_P(
    Stocks, TablesOfARun,
    ::testing::Values(Stock{"demo", QUORVANE_SOURCE_DIR "/demo", "", "output.out"},
                      Stock{"nea_haddock", QUORVANE_SHARED_DATA_DIR "/nea_haddock",
                            "nea_haddock/fields.txt", "nea_haddock.out"},
                      Stock{"ns_cod", QUORVANE_SHARED_DATA_DIR "/ns_cod", "ns_cod/fields.txt",
                            "ns_cod.out"}),
    [](const ::testing::TestParamInfo<Stock>& info) { return info.param.name; });

// A run that fails before its results file is written leaves no tables; a run told not to
// write them writes none.
TEST(RunTables, AreWrittenOnlyWhenAskedAndOnlyAfterAResultsFile) {
  testing::ScratchDir dir;
  copy_folder(QUORVANE_SOURCE_DIR "/demo", dir / "demo");
  auto s = std::make_unique<RunState>();
  s->workdir = dir.str();
  testing::RecordingHost host(false);
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
