#include "run/leave_out.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

using testing::lines_of;
using testing::ScratchDir;
using testing::write_text;

// Three SSB surveys and five fleets, every per-series field telling its series apart.
FieldTexts three_surveys_five_fleets() {
  FieldTexts t = default_field_texts();
  t[FieldId::SsbOn] = "1";
  t[FieldId::SsbCount] = "3";
  t[FieldId::FleetsOn] = "1";
  t[FieldId::FleetCount] = "5";
  for (int k = 1; k <= 3; ++k) {
    const std::string n = std::to_string(k);
    t[ssb_field(SsbColumn::File, k)] = "ssb" + n + ".txt";
    t[ssb_field(SsbColumn::Std, k)] = "0." + n;
    t[ssb_field(SsbColumn::Weight, k)] = n + "0";
    t[ssb_field(SsbColumn::Kind, k)] = k == 2 ? "1" : "2";
  }
  for (int k = 1; k <= 7; ++k) {
    const std::string n = std::to_string(k);
    t[fleet_field(FleetColumn::File, k)] = "fleet" + n + ".txt";
    t[fleet_field(FleetColumn::Time, k)] = "0." + n;
    t[fleet_field(FleetColumn::Type, k)] = std::to_string(1 + k % 3);
    t[fleet_field(FleetColumn::EstimateQ, k)] = std::to_string(1 + k % 2);
    t[fleet_field(FleetColumn::Compare, k)] = std::to_string(1 + (k + 1) % 3);
    t[fleet_field(FleetColumn::Loss, k)] = std::to_string(1 + (k + 2) % 3);
    t[fleet_field(FleetColumn::Std, k)] = "0.0" + n;
    t[fleet_field(FleetColumn::Weight, k)] = n + "00";
  }
  return t;
}

// The fields that differ between two sets of texts, by number.
std::vector<int> differing(const FieldTexts& a, const FieldTexts& b) {
  std::vector<int> d;
  for (const Field& f : kFields)
    if (a[f.id] != b[f.id]) d.push_back(field_number(f.id));
  return d;
}

// Taking out a series moves every later series' fields up one place, column by column, lowers the
// count and touches nothing else; the emptied list is switched off.
TEST(LeaveOut, TakingOutASeriesMovesTheLaterOnesUpWithAllTheirFields) {
  const FieldTexts t = three_surveys_five_fleets();

  const FieldTexts no_ssb2 = fields_without(t, {TuningSeries::Kind::SsbSurvey, 2, ""});
  EXPECT_EQ(no_ssb2[FieldId::SsbCount], "2");
  EXPECT_EQ(no_ssb2[FieldId::SsbOn], "1");
  for (const SsbColumn c : {SsbColumn::File, SsbColumn::Std, SsbColumn::Weight, SsbColumn::Kind}) {
    EXPECT_EQ(no_ssb2[ssb_field(c, 1)], t[ssb_field(c, 1)]);
    EXPECT_EQ(no_ssb2[ssb_field(c, 2)], t[ssb_field(c, 3)]);
  }
  // Survey 2's place (Text41, 45, 100, 110) now holds survey 3; the count is Text39.
  EXPECT_EQ(differing(t, no_ssb2), (std::vector<int>{39, 41, 45, 100, 110}));

  const FieldTexts no_fleet2 = fields_without(t, {TuningSeries::Kind::Fleet, 2, ""});
  EXPECT_EQ(no_fleet2[FieldId::FleetCount], "4");
  for (int column = 0; column < 8; ++column) {
    const auto c = static_cast<FleetColumn>(column);
    EXPECT_EQ(no_fleet2[fleet_field(c, 1)], t[fleet_field(c, 1)]);
    for (int k = 2; k <= 4; ++k) EXPECT_EQ(no_fleet2[fleet_field(c, k)], t[fleet_field(c, k + 1)]);
    // Place 5 is beyond the new count: what it holds is not read.
  }
  // Fleets 6 and 7 were never used and are left as they were.
  EXPECT_EQ(no_fleet2[FieldId::Fleet6File], "fleet6.txt");
  EXPECT_EQ(no_fleet2[FieldId::Fleet7Weight], "700");
  // The last series taken out leaves the rest as they were, but for the count.
  EXPECT_EQ(differing(t, fields_without(t, {TuningSeries::Kind::Fleet, 5, ""})),
            (std::vector<int>{48}));

  FieldTexts one_fleet = t;
  one_fleet[FieldId::FleetCount] = "1";
  const FieldTexts none = fields_without(one_fleet, {TuningSeries::Kind::Fleet, 1, ""});
  EXPECT_EQ(none[FieldId::FleetCount], "0");
  EXPECT_EQ(none[FieldId::FleetsOn], "2");
  EXPECT_EQ(differing(one_fleet, none), (std::vector<int>{47, 48}));
}

// The series are those START would use: a list switched off has none, a count is read as START
// reads it (2.5 is 2, to the even neighbour), and a fleet is named from its file's title line.
TEST(LeaveOut, TheSeriesAreThoseTheRunUses) {
  ScratchDir dir;
  write_text(dir / "fleet1.txt", "1 6 1983 2015\naged index 'IBTS_Q1_gam' (catch/effort), x\n");
  write_text(dir / "fleet2.txt", "1 6 1983 2015\n");
  FieldTexts t = three_surveys_five_fleets();
  t[FieldId::SsbOn] = "2";
  t[FieldId::FleetCount] = "2.5";
  const std::vector<TuningSeries> series = tuning_series(t, dir.path().string());
  ASSERT_EQ(series.size(), 2u);
  EXPECT_EQ(series[0].key(), "fleet1");
  EXPECT_EQ(series[0].description(), "fleet 1 (IBTS_Q1_gam)");
  EXPECT_EQ(series[1].key(), "fleet2");
  EXPECT_EQ(series[1].description(), "fleet 2");
  EXPECT_EQ(leave_out_folder(dir.path().string(), series[1]),
            (dir / "leave_out/fleet2").string());

  t[FieldId::SsbOn] = "1";
  t[FieldId::FleetsOn] = "2";
  const std::vector<TuningSeries> surveys = tuning_series(t, dir.path().string());
  ASSERT_EQ(surveys.size(), 3u);
  EXPECT_EQ(surveys[2].key(), "ssb3");
  EXPECT_EQ(surveys[2].description(), "SSB survey 3");

  t[FieldId::SsbCount] = "4";
  EXPECT_THROW(tuning_series(t, dir.path().string()), SettingsError);
}

SummaryYear year(double label, double ssb, double fbar, double recruitment) {
  SummaryYear y;
  y.year = label;
  y.ssb = ssb;
  y.fbar = fbar;
  y.mean_f = 2 * fbar;
  y.recruitment = recruitment;
  return y;
}

LeaveOutRun finished(TuningSeries series, std::vector<SummaryYear> years, double terminal_f) {
  LeaveOutRun r;
  r.series = std::move(series);
  r.outcome.status = RunStatus::Completed;
  r.years = std::move(years);
  r.terminal_f = terminal_f;
  return r;
}

// Main run 2013-2014, last year SSB 400, F-bar .25, recruitment 0. Without fleet 2: SSB 300
// (-25 %), F-bar .375 (+50 %), recruitment 7 (none: the main run's is 0).
TEST(LeaveOut, TheChangeIsTakenInTheMainRunsLastYear) {
  const std::vector<SummaryYear> full = {year(2013, 500, .3, 9), year(2014, 400, .25, 0)};
  const LeaveOutRun fleet2 = finished({TuningSeries::Kind::Fleet, 2, "IBTS"},
                                      {year(2013, 1, 1, 1), year(2014, 300, .375, 7)}, 2.5);
  const std::optional<LeaveOutChange> change = leave_out_change(full, fleet2);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->year, 2014);
  EXPECT_EQ(*change->ssb, -.25);
  EXPECT_EQ(*change->fbar, .5);
  EXPECT_FALSE(change->recruitment);
  EXPECT_EQ(leave_out_line(full, fleet2, std::array{4, 6}),
            "Without fleet 2 (IBTS): terminal f 2.5; SSB 2014 -25 %, F-bar 4-6 +50 %, "
            "recruitment none");
  EXPECT_EQ(leave_out_line(full, fleet2, std::nullopt),
            "Without fleet 2 (IBTS): terminal f 2.5; SSB 2014 -25 %, mean F +50 %, "
            "recruitment none");

  LeaveOutRun failed;
  failed.series = {TuningSeries::Kind::SsbSurvey, 1, ""};
  failed.outcome = {RunStatus::ArithmeticFailed, "CALCSTOCK: overflow"};
  EXPECT_FALSE(leave_out_change(full, failed));
  EXPECT_EQ(leave_out_line(full, failed, std::nullopt), "Without SSB survey 1: CALCSTOCK: overflow");

  // A run whose years end before the main run's last year has no change to show.
  const LeaveOutRun shorter =
      finished({TuningSeries::Kind::Fleet, 3, ""}, {year(2013, 500, .3, 9)}, 1);
  EXPECT_FALSE(leave_out_change(full, shorter));

  ScratchDir dir;
  write_leave_out_tables((dir / "lo").string(), full, {fleet2, failed});
  EXPECT_EQ(lines_of(dir / "lo/leave_out.csv"),
            (std::vector<std::string>{"left_out,name,year,ssb,f,mean_f,recruitment,fbar",
                                      "none,,2013,500,0,0.6,9,0.3", "none,,2014,400,0,0.5,0,0.25",
                                      "fleet2,IBTS,2013,1,0,2,1,1",
                                      "fleet2,IBTS,2014,300,0,0.75,7,0.375"}));
  EXPECT_EQ(lines_of(dir / "lo/leave_out_change.csv"),
            (std::vector<std::string>{
                "left_out,name,finished,terminal_f,year,ssb,ssb_change,fbar,fbar_change,"
                "recruitment,recruitment_change,problem",
                "fleet2,IBTS,1,2.5,2014,300,-0.25,0.375,0.5,7,,",
                "ssb1,,0,,,,,,,,,CALCSTOCK: overflow"}));
}

}  // namespace
}  // namespace quorvane
