// Index conventions: age index a = age - firstage + 2, year index y = year - firstyear + 1.
// A real that becomes an index or an Integer setting is rounded to the nearest whole number,
// a tie going to the even one (2.5 -> 2, 3.5 -> 4).
#pragma once

#include <cstdint>
#include <optional>

namespace quorvane {

// x rounded to the nearest whole number, ties to even; empty when x is not finite or the result
// does not fit a signed 16-bit integer.
std::optional<std::int16_t> round_to_int16(double x);

// x rounded to the nearest whole number, ties to even; empty when the result does not fit a
// signed 32-bit integer (the stopping test of the fixed-point loop).
std::optional<std::int32_t> round_to_int32(double x);

}  // namespace quorvane
