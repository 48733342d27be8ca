#include "plot/report_html.h"

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>

#include "base/errors.h"
#include "base/print.h"
#include "data/age_year_file.h"
#include "plot/residual_runs.h"
#include "report/csv_reader.h"
#include "report/version.h"
#include "run/settings.h"

namespace quorvane::plot {
namespace {

namespace fs = std::filesystem;

// The size at which the charts are drawn; the page scales them to its width.
const QSize kChartSize(1200, 800);

// Rows of run.csv that describe the run rather than set it.
constexpr std::string_view kVersionRow = "version";
constexpr std::string_view kTimeRow = "time";

// A plain page: readable on a screen and in print, without anything fetched from elsewhere.
constexpr const char* kStyle = R"(
body { font-family: sans-serif; margin: 2em auto; max-width: 1100px; padding: 0 1em;
       color: #1a1a1a; line-height: 1.4; }
h1 { font-size: 1.6em; margin-bottom: 0.2em; }
h2 { font-size: 1.3em; margin-top: 2em; border-bottom: 1px solid #aaa; }
table { border-collapse: collapse; margin: 0.8em 0; font-size: 0.9em; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; vertical-align: top; }
th { background: #eef1f5; text-align: left; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
figure { margin: 1.5em 0; }
figure svg { width: 100%; height: auto; }
figure svg * { font-family: sans-serif; }
figcaption { font-style: italic; color: #444; }
nav ul { columns: 2; }
)";

std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A number as the tables of the report show it: stock sizes whole, smaller values to four
// significant digits.
std::string number_text(double v) {
  char buf[40];
  if (v == 0) return "0";
  if (std::fabs(v) >= 1000) {
    std::snprintf(buf, sizeof buf, "%.0f", v);
  } else {
    std::snprintf(buf, sizeof buf, "%.4g", v);
  }
  return buf;
}

struct Cell {
  std::string text;
  bool number = false;
};

struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<Cell>> rows;
};

Cell text_of(std::string text) { return {std::move(text), false}; }
Cell number_of(double v) { return {number_text(v), true}; }
// A cell of a table read back: numbers as numbers, anything else as text.
Cell csv_cell(const std::string& text) {
  if (text.empty()) return {"", true};
  if (const std::optional<double> v = parse_number(text)) return number_of(*v);
  return text_of(text);
}

void append_table(std::string& out, const Table& t) {
  out += "<table>\n<thead><tr>";
  for (const std::string& h : t.header) out += "<th>" + escaped(h) + "</th>";
  out += "</tr></thead>\n<tbody>\n";
  for (const std::vector<Cell>& row : t.rows) {
    out += "<tr>";
    for (const Cell& c : row) {
      out += c.number ? "<td class=\"n\">" : "<td>";
      out += escaped(c.text) + "</td>";
    }
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
}

void paragraph(std::string& out, const std::string& text) {
  out += "<p>" + escaped(text) + "</p>\n";
}

void heading(std::string& out, const std::string& id, const std::string& title) {
  out += "<h2 id=\"" + id + "\">" + escaped(title) + "</h2>\n";
}

// A column of summary.csv as a person reads it.
std::string column_title(const std::string& name) {
  static const std::map<std::string, std::string> kTitles = {
      {"year", "Year"},
      {"f", "f(y)"},
      {"recruitment", "Recruitment"},
      {"total_stock_numbers", "Total stock (numbers)"},
      {"total_stock_weight", "Total stock (weight)"},
      {"ssb", "SSB"},
      {"ssb_survey_time", "SSB at survey time"},
      {"catch_weight", "Catch (weight)"},
      {"mean_f", "Mean F"},
      {"fbar", "F-bar"}};
  for (const auto& [suffix, percent] :
       {std::pair{"_q05", " 5%"}, std::pair{"_q50", " 50%"}, std::pair{"_q95", " 95%"}}) {
    if (name.ends_with(suffix)) {
      const std::string base = name.substr(0, name.size() - 4);
      return column_title(base) + percent;
    }
  }
  const auto it = kTitles.find(name);
  return it == kTitles.end() ? name : it->second;
}

bool is_quantile(const std::string& name) {
  return name.ends_with("_q05") || name.ends_with("_q50") || name.ends_with("_q95");
}

// The columns of a table read back, those for which `keep` holds, as a report table.
template <typename Keep>
Table columns_of(const CsvFile& file, Keep keep) {
  Table t;
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < file.header.size(); ++i) {
    if (!keep(file.header[i])) continue;
    kept.push_back(i);
    t.header.push_back(column_title(file.header[i]));
  }
  for (const CsvRow& r : file.rows) {
    std::vector<Cell> row;
    for (std::size_t i : kept) row.push_back(csv_cell(r.cells[i]));
    t.rows.push_back(std::move(row));
  }
  return t;
}

std::optional<CsvFile> read_if_there(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  return read_csv(path.string());
}

// run.csv: the settings by name, and the version and time of the run.
struct RunTable {
  std::optional<CsvFile> file;
  std::map<std::string, std::string> value;  // by name
  std::string version, time;
};

RunTable read_run(const fs::path& dir) {
  RunTable run;
  run.file = read_if_there(dir / "run.csv");
  if (!run.file) return run;
  const int name = required_column(*run.file, "name");
  const int value = required_column(*run.file, "value");
  for (const CsvRow& r : run.file->rows) {
    const std::string& n = r.cells[static_cast<std::size_t>(name)];
    const std::string& v = r.cells[static_cast<std::size_t>(value)];
    if (n == kVersionRow) run.version = v;
    if (n == kTimeRow) run.time = v;
    run.value[n] = v;
  }
  return run;
}

// The text of the field that fills `setting` ("AnamefileC"), as the run had it; empty when
// run.csv does not hold it.
std::string setting_text(const RunTable& run, std::string_view setting) {
  for (const Field& f : kFields) {
    if (f.setting_name != setting) continue;
    const auto it = run.value.find(numbered_name(f.id));
    return it == run.value.end() ? "" : it->second;
  }
  return "";
}

// The input file of SSB survey k or aged fleet k.
std::string input_file(const RunTable& run, bool ssb_survey, int k) {
  return setting_text(run, "Anamefile" + std::to_string(ssb_survey ? 8 + k : k));
}

// estimates.csv: name, value.
std::vector<std::pair<std::string, std::optional<double>>> read_estimates(const fs::path& dir) {
  std::vector<std::pair<std::string, std::optional<double>>> rows;
  const std::optional<CsvFile> file = read_if_there(dir / "estimates.csv");
  if (!file) return rows;
  const int name = required_column(*file, "name");
  const int value = required_column(*file, "value");
  for (const CsvRow& r : file->rows) {
    rows.emplace_back(r.cells[static_cast<std::size_t>(name)],
                      quorvane::number_cell(*file, r, value));
  }
  return rows;
}

// "Fleet 2", or "Fleet 2: <name>" when the tables name the fleet.
std::string series_title(const PlotData& data, bool ssb_survey, int k) {
  if (ssb_survey) return "SSB survey " + std::to_string(k);
  std::string title = "Fleet " + std::to_string(k);
  if (data.fleet_names.contains(k)) title += ": " + data.fleet_names.at(k);
  return title;
}

std::string component_title(const std::string& name, const RunTable& run, const PlotData& data) {
  if (name == "catch") return "Catch at age";
  for (const auto& [prefix, ssb] : {std::pair{"ssb", true}, std::pair{"fleet", false}}) {
    const std::string p(prefix);
    if (!name.starts_with(p)) continue;
    const std::optional<double> k = parse_number(name.substr(p.size()));
    if (!k) continue;
    const int number = static_cast<int>(*k);
    std::string text = series_title(data, ssb, number);
    const std::string file = input_file(run, ssb, number);
    if (!file.empty()) text += " (" + file + ")";
    return text;
  }
  return name;
}

struct Span {
  std::set<int> values;
  std::string text() const {
    if (values.empty()) return "none";
    const int first = *values.begin(), last = *values.rbegin();
    std::string t = first == last ? std::to_string(first)
                                  : std::to_string(first) + "\u2013" + std::to_string(last);
    const int count = static_cast<int>(values.size());
    if (count != last - first + 1) t += " (" + std::to_string(count) + " of them)";
    return t;
  }
};

void data_section(std::string& out, const PlotData& data, const RunTable& run) {
  heading(out, "data", "Data");
  Span years, ages;
  for (const SummaryRow& r : data.summary) years.values.insert(r.year);
  for (const StockRow& r : data.stock) ages.values.insert(r.age);
  Table t{{"Series", "Input file", "Years", "Ages", "Observations"}, {}};
  t.rows.push_back({text_of("Catch at age"), text_of(setting_text(run, "AnamefileC")),
                    text_of(years.text()), text_of(ages.text()),
                    number_of(static_cast<double>(data.stock.size()))});
  for (const SurveyRow::Kind kind : {SurveyRow::Kind::Ssb, SurveyRow::Kind::Fleet}) {
    std::map<int, std::pair<Span, Span>> spans;  // by number: years, ages
    std::map<int, int> observations;
    for (const SurveyRow& s : data.surveys) {
      if (s.kind != kind) continue;
      spans[s.number].first.values.insert(s.year);
      if (s.age) spans[s.number].second.values.insert(*s.age);
      if (s.observed && *s.observed > 0) ++observations[s.number];
    }
    const bool ssb = kind == SurveyRow::Kind::Ssb;
    for (const auto& [k, span] : spans) {
      t.rows.push_back({text_of(series_title(data, ssb, k)), text_of(input_file(run, ssb, k)),
                        text_of(span.first.text()), text_of(ssb ? "" : span.second.text()),
                        number_of(observations[k])});
    }
  }
  paragraph(out,
            "The analysis covers the years " + years.text() + " and the ages " + ages.text() + ".");
  append_table(out, t);
}

// The runs test of each survey's residuals (a fleet's mean over its ages), as the charts draw it.
void runs_tests(std::string& out, const PlotData& data) {
  Table t{{"Series", "Years", "Runs", "p", "Result", "Beyond 3 sigma"}, {}};
  for (const SurveyRow::Kind kind : {SurveyRow::Kind::Ssb, SurveyRow::Kind::Fleet}) {
    std::set<int> numbers;
    for (const SurveyRow& s : data.surveys)
      if (s.kind == kind && s.log_residual) numbers.insert(s.number);
    for (int k : numbers) {
      const RunsTest test = runs_test(survey_residuals(data.surveys, kind, k));
      const bool tested = test.points.size() >= kLeastRunsTestYears && test.p_value;
      t.rows.push_back({text_of(series_title(data, kind == SurveyRow::Kind::Ssb, k)),
                        number_of(static_cast<double>(test.points.size())), number_of(test.runs),
                        tested ? number_of(*test.p_value) : Cell{"", true},
                        text_of(!tested         ? "no test"
                                : test.passed() ? "passed"
                                                : "failed"),
                        number_of(test.outside())});
    }
  }
  if (t.rows.empty()) return;
  paragraph(out,
            "Runs test of each survey's log residuals by year (an aged fleet's mean over its "
            "ages): too few changes of sign (p below 0.05) show residuals that stay on one side "
            "for years, a pattern the model does not follow. Residuals beyond 3 sigma of the "
            "moving ranges are counted. Fewer than 5 years, or residuals of one sign, get no "
            "test.");
  append_table(out, t);
}

void fit_section(std::string& out, const RunTable& run, const PlotData& data,
                 const std::vector<std::pair<std::string, std::optional<double>>>& estimates) {
  heading(out, "fit", "The fit");
  if (estimates.empty()) {
    paragraph(out, "The tables folder holds no estimates.csv.");
    return;
  }
  std::map<std::string, std::optional<double>> value(estimates.begin(), estimates.end());
  Table losses{{"Component", "Loss", "Weight"}, {}};
  Table others{{"Estimate", "Value"}, {}};
  const auto cell = [](std::optional<double> v) { return v ? number_of(*v) : Cell{"", true}; };
  for (const auto& [name, v] : estimates) {
    if (name.starts_with("loss_") && name != "loss_total") {
      const std::string component = name.substr(5);
      losses.rows.push_back({text_of(component_title(component, run, data)), cell(v),
                             cell(value["weight_" + component])});
    } else if (!name.starts_with("weight_") && name != "bootstrap_runs") {
      others.rows.push_back({text_of(name), cell(v)});
    }
  }
  paragraph(out, "Losses by component of the total loss, with their weights:");
  append_table(out, losses);
  append_table(out, others);
  for (const std::string& note : data.scan_notes) paragraph(out, note);
  runs_tests(out, data);
}

// Every chart as inline SVG. The ids inside each drawing are given the chart's name as a prefix:
// the drawings share one page, where an id must be unique for a reference to find its own.
void charts_section(std::string& out, const PlotData& data) {
  heading(out, "charts", "Charts");
  std::string group;
  for (const ChartInfo& info : available_charts(data)) {
    if (info.group != group) {
      group = info.group;
      out += "<h3>" + escaped(group) + "</h3>\n";
    }
    const std::unique_ptr<QChart> chart(make_chart(data, info.name));
    QString svg = QString::fromUtf8(chart_svg(chart.get(), kChartSize));
    svg = svg.mid(svg.indexOf(QStringLiteral("<svg")));  // without the XML declaration
    const QString prefix = QString::fromStdString(info.name) + QStringLiteral("-");
    svg.replace(QStringLiteral("id=\""), QStringLiteral("id=\"") + prefix);
    svg.replace(QStringLiteral("url(#"), QStringLiteral("url(#") + prefix);
    svg.replace(QStringLiteral("href=\"#"), QStringLiteral("href=\"#") + prefix);
    out += "<figure id=\"chart-" + info.name + "\">\n";
    out += svg.trimmed().toStdString();
    out += "\n<figcaption>" + escaped(chart->title().toStdString()) + "</figcaption>\n</figure>\n";
  }
}

void bootstrap_section(std::string& out, const std::optional<CsvFile>& summary,
                       std::optional<double> runs) {
  heading(out, "bootstrap", "Bootstrap");
  const bool bands =
      summary && std::any_of(summary->header.begin(), summary->header.end(), is_quantile);
  if (!bands) {
    paragraph(out, runs && *runs > 0 ? "The bootstrap left no bands in the stock summary."
                                     : "No bootstrap was run.");
    return;
  }
  paragraph(out, std::to_string(static_cast<long>(runs.value_or(0))) +
                     " bootstrap runs. Their 5%, 50% and 95% quantiles by year:");
  append_table(out, columns_of(*summary, [](const std::string& name) {
                 return name == "year" || is_quantile(name);
               }));
}

void retrospective_section(std::string& out, const PlotData& data) {
  heading(out, "retrospective", "Retrospective");
  if (data.retro.empty()) {
    paragraph(out, "No retrospective analysis was run.");
    return;
  }
  std::map<int, int> last_year;  // by peel
  for (const RetroRow& r : data.retro) {
    if (r.peel > 0) last_year[r.peel] = std::max(last_year[r.peel], r.year);
  }
  std::string peels = std::to_string(last_year.size()) + " peels, last years";
  for (const auto& [peel, year] : last_year) peels += " " + std::to_string(year);
  paragraph(out, peels + "; their charts are among the charts above.");
  Table rho{{"Quantity", "Mohn's rho"}, {}};
  for (const RetroRhoRow& r : data.retro_rho) {
    const std::string name = r.quantity == "ssb"      ? "SSB"
                             : r.quantity == "mean_f" ? "Mean F"
                             : r.quantity == "fbar"   ? fbar_label(data)
                                                      : r.quantity;
    rho.rows.push_back({text_of(name), r.rho ? number_of(*r.rho) : Cell{"none", true}});
  }
  append_table(out, rho);
  if (data.hindcast_mase.empty()) return;
  paragraph(out,
            "Hindcast: each peel's fit, carried a year on with the catch then taken, predicts "
            "the survey indices of the year after its data. The mean absolute scaled error "
            "(MASE) sets its errors against those of last year's index as the prediction: below "
            "1 the fits foresee the survey better.");
  Table skill{{"Series", "Age", "MASE", "Predictions"}, {}};
  for (const HindcastMaseRow& r : data.hindcast_mase) {
    skill.rows.push_back(
        {text_of(series_title(data, r.ssb, r.number)), r.age ? number_of(*r.age) : text_of("all"),
         r.mase ? number_of(*r.mase) : Cell{"none", true}, number_of(r.predictions)});
  }
  append_table(out, skill);
}

void leave_out_section(std::string& out, const PlotData& data) {
  heading(out, "leave_out", "Leave one out");
  const std::optional<CsvFile> change =
      data.leave_out.empty()
          ? std::nullopt
          : read_if_there(std::filesystem::path(data.leave_out_folder) / "leave_out_change.csv");
  if (!change) {
    paragraph(out, "No leave-one-out analysis was run.");
    return;
  }
  paragraph(out,
            "The run repeated without each tuning series in turn: its terminal f, and in the "
            "main run's last year SSB, F-bar and recruitment with their relative change from the "
            "run with every series; their charts are among the charts above.");
  append_table(out, columns_of(*change, [](const std::string&) { return true; }));
}

void forecast_section(std::string& out, const std::optional<CsvFile>& forecast) {
  heading(out, "forecast", "Short-term forecast");
  if (!forecast) {
    paragraph(out, "No short-term forecast was made.");
    return;
  }
  paragraph(out,
            "The intermediate year at status quo fishing, then the advice year at each fishing "
            "level: F-bar, the catch in weight, SSB at the start of the year and of the next, "
            "and the change of SSB over the year in per cent.");
  append_table(out, columns_of(*forecast, [](const std::string&) { return true; }));
}

void per_recruit_section(std::string& out, const std::optional<CsvFile>& per_recruit) {
  heading(out, "per_recruit", "Per recruit");
  if (!per_recruit) {
    paragraph(out, "No per-recruit curves were made: they come with the short-term forecast.");
    return;
  }
  paragraph(out,
            "Yield and SSB per recruit with the forecast's selection, weights, M and maturity, at "
            "the reference points F0.1, Fmax, F35%SPR and F40%SPR (those that exist) and at "
            "status quo F; the whole curve is in per_recruit.csv and on its chart.");
  CsvFile points = *per_recruit;
  std::erase_if(points.rows, [&](const CsvRow& r) {
    const std::string& option =
        r.cells[static_cast<std::size_t>(required_column(points, "option"))];
    return option != "status quo" && option != "F0.1" && option != "Fmax" &&
           !option.ends_with("%SPR");
  });
  append_table(out, columns_of(points, [](const std::string&) { return true; }));
}

void equilibrium_section(std::string& out, const std::optional<CsvFile>& equilibrium) {
  heading(out, "equilibrium", "Equilibrium");
  if (!equilibrium) {
    paragraph(out,
              "No equilibrium was made: it comes with the per-recruit curves when the year "
              "classes give a segmented regression of recruitment on SSB with a plateau.");
    return;
  }
  paragraph(out,
            "The stock that each level of fishing leaves year after year when recruitment "
            "follows the segmented regression of the year classes (the plateau's recruits above "
            "the breakpoint) and every year is fished as in the per-recruit curves: at status "
            "quo F, at Fcrash (where one recruit no longer leaves the spawners that replace it; "
            "the SSB there is the breakpoint) and at Fmax when it lies below Fcrash. Recruitment "
            "does not vary here, so these are deterministic bounds, not advice: the whole curve "
            "is in equilibrium.csv and on its chart.");
  CsvFile points = *equilibrium;
  std::erase_if(points.rows, [&](const CsvRow& r) {
    const std::string& option =
        r.cells[static_cast<std::size_t>(required_column(points, "option"))];
    return option != "status quo" && option != "Fcrash" && option != "Fmsy (deterministic)";
  });
  append_table(out, columns_of(points, [](const std::string&) { return true; }));
}

// Only for a run that simulated stocks: most runs do not ask for it.
void stochastic_equilibrium_section(std::string& out, const std::optional<CsvFile>& stochastic) {
  if (!stochastic) return;
  heading(out, "stochastic_equilibrium", "Stochastic equilibrium");
  paragraph(out,
            "Stocks simulated over 50 years at each level of fishing, with the per-recruit "
            "curves' selection, weights, M and maturity and recruits drawn around the segmented "
            "regression with the spread and autocorrelation of its residuals (run.csv names them "
            "and the Blim used). The stochastic Fmsy gives the largest median yield; at Fp.05 "
            "and Flim SSB starts 5 % and 50 % of the years below Blim; the precautionary Fmsy is "
            "Fmsy, or Fp.05 when that is lower. The whole curve is in stochastic_equilibrium.csv "
            "and on its chart.");
  CsvFile points = *stochastic;
  const std::size_t option = static_cast<std::size_t>(required_column(points, "option"));
  std::erase_if(points.rows, [&](const CsvRow& r) {
    const std::string& o = r.cells[option];
    return o != "status quo" && o != "Fmsy (stochastic)" && o != "Fp.05" &&
           o != "Flim (stochastic)" && o != "Fmsy (precautionary)";
  });
  append_table(out, columns_of(points, [](const std::string&) { return true; }));
}

void settings_section(std::string& out, const RunTable& run) {
  heading(out, "settings", "Settings");
  if (!run.file) {
    paragraph(out, "The tables folder holds no run.csv.");
    return;
  }
  paragraph(out, "Every field of the run, by name, with its label and its text:");
  append_table(out, columns_of(*run.file, [](const std::string&) { return true; }));
}

}  // namespace

std::string report_html(const PlotData& data) {
  const fs::path dir(data.folder);
  const RunTable run = read_run(dir);
  const auto estimates = read_estimates(dir);
  const std::optional<CsvFile> summary = read_if_there(dir / "summary.csv");
  std::optional<double> bootstrap_runs;
  for (const auto& [name, v] : estimates) {
    if (name == "bootstrap_runs") bootstrap_runs = v;
  }

  std::string out =
      "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
      "<meta charset=\"utf-8\"/>\n<title>QUORVANE report: " +
      escaped(data.folder) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  out += "<h1>QUORVANE run report</h1>\n";
  std::string about = "Tables: " + data.folder + ". ";
  if (!run.time.empty()) about += "Run started " + run.time + " (UTC)";
  if (!run.version.empty()) about += " with QUORVANE " + run.version;
  if (!run.time.empty() || !run.version.empty()) about += ". ";
  about += "Report written " + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString() +
           " by quorvane-plot " + std::string(kProgramVersion) + ".";
  paragraph(out, about);
  out +=
      "<nav><ul>\n<li><a href=\"#data\">Data</a></li>\n<li><a href=\"#fit\">The fit</a></li>\n"
      "<li><a href=\"#summary\">Stock summary</a></li>\n<li><a href=\"#charts\">Charts</a></li>\n"
      "<li><a href=\"#bootstrap\">Bootstrap</a></li>\n"
      "<li><a href=\"#retrospective\">Retrospective</a></li>\n"
      "<li><a href=\"#leave_out\">Leave one out</a></li>\n"
      "<li><a href=\"#forecast\">Short-term forecast</a></li>\n"
      "<li><a href=\"#per_recruit\">Per recruit</a></li>\n"
      "<li><a href=\"#equilibrium\">Equilibrium</a></li>\n";
  if (fs::exists(dir / "stochastic_equilibrium.csv"))
    out += "<li><a href=\"#stochastic_equilibrium\">Stochastic equilibrium</a></li>\n";
  out += "<li><a href=\"#settings\">Settings</a></li>\n</ul></nav>\n";

  data_section(out, data, run);
  fit_section(out, run, data, estimates);
  heading(out, "summary", "Stock summary");
  if (summary) {
    append_table(out, columns_of(*summary, [](const std::string& n) { return !is_quantile(n); }));
  }
  charts_section(out, data);
  bootstrap_section(out, summary, bootstrap_runs);
  retrospective_section(out, data);
  leave_out_section(out, data);
  forecast_section(out, read_if_there(dir / "forecast.csv"));
  per_recruit_section(out, read_if_there(dir / "per_recruit.csv"));
  equilibrium_section(out, read_if_there(dir / "equilibrium.csv"));
  const std::optional<CsvFile> stochastic = read_if_there(dir / "stochastic_equilibrium.csv");
  stochastic_equilibrium_section(out, stochastic);
  settings_section(out, run);
  out += "</body>\n</html>\n";
  return out;
}

void write_report(const PlotData& data, const std::string& path) {
  write_text_file(path, report_html(data));
}

}  // namespace quorvane::plot
