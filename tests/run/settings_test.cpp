#include "run/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include "base/errors.h"
#include "run/fields_file.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

class Settings : public ::testing::Test {
 protected:
  void set(FieldId id, const std::string& text) { texts_[id] = text; }
  void read() { read_settings(*s_, texts_); }
  // The message of a rejected read, or "" when the fields were accepted.
  std::string rejection() {
    try {
      read();
    } catch (const SettingsError& e) {
      return e.what();
    }
    return "";
  }

  FieldTexts texts_ = default_field_texts();
  std::unique_ptr<RunState> s_ = std::make_unique<RunState>();
};

TEST_F(Settings, IntegerFieldsRoundHalfToEven) {
  const std::pair<const char*, int> cases[] = {{"2.5", 2},        {"3.5", 4}, {"-2.5", -2},
                                               {"7.49", 7},       {"0.5", 0}, {"1.5", 2},
                                               {"32767.4", 32767}};
  for (const auto& [text, whole] : cases) {
    set(FieldId::MassMaturityAge, text);  // age of mass maturity: no range check of its own
    read();
    EXPECT_EQ(s_->amp, whole) << text;
  }
}

// A setting whose field is not stored in this run keeps the value of the run before.
TEST_F(Settings, ASecondReadKeepsWhatItDoesNotRead) {
  read();
  set(FieldId::Search, "2");       // precise search: the highest values of the scans are not read
  set(FieldId::FScanHigh, "abc");  // ... nor checked
  set(FieldId::FGuess, "2.2");
  set(FieldId::FGuessStep, "0.1");
  set(FieldId::Mode, "1");  // Mode 1: mix is not read
  set(FieldId::Mix, "0.9");
  set(FieldId::MOption, "1");  // constant M, precise: Text25 and Text26
  set(FieldId::MGuess, "0.3");
  set(FieldId::MGuessStep, "0.05");
  set(FieldId::MScanLow, "x");  // scan fields of M: not read in precise mode
  read();
  EXPECT_EQ(s_->fscanmin, 2.2);
  EXPECT_EQ(s_->fscanstep, 0.1);
  EXPECT_EQ(s_->fscanmax, 5);  // from the first read
  EXPECT_EQ(s_->mix, 0.5);
  EXPECT_EQ(s_->mscanmin, 0.3);
  EXPECT_EQ(s_->mscanstep, 0.05);

  set(FieldId::MOption, "2");  // ALFA, precise
  set(FieldId::AlfaGuess, "0.04");
  read();
  EXPECT_EQ(s_->mscanmin, 0.04);
  EXPECT_EQ(s_->mscanstep, 0.002);
  set(FieldId::Search, "1");  // ALFA, scan
  set(FieldId::FScanHigh, "5");
  read();
  EXPECT_EQ(s_->mscanmin, 0.001);
  EXPECT_EQ(s_->mscanmax, 0.06);
  EXPECT_EQ(s_->fscanmin, 1);
}

// The counts and weights of surveys start from zero in every read, so that a survey that is not
// used contributes nothing; its other settings are kept.
TEST_F(Settings, SurveyCountsAndWeightsAreResetBeforeTheyAreRead) {
  set(FieldId::SsbCount, "3");
  set(FieldId::Ssb2File, "b.txt");
  set(FieldId::Ssb3File, "c.txt");
  set(FieldId::FleetCount, "7");
  for (int k = 5; k <= 7; ++k) set(fleet_field(FleetColumn::File, k), "f.txt");
  read();
  EXPECT_EQ(s_->wssb[3], 1);
  EXPECT_EQ(s_->indmin[7], std::optional<std::int16_t>(2));
  EXPECT_EQ(s_->wind[7], 1);

  set(FieldId::SsbOn, "2");  // no SSB surveys: count and weights 0, names and deviations kept
  set(FieldId::Ssb1File, "other.txt");
  set(FieldId::Ssb1Std, "abc");  // not read, not checked
  set(FieldId::SsbTime, "0.6");  // read whatever the surveys
  set(FieldId::FleetCount, "2");
  set(FieldId::Fleet3File, "g.txt");
  read();
  EXPECT_EQ(s_->totalinds, 0);
  EXPECT_EQ(s_->wssb[1], 0);
  EXPECT_EQ(s_->wssb[3], 0);
  EXPECT_EQ(s_->Anamefile[9], "demo/SSB1.txt");
  EXPECT_EQ(s_->stdssb[1], 0.3);
  EXPECT_EQ(s_->parysp, 0.6);
  EXPECT_EQ(s_->totalind, 2);
  EXPECT_EQ(s_->wind[2], 0.2);
  EXPECT_EQ(s_->wind[3], 0);
  EXPECT_EQ(s_->wind[7], 0);
  EXPECT_EQ(s_->Anamefile[3], "demo/fleet3.txt");  // kept from the first read
  EXPECT_EQ(s_->indmin[7], std::optional<std::int16_t>(2));

  set(FieldId::FleetsOn, "2");  // no aged fleets: count 0 whatever Text48 holds
  set(FieldId::FleetCount, "99");
  read();
  EXPECT_EQ(s_->totalind, 0);
  EXPECT_EQ(s_->wind[1], 0);
}

// The cases of tests/data/settings_cases.txt: each row's fields on the defaults, read into a
// fresh run state; a rejection is one line holding every expected part, and changes nothing.
TEST_F(Settings, CasesOfTheTable) {
  for (const std::string& line :
       testing::lines_of(testing::kSourceDir / "tests/data/settings_cases.txt")) {
    if (line.empty() || line[0] == '#') continue;
    SCOPED_TRACE(line);
    const std::size_t bar = line.find(" |");
    ASSERT_NE(bar, std::string::npos);
    std::istringstream fields(line.substr(0, bar));
    texts_ = default_field_texts();
    for (std::string item; fields >> item;) apply_field_line(texts_, item, "settings_cases.txt");
    s_ = std::make_unique<RunState>();
    s_->AnamefileC = "kept", s_->fscanmax = 42, s_->n1 = 9;
    const std::string m = rejection();
    for (std::size_t at = bar + 2; at < line.size();) {
      const std::size_t next = std::min(line.find(" | ", at), line.size());
      const std::string part = line.substr(at + 1, next - at - 1);
      EXPECT_NE(m.find(part), std::string::npos) << part << "\nin: " << m;
      at = next + 2;
    }
    if (bar + 2 >= line.size()) {
      EXPECT_EQ(m, "");
    }
    if (m.empty()) continue;
    EXPECT_EQ(m.find('\n'), std::string::npos);
    EXPECT_EQ(s_->AnamefileC, "kept");
    EXPECT_EQ(s_->fscanmax, 42);
    EXPECT_EQ(s_->n1, 9);
  }
}

}  // namespace
}  // namespace quorvane
