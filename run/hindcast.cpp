#include "run/hindcast.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <utility>

#include "base/print.h"
#include "report/tables.h"
#include "run/tuning_series.h"

namespace quorvane {

namespace {

constexpr int kWholeStock = 1, kMature = 2, kImmature = 3;
constexpr int kNumbersAgainstNumbers = 1;

std::vector<const StockCell*> cells_of_year(const ResultsRecord& r, double year) {
  std::vector<const StockCell*> cells;
  for (const StockCell& c : r.cells)
    if (c.year == year) cells.push_back(&c);
  return cells;
}

// The geometric mean of the fit's recruitment over its years; none when a year has none.
std::optional<double> mean_recruitment(const ResultsRecord& fit) {
  double sum = 0;
  int n = 0;
  for (const SummaryYear& y : fit.years) {
    if (!(y.recruitment > 0)) return std::nullopt;
    sum += std::log(y.recruitment);
    ++n;
  }
  if (n == 0) return std::nullopt;
  return std::exp(sum / n);
}

std::optional<double> observed(const ResultsRecord& full, SurveyPoint::Kind kind, int number,
                               double year, std::optional<double> age) {
  for (const SurveyPoint& p : full.surveys) {
    if (p.kind == kind && p.number == number && p.year == year && p.age == age && p.observed > 0)
      return p.observed;
  }
  return std::nullopt;
}

// The share of the numbers at age that a fleet measures; none for a kind it does not know.
std::optional<double> measured_share(int measures, double maturity) {
  switch (measures) {
    case kWholeStock:
      return 1.0;
    case kMature:
      return maturity;
    case kImmature:
      return 1 - maturity;
    default:
      return std::nullopt;
  }
}

bool usable(double v) { return std::isfinite(v) && v > 0; }

// The fit's catchability of fleet k at each age (index = catchability x measured stock).
std::map<double, double> catchabilities(const ResultsRecord& fit, int k) {
  std::map<double, double> q;
  for (const SurveyPoint& p : fit.surveys)
    if (p.kind == SurveyPoint::Kind::Fleet && p.number == k && p.age && p.catchability)
      q.emplace(*p.age, *p.catchability);
  return q;
}

// The fit's coefficient of SSB survey k (index x coefficient = SSB at survey time).
std::optional<double> coefficient(const ResultsRecord& fit, int k) {
  for (const SurveyPoint& p : fit.surveys)
    if (p.kind == SurveyPoint::Kind::Ssb && p.number == k && p.coefficient) return p.coefficient;
  return std::nullopt;
}

// SSB at survey time in the year ahead; none when a mature age lacks its numbers or mortality.
std::optional<double> ssb_ahead(std::span<const AgeAhead> ages, double survey_time) {
  double ssb = 0;
  for (const AgeAhead& a : ages) {
    const double spawning = a.next->maturity * a.next->stock_weight;
    if (spawning == 0) continue;
    if (!a.n || !a.z) return std::nullopt;
    ssb += spawning * *a.n * std::exp(-survey_time * *a.z);
  }
  return ssb;
}

// "SSB survey 1", "fleet 2 (IBTS_Q1)".
std::string series_name(SurveyPoint::Kind kind, int number, const ResultsRecord& full) {
  return kind == SurveyPoint::Kind::Ssb
             ? TuningSeries{TuningSeries::Kind::SsbSurvey, number, ""}.description()
             : TuningSeries{TuningSeries::Kind::Fleet, number, fleet_name(full, number)}
                   .description();
}

const char* kind_text(SurveyPoint::Kind kind) {
  return kind == SurveyPoint::Kind::Ssb ? "ssb" : "fleet";
}

// A fleet's name for the tables; none for an SSB survey.
std::string series_label(SurveyPoint::Kind kind, int number, const ResultsRecord& full) {
  return kind == SurveyPoint::Kind::Fleet ? fleet_name(full, number) : "";
}

}  // namespace

std::vector<AgeAhead> stock_ahead(std::span<const StockCell* const> last,
                                  std::span<const StockCell* const> next, double part,
                                  bool plus_group, std::optional<double> recruitment) {
  if (last.empty() || last.size() != next.size()) return {};
  for (std::size_t j = 0; j < last.size(); ++j)
    if (last[j]->age != next[j]->age) return {};
  std::vector<AgeAhead> ahead(next.size());
  for (std::size_t j = 0; j < next.size(); ++j) {
    AgeAhead& a = ahead[j];
    a.age = next[j]->age;
    a.next = next[j];
    if (j == 0) {
      a.n = recruitment;
    } else {
      const StockCell& before = *last[j - 1];
      double n = before.n * std::exp(-before.m - before.f);
      if (plus_group && j + 1 == next.size()) n += last[j]->n * std::exp(-last[j]->m - last[j]->f);
      if (std::isfinite(n) && n >= 0) a.n = n;
    }
    if (!a.n || !(*a.n > 0)) continue;
    const double phy = next[j]->catch_numbers * std::exp(next[j]->m * part) / *a.n;
    if (std::isfinite(phy) && phy >= 0 && phy < 1) a.z = next[j]->m - std::log(1 - phy);
  }
  return ahead;
}

std::vector<HindcastPoint> hindcast_points(const ResultsRecord& full, const ResultsRecord& fit,
                                           int peel) {
  std::vector<HindcastPoint> points;
  if (fit.years.empty()) return points;
  const double last_year = fit.years.back().year;
  const double year = last_year + 1;
  const std::vector<const StockCell*> last = cells_of_year(fit, last_year);
  const std::vector<const StockCell*> next = cells_of_year(full, year);
  const std::vector<AgeAhead> ahead =
      stock_ahead(last, next, full.part, full.plus_group, mean_recruitment(fit));
  if (ahead.empty()) return points;

  // SSB surveys, each in turn, as the full run lists them.
  std::vector<int> surveys, fleets;
  for (const SurveyPoint& p : full.surveys) {
    std::vector<int>& list = p.kind == SurveyPoint::Kind::Ssb ? surveys : fleets;
    if (std::find(list.begin(), list.end(), p.number) == list.end()) list.push_back(p.number);
  }
  const std::optional<double> ssb = ssb_ahead(ahead, full.ssb_survey_time);
  for (int k : surveys) {
    const auto seen = observed(full, SurveyPoint::Kind::Ssb, k, year, std::nullopt);
    const auto before = observed(full, SurveyPoint::Kind::Ssb, k, last_year, std::nullopt);
    const auto coef = coefficient(fit, k);
    if (!seen || !before || !coef || !ssb || !usable(*coef)) continue;
    const double predicted = *ssb / *coef;
    if (usable(predicted))
      points.push_back(
          {SurveyPoint::Kind::Ssb, k, peel, year, std::nullopt, *seen, predicted, *before});
  }

  for (int k : fleets) {
    if (k < 1 || k >= static_cast<int>(full.fleet_models.size())) continue;
    const FleetModel& model = full.fleet_models[static_cast<std::size_t>(k)];
    if (model.comparison != kNumbersAgainstNumbers) continue;
    const std::map<double, double> q = catchabilities(fit, k);
    // The youngest age of the year ahead is a year class the fit has not seen.
    for (std::size_t j = 1; j < ahead.size(); ++j) {
      const AgeAhead& a = ahead[j];
      const auto seen = observed(full, SurveyPoint::Kind::Fleet, k, year, a.age);
      const auto before = observed(full, SurveyPoint::Kind::Fleet, k, last_year, a.age);
      const auto catchability = q.find(a.age);
      const auto share = measured_share(model.measures, a.next->maturity);
      if (!seen || !before || catchability == q.end() || !share || !a.n || !a.z) continue;
      const double predicted = catchability->second * *share * *a.n * std::exp(-model.time * *a.z);
      if (usable(predicted))
        points.push_back(
            {SurveyPoint::Kind::Fleet, k, peel, year, a.age, *seen, predicted, *before});
    }
  }
  return points;
}

std::optional<double> mase(std::span<const HindcastPoint> points) {
  double model = 0, naive = 0;
  for (const HindcastPoint& p : points) {
    model += std::fabs(std::log(p.predicted) - std::log(p.observed));
    naive += std::fabs(std::log(p.naive) - std::log(p.observed));
  }
  if (points.empty() || naive == 0) return std::nullopt;
  return model / naive;
}

std::vector<HindcastScore> hindcast_scores(std::span<const HindcastPoint> points) {
  std::vector<HindcastScore> scores;
  const auto score = [&](SurveyPoint::Kind kind, int number, std::optional<double> age) {
    std::vector<HindcastPoint> of;
    for (const HindcastPoint& p : points)
      if (p.kind == kind && p.number == number && (!age || p.age == age)) of.push_back(p);
    scores.push_back({kind, number, age, mase(of), static_cast<int>(of.size())});
  };
  for (const SurveyPoint::Kind kind : {SurveyPoint::Kind::Ssb, SurveyPoint::Kind::Fleet}) {
    std::map<int, std::vector<double>> series;  // number -> ages, in order
    for (const HindcastPoint& p : points) {
      if (p.kind != kind) continue;
      std::vector<double>& ages = series[p.number];
      if (p.age && std::find(ages.begin(), ages.end(), *p.age) == ages.end())
        ages.push_back(*p.age);
    }
    for (auto& [number, ages] : series) {
      std::sort(ages.begin(), ages.end());
      score(kind, number, std::nullopt);
      for (double age : ages) score(kind, number, age);
    }
  }
  return scores;
}

std::string hindcast_line(std::span<const HindcastScore> scores, const ResultsRecord& full) {
  std::string line;
  for (const HindcastScore& s : scores) {
    if (s.age) continue;
    line += line.empty() ? "Hindcast MASE (below 1 foresees the survey better than its last year): "
                         : ", ";
    line += series_name(s.kind, s.number, full) + " ";
    if (s.mase) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.3g", *s.mase);
      line += buf;
    } else {
      line += "none";
    }
    line += " from " + std::to_string(s.predictions) +
            (s.predictions == 1 ? " prediction" : " predictions");
  }
  return line;
}

void write_hindcast_tables(const std::string& folder, std::span<const HindcastPoint> points,
                           std::span<const HindcastScore> scores, const ResultsRecord& full) {
  std::string text = "kind,number,name,peel,year,age,observed,predicted,naive\n";
  for (const HindcastPoint& p : points) {
    text += std::string(kind_text(p.kind)) + "," + std::to_string(p.number) + "," +
            csv_text(series_label(p.kind, p.number, full)) + "," + std::to_string(p.peel) + "," +
            csv_number(p.year) + "," + (p.age ? csv_number(*p.age) : "") + "," +
            csv_number(p.observed) + "," + csv_number(p.predicted) + "," + csv_number(p.naive) +
            "\n";
  }
  write_text_file(std::filesystem::path(folder) / "hindcast.csv", text);

  std::string table = "kind,number,name,age,mase,predictions\n";
  for (const HindcastScore& s : scores) {
    table += std::string(kind_text(s.kind)) + "," + std::to_string(s.number) + "," +
             csv_text(series_label(s.kind, s.number, full)) + "," +
             (s.age ? csv_number(*s.age) : "") + "," + (s.mase ? csv_number(*s.mase) : "") + "," +
             std::to_string(s.predictions) + "\n";
  }
  write_text_file(std::filesystem::path(folder) / "hindcast_mase.csv", table);
}

}  // namespace quorvane
