// Yield and spawning stock per recruit: what one recruit gives over its life, in catch and in
// spawning stock, when every year is fished with the forecast's selection at a given F-bar, and
// the reference points read off these curves.
//
// With the forecast's mean catch weight W, stock weight SW, M, maturity and status quo F at age
// Fsq (report/forecast.h), the catch taken at the fraction `part` of the year, and
// F(a) = x Fsq(a) at the F multiplier x:
//   N(a0) = 1,  N(a+1) = N(a) exp(-M(a) - F(a)),  a plus group N(amax) / (1 - exp(-M - F))
//   YPR(x) = sum_a (1 - exp(-F(a))) N(a) exp(-M(a) part) W(a)
//   SPR(x) = sum_a N(a) SW(a) mat(a)                              (at the start of the year)
// F-bar is x times the status quo F-bar. The reference points, as F-bar:
//   F0.1      where the slope of YPR is a tenth of its slope at no fishing;
//   Fmax      where YPR is largest, when it falls again below an F-bar of kFmaxLimit;
//   F35%SPR, F40%SPR   where SPR is 35 % and 40 % of its value without fishing.
// The slope of YPR is taken exactly, carried along the ages with the numbers.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "report/forecast.h"
#include "report/per_recruit_row.h"

namespace quorvane {

struct PerRecruit {
  std::array<int, 2> fbar_ages{};  // first and last age of F-bar
  double fbar_status_quo = 0;
  std::vector<PerRecruitRow> rows;  // the curve, then the reference points
};

// The curve runs from no fishing to three times status quo by a twentieth.
inline constexpr int kPerRecruitSteps = 60;
inline constexpr double kPerRecruitStep = 20;  // x = i / 20
// An F-bar beyond which a maximum of the yield per recruit is not looked for: at F-bar 5 less
// than 1 % of a year's fish survive it, and a yield still rising there has no useful Fmax.
inline constexpr double kFmaxLimit = 5;

// Yield, its slope and SSB per recruit at the F multiplier x. ForecastError when the plus group
// never dies; ArithmeticFault for a value that is not finite.
struct PerRecruitValue {
  double ypr = 0;
  double slope = 0;  // d YPR / d x
  double spr = 0;
};
PerRecruitValue per_recruit_value(const Forecast& forecast, const ForecastInput& in, double x);

// The per-recruit curves and reference points of a forecast's selection, weights, M and
// maturity. ForecastError when the plus group never dies (its M and F are both 0);
// ArithmeticFault for a value that is not finite.
PerRecruit per_recruit_of(const Forecast& forecast, const ForecastInput& in);

// "Per recruit (F-bar 4-6): F0.1 0.187, Fmax 0.312, F35%SPR 0.271, F40%SPR 0.235; status quo
// F-bar 0.295 leaves 28 % of the SPR without fishing", with "none" for a point that does not exist.
std::string per_recruit_summary(const PerRecruit& per_recruit);

}  // namespace quorvane
