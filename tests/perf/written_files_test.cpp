// Speed must not change a written digit. Every case of tests/data/reference/cases.txt (each
// Method, the three catch losses, generation factors on and off, scan and precise search, M
// known and searched, bootstraps of 2 and 4 runs) runs here on the demo stock from a fresh run
// state, and every file it writes must equal, byte for byte, the file that the program wrote
// before any of its speed-ups: the tables too, which hold every value to its last bit (but for
// the program's version and the time of the run in run.csv). The reference files were made by
// tests/data/reference/make_reference.sh with quorvane-batch built from the program as it stood
// then; regenerate them only for a change that is meant to change the output.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/perf/demo_runs.h"
#include "tests/support/files.h"

namespace quorvane::perf {
namespace {

class WrittenFiles : public ::testing::TestWithParam<DemoCase> {};

// run.csv without the lines that change from build to build and run to run.
std::string without_version_and_time(const std::string& run_csv) {
  std::string kept;
  std::istringstream lines(run_csv);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("version,", 0) != 0 && line.rfind("time,", 0) != 0) kept += line + "\n";
  return kept;
}

// Every file directly in `expected_dir` is in `written_dir` with the same bytes, and nothing more.
void expect_same_files(const fs::path& expected_dir, const fs::path& written_dir) {
  auto expected = files_in(expected_dir);
  auto written = files_in(written_dir);
  ASSERT_FALSE(expected.empty()) << "no reference files in " << expected_dir;
  for (auto* files : {&expected, &written})
    if (files->count("run.csv")) (*files)["run.csv"] = without_version_and_time(files->at("run.csv"));
  for (const auto& [name, bytes] : expected) {
    const auto it = written.find(name);
    ASSERT_NE(it, written.end()) << name << " was not written";
    // Report the first differing line rather than two whole files.
    if (it->second != bytes) {
      std::size_t at = 0;
      while (at < bytes.size() && at < it->second.size() && bytes[at] == it->second[at]) ++at;
      const std::size_t line_start = bytes.rfind('\n', at == 0 ? 0 : at - 1);
      const std::size_t from = line_start == std::string::npos ? 0 : line_start + 1;
      ADD_FAILURE() << name << " differs at byte " << at << "; expected line:\n"
                    << bytes.substr(from, bytes.find('\n', at) - from) << "\nwritten line:\n"
                    << it->second.substr(from, it->second.find('\n', at) - from);
    }
  }
  for (const auto& [name, bytes] : written) {
    EXPECT_TRUE(expected.count(name) == 1) << name << " was written but has no reference";
  }
}

TEST_P(WrittenFiles, AreTheReferenceFilesByteForByte) {
  const DemoCase& c = GetParam();
  testing::ScratchDir dir;
  testing::copy_folder(source_dir() / "demo", dir / "demo");
  QuietHost host(c.bootstrap_runs);
  const RunOutcome outcome = run_case(dir.path(), case_texts(dir.path(), c), host);
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;

  expect_same_files(reference_dir() / c.name, dir.path());
  expect_same_files(reference_dir() / c.name / "output.out.tables",
                    dir.path() / "output.out.tables");
}

INSTANTIATE_TEST_SUITE_P(DemoStock, WrittenFiles, ::testing::ValuesIn(read_cases()),
                         [](const ::testing::TestParamInfo<DemoCase>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quorvane::perf
