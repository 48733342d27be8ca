#include "report/stock_status.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <utility>

namespace quorvane {

namespace {

std::string formatted(const char* format, double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// SSB in whole units where it is large, as the tables' readers count it; small values keep four
// digits.
std::string ssb_text(double ssb) {
  return std::fabs(ssb) >= 100 ? formatted("%.0f", ssb) : formatted("%.4g", ssb);
}

// " = 1.22 x MSY Btrigger, 1.53 x Bpa" for the points stated; nothing when none is.
std::string ratios(double value,
                   std::initializer_list<std::pair<const char*, std::optional<double>>> points) {
  std::string text;
  for (const auto& [name, point] : points) {
    if (!point || !(*point > 0)) continue;
    text += (text.empty() ? " = " : ", ") + formatted("%.2f", value / *point) + " x " + name;
  }
  return text;
}

}  // namespace

std::string stock_status_line(const ResultsRecord& fit, const ReferencePoints& ref) {
  if (fit.years.empty() || ref == ReferencePoints{}) return "";
  const SummaryYear& last = fit.years.back();
  std::string line =
      "Status in " + formatted("%.0f", last.year) + ": SSB " + ssb_text(last.ssb) +
      ratios(last.ssb, {{"MSY Btrigger", ref.msy_btrigger}, {"Bpa", ref.bpa}, {"Blim", ref.blim}});
  const std::string ages = fit.fbar_ages.empty() ? "" : " " + fit.fbar_ages;
  line += "; F-bar" + ages + " " + formatted("%.3g", last.fbar) +
          ratios(last.fbar, {{"Fmsy", ref.fmsy}, {"Fpa", ref.fpa}, {"Flim", ref.flim}});
  return line;
}

}  // namespace quorvane
