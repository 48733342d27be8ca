// One row of the short-term forecast (report/forecast.h): a forecast year under one fishing
// level. Kept apart so that the record of a bootstrap run can hold its own forecast.
#pragma once

#include <string>

namespace quorvane {

// One forecast year under one fishing level.
struct ForecastRow {
  int year = 0;
  // "status quo", "catch constraint" (intermediate year); "F = 0", "F x 0.1", ..., "status quo",
  // ..., "F x 2", "Fpa", "Flim", "Fmsy", "MSY approach", "SSB = Bpa" (advice year)
  std::string option;
  double f_mult = 0;  // x
  double fbar = 0;    // F-bar of the year
  double catch_weight = 0;
  double ssb = 0;       // at the start of the year
  double ssb_next = 0;  // at the start of the year after
};

}  // namespace quorvane
