// Readers of the files that a whole run writes, for the end-to-end tests: the search log by its
// print columns, the stock summary of the results file, the bootstrap files.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "run/field_registry.h"
#include "tests/support/files.h"

namespace quorvane::e2e {

using namespace quorvane::testing;

// Every whitespace-separated token of a line read as a number; stops at the first that is not.
inline std::vector<double> numbers_in(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> numbers;
  for (std::string token; in >> token;) {
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size()) break;
    numbers.push_back(v);
  }
  return numbers;
}

// Field assignments "name=value" as --set arguments.
using Fields = std::vector<std::pair<FieldId, std::string>>;

inline std::string set_args(const Fields& fields) {
  std::string args;
  for (const auto& [id, text] : fields) args += " --set '" + std::string(field(id).name) + "=" + text + "'";
  return args;
}

// The value of a "Name: value" line of the runner's summary, or NaN.
inline double summary_value(const std::string& out, const std::string& name) {
  const std::size_t at = out.find(name + ": ");
  return at == std::string::npos ? std::nan("")
                                 : std::strtod(out.c_str() + at + name.size() + 2, nullptr);
}

// One line of the search log, a value per column; nullopt where the column is empty (a
// negative value writes nothing but keeps its column).
using LogLine = std::vector<std::optional<double>>;

// The search log's columns: f(term) 1, SSB 15, MC 30, k_for_M 45, the catch loss 60, then one
// per SSB survey and aged fleet from 75 in steps of 20, the total loss last.
inline std::vector<std::size_t> log_columns(int surveys_and_fleets) {
  std::vector<std::size_t> columns = {1, 15, 30, 45, 60};
  for (int k = 0; k <= surveys_and_fleets; ++k) columns.push_back(75 + 20 * k);
  return columns;
}

// Reads the search log below its header; a value that does not start with its sign blank at its
// column, a cell that is not one number, or a last value without its trailing blank fails the
// test.
inline std::vector<LogLine> read_search_log(const fs::path& path, int surveys_and_fleets) {
  const std::vector<std::string> lines = lines_of(path);
  EXPECT_FALSE(lines.empty()) << path;
  if (lines.empty()) return {};
  EXPECT_EQ(lines[0].rfind(" f(term)     SSB(yearmax)", 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].find("TOTAL_LOSSFUNC"),
            74 + 20 * static_cast<std::size_t>(surveys_and_fleets));
  const std::vector<std::size_t> columns = log_columns(surveys_and_fleets);
  std::vector<LogLine> read;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    LogLine values;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const std::size_t from = columns[c] - 1;
      const std::size_t to = c + 1 < columns.size() ? columns[c + 1] - 1 : line.size();
      const std::string cell = from < line.size() ? line.substr(from, to - from) : "";
      if (cell.find_first_not_of(' ') == std::string::npos) {
        values.emplace_back(std::nullopt);
        continue;
      }
      char* end = nullptr;
      const double v = std::strtod(cell.c_str() + 1, &end);
      const bool one_number = cell[0] == ' ' && cell[1] != ' ' && end != cell.c_str() + 1 &&
                              std::string(end).find_first_not_of(' ') == std::string::npos &&
                              (c + 1 < columns.size() || cell.back() == ' ');
      EXPECT_TRUE(one_number) << path << " line " << i + 1 << " column " << columns[c] << ": '"
                              << cell << "'";
      values.emplace_back(v);
    }
    read.push_back(values);
  }
  return read;
}

// Section 7 of the results file, the stock summary, by year label: f, TN, TW, SSB, SSB at survey
// time, then survey value and log residual per SSB survey. A value too wide for its column pushes
// the rest of the row onto the next line, which continues the row.
inline std::map<int, std::vector<double>> stock_summary(const fs::path& results) {
  const std::vector<std::string> lines = lines_of(results);
  std::map<int, std::vector<double>> rows;
  std::size_t i = 0;
  while (i < lines.size() && lines[i].rfind("Year    f(year) Tot.Stock_(in_N)", 0) != 0) ++i;
  std::vector<double>* row = nullptr;
  for (++i; i < lines.size() && lines[i].rfind("-----", 0) != 0; ++i) {
    const std::vector<double> v = numbers_in(lines[i]);
    if (v.empty()) continue;
    if (lines[i].find_first_not_of(' ') == 1) {
      row = &rows[static_cast<int>(std::lround(v[0]))];
      row->assign(v.begin() + 1, v.end());
    } else if (row != nullptr) {
      row->insert(row->end(), v.begin(), v.end());
    }
  }
  return rows;
}

// The data lines of a bootstrap file below its header: bootN followed by the values.
inline std::vector<std::vector<double>> bootstrap_lines(const fs::path& path) {
  std::vector<std::vector<double>> rows;
  const std::vector<std::string> lines = lines_of(path);
  for (std::size_t i = 1; i < lines.size(); ++i) rows.push_back(numbers_in(lines[i]));
  return rows;
}

}  // namespace quorvane::e2e
