#include "report/results_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "tests/support/files.h"
#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

using quorvane::testing::RecordingHost;

constexpr double kRelTol = 1e-12;
constexpr const char* kEstimatesHeading =
    "Age     M(a,yarmax)          s1(a)        s2(a)      q(a) for aged indexes by fleets";

// A line built from texts placed at given columns (counted from 1).
std::string at_columns(std::initializer_list<std::pair<int, std::string>> items) {
  std::string out;
  for (const auto& [col, text] : items) {
    out.resize(static_cast<std::size_t>(col - 1), ' ');
    out += text;
  }
  return out;
}

// Index of the first line equal to `text`, or -1.
int find_line(const std::vector<std::string>& lines, const std::string& text) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == text) return static_cast<int>(i);
  return -1;
}

// A run over ages 3..5 (indices 2..4) and years 2001..2003 (indices 1..3), as the fit would
// leave it:
//   N = 1000, W = 1, 2, 3 by age, M = 0.2, f = 0.5, s = 1, PHY = 0.5, part = 0, parysp = 0.5;
//   maturity 0, .5, 1 by age;
//   C = 500 e^r with r = .1 (age 3, 2001), -.1 (age 4, 2001), .3 (age 3, 2002), C = 0 at
//   (age 4, 2002), C = 500 elsewhere; so the catch residual ln C - ln(s f N) is r;
//   PHY = .75 at (age 3, 2001) and 0 at (age 4, 2002).
// Mode 2, no surveys, no fleets, two selectivity periods (2001..2002 and 2003), normal last age
// (agemaxa = agemax - 1).
class ResultsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("mat.txt", "3 5 2001 2003\nx\nx\nx\n2001 0 .5 1\n2002 0 .5 1\n2003 0 .5 1\n");

    s_ = std::make_unique<RunState>();
    RunState& s = *s_;
    s.workdir = dir_.str();
    s.Anamefile[8] = "mat.txt";
    s.firstage = 3, s.lastage = 5, s.firstyear = 2001, s.lastyear = 2003;
    s.agemin = 2, s.agemax = 4, s.agemaxa = 3;
    s.yearmin = 1, s.yearmax = 3, s.yearmid = 2;
    s.n1 = 3, s.n21 = 2, s.n22 = 3, s.n3 = 2, s.n5 = 2;
    s.scansearch = 2, s.mix = 0.7, s.part = 0, s.parysp = 0.5;
    s.indssb = 2, s.indaged = 2, s.totalind = 0;
    s.SSEL = 12.3456789, s.SSEALL = 0.5;
    s.weca = 1;
    for (int a = 2; a <= 5; ++a) {
      s.s1[a] = 0.1 * a;
      s.s2[a] = 0.2 * a;
      for (int y = 1; y <= 4; ++y) {
        s.N(a, y) = 1000;
        s.W(a, y) = a - 1;
        s.M(a, y) = 0.2;
        s.s(a, y) = 1;
        s.PHY(a, y) = 0.5;
        s.gfactor(a, y) = 1;
        s.C(a, y) = 500;
        s.resid(a, y) = 0.01 * a;
      }
    }
    for (int y = 1; y <= 3; ++y) s.f[y] = 0.5;
    s.C(2, 1) = 500 * std::exp(0.1);
    s.C(3, 1) = 500 * std::exp(-0.1);
    s.C(2, 2) = 500 * std::exp(0.3);
    s.C(3, 2) = 0;
    s.PHY(2, 1) = 0.75;
    s.PHY(3, 2) = 0;
    s.ssbind[1][1] = 2000, s.kssb[1] = 1;
    s.ssbind[3][1] = -1;
    s.sigma = 0.123;
    s.files.results.create((dir_ / "output.out").string());
  }
  std::vector<std::string> write() {
    write_results_file(*s_, host_);
    EXPECT_FALSE(s_->files.results.is_open());
    return testing::lines_of(dir_ / "output.out");
  }

  testing::ScratchDir dir_;
  std::unique_ptr<RunState> s_;
  RecordingHost host_{false};
};

TEST_F(ResultsFileTest, StandardErrorsAndSigmaComeFromTheCatchAndExploitationResiduals) {
  // Block ages 3, 4 by years 2001, 2002; D = (3 - 2) (3 - 1) = 2.
  // SE1: residuals .1, -.1, .3 and 0 (no catch); mean .3 / 2 = .15;
  //   squares .0025 + .0625 + .0225 + .0225 = .11; sqrt(.11 / 2) = .234520788.
  // SE2: -ln(1 - .75) / -ln(1 - .5) = 2, so ln 2 at (age 3, 2001); PHY = 0 at (age 4, 2002)
  //   cannot be taken to the log scale and counts as 0; mean ln 2 / 2 = .3465736;
  //   squares 4 * .3465736^2 = .4804530; sqrt(.4804530 / 2) = .4901291.
  const auto lines = write();
  const int i = find_line(lines, " Standard errors");
  ASSERT_GE(i, 0);
  EXPECT_EQ(lines[i + 1], "Overall:");
  EXPECT_EQ(lines[i + 2], at_columns({{1, "LnN(a,y)"}, {23, "LnF(a,y) "}}));
  EXPECT_EQ(lines[i + 3], at_columns({{1, " .235 "}, {23, " .49 "}}));
  EXPECT_EQ(static_cast<int>(lines.size()), i + 4);
  EXPECT_NEAR(s_->sigma, 0.234520787991171, 0.234520787991171 * kRelTol);
}

// A 2 x 2 block (ages 3, 4 by years 2001, 2002; D = 2) whose residuals, ages inner, are
// 1, 1E-16, -1, 1E-16. Years outer: 1 + 1E-16 rounds to 1, minus 1 is 0, plus 1E-16 gives the
// sum 1E-16, mean 5E-17, and the squares (1 - 5E-17)^2 and (-1 - 5E-17)^2 round to 1: SE 1.0.
// Ages outer would give 1 - 1 + 1E-16 + 1E-16 = 2E-16 and SE 0.9999999999999999.
TEST(BlockSpread, SumsTheBlockYearsOuterAgesInner) {
  auto s = std::make_unique<RunState>();
  s->agemin = 2, s->agemaxa = 3, s->yearmin = 1, s->yearmax = 3;
  s->resid(2, 1) = 1, s->resid(3, 1) = 1e-16, s->resid(2, 2) = -1, s->resid(3, 2) = 1e-16;
  EXPECT_EQ(block_spread(*s, 2), 1.0);
}

// A stopped scan run in Mode 3 with one selectivity period; fleets 1, 2 and 5 stored by some run,
// the others never; an M option outside its list.
TEST_F(ResultsFileTest, SettingsOfTheRunShapeTheHeadingCodesAndEstimates) {
  RunState& s = *s_;
  s.zz = 1, s.scansearch = 1, s.n5 = 3, s.n1 = 9, s.n22 = 2;
  s.yearmid = s.yearmax;
  s.indmin[1] = 2, s.indmin[2] = 3, s.indmin[5] = 1;
  s.wssb[1] = 0.5, s.wind[2] = 0.25;
  const auto lines = write();
  // The lines of a scan, of Mode 3 with its portion and of the first period's last year are
  // pinned by the reference cases (default, mixed_fleet_kinds, alfa_scan_two_periods_boot2).
  EXPECT_EQ(lines[1], "Process was terminated by user !!!");
  EXPECT_EQ(lines[4], "f(y) and s(a) were found by log (GM) procedure;");  // no M line

  const int c =
      find_line(lines, "C(a,y) SSB1  SSB2  SSB3  Aged1 Aged2 Aged3 Aged4 Aged5 Aged6 Aged7");
  ASSERT_GE(c, 0);
  // The tabs to the empty columns still move the line on: it ends at column 60.
  // clang-format off
  EXPECT_EQ(lines[c + 1], at_columns({{1, " 2 "}, {7, " 2"}, {13, " 2"}, {19, " 2"}, {25, " 2 "},
                                      {31, " 3 "}, {49, " 1 "}, {61, ""}}));
  EXPECT_EQ(lines[c + 2], at_columns({{1, " 1 "}, {7, " .5 "}, {13, " 0 "}, {19, " 0 "},
                                      {25, " 0 "}, {31, " .25 "}, {37, " 0 "}, {43, " 0 "},
                                      {49, " 0 "}, {55, " 0 "}, {61, " 0 "}}));
  // clang-format on

  // One period: no s2 column in the estimates by age.
  const int e = find_line(lines, kEstimatesHeading);
  ASSERT_GE(e, 0);
  EXPECT_EQ(lines[e + 1], at_columns({{1, " 3 "}, {7, " .2 "}, {21, " .2 "}, {51, " 0 "}}));
}

TEST_F(ResultsFileTest, ModeFourWeightsCarryAndMarkEmptyCohorts) {
  // n3 = 2: agemaxa = agemax - 2 = index 2 (age 3); table ages 3..4, years 2001..2002.
  // Cells in writing order:
  //   (3, 2001): N(4, 2002) = 0, N(3, 2001) > 0: carries the starting weight 0;
  //   (4, 2001): n' = 1000, c = 100, PHY = .5 * .8 = .4, em = e^.2, ep = e^.05 (part .25):
  //     n' em / ep = 1161.834243; c - PHY (n' em / ep + c) = -404.7337;
  //     c - PHY n' em / (1 - PHY) / ep = -674.5561;
  //     w = 674.5561^2 / (404.7337^2 + 674.5561^2) = .7352941 -> .73529;
  //   (3, 2002): N(4, 2003) = 0: carries .73529 across the row end;
  //   (4, 2002): N(5, 2003) > 0 and no catch gives 1, then N(4, 2002) = 0 gives 77.
  RunState& s = *s_;
  s.n5 = 4;
  s.part = 0.25;
  s.N(3, 2) = 0;
  s.N(3, 3) = 0;
  s.C(3, 1) = 100;
  s.s(3, 1) = 0.8;
  s.C(3, 3) = 0;  // no catch from an empty cohort
  const auto lines = write();
  const int i = find_line(lines, "weight of catch-controlled version");
  ASSERT_GE(i, 0);
  EXPECT_EQ(lines[i - 1], std::string(25, ' '));
  EXPECT_EQ(lines[i + 2], at_columns({{11, " 3 "}, {26, " 4 "}}));
  EXPECT_EQ(lines[i + 3], at_columns({{1, " 2001 "}, {11, " 0 "}, {26, " .73529 "}}));
  EXPECT_EQ(lines[i + 4], at_columns({{1, " 2002 "}, {11, " .73529 "}, {26, " 77 "}}));
  EXPECT_EQ(lines[i + 5], std::string(24, '-'));
  EXPECT_EQ(lines[i + 6],
            "77 means that stock is calculated by point-equation, which is the same for both");
  EXPECT_EQ(s.agemaxa, 2);
  EXPECT_NEAR(s.rekv2 / (s.rekv1 + s.rekv2), 0.735294117647059, kRelTol);

  // The standard-error block then has a single age: both errors 0, sigma kept.
  EXPECT_EQ(lines.back(), at_columns({{1, " 0 "}, {23, " 0 "}}));
  EXPECT_EQ(s.sigma, 0.123);
}

TEST_F(ResultsFileTest, FleetWithoutCatchabilityIsAFaultNamingTheCell) {
  dir_.write("fleet1.txt", "3 5 2001 2003\nx\nx\nx\n2001 1 1 2\n2002 1 1 1\n2003 1 1 1\n");
  RunState& s = *s_;
  s.indaged = 1, s.totalind = 1;
  s.Anamefile[1] = "fleet1.txt";
  s.indtime[1] = 0, s.indtype[1] = 1, s.indcomp[1] = 1;
  try {
    write_results_file(s, host_);
    FAIL() << "expected ArithmeticFault";
  } catch (const ArithmeticFault& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("RESPRINT"), std::string::npos) << what;
    EXPECT_NE(what.find("2001"), std::string::npos) << what;
  }
}

}  // namespace
}  // namespace quorvane
