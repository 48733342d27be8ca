#include "run/leave_out.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <tuple>
#include <utility>

#include "base/errors.h"
#include "base/print.h"
#include "data/age_year_file.h"
#include "data/fleet_names.h"
#include "report/tables.h"
#include "run/settings.h"

namespace quorvane {

namespace {

constexpr std::array kSsbColumns = {SsbColumn::File, SsbColumn::Std, SsbColumn::Weight,
                                    SsbColumn::Kind};
constexpr std::array kFleetColumns = {
    FleetColumn::File,    FleetColumn::Time, FleetColumn::Type, FleetColumn::EstimateQ,
    FleetColumn::Compare, FleetColumn::Loss, FleetColumn::Std,  FleetColumn::Weight};

// The run's list of one kind of series, as its fields hold it: the switch, the count, the fields
// of place k.
struct SeriesList {
  FieldId on, count;
  int used;
};

// Moves the series after `removed` up one place, lowers the count, and switches an emptied list
// off. `field_of(k)` lists the fields of place k, column by column.
template <typename Columns, typename FieldOf>
void take_out(FieldTexts& texts, const SeriesList& list, int removed, const Columns& columns,
              FieldOf field_of) {
  for (int k = removed; k < list.used; ++k) {
    for (const auto c : columns) texts[field_of(c, k)] = texts[field_of(c, k + 1)];
  }
  const int left = list.used - 1;
  texts[list.count] = std::to_string(left);
  if (left == 0) texts[list.on] = std::to_string(static_cast<int>(YesNo::No));
}

std::string percent_text(std::optional<double> change) {
  if (!change) return "none";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%+.3g %%", *change * 100);
  return buf;
}

std::optional<double> relative(double without, double full) {
  if (full == 0) return std::nullopt;
  return (without - full) / full;
}

}  // namespace

std::vector<TuningSeries> tuning_series(const FieldTexts& texts, const std::string& workdir) {
  // The fields read as START reads them, so that a count is taken as the run takes it.
  auto settings = std::make_unique<RunState>();
  read_settings(*settings, texts);
  std::vector<TuningSeries> series;
  if (holds(settings->indssb, YesNo::Yes)) {
    for (int k = 1; k <= settings->totalinds; ++k)
      series.push_back({TuningSeries::Kind::SsbSurvey, k, ""});
  }
  if (holds(settings->indaged, YesNo::Yes)) {
    for (int k = 1; k <= settings->totalind; ++k) {
      const std::string& file = texts[fleet_field(FleetColumn::File, k)];
      series.push_back(
          {TuningSeries::Kind::Fleet, k, fleet_name_of_file(resolve_path(workdir, file))});
    }
  }
  return series;
}

FieldTexts fields_without(const FieldTexts& texts, const TuningSeries& series) {
  FieldTexts without = texts;
  // The count as START reads it; tuning_series found the series through it.
  auto settings = std::make_unique<RunState>();
  read_settings(*settings, texts);
  if (series.kind == TuningSeries::Kind::SsbSurvey) {
    take_out(without, {FieldId::SsbOn, FieldId::SsbCount, settings->totalinds}, series.number,
             kSsbColumns, ssb_field);
  } else {
    take_out(without, {FieldId::FleetsOn, FieldId::FleetCount, settings->totalind}, series.number,
             kFleetColumns, fleet_field);
  }
  return without;
}

std::string leave_out_folder(const std::string& workdir, const TuningSeries& series) {
  return resolve_path(workdir, "leave_out/" + series.key());
}

std::optional<LeaveOutChange> leave_out_change(const std::vector<SummaryYear>& full,
                                               const LeaveOutRun& run) {
  if (!run.ran() || full.empty()) return std::nullopt;
  const SummaryYear& main = full.back();
  const auto same = std::find_if(run.years.begin(), run.years.end(),
                                 [&](const SummaryYear& y) { return y.year == main.year; });
  if (same == run.years.end()) return std::nullopt;
  return LeaveOutChange{main.year, relative(same->ssb, main.ssb), relative(same->fbar, main.fbar),
                        relative(same->recruitment, main.recruitment)};
}

std::string leave_out_line(const std::vector<SummaryYear>& full, const LeaveOutRun& run,
                           const std::optional<std::array<int, 2>>& fbar_ages) {
  std::string line = "Without " + run.series.description() + ": ";
  const std::optional<LeaveOutChange> change = leave_out_change(full, run);
  if (!change) {
    if (!run.ran()) return line + run.outcome.message;
    return line + "no stock summary for the main run's last year";
  }
  const std::string f_name =
      fbar_ages ? "F-bar " + std::to_string((*fbar_ages)[0]) + "-" + std::to_string((*fbar_ages)[1])
                : "mean F";
  return line + "terminal f " + label_text(run.terminal_f) + "; SSB " + label_text(change->year) +
         " " + percent_text(change->ssb) + ", " + f_name + " " + percent_text(change->fbar) +
         ", recruitment " + percent_text(change->recruitment);
}

void write_leave_out_tables(const std::string& folder, const std::vector<SummaryYear>& full,
                            const std::vector<LeaveOutRun>& runs) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw InputError(folder + ": the folder cannot be made (" + ec.message() + ")");

  std::string years = "left_out,name,year,ssb,f,mean_f,recruitment,fbar\n";
  const auto add_rows = [&years](const std::string& key, const std::string& name,
                                 const std::vector<SummaryYear>& summary) {
    for (const SummaryYear& y : summary) {
      years += key + "," + csv_text(name) + "," + csv_number(y.year) + "," + csv_number(y.ssb) +
               "," + csv_number(y.f) + "," + csv_number(y.mean_f) + "," +
               csv_number(y.recruitment) + "," + csv_number(y.fbar) + "\n";
    }
  };
  add_rows("none", "", full);
  for (const LeaveOutRun& r : runs)
    if (r.ran()) add_rows(r.series.key(), r.series.name, r.years);
  write_text_file(std::filesystem::path(folder) / "leave_out.csv", years);

  const auto value = [](std::optional<double> v) { return v ? csv_number(*v) : std::string(); };
  std::string changes =
      "left_out,name,finished,terminal_f,year,ssb,ssb_change,fbar,fbar_change,recruitment,"
      "recruitment_change,problem\n";
  for (const LeaveOutRun& r : runs) {
    changes += r.series.key() + "," + csv_text(r.series.name) + "," + (r.ran() ? "1," : "0,") +
               (r.ran() ? csv_number(r.terminal_f) : std::string()) + ",";
    const std::optional<LeaveOutChange> change = leave_out_change(full, r);
    if (change) {
      const auto same = std::find_if(r.years.begin(), r.years.end(),
                                     [&](const SummaryYear& y) { return y.year == change->year; });
      changes += csv_number(change->year) + "," + csv_number(same->ssb) + "," + value(change->ssb) +
                 "," + csv_number(same->fbar) + "," + value(change->fbar) + "," +
                 csv_number(same->recruitment) + "," + value(change->recruitment) + ",";
    } else {
      changes += ",,,,,,,";
    }
    changes += (r.ran() ? std::string() : csv_text(r.outcome.message)) + "\n";
  }
  write_text_file(std::filesystem::path(folder) / "leave_out_change.csv", changes);
}

LeaveOutResult run_leave_out(const std::string& workdir, const FieldTexts& texts, unsigned threads,
                             const std::vector<SummaryYear>& full,
                             const VariantHostFactory& make_host, const CancelTest& cancelled,
                             const RunOptions& options, const RunKeys& keys) {
  LeaveOutResult result;
  result.folder = resolve_path(workdir, "leave_out");
  std::vector<TuningSeries> series;
  try {
    series = tuning_series(texts, workdir);
  } catch (const SettingsError& e) {
    result.problem = e.what();
    return result;
  }
  const auto at = [&series](int k) -> const TuningSeries& {
    return series[static_cast<std::size_t>(k - 1)];
  };
  std::vector<VariantRun> runs = run_variants(
      static_cast<int>(series.size()), [&](int k) { return leave_out_folder(workdir, at(k)); },
      [&](int k) { return fields_seen_from_variant(fields_without(texts, at(k))); }, threads,
      make_host, options, keys);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    LeaveOutRun r;
    static_cast<VariantRun&>(r) = std::move(runs[i]);
    r.series = series[i];
    result.runs.push_back(std::move(r));
  }
  if (cancelled && cancelled()) {
    result.cancelled = true;
    return result;
  }
  try {
    write_leave_out_tables(result.folder, full, result.runs);
  } catch (const InputError& e) {
    result.problem = e.what();
  }
  return result;
}

}  // namespace quorvane
