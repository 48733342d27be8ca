#include "data/bootstrap_draws.h"

#include "base/errors.h"
#include "data/survey_data.h"

namespace quorvane {

void draw_catches(RunState& s) {
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) {
      s.C(a, y) = 0;
      // Two numbers per cell whatever the catch, so the draws of a cell do not depend on which
      // other cells were caught.
      const double u = s.rng.draw();
      if (s.Corig(a, y) > 0) {
        s.C(a, y) =
            checked_finite(perturbed(s.Corig(a, y), s.sigma, u), "draw_catches",
                           static_cast<int>(s.age_label(a)), static_cast<int>(s.year_label(y)));
      }
    }
  }
}

}  // namespace quorvane
