#include "tools/sim/stock_simulator.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

namespace quorvane::sim {

StockTable::StockTable(int ages, int years, double fill)
    : ages_(ages),
      years_(years),
      cells_(static_cast<std::size_t>(ages) * static_cast<std::size_t>(years), fill) {
  assert(ages >= 0 && years >= 0);
}

double& StockTable::operator()(int a, int y) {
  assert(a >= 0 && a < ages_ && y >= 0 && y < years_);
  return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(ages_) +
                static_cast<std::size_t>(a)];
}

double StockTable::operator()(int a, int y) const {
  assert(a >= 0 && a < ages_ && y >= 0 && y < years_);
  return cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(ages_) +
                static_cast<std::size_t>(a)];
}

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Streams of random numbers, one per source of randomness, so that the draws of one source do
// not depend on how many cells another source covers.
constexpr std::uint32_t kPopulationStream = 0;
constexpr std::uint32_t kCatchStream = 1;
constexpr std::uint32_t kSsbSurveyStreamBase = 100;
constexpr std::uint32_t kFleetStreamBase = 200;

// Standard normal deviates from std::mt19937, with transforms written out so that every
// platform draws the same numbers (the library's own distributions are not portable).
class NormalDeviates {
 public:
  NormalDeviates(std::uint32_t seed, std::uint32_t stream) : engine_(seed + 0x9E3779B9u * stream) {}

  // Box-Muller: z = sqrt(-2 ln u1) cos(2 pi u2), one deviate per pair of uniforms.
  double next() {
    const double u1 = uniform();
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
  }

 private:
  // (x + 0.5) / 2^32 lies strictly inside (0, 1), so its logarithm is always defined.
  double uniform() {
    const std::uint32_t x = static_cast<std::uint32_t>(engine_());
    return (static_cast<double>(x) + 0.5) / 4294967296.0;
  }

  std::mt19937 engine_;
};

// Log-sd of a lognormal error with the given coefficient of variation.
double log_sd_of_cv(double cv) { return std::sqrt(std::log(1.0 + cv * cv)); }

void require(bool condition, const std::string& what) {
  if (!condition) throw std::invalid_argument("simulation spec: " + what);
}

void require_table(const StockTable& t, const SimulationSpec& spec, const std::string& name) {
  require(t.ages() == spec.age_count() && t.years() == spec.year_count(),
          name + " must have one value per age and per year of the data");
}

void check_spec(const SimulationSpec& spec) {
  require(spec.first_age <= spec.last_age, "first age above last age");
  require(spec.first_year <= spec.last_year, "first year above last year");
  require(!spec.plus_group || spec.age_count() >= 2, "a plus group needs at least two ages");
  const auto ages = static_cast<std::size_t>(spec.age_count());
  require(spec.f.size() == static_cast<std::size_t>(spec.catch_year_count()),
          "f needs one value per catch year");
  require(spec.s1.size() == ages, "s1 needs one value per age");
  if (spec.last_year_of_s1 && *spec.last_year_of_s1 < spec.last_year) {
    require(spec.s2.size() == ages, "s2 needs one value per age when the age factor changes");
  }
  require_table(spec.natural_mortality, spec, "natural mortality");
  require_table(spec.weight, spec, "weight");
  require_table(spec.maturity, spec, "maturity");
  require(spec.part >= 0.0 && spec.part <= 1.0, "part must lie in 0..1");
  require(spec.recruitment_mean > 0.0, "mean recruitment must be positive");
  require(spec.recruitment_log_sd >= 0.0, "recruitment log-sd must not be negative");
  require(spec.initial_numbers.empty() || spec.initial_numbers.size() == ages,
          "initial numbers need one value per age");
  for (double n : spec.initial_numbers) require(n >= 0.0, "initial numbers must not be negative");
  require(spec.catch_cv >= 0.0, "catch CV must not be negative");
  require(spec.extended_year || !spec.extended_year_f, "f of an extended year without one");
  for (const SsbSurveySpec& survey : spec.ssb_surveys) {
    require(survey.time >= 0.0 && survey.time <= 1.0, "SSB survey time must lie in 0..1");
    require(survey.cv >= 0.0, "SSB survey CV must not be negative");
    require(!survey.relative || survey.coefficient > 0.0, "SSB survey coefficient must be > 0");
    const int first = survey.first_year.value_or(spec.first_year);
    const int last = survey.last_year.value_or(spec.data_last_year());
    require(first >= spec.first_year && last <= spec.data_last_year() && first <= last,
            "SSB survey years must lie inside the years of the data");
  }
  for (const FleetSpec& fleet : spec.fleets) {
    require(fleet.first_age >= spec.first_age && fleet.last_age <= spec.last_age &&
                fleet.first_age <= fleet.last_age,
            "fleet ages must lie inside the ages of the stock");
    require(fleet.first_year >= spec.first_year && fleet.last_year <= spec.data_last_year() &&
                fleet.first_year <= fleet.last_year,
            "fleet years must lie inside the years of the data");
    require(fleet.time >= 0.0 && fleet.time <= 1.0, "fleet time must lie in 0..1");
    require(fleet.cv >= 0.0, "fleet CV must not be negative");
    require(
        fleet.catchability.size() == static_cast<std::size_t>(fleet.last_age - fleet.first_age + 1),
        "fleet catchability needs one value per covered age");
    for (double q : fleet.catchability) require(q > 0.0, "fleet catchability must be positive");
  }
}

// s(a,y): s1 up to the change year, s2 after it; the extended year repeats the last catch year.
StockTable selectivity_by_year(const SimulationSpec& spec) {
  StockTable s(spec.age_count(), spec.year_count());
  for (int y = 0; y < spec.year_count(); ++y) {
    const int year = spec.first_year + std::min(y, spec.catch_year_count() - 1);
    const bool first_period = !spec.last_year_of_s1 || year <= *spec.last_year_of_s1;
    for (int a = 0; a < spec.age_count(); ++a) {
      s(a, y) = first_period ? spec.s1[static_cast<std::size_t>(a)]
                             : spec.s2[static_cast<std::size_t>(a)];
    }
  }
  return s;
}

// Numbers of the first year: given, or the equilibrium of the first year's survival
// (1 - f s) e^-M applied to each cohort's own recruitment, the plus group summing the
// geometric series of its survivors.
void fill_first_year(const SimulationSpec& spec, const SimulatedStock& stock,
                     NormalDeviates& population, StockTable& n) {
  const int ages = spec.age_count();
  if (!spec.initial_numbers.empty()) {
    for (int a = 0; a < ages; ++a) n(a, 0) = spec.initial_numbers[static_cast<std::size_t>(a)];
    return;
  }
  const double sd = spec.recruitment_log_sd;
  double survival_to_age = 1.0;
  for (int a = 1; a < ages; ++a) {
    const double previous_survival = (1.0 - stock.f[0] * stock.selectivity(a - 1, 0)) *
                                     std::exp(-spec.natural_mortality(a - 1, 0));
    survival_to_age *= previous_survival;
    const double cohort = spec.recruitment_mean * std::exp(sd * population.next() - 0.5 * sd * sd);
    n(a, 0) = cohort * survival_to_age;
    if (spec.plus_group && a == ages - 1) {
      const double own_survival =
          (1.0 - stock.f[0] * stock.selectivity(a, 0)) * std::exp(-spec.natural_mortality(a, 0));
      n(a, 0) /= 1.0 - own_survival;
    }
  }
}

// The population forward in time, and the catch that the model predicts.
void run_population(SimulatedStock& stock) {
  const SimulationSpec& spec = stock.spec;
  const int ages = spec.age_count();
  const int years = spec.year_count();
  const double part = spec.part;
  NormalDeviates population(spec.seed, kPopulationStream);

  StockTable& n = stock.numbers;
  n = StockTable(ages, years);
  stock.true_catch = StockTable(ages, years);

  // Recruitment at the first age of every year, lognormal about its arithmetic mean.
  const double sd = spec.recruitment_log_sd;
  for (int y = 0; y < years; ++y) {
    n(0, y) = spec.recruitment_mean * std::exp(sd * population.next() - 0.5 * sd * sd);
  }
  fill_first_year(spec, stock, population, n);

  for (int y = 0; y < years; ++y) {
    for (int a = 0; a < ages; ++a) {
      const double m = spec.natural_mortality(a, y);
      const double exploitation = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
      const double at_catch = n(a, y) * std::exp(-m * part);
      const double caught = exploitation * at_catch;
      stock.true_catch(a, y) = caught;
      if (y + 1 == years) continue;
      const double survivors = (at_catch - caught) * std::exp(-m * (1.0 - part));
      if (a + 1 < ages) {
        n(a + 1, y + 1) += survivors;
      } else if (spec.plus_group) {
        n(a, y + 1) += survivors;  // the plus group keeps its own survivors
      }
    }
  }

  stock.ssb.assign(static_cast<std::size_t>(years), 0.0);
  for (int y = 0; y < years; ++y) {
    double sum = 0.0;
    for (int a = 0; a < ages; ++a) sum += spec.maturity(a, y) * spec.weight(a, y) * n(a, y);
    stock.ssb[static_cast<std::size_t>(y)] = sum;
  }
}

void observe_catch(SimulatedStock& stock) {
  const SimulationSpec& spec = stock.spec;
  NormalDeviates noise(spec.seed, kCatchStream);
  const double sd = log_sd_of_cv(spec.catch_cv);
  stock.observed_catch = stock.true_catch;
  for (int y = 0; y < spec.catch_year_count(); ++y) {
    for (int a = 0; a < spec.age_count(); ++a) {
      const double z = noise.next();
      if (sd > 0.0) stock.observed_catch(a, y) *= std::exp(sd * z);
    }
  }
  if (spec.extended_year) {  // not reported yet
    for (int a = 0; a < spec.age_count(); ++a) stock.observed_catch(a, spec.year_count() - 1) = 0.0;
  }
}

// Survival from the start of the year to the fraction t of it: exp(-t Z).
double survival_to(const SimulatedStock& stock, int a, int y, double t) {
  return std::exp(-t * total_mortality(stock, a, y));
}

void observe_ssb_surveys(SimulatedStock& stock) {
  const SimulationSpec& spec = stock.spec;
  stock.ssb_indices.clear();
  for (std::size_t k = 0; k < spec.ssb_surveys.size(); ++k) {
    const SsbSurveySpec& survey = spec.ssb_surveys[k];
    NormalDeviates noise(spec.seed, kSsbSurveyStreamBase + static_cast<std::uint32_t>(k));
    const double sd = log_sd_of_cv(survey.cv);
    const int first = survey.first_year.value_or(spec.first_year);
    const int last = survey.last_year.value_or(spec.data_last_year());
    std::vector<double> series(static_cast<std::size_t>(spec.year_count()), kNoObservation);
    for (int y = 0; y < spec.year_count(); ++y) {
      const double z = noise.next();  // drawn in every year, observed or not
      const int year = spec.first_year + y;
      if (year < first || year > last) continue;
      double at_survey = 0.0;
      for (int a = 0; a < spec.age_count(); ++a) {
        at_survey += spec.maturity(a, y) * spec.weight(a, y) * stock.numbers(a, y) *
                     survival_to(stock, a, y, survey.time);
      }
      double value = survey.relative ? at_survey / survey.coefficient : at_survey;
      if (sd > 0.0) value *= std::exp(sd * z);
      series[static_cast<std::size_t>(y)] = value > 0.0 ? value : kNoObservation;
    }
    stock.ssb_indices.push_back(std::move(series));
  }
}

double measured_fraction(IndexOf index_of, double mature) {
  switch (index_of) {
    case IndexOf::WholeStock:
      return 1.0;
    case IndexOf::Mature:
      return mature;
    case IndexOf::Immature:
      return 1.0 - mature;
  }
  return 1.0;
}

void observe_fleets(SimulatedStock& stock) {
  const SimulationSpec& spec = stock.spec;
  stock.fleet_indices.clear();
  for (std::size_t k = 0; k < spec.fleets.size(); ++k) {
    const FleetSpec& fleet = spec.fleets[k];
    NormalDeviates noise(spec.seed, kFleetStreamBase + static_cast<std::uint32_t>(k));
    const double sd = log_sd_of_cv(fleet.cv);
    StockTable index(spec.age_count(), spec.year_count(), kNoObservation);
    for (int y = 0; y < spec.year_count(); ++y) {
      const int year = spec.first_year + y;
      for (int a = 0; a < spec.age_count(); ++a) {
        const double z = noise.next();  // drawn in every cell of the grid, observed or not
        const int age = spec.first_age + a;
        if (year < fleet.first_year || year > fleet.last_year || age < fleet.first_age ||
            age > fleet.last_age) {
          continue;
        }
        const double q = fleet.catchability[static_cast<std::size_t>(age - fleet.first_age)];
        const double measured = measured_fraction(fleet.index_of, spec.maturity(a, y)) *
                                stock.numbers(a, y) * survival_to(stock, a, y, fleet.time);
        double value = measured / q;
        if (sd > 0.0) value *= std::exp(sd * z);
        index(a, y) = value > 0.0 ? value : kNoObservation;
      }
    }
    stock.fleet_indices.push_back(std::move(index));
  }
}

}  // namespace

double total_mortality(const SimulatedStock& stock, int a, int y) {
  const double exploitation = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
  return stock.spec.natural_mortality(a, y) - std::log(1.0 - exploitation);
}

SimulatedStock simulate(const SimulationSpec& spec) {
  check_spec(spec);
  SimulatedStock stock;
  stock.spec = spec;
  stock.selectivity = selectivity_by_year(spec);
  stock.f = spec.f;
  if (spec.extended_year) stock.f.push_back(spec.extended_year_f.value_or(spec.f.back()));
  for (int y = 0; y < spec.year_count(); ++y) {
    for (int a = 0; a < spec.age_count(); ++a) {
      const double exploitation = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
      require(exploitation >= 0.0 && exploitation < 1.0,
              "f·s must lie in [0, 1) (age " + std::to_string(spec.first_age + a) + ", year " +
                  std::to_string(spec.first_year + y) + ")");
    }
  }
  stock.terminal_f = spec.f.back();

  run_population(stock);
  observe_catch(stock);
  observe_ssb_surveys(stock);
  observe_fleets(stock);
  return stock;
}

SimulationSpec without_observation_noise(SimulationSpec spec) {
  spec.catch_cv = 0.0;
  for (SsbSurveySpec& survey : spec.ssb_surveys) survey.cv = 0.0;
  for (FleetSpec& fleet : spec.fleets) fleet.cv = 0.0;
  return spec;
}

SimulationSpec with_extended_year(SimulationSpec spec) {
  if (spec.extended_year) return spec;
  check_spec(spec);
  const int years = spec.year_count();
  auto extend = [years](const StockTable& table) {
    StockTable longer(table.ages(), years + 1);
    for (int y = 0; y <= years; ++y) {
      for (int a = 0; a < table.ages(); ++a) longer(a, y) = table(a, std::min(y, years - 1));
    }
    return longer;
  };
  spec.natural_mortality = extend(spec.natural_mortality);
  spec.weight = extend(spec.weight);
  spec.maturity = extend(spec.maturity);
  for (SsbSurveySpec& survey : spec.ssb_surveys) {
    if (survey.last_year && *survey.last_year == spec.last_year) survey.last_year.reset();
  }
  for (FleetSpec& fleet : spec.fleets) {
    if (fleet.last_year == spec.last_year) fleet.last_year = spec.last_year + 1;
  }
  spec.extended_year = true;
  return spec;
}

}  // namespace quorvane::sim
