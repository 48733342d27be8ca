#include "plot/bubbles.h"

#include <cassert>
#include <cmath>

namespace quorvane::plot {

double bubble_diameter(double residual, double largest_abs_residual, double largest_diameter) {
  assert(largest_abs_residual > 0);
  return largest_diameter * std::sqrt(std::fabs(residual) / largest_abs_residual);
}

}  // namespace quorvane::plot
