#include "cli/interrupt.h"

namespace quorvane {

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void on_interrupt(int sig) {
  if (g_signal != 0) {
    // The second signal: the user or the scheduler does not want to wait for the results.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
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
