#include "state/indices.h"

#include <cmath>

namespace quorvane {

std::optional<std::int16_t> round_to_int16(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  const double r = std::nearbyint(x);  // default rounding mode: to nearest, ties to even
  if (r < -32768.0 || r > 32767.0) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> round_to_int32(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  const double r = std::nearbyint(x);
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

}  // namespace quorvane
