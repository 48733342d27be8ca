#include "report/csv_reader.h"

#include <cmath>
#include <fstream>
#include <iterator>

#include "base/errors.h"
#include "data/age_year_file.h"

namespace quorvane {
namespace {

[[noreturn]] void fail(const std::string& path, int line, const std::string& what) {
  throw InputError(path + ": line " + std::to_string(line) + ": " + what);
}

}  // namespace

CsvFile parse_csv(std::string_view text, const std::string& path) {
  CsvFile file;
  file.path = path;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark

  std::vector<std::vector<std::string>> records;
  std::vector<int> lines;
  std::vector<std::string> cells;
  std::string cell;
  int line = 1;
  int record_line = 1;
  bool quoted = false;
  bool cell_was_quoted = false;
  const auto end_record = [&] {
    cells.push_back(std::move(cell));
    cell.clear();
    const bool blank = cells.size() == 1 && cells[0].empty() && !cell_was_quoted;
    if (!blank) {
      records.push_back(std::move(cells));
      lines.push_back(record_line);
    }
    cells.clear();
    cell_was_quoted = false;
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++line;
        cell += c;
      }
      continue;
    }
    if (c == '"' && cell.empty()) {
      quoted = true;
      cell_was_quoted = true;
    } else if (c == ',') {
      cells.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;  // the CR of a CRLF line end
    } else if (c == '\n') {
      end_record();
      ++line;
      record_line = line;
    } else {
      cell += c;
    }
  }
  if (quoted) fail(path, record_line, "a quoted cell is not closed");
  if (!cell.empty() || !cells.empty() || cell_was_quoted) end_record();

  if (records.empty()) throw InputError(path + ": the file is empty; a header row is needed");
  file.header = std::move(records[0]);
  for (std::size_t r = 1; r < records.size(); ++r) {
    if (records[r].size() != file.header.size()) {
      fail(path, lines[r],
           std::to_string(records[r].size()) + " cells where the header has " +
               std::to_string(file.header.size()));
    }
    file.rows.push_back(CsvRow{lines[r], std::move(records[r])});
  }
  return file;
}

CsvFile read_csv(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError(path + ": the file cannot be opened");
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw InputError(path + ": the file cannot be read");
  return parse_csv(text, path);
}

std::optional<int> optional_column(const CsvFile& file, std::string_view name) {
  for (std::size_t i = 0; i < file.header.size(); ++i) {
    if (file.header[i] == name) return static_cast<int>(i);
  }
  return std::nullopt;
}

int required_column(const CsvFile& file, std::string_view name) {
  const std::optional<int> column = optional_column(file, name);
  if (!column) fail(file.path, 1, "no column '" + std::string(name) + "' in the header");
  return *column;
}

std::optional<double> number_cell(const CsvFile& file, const CsvRow& row,
                                  std::optional<int> column) {
  if (!column) return std::nullopt;
  const std::string& text = row.cells[static_cast<std::size_t>(*column)];
  if (text.empty()) return std::nullopt;
  const std::optional<double> value = parse_number(text);
  if (!value) fail(file.path, row.line, "'" + text + "' is not a number");
  return value;
}

int whole_cell(const CsvFile& file, const CsvRow& row, int column) {
  const std::string& text = row.cells[static_cast<std::size_t>(column)];
  if (text.empty()) {
    fail(file.path, row.line,
         "an empty cell where a whole number is needed (column '" +
             file.header[static_cast<std::size_t>(column)] + "')");
  }
  const std::optional<double> value = parse_number(text);
  if (!value || *value != std::floor(*value) || std::fabs(*value) > 1e9) {
    fail(file.path, row.line, "'" + text + "' is not a whole number");
  }
  return static_cast<int>(*value);
}

}  // namespace quorvane
