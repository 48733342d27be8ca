// Reading a tables folder into what the charts draw.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "plot/charts.h"
#include "report/csv_reader.h"
#include "run/driver.h"
#include "run/run_keys.h"
#include "run/scan_edges.h"
#include "run/settings.h"

namespace quorvane::plot {
namespace {

namespace fs = std::filesystem;

std::vector<SummaryRow> read_summary(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int year = required_column(file, "year");
  const int f = required_column(file, "f");
  const int recruitment = required_column(file, "recruitment");
  const int ssb = required_column(file, "ssb");
  const int mean_f = required_column(file, "mean_f");
  const auto ssb_survey_time = optional_column(file, "ssb_survey_time");
  const auto ssb_q05 = optional_column(file, "ssb_q05");
  const auto ssb_q50 = optional_column(file, "ssb_q50");
  const auto ssb_q95 = optional_column(file, "ssb_q95");
  const auto rec_q05 = optional_column(file, "recruitment_q05");
  const auto rec_q95 = optional_column(file, "recruitment_q95");
  const auto fbar = optional_column(file, "fbar");
  const auto fbar_q05 = optional_column(file, "fbar_q05");
  const auto fbar_q95 = optional_column(file, "fbar_q95");
  std::vector<SummaryRow> rows;
  for (const CsvRow& r : file.rows) {
    SummaryRow row;
    row.year = whole_cell(file, r, year);
    row.f = number_cell(file, r, f);
    row.recruitment = number_cell(file, r, recruitment);
    row.ssb = number_cell(file, r, ssb);
    row.mean_f = number_cell(file, r, mean_f);
    row.ssb_survey_time = number_cell(file, r, ssb_survey_time);
    row.ssb_q05 = number_cell(file, r, ssb_q05);
    row.ssb_q50 = number_cell(file, r, ssb_q50);
    row.ssb_q95 = number_cell(file, r, ssb_q95);
    row.recruitment_q05 = number_cell(file, r, rec_q05);
    row.recruitment_q95 = number_cell(file, r, rec_q95);
    row.fbar = number_cell(file, r, fbar);
    row.fbar_q05 = number_cell(file, r, fbar_q05);
    row.fbar_q95 = number_cell(file, r, fbar_q95);
    rows.push_back(row);
  }
  return rows;
}

std::vector<StockRow> read_stock(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int year = required_column(file, "year");
  const int age = required_column(file, "age");
  const int residual = required_column(file, "catch_log_residual");
  const auto f = optional_column(file, "f");
  const auto catch_numbers = optional_column(file, "catch");
  const auto weight = optional_column(file, "weight");
  std::vector<StockRow> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back(StockRow{whole_cell(file, r, year), whole_cell(file, r, age),
                            number_cell(file, r, residual), number_cell(file, r, f),
                            number_cell(file, r, catch_numbers), number_cell(file, r, weight)});
  }
  return rows;
}

std::vector<SurveyRow> read_surveys(const std::string& path,
                                    std::map<int, std::string>& fleet_names) {
  const CsvFile file = read_csv(path);
  const int kind = required_column(file, "kind");
  const int number = required_column(file, "number");
  const int year = required_column(file, "year");
  const int age = required_column(file, "age");
  const int observed = required_column(file, "observed");
  const int fitted = required_column(file, "fitted");
  const int residual = required_column(file, "log_residual");
  const auto catchability = optional_column(file, "catchability");
  const auto coefficient = optional_column(file, "coefficient");
  const auto name = optional_column(file, "name");
  std::vector<SurveyRow> rows;
  for (const CsvRow& r : file.rows) {
    SurveyRow row;
    const std::string& k = r.cells[static_cast<std::size_t>(kind)];
    if (k == "ssb") {
      row.kind = SurveyRow::Kind::Ssb;
    } else if (k == "fleet") {
      row.kind = SurveyRow::Kind::Fleet;
      row.age = whole_cell(file, r, age);
    } else {
      throw InputError(path + ": line " + std::to_string(r.line) + ": '" + k +
                       "' is not a kind of survey (ssb or fleet)");
    }
    row.number = whole_cell(file, r, number);
    row.year = whole_cell(file, r, year);
    row.observed = number_cell(file, r, observed);
    row.fitted = number_cell(file, r, fitted);
    row.log_residual = number_cell(file, r, residual);
    row.catchability = number_cell(file, r, catchability);
    row.coefficient = number_cell(file, r, coefficient);
    if (name && row.kind == SurveyRow::Kind::Fleet) {
      const std::string& n = r.cells[static_cast<std::size_t>(*name)];
      if (!n.empty()) fleet_names[row.number] = n;
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<RetroRow> read_retro(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int peel = required_column(file, "peel");
  const int year = required_column(file, "year");
  const int ssb = required_column(file, "ssb");
  const int f = required_column(file, "f");
  const int mean_f = required_column(file, "mean_f");
  const int recruitment = required_column(file, "recruitment");
  const std::optional<int> fbar = optional_column(file, "fbar");
  std::vector<RetroRow> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back(RetroRow{whole_cell(file, r, peel), whole_cell(file, r, year),
                            number_cell(file, r, ssb), number_cell(file, r, f),
                            number_cell(file, r, mean_f), number_cell(file, r, recruitment),
                            number_cell(file, r, fbar)});
  }
  return rows;
}

std::vector<LeaveOutRow> read_leave_out(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int left_out = required_column(file, "left_out");
  const int name = required_column(file, "name");
  const int year = required_column(file, "year");
  const int ssb = required_column(file, "ssb");
  const int fbar = required_column(file, "fbar");
  std::vector<LeaveOutRow> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back(LeaveOutRow{r.cells[static_cast<std::size_t>(left_out)],
                               r.cells[static_cast<std::size_t>(name)], whole_cell(file, r, year),
                               number_cell(file, r, ssb), number_cell(file, r, fbar)});
  }
  return rows;
}

std::vector<ForecastRowData> read_forecast(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int year = required_column(file, "year");
  const int option = required_column(file, "option");
  const int fbar = required_column(file, "fbar");
  const int catch_weight = required_column(file, "catch");
  const int ssb = required_column(file, "ssb");
  const int ssb_next = required_column(file, "ssb_next");
  const std::optional<int> catch_q05 = optional_column(file, "catch_q05");
  const std::optional<int> catch_q95 = optional_column(file, "catch_q95");
  const std::optional<int> ssb_next_q05 = optional_column(file, "ssb_next_q05");
  const std::optional<int> ssb_next_q95 = optional_column(file, "ssb_next_q95");
  std::vector<ForecastRowData> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back({whole_cell(file, r, year), r.cells[static_cast<std::size_t>(option)],
                    number_cell(file, r, fbar), number_cell(file, r, catch_weight),
                    number_cell(file, r, ssb), number_cell(file, r, ssb_next),
                    number_cell(file, r, catch_q05), number_cell(file, r, catch_q95),
                    number_cell(file, r, ssb_next_q05), number_cell(file, r, ssb_next_q95)});
  }
  return rows;
}

std::vector<PerRecruitRowData> read_per_recruit(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int option = required_column(file, "option");
  const int fbar = required_column(file, "fbar");
  const int ypr = required_column(file, "ypr");
  const int spr_percent = required_column(file, "spr_percent");
  const std::optional<int> fbar_q05 = optional_column(file, "fbar_q05");
  const std::optional<int> fbar_q95 = optional_column(file, "fbar_q95");
  std::vector<PerRecruitRowData> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back({r.cells[static_cast<std::size_t>(option)], number_cell(file, r, fbar),
                    number_cell(file, r, ypr), number_cell(file, r, spr_percent),
                    number_cell(file, r, fbar_q05), number_cell(file, r, fbar_q95)});
  }
  return rows;
}

std::vector<EquilibriumRowData> read_equilibrium(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int option = required_column(file, "option");
  const int fbar = required_column(file, "fbar");
  const int ssb = required_column(file, "ssb");
  const int yield = required_column(file, "yield");
  const std::optional<int> fbar_q05 = optional_column(file, "fbar_q05");
  const std::optional<int> fbar_q95 = optional_column(file, "fbar_q95");
  std::vector<EquilibriumRowData> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back({r.cells[static_cast<std::size_t>(option)], number_cell(file, r, fbar),
                    number_cell(file, r, ssb), number_cell(file, r, yield),
                    number_cell(file, r, fbar_q05), number_cell(file, r, fbar_q95)});
  }
  return rows;
}

std::vector<StochasticRowData> read_stochastic_equilibrium(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int option = required_column(file, "option");
  const int fbar = required_column(file, "fbar");
  const int q05 = required_column(file, "yield_q05");
  const int q50 = required_column(file, "yield_q50");
  const int q95 = required_column(file, "yield_q95");
  const int risk = required_column(file, "p_below_blim");
  std::vector<StochasticRowData> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back({r.cells[static_cast<std::size_t>(option)], number_cell(file, r, fbar),
                    number_cell(file, r, q05), number_cell(file, r, q50), number_cell(file, r, q95),
                    number_cell(file, r, risk)});
  }
  return rows;
}

std::vector<RetroRhoRow> read_retro_rho(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int quantity = required_column(file, "quantity");
  const int rho = required_column(file, "rho");
  std::vector<RetroRhoRow> rows;
  for (const CsvRow& r : file.rows) {
    rows.push_back(
        RetroRhoRow{r.cells[static_cast<std::size_t>(quantity)], number_cell(file, r, rho)});
  }
  return rows;
}

std::vector<HindcastRow> read_hindcast(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int kind = required_column(file, "kind");
  const int number = required_column(file, "number");
  const int peel = required_column(file, "peel");
  const int year = required_column(file, "year");
  const int age = required_column(file, "age");
  const int observed = required_column(file, "observed");
  const int predicted = required_column(file, "predicted");
  const int naive = required_column(file, "naive");
  std::vector<HindcastRow> rows;
  for (const CsvRow& r : file.rows) {
    const std::optional<double> a = number_cell(file, r, age);
    rows.push_back({r.cells[static_cast<std::size_t>(kind)] == "ssb", whole_cell(file, r, number),
                    whole_cell(file, r, peel), whole_cell(file, r, year),
                    a ? std::optional<int>(whole_cell(file, r, age)) : std::nullopt,
                    number_cell(file, r, observed), number_cell(file, r, predicted),
                    number_cell(file, r, naive)});
  }
  return rows;
}

std::vector<HindcastMaseRow> read_hindcast_mase(const std::string& path) {
  const CsvFile file = read_csv(path);
  const int kind = required_column(file, "kind");
  const int number = required_column(file, "number");
  const int age = required_column(file, "age");
  const int mase = required_column(file, "mase");
  const int predictions = required_column(file, "predictions");
  std::vector<HindcastMaseRow> rows;
  for (const CsvRow& r : file.rows) {
    const std::optional<double> a = number_cell(file, r, age);
    rows.push_back({r.cells[static_cast<std::size_t>(kind)] == "ssb", whole_cell(file, r, number),
                    a ? std::optional<int>(whole_cell(file, r, age)) : std::nullopt,
                    number_cell(file, r, mase), whole_cell(file, r, predictions)});
  }
  return rows;
}

// Whether the main run of an analysis beside the run (its rows that `is_main` picks) is the run
// of `summary`: the same SSB in the same years, each value as both tables wrote it.
template <typename Row, typename IsMain>
bool made_from_this_run(const std::vector<SummaryRow>& summary, const std::vector<Row>& rows,
                        IsMain is_main) {
  std::map<int, std::optional<double>> main, own;
  for (const Row& r : rows)
    if (is_main(r)) main[r.year] = r.ssb;
  for (const SummaryRow& r : summary) own[r.year] = r.ssb;
  return main == own;
}

bool is_file(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Where the search log's values stand: f from the start of the line, M from print column 30 and
// ALFA from column 45 (each with its sign blank), the total loss under "TOTAL_LOSSFUNC".
constexpr std::size_t kFEnd = 14;
constexpr std::size_t kMFrom = 29, kMEnd = 44;
constexpr std::size_t kAlfaFrom = 44, kAlfaEnd = 59;
// The heading of each component's loss in the search log ("err.for_SSB 1").
constexpr const char* kComponentMark = "err.for_";
// The log rounds f, M and the losses to five decimals and ALFA to six.
constexpr double kFiveDecimals = 0.6e-5;
constexpr double kSixDecimals = 0.6e-6;

// The number standing in print columns from..to of a line (parse_number takes the blanks).
std::optional<double> number_between(const std::string& line, std::size_t from, std::size_t to) {
  if (from >= line.size()) return std::nullopt;
  return parse_number(std::string_view(line).substr(from, to - from));
}

bool read_line(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// The values of a name,value table (run.csv, estimates.csv) by name; none when the table has no
// such columns.
std::map<std::string, std::string> name_values(const std::string& path) {
  const CsvFile file = read_csv(path);
  const auto name = optional_column(file, "name");
  const auto value = optional_column(file, "value");
  std::map<std::string, std::string> values;
  if (!name || !value) return values;
  for (const CsvRow& r : file.rows) {
    values[r.cells[static_cast<std::size_t>(*name)]] = r.cells[static_cast<std::size_t>(*value)];
  }
  return values;
}

// The search log of the working directory whose run wrote `tables`: the tables folder is the
// results file's name with ".tables" added, and that name is relative to the working directory
// ("output.out" one folder below it, "results/output.out" two). An absolute name, or none, leaves
// the folder above the tables.
fs::path search_log_of(const fs::path& tables, const std::string& results_name) {
  // A backslash separates folders too, as in every file name of the settings.
  const std::string name = resolve_path("", results_name);
  std::error_code ec;
  fs::path workdir = fs::absolute(tables, ec).lexically_normal();
  if (ec) workdir = tables.lexically_normal();
  if (!workdir.has_filename()) workdir = workdir.parent_path();  // "x/output.out.tables/"
  workdir = workdir.parent_path();
  if (!name.empty() && name.front() != '/') {
    for (fs::path up = fs::path(name).parent_path(); !up.empty(); up = up.parent_path()) {
      if (up.filename() != ".") workdir = workdir.parent_path();
    }
  }
  return (workdir.empty() ? fs::path(".") : workdir) / "minim.out";
}

}  // namespace

void read_scan_profile(const std::string& tables_dir, const std::string& minim_path,
                       PlotData& data) {
  const fs::path dir(tables_dir);
  if (!is_file(dir / "run.csv") || !is_file(dir / "estimates.csv") || !is_file(minim_path)) return;

  // The run's settings, read from its fields' texts as START read them.
  FieldTexts texts = default_field_texts();
  for (const auto& [name, value] : name_values((dir / "run.csv").string())) {
    if (const std::optional<FieldId> id = field_by_numbered_name(name)) texts[*id] = value;
  }
  auto settings = std::make_unique<RunState>();
  try {
    read_settings(*settings, texts);
  } catch (const SettingsError&) {
    return;
  }
  const RunState& s = *settings;
  if (!holds(s.scansearch, Search::Scan)) return;
  const bool over_m = holds(s.n1, MOption::Constant);
  const bool over_alfa = holds(s.n1, MOption::ByAge);
  const std::vector<double> f_grid = scan_grid(s.fscanmin, s.fscanmax, s.fscanstep);
  const std::vector<double> outer_grid = over_m || over_alfa
                                             ? scan_grid(s.mscanmin, s.mscanmax, s.mscanstep)
                                             : std::vector<double>{0.0};
  const std::map<std::string, std::string> estimates =
      name_values((dir / "estimates.csv").string());
  const auto estimate = [&](const std::string& name) -> std::optional<double> {
    const auto it = estimates.find(name);
    return it == estimates.end() ? std::nullopt : parse_number(it->second);
  };
  const std::optional<double> terminal_f = estimate("terminal_f");
  const std::optional<double> total_loss = estimate("loss_total");
  if (!terminal_f || !total_loss) return;

  std::ifstream in(minim_path, std::ios::binary);
  std::string header;
  if (!read_line(in, header)) return;
  const std::size_t total_from = header.find("TOTAL_LOSSFUNC");
  if (total_from == std::string::npos) return;
  // The components' columns: each value lies between its heading and the next one.
  struct Column {
    LossColumn loss;
    std::size_t from = 0, to = 0;
  };
  std::vector<Column> columns;
  for (std::size_t at = header.find(kComponentMark); at < total_from;
       at = header.find(kComponentMark, at + 1)) {
    const std::size_t name_from = at + std::string_view(kComponentMark).size();
    const std::string name = header.substr(name_from, header.find("  ", name_from) - name_from);
    std::string key;
    if (name == "C(a,y)") key = "catch";
    if (name.starts_with("SSB ")) key = "ssb" + name.substr(4);
    if (name.starts_with("a/ind. ")) key = "fleet" + name.substr(7);
    const std::optional<double> weight = estimate("weight_" + key);
    if (key.empty() || !weight) {
      columns.clear();  // a log this reader does not know: the total loss alone
      break;
    }
    if (!columns.empty()) columns.back().to = at;
    columns.push_back({{key, *weight}, at, total_from});
  }
  bool components_read = true;  // every component of every line; else the total alone is drawn
  const auto next_point = [&](ScanPoint& point) {
    std::string line;
    if (!read_line(in, line)) return false;
    const std::optional<double> f = number_between(line, 0, kFEnd);
    const std::optional<double> outer = over_m      ? number_between(line, kMFrom, kMEnd)
                                        : over_alfa ? number_between(line, kAlfaFrom, kAlfaEnd)
                                                    : std::optional<double>(0.0);
    const std::optional<double> loss = number_between(line, total_from, std::string::npos);
    if (!f || !outer || !loss) return false;
    point = {*f, *outer, *loss, {}};
    for (const Column& c : columns) {
      const std::optional<double> component = number_between(line, c.from, c.to);
      components_read = components_read && component.has_value();
      point.components.push_back(component.value_or(0));
    }
    return true;
  };

  const double outer_decimals = over_alfa ? kSixDecimals : kFiveDecimals;
  std::vector<ScanPoint> scan;
  for (double outer : outer_grid) {
    for (double f : f_grid) {
      ScanPoint point;
      if (!next_point(point) || std::fabs(point.f - f) > kFiveDecimals ||
          std::fabs(point.outer - outer) > outer_decimals) {
        return;
      }
      scan.push_back(point);
    }
  }
  ScanPoint best;
  if (!next_point(best) || std::fabs(best.f - *terminal_f) > kFiveDecimals ||
      std::fabs(best.total_loss - *total_loss) > kFiveDecimals) {
    return;
  }
  data.scan = std::move(scan);
  data.scan_outer = over_m ? "M" : over_alfa ? "ALFA" : "";
  if (components_read) {
    for (const Column& c : columns) data.scan_components.push_back(c.loss);
  } else {
    for (ScanPoint& p : data.scan) p.components.clear();
  }
  ResultsRecord fit;
  fit.complete = true;
  fit.terminal_f = *terminal_f;
  fit.m = estimate("m");
  fit.alfa = estimate("alfa");
  data.scan_notes = scan_edge_notes(s, fit);
}

PlotData read_plot_data(const std::string& tables_dir) {
  const fs::path dir(tables_dir);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) throw InputError(tables_dir + ": no such folder of tables");
  const fs::path summary = dir / "summary.csv";
  if (!is_file(summary)) throw InputError(summary.string() + ": no such file");

  PlotData data;
  data.folder = tables_dir;
  data.summary = read_summary(summary.string());
  data.stock = read_stock((dir / "stock.csv").string());
  data.surveys = read_surveys((dir / "surveys.csv").string(), data.fleet_names);
  if (const fs::path forecast = dir / "forecast.csv"; is_file(forecast)) {
    data.forecast = read_forecast(forecast.string());
  }
  if (const fs::path per_recruit = dir / "per_recruit.csv"; is_file(per_recruit)) {
    data.per_recruit = read_per_recruit(per_recruit.string());
  }
  if (const fs::path equilibrium = dir / "equilibrium.csv"; is_file(equilibrium)) {
    data.equilibrium = read_equilibrium(equilibrium.string());
  }
  if (const fs::path stochastic = dir / "stochastic_equilibrium.csv"; is_file(stochastic)) {
    data.stochastic_equilibrium = read_stochastic_equilibrium(stochastic.string());
  }

  // The retrospective is written under the working directory, beside the results file whose
  // tables these are; a retro.csv copied into the tables folder is taken first. A later run in
  // the working directory leaves it behind: it is these tables' only while its full run is this
  // run (peel 0).
  for (const fs::path& retro_dir : {dir, dir / ".." / "retro"}) {
    const fs::path retro = retro_dir / "retro.csv";
    if (!is_file(retro)) continue;
    std::vector<RetroRow> rows = read_retro(retro.lexically_normal().string());
    if (!made_from_this_run(data.summary, rows, [](const RetroRow& r) { return r.peel == 0; }))
      break;
    data.retro = std::move(rows);
    const fs::path rho = retro_dir / "retro_rho.csv";
    if (is_file(rho)) data.retro_rho = read_retro_rho(rho.lexically_normal().string());
    const fs::path hindcast = retro_dir / "hindcast.csv";
    const fs::path mase = retro_dir / "hindcast_mase.csv";
    if (is_file(hindcast) && is_file(mase)) {
      data.hindcast = read_hindcast(hindcast.lexically_normal().string());
      data.hindcast_mase = read_hindcast_mase(mase.lexically_normal().string());
    }
    break;
  }
  // So is the leave-one-out analysis, whose main run is the one with every series ("none").
  for (const fs::path& leave_out_dir : {dir, dir / ".." / "leave_out"}) {
    const fs::path leave_out = leave_out_dir / "leave_out.csv";
    if (!is_file(leave_out)) continue;
    std::vector<LeaveOutRow> rows = read_leave_out(leave_out.lexically_normal().string());
    if (!made_from_this_run(data.summary, rows,
                            [](const LeaveOutRow& r) { return r.left_out == "none"; }))
      break;
    data.leave_out = std::move(rows);
    data.leave_out_folder = leave_out_dir.lexically_normal().string();
    break;
  }
  // From the run's description: the F-bar ages, the units and where its search log is.
  if (const fs::path run = dir / "run.csv"; is_file(run)) {
    const std::map<std::string, std::string> rows = name_values(run.string());
    const auto row = [&rows](const std::string& name) {
      const auto it = rows.find(name);
      return it == rows.end() ? std::string() : it->second;
    };
    data.fbar_ages = row("fbar_ages");
    data.units_numbers = row("units_numbers");
    data.units_weight = row("units_weight");
    for (const ReferencePointKey& key : kReferencePointKeys) {
      const std::string text = row(key.name);
      if (text.empty()) continue;
      const std::optional<double> v = reference_point_value(text);
      if (!v) {
        throw InputError(run.string() + ": " + key.name + " '" + text +
                         "' is not a number above 0");
      }
      data.reference.*key.value = v;
    }
    const fs::path log = search_log_of(dir, row(numbered_name(FieldId::ResultsFile)));
    read_scan_profile(tables_dir, log.string(), data);
  }
  return data;
}

}  // namespace quorvane::plot
