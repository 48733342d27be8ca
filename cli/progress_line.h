// The batch runner's progress: on a terminal, one line on standard error that rewrites itself
// with the stage of the run, the evaluations so far, the current terminal f and total loss, and
// the time left of the bootstrap or the retrospective. Nothing when standard error is not a
// terminal or with --quiet.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "report/host.h"
#include "state/run_state.h"

namespace quorvane {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProgressLine(bool shown) : shown_(shown) {}
  ~ProgressLine() { clear(); }

  // Whether standard error is a terminal.
  static bool terminal();

  bool shown() const { return shown_; }
  // Rewrites the line; at most ten times a second. May be called from any thread.
  void show(const std::string& text);
  // Erases the line, before other output.
  void clear();

 private:
  std::mutex mutex_;
  bool shown_;
  bool visible_ = false;
  Clock::time_point last_{};
};

// The host of the main run: forwards everything to the batch runner's host and shows the
// progress at every yield point.
class MainRunProgress : public Host {
 public:
  MainRunProgress(Host& inner, const RunState& s, ProgressLine& line)
      : inner_(inner), s_(s), line_(line) {}

  bool draws() const override { return inner_.draws(); }
  void show_progress() override { inner_.show_progress(); }
  void hide_progress() override { inner_.hide_progress(); }
  void clear_progress() override { inner_.clear_progress(); }
  void set_position(int x, int y) override { inner_.set_position(x, y); }
  void print(std::string_view text) override { inner_.print(text); }
  void show_parameters() override { inner_.show_parameters(); }
  UserRequest yield() override;
  BootstrapAnswer ask_bootstrap(bool terminated) override {
    return inner_.ask_bootstrap(terminated);
  }
  std::string ask_restart() override { return inner_.ask_restart(); }
  void run_ended(const std::string& message) override;

 private:
  Host& inner_;
  const RunState& s_;
  ProgressLine& line_;
  int bootstrap_run_ = 0;
  ProgressLine::Clock::time_point bootstrap_started_{};
};

// What the peels of a retrospective share: how many there are, how many have finished, since
// when they run.
struct RetroProgress {
  explicit RetroProgress(int peels) : peels(peels), started(ProgressLine::Clock::now()) {}
  const int peels;
  std::atomic<int> done{0};
  const ProgressLine::Clock::time_point started;
};

// The host of one peel: answers No to the bootstrap question (the default) and shows the
// progress of the retrospective at every yield point.
class PeelProgress : public Host {
 public:
  PeelProgress(int peel, const RunState& s, ProgressLine& line, RetroProgress& retro)
      : peel_(peel), s_(s), line_(line), retro_(retro) {}
  UserRequest yield() override;
  void run_ended(const std::string& message) override;

 private:
  int peel_;
  const RunState& s_;
  ProgressLine& line_;
  RetroProgress& retro_;
};

}  // namespace quorvane
