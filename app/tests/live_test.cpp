#include "app/tests/live_test.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <algorithm>

#include "app/live_runs.h"
#include "app/tests/session.h"
#if QUORVANE_CHARTS
#include <QChartView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QXYSeries>

#include "app/compare_window.h"
#include "app/results_window.h"
#endif

namespace quorvane::app::testing {

namespace {

const QString kTables = QStringLiteral("output.out.tables");

// The demo's scan of the terminal f runs from 1 to 5 by 0.25 and finds its least loss at 2.75;
// an upper bound of 2.25 cuts the scan short of it, so the last value below gives another fit
// (terminal f 2.25) than the first ones, which all contain 2.75.
const QStringList kUpperBounds = {"4.5", "4", "3.5", "3", "2.25"};

// The files of a run in `dir` that must match byte for byte: the results file, the search log
// and the tables. run.csv holds the time the run started; it is compared without that line.
QStringList run_files(const QString& dir) {
  QStringList files = {QStringLiteral("output.out"), QStringLiteral("minim.out")};
  for (const QString& name : QDir(dir + QLatin1Char('/') + kTables).entryList(QDir::Files)) {
    files << kTables + QLatin1Char('/') + name;
  }
  return files;
}

QByteArray without_time(QByteArray text) {
  QList<QByteArray> lines = text.split('\n');
  lines.removeIf([](const QByteArray& line) { return line.startsWith("time,"); });
  return lines.join('\n');
}

// Every file of the window's run equals the batch runner's; the first that does not is named.
QString first_difference(const QString& window_dir, const QString& batch_dir) {
  const QStringList window_files = run_files(window_dir);
  if (window_files != run_files(batch_dir)) return QStringLiteral("the lists of files");
  for (const QString& name : window_files) {
    QByteArray mine = file_bytes(window_dir + QLatin1Char('/') + name);
    QByteArray theirs = file_bytes(batch_dir + QLatin1Char('/') + name);
    if (name.endsWith(QStringLiteral("run.csv"))) {
      mine = without_time(mine);
      theirs = without_time(theirs);
    }
    if (mine.isEmpty() || mine != theirs) return name;
  }
  return {};
}

bool wait_settled(Session& session) {
  LiveRuns* live = session.window.liveRuns();
  return wait_until(
      [&] {
        return (live->idle() && !session.controller.running()) ||
               !session.answerer.problems.isEmpty();
      },
      "the end of the live runs");
}

#if QUORVANE_CHARTS
// The points of every line of a chart, in the order of its series.
QList<QList<QPointF>> chart_points(const QChartView* view) {
  QList<QList<QPointF>> points;
  for (QAbstractSeries* series : view->chart()->series()) {
    if (auto* line = qobject_cast<QXYSeries*>(series)) points << line->points();
  }
  return points;
}
#endif

}  // namespace

void LiveTest::initTestCase() {
  if (!QFileInfo::exists(QStringLiteral(QUORVANE_SOURCE_DIR "/demo/c.txt"))) {
    QSKIP("the demo stock is not there");
  }
}

void LiveTest::withLiveOffAFieldChangeRunsNothing() {
  Session session;
  int started = 0;
  QObject::connect(&session.controller, &RunController::runStarted, [&] { ++started; });
  LiveRuns* live = session.window.liveRuns();
  QVERIFY(!live->isOn());
  QLineEdit* upper = session.window.field(FieldId::FScanHigh);
  upper->setText(QStringLiteral("4"));
  // Switched on and off again before the changes were merged: the change waiting is dropped.
  live->setOn(true);
  upper->setText(QStringLiteral("3"));
  live->setOn(false);
  // Nothing can be waited for when nothing is to happen: three merge intervals, and then no run
  // may have begun.
  QTest::qWait(3 * LiveRuns::kMergeMs);
  QCOMPARE(started, 0);
  QVERIFY(live->idle());
  QVERIFY(!QFileInfo::exists(session.path(QStringLiteral("output.out"))));
  QVERIFY(session.window.statusLine()->text().isEmpty());
}

void LiveTest::fiveQuickChangesEndWithTheFilesAndChartsOfTheLastValue() {
  Session session;
  LiveRuns* live = session.window.liveRuns();
  QLineEdit* upper = session.window.field(FieldId::FScanHigh);
  int started = 0;
  QObject::connect(&session.controller, &RunController::runStarted, [&] { ++started; });
  live->setOn(true);
  QTest::qWait(2 * LiveRuns::kMergeMs);
  QCOMPARE(started, 0);  // switching on runs nothing by itself
  // The run of the first change is held at a yield point while the other changes come, so that
  // at least one run is certainly given up for a newer change.
  bool held = false;
  bool progress_shown = false;
  session.atYield(3, [&] {
    held = true;
    progress_shown = session.controller.progressWindow()->isVisible();
  });
  upper->setText(kUpperBounds.front());
  QVERIFY(wait_until([&] { return held; }, "the first live run"));
  for (const QString& value : kUpperBounds.mid(1)) {
    upper->setText(value);
    QTest::qWait(150);
  }
  QVERIFY(wait_settled(session));
  // No question window came up (the answerer expects none) and no progress window.
  VERIFY_ANSWERED(session);
  QVERIFY(!progress_shown);
  QVERIFY(!session.controller.progressWindow()->isVisible());
  QVERIFY(live->cancelled() >= 1);
  QCOMPARE(session.outcome.status, RunStatus::Completed);
  const QString status = session.window.statusLine()->text();
  QVERIFY2(status.startsWith(QStringLiteral("Live: run of ")) &&
               status.contains("terminal f 2.25; total loss") && status.contains("catch ") &&
               status.contains("fleet1 "),
           qPrintable(status));

  // A START with the last fields, made by the batch runner, writes the same files.
  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(batch.path(), {QStringLiteral("--set"), QStringLiteral("Text18=2.25")}));
  const QString differs = first_difference(session.dir.path(), batch.path());
  QVERIFY2(differs.isEmpty(), qPrintable(differs));

#if QUORVANE_CHARTS
  // The charts on view are those of the last value (its terminal f differs from the others').
  ResultsWindow* results = session.window.resultsWindow();
  QVERIFY(results != nullptr && results->isVisible());
  QCOMPARE(results->folder(), session.path(kTables));
  ResultsWindow expected;
  QCOMPARE(expected.showTables(batch.filePath(kTables)), QString());
  QVERIFY(results->selectChart(QStringLiteral("f")) && expected.selectChart(QStringLiteral("f")));
  const auto shown = chart_points(results->chartView());
  QVERIFY(!shown.isEmpty() && !shown.front().isEmpty());
  QVERIFY(shown == chart_points(expected.chartView()));

  // The next live run replaces the charts in place: the chart chosen stays chosen. A change
  // undone within the merge interval runs the same fields once more.
  QVERIFY(results->selectChart(QStringLiteral("recruitment")));
  upper->setText(QStringLiteral("3"));
  upper->setText(QStringLiteral("2.25"));
  QVERIFY(!live->idle());
  QVERIFY(wait_settled(session));
  QCOMPARE(results->currentChart(), QStringLiteral("recruitment"));
  results->resize(900, 600);
  // For the manual: the row of the scan over the foot of the window, with the switch and the
  // status line.
  session.window.resize(1100, 760);
  const QPixmap row = upper->parentWidget()->grab();
  const QPixmap foot =
      session.window.grab(QRect(0, session.window.height() - 40, session.window.width(), 40));
  QPixmap picture(std::max(row.width(), foot.width()), row.height() + foot.height());
  picture.fill(session.window.palette().color(QPalette::Window));
  {
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, row);
    painter.drawPixmap(0, row.height(), foot);
  }
  QVERIFY(picture.save(QStringLiteral(QUORVANE_PICTURE_DIR "/live_window.png")));
#endif
  VERIFY_ANSWERED(session);
}

void LiveTest::fieldsThatCannotBeReadRunNothingAndLeaveNoStaleResults() {
  Session session;
  // A START of the user's own first: its results and tables are on disk.
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  const QByteArray results = session.bytes(QStringLiteral("output.out"));
  QVERIFY(!results.isEmpty());
  QVERIFY(QFileInfo::exists(session.path(kTables)));

  int started = 0;
  QObject::connect(&session.controller, &RunController::runStarted, [&] { ++started; });
  bool held = false;
  session.atYield(3, [&] { held = true; });
  LiveRuns* live = session.window.liveRuns();
  live->setOn(true);
  QLineEdit* upper = session.window.field(FieldId::FScanHigh);
  upper->setText(QStringLiteral("4"));
  QVERIFY(wait_until([&] { return held; }, "the live run"));
  // A text that is no number gives up the live run going on and runs nothing in its place. The
  // run given up leaves an empty results file and no tables: nothing that could pass for the
  // fit of these fields, or of the fields before them.
  upper->setText(QStringLiteral("x5"));
  QVERIFY(wait_settled(session));
  QCOMPARE(started, 1);
  QCOMPARE(live->cancelled(), 1);
  const QString status = session.window.statusLine()->text();
  QVERIFY2(status.startsWith(QStringLiteral("Live: nothing run: ")) && status.contains("'x5'") &&
               status.contains(QStringLiteral("(Text18)")),
           qPrintable(status));
  QVERIFY(session.bytes(QStringLiteral("output.out")).isEmpty());
  QVERIFY(!QFileInfo::exists(session.path(kTables)));

  // Set right again, the fields run as they stand, to the files of the first START.
  upper->setText(QStringLiteral("5"));
  QVERIFY(wait_settled(session));
  QCOMPARE(started, 2);
  QVERIFY(session.bytes(QStringLiteral("output.out")) == results);
  QVERIFY(QFileInfo::exists(session.path(kTables)));
  VERIFY_ANSWERED(session);
}

void LiveTest::startDuringALiveRunGivesItUpAndRunsWithItsQuestions() {
  Session session;
  int started = 0;
  QObject::connect(&session.controller, &RunController::runStarted, [&] { ++started; });
  bool held = false;
  session.atYield(3, [&] { held = true; });
  session.window.liveRuns()->setOn(true);
  session.window.field(FieldId::FScanHigh)->setText(QStringLiteral("4"));
  QVERIFY(wait_until([&] { return held; }, "the live run"));
  // START is not lost behind the live run: that run unwinds and START follows, with its
  // progress window and its bootstrap question.
  bool progress_shown = false;
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"), [&] {
    progress_shown = session.controller.progressWindow()->isVisible();
  });
  session.window.startButton()->click();
  QVERIFY(wait_until(
      [&] {
        return (started == 2 && !session.controller.running() && session.finished) ||
               !session.answerer.problems.isEmpty();
      },
      "the START after the live run"));
  VERIFY_ANSWERED(session);
  QVERIFY(progress_shown);
  QCOMPARE(session.window.liveRuns()->cancelled(), 1);
  QCOMPARE(session.window.statusLine()->text(), QStringLiteral("The run has ended."));
  QTemporaryDir batch;
  QVERIFY(copy_demo(batch.path()));
  QVERIFY(run_batch(batch.path(), {QStringLiteral("--set"), QStringLiteral("Text18=4")}));
  const QString differs = first_difference(session.dir.path(), batch.path());
  QVERIFY2(differs.isEmpty(), qPrintable(differs));
}

void LiveTest::compareWithListsTheChangedFieldAndDrawsTheOverlays() {
#if QUORVANE_CHARTS
  Session session;
  session.expectBootstrapQuestion(QStringLiteral("2"), QStringLiteral("100"));
  QVERIFY(session.run());
  VERIFY_ANSWERED(session);
  // The second run: the demo with the catch loss SSE (Text7 = 2) instead of AMD.
  QTemporaryDir other;
  QVERIFY(copy_demo(other.path()));
  QVERIFY(run_batch(other.path(), {QStringLiteral("--set"), QStringLiteral("Text7=2")}));

  QAction* compare = nullptr;
  for (QAction* action : session.window.menuBar()->actions()) {
    if (action->menu() == nullptr) continue;
    for (QAction* item : action->menu()->actions()) {
      if (item->text() == QStringLiteral("&Compare with...")) compare = item;
    }
  }
  QVERIFY(compare != nullptr);
  QString offered_from;
  set_run_chooser([&](QWidget*, const QString& from) {
    offered_from = from;
    return other.filePath(kTables);
  });
  compare->trigger();
  set_run_chooser({});
  QCOMPARE(offered_from, session.dir.path());
  const QList<CompareWindow*> windows = session.window.findChildren<CompareWindow*>();
  QCOMPARE(windows.size(), 1);
  CompareWindow* window = windows.front();
  QVERIFY(window->isVisible());

  // Exactly the one field is listed, with both texts.
  const QStringList lines = window->summary()->toPlainText().split(QLatin1Char('\n'));
  QVERIFY(lines.contains(QStringLiteral("Settings that differ (1):")));
  const QStringList fields = lines.filter(QRegularExpression(QStringLiteral("^  Text\\d+")));
  QCOMPARE(fields.size(), 1);
  QVERIFY2(fields.front().startsWith(QStringLiteral("  Text7 ")), qPrintable(fields.front()));
  const qsizetype at = lines.indexOf(fields.front());
  QCOMPARE(lines.value(at + 1), QStringLiteral("    A: 3"));
  QCOMPARE(lines.value(at + 2), QStringLiteral("    B: 2"));

  // One tab per overlay (SSB, F-bar, recruitment), each with a line of either run over the 31
  // years 1984-2014, and the two lines apart somewhere.
  QCOMPARE(window->charts()->count(), 3);
  for (int tab = 0; tab < window->charts()->count(); ++tab) {
    const auto* view = qobject_cast<QChartView*>(window->charts()->widget(tab));
    QVERIFY(view != nullptr);
    QList<QPointF> a, b;
    for (QAbstractSeries* series : view->chart()->series()) {
      auto* line = qobject_cast<QXYSeries*>(series);
      if (line == nullptr) continue;
      if (line->name().startsWith(QStringLiteral("A: "))) a = line->points();
      if (line->name().startsWith(QStringLiteral("B: "))) b = line->points();
    }
    QCOMPARE(a.size(), 31);
    QCOMPARE(b.size(), 31);
    QCOMPARE(a.front().x(), 1984.0);
    QCOMPARE(b.back().x(), 2014.0);
    QVERIFY2(a != b, qPrintable(window->charts()->tabText(tab)));
  }
  window->resize(900, 650);
  save_picture(window, QStringLiteral("compare_window"));
  window->close();

  // A folder without tables is refused with a message that names it; no window opens.
  set_run_chooser([&](QWidget*, const QString&) { return session.path(QStringLiteral("demo")); });
  session.answerer.expect<QMessageBox>([&](QMessageBox* box) {
    if (!box->text().contains(QStringLiteral("demo"))) {
      session.answerer.problems << QStringLiteral("the refusal does not name the folder: ") +
                                       box->text();
    }
    box->accept();
  });
  compare->trigger();
  set_run_chooser({});
  QVERIFY(wait_until([&] { return session.answerer.done(); }, "the refusal"));
  VERIFY_ANSWERED(session);
  for (const CompareWindow* w : session.window.findChildren<CompareWindow*>()) {
    QVERIFY(!w->isVisible());
  }
#else
  QSKIP("built without charts");
#endif
}

}  // namespace quorvane::app::testing
