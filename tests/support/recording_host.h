// A Host for tests: records every drawing call as a line of text, answers the questions with
// preset texts, and presses STOP (or Quit) at a chosen yield point.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/host.h"

namespace quorvane::testing {

class RecordingHost : public Host {
 public:
  // Drawing is recorded only when `draw` is true (draws() answers it).
  explicit RecordingHost(bool draw = true) : draw_(draw) {}

  bool draws() const override { return draw_; }
  void show_progress() override { calls.push_back("show"); }
  void hide_progress() override { calls.push_back("hide"); }
  void clear_progress() override { calls.push_back("clear"); }
  void set_position(int x, int y) override {
    calls.push_back("at " + std::to_string(x) + "," + std::to_string(y));
  }
  void print(std::string_view text) override { calls.push_back("print [" + std::string(text) + "]"); }
  void show_parameters() override { calls.push_back("parameters"); }

  UserRequest yield() override {
    ++yields;
    if (yields == stop_at_yield) return UserRequest::Stop;
    if (stop_when && stop_when()) {
      stop_when = nullptr;  // STOP is pressed once
      return UserRequest::Stop;
    }
    if (yields == quit_at_yield) return UserRequest::Quit;
    return UserRequest::None;
  }

  BootstrapAnswer ask_bootstrap(bool terminated) override {
    calls.push_back(terminated ? "ask bootstrap (terminated)" : "ask bootstrap");
    return bootstrap_answer;
  }
  std::string ask_restart() override {
    calls.push_back("ask restart");
    return restart_answer;
  }
  void run_ended(const std::string& message) override { ended_with = message; ++runs_ended; }

  std::vector<std::string> calls;
  long yields = 0;
  long stop_at_yield = -1;
  long quit_at_yield = -1;
  std::function<bool()> stop_when;  // STOP at the first yield point where this holds
  BootstrapAnswer bootstrap_answer;
  std::string restart_answer = "1";
  std::string ended_with;
  int runs_ended = 0;

 private:
  bool draw_;
};

}  // namespace quorvane::testing
