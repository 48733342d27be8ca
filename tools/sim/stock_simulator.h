// A simulated fish stock with a known truth, for the demo data set and for
// tests that check whether the assessment recovers what it should.
//
// The stock is run FORWARD through the same population model that the
// assessment runs backward: the whole catch of a year is taken at the fraction
// `part` of the year, natural mortality acts before and after it, and the catch
// removes the fraction f(y)·s(a,y) of the fish present then:
//
//   C(a,y)     = f(y) s(a,y) N(a,y) exp(-M(a,y) part)
//   N(a+1,y+1) = (N(a,y) exp(-M(a,y) part) - C(a,y)) exp(-M(a,y) (1 - part))
//
// so that the catch-controlled backward step N(a,y) = N(a+1,y+1) e^M + C(a,y)
// e^(M part) gives back N(a,y) exactly. With a plus group the oldest age also
// keeps its own survivors.
//
// Surveys see the stock as the assessment does: a survey at the fraction t of
// the year sees N(a,y) exp(-t Z(a,y)) with Z = M - ln(1 - f s), the natural
// mortality plus the instantaneous equivalent of the exploitation rate. An aged
// fleet reports I = Nm / q with Nm the part of the stock it measures (whole,
// mature or immature), so that I·q estimates Nm; a relative SSB survey reports
// the SSB at survey time divided by its coefficient k, so that I·k estimates
// it.
//
// Observation noise is lognormal and median-unbiased: x·exp(σ z) with σ² = ln(1
// + CV²) and z a standard normal deviate, so the log-scale estimators of the
// assessment are unbiased. Recruitment is lognormal with the given arithmetic
// mean: R̄·exp(σ_R z - σ_R²/2).
//
// Random numbers are portable: std::mt19937 outputs turned into uniforms (x +
// 0.5) / 2^32 and into normal deviates by the Box-Muller transform written out
// here, one deviate per two uniforms. Each source of randomness (population,
// catch, each survey) draws from its own generator seeded from the one seed, so
// that changing a survey leaves the stock unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::sim {

// Values by age and year, both counted from 0: age 0 is the first age of the
// stock, year 0 its first year. Held year by year, ages contiguous, as the data
// files list them.
class StockTable {
 public:
  StockTable() = default;
  StockTable(int ages, int years, double fill = 0.0);

  int ages() const { return ages_; }
  int years() const { return years_; }
  double &operator()(int a, int y);
  double operator()(int a, int y) const;
  bool operator==(const StockTable &) const = default;

 private:
  int ages_ = 0;
  int years_ = 0;
  std::vector<double> cells_;
};

// The part of the stock that an aged fleet measures.
enum class IndexOf { WholeStock = 1, Mature = 2, Immature = 3 };

// A survey of the spawning stock biomass: one value per year.
struct SsbSurveySpec {
  bool relative = true;
  // Relative surveys only: index · coefficient = SSB at survey time. Absolute
  // surveys report the SSB at survey time itself.
  double coefficient = 1.0;
  double time = 0.4;  // fraction of the year before the survey
  double cv = 0.0;
  // Years observed (labels, inclusive); unset means every year of the data.
  std::optional<int> first_year;
  std::optional<int> last_year;
};

// An aged survey fleet: one index value per age and year that it covers.
struct FleetSpec {
  int first_age = 0;  // labels, inclusive
  int last_age = 0;
  int first_year = 0;
  int last_year = 0;
  double time = 0.5;  // fraction of the year before the survey
  // One per covered age, first_age..last_age: index · catchability = numbers
  // measured.
  std::vector<double> catchability;
  double cv = 0.0;
  IndexOf index_of = IndexOf::WholeStock;
};

struct Scenario {
  int first_age = 3;  // age labels, inclusive
  int last_age = 13;
  bool plus_group = true;
  int first_year = 1984;  // years with catch, labels, inclusive
  int last_year = 2014;
  // One more year after last_year, the year in progress: the surveys have seen
  // it, its catch is not known yet. The stock is fished in it all the same, as
  // the assessment assumes when it brings the stock to the surveys of that
  // year; the catch file holds 0 there.
  bool extended_year = false;
  // f of the extended year; unset: that of the last catch year, which the
  // assessment assumes.
  std::optional<double> extended_year_f;

  std::vector<double> f;   // year factor, one per catch year
  std::vector<double> s1;  // age factor, one per age
  std::vector<double> s2;  // age factor after the change year; may stay empty without one
  std::optional<int> last_year_of_s1;  // unset: s1 in every year

  // Natural mortality by age and year, over every year of the data (the
  // extended one too).
  StockTable natural_mortality;
  double part = 0.5;  // fraction of the year before the catch is taken

  double recruitment_mean = 1000.0;  // arithmetic mean of the numbers at the first age
  double recruitment_log_sd = 0.0;
  // Numbers of the first year, one per age; empty: the equilibrium of the first
  // year's exploitation, with each cohort's own recruitment deviation.
  std::vector<double> initial_numbers;

  StockTable weight;    // mean weight at age (kg), every year of the data
  StockTable maturity;  // proportion mature at age, every year of the data

  double catch_cv = 0.0;
  std::vector<SsbSurveySpec> ssb_surveys;
  std::vector<FleetSpec> fleets;
  std::uint32_t seed = 1;

  int age_count() const { return last_age - first_age + 1; }
  int catch_year_count() const { return last_year - first_year + 1; }
  // Years of the data files: the catch years and the extended year, if any.
  int year_count() const { return catch_year_count() + (extended_year ? 1 : 0); }
  int data_last_year() const { return first_year + year_count() - 1; }
};

// Marks an unobserved cell of a survey series or a fleet table.
inline constexpr double kNoObservation = -1.0;

struct SimulatedStock {
  Scenario scenario;

  // Truth, over every year of the data. In the extended year `true_catch` holds
  // the catch that was taken but not reported.
  StockTable numbers;       // N(a,y) at the start of the year
  StockTable selectivity;   // s(a,y)
  std::vector<double> f;    // f(y)
  StockTable true_catch;    // C(a,y) as the model predicts it
  std::vector<double> ssb;  // spawning stock biomass at the start of the year, Σ mat W N
  // f of the last year with catch: the terminal f that the assessment
  // estimates.
  double terminal_f = 0.0;

  // Observations.
  StockTable observed_catch;
  std::vector<std::vector<double>> ssb_indices;  // per survey, per year; kNoObservation if none
  std::vector<StockTable> fleet_indices;         // per fleet, on the full age-year grid of the data
};

// Runs the stock forward and draws the observations. Throws
// std::invalid_argument when the scenario is inconsistent (sizes, ranges) or an
// exploitation rate f·s is not below 1.
SimulatedStock simulate(const Scenario &scenario);

// The same scenario without observation noise: the catch and every survey
// exactly as the model expects them. Recruitment keeps its variation, which is
// part of the truth, not of the data.
Scenario without_observation_noise(Scenario scenario);

// The same scenario with an extended year after the last catch year, the
// surveys that ran up to the last catch year running on into it. Weight,
// maturity and natural mortality of the new year repeat those of the last catch
// year.
Scenario with_extended_year(Scenario scenario);

// Total mortality of a cell as the surveys see it: Z = M - ln(1 - f s).
double total_mortality(const SimulatedStock &stock, int a, int y);

// The seed of the committed demo stock.
inline constexpr std::uint32_t kDemoSeed = 20140531;

// The demo stock: a North-Atlantic gadoid, ages 3 to 13 with a plus group,
// years 1984 to 2014, one relative SSB survey and four aged fleets at the times
// 0.5, 0.99, 0.99 and 0.9 of the year.
Scenario demo_scenario(std::uint32_t seed = kDemoSeed);

}  // namespace quorvane::sim
