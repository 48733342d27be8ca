#include "report/tables.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

#include "base/errors.h"
#include "base/print.h"
#include "state/message_text.h"

namespace quorvane {

namespace {

// The bootstrap quantiles of summary.csv: column suffix and probability.
struct QuantileColumn {
  std::string_view suffix;
  double p;
};
constexpr std::array<QuantileColumn, 3> kQuantiles = {
    {{"_q05", 0.05}, {"_q50", 0.50}, {"_q95", 0.95}}};

// Builds one CSV file a row at a time.
class Csv {
 public:
  explicit Csv(std::initializer_list<std::string_view> header) {
    for (std::string_view name : header) text(name);
    end_row();
  }
  Csv& text(std::string_view t) {
    separate();
    out_ += csv_text(t);
    return *this;
  }
  Csv& number(double v) {
    separate();
    out_ += csv_number(v);
    return *this;
  }
  Csv& number(std::optional<double> v) {
    separate();
    if (v) out_ += csv_number(*v);
    return *this;
  }
  void end_row() {
    out_ += '\n';
    row_started_ = false;
  }
  // Further header cells, before the first row is ended; used for the quantile columns.
  void reopen_header() {
    assert(!out_.empty() && out_.back() == '\n');
    out_.pop_back();
    row_started_ = true;
  }
  const std::string& str() const { return out_; }

 private:
  void separate() {
    if (row_started_) out_ += ',';
    row_started_ = true;
  }
  std::string out_;
  bool row_started_ = false;
};

// The values of one quantity over the bootstrap runs, in year i of the summary.
template <typename Field>
std::vector<double> across_runs(const std::vector<BootstrapRun>& runs, std::size_t i, Field field) {
  std::vector<double> values;
  values.reserve(runs.size());
  for (const BootstrapRun& run : runs) values.push_back((run.*field)[i]);
  return values;
}

// Whether the bytes read as UTF-8 throughout.
bool valid_utf8(std::string_view t) {
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t n = utf8_char_length(t.substr(i));
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string latin1_to_utf8(std::string_view t) {
  std::string out;
  for (char ch : t) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

std::string csv_number(double v) {
  if (!std::isfinite(v)) return "";
  if (v == 0) return "0";  // no "-0"
  std::array<char, 32> buf;
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v);
  assert(ec == std::errc());
  return std::string(buf.data(), end);
}

std::string csv_text(std::string_view text) {
  const std::string utf8 = valid_utf8(text) ? std::string(text) : latin1_to_utf8(text);
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

double quantile(std::span<const double> values, double p) {
  assert(p >= 0 && p <= 1);
  std::vector<double> x;
  x.reserve(values.size());
  for (double v : values)
    if (std::isfinite(v)) x.push_back(v);
  return quantile_in_place(x, p);
}

double quantile_in_place(std::vector<double>& x, double p) {
  assert(p >= 0 && p <= 1);
  if (x.empty()) return std::numeric_limits<double>::quiet_NaN();
  // The two order statistics around h, selected rather than sorted: the same values a sort gives.
  const double h = static_cast<double>(x.size() - 1) * p;
  const auto lower = static_cast<std::size_t>(std::floor(h));
  const auto at = x.begin() + static_cast<std::ptrdiff_t>(lower);
  std::nth_element(x.begin(), at, x.end());
  if (lower + 1 >= x.size()) return *at;
  const double next = *std::min_element(at + 1, x.end());
  return *at + (h - static_cast<double>(lower)) * (next - *at);
}

std::string tables_folder(const std::string& results_path) { return results_path + ".tables"; }

std::string summary_csv(const ResultsRecord& record) {
  Csv csv{"year",
          "f",
          "recruitment",
          "total_stock_numbers",
          "total_stock_weight",
          "ssb",
          "ssb_survey_time",
          "catch_weight",
          "mean_f",
          "fbar"};
  // The bootstrap distribution of each year: the quantities and the runs' vectors they come from.
  struct Spread {
    std::string_view name;
    std::vector<double> BootstrapRun::*values;
  };
  constexpr std::array<Spread, 5> kSpread = {{{"ssb", &BootstrapRun::ssb},
                                              {"f", &BootstrapRun::f},
                                              {"total_stock_weight", &BootstrapRun::stock_weight},
                                              {"recruitment", &BootstrapRun::recruitment},
                                              {"fbar", &BootstrapRun::fbar}}};
  const bool bootstrap = !record.bootstrap.empty();
  if (bootstrap) {
    csv.reopen_header();
    for (const Spread& q : kSpread)
      for (const QuantileColumn& c : kQuantiles)
        csv.text(std::string(q.name) + std::string(c.suffix));
    csv.end_row();
  }
  for (std::size_t i = 0; i < record.years.size(); ++i) {
    const SummaryYear& y = record.years[i];
    csv.number(y.year).number(y.f).number(y.recruitment).number(y.stock_numbers);
    csv.number(y.stock_weight).number(y.ssb).number(y.ssb_survey_time).number(y.catch_weight);
    csv.number(y.mean_f).number(y.fbar);
    if (bootstrap) {
      for (const Spread& q : kSpread) {
        const std::vector<double> values = across_runs(record.bootstrap, i, q.values);
        for (const QuantileColumn& c : kQuantiles) csv.number(quantile(values, c.p));
      }
    }
    csv.end_row();
  }
  return csv.str();
}

std::string stock_csv(const ResultsRecord& record) {
  Csv csv{"year", "age", "catch",   "weight", "m", "maturity",
          "n",    "s",   "gfactor", "phy",    "f", "catch_log_residual"};
  // Stock weights of their own get a column; otherwise they are the column weight.
  const bool stock_weights = !record.stock_weight_file.empty();
  if (stock_weights) {
    csv.reopen_header();
    csv.text("stock_weight");
    csv.end_row();
  }
  for (const StockCell& c : record.cells) {
    csv.number(c.year).number(c.age).number(c.catch_numbers).number(c.weight).number(c.m);
    csv.number(c.maturity).number(c.n).number(c.s).number(c.gfactor).number(c.phy).number(c.f);
    csv.number(c.catch_residual);
    if (stock_weights) csv.number(c.stock_weight);
    csv.end_row();
  }
  return csv.str();
}

std::string surveys_csv(const ResultsRecord& record) {
  Csv csv{"kind",   "number",       "year",         "age",         "observed",
          "fitted", "log_residual", "catchability", "coefficient", "name"};
  for (const SurveyPoint& p : record.surveys) {
    csv.text(p.kind == SurveyPoint::Kind::Ssb ? "ssb" : "fleet");
    csv.number(static_cast<double>(p.number)).number(p.year).number(p.age).number(p.observed);
    csv.number(p.fitted).number(p.residual).number(p.catchability).number(p.coefficient);
    csv.text(p.kind == SurveyPoint::Kind::Fleet ? fleet_name(record, p.number) : "");
    csv.end_row();
  }
  return csv.str();
}

std::string estimates_csv(const ResultsRecord& record, double sigma,
                          const StochasticEquilibrium* stochastic) {
  Csv csv{"name", "value"};
  const auto row = [&csv](const std::string& name, std::optional<double> value) {
    csv.text(name).number(value);
    csv.end_row();
  };
  row("terminal_f", record.terminal_f);
  if (record.m) row("m", record.m);
  if (record.alfa) row("alfa", record.alfa);
  for (const LossComponent& c : record.losses) {
    row("loss_" + c.name, c.loss);
    row("weight_" + c.name, c.weight);
  }
  row("loss_total", record.total_loss);
  row("sigma", sigma);
  row("se_log_n", record.se_log_n);
  row("se_log_f", record.se_log_f);
  row("evaluations", static_cast<double>(record.evaluations));
  row("bootstrap_runs", static_cast<double>(record.bootstrap.size()));
  if (record.independent_replicates) {
    row("bootstrap_failed", static_cast<double>(record.bootstrap_failures.size()));
  }
  if (stochastic != nullptr) {
    // What the simulated stocks' recruitment was drawn with, and the Blim they were held to.
    row("equilibrium_recruitment_sd", stochastic->noise.sd);
    row("equilibrium_recruitment_autocorrelation", stochastic->noise.autocorrelation);
    row("equilibrium_blim", stochastic->blim);
  }
  return csv.str();
}

std::string run_csv(const RunDescription& run) {
  Csv csv{"name", "label", "value"};
  for (const RunField& f : run.fields) {
    csv.text(f.name).text(f.label).text(f.text);
    csv.end_row();
  }
  const auto extra = [&csv](std::string_view name, std::string_view label,
                            const std::string& value) {
    if (value.empty()) return;
    csv.text(name).text(label).text(value);
    csv.end_row();
  };
  extra("fbar_ages", "Ages of F-bar, the mean F of the column fbar", run.fbar_ages);
  extra("units_numbers", "Unit of the catch numbers", run.units_numbers);
  extra("units_weight", "Unit of the weights", run.units_weight);
  extra("stock_weight_file", "Stock weights at age, which SSB and the total stock are weighed with",
        run.stock_weight_file);
  for (const ReferencePointKey& key : kReferencePointKeys) {
    if (const std::optional<double>& v = run.reference.*key.value) {
      extra(key.name, key.label, reference_point_text(*v));
    }
  }
  if (run.forecast) {
    extra("forecast_mean_years", "Years of the forecast's mean weight, M, maturity and F at age",
          std::to_string(run.forecast->mean_years[0]) + "-" +
              std::to_string(run.forecast->mean_years[1]));
    extra("forecast_recruitment_years",
          "Years whose geometric mean recruitment the forecast assumes",
          std::to_string(run.forecast->recruitment_years[0]) + "-" +
              std::to_string(run.forecast->recruitment_years[1]));
  }
  if (const std::optional<StochasticEquilibrium>& e = run.stochastic_equilibrium) {
    extra("equilibrium_simulations", "Stocks simulated for the stochastic equilibrium",
          std::to_string(e->simulations));
    if (e->fishing.sd > 0) {
      extra("equilibrium_f_cv",
            "Spread of the simulated stocks' realised F around the F intended (log scale)",
            csv_number(e->fishing.sd));
      extra("equilibrium_f_autocorrelation", "Lag-one autocorrelation of that error",
            csv_number(e->fishing.autocorrelation));
    }
    if (e->btrigger) {
      extra("equilibrium_advice_rule",
            "The simulated stocks fished by the advice rule below MSY Btrigger", "yes");
    }
  }
  csv.text("version").text("Program version").text(run.version);
  csv.end_row();
  csv.text("time").text("Start of the run (UTC)").text(run.time);
  csv.end_row();
  return csv.str();
}

std::string replicates_csv(const ResultsRecord& record) {
  if (!record.independent_replicates) return "";
  // Both lists are in the order of the replicates; merged into one.
  Csv csv{"replicate", "finished", "fault"};
  std::size_t i = 0, j = 0;
  while (i < record.bootstrap.size() || j < record.bootstrap_failures.size()) {
    const bool take_run = j == record.bootstrap_failures.size() ||
                          (i < record.bootstrap.size() &&
                           record.bootstrap[i].replicate < record.bootstrap_failures[j].replicate);
    if (take_run) {
      csv.number(record.bootstrap[i++].replicate).number(1.0).text("");
    } else {
      const ReplicateFailure& f = record.bootstrap_failures[j++];
      csv.number(f.replicate).number(0.0).text(f.message);
    }
    csv.end_row();
  }
  return csv.str();
}

std::string forecast_csv(const Forecast& forecast, const std::vector<BootstrapRun>& runs) {
  Csv csv{"year", "option", "f_mult", "fbar", "catch", "ssb", "ssb_next", "ssb_change"};
  // After a bootstrap: the quantiles of each row's catch and SSB over the runs whose fit gave
  // the row, and their number.
  const bool bootstrap = std::any_of(runs.begin(), runs.end(),
                                     [](const BootstrapRun& r) { return !r.forecast.empty(); });
  if (bootstrap) {
    csv.reopen_header();
    for (std::string_view name : {"catch", "ssb_next"})
      for (const QuantileColumn& c : kQuantiles)
        csv.text(std::string(name) + std::string(c.suffix));
    csv.text("bootstrap_runs");
    csv.end_row();
  }
  for (const ForecastRow& r : forecast.rows) {
    csv.number(r.year).text(r.option).number(r.f_mult).number(r.fbar).number(r.catch_weight);
    csv.number(r.ssb).number(r.ssb_next).number(100 * (r.ssb_next / r.ssb - 1));
    if (bootstrap) {
      std::vector<double> catches, ssb_next;
      for (const BootstrapRun& run : runs) {
        for (const ForecastRow& b : run.forecast) {
          if (b.year != r.year || b.option != r.option) continue;
          catches.push_back(b.catch_weight);
          ssb_next.push_back(b.ssb_next);
        }
      }
      for (const std::vector<double>* values : {&catches, &ssb_next})
        for (const QuantileColumn& c : kQuantiles) csv.number(quantile(*values, c.p));
      csv.number(static_cast<double>(catches.size()));
    }
    csv.end_row();
  }
  return csv.str();
}

std::string forecast_input_csv(const Forecast& forecast) {
  Csv csv{"age", "n", "f", "weight", "m", "maturity", "stock_weight"};
  for (const ForecastAge& a : forecast.ages) {
    csv.number(a.age).number(a.n).number(a.f).number(a.weight).number(a.m).number(a.maturity);
    csv.number(a.stock_weight);
    csv.end_row();
  }
  return csv.str();
}

namespace {

// The bootstrap's columns of a table of points read off curves (per recruit, equilibrium): after a
// bootstrap whose runs found such points, each point's row gets the 5 %, 50 % and 95 % quantiles
// of its F-bar over the runs that have it, and their number; the curve's rows empty cells.
template <typename Row>
class PointQuantiles {
 public:
  PointQuantiles(const std::vector<BootstrapRun>& runs, std::vector<Row> BootstrapRun::*points)
      : runs_(runs), points_(points) {
    on_ = std::any_of(runs.begin(), runs.end(),
                      [points](const BootstrapRun& r) { return !(r.*points).empty(); });
  }
  void header(Csv& csv) const {
    if (!on_) return;
    csv.reopen_header();
    for (const QuantileColumn& c : kQuantiles) csv.text("fbar" + std::string(c.suffix));
    csv.text("bootstrap_runs");
    csv.end_row();
  }
  void cells(Csv& csv, const std::string& option, bool point) const {
    if (!on_) return;
    std::vector<double> fbar;
    if (point) {
      for (const BootstrapRun& run : runs_) {
        for (const Row& b : run.*points_)
          if (b.option == option) fbar.push_back(b.fbar);
      }
    }
    for (const QuantileColumn& c : kQuantiles) {
      csv.number(fbar.empty() ? std::nullopt : std::optional<double>(quantile(fbar, c.p)));
    }
    csv.number(point ? std::optional<double>(static_cast<double>(fbar.size())) : std::nullopt);
  }

 private:
  const std::vector<BootstrapRun>& runs_;
  std::vector<Row> BootstrapRun::*points_;
  bool on_ = false;
};

}  // namespace

std::string per_recruit_csv(const PerRecruit& per_recruit, const std::vector<BootstrapRun>& runs) {
  Csv csv{"option", "f_mult", "fbar", "ypr", "spr", "spr_percent"};
  const PointQuantiles<PerRecruitRow> quantiles(runs, &BootstrapRun::per_recruit);
  quantiles.header(csv);
  for (const PerRecruitRow& r : per_recruit.rows) {
    csv.text(r.option).number(r.f_mult).number(r.fbar).number(r.ypr).number(r.spr);
    csv.number(r.spr_percent);
    quantiles.cells(csv, r.option, is_reference_point(r));
    csv.end_row();
  }
  return csv.str();
}

std::string equilibrium_csv(const Equilibrium& equilibrium, const std::vector<BootstrapRun>& runs) {
  Csv csv{"option", "f_mult", "fbar", "recruitment", "ssb", "yield"};
  const PointQuantiles<EquilibriumRow> quantiles(runs, &BootstrapRun::equilibrium);
  quantiles.header(csv);
  for (const EquilibriumRow& r : equilibrium.rows) {
    csv.text(r.option).number(r.f_mult).number(r.fbar).number(r.recruitment).number(r.ssb);
    csv.number(r.yield);
    quantiles.cells(csv, r.option, is_equilibrium_point(r));
    csv.end_row();
  }
  return csv.str();
}

std::string stochastic_equilibrium_csv(const StochasticEquilibrium& e) {
  Csv csv{"option",     "f_mult",  "fbar",    "yield_q05", "yield_q50",       "yield_q95",
          "yield_mean", "ssb_q05", "ssb_q50", "ssb_q95",   "recruitment_q50", "p_below_blim"};
  for (const StochasticRow& r : e.rows) {
    csv.text(r.option).number(r.f_mult).number(r.fbar);
    csv.number(r.yield_q05).number(r.yield_q50).number(r.yield_q95).number(r.yield_mean);
    csv.number(r.ssb_q05).number(r.ssb_q50).number(r.ssb_q95);
    csv.number(r.recruitment_q50).number(r.p_below_blim);
    csv.end_row();
  }
  return csv.str();
}

void write_tables(const std::string& folder, const ResultsRecord& record,
                  const RunDescription& run) {
  const std::filesystem::path dir(folder);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir)) {
    throw InputError(folder + ": the tables folder cannot be made (" + ec.message() + ")");
  }
  write_text_file(dir / "summary.csv", summary_csv(record));
  write_text_file(dir / "stock.csv", stock_csv(record));
  write_text_file(dir / "surveys.csv", surveys_csv(record));
  write_text_file(
      dir / "estimates.csv",
      estimates_csv(record, run.sigma,
                    run.stochastic_equilibrium ? &*run.stochastic_equilibrium : nullptr));
  write_text_file(dir / "run.csv", run_csv(run));
  const auto write_or_remove = [&dir](const char* name, bool write, const std::string& text) {
    if (write) {
      write_text_file(dir / name, text);
    } else {
      std::error_code gone;
      std::filesystem::remove(dir / name, gone);
    }
  };
  write_or_remove("replicates.csv", record.independent_replicates, replicates_csv(record));
  write_or_remove("forecast.csv", run.forecast.has_value(),
                  run.forecast ? forecast_csv(*run.forecast, record.bootstrap) : "");
  write_or_remove("forecast_input.csv", run.forecast.has_value(),
                  run.forecast ? forecast_input_csv(*run.forecast) : "");
  write_or_remove("per_recruit.csv", run.per_recruit.has_value(),
                  run.per_recruit ? per_recruit_csv(*run.per_recruit, record.bootstrap) : "");
  write_or_remove("equilibrium.csv", run.equilibrium.has_value(),
                  run.equilibrium ? equilibrium_csv(*run.equilibrium, record.bootstrap) : "");
  write_or_remove(
      "stochastic_equilibrium.csv", run.stochastic_equilibrium.has_value(),
      run.stochastic_equilibrium ? stochastic_equilibrium_csv(*run.stochastic_equilibrium) : "");
}

}  // namespace quorvane
