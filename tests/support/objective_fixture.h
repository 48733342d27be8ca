// Helpers for the tests of the objective and the survey data: maturity and fleet tables kept in
// the run state as if already read, a temporary working directory, small file utilities.
#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>

#include "state/run_state.h"

namespace quorvane::testing {

// A maturity by age from agemin, the same in every year, kept as if the file had been read.
inline void keep_maturity(RunState& s, std::initializer_list<double> by_age) {
  for (int y = 1; y <= s.file_years(); ++y) {
    int a = s.agemin;
    for (double v : by_age) s.maturity_table(a++, y) = v;
  }
  s.maturity_loaded = true;
}

// Fleet k, rows by age from agemin and one value per year from yearmin, kept as if read from
// the fleet's own file.
inline void keep_fleet(RunState& s, int k,
                       std::initializer_list<std::initializer_list<double>> rows) {
  int a = s.agemin;
  for (const auto& row : rows) {
    int y = s.yearmin;
    for (double v : row) s.fleet_table[k](a, y++) = v;
    ++a;
  }
  s.fleet_loaded[k] = true;
  s.fleet_source_bootn = s.bootn;
}

inline void fill_block(RunState& s, AgeYearTable& t, double v) {
  for (int a = s.agemin; a <= s.agemax; ++a)
    for (int y = s.yearmin; y <= s.yearmax; ++y) t(a, y) = v;
}

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir()
      : path_(std::filesystem::temp_directory_path() /
              ("quorvane-test-" + std::to_string(std::random_device{}()))) {
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
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quorvane::testing
