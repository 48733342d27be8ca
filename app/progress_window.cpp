#include "app/progress_window.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <map>
#include <utility>

namespace quorvane::app {

namespace {

// Arial 8.25 point at 96 pixels to the inch is 11 pixels high.
constexpr int kFontPixels = 11;

// The STOP button's place on the client area, in twips.
constexpr int kStopX = 4200;
constexpr int kStopY = 7080;
constexpr int kStopWidth = 1575;
constexpr int kStopHeight = 375;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("CORVEL current results"));
  createCanvas();
  createStopButton();
}

void ProgressWindow::createCanvas() {
  const QSize client(toPixels(kClientWidthTwips), toPixels(kClientHeightTwips));
  setFixedSize(client);
  font_ = QFont(QStringLiteral("Arial"));
  font_.setPixelSize(kFontPixels);
  font_.setStyleHint(QFont::SansSerif);
  picture_ = QImage(client, QImage::Format_RGB32);
  wipe();
}

void ProgressWindow::createStopButton() {
  stop_ = new QPushButton(tr("STOP (if want)"), this);
  stop_->setObjectName(QStringLiteral("Commandf11"));
  stop_->setGeometry(toPixels(kStopX), toPixels(kStopY), toPixels(kStopWidth),
                     toPixels(kStopHeight));
  connect(stop_, &QPushButton::clicked, this, &ProgressWindow::stopPressed);
}

void ProgressWindow::wipe() {
  picture_.fill(palette().color(QPalette::Window));
  pen_ = QPoint(0, 0);
}

ProgressWindow::Placed ProgressWindow::place(const QString& text) {
  const QFontMetrics metrics(font_, &picture_);
  // The background of the whole text cell is painted, plus any ink that leaves it, so that a
  // later text whose footprint contains this one hides every pixel of it.
  const QRect cell(0, 0, metrics.horizontalAdvance(text), metrics.height());
  const QRect ink = metrics.boundingRect(text).translated(0, metrics.ascent());
  Placed item{pen_, cell.united(ink).translated(pen_), text};
  // Each print statement ends its line: the position moves to the start of the next line.
  pen_ = QPoint(0, pen_.y() + metrics.height());
  return item;
}

void ProgressWindow::render(QPainter& painter, const Placed& item) {
  painter.fillRect(item.footprint, palette().color(QPalette::Window));
  painter.drawText(item.at + QPoint(0, painter.fontMetrics().ascent()), item.text);
}

void ProgressWindow::apply(const DrawOps& ops) {
  // Replay the positions first: where each text lands depends on the ones before it.
  std::vector<Placed> placed;
  bool cleared = false;
  for (const DrawOp& op : ops) {
    switch (op.kind) {
      case DrawOp::Kind::Clear:
        placed.clear();
        cleared = true;
        pen_ = QPoint(0, 0);
        break;
      case DrawOp::Kind::Position:
        pen_ = QPoint(toPixels(op.x_twips), toPixels(op.y_twips));
        break;
      case DrawOp::Kind::Print:
        placed.push_back(place(op.text));
        break;
    }
  }

  // Walking backwards, a text is hidden when a later one at the same place covers it.
  std::vector<bool> hidden(placed.size(), false);
  std::map<std::pair<int, int>, std::vector<QRect>> later;
  for (std::size_t i = placed.size(); i-- > 0;) {
    auto& covers = later[{placed[i].at.x(), placed[i].at.y()}];
    for (const QRect& r : covers) {
      if (r.contains(placed[i].footprint)) {
        hidden[i] = true;
        break;
      }
    }
    if (!hidden[i]) covers.push_back(placed[i].footprint);
  }

  if (cleared) picture_.fill(palette().color(QPalette::Window));
  QPainter painter(&picture_);
  painter.setFont(font_);
  painter.setPen(palette().color(QPalette::WindowText));
  for (std::size_t i = 0; i < placed.size(); ++i) {
    if (!hidden[i]) render(painter, placed[i]);
  }
  painter.end();
  update();
}

void ProgressWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

}  // namespace quorvane::app
