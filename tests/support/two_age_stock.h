// The small stock of the equilibrium tests, whose curves have closed forms, and year classes on a
// hockey stick drawn exactly.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "report/equilibrium.h"
#include "report/per_recruit.h"
#include "report/stock_recruit.h"
#include "tests/support/forecast_ages.h"

namespace quorvane {

// Year classes on a hockey stick drawn exactly: recruits = slope x min(SSB, 5).
inline std::vector<YearClass> stick(double slope) {
  std::vector<YearClass> classes;
  int year = 1990;
  for (double ssb : {1.0, 2.0, 5.0, 10.0, 20.0})
    classes.push_back({year++, ssb, slope * std::min(ssb, 5.0)});
  return classes;
}

// Two ages, F 1 at both at status quo (F-bar 1), M 0.2, only the older age weighed and mature,
// the catch at mid-year: per recruit at multiplier x
//   SPR = e^{-0.2-x},   YPR = (1 - e^{-x}) e^{-0.2-x} e^{-0.1},   Fmax at x = ln 2.
struct TwoAgeStock {
  Forecast forecast;
  ForecastInput in;
  PerRecruit per_recruit;
  TwoAgeStock() {
    forecast.ages = {forecast_age(1, 1, 0, 0.2, 0), forecast_age(2, 1, 1, 0.2, 1)};
    forecast.fbar_status_quo = 1;
    in.part = 0.5;
    in.fbar_ages = {1, 2};
    per_recruit = per_recruit_of(forecast, in);
  }
  Equilibrium with(const std::vector<YearClass>& classes) const {
    return equilibrium_of(forecast, in, per_recruit, classes);
  }
  static double spr(double x) { return std::exp(-0.2 - x); }
  static double ypr(double x) { return (1 - std::exp(-x)) * std::exp(-0.2 - x) * std::exp(-0.1); }
};

}  // namespace quorvane
