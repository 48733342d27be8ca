#include "run/start.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "data/survey_data.h"
#include "report/fbar.h"
#include "run/driver.h"
#include "run/run_files.h"
#include "run/run_tables.h"
#include "run/session_control.h"
#include "state/indices.h"
#include "state/message_text.h"

namespace quorvane {

namespace {

// Where the progress window shows that the run has begun: its top left corner, in twips.
constexpr int kWaitX = 2;
constexpr int kWaitY = 1;
constexpr const char* kWait = "WAIT.....";

// Step 1: the search state and the counters start from zero in every run.
void clear_search_state(RunState& s) {
  s.LGRAN = s.RGRAN = s.DELTA = s.PREVMC = s.MC = s.PREVALFA = s.LALFA = 0;
  s.PARAM = s.METKA = s.DELTA1 = s.metka1 = s.PARAM1 = 0;
  s.SSEP = s.SSEL = s.SSET = s.SSETP = s.SSETPP = s.SSEP1 = s.SSEL1 = 0;
  s.PREF = s.sigma = s.SSEALL = s.parysp = 0;
  s.centralel = s.popa = s.ppa = s.ppy = s.curind = s.totalind = s.curinds = s.totalinds = 0;
}

// An age or year setting as an index: (value - first) + offset, rounded half to even.
std::int16_t to_index(std::int16_t value, double first, int offset, const char* setting) {
  const std::optional<std::int16_t> index = round_to_int16(value - first + offset);
  if (!index) {
    throw_fault("START", std::string("overflow converting ") + setting + " to an index");
  }
  return *index;
}

// Step 6, after the header of the C(a,y) file: the age and year settings become indices.
void convert_to_indices(RunState& s) {
  s.amp = to_index(s.amp, s.firstage, 2, "amp");
  s.agemin = to_index(s.agemin, s.firstage, 2, "agemin");
  s.agemax = to_index(s.agemax, s.firstage, 2, "agemax");
  s.tragemin = to_index(s.tragemin, s.firstage, 2, "tragemin");
  s.tragemax = to_index(s.tragemax, s.firstage, 2, "tragemax");
  s.yearmin = to_index(s.yearmin, s.firstyear, 1, "yearmin");
  s.yearmax = to_index(s.yearmax, s.firstyear, 1, "yearmax");
  s.yearmid = to_index(s.yearmid, s.firstyear, 1, "yearmid");
}

// The analysis must lie inside the file: its ages and years within the file's, each range in
// order, the first selectivity period ending inside the analysis years, and a window of the
// generation factors inside the analysis ages (an empty window, first above last, is allowed).
void check_analysis_range(const RunState& s, const FieldTexts& texts) {
  std::vector<std::string> problems;
  const auto add = [&](FieldId id, const std::string& what) {
    problems.push_back(field_problem(id, texts[id], what));
  };
  const std::string file_ages = label_text(s.firstage) + ".." + label_text(s.lastage);
  const std::string file_years = label_text(s.firstyear) + ".." + label_text(s.lastyear);
  const int last_age = s.file_columns();
  const int last_year = s.file_years();

  // A first and a last setting (fields `first_field` and `second_field`) must lie inside the
  // file's indices `lowest`..`last`, the first not above the last; true when both lie inside.
  const auto check_pair = [&](FieldId first_field, FieldId second_field, int first, int second,
                              int lowest, int last, const std::string& file_range,
                              const char* order) {
    const bool first_inside = first >= lowest && first <= last;
    const bool second_inside = second >= lowest && second <= last;
    const std::string outside = "lies outside the " + file_range + " of the C(a,y) file";
    if (!first_inside) add(first_field, outside);
    if (!second_inside) add(second_field, outside);
    if (first_inside && second_inside && first > second) add(second_field, order);
    return first_inside && second_inside;
  };
  const bool ages_inside =
      check_pair(FieldId::FirstAge, FieldId::LastAge, s.agemin, s.agemax, 2, last_age,
                 "ages " + file_ages, "is below the first age of the analysis");
  const bool years_inside =
      check_pair(FieldId::FirstYear, FieldId::LastYear, s.yearmin, s.yearmax, 1, last_year,
                 "years " + file_years, "is below the first year of the analysis");
  if (years_inside && s.yearmin <= s.yearmax && (s.yearmid < s.yearmin || s.yearmid > s.yearmax)) {
    add(FieldId::FirstPeriodEnd, "lies outside the years of the analysis " +
                                     texts[FieldId::FirstYear] + ".." + texts[FieldId::LastYear]);
  }

  if (holds(s.gfactoron, YesNo::Yes) && s.tragemin <= s.tragemax && ages_inside &&
      s.agemin <= s.agemax) {
    const std::string analysis_ages = texts[FieldId::FirstAge] + ".." + texts[FieldId::LastAge];
    if (s.tragemin < s.agemin || s.tragemin > s.agemax) {
      add(FieldId::TripleFirstAge, "lies outside the ages of the analysis " + analysis_ages);
    }
    if (s.tragemax < s.agemin || s.tragemax > s.agemax) {
      add(FieldId::TripleLastAge, "lies outside the ages of the analysis " + analysis_ages);
    }
  }

  if (ages_inside && s.agemin <= s.agemax) {
    if (const std::string fbar = fbar_range_problem(s); !fbar.empty()) problems.push_back(fbar);
  }
  if (years_inside && s.yearmin <= s.yearmax && s.forecast.on) {
    const std::string analysis_years = texts[FieldId::FirstYear] + ".." + texts[FieldId::LastYear];
    if (const auto& r = s.forecast.recruitment_years;
        r && ((*r)[0] < s.year_label(s.yearmin) || (*r)[1] > s.year_label(s.yearmax))) {
      problems.push_back("the forecast's recruitment years " + std::to_string((*r)[0]) + "-" +
                         std::to_string((*r)[1]) + " lie outside the years of the analysis " +
                         analysis_years);
    }
    if (s.forecast.mean_years > s.yearmax - s.yearmin + 1) {
      problems.push_back("the forecast's " + std::to_string(s.forecast.mean_years) +
                         " mean years are more than the years of the analysis " + analysis_years);
    }
  }

  if (problems.empty()) return;
  std::string message;
  for (const std::string& p : problems) message += (message.empty() ? "" : "; ") + p;
  throw SettingsError(message);
}

// After a failure: the files are closed as they stand; the results file stays empty.
// The stock weights of the analysed block: each a finite weight of 0 or more, since SSB is
// weighed with them (a -1 for "not known" would subtract fish).
void read_stock_weights(RunState& s) {
  const std::string path = resolve_path(s.workdir, s.stock_weight_file);
  read_table_file(s, path, s.SW);
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    for (int a = s.agemin; a <= s.agemax; ++a) {
      const double w = s.SW(a, y);
      if (!std::isfinite(w) || w < 0) {
        throw InputError(path + ": the stock weight at age " + label_text(s.age_label(a)) +
                         " in year " + label_text(s.year_label(y)) + " is '" + label_text(w) +
                         "': a weight is 0 or more");
      }
    }
  }
}

void discard_run_files(RunState& s) {
  s.files.results.discard();
  s.files.minim.discard();
  for (PrintFile& f : s.files.boot) f.discard();
}

}  // namespace

void START(RunState& s, Host& host, const FieldTexts& texts) {
  clear_search_state(s);    // 1. a clean search state
  read_settings(s, texts);  // 2. the fields, n4 and brev1
  check_run_files(s);       // no output over an input, none outside the working directory
  s.zz = s.boot = s.bootn = s.boottot = s.contboot = 0;  // 3. the run flags
  s.userend = 0;
  for (PrintFile& f : s.files.boot) f.close();  // 4. left open by an earlier run
  const std::string results = resolve_path(s.workdir, s.AnamefileR);
  s.files.results.create_staged(results, staged_results_path(results));  // 5. empty results file
  // The input files are read anew; tables kept from the previous run may no longer match them.
  s.maturity_loaded = false;
  s.fleet_loaded.fill(false);
  read_catch_file(s, [&] {  // 6. C(a,y), settings to indices
    convert_to_indices(s);
    check_analysis_range(s, texts);
  });
  // Stock weights of their own are read first, so that the tables read after them leave line 1
  // of the last table as a run without them has it.
  if (!s.stock_weight_file.empty()) read_stock_weights(s);
  read_table_file(s, resolve_path(s.workdir, s.AnamefileW), s.W);  // 7. W(a,y), M(a,y)
  read_table_file(s, resolve_path(s.workdir, s.AnamefileM), s.M);
  if (s.stock_weight_file.empty()) s.SW = s.W;
  if (holds(s.indssb, YesNo::Yes)) ssbread(s, host);  // 8. SSB surveys, as observed
  host.show_progress();                               // 9. "WAIT....."
  host.set_position(kWaitX, kWaitY);
  host.print(kWait);
  casec4(s, host);  // 10. the estimation
}

RunOutcome run_start(RunState& s, Host& host, const FieldTexts& texts, const RunOptions& options) {
  const auto started = std::chrono::system_clock::now();
  s.results_record.reset();  // a record left by an earlier run does not describe this one
  RunHost run_host(s, host);
  RunOutcome outcome;
  try {
    START(s, run_host, texts);
  } catch (const SettingsError& e) {
    outcome = {RunStatus::SettingsRejected, message_line(e.what())};
  } catch (const InputError& e) {
    outcome = {RunStatus::InputFailed, message_line(e.what())};
  } catch (const ArithmeticFault& e) {
    outcome = {RunStatus::ArithmeticFailed, message_line(e.what())};
  }
  if (outcome.status != RunStatus::Completed) discard_run_files(s);
  if (options.tables) {
    outcome.tables = write_run_tables(s, texts, started);
  }
  host.run_ended(outcome.message);
  return outcome;
}

}  // namespace quorvane
