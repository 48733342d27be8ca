// The charts of a run, drawn from its tables folder: the same charts for the results window of
// the window program and for quorvane-plot, which writes them to files without a display.
//
// The charts and their file stems, in display order, by group:
// The stock:
//   ssb                 SSB by year, the 5-95 % bootstrap band when the run had a bootstrap, and
//                       the SSB surveys times their coefficients beside SSB at survey time;
//                       Blim and Bpa when the run states them
//   f                   the year factor f(y) and F-bar (or the mean F of tables without it),
//                       with the F-bar's bootstrap band; Flim and Fpa when the run states them
//   selection           F at age relative to its largest, in each of the last five years
//   recruitment         N at the first analysed age, by year
//   stock_recruitment   each year class's recruits against the SSB of the year that spawned it
//   status              SSB over MSY Btrigger (or Bpa) against F-bar over Fmsy (or Fpa), year by
//                       year, when the run states the pair
// Forecast and per recruit:
//   forecast            the catch of the advice year and the SSB it leaves, against F-bar, from
//                       the short-term forecast when the run made one, with their bootstrap
//                       bands after a bootstrap; the reference points
//   per_recruit         yield and SSB per recruit against F-bar, with F0.1, Fmax, F35%SPR and
//                       F40%SPR (their bootstrap ranges shaded), when the run made a forecast
//   equilibrium         yield and SSB in equilibrium against F-bar under the segmented
//                       regression of recruitment on SSB, with Fcrash and the deterministic
//                       Fmsy, when the run made them with its per-recruit curves
//   stochastic_equilibrium  the simulated stocks' median yield with its 5-95 % range and
//                       their share of years below Blim against F-bar, with the stochastic
//                       Fmsy, Fp.05 and Flim, when the run simulated stocks
// The data:
//   weights_at_age      the catch weight of each age by year
//   catch_curves        the logarithm of each year class's catch along its years
// The fit:
//   catch_residuals     catch log residuals by year and age as bubbles: area proportional to
//                       |residual|, one colour for positive and one for negative
//   fleetK_residuals    the same for each aged fleet K
//   ssb_surveyK_fit     observed and fitted of SSB survey K, by year
//   fleetK_fit          observed against fitted of aged fleet K, one colour per age
//   ssb_surveyK_runs, fleetK_runs
//                       the runs test of the survey's log residuals by year (a fleet's mean
//                       over its ages) within 3 sigma of the moving ranges
//   fleetK_consistency  the internal consistency of aged fleet K: each year class's index at
//                       one age against its index at the next age a year later, one colour per
//                       pair of ages, with the correlation of their logarithms
// Retrospective and leave one out:
//   retrospective_ssb, retrospective_mean_f
//                       SSB and F-bar (the mean F of a retro.csv without it) of the full run
//                       and of each peel, when retro.csv exists
//   hindcast_ssb_surveyK, hindcast_fleetK
//                       each survey's index by year and age with the peels' predictions of
//                       the year after their data, when hindcast.csv is beside retro.csv
//   leave_out_ssb, leave_out_fbar
//                       SSB and F-bar of the run with every tuning series and of the runs
//                       without one of them, when leave_out.csv exists
// The search:
//   loss_profile_f, loss_profile_m, loss_profile_alfa
//                       the total loss along the scan of terminal f (and of M or ALFA), when
//                       the search log beside the tables is this run's scan
//   loss_components_f   each component's weighted loss along a scan of terminal f alone, above
//                       its own least value, beside the total's
#pragma once

#include <QByteArray>
#include <QChart>
#include <QSize>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/stock_recruit.h"
#include "state/reference_points.h"

namespace quorvane::plot {

enum class ImageFormat { Png, Svg };

// The format a command line names ("png" or "svg"); nothing for any other word.
std::optional<ImageFormat> image_format_named(std::string_view word);

struct ChartInfo {
  std::string name;   // the file stem, e.g. "ssb"
  std::string title;  // the chart's title
  std::string group;  // the kind of chart, one of the k...Charts below
};

// The groups of the charts, in the order available_charts lists them.
inline constexpr const char* kStockCharts = "The stock";
inline constexpr const char* kAdviceCharts = "Forecast and per recruit";
inline constexpr const char* kDataCharts = "The data";
inline constexpr const char* kFitCharts = "The fit";
inline constexpr const char* kAnalysisCharts = "Retrospective and leave one out";
inline constexpr const char* kSearchCharts = "The search";

// One row of summary.csv. An empty cell is an empty optional.
struct SummaryRow {
  int year = 0;
  std::optional<double> f, recruitment, ssb, mean_f;
  std::optional<double> ssb_survey_time;  // SSB at the time of the SSB surveys
  // The bootstrap quantiles, present after a bootstrap.
  std::optional<double> ssb_q05, ssb_q50, ssb_q95;
  std::optional<double> recruitment_q05, recruitment_q95;
  std::optional<double> fbar, fbar_q05, fbar_q95;  // F-bar, absent in tables written before it
};

// One row of stock.csv, the part the charts use.
struct StockRow {
  int year = 0;
  int age = 0;
  std::optional<double> catch_log_residual;
  std::optional<double> f;  // F at age; absent in tables cut down to the residuals
  std::optional<double> catch_numbers, weight;  // the catch and its weight at age, as input
};

// One row of surveys.csv.
struct SurveyRow {
  enum class Kind { Ssb, Fleet };
  Kind kind = Kind::Ssb;
  int number = 0;
  int year = 0;
  std::optional<int> age;  // empty for an SSB survey
  std::optional<double> observed, fitted, log_residual, catchability, coefficient;
};

// One row of retro.csv; peel 0 is the full run.
struct RetroRow {
  int peel = 0;
  int year = 0;
  std::optional<double> ssb, f, mean_f, recruitment;
  std::optional<double> fbar;  // absent in a retrospective written before it
};

// One row of retro_rho.csv: Mohn's rho of "ssb", "mean_f", "recruitment" or "fbar".
struct RetroRhoRow {
  std::string quantity;
  std::optional<double> rho;
};

// One row of hindcast.csv: a peel's prediction of a survey index of the year after its data.
struct HindcastRow {
  bool ssb = false;  // an SSB survey; else an aged fleet
  int number = 0;
  int peel = 0;
  int year = 0;
  std::optional<int> age;
  std::optional<double> observed, predicted, naive;
};

// One row of hindcast_mase.csv: the skill of a series (no age) or of one age of a fleet.
struct HindcastMaseRow {
  bool ssb = false;
  int number = 0;
  std::optional<int> age;
  std::optional<double> mase;
  int predictions = 0;
};

// One row of leave_out.csv: a year of the run without one tuning series ("fleet2"), or of the
// run with all of them ("none").
struct LeaveOutRow {
  std::string left_out;
  std::string name;  // the series' name, when its file has one
  int year = 0;
  std::optional<double> ssb, fbar;
};

// One row of forecast.csv: a forecast year under one fishing level.
struct ForecastRowData {
  int year = 0;
  std::string option;  // "status quo", "F = 0", "F x 0.5", "Fpa", "Flim", "SSB = Bpa", ...
  std::optional<double> fbar, catch_weight, ssb, ssb_next;
  // The bootstrap's 5 % and 95 % quantiles, after a bootstrap.
  std::optional<double> catch_q05, catch_q95, ssb_next_q05, ssb_next_q95;
};

// One row of per_recruit.csv: yield and SSB per recruit at one F-bar.
struct PerRecruitRowData {
  std::string
      option;  // "F = 0", "F x 0.05", ..., "status quo", ...; "F0.1", "Fmax", "F35%SPR", ...
  std::optional<double> fbar, ypr, spr_percent;
  std::optional<double> fbar_q05, fbar_q95;  // a reference point's bootstrap quantiles
};

// One row of equilibrium.csv: recruitment, SSB and yield in equilibrium at one F-bar.
struct EquilibriumRowData {
  // "F = 0", "F x 0.05", ..., "status quo", ...; "Fcrash", "Fmsy (deterministic)"
  std::string option;
  std::optional<double> fbar, ssb, yield;
  std::optional<double> fbar_q05, fbar_q95;  // a point's bootstrap quantiles
};

// One row of stochastic_equilibrium.csv: the simulated stocks' yield and their share of years
// below Blim at one F-bar.
struct StochasticRowData {
  // "F = 0", "F x 0.05", ..., "status quo", ...; "Fmsy (stochastic)", "Fp.05", "Flim
  // (stochastic)", "Fmsy (precautionary)"
  std::string option;
  std::optional<double> fbar, yield_q05, yield_q50, yield_q95, p_below_blim;
};

// One evaluation of the main run's scan: its grid point and total loss.
struct ScanPoint {
  double f = 0;      // terminal f
  double outer = 0;  // M or ALFA of a scan over two parameters, else 0
  double total_loss = 0;
  // The loss of each component before its weight, in the order of PlotData::scan_components;
  // empty when the log's columns could not be read.
  std::vector<double> components;
};

// A component of the total loss in the search log: "catch", "ssb1", "fleet2", with its weight.
struct LossColumn {
  std::string key;
  double weight = 0;
};

// What the charts need from a tables folder.
struct PlotData {
  std::string folder;  // the tables folder read
  std::vector<SummaryRow> summary;
  std::vector<StockRow> stock;
  std::vector<SurveyRow> surveys;
  std::vector<RetroRow> retro;         // empty without a retrospective
  std::vector<RetroRhoRow> retro_rho;  // from retro_rho.csv beside retro.csv, when it is there
  std::vector<HindcastRow> hindcast;   // from hindcast.csv beside retro.csv, when it is there
  std::vector<HindcastMaseRow> hindcast_mase;   // from hindcast_mase.csv beside it
  std::vector<LeaveOutRow> leave_out;           // empty without a leave-one-out analysis
  std::string leave_out_folder;                 // where leave_out.csv was found
  std::vector<ForecastRowData> forecast;        // from forecast.csv, when the run made a forecast
  std::vector<PerRecruitRowData> per_recruit;   // from per_recruit.csv, made with the forecast
  std::vector<EquilibriumRowData> equilibrium;  // from equilibrium.csv, made with per_recruit
  // from stochastic_equilibrium.csv, when the run simulated stocks
  std::vector<StochasticRowData> stochastic_equilibrium;
  // From run.csv, when it names them: the ages of F-bar ("3-7") and the units of catch numbers
  // and weights ("thousands", "kg"); empty or "not stated" otherwise.
  std::string fbar_ages, units_numbers, units_weight;
  ReferencePoints reference;               // from run.csv, those the run stated
  std::map<int, std::string> fleet_names;  // from surveys.csv's name column, by fleet number
  // The main run's scan in the order it was made, from the search log beside the tables when
  // the log is this run's (read_scan_profile); empty after a precise search or without it.
  std::vector<ScanPoint> scan;
  std::string scan_outer;                   // "M" or "ALFA" when the scan ran over that too
  std::vector<LossColumn> scan_components;  // the components each scan point holds
  // When the scan's best point is an end of its grid, what the run said of it (one line each).
  std::vector<std::string> scan_notes;
};

// "F-bar, ages 3-7", or "F-bar" when the tables do not say its ages.
std::string fbar_label(const PlotData& data);

// The chart name of aged fleet k: its name from the tables, or "Fleet k".
std::string fleet_title(const PlotData& data, int k);

// The unit of a biomass axis: "t" for thousands of fish times kg, "<numbers> x <weight>" for
// other stated units, empty when either is not stated.
std::string biomass_unit(const PlotData& data);

// A bootstrap band as the chart draws it: the 5 % and 95 % values of the years where both are
// finite, each placed between 0 and `cap`; `cut` when a 95 % value was above the cap.
struct BandPoints {
  std::vector<std::pair<double, double>> lower, upper;  // (year, value)
  bool cut = false;
};
BandPoints clamped_band(const std::vector<SummaryRow>& rows, std::optional<double> SummaryRow::*low,
                        std::optional<double> SummaryRow::*high, double cap);

// The selection pattern of one year: F at each age divided by the year's largest F at age.
struct SelectionYear {
  int year = 0;
  std::vector<std::pair<int, double>> relative_f;  // (age, F / largest F), by age
};

// The internal consistency of an aged fleet between ages a and a + 1: the index of each year
// class at age a in year y against the same year class's index at age a + 1 in year y + 1, where
// both are above 0. A fleet that follows its year classes from age to age shows a tight,
// rising cloud and a correlation near 1; one whose indices carry little of the year-class
// strength, a shapeless cloud.
struct ConsistencyPair {
  int age = 0;                                    // a
  std::vector<std::pair<double, double>> points;  // (index at a, index at a + 1)
  std::optional<double> r;  // Pearson correlation of the logarithms; none below 3 points or
                            // without spread
};

// The pairs of consecutive ages of aged fleet `fleet` in surveys.csv that have a point, in order
// of age.
std::vector<ConsistencyPair> fleet_consistency(const PlotData& data, int fleet);

// The selection patterns of the last `years` years of stock.csv that have an F above 0.
std::vector<SelectionYear> selection_patterns(const PlotData& data, int years);

// The year classes whose recruitment and parent SSB are both in the summary, in order of year.
// The first analysed age is the youngest age of stock.csv; none without it.
std::vector<YearClass> year_classes(const PlotData& data);

// The main run's scan from `minim_path`, the search log of the working directory. The log may
// belong to a later run with another results file, and after a bootstrap it goes on with the
// bootstrap runs: it is taken only when its first lines are the grid of this run's settings
// (run.csv) and the line after them, the evaluation at the best point, holds this run's terminal
// f and total loss (estimates.csv) to the log's decimals. Leaves `data` as it is otherwise.
void read_scan_profile(const std::string& tables_dir, const std::string& minim_path,
                       PlotData& data);

// The rows of the advice year (the last year of the forecast) at the fishing levels of its grid,
// in order of F-bar: the curve of the forecast chart. The rows at Fpa, at Flim and at SSB = Bpa,
// which the reference points' lines show, are left out.
std::vector<ForecastRowData> forecast_curve(const PlotData& data);

// One line per year class (the year it was at age 0), its ln C(a, y) by year, for the cells
// with a catch: a year class's slope is minus its total mortality, and lines that run parallel
// show a Z that does not change much from year class to year class. At least two cells each; the
// oldest age, often a plus group where year classes mix, is left out.
std::map<int, std::vector<std::pair<int, double>>> catch_curves(const PlotData& data);

// The stock's path against a pair of reference points: SSB over MSY Btrigger and F-bar over Fmsy
// when the run states both, else SSB over Bpa and F-bar over Fpa; none without either pair.
struct StatusPath {
  std::string b_name, f_name;  // "MSY Btrigger" and "Fmsy", or "Bpa" and "Fpa"
  struct Year {
    int year = 0;
    double b = 0, f = 0;  // SSB / the SSB point, F-bar / the F point
  };
  std::vector<Year> years;  // the years with SSB and F-bar
  // After a bootstrap, the 5 % and 95 % quantiles of the last year's ratios.
  std::optional<std::pair<double, double>> last_b_band, last_f_band;
};
std::optional<StatusPath> stock_status(const PlotData& data);

// Reads summary.csv, stock.csv, surveys.csv (and forecast.csv when it is there, retro.csv when it
// is in the folder or in <folder>/../retro/, leave_out.csv when it is in the folder or in
// <folder>/../leave_out/, and the scan from <folder>/../minim.out). InputError
// naming file, line and token on a malformed file or a missing required column; a missing
// summary.csv is an InputError naming the path.
PlotData read_plot_data(const std::string& tables_dir);

// The charts this data supports, in display order.
std::vector<ChartInfo> available_charts(const PlotData& data);

// A new chart (caller owns; QChartView::setChart takes it). Throws std::invalid_argument for a
// name not in available_charts.
QChart* make_chart(const PlotData& data, const std::string& name);

// The chart drawn at `size` as an SVG document.
QByteArray chart_svg(QChart* chart, QSize size = QSize(1200, 800));

// Renders the chart at `size` into a PNG or an SVG file. InputError naming the path when it
// cannot be written.
void save_chart(QChart* chart, const std::string& path, ImageFormat format,
                QSize size = QSize(1200, 800));

}  // namespace quorvane::plot
