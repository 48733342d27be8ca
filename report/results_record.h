// The values of the main run as the results file holds them, kept for the tidy tables that are
// written beside it when the run is over. The results writer fills the record while it writes
// the file, so every value here is the unrounded number whose rounded text stands in the file,
// or is computed beside it from the same cells; the bootstrap adds the estimates of each of its
// runs. By the end of a run the run state holds the last bootstrap run's fit and drawn data, so
// the tables cannot be taken from it then.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "report/equilibrium_row.h"
#include "report/forecast_row.h"
#include "report/per_recruit_row.h"
#include "state/run_state.h"

namespace quorvane {

// One year of the stock summary (years yearmin..yearmax).
struct SummaryYear {
  double year = 0;
  double f = 0;                        // year factor f(y)
  double recruitment = 0;              // N(agemin, y)
  double stock_numbers = 0;            // sum_a N
  double stock_weight = 0;             // sum_a N W
  double ssb = 0;                      // sum_a N W mat
  double ssb_survey_time = 0;          // sum_a N exp(-parysp (M - ln|1 - f s|)) W mat
  std::optional<double> catch_weight;  // sum_a C W; none in a last year without catch
  double mean_f = 0;                   // mean over the analysed ages of F = -ln|1 - f s|
  double fbar = 0;                     // mean of F over the F-bar ages (report/fbar.h)
};

// One cell of the analysed block; years outer, ages inner.
struct StockCell {
  double year = 0, age = 0;
  double catch_numbers = 0, weight = 0, m = 0, maturity = 0, n = 0, s = 0, gfactor = 0, phy = 0;
  double stock_weight = 0;    // the weight SSB is weighed with; `weight` weighs the catch
  double f = 0;               // -ln|1 - f s| of the model, in every cell
  double catch_residual = 0;  // the catch residual as the fit left it
};

// One observation of an SSB survey or of an aged fleet. The log residual is
// ln fitted - ln observed; it and the fitted value are absent where the fit cannot be set
// against the observation (a fleet of mature fish in a cell without mature fish, for example).
struct SurveyPoint {
  enum class Kind { Ssb, Fleet };
  Kind kind = Kind::Ssb;
  int number = 0;  // survey or fleet number k
  double year = 0;
  std::optional<double> age;  // fleets only
  double observed = 0;        // a fleet that compares proportions holds the proportion at age
  std::optional<double> fitted;
  std::optional<double> residual;
  std::optional<double> catchability;  // fleet: index = catchability x stock at survey time
  std::optional<double> coefficient;   // SSB survey: index x coefficient = SSB at survey time
};

// One component of the total loss and its weight.
struct LossComponent {
  std::string name;  // "catch", "ssb1".."ssb3", "fleet1".."fleet7"
  double loss = 0;
  double weight = 0;
};

// The estimates of one bootstrap run, by year (yearmin..yearmax): f, total stock in weight and
// SSB as its bootstrap lines hold them, and the recruitment, which no bootstrap file holds.
struct BootstrapRun {
  int replicate = 0;  // bootn of the run
  std::vector<double> f, stock_weight, ssb, recruitment;
  std::vector<double> fbar;     // not a number in a year where a cell has f s = 1
  std::optional<double> outer;  // MC or ALFA of the run, when the run searched it
  // The run's short-term forecast, when one was asked for and the run's fit could carry it:
  // its rows, as the main fit's forecast has them (report/forecast.h).
  std::vector<ForecastRow> forecast;
  // The reference points of its per-recruit curves, made with its forecast.
  std::vector<PerRecruitRow> per_recruit;
  // Fcrash and the deterministic Fmsy of its equilibrium, under the segmented regression of its
  // own year classes.
  std::vector<EquilibriumRow> equilibrium;
};

// An independent bootstrap replicate that met an arithmetic fault: it is left out of the
// bootstrap files and of the quantiles, and listed in bootfailed.out.
struct ReplicateFailure {
  int replicate = 0;
  std::string message;
};

// How an aged fleet sees the stock: the fraction of the year at which it fishes, the part of the
// stock its index measures (1 all, 2 the mature, 3 the immature fish) and what is compared (1 the
// index against the numbers; 2 and 3 proportions at age).
struct FleetModel {
  double time = 0;
  int measures = 1;
  int comparison = 1;
};

struct ResultsRecord {
  // Set when the whole results file has been written; a fault part way leaves it unset.
  bool complete = false;
  bool stopped = false;  // the user stopped the run; the estimates are those of the moment
  std::vector<SummaryYear> years;
  std::vector<StockCell> cells;
  std::vector<SurveyPoint> surveys;  // SSB surveys by survey and year, then fleets by fleet,
                                     // year and age
  double terminal_f = 0;
  std::optional<double> m;     // constant M, when searched
  std::optional<double> alfa;  // ALFA of the M at age, when searched
  std::vector<LossComponent> losses;
  double total_loss = 0;
  std::optional<double> se_log_n, se_log_f;  // the two overall standard errors (none with one
                                             // age in their block)
  long evaluations = 0;
  std::vector<BootstrapRun> bootstrap;               // runs 1, 2, ... that finished
  std::vector<ReplicateFailure> bootstrap_failures;  // independent replicates that failed
  bool independent_replicates = false;               // the bootstrap was of independent kind
  std::string fbar_ages;                             // "3-7", the ages of F-bar
  std::string units_numbers, units_weight;           // as the user stated them
  std::string stock_weight_file;  // the stock weights' file; empty when the stock is weighed
                                  // with the catch weights
  std::array<std::string, kFleetSlots> fleet_names;  // from the fleets' title lines, or empty
  // What it takes to carry the fit a year on and predict its surveys (run/hindcast.h): the
  // fraction of the year before the catch, the plus group, the SSB surveys' time, the fleets.
  double part = 0;
  bool plus_group = false;
  double ssb_survey_time = 0;
  std::array<FleetModel, kFleetSlots> fleet_models{};
};

// The name of fleet k from its file's title line; empty when it has none or k is no fleet's place.
std::string fleet_name(const ResultsRecord& r, int k);

// ---- Filling the record, called by the writers of the results and bootstrap files ----------

// A new record for the results file being written; it replaces the run state's earlier one.
ResultsRecord& start_results_record(RunState& s);

// Cell (a, y) of the run state's fit, with its maturity and its log survival ln|1 - f s|.
StockCell stock_cell_of(const RunState& s, int a, int y, double maturity, double log_survival);

// Cell (a, y) of the stock summary's loop, with the maturity and the log survival
// ln|1 - f s| that the summary took for it.
void record_cell(ResultsRecord& r, const RunState& s, int a, int y, double maturity,
                 double log_survival);

// Year y of the stock summary, after its cells.
void record_year(ResultsRecord& r, const RunState& s, int y, double stock_numbers,
                 double stock_weight, double ssb, double ssb_survey_time);

// SSB survey k in year y with the survey-time SSB and the residual of the summary.
void record_ssb_survey(ResultsRecord& r, const RunState& s, int k, int y, double ssb_survey_time,
                       double residual);

// Fleet k in cell (a, y) of its residual block: the index in hand, the residual written and the
// fitted index where the residual exists.
void record_fleet_cell(ResultsRecord& r, const RunState& s, int k, int a, int y, double residual,
                       std::optional<double> fitted);

// The estimates, the losses and the standard errors, at the end of the results file.
void record_estimates(ResultsRecord& r, const RunState& s, std::optional<double> se_log_n,
                      std::optional<double> se_log_f);

// A finished bootstrap run (bootn >= 1): its f, TSB and SSB lines and its recruitment. Nothing
// when the run state has no record.
void record_bootstrap_run(RunState& s, BootstrapRun run);

}  // namespace quorvane
