// For the end-to-end tests: fields given on the command line, the runner's summary, and the search
// log read by its print columns (the other written files: tests/support/written_files.h).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "run/field_registry.h"
#include "tests/support/files.h"
#include "tests/support/written_files.h"

namespace quorvane::e2e {

using namespace quorvane::testing;

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

}  // namespace quorvane::e2e
