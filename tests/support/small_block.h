// A run state for hand-computable cases: a small block of ages and years with settings that
// keep the arithmetic simple (M known and filled in, SSE, catch-controlled, normal last age,
// catch at the start of the year, one selection period, no display). Tests change what they
// need. The run state is large, so it lives on the heap.
#pragma once

#include <initializer_list>
#include <memory>

#include "state/run_state.h"

namespace quorvane::testing {

// Ages firstage.. (indices 2..ages+1), years firstyear.. (indices 1..years).
inline std::unique_ptr<RunState> small_block(int ages, int years, double firstage = 3,
                                             double firstyear = 2000) {
  auto s = std::make_unique<RunState>();
  s->firstage = firstage;
  s->lastage = firstage + ages - 1;
  s->firstyear = firstyear;
  s->lastyear = firstyear + years - 1;
  s->agemin = 2;
  s->agemax = static_cast<std::int16_t>(1 + ages);
  s->yearmin = 1;
  s->yearmax = static_cast<std::int16_t>(years);
  s->yearmid = s->yearmax;
  s->n1 = 3;
  s->n21 = 1;
  s->n4 = 2;
  s->n22 = 2;
  s->n3 = 2;
  s->n5 = 1;
  s->mix = 0.5;
  s->part = 0.0;
  s->centralel = 4;
  s->scron = 2;
  s->gfactoron = 2;
  s->smoother = 0.5;
  s->weca = 1.0;
  for (int a = s->agemin; a <= s->agemax; ++a) {
    for (int y = s->yearmin; y <= s->yearmax; ++y) s->M(a, y) = 0.2;
  }
  return s;
}

// Rows by age from agemin, one value per year from yearmin.
inline void fill_by_age(RunState& s, AgeYearTable& table,
                        std::initializer_list<std::initializer_list<double>> rows) {
  int a = s.agemin;
  for (const auto& row : rows) {
    int y = s.yearmin;
    for (double v : row) table(a, y++) = v;
    ++a;
  }
}

// Values by age from agemin.
inline void fill_ages(RunState& s, AgeVector& v, std::initializer_list<double> values) {
  int a = s.agemin;
  for (double x : values) v[a++] = x;
}

// Values by year from yearmin.
inline void fill_years(RunState& s, YearVector& v, std::initializer_list<double> values) {
  int y = s.yearmin;
  for (double x : values) v[y++] = x;
}

// A maturity by age from agemin, the same in every year, kept as if the file had been read.
inline void keep_maturity(RunState& s, std::initializer_list<double> by_age) {
  for (int y = 1; y <= s.file_years(); ++y) {
    int a = s.agemin;
    for (double v : by_age) s.maturity_table(a++, y) = v;
  }
  s.maturity_loaded = true;
}

// Fleet k, rows by age from agemin and one value per year from yearmin, kept as if read from
// the fleet's own file.
inline void keep_fleet(RunState& s, int k,
                       std::initializer_list<std::initializer_list<double>> rows) {
  int a = s.agemin;
  for (const auto& row : rows) {
    int y = s.yearmin;
    for (double v : row) s.fleet_table[k](a, y++) = v;
    ++a;
  }
  s.fleet_loaded[k] = true;
  s.fleet_source_bootn = s.bootn;
}

inline void fill_block(RunState& s, AgeYearTable& t, double v) {
  for (int a = s.agemin; a <= s.agemax; ++a)
    for (int y = s.yearmin; y <= s.yearmax; ++y) t(a, y) = v;
}

}  // namespace quorvane::testing
