#include "run/run_tables.h"

#include <ctime>

#include "data/age_year_file.h"
#include "report/results_record.h"
#include "report/tables.h"
#include "report/version.h"
#include "state/errors.h"

namespace quorvane {

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
  if (!s.results_record || !s.results_record->complete) return {};
  RunDescription run;
  for (const Field& f : kFields) {
    run.fields.push_back({numbered_name(f.id), field_title(f), texts[f.id]});
  }
  run.version = std::string(kProgramVersion);
  run.time = utc_time_text(started);
  run.sigma = s.sigma;
  const std::string folder = tables_folder(resolve_path(s.workdir, s.AnamefileR));
  try {
    write_tables(folder, *s.results_record, run);
  } catch (const InputError& e) {
    return {"", e.what()};
  }
  return {folder, ""};
}

}  // namespace quorvane
