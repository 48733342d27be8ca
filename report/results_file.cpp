#include "report/results_file.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "base/print.h"
#include "data/survey_data.h"
#include "model/selectivity_tails.h"
#include "objective/aged_index_loss.h"
#include "report/results_record.h"

namespace quorvane {

namespace {

constexpr const char* kProcedure = "RESPRINT";

// Spacer and rule lines between the sections.
const std::string kDashes24(24, '-');
const std::string kDashes50(50, '-');
const std::string kDashes56(56, '-');
const std::string kDashes61(61, '-');

void blank_line(PrintFile& out, int width) { out.text(std::string(width, ' ')).end_line(); }
void line(PrintFile& out, std::string_view text) { out.text(text).end_line(); }

// ln|x| of a cell, a fault when x is 0.
double log_abs(double x, const RunState& s, int a, int y) {
  return checked_log(std::fabs(x), kProcedure, age_of(s, a), year_of(s, y));
}

// ---------------------------------------------------------------------------------------------
// The standard table: "Year\age" and the age labels (on the following line, since the zone
// leaves the column past 11), then one line per year with one value per age. Columns start at 11
// and step by 15. `cell(a, y)` gives the unrounded value; cells are computed in writing order,
// years outer and ages inner.
constexpr int kTableFirstColumn = 11;
constexpr int kTableColumnStep = 15;

void table_header(PrintFile& out, const RunState& s, int a_first, int a_last) {
  out.text("Year\\age").zone();
  int col = kTableFirstColumn;
  for (int a = a_first; a <= a_last; ++a, col += kTableColumnStep)
    out.tab(col).real(s.age_label(a));
}

template <typename Cell>
void standard_table(PrintFile& out, const RunState& s, int y_first, int y_last, int a_first,
                    int a_last, std::string_view pattern, Cell&& cell) {
  table_header(out, s, a_first, a_last);
  out.end_line();
  for (int y = y_first; y <= y_last; ++y) {
    out.real(s.year_label(y));
    int col = kTableFirstColumn;
    for (int a = a_first; a <= a_last; ++a, col += kTableColumnStep) {
      const double v = checked_finite(cell(a, y), kProcedure, age_of(s, a), year_of(s, y));
      out.tab(col).real(rounded(v, pattern));
    }
    out.end_line();
  }
}

// ---------------------------------------------------------------------------------------------
// Section 1: heading and the options of the run. An option outside its list writes no line.
void write_options(PrintFile& out, const RunState& s) {
  line(out, "FILE OF RESULTS");
  if (s.zz == 1) line(out, "Process was terminated by user !!!");
  if (holds(s.scansearch, Search::Scan))
    line(out, "Solution in ROUGH minimum (from scan mode) !!!");
  line(out, "OPTIONS TAKEN IN THIS RUN:");
  switch (static_cast<MOption>(s.n1)) {
    case MOption::Constant:
      line(out, "M(age) was looked for as const.;");
      break;
    case MOption::ByAge:
      line(out, "M(age) was looked for as function of age; ");
      break;
    case MOption::Known:
      line(out, "M(age) was considered as known;");
      break;
    default:
      break;
  }
  switch (static_cast<Method>(s.n21)) {
    case Method::Nonlog:
      line(out, "f(y) and s(a) were found by nonlog procedure;");
      break;
    case Method::Log:
      line(out, "f(y) and s(a) were found by log (GM) procedure;");
      break;
    case Method::NonlogWeighted:
      line(out, "f(y) and s(a) were found by nonlog weighted (AM) procedure;");
      break;
    case Method::Direct:
      line(out, "f(y) and s(a) were found by procedure of direct search;");
      break;
    default:
      break;
  }
  switch (static_cast<Loss>(s.n22)) {
    case Loss::MDN:
      line(out, "minimisation of median of (LnC-LnCest)^2");
      break;
    case Loss::SSE:
      line(out, "minimization of SSE in log catches");
      break;
    case Loss::AMD:
      line(out, "minimisation of AMD=median{abs[resid(a,y)-median(resid(a,y)]}");
      break;
    default:
      break;
  }
  switch (static_cast<LastAgeKind>(s.n3)) {
    case LastAgeKind::PlusGroup:
      line(out, "terminal age group - +-group.");
      break;
    case LastAgeKind::Normal:
      line(out, "terminal age group - normal.");
      break;
    default:
      break;
  }
  switch (static_cast<Mode>(s.n5)) {
    case Mode::Catch:
      line(out, "N(a,y) were calculated by catch-controlled routine.");
      break;
    case Mode::Effort:
      line(out, "N(a,y) were calculated by effort-controlled routine.");
      break;
    case Mode::Mixed:
      line(out, "N(a,y) were calculated by mixed routine.");
      break;
    case Mode::MixedByPoints:
      line(out, "N(a,y) were calculated by mixed (weighted by points) routine.");
      break;
    default:
      break;
  }
  if (holds(s.n5, Mode::Mixed)) {
    out.text("portion of catch - controlled = ").tab(45).real(rounded(s.mix, "#.###")).end_line();
  }
  // The label is longer than 10 columns: the value goes to column 10 of the next line.
  out.text("Part of the year (from start) when catch is taken:")
      .tab(10)
      .real(rounded(s.part, "#.###"))
      .end_line();
}

// Section 2: loss values, the measure and weight of every loss component.
constexpr int kCodesColumns[] = {7, 13, 19, 25, 31, 37, 43, 49, 55, 61};

void write_losses(PrintFile& out, const RunState& s) {
  switch (static_cast<Loss>(s.n22)) {
    case Loss::MDN:
      out.text("MDN*100=");
      break;
    case Loss::SSE:
      out.text("SSE=");
      break;
    case Loss::AMD:
      out.text("AMD*100=");
      break;
    default:
      break;
  }
  out.tab(20).real(rounded(s.SSEL, "###0.#######")).end_line();
  out.text("min of loss function:").tab(35).real(rounded(s.SSEALL, "###0.#######")).end_line();
  out.text("Last year of first s(a):")
      .tab(30)
      .real(rounded(s.yearmid + s.firstyear - 1, "####"))
      .end_line();
  line(out, "What was minimized (1-MDN;2-SSE;3-AMD) and weights in lossfunction:");
  line(out, "C(a,y) SSB1  SSB2  SSB3  Aged1 Aged2 Aged3 Aged4 Aged5 Aged6 Aged7");

  // Codes: the SSB surveys are always measured by their sum of squares. A fleet whose setting
  // no run has stored yet writes nothing in its column.
  out.integer(s.n22);
  for (int k = 1; k <= 3; ++k) out.tab(kCodesColumns[k - 1]).text(" 2");
  for (int k = 1; k <= 7; ++k) {
    out.tab(kCodesColumns[k + 2]);
    if (s.indmin[k]) out.integer(*s.indmin[k]);
  }
  out.end_line();

  // Weights, unrounded.
  out.real(s.weca);
  for (int k = 1; k <= 3; ++k) out.tab(kCodesColumns[k - 1]).real(s.wssb[k]);
  for (int k = 1; k <= 7; ++k) out.tab(kCodesColumns[k + 2]).real(s.wind[k]);
  out.end_line();
  blank_line(out, 20);
}

// Section 3: SSB survey coefficients kssb(k), unrounded.
void write_ssb_coefficients(PrintFile& out, const RunState& s) {
  line(out, "Coefficients of proportionality between SSB surveys and estimates (ind*k=SSBest):");
  line(out, "SSB1               SSB2                SSB3");
  out.real(s.kssb[1]).tab(20).real(s.kssb[2]).tab(40).real(s.kssb[3]).end_line();
  blank_line(out, 21);
}

// Section 4: M, s1, s2 and 1/q of every fleet, by age.
constexpr int kQFirstColumn = 51;
constexpr int kQColumnStep = 12;

void write_estimates_by_age(PrintFile& out, const RunState& s) {
  line(out, " ALL ESTIMATES - FOR BEGINNING OF THE YEAR");
  blank_line(out, 7);
  line(out, "Age     M(a,yarmax)          s1(a)        s2(a)      q(a) for aged indexes by fleets");
  const bool two_periods = s.yearmid < s.yearmax;
  for (int a = s.agemin; a <= s.agemax; ++a) {
    out.real(rounded(s.age_label(a), "##0."));
    out.tab(7).real(rounded(s.M(a, s.yearmax), "#.######"));
    out.tab(21).real(rounded(s.s1[a], "#.#######"));
    if (two_periods) out.tab(36).real(rounded(s.s2[a], "#.#######"));
    if (s.totalind < 1) {
      // No fleet: a single 0 stands where the first fleet's column would be.
      out.tab(kQFirstColumn).real(0.0);
    } else {
      for (int k = 1; k <= s.totalind; ++k) {
        const double q = s.q[a][k];
        const double inverse_q = q > 0 ? checked_div(1.0, q, kProcedure, age_of(s, a)) : 0.0;
        out.tab(kQFirstColumn + kQColumnStep * (k - 1)).real(rounded(inverse_q, "0.#####"));
      }
    }
    out.end_line();
  }
}

// Sections 5 and 6: the age factors by year and the generation factors.
void write_selectivity(PrintFile& out, const RunState& s) {
  line(out, kDashes56);
  line(out, "Estimates of s(a,y)");
  standard_table(out, s, s.yearmin, s.yearmax, s.agemin, s.agemax, "#0.#####",
                 [&](int a, int y) { return s.s(a, y); });
  line(out, kDashes61);
  blank_line(out, 24);
}

void write_generation_factors(PrintFile& out, const RunState& s) {
  line(out, "Estimates of generation-dependent factors gfactor(a,y)");
  standard_table(out, s, s.yearmin, s.yearmax, s.agemin, s.agemax, "#0.#####",
                 [&](int a, int y) { return s.gfactor(a, y); });
  line(out, kDashes61);
  blank_line(out, 24);
  blank_line(out, 48);
}

// Section 7: the stock by year. Per age:
//   TN += N;  TW += N W;  SSB += N W mat;  SSBsp += N exp(-parysp (M - ln|1 - f s|)) W mat;
// with W the stock weights (the catch weights unless the run has stock weights of its own);
// per survey r(k) = ln SSBsp - ln ssbind - ln kssb. The twelve values are written in column
// order, survey value and residual side by side. The record keeps every cell of the loop.
void write_stock_summary(PrintFile& out, RunState& s, Host& host, ResultsRecord& record) {
  line(out,
       "Year    f(year) Tot.Stock_(in_N)  Tot.Stock_(in_W)     SSB     SSB_at_sp.time    "
       "SSB(surv.1)  LnSSB-LnSurv.1    SSB(surv.2)  LnSSB-LnSurv.2    SSB(surv.3)  LnSSB-LnSurv.3");
  constexpr int kSurveyColumn[] = {0, 83, 113, 143};
  constexpr int kResidualColumn[] = {0, 98, 128, 158};
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    double TN = 0, TW = 0, SSB = 0, SSBsp = 0;
    for (int a = s.agemin; a <= s.agemax; ++a) {
      const double mat = maturity(s, host, a, y);
      const double n = s.N(a, y);
      const double w = s.SW(a, y);  // the stock's weight; the catch's is W
      TN += n;
      TW += n * w;
      SSB += n * w * mat;
      const double log_survival = log_abs(1 - s.f[y] * s.s(a, y), s, a, y);
      const double z = s.M(a, y) - log_survival;
      SSBsp += n * std::exp(-s.parysp * z) * w * mat;
      record_cell(record, s, a, y, mat, log_survival);
    }
    checked_finite(SSBsp, kProcedure, -1, year_of(s, y));
    record_year(record, s, y, TN, TW, SSB, SSBsp);
    // A survey value near the largest double has no rounded form; the year says where.
    const auto written = [&](double v, std::string_view pattern) {
      return checked_finite(rounded(v, pattern), kProcedure, -1, year_of(s, y));
    };
    out.real(s.year_label(y));
    out.tab(8).real(written(s.f[y], "#0.#####"));
    out.tab(23).real(written(TN, "#########0.##"));
    out.tab(38).real(written(TW, "########0.##"));
    out.tab(53).real(written(SSB, "########0.##"));
    out.tab(68).real(written(SSBsp, "########0.##"));
    for (int k = 1; k <= 3; ++k) {
      const double survey = s.ssbind[k][y];
      // A year without observation (0 or a negative mark) has no residual; so has a year whose
      // residual cannot be formed (no spawning stock at survey time, no coefficient).
      double r = 0;
      if (survey > 0 && SSBsp > 0 && s.kssb[k] > 0) {
        r = std::log(SSBsp) - std::log(survey) - std::log(s.kssb[k]);
      }
      out.tab(kSurveyColumn[k]).real(written(survey, "########0.##"));
      out.tab(kResidualColumn[k]).real(written(r, "#0.####"));
      record_ssb_survey(record, s, k, y, SSBsp, r);
    }
    out.end_line();
  }
  line(out, kDashes50);
  blank_line(out, 50);
}

// Section 8 (Mode 4): the weight that the mixed routine gives the catch-controlled solution in
// every cell. With n' = N(a+1,y+1), c = C(a,y), PHY = f s, em = e^M, ep = e^(M part):
//   Nc = n' em + c ep,  Ne = n' em / (1 - PHY),
//   rekv1 = (c - PHY Nc / ep)^2,  rekv2 = (c - PHY Ne / ep)^2,  w = rekv2 / (rekv1 + rekv2).
// No catch gives 1, an empty cohort 77; any other cell repeats the weight written before it.
constexpr double kPointEquationMark = 77;

void write_catch_controlled_weights(PrintFile& out, RunState& s) {
  blank_line(out, 25);
  line(out, "weight of catch-controlled version");
  // One age less than the cohort recursion computes; the standard errors use it as well.
  s.agemaxa = static_cast<std::int16_t>(oldest_recursion_age(s) - 1);
  double w = 0;  // carried from cell to cell, across rows too
  standard_table(out, s, s.yearmin, s.yearmax - 1, s.agemin, s.agemaxa + 1, "#0.#####",
                 [&](int a, int y) {
                   const double next = s.N(a + 1, y + 1);
                   const double c = s.C(a, y);
                   if (next > 0 && c == 0) w = 1;
                   if (next > 0 && c > 0) {
                     const double phy = s.f[y] * s.s(a, y);
                     const double em = std::exp(s.M(a, y));
                     const double ep = std::exp(s.M(a, y) * s.part);
                     const double Nc = next * em + c * ep;
                     const double Ne =
                         checked_div(next * em, 1 - phy, kProcedure, age_of(s, a), year_of(s, y));
                     const double d1 = c - phy * Nc / ep;
                     const double d2 = c - phy * Ne / ep;
                     s.rekv1 = d1 * d1;
                     s.rekv2 = d2 * d2;
                     const double both = s.rekv1 + s.rekv2;
                     // Both solutions fit the catch exactly: no weight.
                     w = both == 0 ? 0.0 : s.rekv2 / both;
                   }
                   if (s.N(a, y) == 0) w = kPointEquationMark;
                   return w;
                 });
  line(out, kDashes24);
  line(out, "77 means that stock is calculated by point-equation, which is the same for both");
}

// Section 9: stock numbers.
void write_abundance(PrintFile& out, const RunState& s) {
  blank_line(out, 25);
  line(out, "Abundance in numbers by ages and years");
  standard_table(out, s, s.yearmin, s.yearmax, s.agemin, s.agemax, "########0.##",
                 [&](int a, int y) { return s.N(a, y); });
  line(out, kDashes61);
  blank_line(out, 25);
}

// ---------------------------------------------------------------------------------------------
// Section 10: residual blocks. Block 1 the catch residuals as the fit left them, 2 and 3 the
// exploitation rate against f s, then one per aged fleet.

// C / (N e^(-M part)), the exploitation rate that the catch implies for the fitted stock.
double catch_rate(const RunState& s, int a, int y) {
  return checked_div(s.C(a, y), s.N(a, y) * std::exp(-s.M(a, y) * s.part), kProcedure, age_of(s, a),
                     year_of(s, y));
}

// Residual of fleet k in cell (a, y): the stock part the fleet measures, brought to the survey
// time, against the index and the fleet's catchability:
//   ln(part N sv / sumabund) - ln I - ln q(a,k),  sv = exp(-indtime (M - ln|1 - PHY|)).
// Where the residual exists, `fitted` receives the index the fit expects, part N sv / sumabund / q.
double fleet_residual(RunState& s, Host& host, int k, int a, int y, std::optional<double>& fitted) {
  const double mat = maturity(s, host, a, y);
  if (s.indcomp[k] < 3) s.sumabund[y][k] = 1;
  const double sv = std::exp(-s.indtime[k] * (s.M(a, y) - log_abs(1 - s.PHY(a, y), s, a, y)));
  const double I = s.ind(a, y);
  const double n = s.N(a, y);
  if (!(n > 0 && I > 0)) return 0;
  double measured;
  switch (s.indtype[k]) {
    case 1:
      measured = n * sv;
      break;
    case 2:
      if (!(mat > 0)) return 0;
      measured = mat * n * sv;
      break;
    case 3:
      if (!(1 - mat > 0)) return 0;
      measured = (1 - mat) * n * sv;
      break;
    default:
      return 0;
  }
  const int age = age_of(s, a), year = year_of(s, y);
  const double scaled = checked_div(measured, s.sumabund[y][k], kProcedure, age, year);
  const double residual = checked_log(scaled, kProcedure, age, year) -
                          checked_log(I, kProcedure, age, year) -
                          checked_log(s.q[a][k], kProcedure, age, year);
  if (const double expected = scaled / s.q[a][k]; std::isfinite(expected)) fitted = expected;
  return residual;
}

double block_residual(RunState& s, Host& host, int block, int a, int y,
                      std::optional<double>& fitted) {
  switch (block) {
    case 1:
      return s.resid(a, y);
    case 2:
      return s.C(a, y) > 0 ? catch_rate(s, a, y) - s.f[y] * s.s(a, y) : 0.0;
    case 3:
      return s.C(a, y) > 0 ? checked_div(catch_rate(s, a, y), s.s(a, y), kProcedure, age_of(s, a),
                                         year_of(s, y)) -
                                 s.f[y]
                           : 0.0;
    default:
      return fleet_residual(s, host, block - 3, a, y, fitted);
  }
}

void write_residual_block(PrintFile& out, RunState& s, Host& host, int block,
                          ResultsRecord& record) {
  if (block == 1) {
    line(out, holds(s.n5, Mode::Catch) ? "Residuals in Ln(PHY): LnPHY - Ln(sf)"
                                       : "Residuals in LnC by ages and years");
  } else if (block == 2) {
    line(out, "Residuals in PHY (PHY-f*s) by ages and years");
  } else if (block == 3) {
    line(out, "Residuals in PHY/s  [(PHY-f*s)/s] by ages and years");
  } else {
    s.curind = static_cast<std::int16_t>(block - 3);
    out.text("Index ")
        .integer(s.curind)
        .text("Residuals for aged index: LnN(a,y)cohort-LnN(a,y)index+Lnq(a)")
        .end_line();
    s.maturread = 0;
    agedindread(s, host);
    if (s.indcomp[s.curind] > 1) inddetrend(s);  // the fleet compares proportions at age
  }

  constexpr std::string_view kPattern = "#0.#####";
  table_header(out, s, s.agemin, s.agemax);
  out.tab(kTableFirstColumn + kTableColumnStep * s.nages()).text("AgeSUM").end_line();

  double total = 0;  // in writing order: years outer, ages inner
  for (int y = s.yearmin; y <= s.yearmax; ++y) {
    out.real(s.year_label(y));
    double row_sum = 0;
    int col = kTableFirstColumn;
    for (int a = s.agemin; a <= s.agemax; ++a, col += kTableColumnStep) {
      std::optional<double> fitted;
      const double r = block_residual(s, host, block, a, y, fitted);
      checked_finite(r, kProcedure, age_of(s, a), year_of(s, y));
      s.resid(a, y) = r;
      if (block >= 4) record_fleet_cell(record, s, block - 3, a, y, r, fitted);
      out.tab(col).real(rounded(r, kPattern));
      row_sum += r;
      total += r;
    }
    out.tab(col).real(rounded(row_sum, kPattern)).end_line();
  }

  out.text("YearSum").zone();
  int col = kTableFirstColumn;
  for (int a = s.agemin; a <= s.agemax; ++a, col += kTableColumnStep) {
    double age_sum = 0;
    for (int y = s.yearmin; y <= s.yearmax; ++y) age_sum += s.resid(a, y);
    out.tab(col).real(rounded(age_sum, kPattern));
  }
  out.tab(col).real(rounded(total, kPattern)).end_line();
  line(out, kDashes61);
  blank_line(out, 24);
}

void write_residual_blocks(PrintFile& out, RunState& s, Host& host, ResultsRecord& record) {
  const int blocks = 3 + (holds(s.indaged, YesNo::Yes) ? s.totalind : 0);
  for (int b = 1; b <= blocks; ++b) write_residual_block(out, s, host, b, record);
}

// Sections 11 and 12: F = -ln|1 - x| with x = f s (the model) or PHY (the catch), where there
// was a catch.
void write_recalculated_f(PrintFile& out, const RunState& s, bool from_catch) {
  line(out,
       from_catch ? "Recalculated F as F=-ln(1-PHY(a,y))" : "Recalculated F as F=-ln(1-f(y)s(a,y)");
  standard_table(out, s, s.yearmin, s.yearmax, s.agemin, s.agemax, "#0.#####", [&](int a, int y) {
    if (!(s.C(a, y) > 0)) return 0.0;
    const double x = from_catch ? s.PHY(a, y) : s.f[y] * s.s(a, y);
    return -log_abs(1 - x, s, a, y);
  });
  line(out, kDashes61);
  blank_line(out, 24);
}

// -ln|1 - x| when it can be the argument of a logarithm, otherwise 0.
double f_equivalent(double x) {
  const double survival = std::fabs(1 - x);
  return survival > 0 ? -std::log(survival) : 0.0;
}

void write_standard_errors(PrintFile& out, RunState& s, ResultsRecord& record) {
  line(out, " Standard errors");
  line(out, "Overall:");
  out.text("LnN(a,y)").tab(23).text("LnF(a,y) ").end_line();

  // The number of ages of the block less one times its number of years, as a 16-bit product.
  const int divisor = static_cast<std::int16_t>((s.agemaxa - s.agemin) * (s.yearmax - s.yearmin));
  double SE1 = 0, SE2 = 0;
  // A block without a second age (or without a year) has no spread; sigma keeps its value.
  if (divisor > 0) {
    for (int y = s.yearmin; y <= s.yearmax - 1; ++y)
      for (int a = s.agemin; a <= s.agemaxa; ++a) {
        s.resid(a, y) = 0;
        if (s.C(a, y) > 0) {
          const int age = age_of(s, a), year = year_of(s, y);
          const double expected = s.s(a, y) * s.f[y] * s.N(a, y) * std::exp(-s.M(a, y) * s.part);
          s.resid(a, y) = checked_log(s.C(a, y), kProcedure, age, year) -
                          checked_log(expected, kProcedure, age, year);
        }
      }
    SE1 = checked_finite(block_spread(s, divisor), kProcedure);
    s.sigma = SE1;

    for (int y = s.yearmin; y <= s.yearmax - 1; ++y)
      for (int a = s.agemin; a <= s.agemaxa; ++a) {
        const double from_catch = f_equivalent(s.PHY(a, y));
        const double from_model = f_equivalent(s.f[y] * s.s(a, y));
        // A cell whose logarithms cannot be taken counts as 0.
        s.resid(a, y) =
            from_catch > 0 && from_model > 0 ? std::log(from_catch) - std::log(from_model) : 0.0;
      }
    SE2 = checked_finite(block_spread(s, divisor), kProcedure);
  }
  out.real(rounded(SE1, "#.###")).tab(23).real(rounded(SE2, "#.###")).end_line();
  if (divisor > 0) {
    record_estimates(record, s, SE1, SE2);
  } else {
    record_estimates(record, s, std::nullopt, std::nullopt);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Section 13: two overall standard errors over the block y = yearmin..yearmax-1,
// a = agemin..agemaxa, with D = (agemaxa - agemin)(yearmax - yearmin):
//   SE1 from the catch residuals  ln C - ln(s f N e^(-M part))  (0 where there is no catch),
//   SE2 from  ln(-ln|1 - PHY|) - ln(-ln|1 - f s|);
//   SE = sqrt(sum (r - mean)^2 / D),  mean = sum r / D.
// The residuals are left in resid. Both sums run years outer, ages inner, the order in which
// the block's residuals are computed; the other order changes the last bit of sigma, and the
// bootstrap's catch draws with it.
double block_spread(const RunState& s, int divisor) {
  double sum = 0;
  for (int y = s.yearmin; y <= s.yearmax - 1; ++y)
    for (int a = s.agemin; a <= s.agemaxa; ++a) sum += s.resid(a, y);
  const double mean = sum / divisor;
  double squares = 0;
  for (int y = s.yearmin; y <= s.yearmax - 1; ++y)
    for (int a = s.agemin; a <= s.agemaxa; ++a) {
      const double d = s.resid(a, y) - mean;
      squares += d * d;
    }
  return std::sqrt(squares / divisor);
}

void write_results_file(RunState& s, Host& host) {
  PrintFile& out = s.files.results;
  ResultsRecord& record = start_results_record(s);
  write_options(out, s);                                            // section 1
  write_losses(out, s);                                             // section 2
  if (holds(s.indssb, YesNo::Yes)) write_ssb_coefficients(out, s);  // section 3
  write_estimates_by_age(out, s);                                   // section 4
  write_selectivity(out, s);                                        // section 5
  write_generation_factors(out, s);                                 // section 6
  write_stock_summary(out, s, host, record);                        // section 7
  if (holds(s.n5, Mode::MixedByPoints)) {
    write_catch_controlled_weights(out, s);  // section 8
  }
  write_abundance(out, s);                             // section 9
  write_residual_blocks(out, s, host, record);         // section 10
  write_recalculated_f(out, s, /*from_catch=*/false);  // section 11
  write_recalculated_f(out, s, /*from_catch=*/true);   // section 12
  write_standard_errors(out, s, record);               // section 13
  out.close();
  record.complete = true;
}

}  // namespace quorvane
