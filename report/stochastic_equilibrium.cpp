#include "report/stochastic_equilibrium.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>

#include "base/errors.h"
#include "report/tables.h"

namespace quorvane {

namespace {

constexpr const char* kProcedure = "stochastic equilibrium";
constexpr int kYears = kBurnInYears + kKeptYears;

std::string fixed(double v, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

double residual(const SegmentedFit& fit, const YearClass& c) {
  return std::log(c.recruits) - std::log(fit.slope * std::min(c.ssb, fit.breakpoint));
}

// What one year does to each age at the F multiplier x.
struct AgeRates {
  double survival = 0;      // exp(-M - F)
  double catch_weight = 0;  // (1 - exp(-F)) exp(-M part) W: the yield of one fish at the start
  double spawning = 0;      // SW mat: the SSB of one fish at the start
};

const StochasticRow* row_named(const StochasticEquilibrium& e, const char* option) {
  for (const StochasticRow& r : e.rows)
    if (r.option == option) return &r;
  return nullptr;
}

// The multiplier at which the share below Blim first exceeds `risk` along the curve, between the
// two levels around it; none when even no fishing exceeds it or no level of the curve does.
std::optional<double> multiplier_at_risk(const std::vector<StochasticRow>& curve, double risk) {
  if (curve.empty() || curve.front().p_below_blim > risk) return std::nullopt;
  for (std::size_t j = 1; j < curve.size(); ++j) {
    const StochasticRow& lo = curve[j - 1];
    const StochasticRow& hi = curve[j];
    if (hi.p_below_blim > risk) {
      return lo.f_mult + (risk - lo.p_below_blim) / (hi.p_below_blim - lo.p_below_blim) *
                             (hi.f_mult - lo.f_mult);
    }
  }
  return std::nullopt;
}

}  // namespace

RecruitmentNoise recruitment_noise(const SegmentedFit& fit,
                                   const std::vector<YearClass>& year_classes) {
  std::vector<double> e;
  for (const YearClass& c : year_classes) {
    if (c.ssb > 0 && c.recruits > 0) e.push_back(residual(fit, c));
  }
  RecruitmentNoise noise;
  noise.year_classes = static_cast<int>(e.size());
  if (e.size() < 3) return noise;
  double squares = 0, lagged = 0;
  for (std::size_t i = 0; i < e.size(); ++i) {
    squares += e[i] * e[i];
    if (i + 1 < e.size()) lagged += e[i] * e[i + 1];
  }
  noise.sd = std::sqrt(squares / static_cast<double>(e.size() - 2));
  if (squares > 0) {
    noise.autocorrelation =
        std::clamp(lagged / squares, -kMostAutocorrelation, kMostAutocorrelation);
  }
  return noise;
}

std::vector<double> autocorrelated_deviations(double sd, double autocorrelation, int simulations,
                                              std::uint32_t seed, UniformRandom::Stream stream) {
  std::vector<double> d;
  d.reserve(static_cast<std::size_t>(simulations) * kYears);
  const double r = autocorrelation;
  const double innovation = std::sqrt(1 - r * r) * sd;
  for (int i = 0; i < simulations; ++i) {
    UniformRandom random =
        UniformRandom::for_simulation(seed, static_cast<std::uint32_t>(i), stream);
    // Standard normal numbers by the Box-Muller transform, one from each pair of uniforms.
    const auto normal = [&random] {
      const double u1 = random.next();
      const double u2 = random.next();
      return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
    };
    double last = sd * normal();
    d.push_back(last);
    for (int t = 1; t < kYears; ++t) {
      last = r * last + innovation * normal();
      d.push_back(last);
    }
  }
  return d;
}

StochasticRow simulate_at(const Forecast& forecast, const ForecastInput& in,
                          const SegmentedFit& fit, const Deviations& deviations, int simulations,
                          double blim, double x, std::optional<double> btrigger) {
  const std::vector<ForecastAge>& ages = forecast.ages;
  if (ages.empty()) throw ForecastError("the forecast has no ages to simulate");
  const std::size_t n_ages = ages.size();
  std::vector<AgeRates> rates(n_ages);
  // The rates of a year fished at x times exp(g) status quo.
  const auto set_rates = [&](double multiplier) {
    for (std::size_t j = 0; j < n_ages; ++j) {
      const ForecastAge& a = ages[j];
      const double f = multiplier * a.f;
      rates[j] = {std::exp(-a.m - f), (1 - std::exp(-f)) * std::exp(-a.m * in.part) * a.weight,
                  a.stock_weight * a.maturity};
    }
  };
  set_rates(x);
  // The deterministic equilibrium with the plateau's recruits, where every stock starts.
  const PerRecruitValue start = per_recruit_value(forecast, in, x);
  std::vector<double> equilibrium_n(n_ages);
  double n = fit.plateau;
  for (std::size_t j = 0; j < n_ages; ++j) {
    const bool plus = j + 1 == n_ages && in.plus_group;
    equilibrium_n[j] = plus ? n / (1 - rates[j].survival) : n;
    n *= rates[j].survival;
  }
  const double start_ssb = fit.plateau * start.spr;

  // The recruits of year t come from the SSB of year t - lag.
  const int lag = ages.front().age;
  const auto kept = static_cast<std::size_t>(simulations) * kKeptYears;
  std::vector<double> yields, ssbs, recruits;
  yields.reserve(kept);
  ssbs.reserve(kept);
  recruits.reserve(kept);
  std::vector<double> numbers(n_ages);
  // The SSB of the last `lag` years: slot t % lag holds year t - lag until year t takes it.
  std::vector<double> ssb_history(static_cast<std::size_t>(std::max(lag, 1)));
  std::size_t below = 0;
  const bool fishing_varies = !deviations.fishing.empty();
  for (int i = 0; i < simulations; ++i) {
    numbers = equilibrium_n;
    std::fill(ssb_history.begin(), ssb_history.end(), start_ssb);
    const std::size_t first = static_cast<std::size_t>(i) * kYears;
    const double* d = deviations.recruitment.data() + first;
    for (int t = 0; t < kYears; ++t) {
      double parents = 0;
      if (lag > 0) {
        parents = ssb_history[static_cast<std::size_t>(t % lag)];
      } else {
        for (std::size_t j = 1; j < n_ages; ++j) parents += numbers[j] * rates[j].spawning;
      }
      numbers[0] = fit.slope * std::min(parents, fit.breakpoint) * std::exp(d[t]);
      double ssb = 0, yield = 0;
      for (std::size_t j = 0; j < n_ages; ++j) ssb += numbers[j] * rates[j].spawning;
      // The year's F: the one intended, cut in proportion below MSY Btrigger by the advice rule,
      // then missed by the fishing error.
      const bool cut = btrigger && ssb < *btrigger;
      if (fishing_varies || cut) {
        double multiplier = cut ? x * (ssb / *btrigger) : x;
        if (fishing_varies) {
          multiplier *= std::exp(deviations.fishing[first + static_cast<std::size_t>(t)]);
        }
        set_rates(multiplier);
      }
      for (std::size_t j = 0; j < n_ages; ++j) yield += numbers[j] * rates[j].catch_weight;
      checked_finite(ssb, kProcedure);
      checked_finite(yield, kProcedure);
      if (lag > 0) ssb_history[static_cast<std::size_t>(t % lag)] = ssb;
      if (t >= kBurnInYears) {
        yields.push_back(yield);
        ssbs.push_back(ssb);
        recruits.push_back(numbers[0]);
        if (ssb < blim) ++below;
      }
      // The survivors move an age on; a plus group keeps its own as well.
      const double oldest = in.plus_group ? numbers[n_ages - 1] * rates[n_ages - 1].survival : 0;
      for (std::size_t j = n_ages - 1; j > 0; --j) {
        numbers[j] = numbers[j - 1] * rates[j - 1].survival;
      }
      if (n_ages > 1) numbers[n_ages - 1] += oldest;
      if (cut && !fishing_varies) set_rates(x);  // the next year starts from the F intended
    }
  }

  StochasticRow row;
  row.f_mult = x;
  row.fbar = x * forecast.fbar_status_quo;
  double total = 0;
  for (double y : yields) total += y;
  row.yield_mean = kept > 0 ? total / static_cast<double>(kept) : 0;
  row.yield_q05 = quantile_in_place(yields, 0.05);
  row.yield_q50 = quantile_in_place(yields, 0.5);
  row.yield_q95 = quantile_in_place(yields, 0.95);
  row.ssb_q05 = quantile_in_place(ssbs, 0.05);
  row.ssb_q50 = quantile_in_place(ssbs, 0.5);
  row.ssb_q95 = quantile_in_place(ssbs, 0.95);
  row.recruitment_q50 = quantile_in_place(recruits, 0.5);
  row.p_below_blim = kept > 0 ? static_cast<double>(below) / static_cast<double>(kept) : 0;
  return row;
}

StochasticEquilibrium stochastic_equilibrium_of(const Forecast& forecast, const ForecastInput& in,
                                                const PerRecruit& per_recruit,
                                                const Equilibrium& equilibrium,
                                                const std::vector<YearClass>& year_classes,
                                                const SimulationSettings& settings) {
  const int simulations = settings.simulations;
  if (simulations < kLeastSimulations || simulations > kMostSimulations) {
    throw ForecastError("the number of simulated stocks " + std::to_string(simulations) +
                        " is not from " + std::to_string(kLeastSimulations) + " to " +
                        std::to_string(kMostSimulations));
  }
  StochasticEquilibrium out;
  out.fbar_ages = per_recruit.fbar_ages;
  out.fit = equilibrium.fit;
  out.noise = recruitment_noise(out.fit, year_classes);
  out.blim_stated = in.reference.blim.has_value();
  out.blim = in.reference.blim.value_or(out.fit.breakpoint);
  out.simulations = simulations;
  out.fishing = settings.fishing;
  out.btrigger = settings.btrigger;
  Deviations deviations;
  deviations.recruitment =
      autocorrelated_deviations(out.noise.sd, out.noise.autocorrelation, simulations, settings.seed,
                                UniformRandom::Stream::Recruitment);
  if (out.fishing.sd > 0) {
    deviations.fishing =
        autocorrelated_deviations(out.fishing.sd, out.fishing.autocorrelation, simulations,
                                  settings.seed, UniformRandom::Stream::Fishing);
  }
  const auto at = [&](const std::string& option, double x) {
    StochasticRow row =
        simulate_at(forecast, in, out.fit, deviations, simulations, out.blim, x, out.btrigger);
    row.option = option;
    return row;
  };
  for (const PerRecruitRow& p : per_recruit.rows) {
    if (!is_reference_point(p)) out.rows.push_back(at(p.option, p.f_mult));
  }
  const std::vector<StochasticRow> curve = out.rows;

  // The largest median yield; none when it still rises at the curve's last level.
  std::optional<double> fmsy;
  std::size_t best = 0;
  for (std::size_t j = 1; j < curve.size(); ++j) {
    if (curve[j].yield_q50 > curve[best].yield_q50) best = j;
  }
  if (!curve.empty() && best + 1 < curve.size() && curve[best].yield_q50 > 0) {
    fmsy = curve[best].f_mult;
    out.rows.push_back(at(kStochasticFmsy, *fmsy));
  }
  const std::optional<double> fp05 = multiplier_at_risk(curve, 0.05);
  if (fp05) out.rows.push_back(at(kFp05, *fp05));
  if (const std::optional<double> flim = multiplier_at_risk(curve, 0.5)) {
    out.rows.push_back(at(kStochasticFlim, *flim));
  }
  // Fmsy stands when fishing at it keeps the stock above Blim in 95 % of years; no cap is needed
  // when no level of the curve puts it below in 5 % (unless no fishing already does).
  const bool safe_unfished = !curve.empty() && curve.front().p_below_blim <= 0.05;
  if (fmsy && safe_unfished) {
    const double capped = fp05 ? std::min(*fmsy, *fp05) : *fmsy;
    out.rows.push_back(at(kPrecautionaryFmsy, capped));
  }
  return out;
}

std::string stochastic_equilibrium_summary(const StochasticEquilibrium& e) {
  std::string line = "Stochastic equilibrium (F-bar " + std::to_string(e.fbar_ages[0]) + "-" +
                     std::to_string(e.fbar_ages[1]) + "; " + std::to_string(e.simulations) +
                     " stocks over " + std::to_string(kKeptYears) + " years, recruitment sd " +
                     fixed(e.noise.sd, 2) + " and autocorrelation " +
                     fixed(e.noise.autocorrelation, 2) + " around the segmented regression";
  if (e.fishing.sd > 0) {
    line += ", F realised with sd " + fixed(e.fishing.sd, 2) + " and autocorrelation " +
            fixed(e.fishing.autocorrelation, 2);
  }
  if (e.btrigger) line += ", fished by the advice rule below MSY Btrigger " + fixed(*e.btrigger, 0);
  line += "; Blim " + fixed(e.blim, 0) + (e.blim_stated ? "" : ", the breakpoint") + "): ";
  const StochasticRow* msy = row_named(e, kStochasticFmsy);
  const StochasticRow* fp05 = row_named(e, kFp05);
  const StochasticRow* flim = row_named(e, kStochasticFlim);
  const StochasticRow* capped = row_named(e, kPrecautionaryFmsy);
  line += msy != nullptr
              ? "Fmsy " + fixed(msy->fbar, 3) + ", median yield " + fixed(msy->yield_q50, 0)
              : std::string("no Fmsy (the median yield still rises at 3 x status quo)");
  line += "; Fp.05 " + (fp05 != nullptr ? fixed(fp05->fbar, 3) : std::string("none"));
  line += "; Flim " + (flim != nullptr ? fixed(flim->fbar, 3) : std::string("none"));
  if (!e.rows.empty() && e.rows.front().p_below_blim > 0.05) {
    line += "; even without fishing SSB is below Blim in " +
            fixed(100 * e.rows.front().p_below_blim, 0) + " % of years";
  } else if (capped != nullptr && msy != nullptr) {
    line += capped->f_mult < msy->f_mult ? "; Fmsy is capped at Fp.05: " + fixed(capped->fbar, 3)
                                         : std::string("; Fmsy stands");
    line +=
        " (5 % of SSB at that F: " + fixed(capped->ssb_q05, 0) + ", a candidate for MSY Btrigger)";
  }
  return line;
}

}  // namespace quorvane
