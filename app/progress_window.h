// The progress window: a fixed client area on which the computation places texts at positions
// given in twips, and the STOP button. It shows the latest picture of the run (ProgressPicture),
// repainted whole from the newest state, so no digit of an earlier, longer value can survive
// beside a shorter one. Every text is drawn on an opaque background as wide as the text or the
// blanks that erased its place, whichever is wider. The window only renders; nothing is read
// back from it.
#pragma once

#include <QCloseEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

#include "app/progress_picture.h"

class QPainter;
class QPushButton;

namespace quorvane::app {

// 1440 twips to the inch at 96 pixels to the inch.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 10350;
inline constexpr int kClientHeightTwips = 7545;

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent = nullptr);

  // Paints this picture of the run in place of the one shown.
  void setPicture(const ProgressPicture& picture);

  // What the client area shows now, at the screen's device pixel ratio.
  const QImage& picture() const { return picture_; }
  // The bootstrap's progress line as it is shown, empty when none is.
  const QString& bootstrapStatus() const { return status_; }
  // How many pictures have been painted since the window was made.
  long paints() const { return paints_; }
  QPushButton* stopButton() const { return stop_; }

  static int toPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

 signals:
  void stopPressed();
  // The title bar's close button: it means STOP, never "hide and go on without a STOP button".
  void closeRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void createCanvas();
  void createStopButton();
  void render();

  QImage picture_;
  QFont font_;
  std::vector<ProgressPicture::Text> texts_;  // what picture_ shows
  QString status_;                            // and its bootstrap progress line
  long paints_ = 0;
  QPushButton* stop_ = nullptr;
};

}  // namespace quorvane::app
