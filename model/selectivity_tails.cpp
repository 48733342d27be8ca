#include "model/selectivity_tails.h"

#include <cmath>

#include "base/errors.h"

namespace quorvane {
namespace {

double log_of_factor(const RunState& s, double factor, int a) {
  if (!(factor > 0.0)) {
    throw_fault("prirtails", "logarithm of a non-positive age factor",
                static_cast<int>(s.age_label(a)));
  }
  return std::log(factor);
}

}  // namespace

std::int16_t oldest_recursion_age(const RunState& s) {
  // A plus group shares its factor with the two ages below it; a normal last age with one.
  const int shared_below = holds(s.n3, LastAgeKind::PlusGroup) ? 2 : 1;
  return static_cast<std::int16_t>(s.agemax - shared_below);
}

void prirtails(RunState& s) {
  s.agemaxa = oldest_recursion_age(s);
  const int count = s.agemax - s.agemaxa + 1;
  double sum1 = 0.0, sum2 = 0.0;
  if (holds(s.n21, Method::Log)) {
    // The log method fits factors multiplicatively: their common value is the geometric mean.
    for (int a = s.agemaxa; a <= s.agemax; ++a) {
      sum1 += log_of_factor(s, s.s1[a], a);
      sum2 += log_of_factor(s, s.s2[a], a);
    }
    const double common1 = std::exp(sum1 / count);
    const double common2 = std::exp(sum2 / count);
    for (int a = s.agemaxa; a <= s.agemax; ++a) {
      s.s1[a] = common1;
      s.s2[a] = common2;
    }
    return;
  }
  for (int a = s.agemaxa; a <= s.agemax; ++a) {
    sum1 += s.s1[a];
    sum2 += s.s2[a];
  }
  const double common1 = sum1 / count;
  const double common2 = sum2 / count;
  for (int a = s.agemaxa; a <= s.agemax; ++a) {
    s.s1[a] = common1;
    s.s2[a] = common2;
  }
}

}  // namespace quorvane
