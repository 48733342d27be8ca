// Where the parameter window places its fields: the rows from the top, each with the fields and
// group headings on its left and on its right, and the grid of the aged fleets. Labels, headings
// and default texts come from the field table of the settings; this file only says where.
#pragma once

#include <array>
#include <vector>

namespace quorvane::app {

// One place on a row: field Text<n> with its label, or the group heading of field Text<n>.
struct LayoutCell {
  bool heading;
  int field;
};

struct LayoutRow {
  std::vector<LayoutCell> left;
  std::vector<LayoutCell> right;
};

// The row that holds the fleet grid instead of single fields.
inline constexpr int kFleetGridRow = 19;

// Columns of the fleet grid, left to right: the field of fleet k in column c is
// kFleetColumns[c] + k - 1 (file, survey time, index type, q estimated, comparison, loss,
// bootstrap deviation).
inline constexpr std::array<int, 7> kFleetColumns = {49, 56, 63, 70, 77, 84, 91};
inline constexpr int kFleets = 7;

// Rows 1..21 of the window (index 0 is row 1); the fleet grid's row has no cells.
const std::vector<LayoutRow>& parameter_rows();

}  // namespace quorvane::app
