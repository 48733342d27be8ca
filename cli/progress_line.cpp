#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>

#include "report/batch_progress.h"

namespace quorvane {

namespace {

constexpr auto kShortestInterval = std::chrono::milliseconds(100);

double seconds_since(ProgressLine::Clock::time_point t) {
  return std::chrono::duration<double>(ProgressLine::Clock::now() - t).count();
}

// The evaluations and, once the settings are indices, the terminal f and the total loss.
ProgressSnapshot snapshot(const RunState& s, std::string stage) {
  ProgressSnapshot p;
  p.stage = std::move(stage);
  p.evaluations = s.evaluations;
  if (s.evaluations > 0 && s.yearmax >= 1 && s.yearmax < kYearSlots) {
    p.terminal_f = s.f[static_cast<std::size_t>(s.yearmax)];
    p.total_loss = s.SSEALL;
  }
  return p;
}

}  // namespace

bool ProgressLine::terminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressLine::show(const std::string& text) {
  if (!shown_) return;
  const std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  if (visible_ && now - last_ < kShortestInterval) return;
  last_ = now;
  visible_ = true;
  // Back to the start of the line, the text, and the rest of the old line erased.
  std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
  std::fflush(stderr);
}

void ProgressLine::clear() {
  if (!shown_) return;
  const std::lock_guard lock(mutex_);
  if (!visible_) return;
  visible_ = false;
  std::fprintf(stderr, "\r\x1b[K");
  std::fflush(stderr);
}

UserRequest MainRunProgress::yield() {
  if (line_.shown()) {
    std::string stage = "main run";
    std::optional<double> left;
    if (s_.bootn >= 1) {
      if (bootstrap_run_ == 0) bootstrap_started_ = ProgressLine::Clock::now();
      bootstrap_run_ = s_.bootn;
      stage = "bootstrap " + std::to_string(s_.bootn) + " of " + std::to_string(s_.boottot);
      left = time_left(seconds_since(bootstrap_started_), s_.bootn - 1, s_.boottot);
    }
    ProgressSnapshot p = snapshot(s_, stage);
    p.seconds_left = left;
    line_.show(progress_text(p));
  }
  return inner_.yield();
}

void MainRunProgress::run_ended(const std::string& message) {
  line_.clear();
  inner_.run_ended(message);
}

UserRequest PeelProgress::yield() {
  if (line_.shown()) {
    ProgressSnapshot p =
        snapshot(s_, "peel " + std::to_string(peel_) + " of " + std::to_string(retro_.peels));
    p.seconds_left = time_left(seconds_since(retro_.started), retro_.done, retro_.peels);
    line_.show(progress_text(p));
  }
  return UserRequest::None;
}

void PeelProgress::run_ended(const std::string& /*message*/) { ++retro_.done; }

}  // namespace quorvane
