// How many threads the work that spreads over the cores (bootstrap runs, retrospective peels)
// runs on.
#pragma once

#include <algorithm>
#include <thread>

namespace quorvane {

// The number asked for, or one per core when it is 0 (or the core count is unknown: one).
inline int thread_count(int requested) {
  if (requested > 0) return requested;
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace quorvane
