// Readers of the text files a whole run writes, for the tests that check them: numbers of a line,
// the stock summary by year (a row too wide for its columns continues on the next line) and the
// data lines of a bootstrap file.
#pragma once


#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace quorvane::testing {

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

}  // namespace quorvane::testing
