#include "app/compare_window.h"

#include <QChartView>
#include <QFileDialog>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "app/warning.h"
#include "plot/compare_charts.h"

namespace quorvane::app {

CompareWindow::CompareWindow(const ComparedRun& a, const ComparedRun& b, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setWindowTitle(tr("QUORVANE: two runs compared"));
  auto* column = new QVBoxLayout(this);
  summary_ = new QPlainTextEdit(this);
  summary_->setReadOnly(true);
  summary_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  summary_->setPlainText(QString::fromStdString(comparison_text(a, b, compare_runs(a, b))));
  summary_->setMaximumHeight(240);
  column->addWidget(summary_);
  charts_ = new QTabWidget(this);
  for (const plot::ChartInfo& info : plot::overlay_charts()) {
    auto* view = new QChartView(
        plot::make_overlay_chart(a, b, info.name, plot::run_name(a), plot::run_name(b)), charts_);
    view->setRenderHint(QPainter::Antialiasing);
    charts_->addTab(view, QString::fromStdString(info.title));
  }
  column->addWidget(charts_, 1);
  resize(1100, 800);
}

QString show_comparison(QWidget* parent, const QString& current, const QString& other) {
  try {
    const ComparedRun a = read_compared_run(current.toStdString());
    const ComparedRun b = read_compared_run(other.toStdString());
    auto* window = new CompareWindow(a, b, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
  } catch (const std::exception& e) {
    return QString::fromStdString(e.what());
  }
  return {};
}

namespace {

QString choose_by_dialog(QWidget* parent, const QString& from) {
  return QFileDialog::getExistingDirectory(parent, QWidget::tr("Compare with (a tables folder)"),
                                           from);
}

RunChooser& run_chooser() {
  static RunChooser chooser = choose_by_dialog;
  return chooser;
}

}  // namespace

void set_run_chooser(RunChooser chooser) {
  run_chooser() = chooser ? std::move(chooser) : RunChooser(choose_by_dialog);
}

void compare_with(QWidget* parent, const QString& current, const QString& from) {
  const QString other = run_chooser()(parent, from);
  if (other.isEmpty()) return;
  const QString problem = show_comparison(parent, current, other);
  if (!problem.isEmpty()) show_warning(parent, QWidget::tr("Compare with"), problem);
}

}  // namespace quorvane::app
