// Small helpers of the importer's tests: Lowestoft files written by hand, and the age-by-year
// tables read back as numbers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/written_files.h"

namespace quorvane::import::testing {

namespace fs = std::filesystem;

using TempFolder = quorvane::testing::ScratchDir;
using quorvane::testing::slurp;

// A Lowestoft table file: title, "1 type", years, ages, format, then `body`.
inline std::string lowestoft_table(int type, int first_year, int last_year, int first_age,
                                   int last_age, int format, const std::string& body) {
  std::ostringstream out;
  out << "hand-made table\n1 " << type << '\n'
      << first_year << ' ' << last_year << '\n'
      << first_age << ' ' << last_age << '\n'
      << format << '\n'
      << body;
  return out.str();
}

// The message of the `Error` that `f` throws, or "" when it throws none.
template <typename Error, typename F>
std::string error_of(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// An age-by-year table as written by the importer: line 1 and the rows after the four
// header lines, by year.
struct AgeYearTable {
  std::vector<double> header;
  std::map<int, std::vector<double>> rows;
};

inline AgeYearTable read_age_year(const fs::path& p) {
  const std::vector<std::string> lines = quorvane::testing::lines_of(p);
  AgeYearTable t{quorvane::testing::numbers_in(lines.at(0)), {}};
  for (std::size_t i = 4; i < lines.size(); ++i) {
    const std::vector<double> row = quorvane::testing::numbers_in(lines[i]);
    if (!row.empty()) t.rows[static_cast<int>(row[0])].assign(row.begin() + 1, row.end());
  }
  return t;
}

}  // namespace quorvane::import::testing
