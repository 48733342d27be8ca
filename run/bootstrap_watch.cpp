#include "run/bootstrap_watch.h"

#include <cmath>
#include <string>

#include "run/driver.h"

namespace quorvane {
namespace {

// Passes every call on to the run's host, and at a yield point after a new evaluation reports
// the run's progress first.
class WatchedRun : public Host {
 public:
  WatchedRun(const RunState& s, Host& inner)
      : s_(s), inner_(inner), total_(s.boottot), bootn_(s.bootn), before_(s.evaluations) {
    report();
  }

  bool draws() const override { return inner_.draws(); }
  void show_progress() override { inner_.show_progress(); }
  void hide_progress() override { inner_.hide_progress(); }
  void clear_progress() override { inner_.clear_progress(); }
  void set_position(int x, int y) override { inner_.set_position(x, y); }
  void print(std::string_view text) override { inner_.print(text); }
  void show_parameters() override { inner_.show_parameters(); }
  UserRequest yield() override {
    if (s_.evaluations != reported_) report();
    return inner_.yield();
  }
  bool request_pending() override { return inner_.request_pending(); }
  void bootstrap_status(const BootstrapStatus& status) override { inner_.bootstrap_status(status); }
  BootstrapAnswer ask_bootstrap(bool terminated) override {
    return inner_.ask_bootstrap(terminated);
  }
  std::string ask_restart() override { return inner_.ask_restart(); }
  void run_ended(const std::string& message) override { inner_.run_ended(message); }

 private:
  void report() {
    reported_ = s_.evaluations;
    inner_.bootstrap_status(
        bootstrap_status_of(total_, bootn_, s_.evaluations - before_, s_.SSEALL));
  }

  const RunState& s_;
  Host& inner_;
  int total_, bootn_;
  long before_;         // evaluations of the runs before this one
  long reported_ = -1;  // evaluations at the last report
};

}  // namespace

BootstrapStatus bootstrap_status_of(int total, int computing, long evaluations, double loss) {
  BootstrapStatus status;
  status.total = total;
  status.written = computing > 0 ? computing - 1 : total;
  status.computing = computing;
  status.evaluations = evaluations;
  if (evaluations > 0 && std::isfinite(loss)) status.total_loss = loss;
  return status;
}

void estimate_watched(RunState& s, Host& host) {
  WatchedRun watched(s, host);
  estimate(s, watched);
}

}  // namespace quorvane
