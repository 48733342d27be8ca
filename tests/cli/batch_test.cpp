// quorvane-batch's command line, run as a separate program. What it answers to bad input files
// and fields is the catalogue of tests/robustness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "report/csv_reader.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

// The command line alone, in an empty folder: --help; bad usage exits 2 with one line and
// writes nothing; the field list, as CSV and as a table (a mistyped name and the names it may
// have meant: tests/run/fields_file_test.cpp); a fields file and --set apply in the order given,
// the later winning (the catch file is missing, so that an accepted set of fields ends quickly,
// with exit 1).
TEST(BatchCommandLine, UsageFieldListAndTheOrderOfFieldsFileAndSet) {
  ScratchDir dir;
  const BatchRun help = run_batch(dir.path(), "--help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--stop-at-call"), std::string::npos);
  for (const char* args : {"--frobnicate", "--workdir absent", "--set Text8", "--bootstrap 32768",
                           "--bootstrap x", "--stop-at-call", "--restart-answer 3",
                           "--equilibrium-simulations 9", "--equilibrium-simulations 20001"}) {
    const BatchRun run = run_batch(dir.path(), args);
    EXPECT_EQ(run.exit_code, 2) << args;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << args << ": " << run.err;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));

  const BatchRun csv = run_batch(dir.path(), "--list-fields --format csv");
  EXPECT_EQ(csv.exit_code, 0);
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 116);  // a header, 115 fields
  EXPECT_NE(csv.out.find("\nfirst_year,Text8,Years for analysis.  First year:,1984,whole number\n"),
            std::string::npos);
  const BatchRun table = run_batch(dir.path(), "--list-fields");
  EXPECT_EQ(table.exit_code, 0);
  EXPECT_NE(table.out.find("fleet3_loss"), std::string::npos);

  dir.write("fields.txt", "# a bad year\nText8=abc\nText1=missing.txt\n");
  EXPECT_EQ(run_batch(dir.path(), "--fields fields.txt --set Text8=1984").exit_code, 1);
  // The value attached with "=" (the first "=" only) reads as the value after the option.
  EXPECT_EQ(run_batch(dir.path(), "--set=Text8=1984 --fields=fields.txt").exit_code, 2);
}

// The demo with three bootstrap runs. The closing lines are the main fit's, as output.out holds
// it (total loss 17.19, terminal f 2.75), not those of the last bootstrap run.
TEST(BatchSummary, AfterABootstrapTheClosingLinesDescribeTheMainFit) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  const BatchRun run = run_batch(dir.path(), "--bootstrap 3 --threads 1 --no-tables");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_NE(run.out.find("\nTotal loss SSEALL: 17.19"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nTerminal f: 2.75\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nBootstrap: 3 of 3 runs finished\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Status in"), std::string::npos);  // no reference point stated

  // With reference points, the last year's status against them, as summary.csv has the year.
  dir.write("points.txt", "fmsy = 0.25\nmsy_btrigger = 500000\nfbar = 4-6\n");
  const BatchRun stated = run_batch(dir.path(), "--fields points.txt --quiet");
  ASSERT_EQ(stated.exit_code, 0) << stated.describe();
  const CsvFile summary = read_csv((dir.path() / "output.out.tables/summary.csv").string());
  const CsvRow& last = summary.rows.back();
  const auto value = [&](const char* column) {
    return std::stod(last.cells[static_cast<std::size_t>(required_column(summary, column))]);
  };
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "\nStatus in %s: SSB %.0f = %.2f x MSY Btrigger; F-bar 4-6 %.3g = %.2f x Fmsy\n",
                last.cells[static_cast<std::size_t>(required_column(summary, "year"))].c_str(),
                value("ssb"), value("ssb") / 500000, value("fbar"), value("fbar") / 0.25);
  EXPECT_NE(stated.out.find(expected), std::string::npos) << stated.out;
  // Standard error is a file here, not a terminal: a plain line as each run starts.
  EXPECT_EQ(run.err.find("bootstrap 1 of 3\n"), 0u) << run.err;
  EXPECT_NE(run.err.find("\nbootstrap 3 of 3, about "), std::string::npos) << run.err;
}

// The demo's least loss lies at f 2.75; a scan that stops at 2 ends on its bound. The main fit,
// the bootstrap runs and the peel each say so in the closing lines, which files cannot show.
TEST(BatchSummary, AScanThatEndsOnItsBoundSaysSo) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  const BatchRun run =
      run_batch(dir.path(), "--set Text18=2 --bootstrap 2 --retro 1 --threads 1 --no-tables --quiet");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  const std::string bound = " the highest value scanned (If Scan: Highest f :, Text18): the loss";
  EXPECT_NE(run.out.find("\nTerminal f: 2\nThe best terminal f, 2, is" + bound),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\n2 of 2 bootstrap runs took the highest terminal f scanned"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\nPeel 1: The best terminal f, 2, is" + bound), std::string::npos)
      << run.out;
}

// The kind of bootstrap as a fields file carries it ("bootstrap_kind = independent", as the
// window program saves it beside the fields) and as --bootstrap-kind gives it: the later of the
// two holds, and a kind that does not exist is refused before the run. bootfailed.out is written
// by every independent bootstrap, also when no replicate failed or none was asked for. A bootstrap
// answered Yes with no runs leaves the boot files with their header and the main fit's line.
TEST(BootstrapKindKey, FieldsFileGivesTheKindALaterOptionOverridesItAndAWrongOneIsRefused) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  dir.write("kind.txt", "# Kind of bootstrap\nbootstrap_kind = independent\n");
  for (const std::string chained : {"", " --bootstrap-kind chained"}) {
    for (const std::string runs : {"0", "1"}) {
      SCOPED_TRACE(runs + " runs" + chained);
      fs::remove(dir / "bootfailed.out");
      const BatchRun run = run_batch(
          dir.path(), "--fields kind.txt --no-tables --quiet --bootstrap " + runs + chained);
      ASSERT_EQ(run.exit_code, 0) << run.describe();
      EXPECT_EQ(run.err, "");
      EXPECT_NE(run.out.find("\nBootstrap: " + runs + " of " + runs + " runs finished\n"),
                std::string::npos);
      EXPECT_EQ(lines_of(dir / "bootSSB.out").size(), 2u + std::stoul(runs));
      EXPECT_EQ(fs::exists(dir / "bootfailed.out"), chained.empty());
    }
  }

  fs::remove(dir / "output.out");
  dir.write("kind.txt", "Text8=1984\nbootstrap_kind = chain\n");
  const BatchRun unknown = run_batch(dir.path(), "--fields kind.txt --bootstrap 1");
  EXPECT_EQ(unknown.exit_code, 2) << unknown.describe();
  EXPECT_NE(unknown.err.find("kind.txt: line 2: bootstrap_kind 'chain' is neither chained nor "
                             "independent"),
            std::string::npos)
      << unknown.err;
  EXPECT_FALSE(fs::exists(dir / "output.out"));
}

// quorvane-batch --retro, against separate runs with the years lowered.
// The demo's analysis ends in 2014 with one selectivity period, so peel k is the run with both
// Text9 and Text10 at 2014 - k.
// F-bar is over 4-6, so that it differs from the mean F over every age: each peel takes the full
// run's F-bar ages, and retro.csv's F-bar of a peel is that of the peel's own tables. The stock
// weights (the catch weights' own file, so that the runs are those without them) are found from
// the peels' folders too.
TEST(Retro, PeelsAreRunsWithTheYearsLoweredAndAPeelTooShortIsReported) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "retro/demo");
  write_text(dir / "retro/keys.txt", "stock_weight_file = demo/w.txt\n");
  const BatchRun run = run_batch(dir / "retro", "--retro 3 --fbar 4-6 --fields keys.txt");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  // Standard error is not a terminal: a plain line as each peel ends.
  EXPECT_NE(run.err.find("retrospective: 3 of 3 peels finished\n"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("Mohn's rho: SSB "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(", F-bar 4-6 "), std::string::npos) << run.out;
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
  const std::vector<std::string> retro = lines_of(dir / "retro/retro/retro.csv");
  std::map<std::string, std::string> last_year;  // of each peel
  for (std::size_t i = 1; i < retro.size(); ++i)
    last_year[retro[i].substr(0, retro[i].find(','))] = retro[i].substr(retro[i].find(',') + 1, 4);
  EXPECT_EQ(last_year, (std::map<std::string, std::string>{
                           {"0", "2014"}, {"1", "2013"}, {"2", "2012"}, {"3", "2011"}}));
  const CsvFile retro_csv = read_csv((dir / "retro/retro/retro.csv").string());
  const int peel_column = required_column(retro_csv, "peel");
  const int fbar_column = required_column(retro_csv, "fbar");
  const int mean_f_column = required_column(retro_csv, "mean_f");
  for (int k = 0; k <= 3; ++k) {
    const fs::path tables =
        k == 0 ? dir / "retro/output.out.tables"
               : dir / "retro/retro" / ("peel" + std::to_string(k)) / "output.out.tables";
    EXPECT_NE(slurp(tables / "run.csv").find("the mean F of the column fbar\",4-6\n"), std::string::npos) << k;
    const CsvFile summary = read_csv((tables / "summary.csv").string());
    std::vector<std::string> own, in_retro;
    for (const CsvRow& r : summary.rows)
      own.push_back(r.cells[static_cast<std::size_t>(required_column(summary, "fbar"))]);
    for (const CsvRow& r : retro_csv.rows) {
      if (r.cells[static_cast<std::size_t>(peel_column)] != std::to_string(k)) continue;
      in_retro.push_back(r.cells[static_cast<std::size_t>(fbar_column)]);
      EXPECT_NE(r.cells[static_cast<std::size_t>(fbar_column)],
                r.cells[static_cast<std::size_t>(mean_f_column)]);
    }
    EXPECT_EQ(in_retro, own) << "peel " << k;
  }
  const std::string rho = slurp(dir / "retro/retro/retro_rho.csv");
  EXPECT_EQ(rho.substr(0, rho.find('\n')), "quantity,rho,peels");
  EXPECT_NE(rho.find("\nssb,"), std::string::npos);
  EXPECT_NE(rho.find("\nfbar,"), std::string::npos);
  EXPECT_NE(rho.find(",3\n"), std::string::npos);

  // The hindcast: the closing line, and peel 1's prediction of fleet 1's index at age 5 in 2014
  // worked from the tables: the peel's N, M and F at age 4 in 2013, the full run's catch and M
  // at age 5 in 2014 (the catch at mid-year), the peel's catchability, the fleet at mid-year.
  EXPECT_NE(run.out.find("\nHindcast MASE (below 1 foresees the survey better than its last "
                         "year): SSB survey 1 "),
            std::string::npos)
      << run.out;
  const auto cell = [](const fs::path& file, const std::map<std::string, std::string>& where,
                       const std::string& column) {
    const CsvFile csv = read_csv(file.string());
    for (const CsvRow& r : csv.rows) {
      const bool match = std::all_of(where.begin(), where.end(), [&](const auto& w) {
        return r.cells[static_cast<std::size_t>(required_column(csv, w.first))] == w.second;
      });
      if (match)
        return std::stod(r.cells[static_cast<std::size_t>(required_column(csv, column))]);
    }
    ADD_FAILURE() << file << " has no row for " << column;
    return 0.0;
  };
  const fs::path peel1 = dir / "retro/retro/peel1/output.out.tables";
  const fs::path main_tables = dir / "retro/output.out.tables";
  const std::map<std::string, std::string> age4 = {{"year", "2013"}, {"age", "4"}};
  const std::map<std::string, std::string> age5 = {{"year", "2014"}, {"age", "5"}};
  const double n = cell(peel1 / "stock.csv", age4, "n") *
                   std::exp(-cell(peel1 / "stock.csv", age4, "m") - cell(peel1 / "stock.csv", age4, "f"));
  const double m = cell(main_tables / "stock.csv", age5, "m");
  const double rate = cell(main_tables / "stock.csv", age5, "catch") * std::exp(m * .5) / n;
  const double q = cell(peel1 / "surveys.csv",
                        {{"kind", "fleet"}, {"number", "1"}, {"year", "2013"}, {"age", "5"}},
                        "catchability");
  EXPECT_NEAR(cell(dir / "retro/retro/hindcast.csv",
                   {{"kind", "fleet"}, {"number", "1"}, {"peel", "1"}, {"age", "5"}}, "predicted"),
              q * n * std::exp(-.5 * (m - std::log(1 - rate))), 1e-9 * q * n);

  // With the analysis starting in 2010, the fourth peel keeps a single year, too few cells for
  // the central window of the catch loss: it is reported, and rho comes from the other three.
  copy_folder(kSourceDir / "demo", dir / "short/demo");
  const BatchRun short_run = run_batch(dir / "short", "--retro 4 --set Text8=2010 --no-tables");
  ASSERT_EQ(short_run.exit_code, 0) << short_run.describe();
  EXPECT_NE(short_run.out.find("Peel 4: "), std::string::npos) << short_run.out;
  EXPECT_NE(short_run.out.find("(from 3 of 4 peels)"), std::string::npos) << short_run.out;
  EXPECT_TRUE(fs::exists(dir / "short/retro/peel3/output.out"));
  EXPECT_FALSE(fs::exists(dir / "short/retro/peel3/output.out.tables"));
  EXPECT_FALSE(fs::exists(dir / "short/output.out.tables"));
}

// quorvane-batch --leave-out, against runs with the series taken out by hand. The demo uses SSB
// survey 1 and fleets 1-4 (weights .2, .2, .1, .2; fleet 4 at time 0.9, the others before it at
// 0.5 and 0.99): without fleet 2, fleets 3 and 4 take places 2 and 3 with their files, times and
// weights; without the only SSB survey, the SSB surveys are switched off.
TEST(LeaveOut, EachRunIsTheRunWithTheSeriesTakenOutByHand) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "all/demo");
  const BatchRun run = run_batch(dir / "all", "--leave-out --fbar 4-6");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_NE(run.err.find("leave one out: 5 of 5 runs finished\n"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("\nWithout fleet 2 (Aged survey fleet 2): terminal f "),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(", F-bar 4-6 "), std::string::npos) << run.out;

  const std::pair<const char*, const char*> by_hand[] = {
      {"fleet2",
       "--set Text48=3 --set Text50=demo/fleet3.txt --set Text51=demo/fleet4.txt --set Text58=0.9 "
       "--set Text103=.1 --set Text104=.2"},
      {"ssb1", "--set Text38=2"}};
  for (const auto& [key, sets] : by_hand) {
    const fs::path single = dir / key;
    copy_folder(kSourceDir / "demo", single / "demo");
    ASSERT_EQ(run_batch(single, std::string(sets) + " --fbar 4-6").exit_code, 0) << key;
    const std::string without = slurp(dir / "all/leave_out" / key / "output.out");
    EXPECT_FALSE(without.empty()) << key;
    EXPECT_TRUE(without == slurp(single / "output.out")) << key;
    EXPECT_EQ(slurp(dir / "all/leave_out" / key / "output.out.tables/summary.csv"),
              slurp(single / "output.out.tables/summary.csv"))
        << key;
  }
  // Without fleet 2 the scan settles on another terminal f: the change is not 0. The table holds
  // a row per series in the order of the fields.
  const CsvFile change = read_csv((dir / "all/leave_out/leave_out_change.csv").string());
  const int key_column = required_column(change, "left_out");
  const int ssb_column = required_column(change, "ssb_change");
  std::vector<std::string> keys;
  for (const CsvRow& r : change.rows) keys.push_back(r.cells[static_cast<std::size_t>(key_column)]);
  EXPECT_EQ(keys, (std::vector<std::string>{"ssb1", "fleet1", "fleet2", "fleet3", "fleet4"}));
  EXPECT_NE(change.rows[2].cells[static_cast<std::size_t>(ssb_column)], "0");

  // A run without SSB surveys and fleets has nothing to leave out.
  const BatchRun bare = run_batch(dir / "all", "--leave-out --set Text38=2 --set Text47=2");
  EXPECT_EQ(bare.exit_code, 1) << bare.describe();
  EXPECT_NE(bare.err.find("no leave one out: the run uses no SSB survey and no aged fleet"),
            std::string::npos)
      << bare.err;
}

}  // namespace
}  // namespace quorvane::testing
