#include "app/results_window.h"

#include <QChartView>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QFont>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <string>

#include "app/warning.h"

namespace quorvane::app {

namespace {

// The list shows the titles; each item keeps the chart's name, the stem of its file.
constexpr int kNameRole = Qt::UserRole;

// A saved chart is drawn anew at this size, whatever the size of the window: readable on a
// slide and in print.
const QSize kSavedChartSize(1200, 800);

QString text_of(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::optional<plot::ImageFormat> image_format(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QStringLiteral("png")) return plot::ImageFormat::Png;
  if (suffix == QStringLiteral("svg")) return plot::ImageFormat::Svg;
  return std::nullopt;
}

ResultsWindow::ResultsWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("QUORVANE results"));
  auto* column = new QVBoxLayout(this);
  createNote();
  createChartArea();
  createButtons();
  column->addWidget(note_);
  auto* charts = new QHBoxLayout;
  charts->addWidget(list_);
  charts->addWidget(view_, 1);
  column->addLayout(charts, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  auto* open = new QPushButton(tr("Open results..."), this);
  connect(open, &QPushButton::clicked, this, [this] { openResults(); });
  buttons->addWidget(open);
  buttons->addStretch(1);
  column->addLayout(buttons);
  resize(1100, 700);
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::createNote() {
  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("note"));
  note_->setWordWrap(true);
  note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  note_->hide();
}

void ResultsWindow::createChartArea() {
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("charts"));
  list_->setFixedWidth(kNarrowestList);
  connect(list_, &QListWidget::currentRowChanged, this, &ResultsWindow::showSelected);
  view_ = new QChartView(this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(480, 320);
}

void ResultsWindow::createButtons() {
  save_ = new QPushButton(tr("Save chart..."), this);
  save_->setObjectName(QStringLiteral("saveChart"));
  save_->setEnabled(false);
  connect(save_, &QPushButton::clicked, this, &ResultsWindow::saveChart);
}

QString ResultsWindow::showTables(const QString& folder, const QString& note) {
  auto data = std::make_unique<plot::PlotData>();
  std::vector<plot::ChartInfo> charts;
  try {
    *data = plot::read_plot_data(folder.toStdString());
    charts = plot::available_charts(*data);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  data_ = std::move(data);
  folder_ = folder;
  setWindowTitle(tr("QUORVANE results - %1").arg(QFileInfo(folder).fileName()));
  note_->setText(note);
  note_->setVisible(!note.isEmpty());

  // The list is filled before the old chart goes, so that nothing draws from a stale row.
  const QSignalBlocker quiet(list_);
  list_->clear();
  // Each group of charts under a heading of its own, which cannot be chosen.
  std::string group;
  int first_chart = -1;
  for (const plot::ChartInfo& chart : charts) {
    if (chart.group != group) {
      group = chart.group;
      auto* heading = new QListWidgetItem(text_of(group), list_);
      heading->setFlags(Qt::NoItemFlags);  // passed over by the arrow keys too
      QFont bold = heading->font();
      bold.setBold(true);
      heading->setFont(bold);
      // In the colour of text, not of a disabled item: it is a heading, not an unavailable chart.
      heading->setForeground(list_->palette().color(QPalette::Active, QPalette::Text));
    }
    auto* item = new QListWidgetItem(text_of(chart.title), list_);
    item->setData(kNameRole, text_of(chart.name));
    item->setToolTip(item->text());
    if (first_chart < 0) first_chart = list_->row(item);
  }
  fitListWidth();
  list_->setCurrentRow(first_chart);
  showSelected();
  return {};
}

// The list as wide as its longest title (fleet names from the files make long ones), within
// its bounds.
void ResultsWindow::fitListWidth() {
  const int titles = list_->count() > 0 ? list_->sizeHintForColumn(0) : 0;
  const int chrome = 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width() + 8;
  list_->setFixedWidth(std::clamp(titles + chrome, kNarrowestList, kWidestList));
}

void ResultsWindow::clearCharts(const QString& note) {
  data_.reset();
  folder_.clear();
  setWindowTitle(tr("QUORVANE results"));
  note_->setText(note);
  note_->setVisible(!note.isEmpty());
  const QSignalBlocker quiet(list_);
  list_->clear();
  showSelected();
}

QStringList ResultsWindow::chartNames() const {
  QStringList names;
  for (int row = 0; row < list_->count(); ++row) {
    const QString name = list_->item(row)->data(kNameRole).toString();
    if (!name.isEmpty()) names << name;  // not a group's heading
  }
  return names;
}

QString ResultsWindow::currentChart() const {
  const QListWidgetItem* item = list_->currentItem();
  return item ? item->data(kNameRole).toString() : QString();
}

bool ResultsWindow::selectChart(const QString& name) {
  for (int row = 0; row < list_->count(); ++row) {
    const QString chart = list_->item(row)->data(kNameRole).toString();
    if (!chart.isEmpty() && chart.startsWith(name)) {
      list_->setCurrentRow(row);
      return true;
    }
  }
  return false;
}

void ResultsWindow::showSelected() {
  QChart* chart = nullptr;
  const QString name = currentChart();
  if (data_ && !name.isEmpty()) {
    try {
      chart = plot::make_chart(*data_, name.toStdString());
    } catch (const std::exception& e) {
      show_warning(this, tr("Chart"), QString::fromUtf8(e.what()));
    }
  }
  // The view gives up its old chart without deleting it.
  QChart* old = view_->chart();
  view_->setChart(chart != nullptr ? chart : new QChart);
  delete old;
  save_->setEnabled(chart != nullptr);
}

QString ResultsWindow::saveChartTo(const QString& path) {
  const std::optional<plot::ImageFormat> format = image_format(path);
  if (!format) return tr("%1: name the file .png or .svg").arg(path);
  if (!data_ || currentChart().isEmpty()) return tr("There is no chart to save.");
  try {
    // A chart of its own: saving renders at its own size and leaves the one on view alone.
    const std::unique_ptr<QChart> chart(plot::make_chart(*data_, currentChart().toStdString()));
    plot::save_chart(chart.get(), path.toStdString(), *format, kSavedChartSize);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  return {};
}

void ResultsWindow::saveChart() {
  const QString png = tr("PNG picture (*.png)");
  const QString svg = tr("SVG drawing (*.svg)");
  QString filter = png;
  QString path = QFileDialog::getSaveFileName(
      this, tr("Save chart"), QDir(folder_).filePath(currentChart() + QStringLiteral(".png")),
      png + QStringLiteral(";;") + svg, &filter);
  if (path.isEmpty()) return;
  // A name without a suffix takes the one of the chosen kind of file.
  if (QFileInfo(path).suffix().isEmpty()) {
    path += filter == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
  }
  const QString problem = saveChartTo(path);
  if (!problem.isEmpty()) show_warning(this, tr("Save chart"), problem);
}

void ResultsWindow::openResults(const QString& from) {
  const QString folder = QFileDialog::getExistingDirectory(
      this, tr("Open results (a tables folder)"), from.isEmpty() ? folder_ : from);
  if (folder.isEmpty()) return;
  const QString problem = showTables(folder);
  if (!problem.isEmpty()) {
    show_warning(this, tr("Open results"), problem);
    return;
  }
  show();
  raise();
}

}  // namespace quorvane::app
