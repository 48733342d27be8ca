// Speed must not change a written digit. Every case of tests/data/reference/cases.txt (each
// Method, the three catch losses, generation factors on and off, scan and precise search, M
// known and searched, bootstraps of 2 and 4 runs) runs here on the demo stock from a fresh run
// state, and every file it writes must equal, byte for byte, the file that the program wrote
// before any of its speed-ups. The reference files were made by
// tests/data/reference/make_reference.sh with quorvane-batch built from the program as it stood
// then; regenerate them only for a change that is meant to change the output.
#include <gtest/gtest.h>

#include <string>

#include "tests/perf/demo_runs.h"
#include "tests/support/files.h"

namespace quorvane::perf {
namespace {

class WrittenFiles : public ::testing::TestWithParam<DemoCase> {};

TEST_P(WrittenFiles, AreTheReferenceFilesByteForByte) {
  const DemoCase& c = GetParam();
  testing::ScratchDir dir;
  testing::copy_folder(source_dir() / "demo", dir / "demo");
  QuietHost host(c.bootstrap_runs);
  const RunOutcome outcome = run_case(dir.path(), case_texts(dir.path(), c), host);
  ASSERT_EQ(outcome.status, RunStatus::Completed) << outcome.message;

  const auto expected = files_in(reference_dir() / c.name);
  const auto written = files_in(dir.path());
  ASSERT_FALSE(expected.empty()) << "no reference files for " << c.name;
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

INSTANTIATE_TEST_SUITE_P(DemoStock, WrittenFiles, ::testing::ValuesIn(read_cases()),
                         [](const ::testing::TestParamInfo<DemoCase>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace quorvane::perf
