// One cohort computation on the demo-sized block (11 ages x 31 years) and on the capacity of the
// tables (29 ages x 60 years), against a floor: one recursion step, one logarithm and one
// exponential per cell, which any implementation has to pay.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "model/cohort_model.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

// A stock with a dome of selection, year factors around 0.7 and catches falling with age:
// exploitation rates stay between 0 and 1, so every mode runs its ordinary path.
// With `varying_m` natural mortality changes from cell to cell (every exponential is computed);
// otherwise it is 0.2 throughout, as in most stock files.
std::unique_ptr<RunState> block(int ages, int years, std::int16_t mode, std::int16_t loss,
                                bool varying_m = true) {
  auto s = testing::small_block(ages, years);
  s->n5 = mode;
  s->n22 = loss;
  s->mix = 0.5;
  s->part = 0.5;
  s->centralel = 10;
  double total = 0.0;
  for (int a = s->agemin; a <= s->agemax; ++a) {
    const double age = a - s->agemin;
    s->s1[a] = s->s2[a] = std::exp(-0.5 * (age - 4.0) * (age - 4.0) / 9.0);
    total += s->s1[a];
  }
  for (int a = s->agemin; a <= s->agemax; ++a) {
    s->s1[a] /= total;
    s->s2[a] /= total;
  }
  for (int y = s->yearmin; y <= s->yearmax; ++y) s->f[y] = 0.7 + 0.2 * std::sin(0.3 * y);
  for (int a = s->agemin; a <= s->agemax; ++a) {
    for (int y = s->yearmin; y <= s->yearmax; ++y) {
      s->M(a, y) = varying_m ? 0.2 + 0.01 * ((a + y) % 3) : 0.2;
      s->C(a, y) = 5000.0 * std::exp(-0.35 * (a - s->agemin)) * (1.0 + 0.3 * std::cos(0.7 * y + a));
    }
  }
  return s;
}

void BM_Calcstock(benchmark::State& state) {
  auto s = block(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                 static_cast<std::int16_t>(state.range(2)),
                 static_cast<std::int16_t>(state.range(3)), state.range(4) != 0);
  Host host;
  for (auto _ : state) {
    CALCSTOCK(*s, host);
    benchmark::DoNotOptimize(s->SSET);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
// ages, years, mode (1 catch, 3 mixed, 4 weighted), loss (2 SSE, 3 AMD), M varying by cell
BENCHMARK(BM_Calcstock)
    ->ArgNames({"ages", "years", "mode", "loss", "varyM"})
    ->Args({11, 31, 3, 3, 1})
    ->Args({11, 31, 3, 3, 0})
    ->Args({11, 31, 3, 2, 1})
    ->Args({11, 31, 4, 3, 1})
    ->Args({29, 60, 3, 3, 1})
    ->Args({29, 60, 1, 2, 0});

// The floor: per cell one recursion step, one exponential and one logarithm.
void BM_CohortFloor(benchmark::State& state) {
  auto s = block(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 1, 2);
  for (auto _ : state) {
    double sum = 0.0;
    for (int a = s->agemax - 1; a >= s->agemin; --a) {
      for (int y = s->yearmax - 1; y >= s->yearmin; --y) {
        const double e = std::exp(s->M(a, y));
        s->N(a, y) = s->N(a + 1, y + 1) * e + s->C(a, y);
        sum += std::log(s->N(a, y));
      }
    }
    benchmark::DoNotOptimize(sum);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_CohortFloor)->ArgNames({"ages", "years"})->Args({11, 31})->Args({29, 60});

}  // namespace
}  // namespace quorvane
