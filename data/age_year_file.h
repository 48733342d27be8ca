// Readers of the age-by-year layout: line 1 four numbers (first age, last age, first year, last
// year), lines 2-4 skipped, then per year the year and one value per age, read as a stream of
// numbers separated by blanks, tabs, commas or line ends (LF, CR LF or CR).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/run_state.h"
#include "state/tables.h"

namespace quorvane {

// A number as the data files, the fields and the question windows accept it:
// [+-]digits[.digits] or [+-].digits with an optional E[+-]digits, surrounding blanks trimmed.
// Empty when the text is not a number or overflows a double; a value too small for a double is 0.
std::optional<double> parse_number(std::string_view text);

// A label or a setting as a person writes it, for messages: 1984, 3, 2.5 (up to 15 digits).
std::string label_text(double v);

// The file's path: the working directory followed by the name, "/" and "\" both separators;
// an absolute name ("/data/cod/c.txt") as given.
std::string resolve_path(const std::string& workdir, const std::string& name);

// The numbers of a text file, one after another. Blanks, tabs, commas, CR and LF separate them;
// an empty item between two commas is skipped. Lines are counted (LF, CR LF and a lone CR each
// end a line) so that a message can say where a bad token stands. The whole file is read when
// the reader is made; a file that cannot be opened raises InputError naming its path.
class NumberReader {
 public:
  explicit NumberReader(std::string path);

  // The next number, or false at the end of the file. A token that is not a number raises
  // InputError "PATH: line N: 'TOKEN' is not a number".
  bool next(double& value);
  // The numbers of the rest of the current line; the line end is consumed with them.
  std::vector<double> rest_of_line();
  // The next token on the current line, without reading it; empty at a line end.
  std::string_view peek_on_line();
  // Moves past the next `count` line ends; the rest of the current line counts as one.
  void skip_lines(int count);

  const std::string& path() const { return path_; }
  int line() const { return line_; }

 private:
  // Skips separators on the current line; true when a line end or the end of the file follows.
  bool at_line_end();
  // Consumes one line end at the current position, if there is one.
  bool take_line_end();
  double number_of(std::size_t begin, std::size_t end) const;

  std::string path_;
  std::string text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

// Line 1 of an age-by-year file: exactly four numbers, else InputError naming the file.
std::vector<double> read_header(NumberReader& in);

// Reads the C(a,y) file: its line 1 sets firstage, lastage, firstyear, lastyear and headC; more
// than 29 ages or 60 years raises InputError at once; then `after_header` runs (START converts
// the age and year settings there), then the matrix goes to C at y = 1..file_years(),
// a = 1..file_columns().
void read_catch_file(RunState& s, const std::function<void()>& after_header);

// Reads a table of the C(a,y) file's dimensions (W, M, maturity, fleets, temporary fleet files)
// from `path`, already resolved against the working directory: line 1 into headX, the matrix
// into `table` at y = 1..file_years(), a = 1..file_columns(); cells outside stay as they were.
void read_table_file(RunState& s, const std::string& path, AgeYearTable& table);

}  // namespace quorvane
