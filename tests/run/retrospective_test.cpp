#include "run/retrospective.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

// F-bar is half the mean F unless given.
SummaryYear year(double label, double ssb, double mean_f, double recruitment,
                 std::optional<double> fbar = {}) {
  SummaryYear y;
  y.year = label;
  y.ssb = ssb;
  y.mean_f = mean_f;
  y.recruitment = recruitment;
  y.fbar = fbar.value_or(mean_f / 2);
  return y;
}

PeelResult peel(int k, RunStatus status, std::vector<SummaryYear> years) {
  PeelResult p;
  p.peel = k;
  p.outcome.status = status;
  p.years = std::move(years);
  return p;
}

// Full run 2000-2003: SSB 100 200 400 800, mean F .5 .4 .2 .1, recruitment 10 0 30 40.
// Peel 1 ends in 2002 with SSB 440, mean F .25, recruitment 27: terms .1, .25, -.1.
// Peel 2 ends in 2001 with SSB 150, mean F .5, recruitment 5: terms -.25, .25, and none for
// recruitment (the full run's is 0).
// Peel 3 ends in 2000 with SSB 80, mean F .6, recruitment 12: terms -.2, .2, .2.
// Peel 4 failed: left out whatever it holds.
//   SSB (.1 - .25 - .2) / 3 = -.11667, mean F (.25 + .25 + .2) / 3 = .23333,
//   recruitment (-.1 + .2) / 2 = .05.
// F-bar is half the mean F, except in peel 1, where it is .2 against the full run's .1: terms
// 1, .25, .2, rho .48333.
TEST(MohnsRho, ComparesEachPeelsLastYearWithTheFullRunsSameYear) {
  const std::vector<SummaryYear> full = {year(2000, 100, .5, 10), year(2001, 200, .4, 0),
                                         year(2002, 400, .2, 30), year(2003, 800, .1, 40)};
  const std::vector<PeelResult> peels = {
      peel(1, RunStatus::Completed,
           {year(2000, 1, 1, 1), year(2001, 1, 1, 1), year(2002, 440, .25, 27, .2)}),
      peel(2, RunStatus::Completed, {year(2000, 1, 1, 1), year(2001, 150, .5, 5)}),
      peel(3, RunStatus::Completed, {year(2000, 80, .6, 12)}),
      peel(4, RunStatus::ArithmeticFailed, {year(2000, 1e9, 1e9, 1e9)}),
  };
  const std::vector<RetroRho> rho = retro_rho(full, peels);
  ASSERT_EQ(rho.size(), 4u);
  EXPECT_EQ(rho[0].quantity, "ssb");
  EXPECT_NEAR(*rho[0].rho, -0.35 / 3, 1e-15);
  EXPECT_EQ(rho[0].peels, 3);
  EXPECT_EQ(rho[1].quantity, "mean_f");
  EXPECT_NEAR(*rho[1].rho, 0.7 / 3, 1e-15);
  EXPECT_EQ(rho[1].peels, 3);
  EXPECT_EQ(rho[2].quantity, "recruitment");
  EXPECT_NEAR(*rho[2].rho, 0.05, 1e-15);
  EXPECT_EQ(rho[2].peels, 2);
  EXPECT_EQ(rho[3].quantity, "fbar");
  EXPECT_NEAR(*rho[3].rho, 1.45 / 3, 1e-15);
  EXPECT_EQ(rho[3].peels, 3);

  EXPECT_EQ(mohns_rho_line(rho, 3, 4, std::nullopt),
            "Mohn's rho: SSB -0.1167, mean F 0.2333, recruitment 0.05 (from 3 of 4 peels)");
  EXPECT_EQ(mohns_rho_line(rho, 3, 4, std::array{3, 5}),
            "Mohn's rho: SSB -0.1167, mean F 0.2333, recruitment 0.05, F-bar 3-5 0.4833 (from 3 "
            "of 4 peels)");
  EXPECT_EQ(mohns_rho_line({}, 0, 2, std::array{3, 5}),
            "Mohn's rho: SSB none, mean F none, recruitment none, F-bar 3-5 none (from 0 of 2 "
            "peels)");
}

TEST(PeelFields, LowerTheLastYearCapTheFirstPeriodAndReachBackForTheInputs) {
  FieldTexts texts = default_field_texts();
  texts[FieldId::LastYear] = "2014";
  texts[FieldId::FirstPeriodEnd] = "2013";
  texts[FieldId::Ssb2File] = "";
  FieldTexts p = peel_fields(texts, 2);
  EXPECT_EQ(p[FieldId::LastYear], "2012");
  EXPECT_EQ(p[FieldId::FirstPeriodEnd], "2012");
  EXPECT_EQ(peel_fields(texts, 1)[FieldId::FirstPeriodEnd], "2013");  // not above the lowered year: unchanged
  EXPECT_EQ(p[FieldId::CatchFile], "../../" + texts[FieldId::CatchFile]);
  EXPECT_EQ(p[FieldId::MaturityFile], "../../" + texts[FieldId::MaturityFile]);
  EXPECT_EQ(p[FieldId::Fleet1File], "../../" + texts[FieldId::Fleet1File]);
  EXPECT_EQ(p[FieldId::ResultsFile], texts[FieldId::ResultsFile]);  // the results file is the peel's own
  EXPECT_EQ(p[FieldId::Ssb2File], "");
  for (FieldId id : {FieldId::FirstYear, FieldId::FirstAge, FieldId::LastAge, FieldId::Search,
                     FieldId::CatchWeight}) {
    EXPECT_EQ(p[id], texts[id]) << field(id).name;
  }

  texts[FieldId::LastYear] = "last";
  EXPECT_THROW(peel_fields(texts, 1), SettingsError);
}

// Without peels nothing is computed: what is left to see is the cancel test. Cancelled, nothing
// is written; not cancelled, retro.csv holds the full run (peel 0) and the rho table is empty.
TEST(RunRetrospective, ACancelledOneWritesNoTables) {
  const testing::ScratchDir dir;
  ResultsRecord full;
  full.years = {year(2000, 100, .5, 10)};
  const auto no_host = [](int, const RunState&) { return std::unique_ptr<Host>(); };
  const FieldTexts texts = default_field_texts();

  const RetroResult cancelled =
      run_retrospective(dir.str(), texts, 0, 1, full, no_host, [] { return true; });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_TRUE(cancelled.rho.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "retro"));

  const RetroResult written = run_retrospective(dir.str(), texts, 0, 1, full, no_host);
  EXPECT_FALSE(written.cancelled);
  EXPECT_EQ(written.problem, "");
  ASSERT_EQ(written.rho.size(), 4u);
  EXPECT_FALSE(written.rho[0].rho);
  EXPECT_EQ(testing::slurp(dir.path() / "retro" / "retro.csv"),
            "peel,year,ssb,f,mean_f,recruitment,fbar\n0,2000,100,0,0.5,10,0.25\n");
}

}  // namespace
}  // namespace quorvane
