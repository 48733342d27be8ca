#include "run/driver.h"

#include <cassert>
#include <cmath>
#include <cstdint>

#include "data/age_year_file.h"
#include "data/bootstrap_draws.h"
#include "data/survey_data.h"
#include "model/age_factors.h"
#include "model/line_search.h"
#include "objective/whole_objective.h"
#include "run/bootstrap.h"
#include "run/bootstrap_watch.h"
#include "run/independent_bootstrap.h"
#include "run/parallel_bootstrap.h"
#include "run/session_control.h"
#include "state/search_codes.h"

namespace quorvane {
namespace {

// Natural mortality that a search of M or ALFA starts from in every cell of the block.
constexpr double kStartM = 0.17;
// A parameter whose last search moved it by no more than this is not searched again.
constexpr double kMoved = 0.0001;
// First column of the survey and total loss columns of "minim.out"; each takes 20 columns.
constexpr int kFirstLossColumn = 75;
constexpr int kLossColumnWidth = 20;

// What PREF, PREVMC and PREVALFA hold before the first search: far from any start value, so
// that the first cycle always searches f.
constexpr double kNoPreviousF = 99;
constexpr double kNoPreviousM = 3;
constexpr double kNoPreviousAlfa = 1;

// Where the outer search of the precise mode looks for each parameter.
constexpr double kFMax = 10;
constexpr double kMMax = 2;
constexpr double kAlfaMax = 0.5;

MOption m_option(const RunState& s) { return static_cast<MOption>(s.n1); }

// One outer search of the parameter tagged `tag` (state/search_codes.h) between 0 and `upper`.
void search_one_parameter(RunState& s, Host& host, Evaluate objective, double tag, double upper) {
  s.METKA = tag;
  s.LGRAN = 0;
  s.RGRAN = upper;
  parmin(s, host, objective);
}

}  // namespace

void set_starting_values(RunState& s) {
  s.bsessons = 1;
  if (m_option(s) != MOption::Known) {
    for (int a = s.agemin; a <= s.agemax; ++a)
      for (int y = s.yearmin; y <= s.yearmax; ++y) s.M(a, y) = kStartM;
  }
  if (m_option(s) == MOption::Constant) {
    s.PREVMC = kNoPreviousM;
    s.MC = s.mscanmin;
  }
  if (m_option(s) == MOption::ByAge) {
    s.PREVALFA = kNoPreviousAlfa;
    s.LALFA = s.mscanmin;
  }
  for (int y = s.yearmin; y <= s.yearmax; ++y) s.f[y] = 1;
  set_flat_age_factors(s);
  for (int a = s.agemin; a <= s.agemax; ++a)
    for (int y = s.yearmin; y <= s.yearmax; ++y) s.gfactor(a, y) = 1;
}

// 4. Precise mode. parmin takes its starting point and step from bflag: the window's guess and
// step in the first two cycles, half the last movement from then on.
void precise_search(RunState& s, Host& host, Evaluate objective) {
  s.PREF = kNoPreviousF;
  long searches = 0;
  long searches_before_cycle = 0;
  s.bflag = 0;
  for (;;) {
    if (std::fabs(s.f[s.yearmax] - s.PREF) > kMoved) {
      searches = searches_before_cycle + 1;
      search_one_parameter(s, host, objective, kTagTerminalF, kFMax);
    }
    if (m_option(s) == MOption::Constant && std::fabs(s.MC - s.PREVMC) > kMoved) {
      searches = searches + 1;
      search_one_parameter(s, host, objective, kTagConstantM, kMMax);
    }
    if (m_option(s) == MOption::ByAge && std::fabs(s.LALFA - s.PREVALFA) > kMoved) {
      searches = searches + 1;
      search_one_parameter(s, host, objective, kTagAlfa, kAlfaMax);
    }
    // With M known the single search of f is refined to the end at once: one cycle.
    if (m_option(s) == MOption::Known || searches <= searches_before_cycle) return;
    searches_before_cycle = searches;
    s.bflag = static_cast<std::int16_t>(s.bflag + 1);
  }
}

// 5. Scan mode.
void scan_search(RunState& s, Host& host, Evaluate objective) {
  ScanBest best;
  s.SSEALLminimal = best.loss;
  const std::vector<double> f_grid = scan_grid(s.fscanmin, s.fscanmax, s.fscanstep);
  const bool outer_loop = m_option(s) != MOption::Known;
  const std::vector<double> outer_grid =
      outer_loop ? scan_grid(s.mscanmin, s.mscanmax, s.mscanstep) : std::vector<double>{0.0};

  auto set_point = [&s](double f, double outer) {
    if (m_option(s) == MOption::Constant) s.MC = outer;
    if (m_option(s) == MOption::ByAge) s.LALFA = outer;
    s.f[s.yearmax] = f;
  };

  for (double outer : outer_grid) {
    for (double f : f_grid) {
      set_point(f, outer);
      if (s.userend == 1) return;
      objective(s, host);
      if (best.consider(s.SSEALL, f, outer)) s.SSEALLminimal = best.loss;
    }
  }
  set_point(best.f, best.outer);
  objective(s, host);
}

std::vector<double> scan_grid(double lowest, double highest, double step) {
  assert(step > 0 && highest >= lowest);
  std::vector<double> points;
  for (double v = lowest; v <= highest; v = v + step) points.push_back(v);
  return points;
}

void write_minim_header(PrintTarget& out, int totalinds, int totalind) {
  out.text(" f(term)     SSB(yearmax)    MC         k_for_M(a)    err.for_C(a,y)");
  for (int k = 1; k <= totalinds; ++k)
    out.tab(kFirstLossColumn + kLossColumnWidth * (k - 1)).text("err.for_SSB").integer(k);
  for (int k = 1; k <= totalind; ++k)
    out.tab(kFirstLossColumn + kLossColumnWidth * (totalinds + k - 1))
        .text("err.for_a/ind.")
        .integer(k);
  out.tab(kFirstLossColumn + kLossColumnWidth * (totalinds + totalind)).text("TOTAL_LOSSFUNC");
  out.end_line();
}

void estimate(RunState& s, Host& host) {
  // 1. Counters of the search (the count of one-dimensional searches lives in precise_search).
  s.bflag = 0;
  s.bflag1 = 0;
  // 2. The search log: the main run starts it anew, bootstrap runs append to it.
  if (s.bootn == 0) {
    s.files.minim.close();
    s.files.minim.create(resolve_path(s.workdir, "minim.out"));
    write_minim_header(s.files.minim, s.totalinds, s.totalind);
  }
  set_starting_values(s);  // 3.
  if (holds(s.scansearch, Search::Precise)) {
    precise_search(s, host, CALCSTOCKALL);  // 4.
  } else {
    scan_search(s, host, CALCSTOCKALL);  // 5.
  }
}

bool finish_run(RunState& s, Host& host) {
  RESPRINT(s, host);
  if (!holds(s.boot, YesNo::Yes)) return false;
  if (s.bootn == 0) create_boot_files(s);
  append_boot_lines(s, host);
  s.bootn = static_cast<std::int16_t>(s.bootn + 1);
  return s.bootn <= s.boottot;
}

void prepare_bootstrap_data(RunState& s, Host& host) {
  draw_catches(s);
  if (holds(s.indssb, YesNo::Yes)) ssbread(s, host);
  if (holds(s.indaged, YesNo::Yes)) newindex(s, host);
}

void casec4(RunState& s, Host& host) {
  s.evaluations = 0;
  // One pass per estimation: the main run (bootn 0), then bootstrap runs 1..boottot.
  estimate(s, host);
  if (s.userend == 1) return;  // the user's stop has written what there was to write
  bool more = finish_run(s, host);
  // An independent bootstrap of no replicates still writes its list of failed ones, empty, so
  // that a list from an earlier run is not left beside the new bootstrap files.
  const bool no_replicates = holds(s.boot, YesNo::Yes) && s.boottot == 0;
  if ((more || no_replicates) && s.bootstrap_kind == BootstrapKind::Independent) {
    if (run_independent_bootstrap(s, host, bootstrap_thread_count(s)) ==
        BootstrapProgress::Unwound) {
      return;
    }
    more = false;
  }
  if (more && bootstrap_thread_count(s) > 1 && s.boottot > s.bootn) {
    switch (run_bootstrap_in_parallel(s, host, bootstrap_thread_count(s))) {
      case BootstrapProgress::Unwound:
        return;
      case BootstrapProgress::Done:
        more = false;
        break;
      case BootstrapProgress::Sequential:
        more = s.bootn <= s.boottot && holds(s.boot, YesNo::Yes);
        break;
    }
  }
  while (more) {
    prepare_bootstrap_data(s, host);
    estimate_watched(s, host);
    if (s.userend == 1) return;
    more = finish_run(s, host);
  }
  finalization(s, host);
}

}  // namespace quorvane
