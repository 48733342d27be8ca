#include "report/batch_progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvane {

namespace {

std::string significant(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

}  // namespace

std::string progress_text(const ProgressSnapshot& p) {
  std::string text = p.stage;
  text +=
      " | " + std::to_string(p.evaluations) + (p.evaluations == 1 ? " evaluation" : " evaluations");
  if (p.terminal_f) text += " | f " + significant(*p.terminal_f);
  if (p.total_loss) text += " | loss " + significant(*p.total_loss);
  if (p.seconds_left) text += " | about " + duration_text(*p.seconds_left) + " left";
  return text;
}

std::optional<double> time_left(double elapsed, int done, int total) {
  if (done < 1) return std::nullopt;
  return elapsed / done * (total - done);
}

std::string duration_text(double seconds) {
  const long s = std::lround(std::max(seconds, 0.0));
  char buf[32];
  if (s < 60) {
    std::snprintf(buf, sizeof buf, "%ld s", s);
  } else if (s < 3600) {
    std::snprintf(buf, sizeof buf, "%ld min %02ld s", s / 60, s % 60);
  } else {
    std::snprintf(buf, sizeof buf, "%ld h %02ld min", s / 3600, (s % 3600) / 60);
  }
  return buf;
}

}  // namespace quorvane
