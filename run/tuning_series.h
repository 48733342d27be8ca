// A tuning series of a run: one of its SSB surveys or aged fleets, by its place in the fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// A tuning series of the run: SSB survey `number` or aged fleet `number`.
struct TuningSeries {
  enum class Kind { SsbSurvey, Fleet };
  Kind kind = Kind::Fleet;
  int number = 1;
  std::string name;  // a fleet's name from its file's title line; empty when it has none

  // "ssb1", "fleet2": the name of its folder and its key in the tables.
  std::string key() const;
  // "SSB survey 1", "fleet 2 (IBTS_Q1_gam)".
  std::string description() const;
};

// The series that key() names, with its name; none for any other text.
std::optional<TuningSeries> tuning_series_of_key(std::string_view key, std::string name);

}  // namespace quorvane
