#include "run/tuning_series.h"

#include <tuple>
#include <utility>

#include "state/tables.h"

namespace quorvane {

std::string TuningSeries::key() const {
  return (kind == Kind::SsbSurvey ? "ssb" : "fleet") + std::to_string(number);
}

std::string TuningSeries::description() const {
  std::string d = (kind == Kind::SsbSurvey ? "SSB survey " : "fleet ") + std::to_string(number);
  return name.empty() ? d : d + " (" + name + ")";
}

std::optional<TuningSeries> tuning_series_of_key(std::string_view key, std::string name) {
  for (const auto& [prefix, kind, most] :
       {std::tuple{std::string_view("ssb"), TuningSeries::Kind::SsbSurvey, kSsbSlots - 1},
        std::tuple{std::string_view("fleet"), TuningSeries::Kind::Fleet, kFleetSlots - 1}}) {
    if (!key.starts_with(prefix) || key.size() != prefix.size() + 1) continue;
    const int number = key.back() - '0';
    if (number >= 1 && number <= most) return TuningSeries{kind, number, std::move(name)};
  }
  return std::nullopt;
}

}  // namespace quorvane
