#include "run/run_tables.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "report/equilibrium.h"
#include "report/forecast.h"
#include "report/per_recruit.h"
#include "report/results_record.h"
#include "report/stock_recruit.h"
#include "report/tables.h"
#include "report/version.h"

namespace quorvane {

namespace fs = std::filesystem;

std::string utc_time_text(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buf;
}

TablesOutcome write_run_tables(const RunState& s, const FieldTexts& texts,
                               std::chrono::system_clock::time_point started) {
  if (!s.results_record || !s.results_record->complete) {
    // A results file that START emptied has no tables; those of an earlier run must not stand
    // beside it as if they were its own.
    const std::string results = resolve_path(s.workdir, s.AnamefileR);
    std::error_code ec;
    if (fs::is_regular_file(results, ec) && fs::file_size(results, ec) == 0 && !ec) {
      fs::remove_all(tables_folder(results), ec);
    }
    return {};
  }
  RunDescription run;
  for (const Field& f : kFields) {
    run.fields.push_back({numbered_name(f.id), field_title(f), texts[f.id]});
  }
  run.version = std::string(kProgramVersion);
  run.time = utc_time_text(started);
  run.sigma = s.sigma;
  run.fbar_ages = s.results_record->fbar_ages;
  run.units_numbers = s.units_numbers;
  run.units_weight = s.units_weight;
  run.stock_weight_file = s.stock_weight_file;
  run.reference = s.reference;
  TablesOutcome outcome;
  if (s.forecast.on && s.results_record->stopped) {
    outcome.forecast = "No forecast: the run was stopped before its end";
  } else if (!s.forecast.on && s.forecast.equilibrium_simulations > 0) {
    outcome.stochastic_equilibrium =
        "No stochastic equilibrium: it is made with the short-term forecast, which this run was "
        "not asked for (forecast = yes)";
  } else if (s.forecast.on) {
    try {
      // The main fit as the record holds it: after a bootstrap the run state holds the last
      // bootstrap run's fit.
      const ForecastInput input = forecast_input_of(s, s.results_record->cells);
      run.forecast = make_forecast(input);
      outcome.forecast = forecast_summary(*run.forecast);
      // The long-term view beside it: what a recruit gives over its life with the same
      // selection, weights, M and maturity. Without it the forecast still stands.
      try {
        run.per_recruit = per_recruit_of(*run.forecast, input);
        outcome.per_recruit = per_recruit_summary(*run.per_recruit);
      } catch (const std::runtime_error& e) {  // ForecastError, ArithmeticFault
        outcome.per_recruit = "No per-recruit curves: " + std::string(e.what());
      }
      // And the stock those curves leave in equilibrium when recruitment follows the fit's
      // spawning stock as its year classes did.
      if (run.per_recruit) {
        try {
          run.equilibrium = equilibrium_of(*run.forecast, input, *run.per_recruit,
                                           year_classes_of(*s.results_record));
          outcome.equilibrium = equilibrium_summary(*run.equilibrium);
        } catch (const std::runtime_error& e) {  // ForecastError, ArithmeticFault
          outcome.equilibrium = "No equilibrium: " + std::string(e.what());
        }
      }
      // How often each level of fishing leaves the stock below Blim when recruitment varies as
      // it did around the regression.
      if (const int n = s.forecast.equilibrium_simulations; n > 0) {
        if (!run.equilibrium) {
          outcome.stochastic_equilibrium =
              "No stochastic equilibrium: there is no deterministic one to start from";
        } else if (s.forecast.equilibrium_advice_rule && !s.reference.msy_btrigger) {
          outcome.stochastic_equilibrium =
              "No stochastic equilibrium: the advice rule needs MSY Btrigger (msy_btrigger = ...)";
        } else {
          try {
            run.stochastic_equilibrium = stochastic_equilibrium_of(
                *run.forecast, input, *run.per_recruit, *run.equilibrium,
                year_classes_of(*s.results_record),
                SimulationSettings{
                    n,
                    {s.forecast.equilibrium_f_cv, s.forecast.equilibrium_f_autocorrelation},
                    s.bootstrap_seed,
                    s.forecast.equilibrium_advice_rule ? s.reference.msy_btrigger : std::nullopt});
            outcome.stochastic_equilibrium =
                stochastic_equilibrium_summary(*run.stochastic_equilibrium);
          } catch (const std::runtime_error& e) {  // ForecastError, ArithmeticFault
            outcome.stochastic_equilibrium = "No stochastic equilibrium: " + std::string(e.what());
          }
        }
      }
    } catch (const std::runtime_error& e) {  // ForecastError, ArithmeticFault
      outcome.forecast = "No forecast: " + std::string(e.what());
      outcome.forecast_failed = true;
    }
  }
  const std::string folder = tables_folder(resolve_path(s.workdir, s.AnamefileR));
  try {
    write_tables(folder, *s.results_record, run);
  } catch (const InputError& e) {
    outcome.problem = e.what();
    return outcome;
  }
  outcome.folder = folder;
  return outcome;
}

}  // namespace quorvane
