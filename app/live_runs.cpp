#include "app/live_runs.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <exception>

#include "app/parameter_window.h"
#include "app/run_controller.h"
#include "report/results_record.h"
#include "run/scan_edges.h"
#include "run/settings.h"
#if QUORVANE_CHARTS
#include "app/results_window.h"
#endif

namespace quorvane::app {

namespace {

// Losses are read for their order of size and their change from run to run; four digits tell
// both.
constexpr int kLossDigits = 4;

}  // namespace

LiveRuns::LiveRuns(ParameterWindow& window, RunController& controller)
    : QObject(&window),
      window_(window),
      controller_(controller),
      scratch_(std::make_unique<RunState>()) {
  toggle_ = new QCheckBox(tr("Live"), &window);
  toggle_->setObjectName(QStringLiteral("live"));
  toggle_->setToolTip(
      tr("Re-run the assessment after every change of a field (no bootstrap, no questions)"));
  merge_.setSingleShot(true);
  merge_.setInterval(kMergeMs);
  connect(&merge_, &QTimer::timeout, this, &LiveRuns::runNow);
  connect(toggle_, &QCheckBox::toggled, this, &LiveRuns::switched);
  for (const Field& f : kFields) {
    connect(window_.field(f.id), &QLineEdit::textChanged, this, &LiveRuns::fieldChanged);
  }
  connect(&controller_, &RunController::runFinished, this, &LiveRuns::runEnded);
  // A change that came during a retrospective is run once the retrospective is over.
  connect(&controller_, &RunController::retrospectiveFinished, this,
          [this] { runEnded(RunOutcome{}); });
}

LiveRuns::~LiveRuns() = default;

bool LiveRuns::isOn() const { return toggle_->isChecked(); }

void LiveRuns::setOn(bool on) { toggle_->setChecked(on); }

bool LiveRuns::idle() const {
  return !merge_.isActive() && !waiting_ && !start_due_ &&
         !(controller_.running() && controller_.liveRun());
}

void LiveRuns::giveUp() {
  if (controller_.running() && controller_.liveRun() && !giving_up_) {
    giving_up_ = true;
    controller_.cancelLive();
  }
}

void LiveRuns::giveWayToStart() {
  if (!controller_.running() || !controller_.liveRun()) return;
  giveUp();
  // START runs the fields as they stand: a change that waited is covered by it.
  merge_.stop();
  waiting_ = false;
  start_due_ = true;
}

void LiveRuns::fieldChanged() {
  if (isOn()) merge_.start();
}

// Switching on runs nothing by itself: the files and charts on view may be those of a START
// with a bootstrap, which a live run of the same fields would replace by a fit without one.
// Switched off, a change that waits is dropped; a live run going on ends as it would.
void LiveRuns::switched(bool on) {
  if (on) return;
  merge_.stop();
  waiting_ = false;
}

QString LiveRuns::fieldProblem() {
  if (!QDir(window_.workingDirectory()).exists()) {
    return tr("the working directory \"%1\" does not exist").arg(window_.workingDirectory());
  }
  try {
    read_settings(*scratch_, window_.fieldTexts());
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  return {};
}

void LiveRuns::runNow() {
  if (!isOn()) return;
  const QString problem = fieldProblem();
  if (!problem.isEmpty()) {
    // A live run going on is of fields that are no longer in the window.
    giveUp();
    waiting_ = false;
    say(tr("Live: nothing run: %1").arg(problem));
    return;
  }
  if (controller_.running()) {
    // A live run of older fields is given up; a START or a retrospective of the user's own
    // runs to its end, and the change waits for it.
    giveUp();
    waiting_ = true;
    return;
  }
  waiting_ = false;
  giving_up_ = false;
  clock_.start();
  if (controller_.startLive(window_.fieldTexts(), window_.workingDirectory())) {
    say(tr("Live: running..."));
  }
}

void LiveRuns::runEnded(const RunOutcome& outcome) {
  const bool live = controller_.liveRun();
  const bool given_up = live && giving_up_;
  giving_up_ = false;
  if (given_up) ++cancelled_;
  if (start_due_) {
    start_due_ = false;
    QTimer::singleShot(0, &window_, &ParameterWindow::start);
    return;
  }
  if (waiting_ && isOn()) {
    // Not from inside the controller's report of the run that has just ended: the next run
    // starts once every window has taken that report in.
    QTimer::singleShot(0, this, &LiveRuns::runNow);
    return;
  }
  if (!live || given_up) return;
  const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
  const QString tables = QString::fromStdString(outcome.tables.folder);
  switch (outcome.status) {
    case RunStatus::Completed:
      if (tables.isEmpty()) {
        say(tr("Live: the run wrote no tables: %1")
                .arg(QString::fromStdString(outcome.tables.problem)));
      } else {
        const QString problem = showFit(tables);
        const ResultsRecord* record = controller_.state().results_record.get();
        QStringList losses;
        for (const LossComponent& c : record->losses) {
          losses << QStringLiteral("%1 %2").arg(QString::fromStdString(c.name),
                                                QString::number(c.loss, 'g', kLossDigits));
        }
        QString text = tr("Live: run of %1 s; terminal f %2; total loss %3 (%4)")
                           .arg(QString::number(seconds, 'f', 2),
                                QString::number(record->terminal_f, 'g', kLossDigits),
                                QString::number(record->total_loss, 'g', kLossDigits),
                                losses.join(QStringLiteral(", ")));
        for (const std::string& note : scan_edge_notes(controller_.state(), *record))
          text += QStringLiteral("; ") + QString::fromStdString(note);
        if (!problem.isEmpty()) text += tr("; no charts: %1").arg(problem);
        say(text);
      }
      break;
    case RunStatus::SettingsRejected:
      say(tr("Live: nothing run: %1").arg(QString::fromStdString(outcome.message)));
      break;
    case RunStatus::InputFailed:
    case RunStatus::ArithmeticFailed:
      say(tr("Live: the run stopped with an error: %1")
              .arg(QString::fromStdString(outcome.message)));
      break;
  }
}

// The charts on view are replaced in place: the chart the user looks at stays chosen, and a
// results window already open is not raised over the fields being typed in.
QString LiveRuns::showFit(const QString& tables) {
#if QUORVANE_CHARTS
  ResultsWindow* results = window_.resultsWindow();
  if (results == nullptr || !results->isVisible()) return window_.showResults(tables);
  const QString chart = results->currentChart();
  const QString problem = results->showTables(tables);
  if (problem.isEmpty() && !chart.isEmpty()) results->selectChart(chart);
  return problem;
#else
  (void)tables;
  return {};
#endif
}

void LiveRuns::say(const QString& text) { window_.statusLine()->setText(text); }

}  // namespace quorvane::app
