#include "data/age_year_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "base/errors.h"
#include "data/input_file.h"
#include "state/message_text.h"

namespace quorvane {

namespace {

// Lines 2, 3 and 4 hold headings or comments.
constexpr int kSkippedLines = 3;
// Numbers on line 1: first age, last age, first year, last year.
constexpr std::size_t kHeaderNumbers = 4;

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; }

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The power of ten of the leading significant digit of a mantissa: "0.0012" gives -3, "123.4"
// gives 2; empty when every digit is zero.
std::optional<long> leading_power(std::string_view mantissa) {
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  for (std::size_t j = 0; j < mantissa.size(); ++j) {
    if (mantissa[j] == '.' || mantissa[j] == '0') continue;
    return j < point ? static_cast<long>(point - j - 1) : -static_cast<long>(j - point);
  }
  return std::nullopt;
}

// Reads the year rows of the matrix part into `table`.
// The first row must carry the first year of the tables, which `source` names ("line 1" for the
// C(a,y) file itself, "the C(a,y) file" for the tables read with its dimensions).
void read_matrix(NumberReader& in, const RunState& s, AgeYearTable& table, const char* source) {
  const double first_year = s.firstyear;
  const int years = s.file_years();
  const int columns = s.file_columns();
  for (int y = 1; y <= years; ++y) {
    for (int a = 1; a <= columns; ++a) {
      double value = 0;
      if (!in.next(value)) {
        const std::string year = label_text(s.year_label(y));
        const std::string missing =
            a == 1 ? "the row of year " + year
                   : "the value for age " + label_text(s.age_label(a)) + " in year " + year;
        throw InputError(in.path() + ": the file ends early: " + missing + " is missing (" +
                         std::to_string(years) + " years of " + std::to_string(columns - 1) +
                         " ages expected from line 5 on)");
      }
      if (a == 1 && y == 1 && value != first_year) {
        // Rows that start at another year than the tables' first would all be read years off.
        throw InputError(in.path() + ": line " + std::to_string(in.line()) +
                         ": the first row begins with the year '" + label_text(value) + "', but " +
                         source + " gives " + label_text(first_year) + " as the first year");
      }
      if (a == 1 && y > 1 && value != table(1, 1) + (y - 1)) {
        // The rows follow each other year by year. A row that slid tells of a value missing or
        // extra in the rows above, or of a decimal comma read as two numbers: either way the
        // values would land in the wrong cells without a sound.
        throw InputError(in.path() + ": line " + std::to_string(in.line()) + ": '" +
                         label_text(value) + "' stands where the year " +
                         label_text(table(1, 1) + (y - 1)) +
                         " begins its row: a value is missing or extra in the rows above, or a "
                         "decimal comma split a number (the decimal point is a dot)");
      }
      table(a, y) = value;
    }
  }
  // Nothing after the last value needed is read, but a number on the same line tells that the
  // last row holds more values than ages, as a decimal comma makes it do.
  const std::string_view after = in.peek_on_line();
  if (!after.empty() && parse_number(after)) {
    throw InputError(in.path() + ": line " + std::to_string(in.line()) + ": '" + token_text(after) +
                     "' follows the value for age " + label_text(s.age_label(columns)) +
                     " in year " + label_text(s.year_label(years)) +
                     ": the row holds more values than ages, or a decimal comma split a number "
                     "(the decimal point is a dot)");
  }
}

}  // namespace

std::string label_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

std::optional<double> parse_number(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);

  // Check the grammar first: from_chars alone would also take "inf", "nan" and "5.".
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    return i - from;
  };
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t mantissa_begin = i;
  const std::size_t whole = digits();
  std::size_t fraction = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    fraction = digits();
    if (fraction == 0) return std::nullopt;
  }
  if (whole == 0 && fraction == 0) return std::nullopt;
  const std::size_t mantissa_end = i;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i++] == '-';
    }
    const std::size_t from = i;
    if (digits() == 0) return std::nullopt;
    // Any exponent beyond a few hundred overflows or underflows; stop counting there.
    for (std::size_t j = from; j < i && exponent < 100000; ++j) {
      exponent = exponent * 10 + (text[j] - '0');
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;

  // from_chars reads "+" neither; the sign is applied afterwards.
  const char* begin = text.data() + mantissa_begin;
  const char* end = text.data() + text.size();
  double value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Out of range is either an overflow (not a number) or an underflow, which is a zero.
    const std::optional<long> power =
        leading_power(text.substr(mantissa_begin, mantissa_end - mantissa_begin));
    if (power && *power + exponent >= 0) return std::nullopt;
    return negative ? -0.0 : 0.0;
  }
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::string resolve_path(const std::string& workdir, const std::string& name) {
  std::string path = workdir;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string tail = name;
  for (char& c : tail) {
    if (c == '\\') c = '/';
  }
  // An absolute name stands as given; the run's checks keep its outputs in the directory.
  if (path.empty() || (!tail.empty() && tail.front() == '/')) return tail;
  if (path.back() != '/') path += '/';
  return path + tail;
}

NumberReader::NumberReader(std::string path)
    : path_(std::move(path)), text_(read_input_file(path_)) {
  // A byte-order mark, as some editors write at the start of a text file, is not a number.
  if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
}

bool NumberReader::take_line_end() {
  if (pos_ >= text_.size()) return false;
  if (text_[pos_] == '\n') {
    ++pos_;
  } else if (text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  } else {
    return false;
  }
  ++line_;
  return true;
}

bool NumberReader::at_line_end() {
  while (pos_ < text_.size() && is_separator(text_[pos_]) && text_[pos_] != '\r' &&
         text_[pos_] != '\n') {
    ++pos_;
  }
  return pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n';
}

double NumberReader::number_of(std::size_t begin, std::size_t end) const {
  const std::string_view token(text_.data() + begin, end - begin);
  const std::optional<double> value = parse_number(token);
  if (!value) {
    throw InputError(path_ + ": line " + std::to_string(line_) + ": '" + token_text(token) +
                     "' is not a number");
  }
  return *value;
}

bool NumberReader::next(double& value) {
  while (pos_ < text_.size() && is_separator(text_[pos_])) {
    if (!take_line_end()) ++pos_;
  }
  if (pos_ >= text_.size()) return false;
  const std::size_t begin = pos_;
  while (pos_ < text_.size() && !is_separator(text_[pos_])) ++pos_;
  value = number_of(begin, pos_);
  return true;
}

std::vector<double> NumberReader::rest_of_line() {
  std::vector<double> numbers;
  while (!at_line_end()) {
    const std::size_t begin = pos_;
    while (pos_ < text_.size() && !is_separator(text_[pos_])) ++pos_;
    numbers.push_back(number_of(begin, pos_));
  }
  take_line_end();
  return numbers;
}

std::string_view NumberReader::peek_on_line() {
  if (at_line_end()) return {};
  std::size_t end = pos_;
  while (end < text_.size() && !is_separator(text_[end])) ++end;
  return std::string_view(text_).substr(pos_, end - pos_);
}

void NumberReader::skip_lines(int count) {
  for (int i = 0; i < count && pos_ < text_.size(); ++i) {
    while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    take_line_end();
  }
}

std::vector<double> read_header(NumberReader& in) {
  std::vector<double> head = in.rest_of_line();
  if (head.size() != kHeaderNumbers) {
    throw InputError(in.path() + ": line 1 holds " + std::to_string(head.size()) +
                     " numbers; it must hold four: first age, last age, first year, last year");
  }
  return head;
}

void read_catch_file(RunState& s, const std::function<void()>& after_header) {
  NumberReader in(resolve_path(s.workdir, s.AnamefileC));
  const std::vector<double> head = read_header(in);
  for (int i = 1; i <= 4; ++i) s.headC[i] = head[static_cast<std::size_t>(i - 1)];
  s.firstage = head[0];
  s.lastage = head[1];
  s.firstyear = head[2];
  s.lastyear = head[3];

  // Age index 1 holds the year, so the tables hold ages at indices 2..30 and years at 1..60.
  const double ages = s.lastage - s.firstage + 1;
  const double years = s.lastyear - s.firstyear + 1;
  const std::string range_ages = label_text(s.firstage) + " to " + label_text(s.lastage);
  const std::string range_years = label_text(s.firstyear) + " to " + label_text(s.lastyear);
  if (ages > kMaxAges) {
    throw InputError(in.path() + ": line 1: ages " + range_ages + " are more than the " +
                     std::to_string(kMaxAges) + " ages the tables hold");
  }
  if (years > kMaxYears) {
    throw InputError(in.path() + ": line 1: years " + range_years + " are more than the " +
                     std::to_string(kMaxYears) + " years the tables hold");
  }
  if (ages < 1) throw InputError(in.path() + ": line 1: no ages in " + range_ages);
  if (years < 1) throw InputError(in.path() + ": line 1: no years in " + range_years);

  after_header();
  in.skip_lines(kSkippedLines);
  read_matrix(in, s, s.C, "line 1");
}

void read_table_file(RunState& s, const std::string& path, AgeYearTable& table) {
  NumberReader in(path);
  const std::vector<double> head = read_header(in);
  for (int i = 1; i <= 4; ++i) s.headX[i] = head[static_cast<std::size_t>(i - 1)];
  in.skip_lines(kSkippedLines);
  read_matrix(in, s, table, "the C(a,y) file");
}

}  // namespace quorvane
