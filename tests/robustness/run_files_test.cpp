// What a run may write and read, and what happens when the disk, the terminal or the user gets in
// the way: outputs that would land on an input or outside the working directory, inputs that are
// not regular files, writes that fail, a second run in the same folder, SIGINT. Each
// catalogue case gives the exit status, the one message and the state of the results file;
// expect_answer also checks that every input is byte-identical afterwards.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/print.h"
#include "robustness/batch_workdir.h"
#include "run/workdir_lock.h"
#include "state/message_text.h"

namespace quorvane::testing {
namespace {

using enum ResultsFile;
using namespace std::string_view_literals;

constexpr const char* kResultsTitle = "Name of file for final resullts: ";

const BadInput kRunFiles[] = {
    // ---- Outputs that would fall on an input or outside the folder: refused before START
    // empties anything (exit 2).
    // The same file spelled with a backslash and a detour.
    {"ResultsFileNamesTheFleetFileWithABackslash", "--set 'Text35=tiny\\..\\fleet.txt'", 2,
     "Name of file for final resullts: 'tiny\\..\\fleet.txt' names an input of the run (Names of "
     "files: 1: Text49), which it would write over (Text35)",
     Kept},
    {"ResultsFileIsTheSearchLog", "--set Text35=minim.out", 2,
     "Name of file for final resullts: 'minim.out' is the name of a file the run writes itself "
     "(minim.out) (Text35)",
     Kept},
    {"ResultsFileAboveTheWorkingDirectory", "--set Text35=../victim.txt", 2,
     "Name of file for final resullts: '../victim.txt' lies outside the working directory "
     "(Text35)",
     Kept},
    {"CatchFileNamedLikeTheSearchLog", "--set Text1=minim.out", 2,
     "C(a,y) file: 'minim.out' is a file the run writes itself (minim.out) (Text1)", Kept},
    {"CatchFileIsAFolder", "--set Text1=tiny", 2,
     "C(a,y) file: 'tiny' is a directory, not a file (Text1)", Kept},
    {"CatchFileIsADevice", "--set Text1=/dev/zero", 2,
     "C(a,y) file: '/dev/zero' is a device, not a file (Text1)", Kept},
    // ---- Settings that read as numbers but that no run can use; refused before the run (exit 2).
    {"SurveyPortionAboveOne", "--set Text43=1.5", 2,
     "Portion of the year before SSBsurvey (0-1), same for all: '1.5' is outside 0..1 (Text43)",
     Kept},
    {"NegativeWeight", "--set Text102=-1", 2,
     "Weights of components in the overall loss function: Aged1 : '-1' is below 0 (Text102)", Kept},
    // (2 - .5) / 1E-9 + 1 points.
    {"ScanOfABillionPoints", "--set Text19=1e-9", 2,
     "If Scan: Step : '1e-9' makes a scan of more than 1000000 points (the bounds and steps "
     "Text17..Text19) (Text19)",
     Kept},
    // 1E17 + 1 is 1E17: the scan would never move.
    {"StepLostBesideTheBound", "--set Text17=1e17 --set Text18=1e17 --set Text19=1", 2,
     "If Scan: Step : '1' makes a scan of more than 1000000 points (the bounds and steps "
     "Text17..Text19) (Text19)",
     Kept},
    // 60 letters: the first 40 and the length.
    {"LongTokenIsCut", "--set Text8=yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy",
     2,
     "Years for analysis.  First year: 'yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy... (60 bytes)' "
     "is not a number (Text8)",
     Kept},
    // ---- Files that keep a layout but must not be read as they stand.
    // Rows from 2002 under a line 1 that says 2001 would all be read a year off.
    {"RowsStartAfterTheFirstYear", "--set Text1=late.txt", 1,
     "./late.txt: line 5: the first row begins with the year '2002', but line 1 gives 2001 as "
     "the first year",
     Emptied, "", "", "late.txt", "1 4 2001 2006\nx\nx\nx\n2002 1 2 3 4\n"},
    {"FieldsFileInUtf16", "--fields wide.txt", 2,
     "wide.txt: the fields file is in UTF-16; save it as plain text (UTF-8 or ASCII)", Kept, "", "",
     "wide.txt", "\xFF\xFET\0e\0x\0t\0"sv},
    // A NUL byte and an escape sequence are shown as escapes, not sent to the terminal.
    {"ControlBytesAreEscaped", "--set Text1=ctl.txt", 1,
     "./ctl.txt: line 5: '2001\\x00\\x1B[2J' is not a number", Emptied, "", "", "ctl.txt",
     "1 4 2001 2006\nx\nx\nx\n2001\0\x1B[2J 1 2 3 4\n"sv},
    // 1E308 in an SSB survey has no rounded form in the results file: the year is named.
    {"SurveyValueNearTheLargestDouble", "--set Text40=huge.txt", 1,
     "RESPRINT: a value that is not finite in year 2003", Emptied, "", "", "huge.txt",
     "SSB\nx\nx\nx\n468.0\n434.0\n1e308\n399.0\n423.3\n454.2\n"},
    // A file where the peel's folder goes: the main run's results stand, the exit says 1.
    {"RetrospectivePeelThatCannotBeWritten", "--retro 1", 1, "", Written, "", "retro",
     "retro/peel1", "not a folder\n"},
    // A byte-order mark before the first field, as some editors write it.
    {"FieldsFileWithAByteOrderMark", "--fields bom.txt", 0, "", Written, "", "", "bom.txt",
     "\xEF\xBB\xBFText1=c.txt\n"},
};

INSTANTIATE_TEST_SUITE_P(RunFiles, BadInputCatalogue, ::testing::ValuesIn(kRunFiles), case_name);

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
  EXPECT_EQ(run.err, std::string("quorvane-batch: ") + kResultsTitle +
                         "'link.out' names an input of the run (Matur(a,y) file: Text37), which "
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
