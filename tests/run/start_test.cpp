#include "run/start.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/run/small_stock.h"
#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

using testing::SmallStock;

// SmallStock's ages 1..4 over 2001..2006, without surveys.
class Start : public ::testing::Test {
 protected:
  void set(FieldId id, const std::string& text) { stock_.set(id, text); }
  RunOutcome run() { return run_start(*s_, host_, stock_.texts()); }
  SmallStock stock_;
  RunState* s_ = &stock_.state();
  testing::RecordingHost host_;
};

// How ages and years of the settings become indices of the tables (amp, the generation window,
// yearmid and the rest) is pinned by the reference cases: each of these conversions planted one
// off fails WrittenFiles (m_of_age_precise_small_block for amp, every case with generation factors
// for the window, nearly every case for yearmid).

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
  run_start(*s_, probe, stock_.texts());
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
  // A catch file of ones over ages a0..a1 and years y0..y0+5.
  const auto catches = [&](int a0, int a1, int y0) {
    std::string text = std::to_string(a0) + " " + std::to_string(a1) + " " + std::to_string(y0) +
                       " " + std::to_string(y0 + 5) + "\nx\nx\nx\n";
    for (int y = y0; y <= y0 + 5; ++y) {
      text += std::to_string(y);
      for (int a = a0; a <= a1; ++a) text += " 1";
      text += "\n";
    }
    testing::write_text(stock_.file("c.txt"), text);
  };
  catches(1, 30, 2001);
  set(FieldId::FirstYear, "1900");
  RunOutcome outcome = run();
  EXPECT_EQ(outcome.status, RunStatus::InputFailed) << outcome.message;
  EXPECT_EQ(testing::slurp(stock_.file("output.out")), "");

  catches(1, 4, -20000);
  set(FieldId::FirstYear, "20000");  // 20000 + 20000 + 1 does not fit 16 bits
  outcome = run();
  EXPECT_EQ(outcome.status, RunStatus::ArithmeticFailed) << outcome.message;
  EXPECT_NE(outcome.message.find("yearmin"), std::string::npos) << outcome.message;
}

// With SSB surveys off no survey file is opened, whatever its name.
TEST_F(Start, NoSurveyFileIsOpenedWithSurveysOff) {
  set(FieldId::Ssb1File, "no_such_file.txt");
  EXPECT_EQ(run().status, RunStatus::Completed);
  EXPECT_EQ(host_.runs_ended, 1);  // the host hears of the end once, with no message
  EXPECT_EQ(host_.ended_with, "");
  set(FieldId::SsbOn, "1");
  const RunOutcome outcome = run();
  EXPECT_EQ(outcome.status, RunStatus::InputFailed);
  EXPECT_NE(outcome.message.find("no_such_file.txt"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
