#pragma once

#include <QObject>

namespace quorvane::app::testing {

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void parameterWindowShowsEveryLabelAndDefault();
  void parameterWindowFitsALaptopScreen();
  void textStaysUntilDrawnOverOrCleared();
  void erasingLeavesNoResidue();
  void drawingIsCoalescedToTheLatestPicture();
  void workingDirectoryIsTheGivenTheStockOrTheRemembered();
  void bootstrapWindowAsksAndPassesTheTextsOn();
  void restartWindowAsksAndPassesTheTextOn();
};

}  // namespace quorvane::app::testing
