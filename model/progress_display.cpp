#include "model/progress_display.h"

#include <string>

#include "base/print.h"

namespace quorvane {

namespace {

// Blanks drawn over a value before the new one, so that a shorter value leaves nothing behind.
constexpr std::string_view kErase13 = "             ";
constexpr std::string_view kErase15 = "               ";
constexpr std::string_view kErase16 = "                ";

// The lists hold at most this many rows; longer blocks show their start (ages) or end (years).
constexpr int kMaxAgeRows = 20;
constexpr int kMaxYearRows = 25;

// Rows of both lists start below the heading: row r is drawn at 200 r + 400 twips.
constexpr int kRowHeight = 200;
constexpr int kRowOffset = 400;

void draw_integer(Host& host, int x, int y, std::int64_t value) {
  host.set_position(x, y);
  host.print(format_integer(value));
}

constexpr int kTotalLossX = 6000;

// A loss that is still unset (negative) is not shown; zero is shown as 0, a positive loss with
// the pattern's decimals. The place is not erased first.
void draw_loss(Host& host, int x, int y, double loss, std::string_view pattern) {
  if (loss > 0) {
    draw_real(host, x, y, rounded(loss, pattern));
  } else if (loss == 0) {
    draw_real(host, x, y, 0.0);
  }
}

std::string_view loss_measure_name(std::int16_t n22) {
  switch (static_cast<Loss>(n22)) {
    case Loss::MDN:
      return "MDN=";
    case Loss::SSE:
      return "SSE=";
    case Loss::AMD:
      return "AMD=";
    default:
      return {};
  }
}

}  // namespace

void draw_total_loss(Host& host, double loss) {
  draw_loss(host, kTotalLossX, kLossRow, loss, "#####.####");
}

void draw_catch_loss(Host& host, double loss) {
  draw_loss(host, kCatchLossX, kLossRow, loss, "####.#####");
}

void kartinka(RunState& s, Host& host) {
  if (!host.draws()) return;

  // Top line: losses of the evaluation.
  draw_text(host, 2, 1, "WAIT.....");
  const std::string_view measure = loss_measure_name(s.n22);
  if (!measure.empty()) draw_text(host, 7300, 1, measure);
  draw_text(host, kTotalLossLabelX, kLossRow, "LF=");
  draw_total_loss(host, s.SSEALL);
  draw_text(host, 8000, 1, kErase16);
  // The direct search keeps its own copy of the catch loss.
  const double catch_loss = holds(s.n21, Method::Direct) ? s.SSEL1 : s.SSET;
  draw_real(host, 8000, 1, rounded(catch_loss, "####.######"));
  draw_text(host, kCatchLossX, kLossRow, kErase16);
  draw_catch_loss(host, s.SSEL);

  // Age list: s1(a), s2(a), M(a, last year).
  draw_text(host, 1, 200,
            "Age          s1(a)            s2(a)               M(a,yearmax)                        "
            "                      Year        f(year)");
  int last_age = s.agemax;
  if (s.agemax - s.agemin + 1 > kMaxAgeRows) {
    last_age = s.agemin + kMaxAgeRows - 1;
    draw_text(host, 200, 2400, "(first 20)");
  }
  const bool two_periods = s.yearmid < s.yearmax;
  int row = 1;
  for (int a = s.agemin; a <= last_age; ++a, ++row) {
    const int y = kRowHeight * row + kRowOffset;
    draw_real(host, 1, y, s.age_label(a));
    draw_text(host, 500, y, kErase13);
    draw_real(host, 500, y, rounded(s.s1[a], "#.#######"));
    draw_text(host, 1500, y, kErase13);
    if (two_periods) draw_real(host, 1500, y, rounded(s.s2[a], "#.#######"));
    draw_text(host, 2500, y, kErase13);
    draw_real(host, 2500, y, rounded(s.M(a, s.yearmax), "#.#######"));
  }

  // Year list: f(y), the latest year first.
  int first_year = s.yearmin;
  if (s.yearmax - s.yearmin + 1 > kMaxYearRows) {
    first_year = s.yearmax - kMaxYearRows + 1;
    draw_text(host, 5000, 6000, "(last 25)");
  }
  row = 1;
  for (int yi = s.yearmax; yi >= first_year; --yi, ++row) {
    const int y = kRowHeight * row + kRowOffset;
    draw_real(host, 5000, y, s.year_label(yi));
    draw_text(host, 6000, y, kErase13);
    draw_real(host, 6000, y, rounded(s.f[yi], "##.#######"));
  }

  // Bottom line: the driver's search tag and the bootstrap run.
  draw_text(host, 2, 6400, kErase15);
  draw_real(host, 2, 6400, s.METKA);
  draw_text(host, 4000, 6400, "boot N:");
  draw_integer(host, 5000, 6400, s.bootn);
}

}  // namespace quorvane
