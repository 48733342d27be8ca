#include "data/bootstrap_draws.h"

#include <gtest/gtest.h>

#include "data/survey_data.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::fill_by_age;
using testing::RecordingHost;
using testing::small_block;
using TempDir = testing::ScratchDir;
using testing::write_text;

// The catches (ages outer, one draw per cell, a zero cell stays 0 but draws), then the SSB
// survey years, then the fleet cells.
TEST(DrawCatches, ObservedCatchesTimesALogisticFactorThenSurveysThenFleets) {
  TempDir dir;
  auto s = small_block(2, 2);
  s->workdir = dir.str();
  RecordingHost host(false);
  fill_by_age(*s, s->Corig, {{100, 0}, {50, 200}});
  s->sigma = 0.4;
  write_text(dir.file("ssb1.txt"), "\n\n\n\n1000 2000\n");
  write_text(dir.file("fleet1.txt"), "3 4 2000 2001\n\n\n\n2000 10 20\n2001 30 40\n");
  s->Anamefile[9] = "ssb1.txt";
  s->Anamefile[1] = "fleet1.txt";
  s->totalinds = 1;
  s->totalind = 1;
  s->stdssb[1] = 0.3;
  s->bootn = 1;
  s->C(2, 2) = 7;
  draw_catches(*s);
  ssbread(*s, host);
  newindex(*s, host);
  UniformRandom ref;  // cells (2,1), (2,2), (3,1), (3,2)
  const double u1 = ref.draw();
  ref.draw();
  const double u3 = ref.draw();
  ref.draw();
  const double u_survey = ref.draw();
  for (int i = 0; i < 5; ++i) ref.draw();
  // Each cell takes the second number of its pair (the perturbation has its own test).
  EXPECT_EQ(s->C(2, 1), perturbed(100, 0.4, u1));
  EXPECT_EQ(s->C(2, 2), 0.0);
  EXPECT_EQ(s->C(3, 1), perturbed(50, 0.4, u3));
  EXPECT_EQ(s->ssbind[1][1], perturbed(1000, 0.3, u_survey));
  EXPECT_TRUE(s->rng == ref);
}

}  // namespace
}  // namespace quorvane
