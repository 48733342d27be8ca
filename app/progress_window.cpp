#include "app/progress_window.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

namespace quorvane::app {

namespace {

// Arial 8.25 point at 96 pixels to the inch is 11 pixels high.
constexpr int kFontPixels = 11;

// The STOP button's place on the client area, in twips.
constexpr int kStopX = 4200;
constexpr int kStopY = 7080;
constexpr int kStopWidth = 1575;
constexpr int kStopHeight = 375;

// "(first 20)" belongs at x 200, y 2400, which is the line of the tenth age row: that row's age
// and s1(a) are drawn over it at every evaluation, leaving a few letters of the caption between
// the digits. It is drawn instead on the free line under the twentieth row (y 4600), in the age
// column it speaks of, as "(last 25)" stands under the year list.
constexpr ProgressPicture::Place kFirst20Given{200, 2400, 0};
constexpr int kFirst20Y = 4600;
constexpr std::string_view kFirst20 = "(first 20)";

// The bootstrap's progress line is no text of the design's picture: it stands on the free line
// between the bottom line (y 6400) and the STOP button (y 7080), from the left edge.
constexpr int kBootstrapStatusX = 2;
constexpr int kBootstrapStatusY = 6660;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("CORVEL current results"));
  createCanvas();
  createStopButton();
}

void ProgressWindow::createCanvas() {
  setFixedSize(toPixels(kClientWidthTwips), toPixels(kClientHeightTwips));
  font_ = QFont(QStringLiteral("Arial"));
  font_.setPixelSize(kFontPixels);
  font_.setStyleHint(QFont::SansSerif);
  render();
}

void ProgressWindow::createStopButton() {
  stop_ = new QPushButton(tr("STOP (if want)"), this);
  stop_->setObjectName(QStringLiteral("Commandf11"));
  stop_->setGeometry(toPixels(kStopX), toPixels(kStopY), toPixels(kStopWidth),
                     toPixels(kStopHeight));
  connect(stop_, &QPushButton::clicked, this, &ProgressWindow::stopPressed);
}

void ProgressWindow::setPicture(const ProgressPicture& picture) {
  texts_ = picture.texts();
  const std::string& status = picture.bootstrap_status();
  status_ = QString::fromUtf8(status.data(), static_cast<qsizetype>(status.size()));
  render();
  ++paints_;
  update();
}

void ProgressWindow::render() {
  // Painted at the screen's own pixel density, so the digits stay sharp on a scaled screen.
  const qreal ratio = std::max<qreal>(1.0, devicePixelRatioF());
  const QSize logical = size();
  picture_ = QImage(logical * ratio, QImage::Format_RGB32);
  picture_.setDevicePixelRatio(ratio);
  const QColor background = palette().color(QPalette::Window);
  picture_.fill(background);

  QPainter painter(&picture_);
  painter.setFont(font_);
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics(font_, &picture_);
  const int blank = metrics.horizontalAdvance(QLatin1Char(' '));
  for (const ProgressPicture::Text& t : texts_) {
    const QString text = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
    // Each print ends its line: a text printed without a position of its own starts the next
    // line at the left edge.
    QPoint at(t.at.line > 0 ? 0 : toPixels(t.at.x_twips),
              toPixels(t.at.y_twips) + t.at.line * metrics.height());
    if (t.at == kFirst20Given && t.text == kFirst20) at.setY(toPixels(kFirst20Y));
    // The text's whole cell and any ink that leaves it are cleared first, and at least the
    // width of the blanks that erased the place, so nothing of what stood there shows through.
    const int width = std::max(metrics.horizontalAdvance(text), t.erased_blanks * blank);
    const QRect cell(at, QSize(width, metrics.height()));
    const QRect ink = metrics.boundingRect(text).translated(at + QPoint(0, metrics.ascent()));
    painter.fillRect(cell.united(ink), background);
    painter.drawText(at + QPoint(0, metrics.ascent()), text);
  }
  if (!status_.isEmpty()) {
    painter.drawText(QPoint(toPixels(kBootstrapStatusX), toPixels(kBootstrapStatusY)) +
                         QPoint(0, metrics.ascent()),
                     status_);
  }
}

void ProgressWindow::paintEvent(QPaintEvent*) {
  if (picture_.devicePixelRatio() != std::max<qreal>(1.0, devicePixelRatioF())) render();
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  emit closeRequested();
}

}  // namespace quorvane::app
