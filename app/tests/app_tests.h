// The tests of the window program, run offscreen one after the other by app_tests.cpp, in the
// order declared: the first whole run measures the length of the main run that later tests stop
// in. Each group is defined in its own file.
#pragma once

#include <QObject>

namespace quorvane::app::testing {

class AppTest : public QObject {
  Q_OBJECT

 private slots:
  // The windows on their own (window_test.cpp): the parameter window, the progress window's
  // drawing, the two question windows, the choice of the working directory and the command line.
  void parameterWindowShowsTheCaptionAndFitsALaptopScreen();
  void textStaysInPlaceUntilDrawnOverWithoutResidue();
  void drawingIsCoalescedToTheLatestPicture();
  void workingDirectoryIsTheGivenTheStockOrTheRemembered();
  void questionWindowsTakeOnlyNumbersAndMeanNoWhenClosed();

  // Whole runs from the parameter window on the demo stock, with the computation on its worker
  // thread, compared with the batch runner's files for the same fields and answers: STOP, the
  // bootstrap of either kind, refused starts, the working directory's lock, and the end of the
  // session during a run (run_test.cpp).
  void defaultRunWithAStopAnsweredNoMatchesTheBatchRunner();
  void stopAnsweredYesWritesTerminatedResultsAndRefusesBootstrap();
  void bootstrapOfTwoRunsMatchesTheBatchRunner_data();
  void bootstrapOfTwoRunsMatchesTheBatchRunner();
  void independentKindChosenBesideTheQuestionMatchesTheBatchRunner();
  void stopDuringIndependentReplicatesEndsWithTheFinishedOnesWritten();
  void progressLineIsShownAndTheAnswersClearIt();
  void rejectedStartLeavesTheWindowUsable();
  void endingTheSessionDuringARunClosesEveryFile();

  // The menu of the parameter window: saved settings, the results window and the retrospective,
  // each set against the batch runner given the same settings file (menu_test.cpp).
  void settingsSavedLoadBackAndABadFileLoadsNothing();
  void windowRunOfSavedSettingsMatchesTheBatchRunnerAndShowsItsCharts();
  void retrospectiveMatchesTheBatchRunner();
  void quitSessionDuringARetrospectiveEndsItWithoutTables();

  // Live re-runs: what a burst of changes leaves behind (files and charts) set against the batch
  // runner given the last fields, what a run given up leaves, that nothing runs with the switch
  // off (the start of the first); and File > Compare with... against a second run (live_test.cpp).
  void fiveQuickChangesEndWithTheFilesAndChartsOfTheLastValue();
  void fieldsThatCannotBeReadRunNothingAndStartGivesUpALiveRun();
  void compareWithListsTheChangedFieldAndDrawsTheOverlays();

 private:
  long main_run_yields_ = 0;  // yield points of the default main run, counted at its question
};

}  // namespace quorvane::app::testing
