#include "run/settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/errors.h"

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
  set(FieldId::MassMaturityAge, "32767.5");  // rounds to 32768, beyond 16 bits
  EXPECT_NE(rejection().find("If Option=2, input age of mass maturity: '32767.5' is not a whole "
                             "number between -32768 and 32767 (Text4)"),
            std::string::npos);
}

// A setting whose field is not stored in this run keeps the value of the run before.
TEST_F(Settings, ASecondReadKeepsWhatItDoesNotRead) {
  read();
  set(FieldId::Search, "2");    // precise search: the highest values of the scans are not read
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

// Every problem is listed at once, naming the field's label and text, and nothing of the state
// changes.
TEST_F(Settings, RejectedFieldsAreAllNamedAndLeaveTheStateAlone) {
  read();
  s_->fscanmax = 42;
  set(FieldId::CatchFile, "new.txt");  // a good field among bad ones: not stored either
  set(FieldId::FirstYear, "abc");
  set(FieldId::LastYear, "");
  set(FieldId::MOption, "4");
  set(FieldId::FleetCount, "8");
  set(FieldId::CentralElements, "5");
  set(FieldId::FScanLow, "3");
  set(FieldId::FScanHigh, "2");  // highest f below the lowest
  set(FieldId::FScanStep, "0");
  set(FieldId::Fleet1Weight, "1,5");
  const std::string m = rejection();
  for (const char* part :
       {"Years for analysis.  First year: 'abc' is not a number (Text8)",
        "Last year: '' is not a number (Text9)",
        "Option?: '4' is not one of the options 1..3 (Text3)",
        "How many (<=7)?: '8' is outside 0..7 (Text48)",
        "No. (even) of c.e. for MDN (rec.=10): '5' is not an even number of at least 2 "
        "(Text33)",
        "If Scan: Highest f : '2' is below the lowest value of the scan",
        "If Scan: Step : '0' is not above 0 (Text19)",
        "Weights of components in the overall loss function: Aged1 : '1,5' is not a number "
        "(Text102)"}) {
    EXPECT_NE(m.find(part), std::string::npos) << part << "\nin: " << m;
  }
  EXPECT_EQ(m.find('\n'), std::string::npos);
  EXPECT_EQ(s_->AnamefileC, "demo/c.txt");
  EXPECT_EQ(s_->yearmin, 1984);
  EXPECT_EQ(s_->fscanmax, 42);
  EXPECT_EQ(s_->n1, 3);
}

TEST_F(Settings, OptionListsAreCheckedOnlyForWhatTheRunReads) {
  set(FieldId::Ssb3Kind, "3");  // survey 3 is not used, but every kind is checked with SSB surveys on
  EXPECT_NE(rejection().find("(Text111)"), std::string::npos);
  set(FieldId::Ssb3Kind, "1.5");
  EXPECT_NE(rejection().find("'1.5' is not one of the options 1..2 (Text111)"), std::string::npos);
  set(FieldId::SsbOn, "2");
  EXPECT_EQ(rejection(), "");

  set(FieldId::Fleet5Loss, "4");  // fleet 5's loss, fleet 5 not in use
  EXPECT_EQ(rejection(), "");
  set(FieldId::FleetCount, "5");
  set(FieldId::Fleet5File, "f5.txt");
  EXPECT_NE(rejection().find("What to minimize?: 5: '4' is not one of the options 1..3 (Text88)"),
            std::string::npos);

  set(FieldId::Fleet5Loss, "3");
  set(FieldId::MOption, "1");  // constant M, scan: its grid is checked
  set(FieldId::MScanStep, "-0.01");
  EXPECT_NE(rejection().find("If M=const -? and if Scan: Step : '-0.01' is not above 0"),
            std::string::npos);
  set(FieldId::MOption, "3");  // M known: that grid is not used
  EXPECT_EQ(rejection(), "");
  set(FieldId::SsbCount, "4");
  set(FieldId::SsbOn, "1");
  EXPECT_NE(rejection().find("How many (<=3)? : '4' is outside 0..3 (Text39)"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
