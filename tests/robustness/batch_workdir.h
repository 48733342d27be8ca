// A working directory for runs of quorvane-batch on the small stock of tests/data/bad_inputs:
// the folder is copied into a fresh temporary directory, the program runs there as a user runs
// it (a separate process, file names relative to the directory), and its exit status, standard
// error and written files are there to inspect.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::testing {

namespace fs = std::filesystem;

inline std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True when a whitespace-separated token of the text is how a C or C++ library writes a value
// that is not finite: "nan", "-nan", "inf", "-inf", "infinity", "nan(...)", "1.#INF", "1.#IND".
inline bool holds_non_finite(const std::string& text) {
  std::istringstream in(text);
  for (std::string token; in >> token;) {
    std::string t;
    for (char c : token) t += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.erase(0, 1);
    if (t == "nan" || t == "inf" || t == "infinity" || t.rfind("nan(", 0) == 0 ||
        t.find("#inf") != std::string::npos || t.find("#ind") != std::string::npos ||
        t.find("#nan") != std::string::npos || t.find("#qnan") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// The names of the files under `dir` (recursively) whose text holds a value that is not finite.
inline std::vector<std::string> files_with_non_finite(const fs::path& dir) {
  std::vector<std::string> bad;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file() && holds_non_finite(read_whole(entry.path()))) {
      bad.push_back(fs::relative(entry.path(), dir).string());
    }
  }
  return bad;
}

class BatchWorkdir {
 public:
  // `source` is a folder of tests/data copied whole into the working directory.
  explicit BatchWorkdir(const std::string& source = "bad_inputs") {
    std::random_device rd;
    base_ = fs::temp_directory_path() /
            ("quorvane-robust-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    dir_ = base_ / "work";
    fs::create_directories(base_);
    fs::copy(fs::path(QUORVANE_SOURCE_DIR) / "tests" / "data" / source, dir_,
             fs::copy_options::recursive);
  }
  ~BatchWorkdir() {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  BatchWorkdir(const BatchWorkdir&) = delete;
  BatchWorkdir& operator=(const BatchWorkdir&) = delete;

  // Runs quorvane-batch in the working directory with `args` (quoted by the caller where
  // needed) and returns its exit status, -1 when it did not exit normally (a crash).
  int run(const std::string& args, const std::string& subdir = "") {
    const fs::path where = subdir.empty() ? dir_ : dir_ / subdir;
    const std::string command = "cd '" + where.string() + "' && '" + QUORVANE_BATCH_EXE + "' " +
                                args + " >'" + (base_ / "out").string() + "' 2>'" +
                                (base_ / "err").string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string err() const { return read_whole(base_ / "err"); }
  std::string out() const { return read_whole(base_ / "out"); }
  const fs::path& dir() const { return dir_; }
  fs::path file(const std::string& name) const { return dir_ / name; }
  std::string text(const std::string& name) const { return read_whole(dir_ / name); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

 private:
  fs::path base_, dir_;
};

// One bad input: what the user typed or supplied, and what the program must answer.
enum class ResultsFile {
  Kept,     // rejected before START touched any file: an earlier results file is left as it was
  Emptied,  // START had created the results file anew, empty, when the failure was found
  Written,  // the results were written before the failure (or the run completed)
};

struct BadInput {
  const char* name;     // the test's name
  const char* args;     // after "--fields fields.txt"
  int exit;             // exit status of quorvane-batch
  const char* message;  // its one line on standard error, after "quorvane-batch: "; "" for none
  ResultsFile results;
  const char* subdir = "";   // the directory it runs in, below the copied folder
  const char* blocker = "";  // a directory made where the run wants to write a file
};

inline std::ostream& operator<<(std::ostream& os, const BadInput& c) { return os << c.name; }

inline constexpr const char* kEarlierResults = "results of an earlier run\r\n";

// Runs one case in a fresh copy of tests/data/bad_inputs and checks the exit status, the
// message, the results file and that no file holds a value that is not finite.
inline void expect_answer(const BadInput& c) {
  BatchWorkdir w;
  const fs::path where = w.dir() / c.subdir;
  std::ofstream(where / "output.out", std::ios::binary) << kEarlierResults;
  if (*c.blocker) fs::create_directories(where / c.blocker);

  EXPECT_EQ(w.run(std::string("--fields fields.txt ") + c.args, c.subdir), c.exit) << w.err();
  const std::string expected = *c.message ? "quorvane-batch: " + std::string(c.message) + "\n" : "";
  EXPECT_EQ(w.err(), expected);

  const std::string results = read_whole(where / "output.out");
  switch (c.results) {
    case ResultsFile::Kept:
      EXPECT_EQ(results, kEarlierResults);
      break;
    case ResultsFile::Emptied:
      EXPECT_EQ(results, "");
      break;
    case ResultsFile::Written:
      EXPECT_EQ(results.rfind("FILE OF RESULTS\r\n", 0), 0u);
      EXPECT_NE(results.find(" Standard errors\r\n"), std::string::npos);
      break;
  }
  EXPECT_EQ(files_with_non_finite(w.dir()), std::vector<std::string>{});
}

}  // namespace quorvane::testing
