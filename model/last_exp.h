// The exponential of the last argument seen. Neighbouring cells usually share their natural
// mortality (a constant, M by age, or a table whose rows repeat), so a loop over the cells finds
// most of its exponentials here; the same argument gives the same bits, so nothing written
// changes.
#pragma once

#include <cmath>

namespace quorvane {

class LastExp {
 public:
  double operator()(double x) {
    if (x != arg_) {
      arg_ = x;
      value_ = std::exp(x);
    }
    return value_;
  }

 private:
  double arg_ = NAN;  // NaN equals nothing, so the first call computes
  double value_ = 0.0;
};

}  // namespace quorvane
