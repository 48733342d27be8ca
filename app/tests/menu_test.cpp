// The menu actions of the parameter window. The settings file is the batch runner's --fields
// file, so every window result here is compared with the batch runner's for the same file.
#include "app/tests/menu_test.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTextStream>

#include "app/retrospective_job.h"
#include "app/tests/session.h"
#if QUORVANE_CHARTS
#include "app/results_window.h"
#endif

namespace quorvane::app::testing {

namespace {

// The demo's own settings (a few fields; the others keep their defaults), in the copy of the
// demo that a session works on.
QString demo_fields(const Session& session) {
  return session.path(QStringLiteral("demo/fields.txt"));
}

bool write_text(const QString& path, const QString& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QTextStream(&file) << text;
  return true;
}

// Closes the messages that a refused action leaves on screen.
void close_messages(QWidget* window) {
  for (QMessageBox* box : window->findChildren<QMessageBox*>()) box->close();
}

}  // namespace

void MenuTest::initTestCase() {
  if (!QFileInfo::exists(QStringLiteral(QUORVANE_SOURCE_DIR "/demo/fields.txt"))) {
    QSKIP("the demo stock is not there");
  }
}

void MenuTest::savedSettingsLoadBackAsTheSameFields() {
  Session first;
  QCOMPARE(first.window.loadSettingsFrom(demo_fields(first)), QString());
  // A field left empty and a name with blanks inside must come back as they were.
  first.window.field(FieldId::FirstPeriodEnd)->setText(QStringLiteral("2004"));
  first.window.field(FieldId::Fleet1Time)->clear();
  first.window.field(FieldId::ResultsFile)->setText(QStringLiteral("my results.out"));
  const FieldTexts saved = first.window.fieldTexts();
  QVERIFY(saved != default_field_texts());
  const QString path = first.path(QStringLiteral("saved settings.txt"));
  QCOMPARE(first.window.saveSettingsTo(path), QString());

  // A later program start remembers the working directory and the settings file, and opens
  // with the default fields until the file is loaded.
  RunController controller;
  ParameterWindow second(controller);
  QCOMPARE(second.workingDirectory(), first.dir.path());
  QCOMPARE(second.settingsFile(), path);
  QVERIFY(second.fieldTexts() == default_field_texts());
  QCOMPARE(second.loadSettingsFrom(path), QString());
  for (const Field& f : kFields) {
    QVERIFY2(second.fieldTexts()[f.id] == saved[f.id], f.name.data());
  }
}

void MenuTest::badSettingsFileLoadsNothingAndNamesTheLine_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("named");
  // The good lines before the bad one must not be taken either.
  QTest::newRow("unknown field") << "Text8=1990\nText9=2010\nText116=1\n"
                                 << "line 3";
  QTest::newRow("line without =") << "Text8=1990\n# a comment\nText9 2010\n"
                                  << "line 3";
}

void MenuTest::badSettingsFileLoadsNothingAndNamesTheLine() {
  QFETCH(QString, text);
  QFETCH(QString, named);
  Session session;
  session.window.field(FieldId::FirstYear)->setText(QStringLiteral("1985"));
  const FieldTexts before = session.window.fieldTexts();
  const QString path = session.path(QStringLiteral("bad.txt"));
  QVERIFY(write_text(path, text));

  const QString message = session.window.loadSettingsFrom(path);
  QVERIFY2(message.contains(QStringLiteral("bad.txt")) && message.contains(named),
           qPrintable(message));
  QVERIFY(session.window.fieldTexts() == before);
  QVERIFY(session.window.settingsFile() != path);
  close_messages(&session.window);

  // A file that is not there is refused the same way.
  QVERIFY(!session.window.loadSettingsFrom(session.path(QStringLiteral("none.txt"))).isEmpty());
  QVERIFY(session.window.fieldTexts() == before);
  close_messages(&session.window);
}

void MenuTest::windowRunOfSavedSettingsMatchesTheBatchRunnerAndShowsItsCharts() {
  Session session;
  // The demo's fields with an F-bar range and units beside them: the window keeps them, saves
  // them back and reports with them as the batch runner does.
  QFile demo(demo_fields(session));
  QVERIFY(demo.open(QIODevice::ReadOnly));
  const QString with_keys = session.path(QStringLiteral("with keys.txt"));
  QVERIFY(write_text(with_keys, QString::fromUtf8(demo.readAll()) +
                                    QStringLiteral("fbar = 4-6\nunits_weight = kg\n")));
  QCOMPARE(session.window.loadSettingsFrom(with_keys), QString());
  session.window.field(FieldId::FirstPeriodEnd)->setText(QStringLiteral("2004"));  // two selection periods
  const QString settings = session.path(QStringLiteral("settings.txt"));
  QCOMPARE(session.window.saveSettingsTo(settings), QString());
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  QCOMPARE(session.outcome.status, RunStatus::Completed);

  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(batch.path(), {QStringLiteral("--fields"), settings}));
  const QByteArray output = session.bytes(QStringLiteral("output.out"));
  QVERIFY(!output.isEmpty());
  QVERIFY(output == file_bytes(batch.filePath(QStringLiteral("output.out"))));
  const QString summary = QStringLiteral("output.out.tables/summary.csv");
  QVERIFY(session.bytes(summary) == file_bytes(batch.filePath(summary)));
  const QByteArray run_csv = session.bytes(QStringLiteral("output.out.tables/run.csv"));
  QVERIFY2(run_csv.contains("units_weight,Unit of the weights,kg\n"), run_csv.constData());
  QVERIFY2(run_csv.contains("4-6"), run_csv.constData());

#if QUORVANE_CHARTS
  // The end of the run brings up the charts of its tables.
  ResultsWindow* results = session.window.resultsWindow();
  QVERIFY(results != nullptr && results->isVisible());
  QCOMPARE(QFileInfo(results->folder()).fileName(), QStringLiteral("output.out.tables"));
  const QStringList charts = results->chartNames();
  for (const char* name : {"ssb", "f", "recruitment", "catch_residuals", "fleet1_residuals"}) {
    QVERIFY2(charts.contains(QLatin1String(name)), qPrintable(charts.join(',')));
  }
  QVERIFY(charts.filter(QStringLiteral("retrospective")).isEmpty());
  QCOMPARE(results->currentChart(), charts.front());
  results->resize(1366, 768);
  QVERIFY(save_picture(results, QStringLiteral("results_window_1366x768")));

  // The suffix chooses the kind of file; any other suffix is refused and writes nothing.
  QVERIFY(results->selectChart(QStringLiteral("recruitment")));
  QCOMPARE(results->saveChartTo(session.path(QStringLiteral("r.PNG"))), QString());
  QCOMPARE(QImage(session.path(QStringLiteral("r.PNG"))).size(), QSize(1200, 800));
  QCOMPARE(results->saveChartTo(session.path(QStringLiteral("r.svg"))), QString());
  QVERIFY(session.bytes(QStringLiteral("r.svg")).contains("<svg"));
  QVERIFY(!results->saveChartTo(session.path(QStringLiteral("r.pdf"))).isEmpty());
  QVERIFY(!QFileInfo::exists(session.path(QStringLiteral("r.pdf"))));

  // A folder without tables is refused with its reason, and the charts on view stay.
  QVERIFY(!results->showTables(session.path(QStringLiteral("demo"))).isEmpty());
  QCOMPARE(results->chartNames(), charts);

  // The next START takes the charts away until its own are there.
  bool cleared = false;
  session.atYield(3, [&] {
    cleared = results->chartNames().isEmpty() && results->note()->isVisibleTo(results);
    session.controller.release();
  });
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  QVERIFY(cleared);
  QCOMPARE(results->chartNames(), charts);
  QVERIFY(!results->note()->isVisibleTo(results));
#endif
}

void MenuTest::retrospectiveMatchesTheBatchRunner() {
  // The analysis years 1984..2014 allow 30 peels; years that are not numbers allow none.
  FieldTexts texts = default_field_texts();
  texts[FieldId::FirstYear] = "1984";
  texts[FieldId::LastYear] = "2014";
  QCOMPARE(most_peels(texts), 30);
  texts[FieldId::LastYear] = "1984";
  QCOMPARE(most_peels(texts), 0);
  texts[FieldId::LastYear] = "x";
  QCOMPARE(most_peels(texts), 0);

  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(
      batch.path(),
      {"--fields", QStringLiteral(QUORVANE_SOURCE_DIR "/demo/fields.txt"), "--retro", "2"}));
  const QStringList files = {"retro/retro.csv", "retro/retro_rho.csv", "retro/peel2/output.out"};

  Session session;
  QCOMPARE(session.window.loadSettingsFrom(demo_fields(session)), QString());
  // Without a run before it, the retrospective makes its own full run; after a START with the
  // same fields it takes that run. Both give the batch runner's files.
  for (const bool after_start : {false, true}) {
    if (after_start) {
      session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
      QVERIFY(session.run());
      VERIFY_ANSWERED(session);
      QDir(session.path(QStringLiteral("retro"))).removeRecursively();
    }
    QVERIFY(session.retrospective(2));
    const RetroOutcome& outcome = session.controller.lastRetrospective();
    QVERIFY2(outcome.problem.empty(), outcome.problem.c_str());
    for (const QString& name : files) {
      QVERIFY2(
          !session.bytes(name).isEmpty() && session.bytes(name) == file_bytes(batch.filePath(name)),
          qPrintable(name));
    }
    QVERIFY(session.bytes(QStringLiteral("output.out")) ==
            file_bytes(batch.filePath(QStringLiteral("output.out"))));
    QVERIFY2(session.window.statusLine()->text().startsWith(QStringLiteral("Mohn's rho: SSB ")),
             qPrintable(session.window.statusLine()->text()));
#if QUORVANE_CHARTS
    ResultsWindow* results = session.window.resultsWindow();
    QVERIFY(results != nullptr && results->isVisible());
    QVERIFY2(results->currentChart().startsWith(QStringLiteral("retrospective")),
             qPrintable(results->currentChart()));
    QVERIFY(results->note()->text().startsWith(session.window.statusLine()->text()));
    // A retrospective that made its own full run says which files of the main run it rewrote.
    QCOMPARE(results->note()->text().contains(QStringLiteral("output.out and minim.out")),
             !after_start);
    if (!after_start) {
      results->resize(1366, 768);
      QVERIFY(save_picture(results, QStringLiteral("results_window_retrospective_1366x768")));
    }
#endif
  }
}

void MenuTest::quitSessionDuringARetrospectiveEndsItWithoutTables() {
  Session session;
  bool over = false;
  connect(&session.controller, &RunController::sessionOver, [&] { over = true; });
  QVERIFY(session.window.runRetrospective(3));
  // One thing at a time: START waits until the retrospective is over.
  QVERIFY(!session.controller.start(session.window.fieldTexts(), session.dir.path()));
  session.window.quitButton()->click();
  QVERIFY(wait_until([&] { return over; }, "end of the session"));
  QVERIFY(!session.retro_finished);
  QVERIFY(!QFileInfo::exists(session.path(QStringLiteral("retro/retro.csv"))));
}

}  // namespace quorvane::app::testing
