// The print facility: every text the program writes goes through it.
//
// A print statement is a list of items (text, integer, real, Tab(n)) with separators: ";" writes
// nothing, "," moves to the next print zone (columns 1, 15, 29, ... every 14 columns). A
// statement without a trailing separator ends the line with CR LF. Numbers are written with a
// sign position (blank or "-"), their digits and one trailing blank; reals with at most 15
// significant digits, no leading zero before the point (" .5 "), exponent form only for
// |x| >= 1E15 or 0 < |x| < 1E-15. Pattern rounding rounds half away from zero to the number of
// digit places after the pattern's point.
//
// Usage, one statement: out.text("Year\\age").zone().tab(11).number(3.0).end_line();
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// Digit places after the decimal point of a pattern such as "#0.#####" (5) or "##0." (0).
int pattern_decimals(std::string_view pattern);

// x rounded half away from zero to the pattern's decimals; a result of zero is +0.
double rounded(double x, std::string_view pattern);

// A real in the number style, e.g. " 12.5 ", "-.03 ", " 0 ", " 1.5E-16 ".
std::string format_real(double x);

// A whole number in the number style, e.g. " 5 ", "-12 ".
std::string format_integer(std::int64_t v);

// A target of print statements with a current column counted from 1.
class PrintTarget {
 public:
  virtual ~PrintTarget() = default;

  PrintTarget& text(std::string_view t);
  PrintTarget& real(double x);           // a real number
  PrintTarget& integer(std::int64_t v);  // a whole number
  PrintTarget& tab(int n);               // Tab(n)
  PrintTarget& zone();                   // the "," separator
  void end_line();                       // a statement without a trailing separator

  int column() const { return column_; }

 protected:
  virtual void write(std::string_view chars) = 0;
  void reset_column() { column_ = 1; }

 private:
  void put(std::string_view chars);
  int column_ = 1;
};

// A print target that collects its text in memory (tests, the progress window's lines).
class PrintBuffer : public PrintTarget {
 public:
  const std::string& str() const { return text_; }
  void clear() {
    text_.clear();
    reset_column();
  }

 protected:
  void write(std::string_view chars) override { text_.append(chars); }

 private:
  std::string text_;
};

// Writes `text` as the whole of the file at `path`, replacing one of that name, with the checks
// of PrintFile: a file that cannot be opened or written raises InputError naming its path.
void write_text_file(const std::filesystem::path& path, std::string_view text);

// A text file written by print statements. Opening creates the file anew or appends to it.
// A file that cannot be opened raises InputError naming its path. Every write is checked: a
// write, flush or close that fails (a full disk, a file-size limit, a vanished folder) raises
// InputError "cannot write PATH: reason", so that a file cut short is never taken for complete.
class PrintFile : public PrintTarget {
 public:
  PrintFile() = default;
  PrintFile(const PrintFile&) = delete;
  PrintFile& operator=(const PrintFile&) = delete;
  ~PrintFile() override { discard(); }

  void create(const std::string& path);  // empty file, replacing one of that name
  // An empty file at `path` now, the text written under `staged` (a name in the same folder)
  // and renamed over `path` by close(): a reader sees the empty file or the whole text, and a
  // failed write leaves the empty file rather than a truncated one.
  void create_staged(const std::string& path, const std::string& staged);
  void append(const std::string& path);  // open for appending at a fresh line
  void close();                          // flushed and closed, checked; a staged file renamed
  void discard();  // closed without a check; a staged file's text is removed, the empty file stays
  bool is_open() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  // Holds what is printed in memory instead of writing it (a bootstrap run computed ahead of its
  // turn keeps its search log lines until they are due); take_held() hands the text over.
  void hold();
  std::string take_held();
  // Writes whole lines printed elsewhere, as they stand; the next item starts a fresh line.
  void write_lines(std::string_view lines);

 protected:
  void write(std::string_view chars) override;

 private:
  [[noreturn]] void fail(int error);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string staged_;  // the name the text is written under until close(), or empty
  bool holding_ = false;
  std::string held_;
};

}  // namespace quorvane
