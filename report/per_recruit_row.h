// One row of the per-recruit curves (report/per_recruit.h): yield and SSB per recruit at one
// fishing level. Kept apart so that the record of a bootstrap run can hold its own.
#pragma once

#include <string>

namespace quorvane {

struct PerRecruitRow {
  // "F = 0", "F x 0.05", ..., "status quo", ..., "F x 3" (the curve); "F0.1", "Fmax", "F35%SPR",
  // "F40%SPR" (the reference points that exist)
  std::string option;
  double f_mult = 0;  // x
  double fbar = 0;
  double ypr = 0;          // catch in weight per recruit
  double spr = 0;          // SSB per recruit
  double spr_percent = 0;  // SPR as a percentage of SPR without fishing
};

// True for the rows of the reference points (F0.1, Fmax, F35%SPR, F40%SPR), false for the curve.
bool is_reference_point(const PerRecruitRow& row);

}  // namespace quorvane
