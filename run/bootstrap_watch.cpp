#include "run/bootstrap_watch.h"

#include <cmath>
#include <string>

#include "base/forwarding_host.h"
#include "run/driver.h"

namespace quorvane {
namespace {

// Passes every call on to the run's host, and at a yield point after a new evaluation reports
// the run's progress first.
class WatchedRun : public ForwardingHost {
 public:
  WatchedRun(const RunState& s, Host& inner)
      : ForwardingHost(inner), s_(s), total_(s.boottot), bootn_(s.bootn), before_(s.evaluations) {
    report();
  }

  UserRequest yield() override {
    if (s_.evaluations != reported_) report();
    return ForwardingHost::yield();
  }

 private:
  void report() {
    reported_ = s_.evaluations;
    inner().bootstrap_status(
        bootstrap_status_of(total_, bootn_, s_.evaluations - before_, s_.SSEALL));
  }

  const RunState& s_;
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
