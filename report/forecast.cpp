#include "report/forecast.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <optional>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "report/fbar.h"
#include "report/multiplier_search.h"

namespace quorvane {

namespace {

constexpr const char* kProcedure = "forecast";

// The fitted block as a table: cell (i, j) is year i and age j, counted from the first of each.
class Block {
 public:
  explicit Block(std::span<const StockCell> cells) : cells_(cells) {
    while (ages_ < cells.size() && cells[ages_].year == cells[0].year) ++ages_;
    years_ = ages_ == 0 ? 0 : cells.size() / ages_;
    if (ages_ == 0 || years_ * ages_ != cells.size()) {
      throw ForecastError("the fitted stock is not a whole block of years and ages");
    }
  }
  std::size_t years() const { return years_; }
  std::size_t ages() const { return ages_; }
  const StockCell& at(std::size_t i, std::size_t j) const {
    assert(i < years_ && j < ages_);
    return cells_[i * ages_ + j];
  }
  int year(std::size_t i) const { return static_cast<int>(at(i, 0).year); }
  int age(std::size_t j) const { return static_cast<int>(at(0, j).age); }

 private:
  std::span<const StockCell> cells_;
  std::size_t ages_ = 0, years_ = 0;
};

// The mean of one quantity of age j over years first..last. Equal values are their own mean, so
// that a constant M of 0.2 stays 0.2 rather than (0.2 + 0.2 + 0.2) / 3 = 0.20000000000000004.
double mean_over(const Block& block, std::size_t first, std::size_t last, std::size_t j,
                 double StockCell::*value) {
  const double v0 = block.at(first, j).*value;
  double sum = 0;
  bool equal = true;
  for (std::size_t i = first; i <= last; ++i) {
    sum += block.at(i, j).*value;
    equal = equal && block.at(i, j).*value == v0;
  }
  return equal ? v0 : sum / static_cast<double>(last - first + 1);
}

std::string range_text(const std::array<int, 2>& r) {
  return std::to_string(r[0]) + "-" + std::to_string(r[1]);
}

// One forecast year: its catch in weight and SSB from the numbers at its start, and the numbers
// at the start of the next year, whose youngest age is the assumed recruitment.
struct YearAhead {
  double catch_weight = 0;
  double ssb = 0;
  std::vector<double> next;
};

YearAhead year_ahead(const std::vector<ForecastAge>& ages, const std::vector<double>& n, double x,
                     double part, bool plus_group, double recruitment) {
  YearAhead out;
  out.next.assign(n.size(), 0.0);
  out.next[0] = recruitment;
  for (std::size_t j = 0; j < n.size(); ++j) {
    const ForecastAge& a = ages[j];
    const double f = x * a.f;
    out.catch_weight += (1 - std::exp(-f)) * n[j] * std::exp(-a.m * part) * a.weight;
    out.ssb += n[j] * a.stock_weight * a.maturity;
    const double survivors = n[j] * std::exp(-a.m - f);
    if (j + 1 < n.size()) {
      out.next[j + 1] += survivors;
    } else if (plus_group) {
      out.next[j] += survivors;
    }
  }
  checked_finite(out.catch_weight, kProcedure);
  checked_finite(out.ssb, kProcedure);
  return out;
}

double ssb_of(const std::vector<ForecastAge>& ages, const std::vector<double>& n) {
  double ssb = 0;
  for (std::size_t j = 0; j < n.size(); ++j) ssb += n[j] * ages[j].stock_weight * ages[j].maturity;
  return checked_finite(ssb, kProcedure);
}

}  // namespace

ForecastInput forecast_input_of(const RunState& s, std::span<const StockCell> cells) {
  ForecastInput in;
  in.cells = cells;
  in.part = s.part;
  in.plus_group = holds(s.n3, LastAgeKind::PlusGroup);
  in.fbar_ages = {age_of(s, fbar_first_index(s)), age_of(s, fbar_last_index(s))};
  in.reference = s.reference;
  in.settings = s.forecast;
  return in;
}

Forecast make_forecast(const ForecastInput& in) {
  const Block block(in.cells);
  const std::size_t na = block.ages();
  Forecast out;

  // 1. The last year with catch: a last year that carries surveys only is not fished in the fit.
  std::size_t d = block.years();
  for (std::size_t i = block.years(); i-- > 0 && d == block.years();) {
    for (std::size_t j = 0; j < na; ++j)
      if (block.at(i, j).catch_numbers > 0) d = i;
  }
  if (d == block.years()) throw ForecastError("no year of the analysis has a catch");
  out.data_year = block.year(d);

  // 2. The years of the means.
  const int mean_years = in.settings.mean_years;
  if (mean_years < 1 || static_cast<std::size_t>(mean_years) > d + 1) {
    throw ForecastError("forecast_mean_years " + std::to_string(mean_years) + " is more than the " +
                        std::to_string(d + 1) + " years with catch " +
                        std::to_string(block.year(0)) + "-" + std::to_string(out.data_year));
  }
  const std::size_t first_mean = d + 1 - static_cast<std::size_t>(mean_years);
  out.mean_years = {block.year(first_mean), out.data_year};

  // 3. The assumed recruitment: the geometric mean over the chosen years, by default every year
  //    before D, whose recruitment has been seen in the catch for more than one year.
  out.recruitment_years = in.settings.recruitment_years.value_or(
      std::array<int, 2>{block.year(0), d == 0 ? out.data_year : out.data_year - 1});
  const auto [r0, r1] = out.recruitment_years;
  if (r0 > r1 || r0 < block.year(0) || r1 > out.data_year) {
    throw ForecastError("the recruitment years " + range_text(out.recruitment_years) +
                        " are not inside the years with catch " + std::to_string(block.year(0)) +
                        "-" + std::to_string(out.data_year));
  }
  double log_sum = 0;
  for (int year = r0; year <= r1; ++year) {
    const double r = block.at(static_cast<std::size_t>(year - block.year(0)), 0).n;
    if (!(r > 0)) {
      throw ForecastError("the recruitment of " + std::to_string(year) + " is " + label_text(r) +
                          ", and its geometric mean needs every year's above 0");
    }
    log_sum += checked_log(r, kProcedure, block.age(0), year);
  }
  out.recruitment = checked_finite(std::exp(log_sum / (r1 - r0 + 1)), kProcedure);

  // 4. Means of weight, M, maturity and F at age over the last years with catch.
  out.ages.resize(na);
  for (std::size_t j = 0; j < na; ++j) {
    ForecastAge& a = out.ages[j];
    a.age = block.age(j);
    const auto mean = [&](double StockCell::*value) {
      return mean_over(block, first_mean, d, j, value);
    };
    a.weight = mean(&StockCell::weight);
    a.stock_weight = mean(&StockCell::stock_weight);
    a.m = mean(&StockCell::m);
    a.maturity = mean(&StockCell::maturity);
    a.f = mean(&StockCell::f);
  }

  // 5. Status quo F: the mean pattern scaled to the F-bar of year D.
  const int fa0 = in.fbar_ages[0] - block.age(0), fa1 = in.fbar_ages[1] - block.age(0);
  if (fa0 < 0 || fa1 < fa0 || fa1 >= static_cast<int>(na)) {
    throw ForecastError("the F-bar ages " + range_text(in.fbar_ages) +
                        " are not inside the ages of the analysis");
  }
  double fbar_pattern = 0, fbar_last = 0;
  for (int j = fa0; j <= fa1; ++j) {
    fbar_pattern += out.ages[static_cast<std::size_t>(j)].f;
    fbar_last += block.at(d, static_cast<std::size_t>(j)).f;
  }
  fbar_pattern /= fa1 - fa0 + 1;
  fbar_last /= fa1 - fa0 + 1;
  if (!(fbar_pattern > 0) || !(fbar_last > 0)) {
    throw ForecastError("the F-bar of " + std::to_string(out.data_year) +
                        " is 0: there is no status quo fishing to carry forward");
  }
  for (ForecastAge& a : out.ages) a.f = checked_finite(a.f * fbar_last / fbar_pattern, kProcedure);
  out.fbar_status_quo = fbar_last;

  // 6. The numbers at the start of D+1: the survivors of year D, and the assumed recruitment.
  std::vector<double> start(na, 0.0);
  start[0] = out.recruitment;
  for (std::size_t j = 0; j < na; ++j) {
    const StockCell& c = block.at(d, j);
    const double survivors = c.n * std::exp(-c.m - c.f);
    if (j + 1 < na) {
      start[j + 1] += survivors;
    } else if (in.plus_group) {
      start[j] += survivors;
    }
  }
  for (std::size_t j = 0; j < na; ++j) out.ages[j].n = checked_finite(start[j], kProcedure);

  // 7. The intermediate year at status quo fishing, or at the F that takes the catch the user
  //    expects for it (a TAC already set, for example).
  double x_now = 1.0;
  std::string basis = "status quo";
  if (const std::optional<double> expected = in.settings.intermediate_catch) {
    const auto catch_at = [&](double x) {
      return year_ahead(out.ages, start, x, in.part, in.plus_group, out.recruitment).catch_weight;
    };
    const std::optional<double> x = multiplier_for(catch_at, *expected, true);
    if (!x) {
      throw ForecastError("the catch of " + label_text(*expected) + " expected in " +
                          std::to_string(out.data_year + 1) +
                          " is more than the stock can give at any F");
    }
    x_now = *x;
    basis = "catch constraint";
  }
  const YearAhead intermediate =
      year_ahead(out.ages, start, x_now, in.part, in.plus_group, out.recruitment);
  const double ssb_advice = ssb_of(out.ages, intermediate.next);
  out.rows.push_back({out.data_year + 1, basis, x_now, x_now * fbar_last, intermediate.catch_weight,
                      intermediate.ssb, ssb_advice});

  // 8. The advice year at each fishing level; F-bar follows the multiplier.
  const auto advice_at = [&](double x) {
    return year_ahead(out.ages, intermediate.next, x, in.part, in.plus_group, out.recruitment);
  };
  const auto option = [&](const std::string& name, double x, double fbar) {
    const YearAhead advice = advice_at(x);
    out.rows.push_back({out.data_year + 2, name, x, fbar, advice.catch_weight, advice.ssb,
                        ssb_of(out.ages, advice.next)});
  };
  for (int i = 0; i <= kForecastSteps; ++i) {
    const double x = i / kForecastStep;
    const std::string name = i == 0                                 ? "F = 0"
                             : i == static_cast<int>(kForecastStep) ? "status quo"
                                                                    : "F x " + label_text(x);
    option(name, x, x * fbar_last);
  }
  if (in.reference.fpa) option("Fpa", *in.reference.fpa / fbar_last, *in.reference.fpa);
  if (in.reference.flim) option("Flim", *in.reference.flim / fbar_last, *in.reference.flim);
  if (const std::optional<double> fmsy = in.reference.fmsy) {
    option("Fmsy", *fmsy / fbar_last, *fmsy);
    // The MSY approach: Fmsy, cut in proportion to SSB when the SSB at the start of the advice
    // year is below MSY Btrigger.
    if (const std::optional<double> trigger = in.reference.msy_btrigger) {
      const double fbar = *fmsy * std::min(1.0, ssb_advice / *trigger);
      option("MSY approach", fbar / fbar_last, fbar);
    }
  }
  // 9. The fishing that leaves SSB at Bpa at the start of D+3, when some F does: none when even
  //    no fishing leaves less (the row F = 0 shows it).
  if (in.reference.bpa) {
    const auto ssb_after = [&](double x) { return ssb_of(out.ages, advice_at(x).next); };
    if (const std::optional<double> x = multiplier_for(ssb_after, *in.reference.bpa, false)) {
      option("SSB = Bpa", *x, *x * fbar_last);
    }
  }
  return out;
}

std::string forecast_summary(const Forecast& forecast) {
  const auto fixed3 = [](double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return std::string(text);
  };
  const auto whole = [](double v) { return label_text(std::round(v)); };
  const ForecastRow& now = forecast.rows.front();
  std::string line = "Forecast: ";
  if (now.option == "status quo") {
    line += "at status quo F-bar " + fixed3(forecast.fbar_status_quo) + ", a catch of " +
            whole(now.catch_weight) + " in " + std::to_string(now.year) + " and ";
  } else {
    line += "a catch of " + whole(now.catch_weight) + " in " + std::to_string(now.year) +
            " (F-bar " + fixed3(now.fbar) + "), then at status quo F-bar " +
            fixed3(forecast.fbar_status_quo) + " a catch of ";
  }
  for (const ForecastRow& r : forecast.rows) {
    if (r.year == now.year + 1 && r.option == "status quo") {
      line += whole(r.catch_weight) + " in " + std::to_string(r.year) + ", SSB " +
              whole(r.ssb_next) + " at the start of " + std::to_string(r.year + 1);
    }
  }
  return line;
}

}  // namespace quorvane
