#include "app/tests/run_test.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include "app/tests/session.h"
#if QUORVANE_CHARTS
#include "app/results_window.h"
#endif

namespace quorvane::app::testing {

namespace {

// The files that a bootstrap writes, each compared with the batch runner's.
const QStringList kBootFiles = {"bootS1.out",   "bootS2.out",  "bootf.out", "bootTSB.out",
                                "bootNtrm.out", "bootSSB.out", "bootm.out"};

}  // namespace

void RunTest::initTestCase() {
  if (!QFileInfo::exists(QStringLiteral(QUORVANE_SOURCE_DIR "/demo/c.txt"))) {
    QSKIP("the demo stock is not there");
  }
  QVERIFY(copy_demo(batch_default_.path()));
  QVERIFY(run_batch(batch_default_.path(), {}));
  default_results_ = file_bytes(batch_default_.filePath(QStringLiteral("output.out")));
  default_log_ = file_bytes(batch_default_.filePath(QStringLiteral("minim.out")));
  QVERIFY(!default_results_.isEmpty());
}

void RunTest::defaultRunWithAStopAnsweredNoMatchesTheBatchRunner() {
  Session session;
  ProgressWindow* progress = session.controller.progressWindow();
  bool visible_during_run = false;
  // STOP answered No changes nothing: the run goes on to the batch runner's files. The title
  // bar's X asks as STOP does, and the window stays.
  session.atYield(5, [&] {
    visible_during_run = progress->isVisible();
    save_picture(progress, QStringLiteral("progress_during_run"));
    session.expectStopQuestion(false);
    progress->close();
    visible_during_run = visible_during_run && progress->isVisible();
  });
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"),
                                  [&] { main_run_yields_ = session.controller.yields(); });
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  QVERIFY(visible_during_run);
  // The end of the run hides the progress window and brings back the parameters.
  QVERIFY(!progress->isVisible());
  QVERIFY(save_picture(progress, QStringLiteral("progress_after_run")));

  QVERIFY(session.bytes(QStringLiteral("output.out")) == default_results_);
  QVERIFY(session.bytes(QStringLiteral("minim.out")) == default_log_);
  for (const QString& name : kBootFiles) QVERIFY(!QFileInfo::exists(session.path(name)));
}

// A stop confirmed before the first evaluation has finished meets cells the results cannot be
// written from; the stops below come halfway through the main run.
long RunTest::midRun() const { return main_run_yields_ / 2; }

void RunTest::stopAnsweredYesWritesTerminatedResultsAndRefusesBootstrap() {
  if (main_run_yields_ == 0) QSKIP("the length of the main run is not known");
  Session session;
  session.atYield(midRun(), [&] {
    session.expectStopQuestion(true);
    session.pressStop();
  });
  // The user asks for a bootstrap all the same; a stopped run refuses it.
  session.expectBootstrapQuestion(QStringLiteral("1"), QStringLiteral("2"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  QCOMPARE(session.controller.state().userend, 1);

  const QByteArray results = session.bytes(QStringLiteral("output.out"));
  QVERIFY(results.contains("Process was terminated by user !!!"));
  // What the window and the charts show of a stopped run says that it is no fit.
  const QString status = session.window.statusLine()->text();
  QVERIFY2(status.startsWith(QStringLiteral("run stopped by the user at evaluation ")) &&
               status.endsWith(QStringLiteral(": values are not a fit")),
           qPrintable(status));
#if QUORVANE_CHARTS
  if (session.window.resultsWindow() != nullptr) {
    QCOMPARE(session.window.resultsWindow()->note()->text(), status);
  }
#endif
  for (const QString& name : kBootFiles) QVERIFY(!QFileInfo::exists(session.path(name)));

  // The batch runner stopped at the same cohort computation writes the same files.
  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(
      run_batch(batch.path(), {"--stop-at-call", QString::number(midRun()), "--bootstrap", "2"}));
  QVERIFY(results == file_bytes(batch.filePath(QStringLiteral("output.out"))));
  // A run that unwinds after the stop leaves the search log open until the session ends.
  session.controller.quit();
  QVERIFY(session.bytes(QStringLiteral("minim.out")) ==
          file_bytes(batch.filePath(QStringLiteral("minim.out"))));
}

void RunTest::bootstrapOfTwoRunsMatchesTheBatchRunner_data() {
  QTest::addColumn<long>("after_main_run");
  QTest::addColumn<QString>("answer");
  QTest::newRow("not stopped") << 0L << QString();
  // Well into the first bootstrap run, STOP and then restart it or stop.
  QTest::newRow("stopped, restart") << 7L << QStringLiteral("1");
  QTest::newRow("stopped, no") << 7L << QStringLiteral("2");
}

void RunTest::bootstrapOfTwoRunsMatchesTheBatchRunner() {
  QFETCH(long, after_main_run);
  QFETCH(QString, answer);
  if (main_run_yields_ == 0) QSKIP("the length of the main run is not known");
  const long stop_at = after_main_run == 0 ? 0 : main_run_yields_ + after_main_run;

  Session session;
  session.expectBootstrapQuestion(QStringLiteral("1"), QStringLiteral("2"));
  if (stop_at > 0) {
    session.atYield(stop_at, [&] {
      session.expectStopQuestion(true);
      session.expectRestartQuestion(answer);
      session.pressStop();
    });
  }
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);

  QStringList arguments = {"--bootstrap", "2"};
  if (stop_at > 0) {
    arguments << "--stop-at-call" << QString::number(stop_at) << "--restart-answer" << answer;
  }
  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(batch.path(), arguments));
  for (const QString& name : kBootFiles + QStringList{"output.out", "minim.out"}) {
    QCOMPARE(QFileInfo::exists(session.path(name)), QFileInfo::exists(batch.filePath(name)));
    QVERIFY2(session.bytes(name) == file_bytes(batch.filePath(name)), qPrintable(name));
  }
}

void RunTest::rejectedStartLeavesTheWindowUsable() {
  Session session;
  QString message;
  const auto expect_message = [&] {
    session.answerer.expect<QMessageBox>([&](QMessageBox* box) {
      message = box->text();
      box->accept();
    });
  };

  // Fields that are not numbers: a message naming each field and its text on a line of its
  // own, the fields marked, and no file touched.
  session.window.field(FieldId::FirstYear)->setText(QStringLiteral("abc"));
  session.window.field(FieldId::CentralElements)->setText(QStringLiteral("four"));
  expect_message();
  QVERIFY(session.run());
  QVERIFY(wait_until([&] { return session.answerer.done(); }, "answer to the message"));
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::SettingsRejected);
  const QStringList problems = message.split(QLatin1Char('\n'));
  QVERIFY2(problems.size() == 2 && problems[0].contains(QStringLiteral("abc")) &&
               problems[0].contains(QStringLiteral("Years for analysis.  First year:")) &&
               problems[1].contains(QStringLiteral("four")),
           qPrintable(message));
  QVERIFY(!session.window.field(FieldId::FirstYear)->styleSheet().isEmpty());
  QVERIFY(!session.window.field(FieldId::CentralElements)->styleSheet().isEmpty());
  QVERIFY(session.window.field(FieldId::LastYear)->styleSheet().isEmpty());
  session.window.field(FieldId::CentralElements)->setText(QStringLiteral("4"));
  QVERIFY(!QFileInfo::exists(session.path(QStringLiteral("output.out"))));
  QVERIFY(!QFileInfo::exists(session.path(QStringLiteral("minim.out"))));
  QVERIFY(!session.controller.progressWindow()->isVisible());

  // A missing input file: a message naming the file.
  session.window.field(FieldId::FirstYear)->setText(QStringLiteral("1984"));
  session.window.field(FieldId::WeightFile)->setText(QStringLiteral("demo/none.txt"));
  expect_message();
  QVERIFY(session.run());
  QVERIFY(wait_until([&] { return session.answerer.done(); }, "answer to the message"));
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::InputFailed);
  QVERIFY2(message.contains(QStringLiteral("none.txt")), qPrintable(message));
  QVERIFY(!session.controller.progressWindow()->isVisible());

  // The next START with good fields runs as if nothing had happened.
  session.window.field(FieldId::WeightFile)->setText(QStringLiteral("demo/w.txt"));
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  QVERIFY(session.bytes(QStringLiteral("output.out")) == default_results_);
}

void RunTest::startDuringARunIsIgnored() {
  Session session;
  int starts = 0;
  connect(&session.controller, &RunController::runStarted, [&] { ++starts; });
  long yields_after_second_press = 0;
  session.atYield(3, [&] {
    session.window.field(FieldId::LastYear)->setText(QStringLiteral("2010"));  // edits wait for the next START
    session.window.startButton()->click();
    yields_after_second_press = session.controller.yields();
    session.controller.release();
  });
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(starts, 1);
  QCOMPARE(yields_after_second_press, 3L);
  QVERIFY(session.bytes(QStringLiteral("output.out")) == default_results_);
}

// Closing the main window during a run asks first; on Yes the run stops as STOP stops it, its
// results are written, and then the program ends.
void RunTest::closingDuringARunAsksAndWritesTheResultsBeforeQuitting() {
  if (main_run_yields_ == 0) QSKIP("the length of the main run is not known");
  Session session;
  bool over = false;
  connect(&session.controller, &RunController::sessionOver, [&] { over = true; });
  session.window.show();
  session.atYield(midRun(), [&] {
    session.answerer.expect<QMessageBox>([](QMessageBox* box) {
      box->button(box->objectName() == QStringLiteral("closeQuestion") ? QMessageBox::Yes
                                                                       : QMessageBox::No)
          ->click();
    });
    session.window.close();
  });
  session.window.startButton()->click();
  QVERIFY(wait_until([&] { return over; }, "end of the session"));
  VERIFY_ANSWERED(session);
  QVERIFY(!session.window.isVisible());
  QVERIFY(
      session.bytes(QStringLiteral("output.out")).contains("Process was terminated by user !!!"));
  const OpenFiles& files = session.controller.state().files;
  QVERIFY(!files.results.is_open() && !files.minim.is_open());
}

void RunTest::quitSessionDuringARunWritesNoResults() {
  Session session;
  bool over = false;
  connect(&session.controller, &RunController::sessionOver, [&] { over = true; });
  session.atYield(5, [&] { session.window.quitButton()->click(); });
  session.window.startButton()->click();
  QVERIFY(wait_until([&] { return over; }, "end of the session"));
  VERIFY_ANSWERED(session);
  QVERIFY(!session.finished);  // the session ends; no run report is shown
  QVERIFY(!session.window.isVisible());
  QVERIFY(!session.controller.progressWindow()->isVisible());
  // The results file was created empty at START and stays so; every file is closed.
  QCOMPARE(QFileInfo(session.path(QStringLiteral("output.out"))).size(), 0);
  const OpenFiles& files = session.controller.state().files;
  QVERIFY(!files.results.is_open() && !files.minim.is_open());
  for (const PrintFile& f : files.boot) QVERIFY(!f.is_open());
}

}  // namespace quorvane::app::testing
