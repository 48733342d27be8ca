// F-bar: the mean fishing mortality over a chosen range of ages, for each year,
//   Fbar(y) = (1 / (B - A + 1)) sum_{a=A..B} F(a,y),   F(a,y) = -ln|1 - f(y) s(a,y)|,
// by default over all ages of the analysis (then the summary's mean F).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "state/run_state.h"

namespace quorvane {

// The age indices of the F-bar range.
int fbar_first_index(const RunState& s);
int fbar_last_index(const RunState& s);

// "3-7": the age labels of the range, for the tables' description.
std::string fbar_ages_text(const RunState& s);

// Empty when the range lies inside the ages of the analysis, else the problem, naming it.
std::string fbar_range_problem(const RunState& s);

// F-bar of year y from the model's f and s; not a number where a cell has f s = 1.
double fbar_of_year(const RunState& s, int y);

// "A-B" with whole ages A <= B; empty when the text is not such a range.
std::optional<std::array<int, 2>> parse_age_range(std::string_view text);

}  // namespace quorvane
