// The parameter protocol between the one-dimensional searches and the objective.
//
// The outer search (parmin) puts a tag into METKA saying which parameter PARAM carries; the
// objective applies PARAM, evaluates and puts the parameter's value back. The inner search of
// the direct method (PARMIN1) codes the factor that PARAM1 carries in metka1: age index a for
// s1(a), kS2Offset + a for s2(a), kFOffset + y for f(y). Age indices stay below 50 and year
// indices below 900 (the tables hold 30 ages and 60 years), so the ranges cannot overlap.
#pragma once

namespace quorvane {

// METKA.
inline constexpr double kTagTerminalF = 1000;  // f(yearmax)
inline constexpr double kTagConstantM = 2000;  // MC
inline constexpr double kTagAlfa = 3000;       // LALFA

// metka1.
inline constexpr double kS2Offset = 50;
inline constexpr double kFOffset = 100;
inline constexpr double kCodeLimit = 1000;  // every inner code lies below it

}  // namespace quorvane
