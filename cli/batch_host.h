// The host of a run without windows: nothing is drawn, the question windows are answered from
// the command line, and STOP is pressed (and confirmed) at a chosen yield point.
#pragma once

#include <optional>
#include <string>

#include "report/host.h"

namespace quorvane {

class BatchHost : public Host {
 public:
  BatchHost(std::optional<long> bootstrap_runs, long stop_at_call, int restart_answer)
      : bootstrap_runs_(bootstrap_runs), stop_at_call_(stop_at_call),
        restart_answer_(restart_answer) {}

  // One yield point per cohort computation, counted over the main run and every bootstrap run.
  UserRequest yield() override {
    ++calls_;
    return calls_ == stop_at_call_ ? UserRequest::Stop : UserRequest::None;
  }

  BootstrapAnswer ask_bootstrap(bool /*terminated*/) override {
    BootstrapAnswer answer;  // the window's defaults: No, 100 runs
    if (bootstrap_runs_) {
      answer.answer = "1";
      answer.runs = std::to_string(*bootstrap_runs_);
    }
    return answer;
  }

  std::string ask_restart() override { return std::to_string(restart_answer_); }

  long calls() const { return calls_; }

 private:
  std::optional<long> bootstrap_runs_;
  long stop_at_call_;
  int restart_answer_;
  long calls_ = 0;
};

}  // namespace quorvane
