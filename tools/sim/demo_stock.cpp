// The demo stock: a North-Atlantic gadoid fished hard since the 1980s.
//
// Numbers are in thousands, weights in kg, so the biomass comes out in tonnes.
// The year factor f multiplies an age factor s(a) that sums to 1 over the
// eleven ages, so f·s(a) is the fraction of the fish present at the catch that
// the catch removes; the selection is flat from age 8 on (the oldest ages share
// one factor in the assessment too) and peaks at an exploitation rate of about
// 0.46 in the late 1990s. The terminal f, 3.0, lies in the middle of the usual
// scan from 1 to 5.
#include <array>
#include <cmath>
#include <cstddef>
#include <initializer_list>

#include "tools/sim/stock_simulator.h"

namespace quorvane::sim {
namespace {

constexpr int kFirstAge = 3;
constexpr int kLastAge = 13;
constexpr int kFirstYear = 1984;
constexpr int kLastYear = 2014;
constexpr int kAges = kLastAge - kFirstAge + 1;
constexpr int kYears = kLastYear - kFirstYear + 1;

// Rising through the 1980s and 1990s, easing after the peak of 1998.
constexpr std::array<double, kYears> kYearFactor = {
    2.20, 2.35, 2.30, 2.55, 2.70, 2.85, 2.80, 3.05, 3.25, 3.40, 3.35, 3.60, 3.75, 3.90, 4.00, 3.95,
    3.80, 3.85, 3.70, 3.55, 3.60, 3.45, 3.30, 3.35, 3.20, 3.10, 3.15, 3.05, 2.95, 3.05, 3.00};

// Relative selection at ages 3..13 before normalisation: recruited fully at 8.
constexpr std::array<double, kAges> kSelection = {0.10, 0.30, 0.55, 0.80, 0.95, 1.0,
                                                  1.0,  1.0,  1.0,  1.0,  1.0};

// Mean weight at ages 3..13 (kg); the plus group holds older, heavier fish.
constexpr std::array<double, kAges> kWeight = {0.55, 0.95, 1.50, 2.20, 3.05, 4.00,
                                               5.05, 6.10, 7.20, 8.30, 10.20};

constexpr double kNaturalMortality = 0.2;
constexpr double kCatchPart = 0.5;           // catch taken in the middle of the year
constexpr double kMaturityA50 = 6.6;         // age at which half the fish are mature
constexpr double kMaturitySlope = 1.4;       // per year of age
constexpr double kWeightSwing = 0.08;        // relative amplitude of the growth cycle
constexpr double kWeightCyclePeriod = 11.0;  // years
constexpr double kPi = 3.14159265358979323846;

double round_to(double x, double unit) { return std::round(x / unit) * unit; }

FleetSpec fleet(int first_age, int last_age, int first_year, int last_year, double time,
                double scale, std::initializer_list<double> efficiency, double cv) {
  FleetSpec f;
  f.first_age = first_age;
  f.last_age = last_age;
  f.first_year = first_year;
  f.last_year = last_year;
  f.time = time;
  f.cv = cv;
  // The index counts `efficiency` fish per `scale` thousand present, so index ·
  // q = numbers with q = scale / efficiency.
  for (double e : efficiency) f.catchability.push_back(scale / e);
  return f;
}

}  // namespace

Scenario demo_scenario(std::uint32_t seed) {
  Scenario scenario;
  scenario.first_age = kFirstAge;
  scenario.last_age = kLastAge;
  scenario.plus_group = true;
  scenario.first_year = kFirstYear;
  scenario.last_year = kLastYear;
  scenario.extended_year = false;
  scenario.seed = seed;

  scenario.f.assign(kYearFactor.begin(), kYearFactor.end());
  double selection_sum = 0.0;
  for (double s : kSelection) selection_sum += s;
  for (double s : kSelection) scenario.s1.push_back(s / selection_sum);

  scenario.part = kCatchPart;
  scenario.natural_mortality = StockTable(kAges, kYears, kNaturalMortality);
  scenario.recruitment_mean = 250000.0;  // thousands of three-year-olds
  scenario.recruitment_log_sd = 0.45;

  scenario.weight = StockTable(kAges, kYears);
  scenario.maturity = StockTable(kAges, kYears);
  for (int y = 0; y < kYears; ++y) {
    const double cycle = 2.0 * kPi * static_cast<double>(y) / kWeightCyclePeriod;
    for (int a = 0; a < kAges; ++a) {
      const double age = static_cast<double>(kFirstAge + a);
      const double growth = 1.0 + kWeightSwing * std::sin(cycle + 0.4 * static_cast<double>(a));
      scenario.weight(a, y) = round_to(kWeight[static_cast<std::size_t>(a)] * growth, 0.001);
      scenario.maturity(a, y) =
          round_to(1.0 / (1.0 + std::exp(-kMaturitySlope * (age - kMaturityA50))), 0.001);
    }
  }

  scenario.catch_cv = 0.12;

  SsbSurveySpec ssb;
  ssb.relative = true;
  ssb.coefficient = 1000.0;  // the index is in thousands of tonnes
  ssb.time = 0.4;
  ssb.cv = 0.25;
  ssb.first_year = 1990;
  scenario.ssb_surveys.push_back(ssb);

  // A summer survey, a winter survey run since the start, a second winter
  // survey of the older fish since 1995, and an autumn survey of the young fish
  // since 2000. The winter surveys of 2014 are not in yet.
  scenario.fleets.push_back(
      fleet(3, 10, 1985, 2014, 0.5, 1000.0, {0.6, 0.9, 1.0, 1.0, 0.9, 0.8, 0.7, 0.6}, 0.25));
  scenario.fleets.push_back(
      fleet(3, 9, 1984, 2013, 0.99, 2000.0, {0.4, 0.8, 1.0, 1.0, 0.9, 0.75, 0.6}, 0.3));
  scenario.fleets.push_back(
      fleet(4, 12, 1995, 2013, 0.99, 500.0, {0.5, 0.8, 1.0, 1.0, 1.0, 0.9, 0.8, 0.7, 0.6}, 0.2));
  scenario.fleets.push_back(
      fleet(3, 8, 2000, 2014, 0.9, 1500.0, {0.8, 1.0, 1.0, 0.9, 0.8, 0.7}, 0.25));
  return scenario;
}

}  // namespace quorvane::sim
