#include "run/run_keys.h"

#include <cmath>
#include <functional>
#include <map>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "report/fbar.h"
#include "report/stochastic_equilibrium.h"
#include "state/trim.h"

namespace quorvane {

std::optional<double> reference_point_value(std::string_view text) {
  const std::optional<double> v = parse_number(text);
  if (!v || !(*v > 0) || !std::isfinite(*v)) return std::nullopt;
  return v;
}

bool take_run_key(RunKeys& keys, std::string_view name, std::string_view value,
                  const std::string& where) {
  if (name == "fbar") {
    keys.fbar = parse_age_range(value);
    if (!keys.fbar) {
      throw SettingsError(where + ": fbar '" + std::string(value) + "' is not a range of ages A-B");
    }
    return true;
  }
  if (name == "units_numbers" || name == "units_weight") {
    (name == "units_numbers" ? keys.units_numbers : keys.units_weight) = std::string(value);
    return true;
  }
  if (name == "stock_weight_file") {
    if (value.empty()) {
      throw SettingsError(where + ": stock_weight_file names no file");
    }
    keys.stock_weight_file = std::string(value);
    return true;
  }
  if (name == "forecast") {
    if (value != "yes" && value != "no") {
      throw SettingsError(where + ": forecast '" + std::string(value) + "' is not yes or no");
    }
    keys.forecast = value == "yes";
    return true;
  }
  if (name == "forecast_mean_years") {
    const std::optional<double> years = parse_number(value);
    if (!years || *years != std::floor(*years) || *years < 1 ||
        *years > ForecastSettings::kMostMeanYears) {
      throw SettingsError(where + ": forecast_mean_years '" + std::string(value) +
                          "' is not a whole number of years from 1 to " +
                          std::to_string(ForecastSettings::kMostMeanYears));
    }
    keys.forecast_mean_years = static_cast<int>(*years);
    return true;
  }
  if (name == "forecast_recruitment") {
    keys.forecast_recruitment = parse_age_range(value);
    if (!keys.forecast_recruitment) {
      throw SettingsError(where + ": forecast_recruitment '" + std::string(value) +
                          "' is not a range of years A-B");
    }
    return true;
  }
  if (name == "forecast_intermediate_catch") {
    const std::optional<double> v = parse_number(value);
    if (!v || !std::isfinite(*v) || *v < 0) {
      throw SettingsError(where + ": forecast_intermediate_catch '" + std::string(value) +
                          "' is not a catch of 0 or more");
    }
    keys.forecast_intermediate_catch = v;
    return true;
  }
  if (name == "equilibrium_simulations") {
    const std::optional<double> n = parse_number(value);
    if (!n || *n != std::floor(*n) || *n < kLeastSimulations || *n > kMostSimulations) {
      throw SettingsError(where + ": equilibrium_simulations '" + std::string(value) +
                          "' is not a whole number of stocks from " +
                          std::to_string(kLeastSimulations) + " to " +
                          std::to_string(kMostSimulations));
    }
    keys.equilibrium_simulations = static_cast<int>(*n);
    return true;
  }
  if (name == "equilibrium_advice_rule") {
    if (value != "yes" && value != "no") {
      throw SettingsError(where + ": equilibrium_advice_rule '" + std::string(value) +
                          "' is not yes or no");
    }
    keys.equilibrium_advice_rule = value == "yes";
    return true;
  }
  if (name == "equilibrium_f_cv" || name == "equilibrium_f_autocorrelation") {
    const bool cv = name == "equilibrium_f_cv";
    const double least = cv ? 0 : -kMostAutocorrelation;
    const double most = cv ? kMostFishingSd : kMostAutocorrelation;
    const std::optional<double> v = parse_number(value);
    if (!v || !(*v >= least && *v <= most)) {
      throw SettingsError(where + ": " + std::string(name) + " '" + std::string(value) +
                          "' is not a number from " + reference_point_text(least) + " to " +
                          reference_point_text(most));
    }
    (cv ? keys.equilibrium_f_cv : keys.equilibrium_f_autocorrelation) = v;
    return true;
  }
  for (const ReferencePointKey& key : kReferencePointKeys) {
    if (name != key.name) continue;
    const std::optional<double> v = reference_point_value(value);
    if (!v) {
      throw SettingsError(where + ": " + key.name + " '" + std::string(value) +
                          "' is not a number above 0");
    }
    keys.reference.*key.value = v;
    return true;
  }
  return false;
}

void for_each_setting_line(std::string_view text, const std::string& source,
                           const SettingLine& take) {
  for (int number = 1; !text.empty(); ++number) {
    const std::size_t end = text.find('\n');
    const std::string_view content = trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (content.empty() || content.front() == '#') continue;
    take(content, source + ": line " + std::to_string(number), number);
  }
}

RunKeys read_run_keys_text(std::string_view text, const std::string& source) {
  RunKeys keys;
  std::map<std::string, int, std::less<>> set_on_line;
  for_each_setting_line(
      text, source, [&](std::string_view content, const std::string& where, int number) {
        const std::size_t eq = content.find('=');
        if (eq == std::string_view::npos) {
          throw SettingsError(where + ": '" + std::string(content) +
                              "' is not of the form name = value");
        }
        const std::string_view name = trimmed(content.substr(0, eq));
        if (!take_run_key(keys, name, trimmed(content.substr(eq + 1)), where)) {
          throw SettingsError(where + ": '" + std::string(name) + "' is not a run setting");
        }
        const auto [at, first] = set_on_line.emplace(std::string(name), number);
        if (!first) {
          throw SettingsError(where + ": " + std::string(name) + " is set again; line " +
                              std::to_string(at->second) + " set it already");
        }
      });
  return keys;
}

void apply_run_keys(const RunKeys& keys, RunState& s) {
  s.fbar_ages = keys.fbar;
  s.units_numbers = keys.units_numbers.value_or(RunState::kUnitNotStated);
  s.units_weight = keys.units_weight.value_or(RunState::kUnitNotStated);
  s.reference = keys.reference;
  s.stock_weight_file = keys.stock_weight_file.value_or("");
  s.forecast = ForecastSettings{};
  s.forecast.on = keys.forecast.value_or(false);
  s.forecast.mean_years = keys.forecast_mean_years.value_or(ForecastSettings::kDefaultMeanYears);
  s.forecast.recruitment_years = keys.forecast_recruitment;
  s.forecast.intermediate_catch = keys.forecast_intermediate_catch;
  s.forecast.equilibrium_simulations = keys.equilibrium_simulations.value_or(0);
  s.forecast.equilibrium_f_cv = keys.equilibrium_f_cv.value_or(0);
  s.forecast.equilibrium_f_autocorrelation = keys.equilibrium_f_autocorrelation.value_or(0);
  s.forecast.equilibrium_advice_rule = keys.equilibrium_advice_rule.value_or(false);
}

std::string run_keys_text(const RunKeys& keys) {
  std::string out;
  if (keys.fbar) {
    out += "# Ages of F-bar, the mean fishing mortality of the tables and the F chart\n";
    out +=
        "fbar = " + std::to_string((*keys.fbar)[0]) + "-" + std::to_string((*keys.fbar)[1]) + "\n";
  }
  if (keys.units_numbers) {
    out += "# Unit of the catch numbers (in the tables and the chart axes)\n";
    out += "units_numbers = " + *keys.units_numbers + "\n";
  }
  if (keys.units_weight) {
    out += "# Unit of the weights\n";
    out += "units_weight = " + *keys.units_weight + "\n";
  }
  if (keys.stock_weight_file) {
    out += "# Stock weights at age, for SSB and the total stock (the catch keeps W(a,y))\n";
    out += "stock_weight_file = " + *keys.stock_weight_file + "\n";
  }
  for (const ReferencePointKey& key : kReferencePointKeys) {
    if (const std::optional<double>& v = keys.reference.*key.value) {
      out += std::string("# Reference point ") + key.label + "\n";
      out += std::string(key.name) + " = " + reference_point_text(*v) + "\n";
    }
  }
  if (keys.forecast) {
    out += "# A short-term forecast after the run (yes or no)\n";
    out += std::string("forecast = ") + (*keys.forecast ? "yes" : "no") + "\n";
  }
  if (keys.forecast_mean_years) {
    out += "# Last years with catch whose weights, M, maturity and F at age the forecast takes\n";
    out += "forecast_mean_years = " + std::to_string(*keys.forecast_mean_years) + "\n";
  }
  if (keys.forecast_recruitment) {
    out += "# Years whose geometric mean recruitment the forecast assumes\n";
    out += "forecast_recruitment = " + std::to_string((*keys.forecast_recruitment)[0]) + "-" +
           std::to_string((*keys.forecast_recruitment)[1]) + "\n";
  }
  if (keys.forecast_intermediate_catch) {
    out += "# Catch in weight expected in the forecast's intermediate year\n";
    out +=
        "forecast_intermediate_catch = " + reference_point_text(*keys.forecast_intermediate_catch) +
        "\n";
  }
  if (keys.equilibrium_simulations) {
    out += "# Stocks simulated for the stochastic equilibrium, made with the short-term forecast\n";
    out += "equilibrium_simulations = " + std::to_string(*keys.equilibrium_simulations) + "\n";
  }
  if (keys.equilibrium_f_cv) {
    out += "# Spread of the simulated stocks' realised F around the F intended (log scale)\n";
    out += "equilibrium_f_cv = " + reference_point_text(*keys.equilibrium_f_cv) + "\n";
  }
  if (keys.equilibrium_f_autocorrelation) {
    out += "# Lag-one autocorrelation of that error\n";
    out += "equilibrium_f_autocorrelation = " +
           reference_point_text(*keys.equilibrium_f_autocorrelation) + "\n";
  }
  if (keys.equilibrium_advice_rule) {
    out += "# The simulated stocks fished by the advice rule below MSY Btrigger (yes or no)\n";
    out += std::string("equilibrium_advice_rule = ") +
           (*keys.equilibrium_advice_rule ? "yes" : "no") + "\n";
  }
  return out;
}

}  // namespace quorvane
