// The fishing level at which a quantity of the stock reaches a target: the F multiplier x >= 0
// with value(x) = target, for a value that rises with x (`rising`: a catch) or falls with it (the
// SSB left, the slope of a yield curve). The forecast and the per-recruit reference points use it.
#pragma once

#include <algorithm>
#include <optional>

namespace quorvane {

// F a thousand times status quo: no stock is left.
inline constexpr double kMostMultiplier = 1024;

// The bracket [0, hi] is widened by doubling hi up to `most`, then halved until its ends are as
// close as doubles allow; the upper end is returned. Nothing when no x in [0, most] reaches the
// target.
template <typename Value>
std::optional<double> multiplier_for(const Value& value, double target, bool rising,
                                     double most = kMostMultiplier) {
  const auto short_of = [&](double x) { return rising ? value(x) < target : value(x) > target; };
  if (!short_of(0)) return value(0) == target ? std::optional<double>(0.0) : std::nullopt;
  double lo = 0, hi = std::min(1.0, most);
  while (short_of(hi)) {
    if (hi >= most) return std::nullopt;
    lo = hi;
    hi = std::min(hi * 2, most);
  }
  // short_of(lo) and !short_of(hi) hold throughout.
  for (int i = 0; i < 200; ++i) {
    const double mid = lo + (hi - lo) / 2;
    if (mid <= lo || mid >= hi) break;
    (short_of(mid) ? lo : hi) = mid;
  }
  return hi;
}

}  // namespace quorvane
