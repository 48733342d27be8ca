// Live re-runs: with the "Live" switch of the parameter window on, every change of a field
// re-runs the assessment in the background with the fields as they stand, so that what a setting
// does to the answer shows a moment after it is typed.
//
// Changes that come less than kMergeMs apart make one run. A live run still going when a newer
// change is due is given up at its next yield point, as "Quit session" gives a run up: its
// results file stays empty and the tables beside it are removed, so that nothing half written
// passes for the fit of either the old fields or the new ones. A live run that ends is a START
// with the same fields whose bootstrap question is answered "2" (no bootstrap): it writes the
// same files. It shows no progress window and asks nothing; its charts replace those on view in
// place, and the status line gives its time, its terminal f and its losses. Fields that cannot
// be read run nothing, and the status line names the field. With the switch off nothing of this
// happens, and switching it on runs nothing until the next change.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

#include "run/start.h"
#include "state/run_state.h"

class QCheckBox;

namespace quorvane::app {

class ParameterWindow;
class RunController;

class LiveRuns : public QObject {
  Q_OBJECT

 public:
  // Changes that come closer together than this are typing, not settings to be tried one by
  // one: a person types a number in keystrokes a few tenths of a second apart at most.
  static constexpr int kMergeMs = 300;

  LiveRuns(ParameterWindow& window, RunController& controller);
  ~LiveRuns() override;

  QCheckBox* toggle() const { return toggle_; }
  bool isOn() const;
  void setOn(bool on);
  // Nothing is due: no change waits to be run and no live run is going on.
  bool idle() const;
  // Live runs given up for a newer change or for START, since the program started.
  int cancelled() const { return cancelled_; }
  // START pressed while a live run is going on: the live run is given up and START is pressed
  // again for the user once it has unwound.
  void giveWayToStart();

 private slots:
  void fieldChanged();
  void switched(bool on);
  void runNow();
  void runEnded(const quorvane::RunOutcome& outcome);

 private:
  // Asks the live run going on, if any, to unwind (once).
  void giveUp();
  // The fields' problems as START would word them; empty when they can be read.
  QString fieldProblem();
  // Shows the charts of the run's tables; the reason when it cannot.
  QString showFit(const QString& tables);
  void say(const QString& text);

  ParameterWindow& window_;
  RunController& controller_;
  QCheckBox* toggle_ = nullptr;
  QTimer merge_;
  bool waiting_ = false;    // a change is due as soon as the run going on has ended
  bool giving_up_ = false;  // the live run going on has been asked to unwind
  bool start_due_ = false;  // START waits for the live run going on to unwind
  int cancelled_ = 0;
  QElapsedTimer clock_;                // since the live run going on started
  std::unique_ptr<RunState> scratch_;  // where the fields are tried before a run
};

}  // namespace quorvane::app
