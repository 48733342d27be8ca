// Reference points of a stock, when the user states them: limits of SSB in the units of SSB in
// the tables, limits of F-bar, and the F-bar and SSB of the MSY approach. They do not enter the
// estimation; the tables keep them and the charts draw them, so that the stock's status can be read
// off beside its estimates.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace quorvane {

struct ReferencePoints {
  std::optional<double> blim, bpa, flim, fpa;
  std::optional<double> fmsy, msy_btrigger;  // the MSY approach: F-bar and SSB
  bool operator==(const ReferencePoints&) const = default;
};

// How each is named in a fields file and in run.csv, and what it is.
struct ReferencePointKey {
  const char* name;
  std::optional<double> ReferencePoints::*value;
  const char* label;
};

inline constexpr std::array<ReferencePointKey, 6> kReferencePointKeys = {{
    {"blim", &ReferencePoints::blim, "Blim, the SSB below which recruitment is impaired"},
    {"bpa", &ReferencePoints::bpa, "Bpa, the SSB kept above for precaution"},
    {"flim", &ReferencePoints::flim, "Flim, the F-bar that would drive SSB to Blim"},
    {"fpa", &ReferencePoints::fpa, "Fpa, the F-bar kept below for precaution"},
    {"fmsy", &ReferencePoints::fmsy, "Fmsy, the F-bar of the maximum sustainable yield"},
    {"msy_btrigger", &ReferencePoints::msy_btrigger,
     "MSY Btrigger, the SSB below which F is cut in proportion to SSB"},
}};

// A reference point as the fields file and run.csv write it: the shortest decimal that reads
// back as the same number, without an exponent ("300000", not "3e+05").
std::string reference_point_text(double value);

}  // namespace quorvane
