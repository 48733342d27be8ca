// A working directory for runs of quorvane-batch on the small stock of tests/data/bad_inputs:
// the folder is copied into a fresh temporary directory, the program runs there as a user runs
// it (a separate process, file names relative to the directory), and its exit status, standard
// error and written files are there to inspect.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/data/case_table.h"
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

inline constexpr const char* kEarlierResults = "results of an earlier run\r\n";

// Runs one case of tests/data/bad_input_cases.txt (its keys are described there) in a fresh copy
// of tests/data/bad_inputs and checks the exit status, the message, the results file and that
// no file holds a value that is not finite.
inline void expect_answer(CaseRow c) {
  for (const auto& [key, value] : c)
    EXPECT_NE(std::string(" case args exit message results in blocker file ").find(" " + key + " "),
              std::string::npos)
        << "unknown key " << key;
  BadInputsStock w;
  const fs::path where = w.dir() / c["in"];
  write_text(where / "output.out", kEarlierResults);
  if (!c["blocker"].empty()) fs::create_directories(where / c["blocker"]);
  if (const std::string made = c["file"]; !made.empty()) {
    const std::size_t gap = std::min(made.find(' '), made.size());
    write_text(where / made.substr(0, gap), unescaped(made.substr(std::min(gap + 1, made.size()))));
  }
  const auto file_count = [&] {
    return std::distance(fs::recursive_directory_iterator(w.dir()), {});
  };
  const auto files_before = file_count();

  const BatchRun run = w.run("--fields fields.txt " + c["args"], c["in"]);
  EXPECT_EQ(run.exit_code, std::stoi(c["exit"])) << run.err;
  EXPECT_EQ(run.err, c["message"].empty() ? "" : "quorvane-batch: " + c["message"] + "\n");

  const std::string results = slurp(where / "output.out");
  if (c["results"] == "kept") {  // rejected before START touched any file
    EXPECT_EQ(results, kEarlierResults);
    EXPECT_EQ(file_count(), files_before);
  } else if (c["results"] == "emptied") {  // START had created it anew, empty, before the failure
    EXPECT_EQ(results, "");
  } else {  // written before the failure, or the run completed
    EXPECT_EQ(c["results"], "written");
    EXPECT_EQ(results.rfind("FILE OF RESULTS\r\n", 0), 0u);
    EXPECT_NE(results.find(" Standard errors\r\n"), std::string::npos);
  }
  EXPECT_EQ(files_with_non_finite(w.dir()), std::vector<std::string>{});
  // Whatever the run did, its inputs are as they were, byte for byte.
  for (const auto& e : fs::recursive_directory_iterator(kSourceDir / "tests/data/bad_inputs")) {
    if (!e.is_regular_file()) continue;
    const fs::path rel = fs::relative(e.path(), kSourceDir / "tests/data/bad_inputs");
    EXPECT_EQ(slurp(w.dir() / rel), slurp(e.path())) << rel << " changed";
  }
}

}  // namespace quorvane::testing
