#include "run/start.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A stock of ages 3..13 over 1984..2014 in a fresh directory, without surveys; a whole run on it
// takes a fraction of a second.
class Start : public ::testing::Test {
 protected:
  void SetUp() override {
    write_table("c.txt", 3, 13, 1984, 2014, [](int a, int y) { return 1000.0 + 10 * a + y % 7; });
    write_table("w.txt", 3, 13, 1984, 2014, [](int a, int) { return 0.1 * a; });
    write_table("m.txt", 3, 13, 1984, 2014, [](int, int) { return 0.2; });
    write_table("mat.txt", 3, 13, 1984, 2014, [](int a, int) { return a < 6 ? 0.0 : 1.0; });
    s_->workdir = dir_.str();
    set(FieldId::CatchFile, "c.txt");
    set(FieldId::WeightFile, "w.txt");
    set(FieldId::MFile, "m.txt");
    set(FieldId::ShowProgress, "2");  // nothing on screen
    set(FieldId::MaturityFile, "mat.txt");
    set(FieldId::SsbOn, "2");  // no SSB survey
    set(FieldId::FleetsOn, "2");  // no aged fleet
    set(FieldId::FScanLow, "1");  // a scan of one grid point
    set(FieldId::FScanHigh, "1");
    set(FieldId::FScanStep, "1");
  }

  template <typename Value>
  void write_table(const std::string& name, int a0, int a1, int y0, int y1, Value value) {
    std::ofstream out(dir_ / name, std::ios::binary);
    out << a0 << ' ' << a1 << ' ' << y0 << ' ' << y1 << "\nheading\nheading\nheading\n";
    for (int y = y0; y <= y1; ++y) {
      out << y;
      for (int a = a0; a <= a1; ++a) out << ' ' << value(a, y);
      out << '\n';
    }
  }
  void set(FieldId id, const std::string& text) { texts_[id] = text; }
  RunOutcome run() { return run_start(*s_, host_, texts_); }
  testing::ScratchDir dir_;
  FieldTexts texts_ = default_field_texts();
  std::unique_ptr<RunState> s_ = std::make_unique<RunState>();
  testing::RecordingHost host_;
};

// First age 3 and first year 1984 in the C(a,y) file: an age becomes age - 3 + 2, a year
// becomes year - 1984 + 1.
TEST_F(Start, AgeAndYearSettingsBecomeIndices) {
  set(FieldId::MassMaturityAge, "7");
  set(FieldId::TripleFirstAge, "3");
  set(FieldId::TripleLastAge, "12");
  const RunOutcome outcome = run();
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;
  EXPECT_EQ(s_->amp, 6);        // 7 - 3 + 2
  EXPECT_EQ(s_->tragemin, 2);   // 3 - 3 + 2
  EXPECT_EQ(s_->tragemax, 11);  // 12 - 3 + 2
  EXPECT_EQ(s_->agemin, 2);
  EXPECT_EQ(s_->agemax, 12);
  EXPECT_EQ(s_->yearmin, 1);
  EXPECT_EQ(s_->yearmax, 31);
  EXPECT_EQ(s_->yearmid, 31);
  EXPECT_EQ(s_->C(2, 1), 1000.0 + 30 + 1984 % 7);
  EXPECT_EQ(s_->W(12, 31), 0.1 * 13);
  EXPECT_EQ(s_->M(7, 15), 0.2);
  EXPECT_EQ(s_->brev1, 1);
  EXPECT_EQ(host_.runs_ended, 1);
  EXPECT_EQ(host_.ended_with, "");
}

// Records whether tables kept from an earlier run were still marked as loaded when the progress
// window first appeared, that is after the input files were read and before the estimation.
class CacheProbe : public testing::RecordingHost {
 public:
  explicit CacheProbe(const RunState& s) : RecordingHost(false), s_(s) {}
  void show_progress() override {
    if (calls.empty()) cached_at_show = s_.maturity_loaded || s_.fleet_loaded[2];
    RecordingHost::show_progress();
  }
  bool cached_at_show = true;

 private:
  const RunState& s_;
};

TEST_F(Start, ShowsTheProgressWindowWithWaitBeforeTheEstimation) {
  s_->maturity_loaded = true;
  s_->fleet_loaded[2] = true;
  s_->zz = 1;
  CacheProbe probe(*s_);
  run_start(*s_, probe, texts_);
  ASSERT_GE(probe.calls.size(), 3u);
  EXPECT_EQ(probe.calls[0], "show");
  EXPECT_EQ(probe.calls[1], "at 2,1");
  EXPECT_EQ(probe.calls[2], "print [WAIT.....]");
  EXPECT_FALSE(probe.cached_at_show);
  EXPECT_EQ(s_->zz, 0);
}

// The capacity of the tables is tested before the analysis ranges, and a setting that does not
// fit 16 bits as an index is an arithmetic overflow.
TEST_F(Start, CapacityAndIndexOverflowFailTheInput) {
  write_table("c.txt", 1, 30, 1984, 2014, [](int, int) { return 1.0; });
  set(FieldId::FirstYear, "1900");
  RunOutcome outcome = run();
  EXPECT_EQ(outcome.status, RunStatus::InputFailed) << outcome.message;
  EXPECT_EQ(dir_.text("output.out"), "");

  write_table("c.txt", 3, 13, -20000, -19970, [](int, int) { return 1.0; });
  set(FieldId::FirstYear, "20000");  // 20000 + 20000 + 1 does not fit 16 bits
  outcome = run();
  EXPECT_EQ(outcome.status, RunStatus::ArithmeticFailed) << outcome.message;
  EXPECT_NE(outcome.message.find("yearmin"), std::string::npos) << outcome.message;
}

// With SSB surveys off no survey file is opened, whatever its name.
TEST_F(Start, NoSurveyFileIsOpenedWithSurveysOff) {
  set(FieldId::Ssb1File, "no_such_file.txt");
  EXPECT_EQ(run().status, RunStatus::Completed);
  set(FieldId::SsbOn, "1");
  const RunOutcome outcome = run();
  EXPECT_EQ(outcome.status, RunStatus::InputFailed);
  EXPECT_NE(outcome.message.find("no_such_file.txt"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
