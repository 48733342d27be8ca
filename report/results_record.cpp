#include "report/results_record.h"

#include <cstddef>
#include <memory>
#include <utility>

#include "data/age_year_file.h"
#include "data/fleet_names.h"
#include "report/fbar.h"

namespace quorvane {

ResultsRecord& start_results_record(RunState& s) {
  s.results_record = std::make_shared<ResultsRecord>();
  s.results_record->stopped = s.zz == 1;
  s.results_record->fbar_ages = fbar_ages_text(s);
  s.results_record->units_numbers = s.units_numbers;
  s.results_record->units_weight = s.units_weight;
  s.results_record->stock_weight_file = s.stock_weight_file;
  s.results_record->part = s.part;
  s.results_record->plus_group = holds(s.n3, LastAgeKind::PlusGroup);
  s.results_record->ssb_survey_time = s.parysp;
  if (holds(s.indaged, YesNo::Yes)) {
    for (int k = 1; k <= s.totalind; ++k) {
      s.results_record->fleet_names[k] =
          fleet_name_of_file(resolve_path(s.workdir, s.Anamefile[k]));
      s.results_record->fleet_models[k] = {s.indtime[k], s.indtype[k], s.indcomp[k]};
    }
  }
  return *s.results_record;
}

std::string fleet_name(const ResultsRecord& r, int k) {
  if (k < 1 || k >= static_cast<int>(r.fleet_names.size())) return "";
  return r.fleet_names[static_cast<std::size_t>(k)];
}

StockCell stock_cell_of(const RunState& s, int a, int y, double maturity, double log_survival) {
  StockCell cell;
  cell.year = s.year_label(y);
  cell.age = s.age_label(a);
  cell.catch_numbers = s.C(a, y);
  cell.weight = s.W(a, y);
  cell.stock_weight = s.SW(a, y);
  cell.m = s.M(a, y);
  cell.maturity = maturity;
  cell.n = s.N(a, y);
  cell.s = s.s(a, y);
  cell.gfactor = s.gfactor(a, y);
  cell.phy = s.PHY(a, y);
  cell.f = -log_survival;
  cell.catch_residual = s.resid(a, y);
  return cell;
}

void record_cell(ResultsRecord& r, const RunState& s, int a, int y, double maturity,
                 double log_survival) {
  r.cells.push_back(stock_cell_of(s, a, y, maturity, log_survival));
}

void record_year(ResultsRecord& r, const RunState& s, int y, double stock_numbers,
                 double stock_weight, double ssb, double ssb_survey_time) {
  SummaryYear year;
  year.year = s.year_label(y);
  year.f = s.f[y];
  year.recruitment = s.N(s.agemin, y);
  year.stock_numbers = stock_numbers;
  year.stock_weight = stock_weight;
  year.ssb = ssb;
  year.ssb_survey_time = ssb_survey_time;

  // The year's cells are the last nages() recorded, ages ascending.
  const std::size_t first = r.cells.size() - static_cast<std::size_t>(s.nages());
  double catch_numbers = 0, catch_weight = 0, f_sum = 0;
  for (std::size_t i = first; i < r.cells.size(); ++i) {
    catch_numbers += r.cells[i].catch_numbers;
    catch_weight += r.cells[i].catch_numbers * r.cells[i].weight;
    f_sum += r.cells[i].f;
  }
  // A last year without catch carries surveys only: its catch is not yet known.
  if (!(y == s.yearmax && catch_numbers == 0)) year.catch_weight = catch_weight;
  year.mean_f = f_sum / s.nages();
  const std::size_t from = first + static_cast<std::size_t>(fbar_first_index(s) - s.agemin);
  const std::size_t to = first + static_cast<std::size_t>(fbar_last_index(s) - s.agemin);
  double fbar_sum = 0;
  for (std::size_t i = from; i <= to; ++i) fbar_sum += r.cells[i].f;
  year.fbar = fbar_sum / static_cast<double>(to - from + 1);
  r.years.push_back(year);
}

void record_ssb_survey(ResultsRecord& r, const RunState& s, int k, int y, double ssb_survey_time,
                       double residual) {
  // Only the surveys of the run, and only the years with an observation.
  if (!holds(s.indssb, YesNo::Yes) || k > s.totalinds || !(s.ssbind[k][y] > 0)) return;
  SurveyPoint p;
  p.kind = SurveyPoint::Kind::Ssb;
  p.number = k;
  p.year = s.year_label(y);
  p.observed = s.ssbind[k][y];
  p.coefficient = s.kssb[k];
  if (ssb_survey_time > 0 && s.kssb[k] > 0) {
    p.fitted = ssb_survey_time / s.kssb[k];
    p.residual = residual;
  }
  r.surveys.push_back(p);
}

void record_fleet_cell(ResultsRecord& r, const RunState& s, int k, int a, int y, double residual,
                       std::optional<double> fitted) {
  if (!(s.ind(a, y) > 0)) return;  // no observation in this cell
  SurveyPoint p;
  p.kind = SurveyPoint::Kind::Fleet;
  p.number = k;
  p.year = s.year_label(y);
  p.age = s.age_label(a);
  p.observed = s.ind(a, y);
  if (s.q[a][k] > 0) p.catchability = 1.0 / s.q[a][k];
  if (fitted) {
    p.fitted = fitted;
    p.residual = residual;
  }
  r.surveys.push_back(p);
}

void record_estimates(ResultsRecord& r, const RunState& s, std::optional<double> se_log_n,
                      std::optional<double> se_log_f) {
  r.terminal_f = s.f[s.yearmax];
  if (holds(s.n1, MOption::Constant)) r.m = s.MC;
  if (holds(s.n1, MOption::ByAge)) r.alfa = s.LALFA;
  // The components in the order the total loss adds them.
  r.losses.push_back({"catch", s.SSEL, s.weca});
  if (holds(s.indssb, YesNo::Yes)) {
    for (int k = 1; k <= s.totalinds; ++k)
      r.losses.push_back({"ssb" + std::to_string(k), s.errssb[k], s.wssb[k]});
  }
  if (holds(s.indaged, YesNo::Yes)) {
    for (int k = 1; k <= s.totalind; ++k)
      r.losses.push_back({"fleet" + std::to_string(k), s.errind[k], s.wind[k]});
  }
  r.total_loss = s.SSEALL;
  r.se_log_n = se_log_n;
  r.se_log_f = se_log_f;
  r.evaluations = s.evaluations;
}

void record_bootstrap_run(RunState& s, BootstrapRun run) {
  if (s.results_record) s.results_record->bootstrap.push_back(std::move(run));
}

}  // namespace quorvane
