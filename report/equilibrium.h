// The stock in equilibrium: what each level of fishing leaves, year after year, when recruitment
// follows the segmented regression of the fit's year classes (report/stock_recruit.h) and every
// year is fished with the forecast's selection, weights, M and maturity (report/per_recruit.h).
//
// With the hockey stick R = slope min(SSB, breakpoint) and the per-recruit curves YPR(x), SPR(x)
// at the F multiplier x, a stock in equilibrium has SSB = R SPR(x). Above the breakpoint that is
// R = plateau and SSB = plateau SPR(x), which holds while slope SPR(x) >= 1; below it only the
// empty stock is in equilibrium. So, below xcrash,
//   recruitment(x) = plateau,  SSB(x) = plateau SPR(x),  yield(x) = plateau YPR(x),
// and all three are 0 from xcrash on,
// where Fcrash, at xcrash, is the F-bar at which slope SPR = 1: one recruit no longer leaves, at
// the slope of the origin, the spawners that replace it. Just below Fcrash the stock stands at the
// breakpoint. The equilibrium yield is largest at Fmax when Fmax lies below Fcrash (the point
// `kDeterministicFmsy`); otherwise it rises until the stock crashes and has no useful maximum.
//
// Recruitment does not vary here; a stock fished near either point would in truth fall below the
// breakpoint in poor years. These are the deterministic bounds a working group starts from, not
// the stochastic reference points it advises on.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "report/equilibrium_row.h"
#include "report/forecast.h"
#include "report/per_recruit.h"
#include "report/stock_recruit.h"

namespace quorvane {

struct Equilibrium {
  std::array<int, 2> fbar_ages{};
  SegmentedFit fit;
  std::vector<EquilibriumRow> rows;  // the curve, then the points
};

// ForecastError saying why there is no equilibrium: no segmented regression (too few year
// classes, or their SSB does not vary), none with a plateau, or a slope that cannot replace the
// stock even without fishing. ArithmeticFault for a value that is not finite.
Equilibrium equilibrium_of(const Forecast& forecast, const ForecastInput& in,
                           const PerRecruit& per_recruit,
                           const std::vector<YearClass>& year_classes);

// "Equilibrium (F-bar 4-6; segmented regression on 28 year classes, breakpoint SSB 407907):
// Fcrash 0.281; the yield is largest at Fmax 0.152, 292971 a year with SSB 921319".
std::string equilibrium_summary(const Equilibrium& equilibrium);

}  // namespace quorvane
