// The progress window: a fixed client area on which the computation places texts at positions
// given in twips, and the STOP button. Drawn text stays until something is drawn over it or the
// window is cleared; every text is drawn on an opaque background, so a run of blanks erases what
// was there. The window only renders what it receives; nothing is read back from it.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;
class QPushButton;

namespace quorvane::app {

// 1440 twips to the inch at 96 pixels to the inch.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 10350;
inline constexpr int kClientHeightTwips = 7545;

// One drawing call of the computation, as it crosses from the worker to the window.
struct DrawOp {
  enum class Kind { Position, Print, Clear };
  Kind kind = Kind::Print;
  int x_twips = 0;  // Position only
  int y_twips = 0;
  QString text;  // Print only

  static DrawOp position(int x, int y) { return {Kind::Position, x, y, {}}; }
  static DrawOp print(QString t) { return {Kind::Print, 0, 0, std::move(t)}; }
  static DrawOp clear() { return {Kind::Clear, 0, 0, {}}; }
};
using DrawOps = std::vector<DrawOp>;

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent = nullptr);

  // Applies a batch of drawing calls in order. Texts that a later text of the same batch covers
  // completely are not rendered: the final picture is the same, and a fast search does not
  // flood the screen with values that nobody could read.
  void apply(const DrawOps& ops);

  // What the client area shows now.
  const QImage& picture() const { return picture_; }
  QPushButton* stopButton() const { return stop_; }

  static int toPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

 signals:
  void stopPressed();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Placed {
    QPoint at;        // top left of the text cell, in pixels
    QRect footprint;  // everything the text paints, background included
    QString text;
  };

  void createCanvas();
  void createStopButton();
  Placed place(const QString& text);
  void render(QPainter& painter, const Placed& item);
  void wipe();

  QImage picture_;
  QFont font_;
  QPoint pen_;  // the drawing position, in pixels
  QPushButton* stop_ = nullptr;
};

}  // namespace quorvane::app
