// The stock in equilibrium when recruitment varies: many stocks simulated over many years at each
// level of fishing, recruits drawn around the segmented regression of the fit's year classes
// (report/stock_recruit.h), every year fished with the forecast's selection, weights, M and
// maturity (report/forecast.h). The deterministic equilibrium (report/equilibrium.h) says where a
// stock settles with average recruitment; this says how often a stock fished at a given F-bar
// falls below Blim in its poor years, and which F gives the largest yield a working group can
// expect, which is what Fmsy, Flim and the precautionary check need.
//
// Recruitment. With e_y the residuals ln R - ln(slope min(SSB, breakpoint)) of the year classes in
// the order of their years, the recruits of year t are
//   R(t) = slope min(SSB(t - a0), breakpoint) exp(d(t)),   a0 the first analysed age,
//   d(t) = r d(t-1) + sqrt(1 - r^2) sd z(t),  d(0) = sd z(0),  z(t) independent standard normal,
// sd = sqrt(sum e^2 / (n - 2)) (the regression's two parameters taken off its n year classes) and
// r the lag-one autocorrelation sum e(y) e(y+1) / sum e^2, kept within +-kMostAutocorrelation.
// The curve is the median of the recruits, not their mean. With a first analysed age of 0 the
// recruits come from the SSB of the older fish of the same year.
//
// Fishing. With no error each stock is fished every year at exactly the F asked for. Assessment
// and advice error can be added: F at age in year t is then x Fsq(a) exp(g(t)), with g an
// autocorrelated normal series like d (its own spread and autocorrelation, its own numbers), so
// that the F realised scatters around the F asked for as it does between advice and reality.
//
// The advice rule. Optionally each year's F is cut in proportion to the SSB at the start of the
// year when that lies below MSY Btrigger, F = x Fsq(a) min(1, SSB / Btrigger) (before the fishing
// error), as advice under the MSY approach is; Fp.05 is then that of the rule, which is how a
// working group checks an Fmsy it will advise under the rule.
//
// Each simulated stock starts in the deterministic equilibrium of its level of fishing with the
// plateau's recruits, runs kBurnInYears years to forget that start, and the next kKeptYears years
// are kept. Every level of fishing meets the same recruitment deviations (the same stocks'
// luck), so that the curves along F-bar are smooth and their differences are those of fishing.
// The deviations of simulated stock i come from generators seeded from the run's seed and i
// alone.
//
// Read off the curves, as F-bar:
//   Fmsy (stochastic)     the level of the curve with the largest median yield;
//   Fp.05                 where the share of kept years with SSB below Blim reaches 5 %;
//   Flim (stochastic)     where it reaches 50 % (the median SSB is Blim);
//   Fmsy (precautionary)  Fmsy, or Fp.05 when that is lower;
// Fp.05 and Flim by linear interpolation between the curve's levels, every point simulated again
// at its own F. The 5 % quantile of SSB at the precautionary Fmsy is a candidate for MSY
// Btrigger.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/equilibrium.h"
#include "report/forecast.h"
#include "report/per_recruit.h"
#include "report/stock_recruit.h"
#include "state/uniform_random.h"

namespace quorvane {

inline constexpr int kBurnInYears = 50;
inline constexpr int kKeptYears = 50;
inline constexpr double kMostAutocorrelation = 0.9;
// The number of simulated stocks a run may ask for: enough for a 5 % quantile, and at most what
// the memory of an ordinary desktop holds comfortably (three values per stock and kept year).
inline constexpr int kLeastSimulations = 10;
inline constexpr int kMostSimulations = 20000;

inline constexpr const char* kStochasticFmsy = "Fmsy (stochastic)";
inline constexpr const char* kFp05 = "Fp.05";
inline constexpr const char* kStochasticFlim = "Flim (stochastic)";
inline constexpr const char* kPrecautionaryFmsy = "Fmsy (precautionary)";

// How recruitment varies around the segmented regression.
struct RecruitmentNoise {
  double sd = 0;               // of the logarithm of the recruits
  double autocorrelation = 0;  // lag one, kept within +-kMostAutocorrelation
  int year_classes = 0;        // the residuals they were taken from
};

// How the F realised varies around the F asked for; none by default.
struct FishingNoise {
  double sd = 0;  // of the logarithm of realised F over the F asked for (about its CV)
  double autocorrelation = 0;
};
inline constexpr double kMostFishingSd = 1;

// What the user asks of the simulation.
struct SimulationSettings {
  int simulations = 0;
  FishingNoise fishing;
  std::uint32_t seed = 0;
  std::optional<double> btrigger;  // the advice rule's MSY Btrigger; none: F whatever the SSB
};

// The kept years of every simulated stock at one level of fishing, pooled.
struct StochasticRow {
  std::string option;  // the per-recruit curve's "F = 0", ..., "F x 3"; then the points
  double f_mult = 0;
  double fbar = 0;
  double yield_q05 = 0, yield_q50 = 0, yield_q95 = 0, yield_mean = 0;
  double ssb_q05 = 0, ssb_q50 = 0, ssb_q95 = 0;  // at the start of the year
  double recruitment_q50 = 0;                    // at the first analysed age
  double p_below_blim = 0;  // the share of the kept years that start with SSB below Blim
};

struct StochasticEquilibrium {
  std::array<int, 2> fbar_ages{};
  SegmentedFit fit;
  RecruitmentNoise noise;
  double blim = 0;
  bool blim_stated = false;  // the run's own Blim; otherwise the breakpoint
  int simulations = 0;
  FishingNoise fishing;
  std::optional<double> btrigger;
  std::vector<StochasticRow> rows;  // the curve, then the points that exist
};

// The spread and autocorrelation of the year classes' residuals around the regression.
RecruitmentNoise recruitment_noise(const SegmentedFit& fit,
                                   const std::vector<YearClass>& year_classes);

// The deviations of one series of every simulated stock: kBurnInYears + kKeptYears values per
// stock, stock after stock, v(t) = r v(t-1) + sqrt(1 - r^2) sd z(t), v(0) = sd z(0).
struct Deviations {
  std::vector<double> recruitment;
  std::vector<double> fishing;  // empty: F as asked for
};
std::vector<double> autocorrelated_deviations(double sd, double autocorrelation, int simulations,
                                              std::uint32_t seed, UniformRandom::Stream stream);

// The simulation behind every row: `simulations` stocks at the F multiplier x. Exposed for the
// tests.
StochasticRow simulate_at(const Forecast& forecast, const ForecastInput& in,
                          const SegmentedFit& fit, const Deviations& deviations, int simulations,
                          double blim, double x, std::optional<double> btrigger = std::nullopt);

// The curve along the per-recruit curve's levels and the points read off it, under the
// deterministic equilibrium's regression (which must have a plateau). Blim is the run's own when
// it states one, the breakpoint otherwise. ForecastError when the number of simulations lies
// outside kLeastSimulations..kMostSimulations; ArithmeticFault for a value that is not finite.
StochasticEquilibrium stochastic_equilibrium_of(const Forecast& forecast, const ForecastInput& in,
                                                const PerRecruit& per_recruit,
                                                const Equilibrium& equilibrium,
                                                const std::vector<YearClass>& year_classes,
                                                const SimulationSettings& settings);

// "Stochastic equilibrium (F-bar 4-6; 1000 stocks over 50 years, recruitment sd 0.52 and
// autocorrelation 0.31 around the segmented regression; Blim 407907, the breakpoint): Fmsy 0.150,
// median yield 281000; Fp.05 0.190; Flim 0.262; so Fmsy stands (MSY Btrigger candidate, 5 % of
// SSB at Fmsy: 612345)".
std::string stochastic_equilibrium_summary(const StochasticEquilibrium& e);

}  // namespace quorvane
