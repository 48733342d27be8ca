#include "app/tests/bootstrap_test.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <memory>
#include <optional>

#include "app/tests/session.h"
#include "app/window_host.h"
#include "base/errors.h"
#include "run/workdir_lock.h"

namespace quorvane::app::testing {

namespace {

const QStringList kBootFiles = {"bootS1.out",   "bootS2.out",  "bootf.out", "bootTSB.out",
                                "bootNtrm.out", "bootSSB.out", "bootm.out"};

// Whether another run could take the folder now, i.e. nobody holds its lock.
bool folder_free(const QString& dir) {
  try {
    WorkdirLock probe(dir.toStdString());
    return true;
  } catch (const SettingsError&) {
    return false;
  }
}

int line_count(const QByteArray& bytes) { return static_cast<int>(bytes.count('\n')); }

}  // namespace

void BootstrapTest::initTestCase() {
  if (!QFileInfo::exists(QStringLiteral(QUORVANE_SOURCE_DIR "/demo/c.txt"))) {
    QSKIP("the demo stock is not there");
  }
  Session session;
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"),
                                  [&] { main_run_yields_ = session.controller.yields(); });
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QVERIFY(main_run_yields_ > 0);
}

// The computation's report reaches the progress window as one line; answering either question
// clears it with the rest of the picture.
void BootstrapTest::progressLineIsShownAndTheAnswersClearIt() {
  Session session;
  ProgressWindow* progress = session.controller.progressWindow();
  Host& host = session.controller.host();
  const auto report = [&] {
    BootstrapStatus status;
    status.total = 5;
    status.written = 2;
    status.computing = 3;
    status.evaluations = 12;
    status.total_loss = 31.5;
    host.bootstrap_status(status);
  };
  const QString expected =
      QStringLiteral("bootstrap 3 of 5 | 12 evaluations | loss 31.5 | runs up to 2 written");
  report();
  QVERIFY(wait_until([&] { return progress->bootstrapStatus() == expected; }, "progress line"));
  QVERIFY(save_picture(progress, QStringLiteral("progress_bootstrap_line")));

  session.expectRestartQuestion(QStringLiteral("1"));
  std::optional<std::string> restart;
  session.controller.askRestart([&](std::string a) { restart = std::move(a); });
  QVERIFY(wait_until([&] { return restart.has_value(); }, "answer to Form3"));
  QVERIFY(wait_until([&] { return progress->bootstrapStatus().isEmpty(); }, "cleared line"));

  report();
  QVERIFY(wait_until([&] { return progress->bootstrapStatus() == expected; }, "progress line"));
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  std::optional<BootstrapAnswer> boot;
  session.controller.askBootstrap(false, [&](BootstrapAnswer a) { boot = std::move(a); });
  QVERIFY(wait_until([&] { return boot.has_value(); }, "answer to Form2"));
  QVERIFY(wait_until([&] { return progress->bootstrapStatus().isEmpty(); }, "cleared line"));
  VERIFY_ANSWERED(session);

  // Before the first evaluation of a run there is no loss to show; with no run being computed
  // the line says how far the writing has got.
  BootstrapStatus starting;
  starting.total = 5;
  starting.computing = 1;
  QCOMPARE(bootstrap_status_text(starting), QStringLiteral("bootstrap 1 of 5 | 0 evaluations"));
  BootstrapStatus over;
  over.total = 5;
  over.written = 5;
  QCOMPARE(bootstrap_status_text(over), QStringLiteral("bootstrap: runs up to 5 of 5 written"));
}

// A chained bootstrap of two runs: inside the first run the line names run 1, near the end of
// the second it names run 2 and the first as written.
void BootstrapTest::progressLineFollowsTheRunsOfARealBootstrap() {
  long all_yields = 0;
  QString in_first;
  {
    Session session;
    session.expectBootstrapQuestion(QStringLiteral("1"), QStringLiteral("2"));
    session.atYield(main_run_yields_ + 7, [&] {
      in_first = session.controller.progressWindow()->bootstrapStatus();
      session.controller.release();
    });
    QVERIFY(session.run());
    VERIFY_ANSWERED(session);
    all_yields = session.controller.yields();
  }
  QVERIFY2(in_first.startsWith(QStringLiteral("bootstrap 1 of 2 | ")), qPrintable(in_first));

  Session session;
  QString in_second;
  session.expectBootstrapQuestion(QStringLiteral("1"), QStringLiteral("2"));
  session.atYield(all_yields - 10, [&] {
    in_second = session.controller.progressWindow()->bootstrapStatus();
    save_picture(session.controller.progressWindow(), QStringLiteral("progress_bootstrap_run"));
    session.controller.release();
  });
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QVERIFY2(in_second.startsWith(QStringLiteral("bootstrap 2 of 2 | ")) &&
               in_second.endsWith(QStringLiteral(" | runs up to 1 written")),
           qPrintable(in_second));
}

// The kind chosen in Form2 gives the batch runner's files for --bootstrap-kind independent, and
// the session keeps the choice for the next question.
void BootstrapTest::independentKindChosenBesideTheQuestionMatchesTheBatchRunner() {
  Session session;
  int offered = -1;
  session.answerer.expect<BootstrapWindow>([&](BootstrapWindow* form) {
    offered = form->kindChoice()->currentIndex();
    form->kindChoice()->setCurrentIndex(static_cast<int>(BootstrapKind::Independent));
    form->answerField()->setText(QStringLiteral("1"));
    form->runsField()->setText(QStringLiteral("3"));
    form->goButton()->click();
  });
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  QCOMPARE(offered, static_cast<int>(BootstrapKind::Chained));
  QCOMPARE(session.controller.bootstrapKind(), BootstrapKind::Independent);

  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(batch.path(), {"--bootstrap", "3", "--bootstrap-kind", "independent"}));
  // bootfailed.out is written by the independent kind only, even when no replicate failed.
  for (const QString& name :
       kBootFiles + QStringList{"bootfailed.out", "output.out", "minim.out"}) {
    QCOMPARE(QFileInfo::exists(session.path(name)), QFileInfo::exists(batch.filePath(name)));
    QVERIFY2(session.bytes(name) == file_bytes(batch.filePath(name)), qPrintable(name));
  }
  QVERIFY(QFileInfo::exists(session.path(QStringLiteral("bootfailed.out"))));
}

// STOP while the replicates are computed on other threads ends the bootstrap: the replicates
// written before it stay, the files are closed, and the folder is free again.
void BootstrapTest::stopDuringIndependentReplicatesEndsWithTheFinishedOnesWritten() {
  Session session;
  session.controller.setBootstrapKind(BootstrapKind::Independent);
  session.expectBootstrapQuestion(QStringLiteral("1"), QStringLiteral("200"));
  QString line_at_stop;
  bool held_folder = false;
  // The first yield point after the question is the wait for a replicate.
  session.atYield(main_run_yields_ + 1, [&] {
    line_at_stop = session.controller.progressWindow()->bootstrapStatus();
    held_folder = !folder_free(session.dir.path());
    session.expectStopQuestion(true);
    session.pressStop();
  });
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  QVERIFY2(line_at_stop.startsWith(QStringLiteral("bootstrap ")) &&
               line_at_stop.contains(QStringLiteral(" of 200 | ")),
           qPrintable(line_at_stop));
  QVERIFY(held_folder);
  QVERIFY(folder_free(session.dir.path()));

  // The header, the main run and the replicates written before the stop; far from all 200.
  const int lines = line_count(session.bytes(QStringLiteral("bootS1.out")));
  QVERIFY2(lines >= 2 && lines < 2 + 200, qPrintable(QString::number(lines)));
  QCOMPARE(line_count(session.bytes(QStringLiteral("bootf.out"))), lines);
  QVERIFY(QFileInfo::exists(session.path(QStringLiteral("bootfailed.out"))));
  QVERIFY(!session.controller.progressWindow()->isVisible());
  const OpenFiles& files = session.controller.state().files;
  QVERIFY(!files.results.is_open() && !files.minim.is_open());
  for (const PrintFile& f : files.boot) QVERIFY(!f.is_open());
}

// The kind goes into the settings file beside the fields, in the form the batch runner reads;
// a file without it means the default.
void BootstrapTest::kindIsSavedAndLoadedWithTheSettings() {
  Session session;
  const QString path = session.path(QStringLiteral("settings.txt"));
  session.controller.setBootstrapKind(BootstrapKind::Independent);
  QCOMPARE(session.window.saveSettingsTo(path), QString());
  QVERIFY(
      session.bytes(QStringLiteral("settings.txt")).contains("\nbootstrap_kind = independent\n"));

  session.controller.setBootstrapKind(BootstrapKind::Chained);
  QCOMPARE(session.window.loadSettingsFrom(path), QString());
  QCOMPARE(session.controller.bootstrapKind(), BootstrapKind::Independent);

  // The batch runner takes the same file as a fields file: its bootstrap is independent.
  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(batch.path(), {"--fields", path, "--bootstrap", "1"}));
  QVERIFY(QFileInfo::exists(batch.filePath(QStringLiteral("bootfailed.out"))));

  QFile demo_fields(session.path(QStringLiteral("demo/fields.txt")));
  QVERIFY(demo_fields.exists());
  QCOMPARE(session.window.loadSettingsFrom(demo_fields.fileName()), QString());
  QCOMPARE(session.controller.bootstrapKind(), BootstrapKind::Chained);

  // A kind the program does not know loads nothing and names the line.
  const QString first_year = session.window.field(FieldId::FirstYear)->text();
  QFile bad(session.path(QStringLiteral("bad.txt")));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write("Text8=1990\nbootstrap_kind = chain\n");
  bad.close();
  session.answerer.expect<QMessageBox>([](QMessageBox* box) { box->accept(); });
  const QString problem = session.window.loadSettingsFrom(bad.fileName());
  QVERIFY(wait_until([&] { return session.answerer.done(); }, "answer to the message"));
  QVERIFY2(
      problem.contains(QStringLiteral("line 2")) && problem.contains(QStringLiteral("'chain'")),
      qPrintable(problem));
  QCOMPARE(session.window.field(FieldId::FirstYear)->text(), first_year);
  VERIFY_ANSWERED(session);
}

// While another run holds the folder START is refused with the batch runner's message and
// touches nothing; once it is free START runs, and the window's run holds the folder in turn.
void BootstrapTest::startIsRefusedWhileAnotherRunHoldsTheFolder() {
  Session session;
  QString message;
  {
    WorkdirLock other(session.dir.path().toStdString());
    session.answerer.expect<QMessageBox>([&](QMessageBox* box) {
      message = box->text();
      box->accept();
    });
    session.window.startButton()->click();
    QVERIFY(wait_until([&] { return session.answerer.done(); }, "answer to the message"));
    VERIFY_ANSWERED(session);
    QVERIFY(!session.controller.running());
    QVERIFY(!QFileInfo::exists(session.path(QStringLiteral("output.out"))));
    QVERIFY2(message.startsWith(QStringLiteral("the working directory is in use by run ")),
             qPrintable(message));
    QVERIFY(session.window.statusLine()->text().contains(message));
  }

  bool held_folder = false;
  session.atYield(5, [&] {
    held_folder = !folder_free(session.dir.path());
    session.controller.release();
  });
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  QVERIFY(held_folder);
  QVERIFY(folder_free(session.dir.path()));

  // A run that fails lets the folder go as well.
  session.window.field(FieldId::WeightFile)->setText(QStringLiteral("demo/none.txt"));
  session.answerer.expect<QMessageBox>([](QMessageBox* box) { box->accept(); });
  QVERIFY(session.run());
  QVERIFY(wait_until([&] { return session.answerer.done(); }, "answer to the message"));
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::InputFailed);
  QVERIFY(folder_free(session.dir.path()));
}

}  // namespace quorvane::app::testing
