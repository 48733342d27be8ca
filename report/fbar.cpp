#include "report/fbar.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "data/age_year_file.h"

namespace quorvane {

int fbar_first_index(const RunState& s) {
  return s.fbar_ages ? static_cast<int>((*s.fbar_ages)[0] - s.firstage + 2) : s.agemin;
}

int fbar_last_index(const RunState& s) {
  return s.fbar_ages ? static_cast<int>((*s.fbar_ages)[1] - s.firstage + 2) : s.agemax;
}

std::string fbar_ages_text(const RunState& s) {
  return label_text(s.age_label(fbar_first_index(s))) + "-" +
         label_text(s.age_label(fbar_last_index(s)));
}

std::string fbar_range_problem(const RunState& s) {
  if (fbar_first_index(s) >= s.agemin && fbar_last_index(s) <= s.agemax) return "";
  return "the F-bar ages " + std::to_string((*s.fbar_ages)[0]) + "-" +
         std::to_string((*s.fbar_ages)[1]) + " lie outside the ages of the analysis " +
         label_text(s.age_label(s.agemin)) + "-" + label_text(s.age_label(s.agemax));
}

double fbar_of_year(const RunState& s, int y) {
  const int first = fbar_first_index(s), last = fbar_last_index(s);
  double sum = 0;
  for (int a = first; a <= last; ++a) {
    const double survival = std::fabs(1 - s.f[y] * s.s(a, y));
    if (!(survival > 0)) return std::numeric_limits<double>::quiet_NaN();
    sum += -std::log(survival);
  }
  return sum / (last - first + 1);
}

std::optional<std::array<int, 2>> parse_age_range(std::string_view text) {
  const std::size_t dash = text.find('-', 1);
  if (dash == std::string_view::npos) return std::nullopt;
  std::array<int, 2> ages{};
  const std::string_view parts[2] = {text.substr(0, dash), text.substr(dash + 1)};
  for (int i = 0; i < 2; ++i) {
    const std::string_view p = parts[i];
    const auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), ages[i]);
    if (ec != std::errc() || end != p.data() + p.size() || p.empty()) return std::nullopt;
  }
  if (ages[0] > ages[1]) return std::nullopt;
  return ages;
}

}  // namespace quorvane
