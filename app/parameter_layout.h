// Where the parameter window places its fields: the rows from the top, each with the fields and
// group headings on its left and on its right, and the grid of the aged fleets. Labels, headings
// and default texts come from the field table of the settings; this file only says where.
#pragma once

#include <array>
#include <vector>

#include "run/field_registry.h"

namespace quorvane::app {

// One place on a row: a field with its label, or the group heading of a field.
struct LayoutCell {
  bool heading;
  FieldId field;
};

struct LayoutRow {
  std::vector<LayoutCell> left;
  std::vector<LayoutCell> right;
};

// The row that holds the fleet grid instead of single fields.
inline constexpr int kFleetGridRow = 19;

// Columns of the fleet grid, left to right; fleet k's field of column c is fleet_field(c, k).
inline constexpr std::array<FleetColumn, 7> kFleetColumns = {
    FleetColumn::File,    FleetColumn::Time, FleetColumn::Type, FleetColumn::EstimateQ,
    FleetColumn::Compare, FleetColumn::Loss, FleetColumn::Std};
inline constexpr int kFleets = 7;

// Rows 1..21 of the window (index 0 is row 1); the fleet grid's row has no cells.
const std::vector<LayoutRow>& parameter_rows();

}  // namespace quorvane::app
