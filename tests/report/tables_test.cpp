#include "report/tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/age_year_file.h"
#include "report/csv_reader.h"
#include "report/stochastic_equilibrium.h"
#include "report/stock_recruit.h"
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

// A file that a run does not write is taken away, so that the list of replicates or a forecast
// of an earlier run in the same folder is not read as this run's.
TEST(Tables, FilesOfAnEarlierRunThatThisRunDoesNotWriteAreRemoved) {
  ScratchDir dir;
  const std::string folder = (dir / "output.out.tables").string();
  ResultsRecord record;
  record.independent_replicates = true;
  write_tables(folder, record, RunDescription{});
  EXPECT_TRUE(fs::exists(dir / "output.out.tables/replicates.csv"));
  record.independent_replicates = false;
  write_tables(folder, record, RunDescription{});
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/replicates.csv"));
  EXPECT_TRUE(fs::exists(dir / "output.out.tables/summary.csv"));
}

// ---- Whole runs -------------------------------------------------------------------------------
// Every table of the demo's reference cases is pinned byte for byte by the written-files test:
// each value to its last bit, so the shortest text that reads back, and the quantiles of four
// runs (boot4) and of two (alfa_scan_two_periods_boot2).

// North Sea cod with its suggested fields: one of five bootstrap runs meets an arithmetic fault.
// The run ends with that fault, and the tables are still written, from the runs that finished.
TEST(RunTables, AfterAFailedBootstrapRunHoldTheRunsThatFinished) {
  ScratchDir dir;
  copy_folder(kSharedData / "ns_cod", dir / "ns_cod");
  FieldTexts texts = default_field_texts();
  read_fields_file((dir / "ns_cod/fields.txt").string(), texts);
  auto s = std::make_unique<RunState>();
  s->workdir = dir.str();
  RecordingHost host(false);
  host.bootstrap_answer = {"1", "5"};
  const RunOutcome outcome = run_start(*s, host, texts);
  ASSERT_EQ(outcome.status, RunStatus::ArithmeticFailed) << outcome.message;
  ASSERT_EQ(outcome.tables.folder, (dir / "ns_cod.out.tables").string()) << outcome.tables.problem;
  std::size_t finished = 0;  // bootstrap runs with their line in bootSSB.out
  for (const auto& line : bootstrap_lines(dir / "bootSSB.out")) finished += line.at(0) >= 1;
  ASSERT_GT(finished, 0u);
  const std::string estimates = slurp(dir / "ns_cod.out.tables/estimates.csv");
  EXPECT_NE(estimates.find("\nbootstrap_runs," + std::to_string(finished) + "\n"),
            std::string::npos)
      << estimates;
  const CsvFile summary = read_csv((dir / "ns_cod.out.tables/summary.csv").string());
  EXPECT_TRUE(optional_column(summary, "ssb_q50").has_value());
}

// The demo stock in a scratch folder, and one session's run state and host to run it.
// The number in a row's cell of the column `name`, which the row must have.
double cell(const CsvFile& f, const CsvRow& r, const char* name) {
  return *number_cell(f, r, required_column(f, name));
}

struct DemoSession {
  ScratchDir dir;
  std::unique_ptr<RunState> s = std::make_unique<RunState>();
  RecordingHost host{false};
  DemoSession() {
    copy_folder(QUORVANE_SOURCE_DIR "/demo", dir / "demo");
    s->workdir = dir.str();
  }
  RunOutcome run(const FieldTexts& texts, const RunOptions& options = {}) {
    return run_start(*s, host, texts, options);
  }
};

// A run that fails before its results file is written leaves no tables; a run told not to
// write them writes none.
TEST(RunTables, AreWrittenOnlyWhenAskedAndOnlyAfterAResultsFile) {
  DemoSession demo;
  FieldTexts texts = default_field_texts();

  RunOutcome outcome = demo.run(texts, RunOptions{.tables = false});
  EXPECT_EQ(outcome.status, RunStatus::Completed);
  EXPECT_TRUE(outcome.tables.folder.empty());
  EXPECT_FALSE(fs::exists(demo.dir / "output.out.tables"));

  texts[FieldId::CatchFile] = "demo/absent.txt";
  outcome = demo.run(texts);
  EXPECT_EQ(outcome.status, RunStatus::InputFailed);
  EXPECT_TRUE(outcome.tables.folder.empty());
  EXPECT_FALSE(fs::exists(demo.dir / "output.out.tables"));
}

// The forecast is made from the main fit after the results are written and changes none of them.
// Its start is the survivors of the demo's last year as stock.csv holds them:
// N(a+1, 2015) = N(a, 2014) exp(-M - F), the plus group 13 keeping its own survivors. Tables of
// a later run without a forecast lose it.
TEST(RunTables, ForecastStartsFromTheFittedSurvivorsAndLeavesTheResultsAlone) {
  DemoSession demo;
  const fs::path& dir = demo.dir.path();
  const FieldTexts texts = default_field_texts();
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  const std::string results = slurp(dir / "output.out");

  demo.s->forecast.on = true;
  const RunOutcome outcome = demo.run(texts);
  ASSERT_EQ(outcome.status, RunStatus::Completed);
  EXPECT_FALSE(outcome.tables.forecast_failed);
  EXPECT_EQ(outcome.tables.forecast.rfind("Forecast: at status quo F-bar 0.295, a catch of ", 0), 0u)
      << outcome.tables.forecast;
  EXPECT_EQ(slurp(dir / "output.out"), results);
  EXPECT_EQ(outcome.tables.per_recruit.rfind("Per recruit (F-bar 3-13): F0.1 ", 0), 0u)
      << outcome.tables.per_recruit;

  const CsvFile stock = read_csv((dir / "output.out.tables/stock.csv").string());
  const CsvFile start = read_csv((dir / "output.out.tables/forecast_input.csv").string());
  std::map<int, double> survivors;  // by age in 2015; the demo's age 13 is a plus group
  for (const CsvRow& r : stock.rows) {
    if (cell(stock, r, "year") != 2014) continue;
    const int age = static_cast<int>(cell(stock, r, "age"));
    survivors[std::min(age + 1, 13)] +=
        cell(stock, r, "n") * std::exp(-cell(stock, r, "m") - cell(stock, r, "f"));
  }
  ASSERT_EQ(start.rows.size(), 11u);
  for (const CsvRow& r : start.rows) {
    const int age = static_cast<int>(cell(start, r, "age"));
    if (age == 3) continue;  // the assumed recruitment
    EXPECT_NEAR(cell(start, r, "n"), survivors.at(age), 1e-9 * survivors.at(age)) << age;
  }
  const CsvFile table = read_csv((dir / "output.out.tables/forecast.csv").string());
  EXPECT_EQ(table.rows.size(), 22u);
  EXPECT_NE(slurp(dir / "output.out.tables/run.csv").find("\nforecast_mean_years,"),
            std::string::npos);
  // Per recruit with the forecast's own selection and means: at status quo its F-bar is the
  // forecast's.
  const CsvFile per_recruit = read_csv((dir / "output.out.tables/per_recruit.csv").string());
  EXPECT_EQ(cell(per_recruit, per_recruit.rows[20], "fbar"), cell(table, table.rows[11], "fbar"));
  // The equilibrium takes its recruitment from the year classes of summary.csv, each SSB beside
  // the recruitment three years on (the demo's first age is 3), and its curves from per recruit.
  EXPECT_EQ(outcome.tables.equilibrium.rfind("Equilibrium (F-bar 3-13; segmented regression on "
                                             "28 year classes, breakpoint SSB ",
                                             0),
            0u)
      << outcome.tables.equilibrium;
  const CsvFile summary = read_csv((dir / "output.out.tables/summary.csv").string());
  std::vector<YearClass> classes;
  for (std::size_t i = 0; i + 3 < summary.rows.size(); ++i) {
    classes.push_back({static_cast<int>(cell(summary, summary.rows[i], "year")),
                       cell(summary, summary.rows[i], "ssb"),
                       cell(summary, summary.rows[i + 3], "recruitment")});
  }
  const std::optional<SegmentedFit> fit = segmented_regression(classes);
  ASSERT_TRUE(fit);
  const CsvFile equilibrium = read_csv((dir / "output.out.tables/equilibrium.csv").string());
  const CsvRow& crash = equilibrium.rows.at(kPerRecruitSteps + 1);
  EXPECT_EQ(crash.cells[0], "Fcrash");
  EXPECT_NEAR(cell(equilibrium, crash, "ssb"), fit->breakpoint, 1e-9 * fit->breakpoint);
  EXPECT_NEAR(cell(equilibrium, crash, "recruitment"), fit->plateau, 1e-9 * fit->plateau);
  const CsvRow& status_quo = equilibrium.rows[20];
  EXPECT_NEAR(cell(equilibrium, status_quo, "ssb"),
              fit->plateau * cell(per_recruit, per_recruit.rows[20], "spr"), 1e-6);
  EXPECT_EQ(outcome.tables.stochastic_equilibrium, "");
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/stochastic_equilibrium.csv"));

  // Simulated stocks under the same regression, with the spread of its residuals: the curve at
  // the per-recruit levels, each level meeting the same recruitment, so that the share of years
  // below Blim grows with F; the same file again from the same seed.
  demo.s->forecast.equilibrium_simulations = 50;
  const RunOutcome simulated = demo.run(texts);
  ASSERT_EQ(simulated.status, RunStatus::Completed);
  EXPECT_EQ(simulated.tables.stochastic_equilibrium.rfind(
                "Stochastic equilibrium (F-bar 3-13; 50 stocks over 50 years, recruitment sd " +
                    [](double v) {
                      char text[32];
                      std::snprintf(text, sizeof text, "%.2f", v);
                      return std::string(text);
                    }(recruitment_noise(*fit, classes).sd),
                0),
            0u)
      << simulated.tables.stochastic_equilibrium;
  const std::string stochastic_text = slurp(dir / "output.out.tables/stochastic_equilibrium.csv");
  const CsvFile stochastic =
      read_csv((dir / "output.out.tables/stochastic_equilibrium.csv").string());
  ASSERT_GE(stochastic.rows.size(), static_cast<std::size_t>(kPerRecruitSteps + 1));
  double risk = 0;
  for (int i = 0; i <= kPerRecruitSteps; ++i) {
    const CsvRow& r = stochastic.rows[static_cast<std::size_t>(i)];
    EXPECT_EQ(cell(stochastic, r, "fbar"),
              cell(equilibrium, equilibrium.rows[static_cast<std::size_t>(i)], "fbar"));
    EXPECT_GE(cell(stochastic, r, "p_below_blim"), risk) << r.cells[0];
    risk = cell(stochastic, r, "p_below_blim");
  }
  EXPECT_EQ(risk, 1);  // three times status quo is far beyond Fcrash
  EXPECT_NE(slurp(dir / "output.out.tables/run.csv").find("\nequilibrium_simulations,"),
            std::string::npos);
  EXPECT_NE(slurp(dir / "output.out.tables/estimates.csv")
                .find("\nequilibrium_blim," + csv_number(fit->breakpoint) + "\n"),
            std::string::npos);
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  EXPECT_EQ(slurp(dir / "output.out.tables/stochastic_equilibrium.csv"), stochastic_text);
  // The advice rule needs the MSY Btrigger it cuts F below.
  demo.s->forecast.equilibrium_advice_rule = true;
  const RunOutcome without_trigger = demo.run(texts);
  EXPECT_EQ(without_trigger.tables.stochastic_equilibrium,
            "No stochastic equilibrium: the advice rule needs MSY Btrigger (msy_btrigger = ...)");
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/stochastic_equilibrium.csv"));
  demo.s->reference.msy_btrigger = 500000;
  const RunOutcome with_rule = demo.run(texts);
  EXPECT_NE(with_rule.tables.stochastic_equilibrium.find(
                ", fished by the advice rule below MSY Btrigger 500000; "),
            std::string::npos)
      << with_rule.tables.stochastic_equilibrium;
  EXPECT_NE(slurp(dir / "output.out.tables/run.csv").find("\nequilibrium_advice_rule,"),
            std::string::npos);
  demo.s->forecast.equilibrium_advice_rule = false;
  demo.s->reference.msy_btrigger.reset();

  demo.s->forecast.on = false;
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/forecast.csv"));
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/forecast_input.csv"));
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/per_recruit.csv"));
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/equilibrium.csv"));
  EXPECT_FALSE(fs::exists(dir / "output.out.tables/stochastic_equilibrium.csv"));
}

// Stock weights of their own weigh the spawning stock and the total stock in weight, in the fit
// (the SSB survey's loss) and in every file; the catch keeps the catch weights. Given the catch
// weights' own file as stock weights, a run is the run without them, and stock.csv shows the
// weights it used.
TEST(RunTables, StockWeightsWeighTheSpawningStockAndTheCatchKeepsItsWeights) {
  DemoSession demo;
  const fs::path& dir = demo.dir.path();
  const FieldTexts texts = default_field_texts();
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  const std::string results = slurp(dir / "output.out");
  const std::string summary = slurp(dir / "output.out.tables/summary.csv");
  const std::vector<std::string> stock = lines_of(dir / "output.out.tables/stock.csv");

  demo.s->stock_weight_file = "demo/w.txt";
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  EXPECT_EQ(slurp(dir / "output.out"), results);
  EXPECT_EQ(slurp(dir / "output.out.tables/summary.csv"), summary);
  const std::vector<std::string> same = lines_of(dir / "output.out.tables/stock.csv");
  ASSERT_EQ(same.size(), stock.size());
  EXPECT_EQ(same[0], stock[0] + ",stock_weight");
  const CsvFile cells = read_csv((dir / "output.out.tables/stock.csv").string());
  for (const CsvRow& r : cells.rows) {
    EXPECT_EQ(r.cells[static_cast<std::size_t>(required_column(cells, "stock_weight"))],
              r.cells[static_cast<std::size_t>(required_column(cells, "weight"))]);
  }
  EXPECT_NE(slurp(dir / "output.out.tables/run.csv").find(",demo/w.txt\n"), std::string::npos);

  // Stock weights of half the catch weights at every age and year.
  std::istringstream w(slurp(dir / "demo/w.txt"));
  std::string half, line;
  for (int i = 0; std::getline(w, line); ++i) {
    if (i < 4) {
      half += line + "\n";
      continue;
    }
    std::istringstream values(line);
    double v = 0;
    values >> v;
    half += label_text(v);
    while (values >> v) half += " " + label_text(v / 2);
    half += "\n";
  }
  write_text(dir / "demo/sw.txt", half);
  demo.s->stock_weight_file = "demo/sw.txt";
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  const CsvFile halved = read_csv((dir / "output.out.tables/stock.csv").string());
  const CsvFile years = read_csv((dir / "output.out.tables/summary.csv").string());
  std::map<double, double> ssb, total, catch_weight;
  for (const CsvRow& r : halved.rows) {
    const double y = cell(halved, r, "year");
    EXPECT_EQ(cell(halved, r, "stock_weight") * 2, cell(halved, r, "weight"));
    ssb[y] += cell(halved, r, "n") * cell(halved, r, "stock_weight") * cell(halved, r, "maturity");
    total[y] += cell(halved, r, "n") * cell(halved, r, "stock_weight");
    catch_weight[y] += cell(halved, r, "catch") * cell(halved, r, "weight");
  }
  ASSERT_EQ(years.rows.size(), ssb.size());
  for (const CsvRow& r : years.rows) {
    const double y = cell(years, r, "year");
    EXPECT_NEAR(cell(years, r, "ssb"), ssb[y], 1e-9 * ssb[y]) << y;
    EXPECT_NEAR(cell(years, r, "total_stock_weight"), total[y], 1e-9 * total[y]) << y;
    if (const auto c = number_cell(years, r, required_column(years, "catch_weight"))) {
      EXPECT_NEAR(*c, catch_weight[y], 1e-9 * catch_weight[y]) << y;
    }
  }
  EXPECT_NE(slurp(dir / "output.out"), results);  // the SSB survey is fitted to another SSB

  // A bootstrap run's SSB too: its last year's value is the sum over ages of maturity, stock
  // weight and its own numbers of that year (bootNtrm.out), each as written.
  demo.host.bootstrap_answer = {"1", "1"};
  ASSERT_EQ(demo.run(texts).status, RunStatus::Completed);
  const auto run_line = [&](const char* file) {
    std::istringstream lines(slurp(dir / file));
    std::string l;
    std::vector<double> values;
    while (std::getline(lines, l)) {
      std::istringstream in(l);
      double run = 0, v = 0;
      if (!(in >> run) || run != 1) continue;
      while (in >> v) values.push_back(v);
    }
    return values;
  };
  const std::vector<double> n_last = run_line("bootNtrm.out");
  const std::vector<double> boot_ssb = run_line("bootSSB.out");
  ASSERT_FALSE(n_last.empty());
  ASSERT_FALSE(boot_ssb.empty());
  double expected = 0;
  std::size_t j = 0;
  for (const CsvRow& r : halved.rows) {
    if (cell(halved, r, "year") != 2014) continue;
    ASSERT_LT(j, n_last.size());
    expected += cell(halved, r, "maturity") * cell(halved, r, "stock_weight") * n_last[j++];
  }
  EXPECT_NEAR(boot_ssb.back(), expected, 1e-6 * expected);
}

}  // namespace
}  // namespace quorvane
