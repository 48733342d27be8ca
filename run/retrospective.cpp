#include "run/retrospective.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/errors.h"
#include "base/print.h"
#include "data/age_year_file.h"
#include "report/tables.h"

namespace quorvane {

FieldTexts peel_fields(const FieldTexts& texts, int k) {
  FieldTexts peel = texts;
  const std::string& last_text = texts[FieldId::LastYear];
  const std::optional<double> last = parse_number(last_text);
  if (!last) throw SettingsError(field_problem(FieldId::LastYear, last_text, "is not a number"));
  const double lowered = *last - k;
  peel[FieldId::LastYear] = label_text(lowered);
  const std::optional<double> first_period_end = parse_number(texts[FieldId::FirstPeriodEnd]);
  if (first_period_end && *first_period_end > lowered) {
    peel[FieldId::FirstPeriodEnd] = peel[FieldId::LastYear];
  }
  return fields_seen_from_variant(std::move(peel));
}

std::string peel_folder(const std::string& workdir, int k) {
  return resolve_path(workdir, "retro/peel" + std::to_string(k));
}

std::vector<PeelResult> run_peels(const std::string& workdir, const FieldTexts& texts, int peels,
                                  unsigned threads, const PeelHostFactory& make_host,
                                  const RunOptions& options, const RunKeys& keys) {
  std::vector<VariantRun> runs = run_variants(
      peels, [&](int k) { return peel_folder(workdir, k); },
      [&](int k) { return peel_fields(texts, k); }, threads, make_host, options, keys);
  std::vector<PeelResult> results;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    PeelResult p;
    static_cast<VariantRun&>(p) = std::move(runs[i]);
    p.peel = static_cast<int>(i) + 1;
    results.push_back(std::move(p));
  }
  return results;
}

std::optional<double> mohns_rho(std::span<const RhoTerm> terms) {
  double sum = 0;
  int n = 0;
  for (const RhoTerm& t : terms) {
    if (t.full == 0) continue;
    sum += (t.peel - t.full) / t.full;
    ++n;
  }
  if (n == 0) return std::nullopt;
  return sum / n;
}

std::vector<RetroRho> retro_rho(const std::vector<SummaryYear>& full,
                                const std::vector<PeelResult>& peels) {
  struct Quantity {
    const char* name;
    double SummaryYear::*value;
  };
  constexpr Quantity kQuantities[] = {{"ssb", &SummaryYear::ssb},
                                      {"mean_f", &SummaryYear::mean_f},
                                      {"recruitment", &SummaryYear::recruitment},
                                      {"fbar", &SummaryYear::fbar}};
  std::vector<RetroRho> rho;
  for (const Quantity& q : kQuantities) {
    std::vector<RhoTerm> terms;
    for (const PeelResult& p : peels) {
      if (!p.ran()) continue;
      const SummaryYear& last = p.years.back();
      const auto same_year = std::find_if(
          full.begin(), full.end(), [&](const SummaryYear& y) { return y.year == last.year; });
      if (same_year != full.end()) terms.push_back({last.*q.value, (*same_year).*q.value});
    }
    const auto used =
        std::count_if(terms.begin(), terms.end(), [](const RhoTerm& t) { return t.full != 0; });
    rho.push_back({q.name, mohns_rho(terms), static_cast<int>(used)});
  }
  return rho;
}

std::string mohns_rho_line(const std::vector<RetroRho>& rho, int ran, int peels,
                           const std::optional<std::array<int, 2>>& fbar_ages) {
  const auto value = [&rho](std::size_t i) -> std::string {
    if (i >= rho.size() || !rho[i].rho) return "none";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", *rho[i].rho);
    return buf;
  };
  std::string line =
      "Mohn's rho: SSB " + value(0) + ", mean F " + value(1) + ", recruitment " + value(2);
  if (fbar_ages) {
    line += ", F-bar " + std::to_string((*fbar_ages)[0]) + "-" + std::to_string((*fbar_ages)[1]) +
            " " + value(3);
  }
  return line + " (from " + std::to_string(ran) + " of " + std::to_string(peels) + " peels)";
}

void write_retro_tables(const std::string& folder, const std::vector<SummaryYear>& full,
                        const std::vector<PeelResult>& peels, const std::vector<RetroRho>& rho) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw InputError(folder + ": the folder cannot be made (" + ec.message() + ")");

  std::string retro = "peel,year,ssb,f,mean_f,recruitment,fbar\n";
  const auto add_rows = [&retro](int peel, const std::vector<SummaryYear>& years) {
    for (const SummaryYear& y : years) {
      retro += std::to_string(peel) + "," + csv_number(y.year) + "," + csv_number(y.ssb) + "," +
               csv_number(y.f) + "," + csv_number(y.mean_f) + "," + csv_number(y.recruitment) +
               "," + csv_number(y.fbar) + "\n";
    }
  };
  add_rows(0, full);
  for (const PeelResult& p : peels)
    if (p.ran()) add_rows(p.peel, p.years);
  write_text_file(std::filesystem::path(folder) / "retro.csv", retro);

  std::string rho_text = "quantity,rho,peels\n";
  for (const RetroRho& r : rho) {
    rho_text +=
        r.quantity + "," + (r.rho ? csv_number(*r.rho) : "") + "," + std::to_string(r.peels) + "\n";
  }
  write_text_file(std::filesystem::path(folder) / "retro_rho.csv", rho_text);
}

RetroResult run_retrospective(const std::string& workdir, const FieldTexts& texts, int peels,
                              unsigned threads, const ResultsRecord& full,
                              const PeelHostFactory& make_host, const CancelTest& cancelled,
                              const RunOptions& options, const RunKeys& keys) {
  RetroResult result;
  result.peels = run_peels(workdir, texts, peels, threads, make_host, options, keys);
  if (cancelled && cancelled()) {
    result.cancelled = true;
    return result;
  }
  result.rho = retro_rho(full.years, result.peels);
  for (const PeelResult& p : result.peels) {
    if (!p.ran() || !p.record) continue;
    const std::vector<HindcastPoint> points = hindcast_points(full, *p.record, p.peel);
    result.hindcast.insert(result.hindcast.end(), points.begin(), points.end());
  }
  result.hindcast_scores = hindcast_scores(result.hindcast);
  result.folder = resolve_path(workdir, "retro");
  try {
    write_retro_tables(result.folder, full.years, result.peels, result.rho);
    if (!full.surveys.empty())
      write_hindcast_tables(result.folder, result.hindcast, result.hindcast_scores, full);
  } catch (const InputError& e) {
    result.problem = e.what();
  }
  return result;
}

}  // namespace quorvane
