#pragma once

#include <QObject>

namespace quorvane::app::testing {

// The menu of the parameter window: saved settings, the results window and the retrospective,
// each set against the batch runner given the same settings file.
class MenuTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void savedSettingsLoadBackAsTheSameFields();
  void badSettingsFileLoadsNothingAndNamesTheLine_data();
  void badSettingsFileLoadsNothingAndNamesTheLine();
  void windowRunOfSavedSettingsMatchesTheBatchRunnerAndShowsItsCharts();
  void retrospectiveMatchesTheBatchRunner();
  void quitSessionDuringARetrospectiveEndsItWithoutTables();
};

}  // namespace quorvane::app::testing
