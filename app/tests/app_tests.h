// The test classes of the window program, run offscreen one after the other by main.cpp.
#pragma once

#include <QObject>

namespace quorvane::app::testing {

// The windows on their own: the parameter window, the progress window's drawing, the two
// question windows, and the choice of the working directory and the command line.
class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void parameterWindowShowsTheCaptionAndPassesTheTextsOn();
  void parameterWindowFitsALaptopScreen();
  void textStaysUntilDrawnOverOrCleared();
  void erasingLeavesNoResidue();
  void drawingIsCoalescedToTheLatestPicture();
  void workingDirectoryIsTheGivenTheStockOrTheRemembered();
  void questionWindowsTakeOnlyNumbersAndMeanNoWhenClosed();
};

// Whole runs from the parameter window on the demo stock, with the computation on its worker
// thread, compared with the batch runner's files for the same fields and answers: STOP, the
// bootstrap of either kind, refused starts, the working directory's lock, and the end of the
// session during a run.
class RunTest : public QObject {
  Q_OBJECT

 private slots:
  void defaultRunWithAStopAnsweredNoMatchesTheBatchRunner();
  void stopAnsweredYesWritesTerminatedResultsAndRefusesBootstrap();
  void bootstrapOfTwoRunsMatchesTheBatchRunner_data();
  void bootstrapOfTwoRunsMatchesTheBatchRunner();
  void independentKindChosenBesideTheQuestionMatchesTheBatchRunner();
  void stopDuringIndependentReplicatesEndsWithTheFinishedOnesWritten();
  void progressLineIsShownAndTheAnswersClearIt();
  void rejectedStartLeavesTheWindowUsable();
  void startIsRefusedWhileAnotherRunHoldsTheFolder();
  void closingDuringARunAsksAndWritesTheResultsBeforeQuitting();
  void quitSessionDuringARunWritesNoResults();

 private:
  long main_run_yields_ = 0;  // yield points of the default main run, counted at its question
};

// The menu of the parameter window: saved settings, the results window and the retrospective,
// each set against the batch runner given the same settings file.
class MenuTest : public QObject {
  Q_OBJECT

 private slots:
  void savedSettingsLoadBackAsTheSameFieldsAndKind();
  void badSettingsFileLoadsNothingAndNamesTheLine();
  void windowRunOfSavedSettingsMatchesTheBatchRunnerAndShowsItsCharts();
  void retrospectiveMatchesTheBatchRunner();
  void quitSessionDuringARetrospectiveEndsItWithoutTables();
};

// Live re-runs from the parameter window: what a burst of changes leaves behind (files and
// charts) set against the batch runner given the last fields, what a run given up leaves, that
// nothing runs with the switch off; and File > Compare with... against a second run.
class LiveTest : public QObject {
  Q_OBJECT

 private slots:
  void withLiveOffAFieldChangeRunsNothing();
  void fiveQuickChangesEndWithTheFilesAndChartsOfTheLastValue();
  void fieldsThatCannotBeReadRunNothingAndStartGivesUpALiveRun();
  void compareWithListsTheChangedFieldAndDrawsTheOverlays();
};

}  // namespace quorvane::app::testing
