#pragma once

#include <QByteArray>
#include <QObject>
#include <QTemporaryDir>

namespace quorvane::app::testing {

// Whole runs from the parameter window on the demo stock, with the computation on its worker
// thread, compared with the batch runner's files for the same fields and answers.
class RunTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void defaultRunWithAStopAnsweredNoMatchesTheBatchRunner();
  void stopAnsweredYesWritesTerminatedResultsAndRefusesBootstrap();
  void bootstrapOfTwoRunsMatchesTheBatchRunner_data();
  void bootstrapOfTwoRunsMatchesTheBatchRunner();
  void rejectedStartLeavesTheWindowUsable();
  void startDuringARunIsIgnored();
  void closingDuringARunAsksAndWritesTheResultsBeforeQuitting();
  void quitSessionDuringARunWritesNoResults();

 private:
  long midRun() const;

  QTemporaryDir batch_default_;
  QByteArray default_results_;
  QByteArray default_log_;
  long main_run_yields_ = 0;  // yield points of the default main run, counted at its question
};

}  // namespace quorvane::app::testing
