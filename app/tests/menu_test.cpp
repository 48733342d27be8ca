// The menu actions of the parameter window. The settings file is the batch runner's --fields
// file, so every window result here is compared with the batch runner's for the same file.

#include <QFontMetrics>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include "app/retrospective_job.h"
#include "app/tests/test_support.h"

namespace quorvane::app::testing {

namespace {

bool write_text(const QString& path, const QByteArray& text) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

}  // namespace

// A settings file the window saves runs as the batch runner runs it, and loads back in a later
// program start.
void AppTest::settingsFileRunsAsInTheBatchRunnerAndLoadsBack() {
  Session session;
  // The demo's fields with an F-bar range, units and a forecast beside them: the window keeps
  // them, saves them back and reports with them as the batch runner does.
  const QString with_keys = session.path(u"demo/with keys.txt"_s);
  QVERIFY(write_text(with_keys, session.bytes(u"demo/fields.txt"_s) +
                                    "fbar = 4-6\nunits_weight = kg\nforecast = yes\n"
                                    "fmsy = 0.25\nmsy_btrigger = 500000\n"
                                    "equilibrium_simulations = 20\n"));
  QCOMPARE(session.window.loadSettingsFrom(with_keys), QString());
  QVERIFY(session.window.forecastAction()->isChecked());
  session.field(FieldId::FirstPeriodEnd)->setText(u"2004"_s);  // two selection periods
  const QString settings = session.path(u"demo/settings.txt"_s);
  QCOMPARE(session.window.saveSettingsTo(settings), QString());
  session.expectBootstrapQuestion();
  VERIFY_RUN(session);
  QCOMPARE(session.outcome().status, RunStatus::Completed);
  VERIFY_SAME_AS_BATCH(session.dir.path(), "--fields", settings);
  const QByteArray run_csv = session.bytes(u"output.out.tables/run.csv"_s);
  QVERIFY2(run_csv.contains("units_weight,Unit of the weights,kg\n") && run_csv.contains("4-6"),
           run_csv.constData());
  QVERIFY(QFileInfo::exists(session.path(u"output.out.tables/forecast.csv"_s)));
  // The stock's status against the points stated, as the batch runner's closing line says it.
  VERIFY_MATCHES(session.status(),
                 u"  Status in 2014: SSB \\d+ = [0-9.]+ x MSY Btrigger; F-bar 4-6 [0-9.]+ = [0-9.]+ x Fmsy  Forecast: "_s);
  QVERIFY2(session.status().contains(u"Forecast: at status quo F-bar"_s) &&
               session.status().contains(u"  Per recruit (F-bar 4-6): F0.1 "_s) &&
               session.status().contains(u"  Equilibrium (F-bar 4-6; segmented regression on "_s) &&
               session.status().contains(u"  Stochastic equilibrium (F-bar 4-6; 20 stocks "_s),
           qPrintable(session.status()));

#if QUORVANE_CHARTS
  // The end of the run brings up the charts of its tables, the first one chosen.
  ResultsWindow* results = session.window.resultsWindow();
  QVERIFY(results != nullptr && results->isVisible());
  QCOMPARE(QFileInfo(results->folder()).fileName(), u"output.out.tables"_s);
  const QStringList charts = results->chartNames();
  QCOMPARE(results->currentChart(), charts.front());
  // The charts stand under the headings of their groups, which cannot be chosen.
  auto* list = results->findChild<QListWidget*>(u"charts"_s);
  QVERIFY(list != nullptr);
  QCOMPARE(list->item(0)->text(), u"The stock"_s);
  QCOMPARE(list->item(0)->flags(), Qt::NoItemFlags);
  // No retrospective or leave one out was run: no heading for them.
  QStringList headings;
  for (int row = 0; row < list->count(); ++row)
    if (list->item(row)->flags() == Qt::NoItemFlags) headings << list->item(row)->text();
  QCOMPARE(headings, (QStringList{u"The stock"_s, u"Forecast and per recruit"_s, u"The data"_s,
                                  u"The fit"_s, u"The search"_s}));
  QCOMPARE(list->count(), charts.size() + headings.size());
  // The down arrow passes over a heading, from the last chart of one group to the first of the
  // next.
  const int before_heading = static_cast<int>(charts.indexOf(u"stochastic_equilibrium"_s)) + 2;
  QCOMPARE(list->item(before_heading + 1)->text(), u"The data"_s);
  list->setCurrentRow(before_heading);
  QCOMPARE(results->currentChart(), u"stochastic_equilibrium"_s);
  QTest::keyClick(list, Qt::Key_Down);
  QCOMPARE(list->currentRow(), before_heading + 2);
  QCOMPARE(results->currentChart(), u"weights_at_age"_s);
  QVERIFY2(charts.contains(u"fleet1_residuals"_s) && charts.contains(u"forecast"_s) &&
               charts.contains(u"status"_s) &&
               charts.filter(u"retro"_s).isEmpty(),
           qPrintable(charts.join(',')));

  // The suffix chooses the kind of file (.png in any case, or .svg); any other suffix is refused
  // and writes nothing.
  QVERIFY(results->selectChart(u"recruitment"_s));
  QCOMPARE(results->saveChartTo(session.path(u"r.PNG"_s)), QString());
  QCOMPARE(QImage(session.path(u"r.PNG"_s)).size(), QSize(1200, 800));
  QVERIFY(!results->saveChartTo(session.path(u"r.pdf"_s)).isEmpty());
  QVERIFY(!QFileInfo::exists(session.path(u"r.pdf"_s)));

  // A folder without tables is refused with its reason, and the charts on view stay.
  QVERIFY(!results->showTables(session.path(u"demo"_s)).isEmpty());
  QCOMPARE(results->chartNames(), charts);

  // The next START takes the charts away until its own are there.
  bool cleared = false;
  session.atYield(3, [&] {
    cleared = results->chartNames().isEmpty() && results->note()->isVisibleTo(results);
    session.controller.release();
  });
  session.expectBootstrapQuestion();
  VERIFY_RUN(session);
  QVERIFY(cleared);
  QCOMPARE(results->chartNames(), charts);
  QVERIFY(!results->note()->isVisibleTo(results));
#endif

  // The kind of bootstrap is saved beside the fields in the form the batch runner reads
  // ("bootstrap_kind = independent"); a file without it means the default, chained. A field left
  // empty and a name with blanks inside must come back as they were.
  session.field(FieldId::Fleet1Time)->clear();
  session.field(FieldId::ResultsFile)->setText(u"my results.out"_s);
  session.controller.setBootstrapKind(BootstrapKind::Independent);
  const FieldTexts saved = session.window.fieldTexts();
  const QString path = session.path(u"saved settings.txt"_s);
  QCOMPARE(session.window.saveSettingsTo(path), QString());
  QVERIFY(session.bytes(u"saved settings.txt"_s).contains("\nbootstrap_kind = independent\n"));

  // Unchecked, the forecast is not asked for and no longer saved.
  session.window.forecastAction()->trigger();
  QCOMPARE(session.window.saveSettingsTo(path), QString());
  QVERIFY(!session.bytes(u"saved settings.txt"_s).contains("forecast ="));

  // A later program start remembers the working directory and the settings file, and opens
  // with the default fields until the file is loaded. It is started in a folder without a stock:
  // one started beside the demo stock (the repository's top) takes that folder instead.
  RunController controller;
  const QString started_in = QDir::currentPath();
  QTemporaryDir elsewhere;
  QVERIFY(QDir::setCurrent(elsewhere.path()));
  ParameterWindow second(controller);
  QVERIFY(QDir::setCurrent(started_in));
  QCOMPARE(second.workingDirectory(), session.dir.path());
  QCOMPARE(second.settingsFile(), path);
  QVERIFY(second.fieldTexts() == default_field_texts());
  QCOMPARE(second.loadSettingsFrom(path), QString());
  QVERIFY(second.fieldTexts() == saved);
  QCOMPARE(controller.bootstrapKind(), BootstrapKind::Independent);
  QCOMPARE(second.loadSettingsFrom(session.path(u"demo/fields.txt"_s)), QString());
  QCOMPARE(controller.bootstrapKind(), BootstrapKind::Chained);

  // A bad line loads nothing, not even the good lines before it nor the kind of bootstrap, and a
  // file that is not there is refused the same way. How each kind of bad line is named is the
  // fields-file reader's own (FieldsFile, BootstrapKindKey).
  const QString bad = session.path(u"bad.txt"_s);
  QVERIFY(write_text(bad, "Text8=1990\nbootstrap_kind = chained\nText116=1\n"));
  for (const auto& [file, named] : {std::pair{bad, u"bad.txt: line 3"_s},
                                    std::pair{session.path(u"none.txt"_s), u"none.txt"_s}}) {
    session.expectMessage();
    const QString message = session.window.loadSettingsFrom(file);
    QVERIFY(session.answered());
    QVERIFY2(message.contains(named), qPrintable(message));
    QVERIFY(session.window.fieldTexts() == saved);
    QCOMPARE(session.controller.bootstrapKind(), BootstrapKind::Independent);
    QCOMPARE(session.window.settingsFile(), path);
  }
}

void AppTest::retrospectiveMatchesTheBatchRunnerAndQuitEndsItWithoutTables() {
  // The analysis years 1984..2014 allow 30 peels; years that are not numbers allow none.
  FieldTexts texts = default_field_texts();
  texts[FieldId::FirstYear] = "1984";
  texts[FieldId::LastYear] = "2014";
  QCOMPARE(most_peels(texts), 30);
  texts[FieldId::LastYear] = "x";
  QCOMPARE(most_peels(texts), 0);

  Session session;
  const QString fields = session.path(u"demo/fields.txt"_s);
  QCOMPARE(session.window.loadSettingsFrom(fields), QString());
  // F-bar over 4-6 from the run settings: the full run and every peel take those ages. A text
  // with a bad line changes nothing and names the line.
  const QString before = session.window.runKeysText();
  const QString refused = session.window.setRunKeysText(u"fbar = 4-6\nfbar = 3-5\n"_s);
  QVERIFY2(refused.contains(u"line 2: fbar is set again"_s), qPrintable(refused));
  QCOMPARE(session.window.runKeysText(), before);
  QCOMPARE(session.window.setRunKeysText(u"# the ages of F-bar\nfbar = 4-6\n"_s), QString());
  QVERIFY(session.window.runKeysText().contains(u"\nfbar = 4-6\n"_s));
  QVERIFY(!session.window.forecastAction()->isChecked());
  // The same lines are what Analysis > Run settings... edits.
  bool listed = false;
  for (const QMenu* menu : session.window.menuBar()->findChildren<QMenu*>())
    for (const QAction* a : menu->actions()) listed = listed || a->text() == u"Run &settings..."_s;
  QVERIFY(listed);
  // Without a run before it, the retrospective makes its own full run; after a START with the
  // same fields it takes that run. Both give the batch runner's files.
  for (const bool after_start : {false, true}) {
    if (after_start) {
      session.expectBootstrapQuestion();
      VERIFY_RUN(session);
      QDir(session.path(u"retro"_s)).removeRecursively();
    }
    session.retro_finished = false;
    QVERIFY(session.window.runRetrospective(2));
    QVERIFY(wait_until([&] { return session.retro_finished; }, "end of the retrospective"));
    const RetroOutcome& outcome = session.controller.lastRetrospective();
    QVERIFY2(outcome.problem.empty(), outcome.problem.c_str());
    VERIFY_SAME_AS_BATCH(session.dir.path(), "--fields", fields, "--retro", "2", "--fbar", "4-6");
    VERIFY_MATCHES(session.status(), u"^Mohn's rho: SSB .*, F-bar 4-6 "_s);
#if QUORVANE_CHARTS
    ResultsWindow* results = session.window.resultsWindow();
    QVERIFY(results != nullptr && results->isVisible());
    VERIFY_MATCHES(results->currentChart(), u"^retrospective"_s);
    QVERIFY(results->note()->text().startsWith(session.status()));
    // The demo has surveys: the hindcast's line follows the rho (its files are the batch
    // runner's, above).
    QVERIFY(results->note()->text().contains(
        u"Hindcast MASE (below 1 foresees the survey better than its last year): SSB survey 1 "_s));
    // A retrospective that made its own full run says which files of the main run it rewrote.
    QCOMPARE(results->note()->text().contains(u"output.out and minim.out"_s), !after_start);
    if (!after_start) {
      results->resize(1366, 768);
      save_picture(results, u"results_window_retrospective_1366x768"_s);
      // The list is as wide as its longest title ("Aged survey fleet 1: observed against
      // fitted"), which a fixed width cut, up to its widest; there, a title it cuts shows whole
      // as a tip. (How wide a title is depends on the fonts of the machine.)
      const auto* list = results->findChild<QListWidget*>(u"charts"_s);
      QVERIFY(list != nullptr);
      if (list->width() < ResultsWindow::kWidestList) {
        QVERIFY2(list->sizeHintForColumn(0) <= list->viewport()->width(),
                 qPrintable(u"%1 > %2"_s.arg(list->sizeHintForColumn(0))
                                .arg(list->viewport()->width())));
      }
      const QFontMetrics metrics(list->font());
      for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item->flags() == Qt::NoItemFlags) continue;  // a group's heading
        if (metrics.horizontalAdvance(item->text()) > list->viewport()->width())
          QCOMPARE(item->toolTip(), item->text());
      }
    }
#endif
  }

  // "Quit session" during a retrospective ends it without tables. One thing at a time: START
  // waits until the retrospective is over.
  QDir(session.path(u"retro"_s)).removeRecursively();
  session.retro_finished = false;
  QVERIFY(session.window.runRetrospective(3));
  QVERIFY(!session.controller.start(session.window.fieldTexts(), session.dir.path()));
  session.window.quitButton()->click();
  QVERIFY(session.waitOver());
  QVERIFY(!session.retro_finished);
  QVERIFY(!QFileInfo::exists(session.path(u"retro/retro.csv"_s)));
}

void AppTest::leaveOutMatchesTheBatchRunnerAndNeedsASeries() {
  Session session;
  const QString fields = session.path(u"demo/fields.txt"_s);
  QCOMPARE(session.window.loadSettingsFrom(fields), QString());
  QCOMPARE(session.window.setRunKeysText(u"fbar = 4-6\n"_s), QString());
  bool listed = false;
  for (const QMenu* menu : session.window.menuBar()->findChildren<QMenu*>())
    for (const QAction* a : menu->actions()) listed = listed || a->text() == u"&Leave one out"_s;
  QVERIFY(listed);

  // The demo's SSB survey and four fleets: five runs, the batch runner's files.
  session.retro_finished = false;
  QVERIFY(session.window.runLeaveOut());
  QVERIFY(wait_until([&] { return session.retro_finished; }, "end of leave one out"));
  const RetroOutcome& outcome = session.controller.lastRetrospective();
  QVERIFY2(outcome.problem.empty(), outcome.problem.c_str());
  QCOMPARE(outcome.without.size(), std::size_t{5});
  VERIFY_SAME_AS_BATCH(session.dir.path(), "--fields", fields, "--leave-out", "--fbar", "4-6");
  VERIFY_MATCHES(session.status(), u"^Leave one out: 5 of 5 runs finished"_s);
#if QUORVANE_CHARTS
  ResultsWindow* results = session.window.resultsWindow();
  QVERIFY(results != nullptr && results->isVisible());
  VERIFY_MATCHES(results->currentChart(), u"^leave_out"_s);
  VERIFY_MATCHES(results->note()->text(),
                 u"\nWithout fleet 2 \\(Aged survey fleet 2\\): terminal f .*, F-bar 4-6 "_s);
#endif

  // Without SSB surveys and fleets there is nothing to leave out: a message, and nothing runs.
  session.field(FieldId::SsbOn)->setText(u"2"_s);
  session.field(FieldId::FleetsOn)->setText(u"2"_s);
  QString text;
  session.expectMessage(&text);
  QVERIFY(!session.window.runLeaveOut());
  QVERIFY(session.answered());
  QVERIFY2(text.contains(u"nothing to leave out"_s), qPrintable(text));
}

}  // namespace quorvane::app::testing
