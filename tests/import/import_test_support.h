// Small helpers of the importer's tests: a temporary folder per test, files written into it,
// and the age-by-year tables read back as numbers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::import::testing {

namespace fs = std::filesystem;

// A folder of its own for the running test, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    static int made = 0;
    path_ = fs::temp_directory_path() / ("quorvane_import_" + std::string(info->test_suite_name()) +
                                         "_" + info->name() + "_" + std::to_string(++made));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return file(name);
  }

 private:
  fs::path path_;
};

inline std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

// An age-by-year table as written by the importer: line 1 and the rows after the four
// header lines, by year.
struct AgeYearTable {
  std::vector<double> header;
  std::map<int, std::vector<double>> rows;
};

inline AgeYearTable read_age_year(const fs::path& p) {
  std::istringstream in(slurp(p));
  AgeYearTable t;
  std::string line;
  std::getline(in, line);
  std::istringstream head(line);
  for (double v; head >> v;) t.header.push_back(v);
  for (int i = 0; i < 3; ++i) std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream row(line);
    double year = 0;
    if (!(row >> year)) continue;
    std::vector<double>& values = t.rows[static_cast<int>(year)];
    for (double v; row >> v;) values.push_back(v);
  }
  return t;
}

}  // namespace quorvane::import::testing
