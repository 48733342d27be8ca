// The short-term forecast: the fitted stock carried forward from the last year with catch, D,
// through the intermediate year D+1 at status quo fishing into the advice year D+2 at a range of
// fishing levels, with the SSB at the start of D+3 that each level leaves.
//
// With the catch taken at the fraction `part` of the year, as in the fit, for each age a of a
// forecast year t:
//   N(a+1, t+1) = N(a, t) exp(-M(a) - F(a))              survivors (a plus group keeps its own)
//   C(a, t)     = (1 - exp(-F(a))) N(a, t) exp(-M(a) part)  catch in numbers
//   Y(t) = sum_a C(a, t) W(a),   SSB(t) = sum_a N(a, t) SW(a) mat(a)  (at the start of t)
// N(a, D+1) are the survivors of year D under its fitted M and F. The youngest age of every
// forecast year is the geometric mean of the fitted recruitment over the chosen years. W, SW, M
// and mat are the means of the last `mean_years` years with catch (SW, the stock weights, are W
// unless the run has stock weights of its own); F(a) = x Fsq(a), x the F
// multiplier and Fsq the mean F at age of those years scaled so that its F-bar is the F-bar of
// year D (status quo fishing). The intermediate year is fished at status quo, or at the x that
// takes a catch the user expects for it; the advice year at x = 0, 0.1, ..., 2, at Fpa, Flim and
// Fmsy, by the MSY approach (F-bar = Fmsy SSB / MSY Btrigger when the SSB at the start of D+2 is
// below MSY Btrigger), and at the x that leaves SSB at Bpa at the start of D+3.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/forecast_row.h"
#include "report/results_record.h"
#include "state/forecast_settings.h"
#include "state/reference_points.h"

namespace quorvane {

// The fit cannot carry a forecast with these settings; the message says why.
class ForecastError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ForecastInput {
  std::span<const StockCell> cells;  // the fitted block, years outer, ages inner
  double part = 0;                   // fraction of the year before the catch
  bool plus_group = false;           // the oldest age is a plus group
  std::array<int, 2> fbar_ages{};    // first and last age of F-bar
  ReferencePoints reference;         // Fpa and Flim, when stated, add options
  ForecastSettings settings;
};

// One age at the start of the intermediate year, with what the forecast assumes for it.
struct ForecastAge {
  int age = 0;
  double n = 0;  // survivors of year D; the assumed recruitment at the youngest age
  double f = 0;  // status quo F
  double weight = 0, m = 0, maturity = 0;
  double stock_weight = 0;  // weighs SSB; `weight` weighs the catch
};

struct Forecast {
  int data_year = 0;                       // D, the last year with catch
  std::array<int, 2> mean_years{};         // first and last year of the means
  std::array<int, 2> recruitment_years{};  // first and last year of the geometric mean
  double recruitment = 0;                  // the assumed recruitment
  double fbar_status_quo = 0;              // F-bar of year D
  std::vector<ForecastAge> ages;           // at the start of D+1, youngest first
  std::vector<ForecastRow> rows;           // D+1 at status quo, then the options for D+2
};

// The F multipliers of the advice year: 0 to 2 by 0.1 (Fpa and Flim follow when stated).
inline constexpr int kForecastSteps = 20;
inline constexpr double kForecastStep = 10;  // x = i / 10

// The input of the forecast of a fit: its cells with the settings of the run state (the catch
// moment, the plus group, the F-bar ages, the reference points, what the forecast assumes).
ForecastInput forecast_input_of(const RunState& s, std::span<const StockCell> cells);

// ForecastError naming the reason when the settings ask for years the fit does not hold, or
// the recruitment or the status quo F-bar is 0; ArithmeticFault for a value that is not finite.
Forecast make_forecast(const ForecastInput& in);

// One line for a person: the intermediate and advice years at status quo fishing.
std::string forecast_summary(const Forecast& forecast);

}  // namespace quorvane
