#include "run/run_comparison.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "base/errors.h"
#include "base/print.h"
#include "report/csv_reader.h"
#include "report/tables.h"
#include "run/retrospective.h"

namespace quorvane {

namespace {

namespace fs = std::filesystem;

// The rows of run.csv that describe the run rather than set it.
constexpr const char* kVersionRow = "version";
constexpr const char* kTimeRow = "time";

bool is_directory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

// The first of the columns that the header has: F-bar is "mean_f" in tables written before it
// was called "fbar".
std::optional<int> first_column(const CsvFile& file, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (const std::optional<int> c = optional_column(file, name)) return c;
  }
  return std::nullopt;
}

std::vector<RunYear> read_years(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int year = required_column(file, "year");
  const int ssb = required_column(file, "ssb");
  const int recruitment = required_column(file, "recruitment");
  const std::optional<int> fbar = first_column(file, {"fbar", "mean_f"});
  if (!fbar) required_column(file, "mean_f");  // names the missing column
  const auto ssb_q05 = optional_column(file, "ssb_q05");
  const auto ssb_q95 = optional_column(file, "ssb_q95");
  const auto fbar_q05 = first_column(file, {"fbar_q05", "mean_f_q05"});
  const auto fbar_q95 = first_column(file, {"fbar_q95", "mean_f_q95"});
  const auto rec_q05 = optional_column(file, "recruitment_q05");
  const auto rec_q95 = optional_column(file, "recruitment_q95");
  std::vector<RunYear> years;
  for (const CsvRow& r : file.rows) {
    RunYear y;
    y.year = whole_cell(file, r, year);
    y.ssb = number_cell(file, r, ssb);
    y.ssb_q05 = number_cell(file, r, ssb_q05);
    y.ssb_q95 = number_cell(file, r, ssb_q95);
    y.fbar = number_cell(file, r, fbar);
    y.fbar_q05 = number_cell(file, r, fbar_q05);
    y.fbar_q95 = number_cell(file, r, fbar_q95);
    y.recruitment = number_cell(file, r, recruitment);
    y.recruitment_q05 = number_cell(file, r, rec_q05);
    y.recruitment_q95 = number_cell(file, r, rec_q95);
    years.push_back(y);
  }
  std::sort(years.begin(), years.end(),
            [](const RunYear& x, const RunYear& y) { return x.year < y.year; });
  return years;
}

void read_settings(const std::string& path, ComparedRun& run) {
  const CsvFile file = read_csv(path);
  const auto cell = [](const CsvRow& r, int c) { return r.cells[static_cast<std::size_t>(c)]; };
  const int name = required_column(file, "name");
  const int label = required_column(file, "label");
  const int value = required_column(file, "value");
  const std::optional<int> alias = optional_column(file, "field");
  for (const CsvRow& r : file.rows) {
    if (cell(r, name) == kVersionRow) {
      run.version = cell(r, value);
    } else if (cell(r, name) == kTimeRow) {
      run.time = cell(r, value);
    } else {
      run.settings.push_back(
          {cell(r, name), alias ? cell(r, *alias) : "", cell(r, label), cell(r, value)});
    }
  }
}

std::optional<double> relative(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *a == 0) return std::nullopt;
  return (*b - *a) / *a;
}

std::vector<SettingDifference> setting_differences(const ComparedRun& a, const ComparedRun& b) {
  std::map<std::string, const RunSetting*> in_b;
  for (const RunSetting& s : b.settings) in_b[s.name] = &s;
  std::vector<SettingDifference> out;
  std::set<std::string> seen;
  for (const RunSetting& s : a.settings) {
    seen.insert(s.name);
    const auto other = in_b.find(s.name);
    const std::string b_text = other == in_b.end() ? "" : other->second->value;
    if (other == in_b.end() || b_text != s.value) {
      out.push_back({s.name, s.alias, s.label, s.value, b_text});
    }
  }
  for (const RunSetting& s : b.settings) {
    if (!seen.contains(s.name)) out.push_back({s.name, s.alias, s.label, "", s.value});
  }
  return out;
}

// Keeps a number's text short in the printed summary: 4 significant digits and the sign.
std::string signed_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%+.4g", v);
  return buf;
}

std::string run_line(const char* which, const ComparedRun& r) {
  std::string line = std::string(which) + ": " + r.tables;
  if (!r.version.empty() || !r.time.empty()) {
    line += " (";
    if (!r.version.empty()) line += "version " + r.version;
    if (!r.version.empty() && !r.time.empty()) line += ", ";
    if (!r.time.empty()) line += "run " + r.time;
    line += ")";
  }
  return line + "\n";
}

}  // namespace

std::string compared_tables_folder(const std::string& path) {
  std::error_code ec;
  if (is_directory(path) && fs::is_regular_file(fs::path(path) / "summary.csv", ec)) return path;
  const std::string beside = tables_folder(path);
  if (is_directory(beside)) return beside;
  if (fs::is_regular_file(path, ec)) {
    throw InputError(path + ": no tables beside this results file (" + beside + ")");
  }
  if (is_directory(path)) {
    throw InputError(path + ": no summary.csv in this folder; a tables folder is needed");
  }
  throw InputError(path + ": no such results file or tables folder");
}

ComparedRun read_compared_run(const std::string& path) {
  ComparedRun run;
  run.tables = compared_tables_folder(path);
  const fs::path dir(run.tables);
  run.years = read_years((dir / "summary.csv").string());
  read_settings((dir / "run.csv").string(), run);
  return run;
}

Comparison compare_runs(const ComparedRun& a, const ComparedRun& b) {
  Comparison c;
  c.settings = setting_differences(a, b);

  std::map<int, std::pair<const RunYear*, const RunYear*>> by_year;
  for (const RunYear& y : a.years) by_year[y.year].first = &y;
  for (const RunYear& y : b.years) by_year[y.year].second = &y;
  for (const auto& [year, pair] : by_year) {
    const auto [ya, yb] = pair;
    const auto change = [ya, yb](std::optional<double> RunYear::*q) {
      Change ch;
      if (ya) ch.a = ya->*q;
      if (yb) ch.b = yb->*q;
      ch.relative = relative(ch.a, ch.b);
      return ch;
    };
    c.years.push_back(
        {year, change(&RunYear::ssb), change(&RunYear::fbar), change(&RunYear::recruitment)});
  }

  struct Quantity {
    const char* name;
    Change YearComparison::*change;
  };
  constexpr Quantity kQuantities[] = {{"ssb", &YearComparison::ssb},
                                      {"fbar", &YearComparison::fbar},
                                      {"recruitment", &YearComparison::recruitment}};
  for (const Quantity& q : kQuantities) {
    // The last years with a relative change, latest first, then put back in order of years.
    std::vector<RhoTerm> terms;
    RecentChange recent{q.name, std::nullopt, 0, 0, 0};
    for (auto it = c.years.rbegin(); it != c.years.rend() && recent.years < kRecentYears; ++it) {
      const Change& ch = (*it).*q.change;
      if (!ch.relative) continue;
      terms.push_back({*ch.b, *ch.a});
      if (recent.years == 0) recent.last_year = it->year;
      recent.first_year = it->year;
      ++recent.years;
    }
    std::reverse(terms.begin(), terms.end());
    recent.mean_relative = mohns_rho(terms);
    c.recent.push_back(recent);
  }

  c.identical = c.settings.empty() && a.years == b.years;
  return c;
}

std::string settings_diff_csv(const Comparison& c) {
  const bool aliases = std::any_of(c.settings.begin(), c.settings.end(),
                                   [](const SettingDifference& d) { return !d.alias.empty(); });
  std::string out = aliases ? "name,field,label,run_a,run_b\n" : "name,label,run_a,run_b\n";
  for (const SettingDifference& d : c.settings) {
    out += csv_text(d.name) + ",";
    if (aliases) out += csv_text(d.alias) + ",";
    out += csv_text(d.label) + "," + csv_text(d.a) + "," + csv_text(d.b) + "\n";
  }
  return out;
}

std::string compare_by_year_csv(const Comparison& c) {
  std::string out =
      "year,ssb_a,ssb_b,ssb_change,fbar_a,fbar_b,fbar_change,recruitment_a,recruitment_b,"
      "recruitment_change\n";
  const auto cell = [](std::optional<double> v) { return v ? csv_number(*v) : ""; };
  for (const YearComparison& y : c.years) {
    out += std::to_string(y.year);
    for (const Change* ch : {&y.ssb, &y.fbar, &y.recruitment}) {
      out += "," + cell(ch->a) + "," + cell(ch->b) + "," + cell(ch->relative);
    }
    out += "\n";
  }
  return out;
}

std::string compare_recent_csv(const Comparison& c) {
  std::string out = "quantity,mean_relative_change,first_year,last_year,years\n";
  for (const RecentChange& r : c.recent) {
    out += r.quantity + "," + (r.mean_relative ? csv_number(*r.mean_relative) : "") + ",";
    if (r.years > 0)
      out += std::to_string(r.first_year) + "," + std::to_string(r.last_year);
    else
      out += ",";
    out += "," + std::to_string(r.years) + "\n";
  }
  return out;
}

std::vector<std::string> write_comparison_tables(const std::string& folder, const Comparison& c) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !is_directory(folder)) {
    throw InputError(folder + ": the folder cannot be made (" + ec.message() + ")");
  }
  const std::pair<const char*, std::string> tables[] = {
      {"settings_diff.csv", settings_diff_csv(c)},
      {"compare_by_year.csv", compare_by_year_csv(c)},
      {"compare_recent.csv", compare_recent_csv(c)}};
  std::vector<std::string> paths;
  for (const auto& [name, text] : tables) {
    const fs::path path = fs::path(folder) / name;
    write_text_file(path, text);
    paths.push_back(path.string());
  }
  return paths;
}

std::string comparison_text(const ComparedRun& a, const ComparedRun& b, const Comparison& c) {
  std::string out = run_line("Run A", a) + run_line("Run B", b);
  if (c.identical) {
    return out + "The two runs are identical: the same settings and the same stock summary.\n";
  }
  if (c.settings.empty()) {
    out += "The settings are the same; the stock summaries differ.\n";
  } else {
    out += "Settings that differ (" + std::to_string(c.settings.size()) + "):\n";
    for (const SettingDifference& d : c.settings) {
      std::string name = d.name;
      if (!d.alias.empty()) name += " (" + d.alias + ")";
      out += "  " + name + "  " + d.label + "\n    A: " + (d.a.empty() ? "(none)" : d.a) +
             "\n    B: " + (d.b.empty() ? "(none)" : d.b) + "\n";
    }
  }
  constexpr const char* kNames[] = {"SSB", "F-bar", "Recruitment"};
  out += "Mean relative change B/A - 1 over the last years:\n";
  for (std::size_t i = 0; i < c.recent.size(); ++i) {
    const RecentChange& r = c.recent[i];
    char name[16];
    std::snprintf(name, sizeof name, "%-12s", kNames[i]);
    out += "  " + std::string(name);
    if (!r.mean_relative) {
      out += "none (no year with both values)\n";
      continue;
    }
    out += signed_text(*r.mean_relative) + " (" + std::to_string(r.years) + " years, " +
           std::to_string(r.first_year) + "-" + std::to_string(r.last_year) + ")\n";
  }
  return out;
}

}  // namespace quorvane
