// The version of the program, written into the run description of the tidy tables. Kept equal
// to the VERSION of the project() line of the top CMakeLists.txt.
#pragma once

#include <string_view>

namespace quorvane {

inline constexpr std::string_view kProgramVersion = "0.1.0";

}  // namespace quorvane
