#include "data/survey_data.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "data/age_year_file.h"
#include "report/print.h"
#include "report/progress_display.h"
#include "state/errors.h"

namespace quorvane {

namespace {

// Where the reader tells the user that a file is being read, and the blanks that erase it.
constexpr int kWorkingX = 8000;
constexpr int kWorkingY = 6400;
constexpr std::string_view kWorking = "working...";
constexpr std::string_view kWorkingErase = "              ";  // 14 blanks

// An SSB survey file starts with four lines of free text.
constexpr int kSurveyHeaderLines = 4;

// Values of the temporary fleet files: two decimals, -1 where the fleet has no observation.
constexpr std::string_view kTempValuePattern = "########0.##";
constexpr double kNoObservation = -1.0;
// Lines 2 to 4 of a temporary fleet file, which the reader skips.
constexpr int kTempFillerLines = 3;
constexpr std::int64_t kTempFiller = 99;

// The logistic deviate's scale: 0.603 sd gives a perturbation with standard deviation sd on the
// log scale.
constexpr double kLogisticScale = 0.603;

// A stream of numbers in a text file: blanks, tabs, commas and line ends separate them.
class NumberStream {
 public:
  explicit NumberStream(std::string path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) throw InputError(path_ + ": the file cannot be opened");
    text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Moves past the next `count` line ends (the rest of the current line counts as one).
  void skip_lines(int count) {
    for (int i = 0; i < count && pos_ < text_.size(); ++i) {
      while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      if (pos_ < text_.size()) {
        ++pos_;
        ++line_;
      }
    }
  }

  double next() {
    while (pos_ < text_.size() && is_separator(text_[pos_])) {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
    if (pos_ >= text_.size()) {
      throw InputError(path_ + ": line " + std::to_string(line_) +
                       ": the file ends before all its numbers have been read");
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !is_separator(text_[pos_])) ++pos_;
    const std::string_view token(text_.data() + start, pos_ - start);
    // A leading "+" is allowed; the parser itself takes only a "-".
    std::string_view digits = token;
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-') digits.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
      throw InputError(path_ + ": line " + std::to_string(line_) + ": '" + std::string(token) +
                       "' is not a number");
    }
    return value;
  }

 private:
  static bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
  }

  std::string path_;
  std::string text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

std::string temp_fleet_name(int k) { return "aged" + std::to_string(k) + ".tmp"; }

// Reads one age-by-year file into `table`, with "working..." on the progress window meanwhile.
void read_with_notice(RunState& s, Host& host, const std::string& name, AgeYearTable& table) {
  draw_text(host, kWorkingX, kWorkingY, kWorking);
  read_table_file(s, resolve_path(s.workdir, name), table);
  draw_text(host, kWorkingX, kWorkingY, kWorkingErase);
}

// The maturity table, read once and kept for the run.
const AgeYearTable& maturity_table(RunState& s, Host& host) {
  if (!s.maturity_loaded) {
    read_with_notice(s, host, s.Anamefile[8], s.maturity_table);
    s.maturity_loaded = true;
  }
  return s.maturity_table;
}

// The table of fleet `k`: from its own file in the main run and the first bootstrap run, from its
// bootstrap copy afterwards. A switch between the two sources forgets every kept fleet.
const AgeYearTable& fleet_table(RunState& s, Host& host, int k) {
  const bool from_copy = s.bootn > 1;
  if (from_copy != (s.fleet_source_bootn > 1)) {
    s.fleet_loaded.fill(false);
    s.fleet_source_bootn = s.bootn;
  }
  if (!s.fleet_loaded[k]) {
    read_with_notice(s, host, from_copy ? temp_fleet_name(k) : s.Anamefile[k], s.fleet_table[k]);
    s.fleet_loaded[k] = true;
    s.fleet_source_bootn = s.bootn;
  }
  return s.fleet_table[k];
}

}  // namespace

double perturbed(double v, double sd, double u) {
  return std::exp(std::log(v) + kLogisticScale * sd * std::log(u / (1 - u)));
}

void ssbread(RunState& s, Host& /*host*/) {
  const int years = s.file_years();
  for (int k = 1; k <= s.totalinds; ++k) {
    s.curinds = static_cast<std::int16_t>(k);
    const std::string path = resolve_path(s.workdir, s.Anamefile[8 + k]);
    NumberStream in(path);
    in.skip_lines(kSurveyHeaderLines);
    for (int y = 1; y <= years; ++y) {
      double& value = s.ssbind[k][y];
      value = in.next();
      // Two numbers per year also in the main run, so the bootstrap draws that follow do not
      // depend on which values happen to be observed.
      const double u = s.rng.draw();
      if (value > 0 && s.bootn > 0) {
        value = checked_finite(perturbed(value, s.stdssb[k], u), "ssbread", -1,
                               static_cast<int>(s.year_label(y)));
      }
    }
  }
}

void agedindread(RunState& s, Host& host) {
  const int years = s.file_years();
  const int columns = s.file_columns();
  if (s.maturread == 1) {
    const AgeYearTable& mat = maturity_table(s, host);
    if (s.ppa >= 1 && s.ppa <= columns && s.ppy >= 1 && s.ppy <= years) {
      s.dolpol = mat(s.ppa, s.ppy);
    }
    return;
  }
  const AgeYearTable& fleet = fleet_table(s, host, s.curind);
  // Only the file's range is copied: cells outside it keep what they held, as after a read.
  for (int y = 1; y <= years; ++y) {
    for (int a = 1; a <= columns; ++a) s.ind(a, y) = fleet(a, y);
  }
}

double maturity(RunState& s, Host& host, int a, int y) {
  s.ppa = static_cast<std::int16_t>(a);
  s.ppy = static_cast<std::int16_t>(y);
  s.maturread = 1;
  agedindread(s, host);
  s.maturread = 0;
  return s.dolpol;
}

void newindex(RunState& s, Host& host) {
  const int years = s.file_years();
  const int columns = s.file_columns();
  for (int k = 1; k <= s.totalind; ++k) {
    s.curind = static_cast<std::int16_t>(k);
    agedindread(s, host);

    PrintFile out;
    out.create(resolve_path(s.workdir, temp_fleet_name(k)));
    out.real(s.firstage).real(s.lastage).real(s.firstyear).real(s.lastyear).end_line();
    for (int i = 0; i < kTempFillerLines; ++i) out.integer(kTempFiller).end_line();
    for (int y = 1; y <= years; ++y) {
      out.real(s.year_label(y));
      for (int a = 2; a <= columns; ++a) {
        const double u = s.rng.draw();
        const double v = s.ind(a, y);
        double value = kNoObservation;
        if (v > 0) {
          value = checked_finite(perturbed(v, s.stdind[k], u), "newindex",
                                 static_cast<int>(s.age_label(a)),
                                 static_cast<int>(s.year_label(y)));
        }
        out.real(rounded(value, kTempValuePattern));
      }
      out.end_line();
    }
    out.close();
    // The copy just written replaces what was kept of this fleet.
    s.fleet_loaded[k] = false;
  }
  s.fleet_loaded.fill(false);
}

}  // namespace quorvane
