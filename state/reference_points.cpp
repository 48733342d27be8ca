#include "state/reference_points.h"

#include <charconv>

namespace quorvane {

std::string reference_point_text(double value) {
  char buf[400];  // the longest fixed form of a double has 309 digits before the point
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  return std::string(buf, result.ptr);
}

}  // namespace quorvane
