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

double &StockTable::operator()(int a, int y) {
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

// Streams of random numbers, one per source of randomness, so that the draws of
// one source do not depend on how many cells another source covers.
constexpr std::uint32_t kPopulationStream = 0;
constexpr std::uint32_t kCatchStream = 1;
constexpr std::uint32_t kSsbSurveyStreamBase = 100;
constexpr std::uint32_t kFleetStreamBase = 200;

// Standard normal deviates from std::mt19937, with transforms written out so
// that every platform draws the same numbers (the library's own distributions
// are not portable).
class NormalDeviates {
 public:
  NormalDeviates(std::uint32_t seed, std::uint32_t stream) : engine_(seed + 0x9E3779B9u * stream) {}

  // Box-Muller: z = sqrt(-2 ln u1) cos(2 pi u2), one deviate per pair of
  // uniforms.
  double next() {
    const double u1 = uniform();
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
  }

 private:
  // (x + 0.5) / 2^32 lies strictly inside (0, 1), so its logarithm is always
  // defined.
  double uniform() {
    const std::uint32_t x = static_cast<std::uint32_t>(engine_());
    return (static_cast<double>(x) + 0.5) / 4294967296.0;
  }

  std::mt19937 engine_;
};

// Log-sd of a lognormal error with the given coefficient of variation.
double log_sd_of_cv(double cv) { return std::sqrt(std::log(1.0 + cv * cv)); }

void require(bool condition, const std::string &what) {
  if (!condition) throw std::invalid_argument("simulation scenario: " + what);
}

void require_table(const StockTable &t, const Scenario &scenario, const std::string &name) {
  require(t.ages() == scenario.age_count() && t.years() == scenario.year_count(),
          name + " must have one value per age and per year of the data");
}

void check_spec(const Scenario &scenario) {
  require(scenario.first_age <= scenario.last_age, "first age above last age");
  require(scenario.first_year <= scenario.last_year, "first year above last year");
  require(!scenario.plus_group || scenario.age_count() >= 2,
          "a plus group needs at least two ages");
  const auto ages = static_cast<std::size_t>(scenario.age_count());
  require(scenario.f.size() == static_cast<std::size_t>(scenario.catch_year_count()),
          "f needs one value per catch year");
  require(scenario.s1.size() == ages, "s1 needs one value per age");
  if (scenario.last_year_of_s1 && *scenario.last_year_of_s1 < scenario.last_year) {
    require(scenario.s2.size() == ages, "s2 needs one value per age when the age factor changes");
  }
  require_table(scenario.natural_mortality, scenario, "natural mortality");
  require_table(scenario.weight, scenario, "weight");
  require_table(scenario.maturity, scenario, "maturity");
  require(scenario.part >= 0.0 && scenario.part <= 1.0, "part must lie in 0..1");
  require(scenario.recruitment_mean > 0.0, "mean recruitment must be positive");
  require(scenario.recruitment_log_sd >= 0.0, "recruitment log-sd must not be negative");
  require(scenario.initial_numbers.empty() || scenario.initial_numbers.size() == ages,
          "initial numbers need one value per age");
  for (double n : scenario.initial_numbers)
    require(n >= 0.0, "initial numbers must not be negative");
  require(scenario.catch_cv >= 0.0, "catch CV must not be negative");
  require(scenario.extended_year || !scenario.extended_year_f, "f of an extended year without one");
  for (const SsbSurveySpec &survey : scenario.ssb_surveys) {
    require(survey.time >= 0.0 && survey.time <= 1.0, "SSB survey time must lie in 0..1");
    require(survey.cv >= 0.0, "SSB survey CV must not be negative");
    require(!survey.relative || survey.coefficient > 0.0, "SSB survey coefficient must be > 0");
    const int first = survey.first_year.value_or(scenario.first_year);
    const int last = survey.last_year.value_or(scenario.data_last_year());
    require(first >= scenario.first_year && last <= scenario.data_last_year() && first <= last,
            "SSB survey years must lie inside the years of the data");
  }
  for (const FleetSpec &fleet : scenario.fleets) {
    require(fleet.first_age >= scenario.first_age && fleet.last_age <= scenario.last_age &&
                fleet.first_age <= fleet.last_age,
            "fleet ages must lie inside the ages of the stock");
    require(fleet.first_year >= scenario.first_year &&
                fleet.last_year <= scenario.data_last_year() && fleet.first_year <= fleet.last_year,
            "fleet years must lie inside the years of the data");
    require(fleet.time >= 0.0 && fleet.time <= 1.0, "fleet time must lie in 0..1");
    require(fleet.cv >= 0.0, "fleet CV must not be negative");
    require(
        fleet.catchability.size() == static_cast<std::size_t>(fleet.last_age - fleet.first_age + 1),
        "fleet catchability needs one value per covered age");
    for (double q : fleet.catchability) require(q > 0.0, "fleet catchability must be positive");
  }
}

// s(a,y): s1 up to the change year, s2 after it; the extended year repeats the
// last catch year.
StockTable selectivity_by_year(const Scenario &scenario) {
  StockTable s(scenario.age_count(), scenario.year_count());
  for (int y = 0; y < scenario.year_count(); ++y) {
    const int year = scenario.first_year + std::min(y, scenario.catch_year_count() - 1);
    const bool first_period = !scenario.last_year_of_s1 || year <= *scenario.last_year_of_s1;
    for (int a = 0; a < scenario.age_count(); ++a) {
      s(a, y) = first_period ? scenario.s1[static_cast<std::size_t>(a)]
                             : scenario.s2[static_cast<std::size_t>(a)];
    }
  }
  return s;
}

// Numbers of the first year: given, or the equilibrium of the first year's
// survival (1 - f s) e^-M applied to each cohort's own recruitment, the plus
// group summing the geometric series of its survivors.
void fill_first_year(const Scenario &scenario, const SimulatedStock &stock,
                     NormalDeviates &population, StockTable &n) {
  const int ages = scenario.age_count();
  if (!scenario.initial_numbers.empty()) {
    for (int a = 0; a < ages; ++a) n(a, 0) = scenario.initial_numbers[static_cast<std::size_t>(a)];
    return;
  }
  const double sd = scenario.recruitment_log_sd;
  double survival_to_age = 1.0;
  for (int a = 1; a < ages; ++a) {
    const double previous_survival = (1.0 - stock.f[0] * stock.selectivity(a - 1, 0)) *
                                     std::exp(-scenario.natural_mortality(a - 1, 0));
    survival_to_age *= previous_survival;
    const double cohort =
        scenario.recruitment_mean * std::exp(sd * population.next() - 0.5 * sd * sd);
    n(a, 0) = cohort * survival_to_age;
    if (scenario.plus_group && a == ages - 1) {
      const double own_survival = (1.0 - stock.f[0] * stock.selectivity(a, 0)) *
                                  std::exp(-scenario.natural_mortality(a, 0));
      n(a, 0) /= 1.0 - own_survival;
    }
  }
}

// The population forward in time, and the catch that the model predicts.
void run_population(SimulatedStock &stock) {
  const Scenario &scenario = stock.scenario;
  const int ages = scenario.age_count();
  const int years = scenario.year_count();
  const double part = scenario.part;
  NormalDeviates population(scenario.seed, kPopulationStream);

  StockTable &n = stock.numbers;
  n = StockTable(ages, years);
  stock.true_catch = StockTable(ages, years);

  // Recruitment at the first age of every year, lognormal about its arithmetic
  // mean.
  const double sd = scenario.recruitment_log_sd;
  for (int y = 0; y < years; ++y) {
    n(0, y) = scenario.recruitment_mean * std::exp(sd * population.next() - 0.5 * sd * sd);
  }
  fill_first_year(scenario, stock, population, n);

  for (int y = 0; y < years; ++y) {
    for (int a = 0; a < ages; ++a) {
      const double m = scenario.natural_mortality(a, y);
      const double exploitation = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
      const double at_catch = n(a, y) * std::exp(-m * part);
      const double caught = exploitation * at_catch;
      stock.true_catch(a, y) = caught;
      if (y + 1 == years) continue;
      const double survivors = (at_catch - caught) * std::exp(-m * (1.0 - part));
      if (a + 1 < ages) {
        n(a + 1, y + 1) += survivors;
      } else if (scenario.plus_group) {
        n(a, y + 1) += survivors;  // the plus group keeps its own survivors
      }
    }
  }

  stock.ssb.assign(static_cast<std::size_t>(years), 0.0);
  for (int y = 0; y < years; ++y) {
    double sum = 0.0;
    for (int a = 0; a < ages; ++a) sum += scenario.maturity(a, y) * scenario.weight(a, y) * n(a, y);
    stock.ssb[static_cast<std::size_t>(y)] = sum;
  }
}

void observe_catch(SimulatedStock &stock) {
  const Scenario &scenario = stock.scenario;
  NormalDeviates noise(scenario.seed, kCatchStream);
  const double sd = log_sd_of_cv(scenario.catch_cv);
  stock.observed_catch = stock.true_catch;
  for (int y = 0; y < scenario.catch_year_count(); ++y) {
    for (int a = 0; a < scenario.age_count(); ++a) {
      const double z = noise.next();
      if (sd > 0.0) stock.observed_catch(a, y) *= std::exp(sd * z);
    }
  }
  if (scenario.extended_year) {  // not reported yet
    for (int a = 0; a < scenario.age_count(); ++a)
      stock.observed_catch(a, scenario.year_count() - 1) = 0.0;
  }
}

// Survival from the start of the year to the fraction t of it: exp(-t Z).
double survival_to(const SimulatedStock &stock, int a, int y, double t) {
  return std::exp(-t * total_mortality(stock, a, y));
}

void observe_ssb_surveys(SimulatedStock &stock) {
  const Scenario &scenario = stock.scenario;
  stock.ssb_indices.clear();
  for (std::size_t k = 0; k < scenario.ssb_surveys.size(); ++k) {
    const SsbSurveySpec &survey = scenario.ssb_surveys[k];
    NormalDeviates noise(scenario.seed, kSsbSurveyStreamBase + static_cast<std::uint32_t>(k));
    const double sd = log_sd_of_cv(survey.cv);
    const int first = survey.first_year.value_or(scenario.first_year);
    const int last = survey.last_year.value_or(scenario.data_last_year());
    std::vector<double> series(static_cast<std::size_t>(scenario.year_count()), kNoObservation);
    for (int y = 0; y < scenario.year_count(); ++y) {
      const double z = noise.next();  // drawn in every year, observed or not
      const int year = scenario.first_year + y;
      if (year < first || year > last) continue;
      double at_survey = 0.0;
      for (int a = 0; a < scenario.age_count(); ++a) {
        at_survey += scenario.maturity(a, y) * scenario.weight(a, y) * stock.numbers(a, y) *
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

void observe_fleets(SimulatedStock &stock) {
  const Scenario &scenario = stock.scenario;
  stock.fleet_indices.clear();
  for (std::size_t k = 0; k < scenario.fleets.size(); ++k) {
    const FleetSpec &fleet = scenario.fleets[k];
    NormalDeviates noise(scenario.seed, kFleetStreamBase + static_cast<std::uint32_t>(k));
    const double sd = log_sd_of_cv(fleet.cv);
    StockTable index(scenario.age_count(), scenario.year_count(), kNoObservation);
    for (int y = 0; y < scenario.year_count(); ++y) {
      const int year = scenario.first_year + y;
      for (int a = 0; a < scenario.age_count(); ++a) {
        const double z = noise.next();  // drawn in every cell of the grid, observed or not
        const int age = scenario.first_age + a;
        if (year < fleet.first_year || year > fleet.last_year || age < fleet.first_age ||
            age > fleet.last_age) {
          continue;
        }
        const double q = fleet.catchability[static_cast<std::size_t>(age - fleet.first_age)];
        const double measured = measured_fraction(fleet.index_of, scenario.maturity(a, y)) *
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

double total_mortality(const SimulatedStock &stock, int a, int y) {
  const double exploitation = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
  return stock.scenario.natural_mortality(a, y) - std::log(1.0 - exploitation);
}

SimulatedStock simulate(const Scenario &scenario) {
  check_spec(scenario);
  SimulatedStock stock;
  stock.scenario = scenario;
  stock.selectivity = selectivity_by_year(scenario);
  stock.f = scenario.f;
  if (scenario.extended_year)
    stock.f.push_back(scenario.extended_year_f.value_or(scenario.f.back()));
  for (int y = 0; y < scenario.year_count(); ++y) {
    for (int a = 0; a < scenario.age_count(); ++a) {
      const double exploitation = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
      require(exploitation >= 0.0 && exploitation < 1.0,
              "f·s must lie in [0, 1) (age " + std::to_string(scenario.first_age + a) + ", year " +
                  std::to_string(scenario.first_year + y) + ")");
    }
  }
  stock.terminal_f = scenario.f.back();

  run_population(stock);
  observe_catch(stock);
  observe_ssb_surveys(stock);
  observe_fleets(stock);
  return stock;
}

Scenario without_observation_noise(Scenario scenario) {
  scenario.catch_cv = 0.0;
  for (SsbSurveySpec &survey : scenario.ssb_surveys) survey.cv = 0.0;
  for (FleetSpec &fleet : scenario.fleets) fleet.cv = 0.0;
  return scenario;
}

Scenario with_extended_year(Scenario scenario) {
  if (scenario.extended_year) return scenario;
  check_spec(scenario);
  const int years = scenario.year_count();
  auto extend = [years](const StockTable &table) {
    StockTable longer(table.ages(), years + 1);
    for (int y = 0; y <= years; ++y) {
      for (int a = 0; a < table.ages(); ++a) longer(a, y) = table(a, std::min(y, years - 1));
    }
    return longer;
  };
  scenario.natural_mortality = extend(scenario.natural_mortality);
  scenario.weight = extend(scenario.weight);
  scenario.maturity = extend(scenario.maturity);
  for (SsbSurveySpec &survey : scenario.ssb_surveys) {
    if (survey.last_year && *survey.last_year == scenario.last_year) survey.last_year.reset();
  }
  for (FleetSpec &fleet : scenario.fleets) {
    if (fleet.last_year == scenario.last_year) fleet.last_year = scenario.last_year + 1;
  }
  scenario.extended_year = true;
  return scenario;
}

}  // namespace quorvane::sim
