// Helpers of the end-to-end tests: scratch working directories, the batch runner as a
// subprocess, and readers of the files that a run writes (the search log, the stock summary of
// the results file, the bootstrap files).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::e2e {

namespace fs = std::filesystem;

// A fresh working directory named after the running test, emptied first; removed at the end of
// the test when it passed, kept for inspection when it failed.
class WorkDir {
 public:
  explicit WorkDir(const std::string& tag = "") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() / ("quorvane_e2e_" + std::string(info->test_suite_name()) +
                                         "_" + info->name() + (tag.empty() ? "" : "_" + tag));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~WorkDir() {
    if (!::testing::Test::HasFailure()) {
      std::error_code ignored;
      fs::remove_all(path_, ignored);
    }
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a text file, without their CR LF or LF ends.
inline std::vector<std::string> lines_of(const fs::path& path) {
  std::vector<std::string> lines;
  std::istringstream in(slurp(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Every whitespace-separated token of a line read as a number; stops at the first token that
// is not one.
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

// Field assignments "TextN=value", one a line, for --fields.
using Fields = std::vector<std::pair<int, std::string>>;

inline void write_fields(const fs::path& path, const Fields& fields) {
  std::ofstream out(path);
  for (const auto& [field, text] : fields) out << "Text" << field << "=" << text << "\n";
}

struct BatchRun {
  int exit_code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
  // For failure messages: how the run ended and what it said.
  std::string describe() const {
    return "exit " + std::to_string(exit_code) + "\nstdout:\n" + out + "\nstderr:\n" + err;
  }
};

// Runs quorvane-batch in `workdir` with the given arguments (each quoted for the shell).
inline BatchRun run_batch(const fs::path& workdir, const std::vector<std::string>& args) {
  const fs::path out = workdir / "batch.stdout";
  const fs::path err = workdir / "batch.stderr";
  std::string command =
      std::string("'") + QUORVANE_BATCH_EXE + "' --workdir '" + workdir.string() + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(command.c_str());
  BatchRun run;
  run.exit_code = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  run.out = slurp(out);
  run.err = slurp(err);
  return run;
}

// The value of a "Name: value" line of the runner's summary, or NaN.
inline double summary_value(const std::string& out, const std::string& name) {
  const std::string key = name + ": ";
  const std::size_t at = out.find(key);
  if (at == std::string::npos) return std::nan("");
  return std::strtod(out.c_str() + at + key.size(), nullptr);
}

// One line of the search log read by its print columns. `columns` are the columns (from 1) at
// which the values stand; a value occupies its column's sign position and the digits after it,
// up to the next column. Returns false, with a reason, when the line does not stand in those
// columns: a value that does not start with its sign blank at its column, text that is not a
// number, or anything after the last value.
struct LogLine {
  std::vector<std::optional<double>> values;  // nullopt: the column is empty (a negative value)
};

inline bool read_log_line(const std::string& line, const std::vector<int>& columns, LogLine& read,
                          std::string& why) {
  read.values.clear();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const std::size_t from = static_cast<std::size_t>(columns[i] - 1);
    const std::size_t to =
        i + 1 < columns.size() ? static_cast<std::size_t>(columns[i + 1] - 1) : line.size();
    if (from > line.size()) {
      why = "line ends before column " + std::to_string(columns[i]);
      return false;
    }
    const std::string cell = line.substr(from, to > from ? to - from : 0);
    const std::size_t first = cell.find_first_not_of(' ');
    if (first == std::string::npos) {
      read.values.emplace_back(std::nullopt);
      continue;
    }
    if (first != 1) {
      why = "the value at column " + std::to_string(columns[i]) +
            " does not start with its sign "
            "blank: '" +
            cell + "'";
      return false;
    }
    const std::size_t last = cell.find_last_not_of(' ');
    const std::string token = cell.substr(first, last - first + 1);
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (token.empty() || end != token.c_str() + token.size() ||
        token.find(' ') != std::string::npos) {
      why = "column " + std::to_string(columns[i]) + " holds '" + cell + "', not one number";
      return false;
    }
    if (i + 1 == columns.size() && cell.back() != ' ') {
      why = "the last value has no trailing blank";
      return false;
    }
    read.values.emplace_back(v);
  }
  return true;
}

// The print columns of a search log line: f(term), SSB(yearmax), MC, k_for_M(a), the catch loss,
// one per SSB survey and aged fleet, the total loss.
inline std::vector<int> log_columns(int ssb_surveys, int fleets) {
  std::vector<int> columns = {1, 15, 30, 45, 60};
  for (int k = 0; k < ssb_surveys + fleets; ++k) columns.push_back(75 + 20 * k);
  columns.push_back(75 + 20 * (ssb_surveys + fleets));
  return columns;
}

// The header line that the search log must begin with.
inline std::string log_header(int ssb_surveys, int fleets) {
  std::string header = " f(term)     SSB(yearmax)    MC         k_for_M(a)    err.for_C(a,y)";
  auto tab = [&header](int column) { header.resize(static_cast<std::size_t>(column - 1), ' '); };
  for (int k = 1; k <= ssb_surveys; ++k) {
    tab(75 + 20 * (k - 1));
    header += "err.for_SSB " + std::to_string(k) + " ";
  }
  for (int k = 1; k <= fleets; ++k) {
    tab(75 + 20 * (ssb_surveys + k - 1));
    header += "err.for_a/ind. " + std::to_string(k) + " ";
  }
  tab(75 + 20 * (ssb_surveys + fleets));
  header += "TOTAL_LOSSFUNC";
  return header;
}

// Checks a search log: its header and that every further line stands in the columns. Returns the
// lines read; adds a test failure for each line that does not stand in its columns.
inline std::vector<LogLine> read_search_log(const fs::path& path, int ssb_surveys, int fleets) {
  const std::vector<std::string> lines = lines_of(path);
  std::vector<LogLine> read;
  EXPECT_FALSE(lines.empty()) << path << " is empty or missing";
  if (lines.empty()) return read;
  EXPECT_EQ(lines[0], log_header(ssb_surveys, fleets)) << path;
  const std::vector<int> columns = log_columns(ssb_surveys, fleets);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    LogLine line;
    std::string why;
    if (!read_log_line(lines[i], columns, line, why)) {
      ADD_FAILURE() << path << " line " << i + 1 << ": " << why << "\n'" << lines[i] << "'";
      continue;
    }
    read.push_back(line);
  }
  return read;
}

// Section 7 of the results file, the stock summary, by year label: f, TN, TW, SSB, SSB at survey
// time, then survey value and log residual per SSB survey. A row starts with the year at column 2;
// a value too wide for its column pushes the rest of the row onto the next line, which continues
// the row.
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
