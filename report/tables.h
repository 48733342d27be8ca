// The tidy tables: after a run whose results file was written, a folder beside it named after it
// ("output.out.tables/" for "output.out") holds five CSV files in long form, for reading into R,
// Python or a spreadsheet:
//   summary.csv    one row per year: f, recruitment, total stock in numbers and weight, SSB, SSB
//                  at survey time, catch in weight, mean F; after a bootstrap the 5%, 50% and 95%
//                  quantiles of SSB, f, total stock in weight and recruitment
//   stock.csv      one row per year and age of the analysed block
//   surveys.csv    one row per survey observation, SSB surveys first, then the aged fleets,
//                  each fleet with the name of its file's title line
//   estimates.csv  name, value: the searched parameters, the losses, the standard errors
//   run.csv        every field with its label and text, the ages of F-bar, the units, the
//                  program version, the time of the run
//   replicates.csv after an independent bootstrap: each replicate, finished or failed and why
//   forecast.csv, forecast_input.csv
//                  when a short-term forecast was asked for (report/forecast.h): each forecast
//                  year and fishing level, after a bootstrap with the quantiles of the runs'
//                  forecasts; the numbers and assumptions it starts from, by age
//   per_recruit.csv with the forecast: yield and SSB per recruit along F-bar and at the reference
//                  points F0.1, Fmax, F35%SPR and F40%SPR (report/per_recruit.h)
//   equilibrium.csv with the per-recruit curves, when the year classes give a segmented
//                  regression with a plateau: recruitment, SSB and yield in equilibrium along
//                  F-bar, then at Fcrash and Fmax (report/equilibrium.h)
// UTF-8, comma-separated, one header row, LF line ends; numbers in the shortest text that reads
// back to the same double; an empty cell where a value does not exist. The values come from the
// run's record (report/results_record.h), so they are those the results file rounded.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/equilibrium.h"
#include "report/forecast.h"
#include "report/per_recruit.h"
#include "report/results_record.h"
#include "report/stochastic_equilibrium.h"
#include "state/reference_points.h"

namespace quorvane {

// One line of run.csv.
struct RunField {
  std::string name;   // "Text1".."Text115"
  std::string label;  // the label the window shows for it
  std::string text;   // the text the run used
};

// What run.csv and estimates.csv hold beyond the record.
struct RunDescription {
  std::vector<RunField> fields;
  std::string version;  // the program version
  std::string time;     // when the run started, "YYYY-MM-DDTHH:MM:SSZ"
  double sigma = 0;     // the spread of the bootstrap's catch perturbation
  // Rows after the fields, each written when not empty.
  std::string fbar_ages;                    // the ages of F-bar, "3-7"
  std::string units_numbers, units_weight;  // units of catch numbers and of weights
  std::string stock_weight_file;            // the stock weights' file, when the run has one
  ReferencePoints reference;                // those stated
  std::optional<Forecast> forecast;         // when one was asked for and could be made
  std::optional<PerRecruit> per_recruit;    // made with the forecast
  std::optional<Equilibrium> equilibrium;   // made with the per-recruit curves
  // made with the equilibrium when the run asks for simulated stocks
  std::optional<StochasticEquilibrium> stochastic_equilibrium;
};

// The folder of the tables beside a results file: its path with ".tables" appended.
std::string tables_folder(const std::string& results_path);

// Creates the folder when needed and writes the files into it, replacing earlier ones; a file
// this run does not write (replicates.csv, the forecast) is removed, so that none from an earlier
// run stands beside the new ones.
// InputError naming the path when the folder or a file cannot be written.
void write_tables(const std::string& folder, const ResultsRecord& record,
                  const RunDescription& run);

// The texts of the five files, as written.
std::string summary_csv(const ResultsRecord& record);
std::string stock_csv(const ResultsRecord& record);
std::string surveys_csv(const ResultsRecord& record);
// estimates.csv; with a stochastic equilibrium, also the spread and autocorrelation of its
// recruitment and its Blim.
std::string estimates_csv(const ResultsRecord& record, double sigma,
                          const StochasticEquilibrium* stochastic = nullptr);
std::string run_csv(const RunDescription& run);
// One row per independent replicate: its number, whether it finished, the fault of one that did
// not. Empty for a chained bootstrap, which writes no such file.
std::string replicates_csv(const ResultsRecord& record);
// forecast.csv: one row per forecast year and fishing level, with the change of SSB over the
// year in per cent; after a bootstrap whose runs made forecasts, the 5 %, 50 % and 95 %
// quantiles of each row's catch and SSB at the start of the next year over those runs, and
// their number.
std::string forecast_csv(const Forecast& forecast, const std::vector<BootstrapRun>& runs = {});
// forecast_input.csv: one row per age, the numbers at the start of the intermediate year and
// what the forecast assumes for the age.
std::string forecast_input_csv(const Forecast& forecast);
// per_recruit.csv: the yield and SSB per recruit along F-bar, then at the reference points; after
// a bootstrap whose runs made them, the 5 %, 50 % and 95 % quantiles of each reference point's
// F-bar over the runs that have it, and their number (empty cells on the curve's rows).
std::string per_recruit_csv(const PerRecruit& per_recruit,
                            const std::vector<BootstrapRun>& runs = {});
// equilibrium.csv: recruitment, SSB and yield in equilibrium along F-bar, then at Fcrash (where
// the SSB is the breakpoint's and the recruitment the plateau's) and at the deterministic Fmsy;
// after a bootstrap whose runs found them, the quantiles of each point's F-bar over the runs that
// have it, as per_recruit.csv has them.
std::string equilibrium_csv(const Equilibrium& equilibrium,
                            const std::vector<BootstrapRun>& runs = {});
// stochastic_equilibrium.csv: the quantiles of yield, SSB and recruitment over the simulated
// stocks' kept years and the share of those years below Blim, along F-bar, then at the points.
std::string stochastic_equilibrium_csv(const StochasticEquilibrium& equilibrium);

// A number as a cell: the shortest text that reads back to the same double ("0.1", "1984",
// "1e-07"); zero as "0"; empty for a value that is not finite.
std::string csv_number(double v);

// A text as a cell: quoted, with inner quotes doubled, when it holds a comma, a quote or a line
// break; bytes that are not UTF-8 are taken as Latin-1 and converted.
std::string csv_text(std::string_view text);

// The p-quantile of the values: with the values sorted, x_0 <= ... <= x_(n-1), and h = (n - 1) p,
// x_floor(h) + (h - floor(h)) (x_(floor(h)+1) - x_floor(h)): linear interpolation between the
// order statistics, so the 50% quantile of an even number of values is the mean of the middle
// two. Values that are not finite are left out; not a number when none is left.
double quantile(std::span<const double> values, double p);
// The same of values that are all finite, reordering them.
double quantile_in_place(std::vector<double>& values, double p);

}  // namespace quorvane
