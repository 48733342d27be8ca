// Live re-runs from the parameter window on the demo stock, set against the batch runner given
// the last fields, and File > Compare with... against a second run.

#include "app/live_runs.h"
#include "app/tests/test_support.h"
#if QUORVANE_CHARTS
#include <QChartView>
#include <QXYSeries>

#include "app/compare_window.h"
#endif

namespace quorvane::app::testing {

namespace {

const QString kTables = u"output.out.tables"_s;

bool wait_settled(Session& session) {
  return wait_until(
      [&] {
        return (session.window.liveRuns()->idle() && !session.controller.running()) ||
               !session.answerer.problems.isEmpty();
      },
      "the end of the live runs");
}

// Gives the scan's upper bound the text `value` and waits until the live run it sets off stands
// held at its third yield point; `at_hold` runs there.
bool hold_live_run(Session& session, const QString& value, std::function<void()> at_hold = {}) {
  auto held = std::make_shared<bool>(false);
  session.atYield(3, [held, at_hold] {
    if (at_hold) at_hold();
    *held = true;
  });
  session.field(FieldId::FScanHigh)->setText(value);
  return wait_until([held] { return *held; }, "a live run held");
}

#if QUORVANE_CHARTS
// The points of every line of a chart, in the order of its series.
QList<QList<QPointF>> chart_points(const QChartView* view) {
  QList<QList<QPointF>> points;
  for (QAbstractSeries* series : view->chart()->series())
    if (auto* line = qobject_cast<QXYSeries*>(series)) points << line->points();
  return points;
}
#endif

}  // namespace

// The demo's scan of the terminal f runs from 1 to 5 by 0.25 and finds its least loss at 2.75;
// an upper bound of 2.25 cuts the scan short of it, so the last value below gives another fit
// (terminal f 2.25) than the first ones, which all contain 2.75.
void AppTest::liveRunsFollowTheLastChangeAndRunNothingForFieldsThatCannotBeRead() {
  Session session;
  LiveRuns* live = session.window.liveRuns();
  QLineEdit* upper = session.field(FieldId::FScanHigh);
  // With the switch off a change runs nothing; switched on and off again before the changes
  // were merged, the change waiting is dropped; switching on runs nothing by itself. Nothing can
  // be waited for when nothing is to happen: three merge intervals, and then no run may have
  // begun.
  QVERIFY(!live->isOn());
  upper->setText(u"4"_s);
  live->setOn(true);
  upper->setText(u"3"_s);
  live->setOn(false);
  live->setOn(true);
  QTest::qWait(3 * LiveRuns::kMergeMs);
  QCOMPARE(session.starts, 0);
  // The run of the first change is held at a yield point while the other changes come, so that
  // at least one run is certainly given up for a newer change.
  bool progress_shown = false;
  QVERIFY(hold_live_run(session, u"4.5"_s, [&] {
    progress_shown = session.controller.progressWindow()->isVisible();
  }));
  for (const QString& value : {u"4"_s, u"3.5"_s, u"3"_s, u"2.25"_s}) {
    upper->setText(value);
    QTest::qWait(150);
  }
  QVERIFY(wait_settled(session));
  // No question window came up (the answerer expects none) and no progress window.
  VERIFY_ANSWERED(session);
  QVERIFY(!progress_shown && !session.controller.progressWindow()->isVisible());
  QVERIFY(live->cancelled() >= 1);
  QCOMPARE(session.outcome().status, RunStatus::Completed);
  // 2.25 is the scan's upper bound: the status line says the minimum may lie beyond it.
  VERIFY_MATCHES(session.status(),
                 u"^Live: run of .* s; terminal f 2\\.25; total loss .* \\(.*catch .*fleet1 .*\\); "
                 "The best terminal f, 2\\.25, is the highest value scanned \\(If Scan: Highest f "
                 ":, Text18\\)"_s);
  // A START with the last fields, made by the batch runner, writes the same files.
  VERIFY_SAME_AS_BATCH(session.dir.path(), "--set", "Text18=2.25");

#if QUORVANE_CHARTS
  // The charts on view are those of the last value (its terminal f differs from the others').
  ResultsWindow* results = session.window.resultsWindow();
  QVERIFY(results != nullptr && results->isVisible());
  QCOMPARE(results->folder(), session.path(kTables));
  QVERIFY(results->selectChart(u"f"_s));
  const auto shown = chart_points(results->chartView());
  QVERIFY(!shown.isEmpty() && !shown.front().isEmpty());
  ResultsWindow expected;  // drawn afresh from the tables, which are the batch runner's
  QCOMPARE(expected.showTables(session.path(kTables)), QString());
  QVERIFY(expected.selectChart(u"f"_s));
  QVERIFY(shown == chart_points(expected.chartView()));

  // The next live run replaces the charts in place: the chart chosen stays chosen. A change
  // undone within the merge interval runs the same fields once more.
  QVERIFY(results->selectChart(u"recruitment"_s));
  upper->setText(u"3"_s);
  upper->setText(u"2.25"_s);
  QVERIFY(!live->idle());
  QVERIFY(wait_settled(session));
  QCOMPARE(results->currentChart(), u"recruitment"_s);
  session.window.resize(1100, 760);
  save_picture(&session.window, u"live_window"_s);
  // The long status line wraps: laid out, it does not make the window wider.
  QCOMPARE(session.window.width(), 1100);

  // File > Compare with... sets the last run against a second one: the same fields but the
  // catch loss SSE (Text7 = 2) in place of AMD.
  QTemporaryDir other;
  QVERIFY(copy_demo(other.path()));
  QCOMPARE(QProcess::execute(QUORVANE_BATCH_EXE, {"--quiet", "--workdir", other.path(), "--set",
                                                  "Text7=2", "--set", "Text18=2.25"}),
           0);
  QAction* compare = nullptr;
  for (QAction* action : session.window.findChildren<QAction*>())
    if (action->text() == u"&Compare with..."_s) compare = action;
  QVERIFY(compare != nullptr);
  set_run_chooser([&](QWidget*, const QString&) { return other.filePath(kTables); });
  compare->trigger();
  QCOMPARE(session.window.findChildren<CompareWindow*>().size(), 1);
  CompareWindow* window = session.window.findChild<CompareWindow*>();
  QVERIFY(window->isVisible());
  // Exactly the one field is listed, with both texts.
  const QString summary = window->summary()->toPlainText();
  VERIFY_MATCHES(summary, u"Settings that differ \\(1\\):\n  Text7 .*\n    A: 3\n    B: 2\n"_s);

  // One tab per overlay (SSB, F-bar, recruitment), each with a line of either run over the 31
  // years 1984-2014, and the two lines apart somewhere.
  QCOMPARE(window->charts()->count(), 3);
  for (int tab = 0; tab < 3; ++tab) {
    const auto lines = chart_points(qobject_cast<QChartView*>(window->charts()->widget(tab)));
    QVERIFY2(lines.size() >= 2 && lines[0].size() == 31 && lines[1].size() == 31 &&
                 lines[0].front().x() == 1984 && lines[1].back().x() == 2014 &&
                 lines[0] != lines[1],
             qPrintable(window->charts()->tabText(tab)));
  }
  window->resize(900, 650);
  save_picture(window, u"compare_window"_s);
  window->close();

  // A folder without tables is refused with a message that names it; no window opens.
  set_run_chooser([&](QWidget*, const QString&) { return session.path(u"demo"_s); });
  QString message;
  session.expectMessage(&message);
  compare->trigger();
  set_run_chooser({});
  QVERIFY(session.answered());
  QVERIFY2(message.contains(u"demo"_s), qPrintable(message));
  QVERIFY(std::ranges::none_of(session.window.findChildren<CompareWindow*>(), &QWidget::isVisible));
#endif
  VERIFY_ANSWERED(session);

  // A live run is held while the upper bound is given a text that is no number: the live run
  // going on is given up and nothing runs in its place. It leaves an empty results file and no
  // tables: nothing that could pass for the fit of these fields, or of the fields before them.
  // Then START during the next live run gives that one up too and runs, with its questions.
  const int starts = session.starts, cancelled = live->cancelled();
  QVERIFY(hold_live_run(session, u"4"_s));
  upper->setText(u"x5"_s);
  QVERIFY(wait_settled(session));
  QCOMPARE(session.starts, starts + 1);
  QCOMPARE(live->cancelled(), cancelled + 1);
  VERIFY_MATCHES(session.status(), u"^Live: nothing run: .*'x5'.*\\(Text18\\)"_s);
  QVERIFY(session.bytes(u"output.out"_s).isEmpty());
  QVERIFY(!QFileInfo::exists(session.path(kTables)));

  QVERIFY(hold_live_run(session, u"2.5"_s));
  session.expectBootstrapQuestion(u"2"_s, u"100"_s, [&](BootstrapWindow*) {
    progress_shown = session.controller.progressWindow()->isVisible();
  });
  session.window.startButton()->click();
  QVERIFY(wait_until(
      [&] {
        return (session.starts == starts + 3 && !session.controller.running() &&
                session.finished) ||
               !session.answerer.problems.isEmpty();
      },
      "the START after the live run"));
  VERIFY_ANSWERED(session);
  QVERIFY(progress_shown);
  QCOMPARE(live->cancelled(), cancelled + 2);
  // The scan stops at 2.5, short of the least loss: the status line and the note above the
  // charts say so.
  const QString bound = u"The best terminal f, 2.5, is the highest value scanned"_s;
  QVERIFY(session.status().startsWith(u"The run has ended. "_s + bound));
#if QUORVANE_CHARTS
  QVERIFY(session.window.resultsWindow()->note()->text().startsWith(bound));
#endif
  VERIFY_SAME_AS_BATCH(session.dir.path(), "--set", "Text18=2.5");
}

}  // namespace quorvane::app::testing
