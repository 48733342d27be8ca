// The size of a residual's bubble. The eye reads a bubble by its area, so the area, not the
// diameter, is proportional to |residual|: d = d_max * sqrt(|r| / |r|_max).
#pragma once

namespace quorvane::plot {

// The diameter of the bubble of `residual` when the largest |residual| of the chart,
// `largest_abs_residual` (> 0), gets `largest_diameter`.
double bubble_diameter(double residual, double largest_abs_residual, double largest_diameter);

}  // namespace quorvane::plot
