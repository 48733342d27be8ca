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
  void parameterWindowFitsALaptopScreenAndChoosesTheWorkingDirectory();
  void progressTextStaysInPlaceAndDrawingIsCoalesced();
  void questionWindowsTakeOnlyNumbersAndMeanNoWhenClosed();

  // Whole runs from the parameter window on the demo stock, with the computation on its worker
  // thread, compared with the batch runner's files for the same fields and answers: STOP, the
  // bootstrap of either kind, refused starts, the working directory's lock, and the end of the
  // session during a run (run_test.cpp).
  void refusedStartsLeaveTheWindowUsableForTheDefaultRun();
  void stopAnsweredYesWritesTerminatedResultsAndRefusesBootstrap();
  void bootstrapOfTwoRunsMatchesTheBatchRunner_data();
  void bootstrapOfTwoRunsMatchesTheBatchRunner();
  void stopDuringIndependentReplicatesEndsWithTheFinishedOnesWritten();
  void endingTheSessionDuringARunClosesEveryFile();

  // The menu of the parameter window: saved settings, the results window, the retrospective and
  // leave one out, each set against the batch runner given the same settings file
  // (menu_test.cpp).
  void settingsFileRunsAsInTheBatchRunnerAndLoadsBack();
  void retrospectiveMatchesTheBatchRunnerAndQuitEndsItWithoutTables();
  void leaveOutMatchesTheBatchRunnerAndNeedsASeries();

  // Live re-runs (live_test.cpp), in one session: that nothing runs with the switch off, what a
  // burst of changes leaves behind (files and charts) set against the batch runner given the last
  // fields, File > Compare with... against a second run, what a run given up for fields that
  // cannot be read leaves, and START during a live run.
  void liveRunsFollowTheLastChangeAndRunNothingForFieldsThatCannotBeRead();

 private:
  long main_run_yields_ = 0;  // yield points of the default main run, counted at its question
};

}  // namespace quorvane::app::testing
