// What the short-term forecast after a run assumes, when the user asks for one. It takes no part
// in the estimation; the forecast is made from the fitted stock once the results are written.
#pragma once

#include <array>
#include <optional>

namespace quorvane {

struct ForecastSettings {
  bool on = false;
  // Years over which the weights, M, maturity and the exploitation pattern of the forecast are
  // averaged: the last ones with catch.
  static constexpr int kDefaultMeanYears = 3;
  static constexpr int kMostMeanYears = 20;
  int mean_years = kDefaultMeanYears;
  // Years (as labelled) whose recruitment gives the assumed recruitment by its geometric mean;
  // none: every analysed year before the last year with catch.
  std::optional<std::array<int, 2>> recruitment_years;
  // The catch in weight expected in the intermediate year (a TAC already agreed, for example):
  // that year is then fished at the F that takes it. None: status quo F.
  std::optional<double> intermediate_catch;
  // Stocks simulated for the stochastic equilibrium beside the deterministic one; 0: none.
  int equilibrium_simulations = 0;
  // The error with which the simulated stocks' F is realised: the spread and lag-one
  // autocorrelation of the logarithm of realised over intended F; 0: F exactly as intended.
  double equilibrium_f_cv = 0;
  double equilibrium_f_autocorrelation = 0;
  // Whether the simulated stocks are fished by the advice rule (F cut below MSY Btrigger).
  bool equilibrium_advice_rule = false;
};

}  // namespace quorvane
