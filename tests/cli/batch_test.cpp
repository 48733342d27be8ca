// quorvane-batch's command line, run as a separate program. What it answers to bad input files
// and fields is the catalogue of tests/robustness.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "run/field_registry.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

// A fields file and --set apply in the order given; the later wins. The catch file is missing
// so that an accepted set of fields ends quickly, with exit 1.
TEST(BatchCommandLine, FieldsFileAndSetApplyInOrder) {
  ScratchDir dir;
  dir.write("fields.txt", "# a bad year\nText8=abc\nText1=missing.txt\n");
  EXPECT_EQ(run_batch(dir.path(), "--fields fields.txt --set Text8=1984").exit_code, 1);
  EXPECT_EQ(run_batch(dir.path(), "--set Text8=1984 --fields fields.txt").exit_code, 2);
}

TEST(BatchCommandLine, BadUsageExitsTwoWithOneLineAndWritesNothing) {
  ScratchDir dir;
  const BatchRun help = run_batch(dir.path(), "--help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--stop-at-call"), std::string::npos);
  for (const char* args : {"--frobnicate", "--workdir absent", "--set Text8", "--bootstrap 32768",
                           "--bootstrap x", "--stop-at-call", "--restart-answer 3"}) {
    const BatchRun run = run_batch(dir.path(), args);
    EXPECT_EQ(run.exit_code, 2) << args;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << args << ": " << run.err;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// The demo's fields file (numbered lines) and its twin with every line by name run to the same
// results file and search log, byte for byte.
TEST(BatchCommandLine, NamedFieldsFileRunsLikeItsNumberedTwin) {
  ScratchDir numbered("numbered"), named("named");
  copy_folder(kSourceDir / "demo", numbered / "demo");
  copy_folder(kSourceDir / "demo", named / "demo");
  std::istringstream lines(slurp(kSourceDir / "demo" / "fields.txt"));
  std::string twin;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t eq = line.find('=');
    const auto id = eq == std::string::npos ? std::nullopt
                                            : field_by_numbered_name(line.substr(0, eq));
    twin += id ? std::string(field(*id).name) + " = " + line.substr(eq + 1) + "\n" : line + "\n";
  }
  ASSERT_EQ(twin.find("\nText"), std::string::npos);
  named.write("named_fields.txt", twin);
  ASSERT_EQ(run_batch(numbered.path(), "--fields demo/fields.txt --no-tables --quiet").exit_code,
            0);
  const BatchRun run = run_batch(named.path(), "--fields named_fields.txt --no-tables --quiet");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  for (const char* file : {"output.out", "minim.out"}) {
    EXPECT_TRUE(numbered.text(file) == named.text(file)) << file;
  }
}

// A mistyped name is refused before the run, with the names it may have meant.
TEST(BatchCommandLine, ListsTheFieldsAndRefusesAnUnknownName) {
  ScratchDir dir;
  const BatchRun csv = run_batch(dir.path(), "--list-fields --format csv");
  EXPECT_EQ(csv.exit_code, 0);
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 116);  // a header, 115 fields
  EXPECT_NE(csv.out.find("\nfirst_year,Text8,Years for analysis.  First year:,1984,whole number\n"),
            std::string::npos);
  EXPECT_NE(csv.out.find("\nmode,Text14,"), std::string::npos);
  const BatchRun table = run_batch(dir.path(), "--list-fields");
  EXPECT_EQ(table.exit_code, 0);
  EXPECT_NE(table.out.find("fleet3_loss"), std::string::npos);

  const BatchRun typo = run_batch(dir.path(), "--set last_yaer=2010");
  EXPECT_EQ(typo.exit_code, 2);
  EXPECT_EQ(typo.err,
            "quorvane-batch: --set: 'last_yaer' is not a field name (closest: last_year, "
            "last_age, first_year)\n");
}

// The demo with three bootstrap runs. The closing lines are the main fit's, as output.out holds
// it (total loss 17.19, terminal f 2.75), not those of the last bootstrap run.
TEST(BatchSummary, AfterABootstrapTheClosingLinesDescribeTheMainFit) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir / "demo");
  const BatchRun run = run_batch(dir.path(), "--bootstrap 3 --threads 1 --no-tables");
  ASSERT_EQ(run.exit_code, 0) << run.describe();
  EXPECT_NE(run.out.find("\nTotal loss SSEALL: 17.19"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nTerminal f: 2.75\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nBootstrap: 3 of 3 runs finished\n"), std::string::npos) << run.out;
  // Standard error is a file here, not a terminal: a plain line as each run starts.
  EXPECT_EQ(run.err.find("bootstrap 1 of 3\n"), 0u) << run.err;
  EXPECT_NE(run.err.find("\nbootstrap 3 of 3, about "), std::string::npos) << run.err;

  // Yes with no runs: the boot files hold their header and the main fit's line, nothing more.
  for (const char* kind : {"chained", "independent"}) {
    const BatchRun quiet = run_batch(
        dir.path(), std::string("--bootstrap 0 --no-tables --quiet --bootstrap-kind ") + kind);
    ASSERT_EQ(quiet.exit_code, 0) << quiet.describe();
    EXPECT_EQ(quiet.err, "") << kind;
    EXPECT_NE(quiet.out.find("\nBootstrap: 0 of 0 runs finished\n"), std::string::npos) << kind;
    const std::string ssb = slurp(dir / "bootSSB.out");
    EXPECT_EQ(std::count(ssb.begin(), ssb.end(), '\n'), 2) << kind << ":\n" << ssb;
  }
}

// Every program without windows answers --version with its name, the version and the compiler,
// all the same version.
TEST(BatchCommandLine, EveryProgramAnswersVersionAlike) {
  ScratchDir dir;
  std::string version;
  for (const auto& [name, exe] : {std::pair{"quorvane-batch", QUORVANE_BATCH_EXE},
                                  {"quorvane-import", QUORVANE_IMPORT_EXE},
                                  {"quorvane-sim", QUORVANE_SIM_EXE}}) {
    const BatchRun run = run_program(exe, dir.path(), "--version");
    EXPECT_EQ(run.exit_code, 0) << name;
    EXPECT_EQ(run.err, "") << name;
    const std::string prefix = std::string(name) + " ";
    ASSERT_EQ(run.out.rfind(prefix, 0), 0u) << run.out;
    const std::size_t built = run.out.find(" (built with ");
    ASSERT_NE(built, std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - 2), ")\n") << run.out;
    const std::string own = run.out.substr(prefix.size(), built - prefix.size());
    if (version.empty()) version = own;
    EXPECT_EQ(own, version) << name;
  }
  EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 2) << version;
}

}  // namespace
}  // namespace quorvane::testing
