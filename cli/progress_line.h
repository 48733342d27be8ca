// The batch runner's progress on standard error. On a terminal, one line that rewrites itself
// with the stage of the run, the evaluations so far, the current terminal f and total loss, and
// the time left of the bootstrap or the retrospective. Elsewhere (a CI log, nohup, a cluster
// job) plain lines: one as each bootstrap run starts and as each peel ends, and the line of the
// moment at most every 10 seconds. Nothing with --quiet.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "base/forwarding_host.h"
#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Kind { Off, Terminal, Log };
  using Now = std::function<Clock::time_point()>;
  using Write = std::function<void(std::string_view)>;

  // To standard error, timed by the steady clock.
  explicit ProgressLine(Kind kind);
  // To `write`, timed by `now`: for the tests, which set the time themselves.
  ProgressLine(Kind kind, Now now, Write write);
  ~ProgressLine() { clear(); }

  // Off with --quiet, Terminal when standard error is a terminal, Log otherwise.
  static Kind kind_for(bool quiet);

  bool shown() const { return kind_ != Kind::Off; }
  Clock::time_point now() const { return now_(); }
  // The line of the moment. On a terminal it rewrites the line, at most ten times a second; in
  // a log it is written when 10 s have passed since the last line written (or the start). May
  // be called from any thread.
  void show(const std::string& text);
  // A step of a series of runs, written at once in a log (and the 10 s counted from it);
  // nothing on a terminal, whose line shows the step anyway.
  void note(const std::string& text);
  // Erases a terminal's line, before other output.
  void clear();

 private:
  std::mutex mutex_;
  Kind kind_;
  Now now_;
  Write write_;
  bool visible_ = false;
  Clock::time_point last_{};
};

// The host of the main run: forwards everything to the batch runner's host and shows the
// progress at every yield point.
class MainRunProgress : public ForwardingHost {
 public:
  MainRunProgress(Host& inner, const RunState& s, ProgressLine& line)
      : ForwardingHost(inner), s_(s), line_(line) {}

  UserRequest yield() override;
  void run_ended(const std::string& message) override;

 private:
  const RunState& s_;
  ProgressLine& line_;
  int bootstrap_run_ = 0;
  ProgressLine::Clock::time_point bootstrap_started_{};
};

// What the runs of an analysis beside the main run share (the peels of a retrospective, the runs
// of leave one out): what they are called, how many there are, how many have finished, since
// when they run.
struct VariantsProgress {
  VariantsProgress(std::string analysis, std::string noun, int runs,
                   ProgressLine::Clock::time_point started)
      : analysis(std::move(analysis)), noun(std::move(noun)), runs(runs), started(started) {}
  const std::string analysis;  // "retrospective"
  const std::string noun;      // "peel": "peel 2 of 5", "3 of 5 peels finished"
  const int runs;
  std::atomic<int> done{0};
  const ProgressLine::Clock::time_point started;
};

// The host of one such run: answers No to the bootstrap question (the default) and shows the
// progress of the analysis at every yield point.
class VariantProgress : public Host {
 public:
  VariantProgress(int run, const RunState& s, ProgressLine& line, VariantsProgress& all)
      : run_(run), s_(s), line_(line), all_(all) {}
  UserRequest yield() override;
  void run_ended(const std::string& message) override;

 private:
  int run_;
  const RunState& s_;
  ProgressLine& line_;
  VariantsProgress& all_;
};

}  // namespace quorvane
