// Two runs side by side, read back from their tables folders: the settings in which they differ,
// SSB, F-bar (the mean F over the analysed ages) and recruitment by year with the relative
// change from run A to run B, and a summary of that change over the last years in the manner of
// Mohn's rho, with run A in the place of the full run and run B in the place of a peel:
//   d = (1/n) sum_y (X_B(y) - X_A(y)) / X_A(y)
// over the last kRecentYears years in which both runs have X and X_A(y) != 0.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The years of the summary of the difference.
inline constexpr int kRecentYears = 5;

// One setting of a run, one row of its run.csv.
struct RunSetting {
  std::string name;   // the field, as run.csv's column "name" holds it ("Text7")
  std::string alias;  // a second name of the field where run.csv has a column "field"
  std::string label;
  std::string value;
};

// One year of a run's stock summary; the bands are the bootstrap's 5% and 95% quantiles.
struct RunYear {
  int year = 0;
  std::optional<double> ssb, ssb_q05, ssb_q95;
  std::optional<double> fbar, fbar_q05, fbar_q95;
  std::optional<double> recruitment, recruitment_q05, recruitment_q95;
  bool operator==(const RunYear&) const = default;
};

struct ComparedRun {
  std::string tables;  // the tables folder read
  std::vector<RunSetting> settings;
  std::string version;  // the program that ran it; empty when run.csv does not say
  std::string time;     // when the run started
  std::vector<RunYear> years;
};

// The tables folder of a run named by its results file ("output.out" -> "output.out.tables")
// or by the folder itself. InputError naming the path when neither exists.
std::string compared_tables_folder(const std::string& path);

// Reads summary.csv and run.csv of a run named as compared_tables_folder takes it. InputError
// naming file, line and token on a malformed table or a missing column.
ComparedRun read_compared_run(const std::string& path);

// A setting whose text differs; a setting that only one run has shows an empty text in the other.
struct SettingDifference {
  std::string name, alias, label;
  std::string a, b;
};

// One quantity in one year: both values and the relative change (b - a) / a, which exists when
// both values do and a != 0.
struct Change {
  std::optional<double> a, b, relative;
};

struct YearComparison {
  int year = 0;
  Change ssb, fbar, recruitment;
};

// The summary of the relative change of one quantity over the last years.
struct RecentChange {
  std::string quantity;  // "ssb", "fbar", "recruitment"
  std::optional<double> mean_relative;
  int first_year = 0, last_year = 0;  // the years it was taken over
  int years = 0;                      // how many
};

struct Comparison {
  std::vector<SettingDifference> settings;
  std::vector<YearComparison> years;  // every year of either run, in order
  std::vector<RecentChange> recent;   // ssb, fbar, recruitment
  // Same settings and the same summary in every year, bands included.
  bool identical = false;
};

Comparison compare_runs(const ComparedRun& a, const ComparedRun& b);

// The tables of a comparison, as written:
//   settings_diff.csv      name, label, run_a, run_b (and field, when the runs have it)
//   compare_by_year.csv    year, then for ssb, fbar and recruitment: _a, _b, _change
//   compare_recent.csv     quantity, mean_relative_change, first_year, last_year, years
std::string settings_diff_csv(const Comparison& c);
std::string compare_by_year_csv(const Comparison& c);
std::string compare_recent_csv(const Comparison& c);

// Writes the three tables into `folder`, made when needed; returns their paths. InputError naming
// the path when the folder or a file cannot be written.
std::vector<std::string> write_comparison_tables(const std::string& folder, const Comparison& c);

// What quorvane-compare prints: the two runs, then either that they are identical or the settings
// that differ and the summary of the change.
std::string comparison_text(const ComparedRun& a, const ComparedRun& b, const Comparison& c);

}  // namespace quorvane
