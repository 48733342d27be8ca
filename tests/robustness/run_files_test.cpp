// What a run may write and read, and what happens when the disk, the terminal or the user gets in
// the way: outputs that would land on an input or outside the working directory, inputs that are
// not regular files, writes that fail, a second run in the same folder, SIGINT: the cases that
// need more than a row of the catalogue (tests/data/bad_input_cases.txt, which holds the others).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/print.h"
#include "robustness/batch_workdir.h"
#include "run/workdir_lock.h"
#include "state/message_text.h"

namespace quorvane::testing {
namespace {

using namespace std::string_view_literals;

// quorvane-batch under `limits`: coreutils' timeout (exit 124 when the time ran out, so that a
// hang fails the test instead of blocking it, or with -s a signal sent after that time) and
// util-linux' prlimit.
BatchRun limited_run(const fs::path& dir, const std::string& limits, const std::string& args) {
  return run_program("env", dir, limits + " " + shell_quoted(QUORVANE_BATCH_EXE) + " " + args);
}

// A pipe with no writer as the catch file or as the fields file: named at once, never waited on.
TEST(InputsThatAreNotFiles, PipesAreRefusedWithoutBlocking) {
  BadInputsStock w;
  ASSERT_EQ(::mkfifo((w.dir() / "pipe").c_str(), 0644), 0);
  const BatchRun catch_pipe =
      limited_run(w.dir(), "timeout 60", "--fields fields.txt --set Text1=pipe");
  EXPECT_EQ(catch_pipe.exit_code, 2);
  EXPECT_EQ(catch_pipe.err,
            "quorvane-batch: C(a,y) file: 'pipe' is a pipe (FIFO), not a file (Text1)\n");
  const BatchRun fields_pipe = limited_run(w.dir(), "timeout 60", "--fields pipe");
  EXPECT_EQ(fields_pipe.exit_code, 2);
  EXPECT_EQ(fields_pipe.err, "quorvane-batch: pipe: is a pipe (FIFO), not a fields file\n");
  EXPECT_FALSE(fs::exists(w.dir() / "output.out"));
}

// An input named by its absolute path is read where it is, not below the working directory.
TEST(InputsThatAreNotFiles, AbsoluteInputPathsAreReadAsGiven) {
  BadInputsStock w;
  const BatchRun run = w.run("--fields fields.txt --set Text1=" + (w.dir() / "c.txt").string());
  EXPECT_EQ(run.exit_code, 0) << run.describe();
}

// A symbolic link to the maturity file named as the results file is the maturity file.
TEST(OutputsOverInputs, ResultsFileThatLinksToAnInputIsRefused) {
  BadInputsStock w;
  fs::create_symlink("mat.txt", w.dir() / "link.out");
  const BatchRun run = w.run("--fields fields.txt --set Text35=link.out");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err,
            "quorvane-batch: Name of file for final resullts: 'link.out' names an input of the run "
            "(Matur(a,y) file: Text37), which "
            "it would write over (Text35)\n");
  EXPECT_EQ(slurp(w.dir() / "mat.txt"), slurp(kSourceDir / "tests/data/bad_inputs/mat.txt"));
}

// /dev/full takes the bytes into its buffer and refuses them when they are flushed.
TEST(CheckedWrites, AFailedFlushNamesTheFileAndTheReason) {
  PrintFile out;
  out.create("/dev/full");
  out.text("FILE OF RESULTS").end_line();
  try {
    out.close();
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(), "cannot write /dev/full: No space left on device");
  }
  EXPECT_FALSE(out.is_open());
  // The tables, the retrospective and the comparison write whole files through the same checks.
  try {
    write_text_file("/dev/full", "year,ssb\n");
    ADD_FAILURE() << "no error";
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(), "cannot write /dev/full: No space left on device");
  }
}

// A file-size limit of 20 blocks (20480 bytes) is below the demo's results file (about 79 kB):
// the run ends with exit 1 naming the file, not by SIGXFSZ, and leaves the empty results file.
TEST(CheckedWrites, FileSizeLimitEndsTheRunWithAMessage) {
  ScratchDir dir;
  copy_folder(kSourceDir / "demo", dir.path() / "demo");
  const BatchRun r = limited_run(dir.path(), "prlimit --fsize=20480 timeout 120",
                                 "--fields demo/fields.txt --no-tables");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "quorvane-batch: cannot write ./output.out: File too large\n");
  EXPECT_EQ(slurp(dir.path() / "output.out"), "");
  EXPECT_FALSE(fs::exists(dir.path() / "output.out.partial"));
}

// SIGINT 2 s into a scan of 750,001 points (many minutes): STOP answered "no bootstrap", the
// results of the moment written, exit 130.
TEST(Interrupts, SigintWritesTheResultsOfTheMomentAndExits130) {
  BadInputsStock w;
  write_text(w.dir() / "output.out.tables/stale.csv", "an earlier run\n");
  // Without --foreground, timeout sends the signal to the program and to its process group: the
  // program may receive it twice at once, which is still one request.
  const BatchRun r = limited_run(w.dir(), "timeout --preserve-status -k 120 -s INT 2",
                                 "--fields fields.txt --set Text19=0.000002");
  EXPECT_EQ(r.exit_code, 130);
  const std::string results = slurp(w.dir() / "output.out");
  EXPECT_EQ(results.rfind("FILE OF RESULTS\r\nProcess was terminated by user !!!\r\n", 0), 0u);
  EXPECT_NE(results.find(" Standard errors\r\n"), std::string::npos);
  const std::string log = slurp(w.dir() / "minim.out");
  EXPECT_EQ(log.substr(log.size() - 2), "\r\n");  // closed on a whole line
  EXPECT_TRUE(fs::exists(w.dir() / "output.out.tables/estimates.csv"));
}

// A second run in a folder where a run holds the lock is refused and touches nothing; the lock
// dies with the run, so the next run goes ahead.
TEST(OneRunPerFolder, ASecondRunIsRefusedWhileTheFirstHoldsTheLock) {
  BadInputsStock w;
  write_text(w.dir() / "output.out", kEarlierResults);
  {
    WorkdirLock first(w.dir().string());
    const BatchRun run = w.run("--fields fields.txt");
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.err.rfind("quorvane-batch: the working directory is in use by run " +
                                std::to_string(::getpid()) + " (started ",
                            0),
              0u)
        << run.err;
    EXPECT_EQ(slurp(w.dir() / "output.out"), kEarlierResults);
  }
  EXPECT_EQ(w.run("--fields fields.txt").exit_code, 0);
  EXPECT_FALSE(fs::exists(w.dir() / WorkdirLock::kFileName));
}

// Hand-made: bytes that would move the terminal (a line end too) are escapes, printable UTF-8
// stays as it is, a broken sequence does not; a message of 400 letters is cut to 297 and "...".
// (A long token: the catalogue case LongTokenIsCut.)
TEST(MessageText, TokensAndMessagesStayOnePrintableLine) {
  EXPECT_EQ(token_text("a\0b\n\x1B"sv), "a\\x00b\\x0A\\x1B");
  EXPECT_EQ(token_text("1,5 \xC3\xA9"), "1,5 \xC3\xA9");  // é is printable UTF-8
  EXPECT_EQ(token_text("\xC3("), "\\xC3(");               // a broken sequence is not
  EXPECT_EQ(message_line(std::string(400, 'm')), std::string(297, 'm') + "...");
}

// A machine that refuses a new thread (a process limit on a shared server, a container's pids
// limit) must not lose the run: the bootstrap goes on the one thread there is and writes the
// files a one-thread run writes.
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
