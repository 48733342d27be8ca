#include "report/equilibrium.h"

#include <cstdio>
#include <optional>

#include "report/multiplier_search.h"

namespace quorvane {

namespace {

std::string fixed(double v, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

const EquilibriumRow* row_named(const Equilibrium& e, const std::string& option) {
  for (const EquilibriumRow& r : e.rows)
    if (r.option == option) return &r;
  return nullptr;
}

}  // namespace

Equilibrium equilibrium_of(const Forecast& forecast, const ForecastInput& in,
                           const PerRecruit& per_recruit,
                           const std::vector<YearClass>& year_classes) {
  const std::optional<SegmentedFit> fit = segmented_regression(year_classes);
  if (!fit) {
    throw ForecastError("no segmented regression: it needs " + std::to_string(kLeastYearClasses) +
                        " year classes with SSB and recruits above 0 and SSB that varies");
  }
  if (fit->at_highest) {
    throw ForecastError(
        "the segmented regression finds no plateau (recruitment follows SSB up to the highest "
        "SSB seen)");
  }
  Equilibrium out;
  out.fbar_ages = per_recruit.fbar_ages;
  out.fit = *fit;

  // One recruit must leave at least 1 / slope of spawners for the stock to replace itself.
  const double replacement = fit->breakpoint / fit->plateau;
  const auto spr = [&](double x) { return per_recruit_value(forecast, in, x).spr; };
  if (spr(0) < replacement) {
    throw ForecastError(
        "the segmented regression's slope cannot replace the stock even without "
        "fishing (SSB per recruit " +
        fixed(spr(0), 6) + " against " + fixed(replacement, 6) + " needed)");
  }
  // None when the stock replaces itself at any multiplier the search reaches (selection only
  // on fish that have spawned).
  const std::optional<double> crash = multiplier_for(spr, replacement, false);
  const auto standing = [&](double x) { return !crash || x < *crash; };

  const auto row = [&](const std::string& option, double x, double fbar, double ypr, double s) {
    const double r = standing(x) ? fit->plateau : 0;
    out.rows.push_back({option, x, fbar, r, r * s, r * ypr});
  };
  const PerRecruitRow* fmax = nullptr;
  for (const PerRecruitRow& p : per_recruit.rows) {
    if (!is_reference_point(p)) {
      row(p.option, p.f_mult, p.fbar, p.ypr, p.spr);
    } else if (p.option == "Fmax") {
      fmax = &p;
    }
  }
  if (crash) {
    // The limit as F-bar rises to Fcrash: the plateau's recruits at the breakpoint's SSB.
    const PerRecruitValue v = per_recruit_value(forecast, in, *crash);
    out.rows.push_back({kFcrash, *crash, *crash * per_recruit.fbar_status_quo, fit->plateau,
                        fit->breakpoint, fit->plateau * v.ypr});
  }
  if (fmax != nullptr && standing(fmax->f_mult)) {
    row(kDeterministicFmsy, fmax->f_mult, fmax->fbar, fmax->ypr, fmax->spr);
  }
  return out;
}

std::string equilibrium_summary(const Equilibrium& e) {
  std::string line = "Equilibrium (F-bar " + std::to_string(e.fbar_ages[0]) + "-" +
                     std::to_string(e.fbar_ages[1]) + "; segmented regression on " +
                     std::to_string(e.fit.year_classes) + " year classes, breakpoint SSB " +
                     fixed(e.fit.breakpoint, 0);
  if (e.fit.at_lowest) line += " = the lowest SSB seen, so no stock effect in the data";
  line += "): ";
  const EquilibriumRow* crash = row_named(e, kFcrash);
  line += crash != nullptr ? "Fcrash " + fixed(crash->fbar, 3)
                           : std::string("no Fcrash (the stock replaces itself at any F)");
  if (const EquilibriumRow* msy = row_named(e, kDeterministicFmsy)) {
    line += "; the yield is largest at Fmax " + fixed(msy->fbar, 3) + ", " + fixed(msy->yield, 0) +
            " a year with SSB " + fixed(msy->ssb, 0);
  } else {
    line += crash != nullptr ? "; the yield rises until the stock crashes: no Fmsy to be had"
                             : "; the yield per recruit has no maximum: no Fmsy to be had";
  }
  return line;
}

}  // namespace quorvane
