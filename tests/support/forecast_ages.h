// An age of a forecast as the per-recruit and equilibrium tests make them: F at age, a weight
// that weighs both the catch and the stock, M and maturity.
#pragma once

#include "report/forecast.h"

namespace quorvane {

inline ForecastAge forecast_age(int a, double f, double weight, double m, double maturity) {
  ForecastAge out;
  out.age = a;
  out.f = f;
  out.weight = weight;
  out.stock_weight = weight;
  out.m = m;
  out.maturity = maturity;
  return out;
}

}  // namespace quorvane
