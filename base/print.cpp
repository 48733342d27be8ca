#include "base/print.h"

#include <array>
#include <cassert>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "base/errors.h"

namespace quorvane {

namespace {

// Columns of the print zones: 1, 15, 29, ... one zone every 14 columns.
constexpr int kZoneWidth = 14;

// Reals are written with at most this many significant digits.
constexpr int kSignificantDigits = 15;

// A whole-valued real below this magnitude has at most 15 digits and is written exactly by the
// integer path; from 1E15 on the exponent form takes over.
constexpr double kPlainLimit = 1e15;

// Decimal exponents of the (rounded) value outside [kLowestPlainExponent, kHighestPlainExponent]
// are written in exponent form: |x| >= 1E15 or |x| < 1E-15.
constexpr int kHighestPlainExponent = 14;
constexpr int kLowestPlainExponent = -15;

// Powers of ten that are exact in a double, for pattern rounding.
constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Appends the digits of v (no sign) to out.
void append_unsigned(std::string& out, std::uint64_t v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;
  out.append(buf, end);
}

}  // namespace

int pattern_decimals(std::string_view pattern) {
  const auto point = pattern.find('.');
  if (point == std::string_view::npos) return 0;
  int d = 0;
  for (char ch : pattern.substr(point + 1)) {
    if (ch == '#' || ch == '0') ++d;
  }
  return d;
}

double rounded(double x, std::string_view pattern) {
  const int d = pattern_decimals(pattern);
  assert(d < static_cast<int>(kPowersOfTen.size()));
  const double scale = kPowersOfTen[d];
  const double r = std::round(x * scale) / scale;
  // A value that rounds to nothing is written as 0, never with a minus sign.
  return r == 0.0 ? 0.0 : r;
}

std::string format_integer(std::int64_t v) {
  std::string out;
  out.reserve(22);
  // The sign position: a blank for zero and positive numbers.
  out.push_back(v < 0 ? '-' : ' ');
  const std::uint64_t magnitude =
      v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  append_unsigned(out, magnitude);
  out.push_back(' ');
  return out;
}

std::string format_real(double x) {
  if (!std::isfinite(x)) throw_fault("print", "a value that is not finite cannot be written");
  if (x == 0.0) return " 0 ";  // also a negative zero

  // Whole numbers below 1E15 (years, counts, rounded values with no decimals) are exact as
  // integers and by far the most common case.
  const double magnitude = std::fabs(x);
  if (magnitude < kPlainLimit && x == std::trunc(x)) {
    return format_integer(static_cast<std::int64_t>(x));
  }

  // The value rounded to 15 significant digits, correctly rounded from its exact binary value:
  // "d.dddddddddddddde+XX". Carries are already applied (9.9999999999999999 gives 1.0e+01).
  char sci[40];
  auto [sci_end, ec] = std::to_chars(sci, sci + sizeof sci, magnitude,
                                     std::chars_format::scientific, kSignificantDigits - 1);
  assert(ec == std::errc());
  (void)ec;

  // Significant digits without the point, trailing zeros dropped.
  char digits[kSignificantDigits];
  int count = 0;
  const char* p = sci;
  digits[count++] = *p++;
  if (*p == '.') {
    ++p;
    while (*p != 'e') digits[count++] = *p++;
  }
  while (count > 1 && digits[count - 1] == '0') --count;

  // Decimal exponent.
  ++p;  // 'e'
  const bool negative_exponent = (*p == '-');
  ++p;  // sign
  int exponent = 0;
  std::from_chars(p, sci_end, exponent);
  if (negative_exponent) exponent = -exponent;

  std::string out;
  out.reserve(32);
  out.push_back(x < 0 ? '-' : ' ');

  if (exponent > kHighestPlainExponent || exponent < kLowestPlainExponent) {
    // Exponent form: "1.5E-16", "1E+15".
    out.push_back(digits[0]);
    if (count > 1) {
      out.push_back('.');
      out.append(digits + 1, digits + count);
    }
    out.push_back('E');
    out.push_back(negative_exponent ? '-' : '+');
    if (exponent < 0) exponent = -exponent;
    if (exponent < 10) out.push_back('0');
    append_unsigned(out, static_cast<std::uint64_t>(exponent));
  } else if (exponent >= 0) {
    // Whole part, then the point only when digits follow it.
    const int whole = exponent + 1;
    if (count <= whole) {
      out.append(digits, digits + count);
      out.append(static_cast<std::size_t>(whole - count), '0');
    } else {
      out.append(digits, digits + whole);
      out.push_back('.');
      out.append(digits + whole, digits + count);
    }
  } else {
    // Below 1 in magnitude: no zero before the point (".5", ".000123").
    out.push_back('.');
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out.append(digits, digits + count);
  }
  out.push_back(' ');
  return out;
}

// ---------------------------------------------------------------------------------------------
// PrintTarget

void PrintTarget::put(std::string_view chars) {
  write(chars);
  column_ += static_cast<int>(chars.size());
}

PrintTarget& PrintTarget::text(std::string_view t) {
  put(t);
  return *this;
}

PrintTarget& PrintTarget::real(double x) {
  put(format_real(x));
  return *this;
}

PrintTarget& PrintTarget::integer(std::int64_t v) {
  put(format_integer(v));
  return *this;
}

PrintTarget& PrintTarget::tab(int n) {
  if (n < 1) n = 1;
  if (column_ < n) {
    put(std::string(static_cast<std::size_t>(n - column_), ' '));
  } else if (column_ > n) {
    // Past the column already: the item goes to column n of the next line.
    end_line();
    put(std::string(static_cast<std::size_t>(n - 1), ' '));
  }
  return *this;
}

PrintTarget& PrintTarget::zone() {
  const int next_zone = 1 + kZoneWidth * ((column_ - 1) / kZoneWidth + 1);
  put(std::string(static_cast<std::size_t>(next_zone - column_), ' '));
  return *this;
}

void PrintTarget::end_line() {
  write("\r\n");
  column_ = 1;
}

// ---------------------------------------------------------------------------------------------
// PrintFile

namespace {

std::FILE* open_or_throw(const std::string& path, const char* mode, const char* purpose) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) {
    const int err = errno;
    throw InputError(path + ": cannot be opened " + purpose + " (" + std::strerror(err) + ")");
  }
  return file;
}

}  // namespace

void PrintFile::create(const std::string& path) {
  discard();
  file_ = open_or_throw(path, "wb", "for writing");
  path_ = path;
  reset_column();
}

void PrintFile::create_staged(const std::string& path, const std::string& staged) {
  create(path);
  close();
  file_ = open_or_throw(staged, "wb", "for writing");
  path_ = path;
  staged_ = staged;
}

void PrintFile::append(const std::string& path) {
  discard();
  file_ = open_or_throw(path, "ab", "for appending");
  path_ = path;
  reset_column();
}

void PrintFile::fail(int error) {
  const std::string path = path_;
  discard();
  throw InputError("cannot write " + path + ": " + std::strerror(error != 0 ? error : EIO));
}

void write_text_file(const std::filesystem::path& path, std::string_view text) {
  PrintFile file;
  file.create(path.string());
  file.write_lines(text);
  file.close();
}

void PrintFile::close() {
  if (file_ != nullptr) {
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    int error = 0;
    if (std::fflush(file) != 0 || std::ferror(file) != 0) error = errno != 0 ? errno : EIO;
    if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (error != 0) fail(error);
    if (!staged_.empty() && std::rename(staged_.c_str(), path_.c_str()) != 0) fail(errno);
  }
  staged_.clear();
  holding_ = false;
  held_.clear();
  reset_column();
}

void PrintFile::discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!staged_.empty()) std::remove(staged_.c_str());
  staged_.clear();
  holding_ = false;
  held_.clear();
  reset_column();
}

void PrintFile::hold() {
  discard();
  holding_ = true;
}

std::string PrintFile::take_held() {
  std::string text;
  text.swap(held_);
  return text;
}

void PrintFile::write_lines(std::string_view lines) {
  write(lines);
  reset_column();
}

void PrintFile::write(std::string_view chars) {
  if (holding_) {
    held_.append(chars);
    return;
  }
  assert(file_ != nullptr && "print statement on a file that is not open");
  if (file_ != nullptr && std::fwrite(chars.data(), 1, chars.size(), file_) != chars.size()) {
    fail(errno);
  }
}

}  // namespace quorvane
