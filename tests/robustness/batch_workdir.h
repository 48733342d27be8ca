// A working directory for runs of quorvane-batch on the small stock of tests/data/bad_inputs:
// the folder is copied into a fresh temporary directory, the program runs there as a user runs
// it (a separate process, file names relative to the directory), and its exit status, standard
// error and written files are there to inspect.
#pragma once

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/files.h"

namespace quorvane::testing {

// The names of the files under `dir` (recursively) that hold a value that is not finite: a
// whitespace-separated token as the C and C++ libraries of the platforms we build on write one
// ("nan", "-nan", "inf", "-inf", "infinity", "nan(...)", in any case).
inline std::vector<std::string> files_with_non_finite(const fs::path& dir) {
  static const std::regex kNonFinite("[-+]?(nan|inf|infinity|nan\\(.*\\))", std::regex::icase);
  std::vector<std::string> bad;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    std::istringstream in(entry.is_regular_file() ? slurp(entry.path()) : "");
    for (std::string token; in >> token;) {
      if (std::regex_match(token, kNonFinite)) {
        bad.push_back(fs::relative(entry.path(), dir).string());
        break;
      }
    }
  }
  return bad;
}

// A copy of the small valid stock of tests/data/bad_inputs (ages 1-4, years 2001-2006, one SSB
// survey and one aged fleet) to run quorvane-batch in.
class BadInputsStock : public ScratchDir {
 public:
  BadInputsStock() { copy_folder(kSourceDir / "tests/data/bad_inputs", dir()); }
  fs::path dir() const { return path() / "work"; }
  BatchRun run(const std::string& args, const std::string& subdir = "") const {
    return run_batch(dir() / subdir, args);
  }
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
  const char* made = "";     // a file made in the directory before the run, holding `made_text`
  std::string_view made_text = {};
};

inline std::ostream& operator<<(std::ostream& os, const BadInput& c) { return os << c.name; }

inline constexpr const char* kEarlierResults = "results of an earlier run\r\n";

// Runs one case in a fresh copy of tests/data/bad_inputs and checks the exit status, the
// message, the results file and that no file holds a value that is not finite.
inline void expect_answer(const BadInput& c) {
  BadInputsStock w;
  const fs::path where = w.dir() / c.subdir;
  write_text(where / "output.out", kEarlierResults);
  if (*c.blocker) fs::create_directories(where / c.blocker);
  if (*c.made) write_text(where / c.made, std::string(c.made_text));
  const auto file_count = [&] {
    return std::distance(fs::recursive_directory_iterator(w.dir()), {});
  };
  const auto files_before = file_count();

  const BatchRun run = w.run(std::string("--fields fields.txt ") + c.args, c.subdir);
  EXPECT_EQ(run.exit_code, c.exit) << run.err;
  EXPECT_EQ(run.err, *c.message ? "quorvane-batch: " + std::string(c.message) + "\n" : "");

  const std::string results = slurp(where / "output.out");
  switch (c.results) {
    case ResultsFile::Kept:  // and no other file touched either
      EXPECT_EQ(results, kEarlierResults);
      EXPECT_EQ(file_count(), files_before);
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
  // Whatever the run did, its inputs are as they were, byte for byte.
  for (const auto& e : fs::recursive_directory_iterator(kSourceDir / "tests/data/bad_inputs")) {
    if (!e.is_regular_file()) continue;
    const fs::path rel = fs::relative(e.path(), kSourceDir / "tests/data/bad_inputs");
    EXPECT_EQ(slurp(w.dir() / rel), slurp(e.path())) << rel << " changed";
  }
}

// The catalogue's one test, in bad_inputs_test.cpp; each file of cases instantiates it.
class BadInputCatalogue : public ::testing::TestWithParam<BadInput> {};

inline std::string case_name(const ::testing::TestParamInfo<BadInput>& info) {
  return info.param.name;
}

}  // namespace quorvane::testing
