// Helpers for the tests of the objective and the survey data: maturity and fleet tables kept in
// the run state as if already read, a temporary working directory, and small file utilities.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>

#include "state/run_state.h"

namespace quorvane::testing {

// A maturity by age, the same in every year of the file, kept as if the maturity file had been
// read (so no file is needed).
inline void keep_maturity(RunState& s, std::initializer_list<double> by_age) {
  for (int y = 1; y <= s.file_years(); ++y) {
    s.maturity_table(1, y) = s.year_label(y);
    int a = s.agemin;
    for (double v : by_age) s.maturity_table(a++, y) = v;
  }
  s.maturity_loaded = true;
}

// Fleet k's table, rows by age from agemin and one value per year from yearmin, kept as if read
// from the fleet's own file.
inline void keep_fleet(RunState& s, int k,
                       std::initializer_list<std::initializer_list<double>> rows) {
  AgeYearTable& t = s.fleet_table[k];
  for (int y = 1; y <= s.file_years(); ++y) t(1, y) = s.year_label(y);
  int a = s.agemin;
  for (const auto& row : rows) {
    int y = s.yearmin;
    for (double v : row) t(a, y++) = v;
    ++a;
  }
  s.fleet_loaded[k] = true;
  s.fleet_source_bootn = s.bootn;
}

// Every cell of the block set to `v`.
inline void fill_block(RunState& s, AgeYearTable& t, double v) {
  for (int a = s.agemin; a <= s.agemax; ++a) {
    for (int y = s.yearmin; y <= s.yearmax; ++y) t(a, y) = v;
  }
}

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("quorvane-objective-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string str() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void write_text(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

inline std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quorvane::testing
