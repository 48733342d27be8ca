#include "data/replicate_draws.h"

#include <cstdint>

#include "base/errors.h"
#include "base/host.h"
#include "base/print.h"
#include "data/age_year_file.h"
#include "data/bootstrap_draws.h"
#include "data/survey_data.h"

namespace quorvane {
namespace {

constexpr std::string_view kFleetCopyPattern = "########0.##";
constexpr double kNoObservation = -1.0;

void draw_surveys(RunState& w) {
  const int years = w.file_years();
  for (int k = 1; k <= w.totalinds; ++k) {
    for (int y = 1; y <= years; ++y) {
      double& value = w.ssbind[k][y];
      const double u = w.rng.draw();
      if (value > 0) {
        value = checked_finite(perturbed(value, w.stdssb[k], u), "ssbread", -1,
                               static_cast<int>(w.year_label(y)));
      }
    }
  }
}

void draw_fleets(RunState& w) {
  const int years = w.file_years();
  const int columns = w.file_columns();
  for (int k = 1; k <= w.totalind; ++k) {
    AgeYearTable& table = w.fleet_table[k];
    for (int y = 1; y <= years; ++y) {
      for (int a = 2; a <= columns; ++a) {
        const double u = w.rng.draw();
        const double v = table(a, y);
        double value = kNoObservation;
        if (v > 0) {
          value =
              checked_finite(perturbed(v, w.stdind[k], u), "newindex",
                             static_cast<int>(w.age_label(a)), static_cast<int>(w.year_label(y)));
        }
        table(a, y) = fleet_copy_value(value);
      }
    }
    w.fleet_loaded[k] = true;
  }
  // The tables in memory are this replicate's copies: the reader must not replace them with
  // the files of another source.
  w.fleet_source_bootn = w.bootn;
}

}  // namespace

double fleet_copy_value(double value) {
  return *parse_number(format_real(rounded(value, kFleetCopyPattern)));
}

void draw_replicate_data(RunState& w) {
  draw_catches(w);
  if (holds(w.indssb, YesNo::Yes)) draw_surveys(w);
  if (holds(w.indaged, YesNo::Yes)) draw_fleets(w);
}

void load_observed_tables(RunState& s) {
  Host silent;
  const std::int16_t bootn = s.bootn, curind = s.curind;
  const AgeYearTable ind = s.ind;
  s.bootn = 0;
  if (holds(s.indaged, YesNo::Yes)) {
    for (int k = 1; k <= s.totalind; ++k) {
      s.curind = static_cast<std::int16_t>(k);
      agedindread(s, silent);
    }
  }
  maturity(s, silent, s.agemin, s.yearmin);
  s.bootn = bootn;
  s.curind = curind;
  s.ind = ind;
}

}  // namespace quorvane
