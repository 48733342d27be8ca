#include "cli/interrupt.h"

#include <time.h>

namespace quorvane {

namespace {

volatile std::sig_atomic_t g_signal = 0;
// When the first signal came, in whole seconds of the monotonic clock.
volatile std::sig_atomic_t g_first_second = 0;

// A second signal within this time is the first one delivered twice: `timeout` sends its
// signal to the program and to its process group, and a scheduler may signal every process
// of a job; neither means "do not wait for the results".
constexpr long kGraceSeconds = 2;

long monotonic_seconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
  return static_cast<long>(now.tv_sec);
}

extern "C" void on_interrupt(int sig) {
  if (g_signal != 0) {
    if (monotonic_seconds() - g_first_second < kGraceSeconds) return;
    // A later signal: the user or the scheduler does not want to wait for the results.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  g_first_second = static_cast<std::sig_atomic_t>(monotonic_seconds());
  g_signal = sig;
}

}  // namespace

void install_interrupt_handlers() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGINT, on_interrupt);
  std::signal(SIGTERM, on_interrupt);
}

int interrupt_signal() { return g_signal; }

}  // namespace quorvane
