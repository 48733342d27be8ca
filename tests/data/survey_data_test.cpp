#include "data/survey_data.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "run/session_control.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::slurp;
using testing::RecordingHost;
using testing::small_block;
using TempDir = testing::ScratchDir;
using testing::write_text;

// sd = 0.5 gives the power 0.603 * 0.5 = 0.3015 of the odds u / (1 - u):
//   u = 0.75: odds 3, 3^0.3015 = e^(0.3015 * 1.0986122887) = e^0.3312316050 = 1.3926823072,
//             so 100 becomes 139.26823072;
//   u = 0.2:  odds 0.25, 0.25^0.3015 = e^-0.4179677499 = 0.6583834610, 250 becomes 164.59586526;
//   u = 0.5:  odds 1, the value stays; sd = 0 keeps every value.
TEST(Perturbation, MultipliesByThePowerOfTheOddsOfTheDraw) {
  EXPECT_NEAR(perturbed(100, 0.5, 0.75), 139.26823072, 1e-8);
  EXPECT_NEAR(perturbed(250, 0.5, 0.2), 164.59586526, 1e-8);
  EXPECT_NEAR(perturbed(7, 0.5, 0.5), 7, 1e-14);
  EXPECT_NEAR(perturbed(100, 0, 0.9), 100, 1e-12);
}

// Ages 3, 4 by `years` years from 2000, files in `dir`.
std::unique_ptr<RunState> block(const TempDir& dir, int years) {
  auto s = small_block(2, years);
  s->workdir = dir.str();
  return s;
}

TEST(SsbRead, OneValuePerYearAfterFourLinesTwoNumbersPerYearInEveryRun) {
  TempDir dir;
  auto s = block(dir, 3);
  RecordingHost host;
  // No year column; the 999 is never read. Survey 3's file does not exist and is not opened.
  write_text(dir.file("ssb1.txt"),
             "SSB survey\n2000 2001 2002\n\nlast free line\n100, 0\n250 999\n");
  write_text(dir.file("ssb2.txt"), "a\nb\nc\nd\n4\n5\n");
  s->Anamefile[9] = "ssb1.txt";
  s->Anamefile[10] = "ssb2.txt";
  s->Anamefile[11] = "not-there.txt";
  s->totalinds = 1;
  s->stdssb[1] = 0.5;
  ssbread(*s, host);
  EXPECT_EQ(s->ssbind[1][1], 100.0);
  EXPECT_EQ(s->ssbind[1][3], 250.0);
  UniformRandom ref;
  for (int i = 0; i < 3; ++i) ref.draw();
  EXPECT_TRUE(s->rng == ref);  // the main run draws too

  s->bootn = 1;
  ssbread(*s, host);
  const double u1 = ref.draw();
  ref.draw();  // the zero year takes its two numbers and stays 0
  const double u3 = ref.draw();
  EXPECT_EQ(s->ssbind[1][1], perturbed(100, 0.5, u1));
  EXPECT_EQ(s->ssbind[1][2], 0.0);
  EXPECT_EQ(s->ssbind[1][3], perturbed(250, 0.5, u3));

  s->totalinds = 2;  // survey 2 has two of the three years
  EXPECT_THROW(ssbread(*s, host), InputError);
}

TEST(AgedIndRead, FleetFileUntilTheFirstBootstrapRunThenTheCopyWorkingShownPerRead) {
  TempDir dir;
  auto s = block(dir, 3);
  RecordingHost user;
  RunHost host(*s, user);  // the run's host shows the reader's notices
  write_text(dir.file("fleet1.txt"), "3 4 2000 2002\nheadings\n\n\n2000 1 2\n2001 3 4\n2002 5 6\n");
  write_text(dir.file("aged1.tmp"),
             "3 4 2000 2002\n99\n99\n99\n2000 10 20\n2001 30 40\n2002 50 60\n");
  s->Anamefile[1] = "fleet1.txt";
  s->curind = 1;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(3, 3), 6.0);
  EXPECT_EQ(s->ind(1, 2), 2001.0);
  s->ind(2, 1) = 0.25;  // as a comparison of proportions leaves the copy in hand
  s->bootn = 1;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 1.0);
  s->bootn = 2;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 10.0);
  // The fleet file is read once (the first bootstrap run uses what was kept), then the copy.
  const std::vector<std::string> read = {"at 8000,6400", "print [working...]", "at 8000,6400",
                                         "print [              ]"};
  std::vector<std::string> expected = read;
  expected.insert(expected.end(), read.begin(), read.end());
  EXPECT_EQ(user.calls, expected);
}

TEST(NewIndex, CopyInTheFleetLayoutRoundedWithMinusOneForNoObservation) {
  TempDir dir;
  auto s = block(dir, 2);
  RecordingHost host(false);
  // sd = 0 keeps each value: 123.456 -> 123.46, 0.004 -> 0 (then no observation), 0 -> -1.
  write_text(dir.file("fleet1.txt"), "3 4 2000 2001\n\n\n\n2000 123.456 0\n2001 0.004 -1\n");
  s->Anamefile[1] = "fleet1.txt";
  s->totalind = 1;
  s->stdind[1] = 0;
  s->bootn = 1;  // preparing the first bootstrap run: the fleet's own file is read
  newindex(*s, host);
  EXPECT_EQ(slurp(dir.file("aged1.tmp")),
            " 3  4  2000  2001 \r\n 99 \r\n 99 \r\n 99 \r\n 2000  123.46 -1 \r\n 2001  0 -1 \r\n");
  UniformRandom ref;  // four cells, two numbers each
  for (int i = 0; i < 4; ++i) ref.draw();
  EXPECT_TRUE(s->rng == ref);

  s->bootn = 2;  // later runs read the copy
  s->curind = 1;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 123.46);
  EXPECT_EQ(s->ind(3, 1), -1.0);
}

}  // namespace
}  // namespace quorvane
