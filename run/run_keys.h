// Settings of a run that are not fields of the parameter window: the ages of F-bar, the units
// of the catch numbers and weights, stock weights of their own, the stock's reference points and
// the short-term forecast. A fields file carries them beside the fields ("fbar = 3-6",
// "units_numbers = thousands", "units_weight = kg", "stock_weight_file = sw.txt", "bpa = 150000",
// "forecast = yes"); the batch runner, the window and the importer read and write them through
// these functions alone.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "state/run_state.h"

namespace quorvane {

struct RunKeys {
  std::optional<std::array<int, 2>> fbar;                  // unset: every analysis age
  std::optional<std::string> units_numbers, units_weight;  // unset: "not stated"
  ReferencePoints reference;                               // unset: none
  std::optional<bool> forecast;                            // unset: no forecast
  std::optional<int> forecast_mean_years;                  // unset: the last 3 years with catch
  std::optional<std::array<int, 2>> forecast_recruitment;  // unset: every year before the last
                                                           // with catch
  std::optional<double> forecast_intermediate_catch;       // unset: status quo F in that year
  std::optional<int> equilibrium_simulations;           // unset: no stochastic equilibrium; it is
                                                        // made with the forecast
  std::optional<double> equilibrium_f_cv;               // unset: F exactly as intended
  std::optional<double> equilibrium_f_autocorrelation;  // unset: 0
  std::optional<bool> equilibrium_advice_rule;          // unset: no
  std::optional<std::string> stock_weight_file;         // unset: the stock weighed with W
  bool operator==(const RunKeys&) const = default;
};

// The value of a reference point: a finite number above 0, nothing otherwise.
std::optional<double> reference_point_value(std::string_view text);

// Takes the line "name = value" when `name` is a run key, and returns whether it was one.
// SettingsError naming `where` (a file and line) for a value the key cannot take.
bool take_run_key(RunKeys& keys, std::string_view name, std::string_view value,
                  const std::string& where);

// Calls `take(content, where, number)` for each line of a settings text that is neither blank nor
// a comment (starting with '#'): `content` is the line without the blanks around it, `where`
// "SOURCE: line N" for messages, `number` N.
using SettingLine =
    std::function<void(std::string_view content, const std::string& where, int number)>;
void for_each_setting_line(std::string_view text, const std::string& source,
                           const SettingLine& take);

// The keys of a text of lines "name = value" as a fields file holds them beside the fields (blank
// lines and lines starting with '#' are skipped). SettingsError naming `source` and the line for
// a line that is not an assignment, a name that is no run key, a value the key cannot take, or a
// key set twice.
RunKeys read_run_keys_text(std::string_view text, const std::string& source);

// Sets the run state's F-bar ages, units, reference points and forecast from the keys; a key not
// set gives the default (every analysis age, "not stated", no forecast, no stochastic
// equilibrium).
void apply_run_keys(const RunKeys& keys, RunState& s);

// The lines "name = value" of the keys that are set, each after a comment saying what it is,
// for a fields file; empty when none is set.
std::string run_keys_text(const RunKeys& keys);

}  // namespace quorvane
