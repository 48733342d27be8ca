// The window of File > Compare with...: the run on view (A) against another run (B), both read
// from their tables folders: the settings that differ and the change over the last years as
// text, and the overlays of SSB, F-bar and recruitment, one tab each.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "run/run_comparison.h"

class QPlainTextEdit;
class QTabWidget;

namespace quorvane::app {

class CompareWindow : public QWidget {
  Q_OBJECT

 public:
  CompareWindow(const ComparedRun& a, const ComparedRun& b, QWidget* parent = nullptr);

  QPlainTextEdit* summary() const { return summary_; }
  QTabWidget* charts() const { return charts_; }

 private:
  QPlainTextEdit* summary_ = nullptr;
  QTabWidget* charts_ = nullptr;
};

// Reads the two runs (a results file or a tables folder each) and shows their comparison in a
// new window that deletes itself when closed; the one-line reason when a run cannot be read.
QString show_comparison(QWidget* parent, const QString& current, const QString& other);

// Asks for the tables folder of the run to compare with, starting in `from`, and shows the
// comparison against `current`; a message says why it cannot be shown.
void compare_with(QWidget* parent, const QString& current, const QString& from);

// How compare_with() asks for the other run: the folder chosen, empty when none. The default
// is a folder dialog; a test puts a function in its place that names the folder without one.
using RunChooser = std::function<QString(QWidget* parent, const QString& from)>;
void set_run_chooser(RunChooser chooser);

}  // namespace quorvane::app
