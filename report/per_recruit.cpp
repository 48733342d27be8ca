#include "report/per_recruit.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "report/multiplier_search.h"

namespace quorvane {

namespace {

constexpr const char* kProcedure = "per recruit";

// One recruit followed through every age at F multiplier x, with the derivative of its numbers
// with respect to x carried along, so that the slope of the yield is exact.
PerRecruitValue per_recruit_at(const std::vector<ForecastAge>& ages, double x, double part,
                               bool plus_group) {
  PerRecruitValue v;
  double n = 1, dn = 0;
  for (std::size_t j = 0; j < ages.size(); ++j) {
    const ForecastAge& a = ages[j];
    const double f = x * a.f;
    const double survival = std::exp(-a.m - f);
    if (j + 1 == ages.size() && plus_group) {
      // The plus group holds this age's survivors of every later year too: a geometric series.
      const double dying = 1 - survival;
      if (!(dying > 0)) {
        throw ForecastError("the plus group at age " + std::to_string(a.age) +
                            " never dies: its M and F are 0");
      }
      dn = dn / dying - n * survival * a.f / (dying * dying);
      n = n / dying;
    }
    const double caught = 1 - std::exp(-f);
    const double weight_caught = std::exp(-a.m * part) * a.weight;
    v.ypr += caught * n * weight_caught;
    v.slope += (a.f * std::exp(-f) * n + caught * dn) * weight_caught;
    v.spr += n * a.stock_weight * a.maturity;
    dn = (dn - n * a.f) * survival;
    n *= survival;
  }
  checked_finite(v.ypr, kProcedure);
  checked_finite(v.slope, kProcedure);
  checked_finite(v.spr, kProcedure);
  return v;
}

std::string fixed3(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

}  // namespace

PerRecruitValue per_recruit_value(const Forecast& forecast, const ForecastInput& in, double x) {
  return per_recruit_at(forecast.ages, x, in.part, in.plus_group);
}

bool is_reference_point(const PerRecruitRow& row) {
  return row.option == "F0.1" || row.option == "Fmax" || row.option.ends_with("%SPR");
}

PerRecruit per_recruit_of(const Forecast& forecast, const ForecastInput& in) {
  PerRecruit out;
  out.fbar_ages = in.fbar_ages;
  out.fbar_status_quo = forecast.fbar_status_quo;
  const auto at = [&](double x) { return per_recruit_value(forecast, in, x); };
  const PerRecruitValue unfished = at(0);
  const auto row = [&](const std::string& option, double x) {
    const PerRecruitValue v = at(x);
    out.rows.push_back({option, x, x * out.fbar_status_quo, v.ypr, v.spr,
                        unfished.spr > 0 ? 100 * v.spr / unfished.spr : 0});
  };
  for (int i = 0; i <= kPerRecruitSteps; ++i) {
    const double x = i / kPerRecruitStep;
    row(i == 0                                   ? "F = 0"
        : i == static_cast<int>(kPerRecruitStep) ? "status quo"
                                                 : "F x " + label_text(x),
        x);
  }

  const auto slope = [&](double x) { return at(x).slope; };
  if (unfished.slope > 0) {
    if (const std::optional<double> x = multiplier_for(slope, unfished.slope / 10, false))
      row("F0.1", *x);
    const double most = kFmaxLimit / out.fbar_status_quo;
    if (const std::optional<double> x = multiplier_for(slope, 0.0, false, most)) row("Fmax", *x);
  }
  if (unfished.spr > 0) {
    const auto spr = [&](double x) { return at(x).spr; };
    for (const auto& [name, fraction] : {std::pair{"F35%SPR", 0.35}, std::pair{"F40%SPR", 0.40}}) {
      if (const std::optional<double> x = multiplier_for(spr, fraction * unfished.spr, false))
        row(name, *x);
    }
  }
  return out;
}

std::string per_recruit_summary(const PerRecruit& per_recruit) {
  const auto point = [&](const std::string& name) {
    for (const PerRecruitRow& r : per_recruit.rows)
      if (r.option == name) return name + " " + fixed3(r.fbar);
    return name + " none";
  };
  std::string line = "Per recruit (F-bar " + std::to_string(per_recruit.fbar_ages[0]) + "-" +
                     std::to_string(per_recruit.fbar_ages[1]) + "): " + point("F0.1") + ", " +
                     point("Fmax") + ", " + point("F35%SPR") + ", " + point("F40%SPR");
  for (const PerRecruitRow& r : per_recruit.rows) {
    if (r.option == "status quo") {
      char percent[32];
      std::snprintf(percent, sizeof percent, "%.0f", r.spr_percent);
      line += "; status quo F-bar " + fixed3(r.fbar) + " leaves " + percent +
              " % of the SPR without fishing";
    }
  }
  return line;
}

}  // namespace quorvane
