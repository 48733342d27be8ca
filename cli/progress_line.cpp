#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

#include "report/batch_progress.h"

namespace quorvane {

namespace {

// A terminal's line is rewritten at most ten times a second; a log gets the line of the moment
// at most every 10 seconds, so that an hour's run leaves a few hundred lines, not millions.
constexpr auto kShortestInterval = std::chrono::milliseconds(100);
constexpr auto kLogInterval = std::chrono::seconds(10);

double seconds_between(ProgressLine::Clock::time_point from, ProgressLine::Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

void to_stderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
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

// "bootstrap 12 of 200, about 1 min 40 s left"; the time left once a run has finished.
std::string step_text(const std::string& step, std::optional<double> left) {
  return left ? step + ", about " + duration_text(*left) + " left" : step;
}

}  // namespace

ProgressLine::ProgressLine(Kind kind) : ProgressLine(kind, &Clock::now, &to_stderr) {}

ProgressLine::ProgressLine(Kind kind, Now now, Write write)
    : kind_(kind), now_(std::move(now)), write_(std::move(write)), last_(now_()) {}

ProgressLine::Kind ProgressLine::kind_for(bool quiet) {
  if (quiet) return Kind::Off;
  return isatty(STDERR_FILENO) == 1 ? Kind::Terminal : Kind::Log;
}

void ProgressLine::show(const std::string& text) {
  if (kind_ == Kind::Off) return;
  const std::lock_guard lock(mutex_);
  const auto now = now_();
  if (kind_ == Kind::Log) {
    if (now - last_ < kLogInterval) return;
    last_ = now;
    write_(text + "\n");
    return;
  }
  if (visible_ && now - last_ < kShortestInterval) return;
  last_ = now;
  visible_ = true;
  // Back to the start of the line, the text, and the rest of the old line erased.
  write_("\r" + text + "\x1b[K");
}

void ProgressLine::note(const std::string& text) {
  if (kind_ != Kind::Log) return;
  const std::lock_guard lock(mutex_);
  last_ = now_();
  write_(text + "\n");
}

void ProgressLine::clear() {
  if (kind_ != Kind::Terminal) return;
  const std::lock_guard lock(mutex_);
  if (!visible_) return;
  visible_ = false;
  write_("\r\x1b[K");
}

UserRequest MainRunProgress::yield() {
  if (line_.shown()) {
    std::string stage = "main run";
    std::optional<double> left;
    if (s_.bootn >= 1) {
      const auto now = line_.now();
      if (bootstrap_run_ == 0) bootstrap_started_ = now;
      stage = "bootstrap " + std::to_string(s_.bootn) + " of " + std::to_string(s_.boottot);
      left = time_left(seconds_between(bootstrap_started_, now), s_.bootn - 1, s_.boottot);
      if (s_.bootn != bootstrap_run_) line_.note(step_text(stage, left));
      bootstrap_run_ = s_.bootn;
    }
    ProgressSnapshot p = snapshot(s_, stage);
    p.seconds_left = left;
    line_.show(progress_text(p));
  }
  return ForwardingHost::yield();
}

void MainRunProgress::run_ended(const std::string& message) {
  line_.clear();
  ForwardingHost::run_ended(message);
}

UserRequest VariantProgress::yield() {
  if (line_.shown()) {
    ProgressSnapshot p =
        snapshot(s_, all_.noun + " " + std::to_string(run_) + " of " + std::to_string(all_.runs));
    p.seconds_left = time_left(seconds_between(all_.started, line_.now()), all_.done, all_.runs);
    line_.show(progress_text(p));
  }
  return UserRequest::None;
}

// The runs go side by side, so their ends, not their starts, measure the progress.
void VariantProgress::run_ended(const std::string& /*message*/) {
  const int done = ++all_.done;
  if (!line_.shown()) return;
  const auto left = time_left(seconds_between(all_.started, line_.now()), done, all_.runs);
  line_.note(step_text(all_.analysis + ": " + std::to_string(done) + " of " +
                           std::to_string(all_.runs) + " " + all_.noun + "s finished",
                       done < all_.runs ? left : std::nullopt));
}

}  // namespace quorvane
