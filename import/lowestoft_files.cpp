#include "import/lowestoft_files.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "data/age_year_file.h"

namespace quorvane::import {

namespace {

// The files hold at most a few thousand rows; a year or age beyond these bounds is a typing
// error rather than data, and would make the expanded matrix absurdly large.
constexpr int kLowestYear = 1000;
constexpr int kHighestYear = 9999;
constexpr int kHighestAge = 200;

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\v' || c == '\f'; }

std::vector<std::string_view> tokens_of(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && is_separator(line[i])) ++i;
    const std::size_t begin = i;
    while (i < line.size() && !is_separator(line[i])) ++i;
    if (i > begin) out.push_back(line.substr(begin, i - begin));
  }
  return out;
}

std::string trimmed(std::string_view t) {
  while (!t.empty() && (is_separator(t.front()))) t.remove_prefix(1);
  while (!t.empty() && (is_separator(t.back()))) t.remove_suffix(1);
  return std::string(t);
}

// A whole file split into lines; LF, CR LF and a lone CR each end a line.
class TextLines {
 public:
  explicit TextLines(std::string path, std::size_t limit = std::string::npos)
      : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) throw InputError(path_ + ": the file cannot be opened");
    std::string all;
    if (limit == std::string::npos) {
      std::ostringstream text;
      text << in.rdbuf();
      all = text.str();
    } else {
      all.resize(limit);
      in.read(all.data(), static_cast<std::streamsize>(limit));
      all.resize(static_cast<std::size_t>(in.gcount()));
    }
    std::size_t begin = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i] == '\n' || all[i] == '\r') {
        lines_.push_back(all.substr(begin, i - begin));
        if (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
        begin = i + 1;
      }
    }
    if (begin < all.size()) lines_.push_back(all.substr(begin));
  }

  const std::string& path() const { return path_; }

  // Line `number` (from 1), or empty past the end.
  std::string_view line(int number) const {
    if (number < 1 || number > count()) return {};
    return lines_[static_cast<std::size_t>(number - 1)];
  }
  int count() const { return static_cast<int>(lines_.size()); }

  [[noreturn]] void fail(int number, const std::string& what) const {
    throw InputError(path_ + ": line " + std::to_string(number) + ": " + what);
  }
  [[noreturn]] void fail_token(int number, std::string_view token, const std::string& what) const {
    fail(number, "'" + std::string(token) + "' " + what);
  }

 private:
  std::string path_;
  std::vector<std::string> lines_;
};

// Reads a file line by line from the top, and rows of numbers that may run over several lines.
class LineCursor {
 public:
  explicit LineCursor(const TextLines& file) : file_(file) {}

  int line() const { return next_ - 1; }

  // The next line, whatever it holds; `what` names it in the message when the file has ended.
  std::string_view take_line(const std::string& what) {
    if (next_ > file_.count()) {
      file_.fail(next_, "the file ends where " + what + " should stand");
    }
    return file_.line(next_++);
  }

  // The next line that is not blank.
  std::string_view take_nonblank_line(const std::string& what) {
    while (next_ <= file_.count() && tokens_of(file_.line(next_)).empty()) ++next_;
    return take_line(what);
  }

  // The leading numbers of a header line: at least `count` numbers, then anything (a comment
  // after the numbers is common in these files). Returns the first `count`.
  std::vector<double> header_numbers(int count, const std::string& what) {
    const std::string_view text = take_line(what);
    const std::vector<std::string_view> tokens = tokens_of(text);
    std::vector<double> numbers;
    for (std::string_view t : tokens) {
      if (static_cast<int>(numbers.size()) == count) break;
      const std::optional<double> v = parse_file_number(t);
      if (!v) file_.fail_token(line(), t, "is not a number; " + what + " should stand here");
      numbers.push_back(*v);
    }
    if (static_cast<int>(numbers.size()) < count) {
      file_.fail(line(), "the line ends before " + what + " (" + std::to_string(count) +
                             (count == 1 ? " number)" : " numbers)"));
    }
    return numbers;
  }

  // The next row of `count` numbers, starting on a new line and running on to further lines
  // when one line holds fewer. With `extra_allowed` the rest of the row's last line is not
  // read; without it a surplus number is an error. With `missing_allowed` a token "NA" reads
  // as kMissing. `what` names the row in the message when the file ends early.
  std::vector<double> row(int count, bool extra_allowed, bool missing_allowed,
                          const std::string& what) {
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(count));
    while (static_cast<int>(values.size()) < count) {
      while (next_ <= file_.count() && tokens_of(file_.line(next_)).empty()) ++next_;
      if (next_ > file_.count()) {
        throw InputError(file_.path() + ": the file ends at line " + std::to_string(file_.count()) +
                         " before the values of " + what);
      }
      const int number = next_++;
      for (std::string_view t : tokens_of(file_.line(number))) {
        if (static_cast<int>(values.size()) == count) {
          if (extra_allowed) break;
          file_.fail_token(number, t,
                           "is one value more than the " + std::to_string(count) + " of " + what);
        }
        if (missing_allowed && (t == "NA" || t == "na" || t == "NaN")) {
          values.push_back(kMissing);
          continue;
        }
        const std::optional<double> v = parse_file_number(t);
        if (!v) file_.fail_token(number, t, "is not a number");
        values.push_back(*v);
      }
    }
    return values;
  }

  // A number that must be whole (a year, an age, a code).
  int whole(double value, const std::string& what) const {
    if (value != std::floor(value) || std::fabs(value) > 1e6) {
      std::ostringstream text;
      text.precision(12);
      text << value;
      file_.fail_token(line(), text.str(), "is not a whole number; " + what + " should be");
    }
    return static_cast<int>(value);
  }

 private:
  const TextLines& file_;
  int next_ = 1;
};

std::string range_text(int first, int last) {
  return std::to_string(first) + "-" + std::to_string(last);
}

void check_years(const LineCursor& in, const TextLines& file, int first, int last) {
  if (first < kLowestYear || last > kHighestYear || last < first) {
    file.fail(in.line(), "the years " + range_text(first, last) +
                             " are not a first and a last year in increasing order");
  }
}

void check_ages(const LineCursor& in, const TextLines& file, int first, int last) {
  if (first < 0 || last > kHighestAge || last < first) {
    file.fail(in.line(), "the ages " + range_text(first, last) +
                             " are not a first and a last age in increasing order");
  }
}

}  // namespace

std::optional<double> parse_file_number(std::string_view token) {
  if (const std::optional<double> v = quorvane::parse_number(token)) return v;
  // Fortran-written files put a decimal point after whole numbers: "5." is five.
  if (token.size() >= 2 && token.back() == '.' && token[token.size() - 2] >= '0' &&
      token[token.size() - 2] <= '9') {
    return quorvane::parse_number(token.substr(0, token.size() - 1));
  }
  return std::nullopt;
}

std::string data_type_name(int code) {
  switch (code) {
    case 1:
      return "landings";
    case 2:
      return "catch numbers";
    case 3:
      return "catch weights";
    case 4:
      return "stock weights";
    case 5:
      return "natural mortality";
    case 6:
      return "proportion mature";
    case 7:
      return "proportion of F before spawning";
    case 8:
      return "proportion of M before spawning";
    default:
      return "data type " + std::to_string(code);
  }
}

LowestoftTable read_lowestoft_table(const std::string& path) {
  const TextLines file(path);
  LineCursor in(file);
  LowestoftTable t;
  t.path = path;
  t.title = trimmed(in.take_line("the title"));
  const std::vector<double> kind = in.header_numbers(2, "the data type (\"1 T\")");
  t.type = in.whole(kind[1], "the data type");
  const std::vector<double> years = in.header_numbers(2, "the first and last year");
  t.first_year = in.whole(years[0], "a year");
  t.last_year = in.whole(years[1], "a year");
  check_years(in, file, t.first_year, t.last_year);
  const std::vector<double> ages = in.header_numbers(2, "the first and last age");
  t.first_age = in.whole(ages[0], "an age");
  t.last_age = in.whole(ages[1], "an age");
  check_ages(in, file, t.first_age, t.last_age);
  t.format = in.whole(in.header_numbers(1, "the data format")[0], "the data format");
  if (t.format != 1 && t.format != 2 && t.format != 3 && t.format != 5) {
    file.fail(in.line(), "data format " + std::to_string(t.format) +
                             " is none of 1 (matrix), 2 (one row), 3 (one value), 5 (one column)");
  }

  const int ages_n = t.last_age - t.first_age + 1;
  const int years_n = t.last_year - t.first_year + 1;
  const std::string ages_text = "the ages " + range_text(t.first_age, t.last_age);
  t.values.assign(static_cast<std::size_t>(years_n),
                  std::vector<double>(static_cast<std::size_t>(ages_n), 0.0));
  switch (t.format) {
    case 1:
      for (int y = 0; y < years_n; ++y) {
        t.values[static_cast<std::size_t>(y)] =
            in.row(ages_n, false, false, ages_text + " in " + std::to_string(t.first_year + y));
      }
      break;
    case 2: {
      const std::vector<double> one = in.row(ages_n, false, false, ages_text + " (every year)");
      for (auto& year : t.values) year = one;
      break;
    }
    case 3: {
      const double one = in.row(1, false, false, "the one value for all ages and years")[0];
      for (auto& year : t.values) year.assign(year.size(), one);
      break;
    }
    case 5:
      for (int y = 0; y < years_n; ++y) {
        const double one =
            in.row(1, false, false, "the year " + std::to_string(t.first_year + y))[0];
        t.values[static_cast<std::size_t>(y)].assign(static_cast<std::size_t>(ages_n), one);
      }
      break;
  }
  return t;
}

std::vector<LowestoftFleet> read_lowestoft_fleets(const std::string& path) {
  const TextLines file(path);
  LineCursor in(file);
  in.take_line("the title");
  const int coded = in.whole(in.header_numbers(1, "the number of fleets plus 100")[0],
                             "the number of fleets plus 100");
  if (coded <= 100) {
    file.fail(in.line(), "'" + std::to_string(coded) +
                             "' is not the number of fleets plus 100 (101 for one fleet)");
  }
  std::vector<LowestoftFleet> fleets;
  for (int k = 1; k <= coded - 100; ++k) {
    LowestoftFleet f;
    f.number = k;
    const std::string which = "fleet " + std::to_string(k);
    f.name = trimmed(in.take_nonblank_line("the name of " + which));
    const std::vector<double> years = in.header_numbers(2, "the years of " + which);
    f.first_year = in.whole(years[0], "a year");
    f.last_year = in.whole(years[1], "a year");
    check_years(in, file, f.first_year, f.last_year);
    const std::vector<double> period =
        in.header_numbers(4, "\"1 1 alpha beta\", the survey period of " + which);
    f.alpha = period[2];
    f.beta = period[3];
    if (!(f.alpha >= 0 && f.alpha <= f.beta && f.beta <= 1)) {
      file.fail(in.line(), "the survey period " + trimmed(file.line(in.line())) +
                               " is not 0 <= alpha <= beta <= 1");
    }
    const std::vector<double> ages = in.header_numbers(2, "the ages of " + which);
    f.first_age = in.whole(ages[0], "an age");
    f.last_age = in.whole(ages[1], "an age");
    if (!f.biomass()) check_ages(in, file, f.first_age, f.last_age);
    const int values_n = f.value_count();
    for (int year = f.first_year; year <= f.last_year; ++year) {
      const std::vector<double> row =
          in.row(values_n + 1, true, true,
                 which + " (" + f.name + ") in " + std::to_string(year) + " (the effort and " +
                     std::to_string(values_n) + (values_n == 1 ? " value)" : " values)"));
      f.effort.push_back(row[0]);
      f.catches.emplace_back(row.begin() + 1, row.end());
    }
    fleets.push_back(std::move(f));
  }
  return fleets;
}

FileKind peek_file_kind(const std::string& path) {
  // Line 2 is all that is needed; the first few kilobytes hold it in any file of these kinds.
  constexpr std::size_t kPeekBytes = 16384;
  std::string_view second;
  std::optional<TextLines> head;
  try {
    head.emplace(path, kPeekBytes);
  } catch (const InputError&) {
    return {};
  }
  second = head->line(2);
  const std::vector<std::string_view> tokens = tokens_of(second);
  std::vector<double> numbers;
  for (std::string_view t : tokens) {
    const std::optional<double> v = parse_file_number(t);
    if (!v) break;
    numbers.push_back(*v);
  }
  if (numbers.size() >= 2 && numbers[1] == std::floor(numbers[1]) && numbers[1] >= 1 &&
      numbers[1] <= 8) {
    return {FileKind::Table, static_cast<int>(numbers[1])};
  }
  if (numbers.size() == 1 && numbers[0] == std::floor(numbers[0]) && numbers[0] > 100 &&
      numbers[0] < 200) {
    return {FileKind::Fleets, 0};
  }
  return {};
}

}  // namespace quorvane::import
