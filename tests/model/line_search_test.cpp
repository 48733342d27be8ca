#include "model/line_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/errors.h"
#include "support/recording_host.h"
#include "support/small_block.h"

namespace quorvane {
namespace {

using testing::RecordingHost;
using testing::small_block;

// The evaluators are plain functions, as the searches take them; they record here.
std::vector<double> trials;  // the trial value at each evaluation
int stop_after = -1;         // set userend = 1 during this evaluation (1-based)

void reset_trace() {
  trials.clear();
  stop_after = -1;
}

// Whole objectives: apply PARAM to f(yearmax), set the loss, put the value back.
void parabola_objective(RunState& s, Host&) {
  if (s.userend == 1) return;  // the objective returns at once and leaves its loss
  s.f[s.yearmax] = s.PARAM;
  trials.push_back(s.PARAM);
  s.SSEALL = (s.PARAM - 2.3) * (s.PARAM - 2.3);
  s.PARAM = s.f[s.yearmax];
  if (static_cast<int>(trials.size()) == stop_after) s.userend = 1;
}

void falling_objective(RunState& s, Host&) {
  trials.push_back(s.PARAM);
  s.SSEALL = s.PARAM;
}

void falling_objective_that_moves_the_limit(RunState& s, Host&) {
  trials.push_back(s.PARAM);
  s.SSEALL = s.PARAM;
  s.LGRAN = 0.0;  // as a direct-search pass leaves it
}

void flat_objective(RunState& s, Host&) {
  trials.push_back(s.PARAM);
  s.SSEALL = 7.0;
}

void endless_objective(RunState& s, Host&) { s.SSEALL = -s.PARAM; }

// Cohort computations for an s1 trial at index 3: take the trial value, "renormalise" it by a
// factor 0.9 and read it back.
void rescaling_cohort(RunState& s, Host&) {
  trials.push_back(s.PARAM1);
  s.s1[3] = s.PARAM1 * 0.9;
  s.PARAM1 = s.s1[3];
  s.SSEL1 = (s.PARAM1 - 0.1) * (s.PARAM1 - 0.1);
  if (static_cast<int>(trials.size()) == stop_after) s.userend = 1;
}

void flat_cohort(RunState& s, Host&) {
  trials.push_back(s.PARAM1);
  s.SSEL1 = 7.0;
}

void falling_cohort(RunState& s, Host&) {
  trials.push_back(s.PARAM1);
  s.SSEL1 = s.PARAM1;
}

void endless_cohort(RunState& s, Host&) { s.SSEL1 = -s.PARAM1; }

std::unique_ptr<RunState> outer_block() {
  auto s = small_block(3, 3);
  s->METKA = 1000;
  s->bflag = 0;
  s->n1 = 3;
  s->fscanmin = 1.0;
  s->fscanstep = 0.25;
  s->LGRAN = 0.0;
  s->RGRAN = 10.0;
  s->f[3] = 4.0;
  return s;
}

// The climb to a minimum above the start and its refinement, to 1E-5 at once with M known, are
// the searches of the precise reference cases (method4_sse_precise with M known, m_const_precise
// and m_of_age_precise_small_block from the remembered value of an earlier search).

TEST(Parmin, FallingLossWalksDownToTheLowerLimitButNotBelow) {
  reset_trace();
  auto s = outer_block();
  s->fscanmin = 2.0;
  s->LGRAN = 0.5;
  RecordingHost host(false);
  parmin(*s, host, falling_objective);
  EXPECT_GT(*std::min_element(trials.begin(), trials.end()), 0.5);
  EXPECT_LT(s->PARAM, 0.5 + 0.002);

  // The limit is read at every test: an evaluation that lowers it lets the walk go on.
  reset_trace();
  auto moved = outer_block();
  moved->fscanmin = 2.0;
  moved->LGRAN = 0.5;
  parmin(*moved, host, falling_objective_that_moves_the_limit);
  EXPECT_LT(moved->PARAM, 0.002);
  EXPECT_GT(moved->PARAM, 0.0);
}

// A step is taken only when it lowers the loss (L_prev > L): on a flat loss the start 1 and 0.75
// below it tie, so there is no walk down; the climb back to 1 ties too; back to 0.75, a step of
// 0.025 below it to 0.725, which ties; the climb to 0.75 ties; and so on, a tenth of the step
// lower each pass.
TEST(Parmin, ATieIsNoImprovement) {
  reset_trace();
  auto s = outer_block();
  RecordingHost host(false);
  parmin(*s, host, flat_objective);
  const std::vector<double> expected = {1.0, 0.75, 1.0, 0.725, 0.75, 0.7225, 0.725};
  ASSERT_GE(trials.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(trials[i], expected[i], 1E-12) << "evaluation " << i + 1;
}

TEST(Parmin, StopLooksOnlyAtTheStartAndTheWalkRunsOut) {
  reset_trace();
  auto s = outer_block();
  s->userend = 1;
  RecordingHost host(false);
  LineSearchSummary r = parmin_walk(*s, host, parabola_objective);
  EXPECT_EQ(r.end, LineSearchEnd::UserEnd);
  EXPECT_EQ(r.evaluations, 0);
  EXPECT_EQ(s->PREF, 4.0);

  // Stopped during the fifth evaluation: the objective no longer changes the loss, so every
  // climb ends at its first step and every pass divides the step by 10.
  reset_trace();
  auto late = outer_block();
  stop_after = 5;
  r = parmin_walk(*late, host, parabola_objective);
  EXPECT_EQ(trials.size(), 5u);
  EXPECT_EQ(r.end, LineSearchEnd::Refined);
  EXPECT_LT(r.evaluations, 30);
}

std::unique_ptr<RunState> inner_block(double code) {
  auto s = small_block(3, 3);
  s->n21 = 4;
  s->metka1 = code;
  s->bflag1 = 0;
  s->LGRAN = 0.0;
  s->RGRAN = code > 100 ? 10.0 : 1.0;
  return s;
}

TEST(Parmin1, ZeroStepEvaluatesTheSamePointFourTimes) {
  reset_trace();
  auto s = inner_block(3);
  s->bflag1 = 2;
  s->s1[3] = 0.25;
  s->s1prev[3] = 0.25;
  RecordingHost host(false);
  const LineSearchSummary r = PARMIN1_walk(*s, host, flat_cohort);
  EXPECT_EQ(r.evaluations, 4);
  EXPECT_EQ(trials, std::vector<double>(4, 0.25));
  EXPECT_EQ(s->DELTA1, 0.0);
}

TEST(Parmin1, FallingLossOnAYearFactorStaysAboveZero) {
  reset_trace();
  auto s = inner_block(102);
  s->f[2] = 0.7;
  RecordingHost host(false);
  PARMIN1(*s, host, falling_cohort);
  // Start 2, step (10 - 0) / 10 = 1.
  EXPECT_EQ(trials[0], 2.0);
  EXPECT_EQ(trials[1], 1.0);
  EXPECT_GT(*std::min_element(trials.begin(), trials.end()), 0.0);
  EXPECT_LT(s->PARAM1, 0.003);
  EXPECT_EQ(s->fprev[2], 0.7);
}

TEST(Parmin1, StopEndsTheSearchBeforeTheNextEvaluation) {
  reset_trace();
  auto s = inner_block(3);
  stop_after = 3;
  RecordingHost host(false);
  const LineSearchSummary r = PARMIN1_walk(*s, host, rescaling_cohort);
  EXPECT_EQ(r.end, LineSearchEnd::UserEnd);
  EXPECT_EQ(r.evaluations, 3);
  EXPECT_EQ(trials.size(), 3u);
}

// Both searches cap a climb at a million steps and name themselves.
TEST(LineSearches, EndlessClimbStops) {
  RecordingHost host(false);
  auto outer = outer_block();
  auto inner = inner_block(102);
  try {
    parmin(*outer, host, endless_objective);
    ADD_FAILURE() << "no fault";
  } catch (const ArithmeticFault& e) {
    EXPECT_EQ(std::string(e.what()), "parmin: the climb did not end after 1000000 steps");
  }
  try {
    PARMIN1(*inner, host, endless_cohort);
    ADD_FAILURE() << "no fault";
  } catch (const ArithmeticFault& e) {
    EXPECT_EQ(std::string(e.what()), "PARMIN1: the climb did not end after 1000000 steps");
  }
}

}  // namespace
}  // namespace quorvane
