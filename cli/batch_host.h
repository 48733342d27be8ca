// The host of a run without windows: nothing is drawn, the question windows are answered from
// the command line, and STOP is pressed (and confirmed) at a chosen yield point, or at the first
// yield point after a chosen time of computation.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "base/host.h"
#include "cli/interrupt.h"

namespace quorvane {

class BatchHost : public Host {
 public:
  using Clock = std::chrono::steady_clock;

  // The time of computation is counted from the making of the host, just before START.
  BatchHost(std::optional<long> bootstrap_runs, long stop_at_call, int restart_answer,
            std::optional<double> stop_after_seconds = std::nullopt)
      : bootstrap_runs_(bootstrap_runs),
        stop_at_call_(stop_at_call),
        restart_answer_(restart_answer),
        stop_after_seconds_(stop_after_seconds),
        started_(Clock::now()) {}

  // One yield point per cohort computation, counted over the main run and every bootstrap run.
  // A run that never settles (the fixed-point loop has no pass limit) is stopped once, at the
  // first yield point after the time allowed.
  UserRequest yield() override {
    ++calls_;
    // SIGINT or SIGTERM: STOP, once, and both questions answered "no" below.
    if (interrupt_signal() != 0 && !stopped_by_signal_) {
      stopped_by_signal_ = true;
      return UserRequest::Stop;
    }
    if (calls_ == stop_at_call_) return UserRequest::Stop;
    if (stop_after_seconds_ && !stopped_by_time_ &&
        std::chrono::duration<double>(Clock::now() - started_).count() >= *stop_after_seconds_) {
      stopped_by_time_ = true;
      return UserRequest::Stop;
    }
    return UserRequest::None;
  }

  BootstrapAnswer ask_bootstrap(bool /*terminated*/) override {
    BootstrapAnswer answer;  // the window's defaults: No, 100 runs
    if (bootstrap_runs_ && interrupt_signal() == 0) {
      answer.answer = "1";
      answer.runs = std::to_string(*bootstrap_runs_);
    }
    return answer;
  }

  std::string ask_restart() override {
    return std::to_string(interrupt_signal() != 0 ? 2 : restart_answer_);
  }

  long calls() const { return calls_; }

 private:
  std::optional<long> bootstrap_runs_;
  long stop_at_call_;
  int restart_answer_;
  std::optional<double> stop_after_seconds_;
  Clock::time_point started_;
  bool stopped_by_time_ = false;
  bool stopped_by_signal_ = false;
  long calls_ = 0;
};

}  // namespace quorvane
