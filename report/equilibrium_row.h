// One row of the equilibrium (report/equilibrium.h): recruitment, SSB and yield in equilibrium at
// one fishing level. Kept apart so that the record of a bootstrap run can hold its own points.
#pragma once

#include <string>

namespace quorvane {

inline constexpr const char* kFcrash = "Fcrash";
inline constexpr const char* kDeterministicFmsy = "Fmsy (deterministic)";

struct EquilibriumRow {
  // "F = 0", "F x 0.05", ..., "F x 3" (the per-recruit curve's levels); then kFcrash and
  // kDeterministicFmsy when they exist
  std::string option;
  double f_mult = 0;
  double fbar = 0;
  double recruitment = 0;  // at the first analysed age
  double ssb = 0;          // at the start of the year
  double yield = 0;        // the catch in weight
};

// True for the rows of Fcrash and the deterministic Fmsy, false for the curve.
inline bool is_equilibrium_point(const EquilibriumRow& row) {
  return row.option == kFcrash || row.option == kDeterministicFmsy;
}

}  // namespace quorvane
