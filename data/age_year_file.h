// Readers of the age-by-year layout: line 1 four numbers (first age, last age, first year, last
// year), lines 2-4 skipped, then per year the year and one value per age, read as a stream of
// numbers separated by blanks, tabs, commas or line ends (LF or CR LF).
#pragma once

#include <string>

#include "state/run_state.h"
#include "state/tables.h"

namespace quorvane {

// The file's path: the working directory followed by the name, "/" and "\" both separators.
std::string resolve_path(const std::string& workdir, const std::string& name);

// Reads the C(a,y) file: its line 1 sets firstage, lastage, firstyear, lastyear and headC, then
// `after_header` runs (START converts the age and year settings there), then the matrix goes to C.
// More than 29 ages or 60 years raises InputError.
template <typename AfterHeader>
void read_catch_file(RunState& s, AfterHeader&& after_header);

// Reads a table of the C(a,y) file's dimensions (W, M, maturity, fleets, temporary fleet files):
// line 1 into headX, the matrix into `table` at y = 1..file_years(), a = 1..file_columns().
void read_table_file(RunState& s, const std::string& path, AgeYearTable& table);

}  // namespace quorvane
