// The name of an aged fleet, from the title line (line 2) of its file: the first name in single
// quotes ("aged index 'IBTS_Q1_gam' (catch/effort), ..." gives "IBTS_Q1_gam", as the importer
// writes it), or else the title up to its first comma, at most kMostNameChars characters.
// Empty when the file has no title line; the tables then number the fleet.
#pragma once

#include <string>
#include <string_view>

namespace quorvane {

inline constexpr std::size_t kMostNameChars = 40;

std::string fleet_name_from_title(std::string_view title);

// The name in the title line of the file at `path`; empty when it cannot be read.
std::string fleet_name_of_file(const std::string& path);

}  // namespace quorvane
