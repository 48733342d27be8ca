#pragma once

#include <QObject>

namespace quorvane::app::testing {

// Live re-runs from the parameter window on the demo stock: what a burst of changes leaves
// behind (files and charts) set against the batch runner given the last fields, what a run
// given up leaves, and that nothing runs with the switch off. And File > Compare with...
// against a second run.
class LiveTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void withLiveOffAFieldChangeRunsNothing();
  void fiveQuickChangesEndWithTheFilesAndChartsOfTheLastValue();
  void fieldsThatCannotBeReadRunNothingAndLeaveNoStaleResults();
  void startDuringALiveRunGivesItUpAndRunsWithItsQuestions();
  void compareWithListsTheChangedFieldAndDrawsTheOverlays();
};

}  // namespace quorvane::app::testing
