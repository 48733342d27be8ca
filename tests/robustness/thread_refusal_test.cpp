// A machine that refuses a new thread (a process limit on a shared server, a container's pids
// limit) must not lose the run: the bootstrap goes on the one thread there is and writes the
// files a one-thread run writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

// The runner as the unprivileged user "nobody", allowed one process and so no second thread
// (the limit counts the threads of the user, and the runner is its only one). Only root can
// change users; elsewhere the test cannot make the system refuse a thread.
// Under the address sanitizer its leak check at the end needs a thread of its own, which the
// limit refuses too: it is left out for this run.
BatchRun run_refused_threads(const fs::path& dir, const std::string& args) {
  fs::permissions(dir, fs::perms::all);
  return run_program("env", dir,
                     "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" prlimit "
                     "--nproc=1:1 setpriv --reuid=65534 --regid=65534 --clear-groups " +
                         shell_quoted(QUORVANE_BATCH_EXE) + " " + args);
}

TEST(ThreadRefusal, BootstrapRunsOnTheOneThreadThereIs) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can run the runner as another user";
  for (const char* kind : {"independent", "chained"}) {
    SCOPED_TRACE(kind);
    ScratchDir refused("refused"), normal("normal");
    copy_folder(kSourceDir / "demo", refused / "demo");
    copy_folder(kSourceDir / "demo", normal / "demo");
    const std::string args =
        std::string("--bootstrap 2 --threads 2 --no-tables --quiet --bootstrap-kind ") + kind;
    const BatchRun run = run_refused_threads(refused.path(), args);
    ASSERT_EQ(run.exit_code, 0) << run.describe();
    ASSERT_EQ(run_batch(normal.path(), args + " --threads 1").exit_code, 0);
    for (const char* file : {"output.out", "minim.out", "bootf.out", "bootSSB.out"}) {
      EXPECT_EQ(slurp(refused / file), slurp(normal / file)) << file;
    }
  }
}

}  // namespace
}  // namespace quorvane::testing
