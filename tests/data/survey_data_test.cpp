#include "data/survey_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "state/errors.h"
#include "tests/support/objective_fixture.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

namespace quorvane {
namespace {

using testing::read_text;
using testing::RecordingHost;
using testing::small_block;
using testing::TempDir;
using testing::write_text;

constexpr double kRel = 1e-12;

// v (u / (1 - u))^(0.603 sd): the perturbation written as a power, to check the logarithmic
// form against.
double by_power(double v, double sd, double u) { return v * std::pow(u / (1 - u), 0.603 * sd); }

// Three years (2000-2002), ages 3 and 4, working directory `dir`.
std::unique_ptr<RunState> three_years(const TempDir& dir) {
  auto s = small_block(2, 3);
  s->workdir = dir.str();
  return s;
}

TEST(Perturbed, IsALogisticDeviateOnTheLogScale) {
  EXPECT_NEAR(perturbed(100, 1, 0.5), 100, 100 * kRel);  // ln(0.5 / 0.5) = 0
  // 100 * 3^0.603 = 193.956400876296
  EXPECT_NEAR(perturbed(100, 1, 0.75), 193.95640087629553, 193.96 * kRel);
  EXPECT_NEAR(perturbed(42, 0, 0.9), 42, 42 * kRel);     // no deviation, no change
}

TEST(SsbRead, ReadsOneValuePerYearAfterFourLinesAndDrawsAlsoInTheMainRun) {
  TempDir dir;
  auto s = three_years(dir);
  RecordingHost host;
  // Four free lines, then a stream of numbers with no year column; the 999 is never read.
  write_text(dir.file("ssb1.txt"), "SSB survey\n2000 2001 2002\n\nlast free line\n100, 0\n250 999\n");
  s->Anamefile[9] = "ssb1.txt";
  s->totalinds = 1;
  ssbread(*s, host);
  EXPECT_EQ(s->ssbind[1][1], 100.0);
  EXPECT_EQ(s->ssbind[1][2], 0.0);
  EXPECT_EQ(s->ssbind[1][3], 250.0);
  EXPECT_EQ(s->curinds, 1);
  UniformRandom after;  // two numbers per year: three draws
  for (int i = 0; i < 3; ++i) after.draw();
  EXPECT_TRUE(s->rng == after);
}

TEST(SsbRead, BootstrapRunsPerturbPositiveValuesOnlyButDrawForEveryYear) {
  TempDir dir;
  auto s = three_years(dir);
  RecordingHost host;
  write_text(dir.file("ssb1.txt"), "a\nb\nc\nd\n100 0 250\n");
  s->Anamefile[9] = "ssb1.txt";
  s->totalinds = 1;
  s->stdssb[1] = 0.5;
  s->bootn = 1;
  ssbread(*s, host);
  UniformRandom ref;
  const double u1 = ref.draw();
  ref.draw();  // the zero year still takes its two numbers
  const double u3 = ref.draw();
  EXPECT_NEAR(s->ssbind[1][1] / by_power(100, 0.5, u1), 1, kRel);
  EXPECT_EQ(s->ssbind[1][2], 0.0);
  EXPECT_NEAR(s->ssbind[1][3] / by_power(250, 0.5, u3), 1, kRel);
}

TEST(SsbRead, OpensOnlyTheCountedSurveysAndNamesAShortFile) {
  TempDir dir;
  auto s = three_years(dir);
  RecordingHost host;
  write_text(dir.file("ssb1.txt"), "a\nb\nc\nd\n1 2 3\n");
  write_text(dir.file("ssb2.txt"), "a\nb\nc\nd\n4\n5\n6\n");
  s->Anamefile[9] = "ssb1.txt";
  s->Anamefile[10] = "ssb2.txt";
  s->Anamefile[11] = "not-there.txt";
  s->totalinds = 2;
  ssbread(*s, host);
  EXPECT_EQ(s->ssbind[2][3], 6.0);

  write_text(dir.file("ssb2.txt"), "a\nb\nc\nd\n4 5\n");
  try {
    ssbread(*s, host);
    FAIL() << "a survey file with two of three years was accepted";
  } catch (const InputError& e) {
    EXPECT_NE(std::string(e.what()).find("ssb2.txt"), std::string::npos) << e.what();
  }
}

// Fleet 1: its own file and a bootstrap copy with different values.
void write_fleet_files(const TempDir& dir) {
  write_text(dir.file("fleet1.txt"),
             "3 4 2000 2002\nheadings\n\n\n2000 1 2\n2001 3 4\n2002 5 6\n");
  write_text(dir.file("aged1.tmp"),
             " 3  4  2000  2002 \r\n 99 \r\n 99 \r\n 99 \r\n 2000  10  20 \r\n"
             " 2001  30  40 \r\n 2002  50  60 \r\n");
}

TEST(AgedIndRead, MainAndFirstBootstrapRunReadTheFleetFileLaterRunsTheCopy) {
  TempDir dir;
  auto s = three_years(dir);
  RecordingHost host;
  write_fleet_files(dir);
  s->Anamefile[1] = "fleet1.txt";
  s->curind = 1;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 1.0);
  EXPECT_EQ(s->ind(3, 3), 6.0);
  EXPECT_EQ(s->ind(1, 2), 2001.0);  // the year, as a fresh read leaves it

  s->bootn = 1;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 1.0);

  s->bootn = 2;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 10.0);
  EXPECT_EQ(s->ind(3, 3), 60.0);

  // "working..." stands on the progress window during each actual read: the own file once
  // (the first bootstrap run uses the table kept from the main run), then the copy.
  const std::vector<std::string> one_read = {"at 8000,6400", "print [working...]",
                                             "at 8000,6400", "print [              ]"};
  std::vector<std::string> expected = one_read;
  expected.insert(expected.end(), one_read.begin(), one_read.end());
  EXPECT_EQ(host.calls, expected);
}

TEST(AgedIndRead, AKeptFleetGivesTheFileValuesAfterTheCopyInHandWasChanged) {
  TempDir dir;
  auto s = three_years(dir);
  RecordingHost host;
  write_fleet_files(dir);
  s->Anamefile[1] = "fleet1.txt";
  s->curind = 1;
  agedindread(*s, host);
  s->ind(2, 1) = 0.25;  // as the proportions of a comparison leave it
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 1.0);
}

TEST(Maturity, LooksUpOneCellReadsTheFileOnceAndLeavesTheFleetInHand) {
  TempDir dir;
  auto s = three_years(dir);
  RecordingHost host;
  write_text(dir.file("mat.txt"), "3 4 2000 2002\n\n\n\n2000 0 1\n2001 0.25 1\n2002 0.5 1\n");
  s->Anamefile[8] = "mat.txt";
  s->ind(2, 2) = 7;
  EXPECT_EQ(maturity(*s, host, 2, 2), 0.25);
  EXPECT_EQ(maturity(*s, host, 2, 3), 0.5);
  EXPECT_EQ(s->maturread, 0);
  EXPECT_EQ(s->ppa, 2);
  EXPECT_EQ(s->ppy, 3);
  EXPECT_EQ(s->dolpol, 0.5);
  EXPECT_EQ(s->ind(2, 2), 7.0);
  EXPECT_EQ(host.calls.size(), 4u);  // one read for both values
}

TEST(NewIndex, WritesTheCopyInTheFleetLayoutWithMinusOneForNoObservation) {
  TempDir dir;
  auto s = small_block(2, 2);
  s->workdir = dir.str();
  RecordingHost host;
  // With sd = 0 the perturbation keeps the value: 123.456 is written as 123.46, 0.004 rounds
  // to 0 (and is then no observation), 0 and -1 are written as -1.
  write_text(dir.file("fleet1.txt"), "3 4 2000 2001\n\n\n\n2000 123.456 0\n2001 0.004 -1\n");
  s->Anamefile[1] = "fleet1.txt";
  s->totalind = 1;
  s->stdind[1] = 0;
  s->bootn = 1;  // preparing the first bootstrap run: the fleet's own file is read
  newindex(*s, host);
  EXPECT_EQ(read_text(dir.file("aged1.tmp")),
            " 3  4  2000  2001 \r\n 99 \r\n 99 \r\n 99 \r\n"
            " 2000  123.46 -1 \r\n"
            " 2001  0 -1 \r\n");
  UniformRandom after;  // fleet, year, age: four cells, two numbers each
  for (int i = 0; i < 4; ++i) after.draw();
  EXPECT_TRUE(s->rng == after);

  s->bootn = 2;
  s->curind = 1;
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 123.46);
  EXPECT_EQ(s->ind(3, 1), -1.0);
  EXPECT_EQ(s->ind(2, 2), 0.0);
}

TEST(NewIndex, LaterRunsPerturbTheLastCopyAndReadTheNewOne) {
  TempDir dir;
  auto s = small_block(2, 2);
  s->workdir = dir.str();
  RecordingHost host;
  write_text(dir.file("aged1.tmp"), "3 4 2000 2001\n99\n99\n99\n2000 1.234 2\n2001 3 4\n");
  s->totalind = 1;
  s->stdind[1] = 0;
  s->bootn = 2;
  s->curind = 1;
  agedindread(*s, host);  // the copy is now kept
  EXPECT_EQ(s->ind(2, 1), 1.234);
  newindex(*s, host);     // rewrites it, rounded to two decimals
  agedindread(*s, host);
  EXPECT_EQ(s->ind(2, 1), 1.23);
}

}  // namespace
}  // namespace quorvane
