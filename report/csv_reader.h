// Reading the tidy tables back: a CSV file as its header and rows of text cells, each row with
// the line it started on, and typed access to a cell that names file, line and token when the
// cell does not hold what the reader needs (the charts, the comparison of two runs).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct CsvRow {
  int line = 0;  // the line of the file the row starts on (the header is line 1)
  std::vector<std::string> cells;
};

struct CsvFile {
  std::string path;
  std::vector<std::string> header;
  std::vector<CsvRow> rows;
};

// Parses CSV text: comma-separated, cells quoted with '"' when they hold a comma, a quote (doubled)
// or a line break; LF or CRLF line ends; a blank line ends nothing and is skipped. InputError
// naming `path` and the line for an unclosed quote or a row whose cell count is not the header's.
CsvFile parse_csv(std::string_view text, const std::string& path);

// Reads and parses a file. InputError naming the path when it cannot be read.
CsvFile read_csv(const std::string& path);

// The index of a column. InputError naming file and header line when the column is missing.
int required_column(const CsvFile& file, std::string_view name);
// The index of a column, empty when the header does not have it.
std::optional<int> optional_column(const CsvFile& file, std::string_view name);

// A number cell: empty for an empty cell (a value that does not exist). InputError naming file,
// line and token when the text is not a number. A column that is absent reads as empty.
std::optional<double> number_cell(const CsvFile& file, const CsvRow& row,
                                  std::optional<int> column);
// A whole number that must be there (a year, an age, a peel). InputError naming file, line and
// token when it is empty, not a number or not whole.
int whole_cell(const CsvFile& file, const CsvRow& row, int column);

}  // namespace quorvane
