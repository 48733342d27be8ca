#pragma once

#include <QObject>

namespace quorvane::app::testing {

// The bootstrap in the window program: the progress line of the runs being computed and
// written, the choice of kind beside the bootstrap question, STOP during independent
// replicates, and the working directory's lock held for the length of a run.
class BootstrapTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void progressLineIsShownAndTheAnswersClearIt();
  void progressLineFollowsTheRunsOfARealBootstrap();
  void independentKindChosenBesideTheQuestionMatchesTheBatchRunner();
  void stopDuringIndependentReplicatesEndsWithTheFinishedOnesWritten();
  void kindIsSavedAndLoadedWithTheSettings();
  void startIsRefusedWhileAnotherRunHoldsTheFolder();

 private:
  long main_run_yields_ = 0;  // yield points of the default main run, counted at its question
};

}  // namespace quorvane::app::testing
