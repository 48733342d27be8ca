// Whole runs from the parameter window on the demo stock, each compared with the batch runner's
// files for the same fields and answers.

#include "app/tests/test_support.h"
#include "app/window_host.h"
#include "base/errors.h"
#include "run/workdir_lock.h"

namespace quorvane::app::testing {

namespace {

// Whether another run could take the folder now, i.e. nobody holds its lock.
bool folder_free(const Session& session) {
  try {
    WorkdirLock probe(session.dir.path().toStdString());
    return true;
  } catch (const SettingsError&) {
    return false;
  }
}

bool files_closed(const Session& session) {
  const OpenFiles& files = session.controller.state().files;
  return !files.results.is_open() && !files.minim.is_open() &&
         std::ranges::none_of(files.boot, &PrintFile::is_open);
}

}  // namespace

// Refused STARTs touch nothing and leave the window usable; the default run after them then
// writes the batch runner's files. In that run STOP answered No changes nothing, and neither does
// a second START nor an edit during the run. The title bar's X asks as STOP does, and the
// progress window stays until the end of the run.
void AppTest::refusedStartsLeaveTheWindowUsableForTheDefaultRun() {
  Session session;
  QString message;
  // While another run holds the folder START is refused with the batch runner's message and
  // touches nothing. (That a run holds the folder is seen in stopDuringIndependent...)
  {
    WorkdirLock other(session.dir.path().toStdString());
    session.expectMessage(&message);
    session.window.startButton()->click();
    QVERIFY(session.answered());
    QVERIFY(!session.controller.running() && untouched(session.dir.path()));
    QVERIFY2(message.startsWith(u"the working directory is in use by run "_s), qPrintable(message));
    QVERIFY(session.status().contains(message));
  }

  // Fields that are not numbers: a message naming each field and its text on a line of its
  // own, the fields marked, and no file touched.
  session.field(FieldId::FirstYear)->setText(u"abc"_s);
  session.field(FieldId::CentralElements)->setText(u"four"_s);
  session.expectMessage(&message);
  QVERIFY(session.run() && session.answered());
  QCOMPARE(session.outcome().status, RunStatus::SettingsRejected);
  VERIFY_MATCHES(
      message,
      u"^[^\\n]*Years for analysis\\.  First year:[^\\n]*abc[^\\n]*\\n[^\\n]*four[^\\n]*$"_s);
  QVERIFY(!session.field(FieldId::FirstYear)->styleSheet().isEmpty());
  QVERIFY(!session.field(FieldId::CentralElements)->styleSheet().isEmpty());
  QVERIFY(session.field(FieldId::LastYear)->styleSheet().isEmpty());
  QVERIFY(untouched(session.dir.path()));
  QVERIFY(!session.controller.progressWindow()->isVisible());

  // A missing input file: a warning naming the file. (That a failed run hides the progress
  // window is seen above, and that every run lets the folder go in stopDuringIndependent....)
  session.field(FieldId::FirstYear)->setText(u"1984"_s);
  session.field(FieldId::CentralElements)->setText(u"4"_s);
  session.field(FieldId::WeightFile)->setText(u"demo/none.txt"_s);
  session.expectMessage(&message);
  QVERIFY(session.run() && session.answered());
  QCOMPARE(session.outcome().status, RunStatus::InputFailed);
  VERIFY_MATCHES(message, u"none\\.txt"_s);
  session.field(FieldId::WeightFile)->setText(u"demo/w.txt"_s);

  // The next START with good fields runs as if nothing had happened.
  ProgressWindow* progress = session.controller.progressWindow();
  bool visible_during_run = false;
  session.atYield(5, [&] {
    session.field(FieldId::LastYear)->setText(u"2010"_s);  // edits wait for the next START
    session.window.startButton()->click();
    visible_during_run = progress->isVisible();
    session.expectStopQuestion(false);
    progress->close();
    visible_during_run = visible_during_run && progress->isVisible();
  });
  const int starts = session.starts;
  session.expectBootstrapQuestion(
      u"2"_s, u"100"_s, [&](BootstrapWindow*) { main_run_yields_ = session.controller.yields(); });
  VERIFY_RUN(session);
  QCOMPARE(session.outcome().status, RunStatus::Completed);
  QCOMPARE(session.starts, starts + 1);
  QVERIFY(visible_during_run);
  QVERIFY(!progress->isVisible());  // the end of the run brings back the parameters
  VERIFY_SAME_AS_BATCH(session.dir.path());
}

// The stops below come halfway through the main run: a stop confirmed before the first
// evaluation has finished meets cells the results cannot be written from.
void AppTest::stopAnsweredYesWritesTerminatedResultsAndRefusesBootstrap() {
  Session session;
  session.atYield(main_run_yields_ / 2, [&] {
    session.expectStopQuestion(true);
    session.pressStop();
  });
  // The user asks for a bootstrap all the same; a stopped run refuses it.
  session.expectBootstrapQuestion(u"1"_s, u"2"_s);
  VERIFY_RUN(session);
  // What the window and the charts show of a stopped run says that it is no fit.
  VERIFY_MATCHES(session.status(),
                 u"^run stopped by the user at evaluation \\d+: values are not a fit$"_s);
#if QUORVANE_CHARTS
  if (session.window.resultsWindow() != nullptr)
    QCOMPARE(session.window.resultsWindow()->note()->text(), session.status());
#endif
  // A run that unwinds after the stop leaves the search log open until the session ends; the
  // batch runner stopped at the same cohort computation writes the same files, its terminated
  // results among them (StopFromTheBatchRunner...).
  session.controller.quit();
  VERIFY_SAME_AS_BATCH(session.dir.path(), "--stop-at-call", QString::number(main_run_yields_ / 2),
                       "--bootstrap", "2");
}

void AppTest::bootstrapOfTwoRunsMatchesTheBatchRunner_data() {
  QTest::addColumn<long>("after_main_run");
  QTest::addColumn<QString>("answer");
  QTest::addColumn<bool>("independent");
  QTest::newRow("not stopped") << 0L << QString() << false;
  // Well into the first bootstrap run, STOP and then restart it or stop.
  QTest::newRow("stopped, restart") << 7L << u"1"_s << false;
  QTest::newRow("stopped, no") << 7L << u"2"_s << false;
  // The independent kind chosen in Form2, where chained is offered: the session keeps the choice
  // for the next question.
  QTest::newRow("independent") << 0L << QString() << true;
}

void AppTest::bootstrapOfTwoRunsMatchesTheBatchRunner() {
  QFETCH(long, after_main_run);
  QFETCH(QString, answer);
  QFETCH(bool, independent);
  const long stop_at = main_run_yields_ + after_main_run;
  const BootstrapKind kind = independent ? BootstrapKind::Independent : BootstrapKind::Chained;
  Session session;
  int offered = -1;
  session.expectBootstrapQuestion(u"1"_s, u"2"_s, [&](BootstrapWindow* form) {
    offered = form->kindChoice()->currentIndex();
    form->kindChoice()->setCurrentIndex(static_cast<int>(kind));
  });
  QStringList arguments = {"--bootstrap", "2"};
  if (independent)
    arguments << "--bootstrap-kind"
              << "independent";
  if (after_main_run > 0) {
    session.atYield(stop_at, [&] {
      session.expectStopQuestion(true);
      session.expectRestartQuestion(answer);
      session.pressStop();
    });
    arguments << "--stop-at-call" << QString::number(stop_at) << "--restart-answer" << answer;
  }
  VERIFY_RUN(session);
  QCOMPARE(session.outcome().status, RunStatus::Completed);
  QCOMPARE(offered, static_cast<int>(BootstrapKind::Chained));
  QCOMPARE(session.controller.bootstrapKind(), kind);
  VERIFY_SAME_AS_BATCH(session.dir.path(), arguments);
}

// STOP while the replicates are computed on other threads ends the bootstrap: the replicates
// written before it stay, the files are closed, and the folder is free again. The line that
// tells how far the bootstrap has got is shown until an answer clears it.
void AppTest::stopDuringIndependentReplicatesEndsWithTheFinishedOnesWritten() {
  Session session;
  session.controller.setBootstrapKind(BootstrapKind::Independent);
  session.expectBootstrapQuestion(u"1"_s, u"200"_s);
  QString line_at_stop;
  bool held_folder = false;
  // The first yield point after the question is the wait for a replicate.
  session.atYield(main_run_yields_ + 1, [&] {
    line_at_stop = session.controller.progressWindow()->bootstrapStatus();
    held_folder = !folder_free(session);
    session.expectStopQuestion(true);
    session.pressStop();
  });
  VERIFY_RUN(session);
  QCOMPARE(session.outcome().status, RunStatus::Completed);
  VERIFY_MATCHES(line_at_stop, u"^bootstrap .* of 200 \\| "_s);
  QVERIFY(held_folder && folder_free(session));
  // The header, the main run and the replicates written before the stop; far from all 200.
  const qsizetype lines = session.bytes(u"bootS1.out"_s).count('\n');
  QVERIFY2(lines >= 2 && lines < 2 + 200, qPrintable(QString::number(lines)));
  QCOMPARE(session.bytes(u"bootf.out"_s).count('\n'), lines);
  QVERIFY(!session.controller.progressWindow()->isVisible());
  QVERIFY(files_closed(session));

  // The computation's report reaches the progress window as one line; the answer to the restart
  // question clears it with the rest of the picture (the bootstrap runs that follow draw anew).
  ProgressWindow* progress = session.controller.progressWindow();
  session.controller.host().bootstrap_status(
      {.total = 5, .written = 2, .computing = 3, .evaluations = 12, .total_loss = 31.5});
  const QString line = u"bootstrap 3 of 5 | 12 evaluations | loss 31.5 | runs up to 2 written"_s;
  QVERIFY(wait_until([&] { return progress->bootstrapStatus() == line; }, "progress line"));
  session.expectRestartQuestion(u"1"_s);
  bool answered = false;
  session.controller.askRestart([&](std::string) { answered = true; });
  QVERIFY(wait_until([&] { return answered && progress->bootstrapStatus().isEmpty(); },
                     "answer and cleared line"));
  VERIFY_ANSWERED(session);
  // Before the first evaluation of a run there is no loss to show; with no run being computed
  // the line says how far the writing has got.
  QCOMPARE(bootstrap_status_text({.total = 5, .computing = 1, .total_loss = {}}),
           u"bootstrap 1 of 5 | 0 evaluations"_s);
  QCOMPARE(bootstrap_status_text({.total = 5, .written = 5, .total_loss = {}}),
           u"bootstrap: runs up to 5 of 5 written"_s);
}

// Closing the main window during a run asks first; on Yes the run stops as STOP stops it, its
// results are written, and then the program ends. "Quit session" ends it at once and writes no
// results: the results file, created empty at START, stays so. Either way every file is closed.
void AppTest::endingTheSessionDuringARunClosesEveryFile() {
  for (const bool closing : {true, false}) {
    Session session;
    session.window.show();
    session.atYield(closing ? main_run_yields_ / 2 : 5, [&] {
      if (!closing) return session.window.quitButton()->click();
      session.answerer.expect<QMessageBox>([](QMessageBox* box) {
        const bool closing_question = box->objectName() == u"closeQuestion"_s;
        box->button(closing_question ? QMessageBox::Yes : QMessageBox::No)->click();
      });
      session.window.close();
    });
    session.window.startButton()->click();
    QVERIFY(session.waitOver());
    VERIFY_ANSWERED(session);
    QVERIFY(!session.window.isVisible() && !session.controller.progressWindow()->isVisible());
    const QByteArray results = session.bytes(u"output.out"_s);
    QVERIFY(closing ? results.contains("Process was terminated by user !!!") : results.isEmpty());
    QVERIFY(closing || !session.finished);  // Quit session shows no report of the run
    QVERIFY(files_closed(session));
  }
}

}  // namespace quorvane::app::testing
