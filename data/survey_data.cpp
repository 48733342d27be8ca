#include "data/survey_data.h"

#include <cmath>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "base/print.h"
#include "data/age_year_file.h"

namespace quorvane {

namespace {

// An SSB survey file starts with four lines of free text.
constexpr int kSurveyHeaderLines = 4;

// Values of the temporary fleet files: two decimals, -1 where the fleet has no observation.
constexpr std::string_view kTempValuePattern = "########0.##";
constexpr double kNoObservation = -1.0;
// Lines 2 to 4 of a temporary fleet file, which the reader skips.
constexpr int kTempFillerLines = 3;
constexpr std::int64_t kTempFiller = 99;

// The logistic deviate's scale: 0.603 sd gives a perturbation with standard deviation sd on the
// log scale.
constexpr double kLogisticScale = 0.603;

std::string temp_fleet_name(int k) { return "aged" + std::to_string(k) + ".tmp"; }

// Reads one age-by-year file into `table`, telling the host when the reading begins and ends.
void read_with_notice(RunState& s, Host& host, const std::string& name, AgeYearTable& table) {
  host.reading_begins();
  read_table_file(s, resolve_path(s.workdir, name), table);
  host.reading_ends();
}

// The maturity table, read once and kept for the run.
const AgeYearTable& maturity_table(RunState& s, Host& host) {
  if (!s.maturity_loaded) {
    read_with_notice(s, host, s.Anamefile[8], s.maturity_table);
    s.maturity_loaded = true;
  }
  return s.maturity_table;
}

// The table of fleet `k`: from its own file in the main run and the first bootstrap run, from its
// bootstrap copy afterwards. A switch between the two sources forgets every kept fleet.
const AgeYearTable& fleet_table(RunState& s, Host& host, int k) {
  const bool from_copy = s.bootn > 1;
  if (from_copy != (s.fleet_source_bootn > 1)) {
    s.fleet_loaded.fill(false);
    s.fleet_source_bootn = s.bootn;
  }
  if (!s.fleet_loaded[k]) {
    read_with_notice(s, host, from_copy ? temp_fleet_name(k) : s.Anamefile[k], s.fleet_table[k]);
    s.fleet_loaded[k] = true;
    s.fleet_source_bootn = s.bootn;
  }
  return s.fleet_table[k];
}

}  // namespace

double perturbed(double v, double sd, double u) {
  return std::exp(std::log(v) + kLogisticScale * sd * std::log(u / (1 - u)));
}

void ssbread(RunState& s, Host& /*host*/) {
  const int years = s.file_years();
  for (int k = 1; k <= s.totalinds; ++k) {
    s.curinds = static_cast<std::int16_t>(k);
    NumberReader in(resolve_path(s.workdir, s.Anamefile[8 + k]));
    in.skip_lines(kSurveyHeaderLines);
    for (int y = 1; y <= years; ++y) {
      double& value = s.ssbind[k][y];
      if (!in.next(value)) {
        throw InputError(in.path() + ": the file ends early: the value of year " +
                         std::to_string(static_cast<long>(s.year_label(y))) + " is missing (" +
                         std::to_string(years) + " years expected from line 5 on)");
      }
      // Two numbers per year also in the main run, so the bootstrap draws that follow do not
      // depend on which values happen to be observed.
      const double u = s.rng.draw();
      if (value > 0 && s.bootn > 0) {
        value = checked_finite(perturbed(value, s.stdssb[k], u), "ssbread", -1,
                               static_cast<int>(s.year_label(y)));
      }
    }
  }
}

void agedindread(RunState& s, Host& host) {
  const int years = s.file_years();
  const int columns = s.file_columns();
  if (s.maturread == 1) {
    const AgeYearTable& mat = maturity_table(s, host);
    if (s.ppa >= 1 && s.ppa <= columns && s.ppy >= 1 && s.ppy <= years) {
      s.dolpol = mat(s.ppa, s.ppy);
    }
    return;
  }
  const AgeYearTable& fleet = fleet_table(s, host, s.curind);
  // Only the file's range is copied: cells outside it keep what they held, as after a read.
  for (int y = 1; y <= years; ++y) {
    for (int a = 1; a <= columns; ++a) s.ind(a, y) = fleet(a, y);
  }
}

double maturity(RunState& s, Host& host, int a, int y) {
  s.ppa = static_cast<std::int16_t>(a);
  s.ppy = static_cast<std::int16_t>(y);
  s.maturread = 1;
  agedindread(s, host);
  s.maturread = 0;
  return s.dolpol;
}

void newindex(RunState& s, Host& host) {
  const int years = s.file_years();
  const int columns = s.file_columns();
  for (int k = 1; k <= s.totalind; ++k) {
    s.curind = static_cast<std::int16_t>(k);
    agedindread(s, host);

    PrintFile out;
    out.create(resolve_path(s.workdir, temp_fleet_name(k)));
    out.real(s.firstage).real(s.lastage).real(s.firstyear).real(s.lastyear).end_line();
    for (int i = 0; i < kTempFillerLines; ++i) out.integer(kTempFiller).end_line();
    for (int y = 1; y <= years; ++y) {
      out.real(s.year_label(y));
      for (int a = 2; a <= columns; ++a) {
        const double u = s.rng.draw();
        const double v = s.ind(a, y);
        double value = kNoObservation;
        if (v > 0) {
          value =
              checked_finite(perturbed(v, s.stdind[k], u), "newindex",
                             static_cast<int>(s.age_label(a)), static_cast<int>(s.year_label(y)));
        }
        out.real(rounded(value, kTempValuePattern));
      }
      out.end_line();
    }
    out.close();
    // The copy just written replaces what was kept of this fleet.
    s.fleet_loaded[k] = false;
  }
  s.fleet_loaded.fill(false);
}

}  // namespace quorvane
