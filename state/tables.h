// Fixed-size tables of the data model.
//
// Every table by age and year spans age index 0..30 and year index 0..60. Age index 1 of an input
// row holds the year label, index 0 is never used, so a file holds at most 29 ages (indices 2..30)
// and 60 years (indices 1..60). Cells are stored age by age, years contiguous, because the cohort
// recursion and most sums run with the age outer and the year inner.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>

namespace quorvane {

inline constexpr int kAgeSlots = 31;   // age index 0..30
inline constexpr int kYearSlots = 61;  // year index 0..60
inline constexpr int kMaxAges = 29;    // ages a file may hold (indices 2..30)
inline constexpr int kMaxYears = 60;   // years a file may hold (indices 1..60)
inline constexpr int kSsbSlots = 4;    // SSB surveys 1..3, slot 0 unused
inline constexpr int kFleetSlots = 8;  // aged fleets 1..7, slot 0 unused

// A real table by age index a and year index y, both starting at 0.
class AgeYearTable {
 public:
  double& operator()(int a, int y) {
    assert(a >= 0 && a < kAgeSlots && y >= 0 && y < kYearSlots);
    return cells_[static_cast<std::size_t>(a) * kYearSlots + static_cast<std::size_t>(y)];
  }
  double operator()(int a, int y) const {
    assert(a >= 0 && a < kAgeSlots && y >= 0 && y < kYearSlots);
    return cells_[static_cast<std::size_t>(a) * kYearSlots + static_cast<std::size_t>(y)];
  }
  void fill(double v) { cells_.fill(v); }
  bool operator==(const AgeYearTable&) const = default;

 private:
  std::array<double, static_cast<std::size_t>(kAgeSlots) * kYearSlots> cells_{};
};

// A vector by year index 0..60.
using YearVector = std::array<double, kYearSlots>;
// A vector by age index 0..30.
using AgeVector = std::array<double, kAgeSlots>;

}  // namespace quorvane
