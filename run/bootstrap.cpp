#include "run/bootstrap.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "data/survey_data.h"
#include "report/equilibrium.h"
#include "report/fbar.h"
#include "report/forecast.h"
#include "report/per_recruit.h"
#include "report/results_record.h"
#include "report/stock_recruit.h"

namespace quorvane {
namespace {

constexpr int kFirstValueColumn = 7;  // after bootn and its blanks

PrintFile& file_of(RunState& s, BootFile file) {
  return s.files.boot[static_cast<std::size_t>(file)];
}

const BootFileLayout& layout_of(BootFile file) {
  return kBootFiles[static_cast<std::size_t>(file)];
}

// A value that is not finite would otherwise reach the print facility, which can only say that
// it met one; here the file and the age or year are known.
void check_finite_values(const RunState& s, const BootFileLayout& layout,
                         std::span<const double> values) {
  const bool by_age = layout.header.find("by ages") != std::string_view::npos;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::isfinite(values[i])) continue;
    const int index = static_cast<int>(i) + (by_age ? s.agemin : s.yearmin);
    const int age = by_age ? static_cast<int>(s.age_label(index)) : -1;
    const int year = by_age ? -1 : static_cast<int>(s.year_label(index));
    throw_fault("casec4", "a value that is not finite for " + std::string(layout.name), age, year);
  }
}

void write_line(RunState& s, BootFile file, std::span<const double> values) {
  if (!boot_file_wanted(s, file)) return;
  const BootFileLayout& layout = layout_of(file);
  check_finite_values(s, layout, values);
  write_boot_line(file_of(s, file), s.bootn, values, layout.column_step, layout.pattern);
}

// The forecast of a bootstrap run's fit and the reference points of its per-recruit curves, made
// as the main fit's are, from its cells; none when this fit cannot carry them (its fault is the
// fit's, not the bootstrap's: the run's quantiles leave it out).
void run_forecast(const RunState& s, const std::vector<double>& maturities, BootstrapRun& run) {
  std::vector<StockCell> cells;
  cells.reserve(maturities.size());
  std::size_t i = 0;
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    for (int a = s.agemin; a <= s.agemax; ++a) {
      const double log_survival = std::log(std::fabs(1 - s.f[y] * s.s(a, y)));
      cells.push_back(stock_cell_of(s, a, y, maturities[i++], log_survival));
    }
  }
  try {
    const ForecastInput input = forecast_input_of(s, cells);
    const Forecast forecast = make_forecast(input);
    run.forecast = forecast.rows;
    const PerRecruit per_recruit = per_recruit_of(forecast, input);
    for (const PerRecruitRow& r : per_recruit.rows)
      if (is_reference_point(r)) run.per_recruit.push_back(r);
    const Equilibrium equilibrium = equilibrium_of(
        forecast, input, per_recruit,
        year_classes_of(static_cast<int>(s.year_label(s.yearmin)),
                        static_cast<int>(s.age_label(s.agemin)), run.ssb, run.recruitment));
    for (const EquilibriumRow& r : equilibrium.rows)
      if (is_equilibrium_point(r)) run.equilibrium.push_back(r);
  } catch (const std::runtime_error&) {  // ForecastError, ArithmeticFault
    // What the fit could carry is kept: the forecast without its per-recruit points, or these
    // without the equilibrium's.
  }
}

}  // namespace

bool boot_file_wanted(const RunState& s, BootFile file) {
  switch (file) {
    case BootFile::S2:
      return s.yearmid < s.yearmax;
    case BootFile::M:
      return !holds(s.n1, MOption::Known);  // M searched: its bootstrap file is kept
    default:
      return true;
  }
}

void create_boot_files(RunState& s) {
  for (std::size_t k = 0; k < kBootFiles.size(); ++k) {
    const auto file = static_cast<BootFile>(k);
    if (!boot_file_wanted(s, file)) continue;
    PrintFile& out = file_of(s, file);
    out.close();
    out.create(resolve_path(s.workdir, std::string(kBootFiles[k].name)));
    out.text(kBootFiles[k].header).end_line();
  }
}

void append_boot_lines(RunState& s, Host& host) {
  BootstrapRun run = write_boot_lines(s, host);
  if (s.bootn >= 1) record_bootstrap_run(s, std::move(run));
}

BootstrapRun write_boot_lines(RunState& s, Host& host) {
  std::vector<double> by_age, by_year;
  by_age.reserve(static_cast<std::size_t>(s.nages()));
  by_year.reserve(static_cast<std::size_t>(s.nyears()));

  auto ages = [&](auto value) {
    by_age.clear();
    for (int a = s.agemin; a <= s.agemax; ++a) by_age.push_back(value(a));
    return std::span<const double>(by_age);
  };
  auto years = [&](auto value) {
    by_year.clear();
    for (int y = s.yearmin; y <= s.yearmax; ++y) by_year.push_back(value(y));
    return std::span<const double>(by_year);
  };

  BootstrapRun run;  // what the tables summarise of a bootstrap run: the values as written
  write_line(s, BootFile::S1, ages([&](int a) { return s.s1[a]; }));
  write_line(s, BootFile::S2, ages([&](int a) { return s.s2[a]; }));
  write_line(s, BootFile::F, years([&](int y) { return s.f[y]; }));
  run.f = by_year;
  write_line(s, BootFile::TSB, years([&](int y) {
               double tsb = 0;
               for (int a = s.agemin; a <= s.agemax; ++a) tsb = tsb + s.N(a, y) * s.SW(a, y);
               return tsb;
             }));
  run.stock_weight = by_year;
  write_line(s, BootFile::Ntrm, ages([&](int a) { return s.N(a, s.yearmax); }));
  // The maturity of each cell, kept for the run's forecast: the reader is asked once per cell.
  std::vector<double> maturities;
  maturities.reserve(static_cast<std::size_t>(s.nages() * s.nyears()));
  write_line(s, BootFile::SSB, years([&](int y) {
               double ssb = 0;
               for (int a = s.agemin; a <= s.agemax; ++a) {
                 const double mat = maturity(s, host, a, y);
                 maturities.push_back(mat);
                 ssb = ssb + mat * s.SW(a, y) * s.N(a, y);
               }
               return ssb;
             }));
  run.ssb = by_year;
  write_line(s, BootFile::M, ages([&](int a) { return s.M(a, s.yearmax); }));
  run.replicate = s.bootn;
  if (holds(s.n1, MOption::Constant)) run.outer = s.MC;
  if (holds(s.n1, MOption::ByAge)) run.outer = s.LALFA;
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    run.recruitment.push_back(s.N(s.agemin, y));
    run.fbar.push_back(fbar_of_year(s, y));
  }
  if (s.bootn >= 1 && s.forecast.on) run_forecast(s, maturities, run);
  return run;
}

void write_boot_line(PrintTarget& out, int bootn, std::span<const double> values, int column_step,
                     std::string_view pattern) {
  out.integer(bootn);
  int column = kFirstValueColumn;
  for (double v : values) {
    out.tab(column).real(rounded(v, pattern));
    column += column_step;
  }
  out.end_line();
}

void close_boot_files(RunState& s) {
  for (PrintFile& f : s.files.boot) f.close();
}

}  // namespace quorvane
