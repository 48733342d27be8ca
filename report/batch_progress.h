// The text of the batch runner's progress line: the stage of the run, the evaluations of the
// objective so far, the current terminal f and total loss, and for a series of runs (the
// bootstrap, the peels of a retrospective) an estimate of the time left.
#pragma once

#include <optional>
#include <string>

namespace quorvane {

struct ProgressSnapshot {
  std::string stage;  // "main run", "bootstrap 3 of 20", "peel 2 of 3"
  long evaluations = 0;
  std::optional<double> terminal_f;
  std::optional<double> total_loss;
  std::optional<double> seconds_left;
};

// "bootstrap 3 of 20 | 152 evaluations | f 2.75 | loss 17.19 | about 1 min 20 s left"; the
// parts without a value are left out. f and the loss with 4 significant digits.
std::string progress_text(const ProgressSnapshot& p);

// Time left of a series of runs of like length of which `done` of `total` have finished after
// `elapsed` seconds: elapsed / done x (total - done). Empty until one has finished.
std::optional<double> time_left(double elapsed, int done, int total);

// A duration rounded to whole seconds: "45 s", "3 min 05 s", "2 h 07 min".
std::string duration_text(double seconds);

}  // namespace quorvane
