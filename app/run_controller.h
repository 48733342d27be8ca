// The session of the window program: the run state, which lives as long as the program, the
// worker thread that runs one START or one retrospective analysis at a time, the progress window
// and the two question windows. It turns the user's STOP and "Quit session" into requests that the
// computation takes at its yield point, and the worker's drawing and questions into window actions.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/progress_window.h"
#include "app/question_windows.h"
#include "app/retrospective_job.h"
#include "base/host.h"
#include "run/run_keys.h"
#include "run/settings.h"
#include "run/start.h"
#include "state/run_state.h"

class QThread;

namespace quorvane {
class WorkdirLock;
}

namespace quorvane::app {

class WindowHost;

class RunController : public QObject {
  Q_OBJECT

 public:
  // What a question gets when the session is being closed: answers that end the run.
  static inline const BootstrapAnswer kRefuseBootstrap{"2", "0"};
  static inline const std::string kRefuseRestart = "2";

  explicit RunController(QObject* parent = nullptr);
  ~RunController() override;

  bool running() const { return worker_ != nullptr; }

  // START: runs the computation with these field texts in that working directory on the
  // worker thread, holding the directory's lock for the length of the run. Ignored (false) while
  // a run is in progress or the session is closing; refused (false, refusal() says why) while
  // another run, of this program or another, holds the directory.
  bool start(const FieldTexts& texts, const QString& workdir);
  // Why the last START or retrospective was refused; empty when it was not.
  const QString& refusal() const { return refusal_; }

  // The kind of bootstrap the next bootstrap question offers first and that a bootstrap answered
  // without the window (answerBootstrapWith) uses; the question's choice becomes it.
  BootstrapKind bootstrapKind() const { return bootstrap_kind_; }
  void setBootstrapKind(BootstrapKind kind) { bootstrap_kind_ = kind; }
  // The F-bar ages and units the next runs report with (a settings file's run keys).
  void setRunKeys(const RunKeys& keys) { run_keys_ = keys; }

  // A live re-run (app/live_runs.h): START with these texts, without the progress window, its
  // bootstrap question answered "2" and a restart question "2" without being shown. Ignored
  // (false) as start() is.
  bool startLive(const FieldTexts& texts, const QString& workdir);
  // The run going on, or the one whose runFinished() is being emitted, is a live re-run.
  bool liveRun() const { return live_; }
  // Gives up the live run going on at its next yield point, as "Quit session" would, without
  // ending the session: no results are written, and the next run is not affected.
  void cancelLive();

  // "Retrospective...": the peels 1..peels of the assessment with these field texts, on the
  // worker thread, without the progress window. The full run is the last START when it reached
  // its end with the same texts in the same directory, and is run afresh otherwise. Ignored
  // (false) while something is running or the session is closing.
  bool startRetrospective(const FieldTexts& texts, const QString& workdir, int peels);
  // "Leave one out": the assessment without each of its `runs` tuning series, as a retrospective
  // is run (the same full run, the same signals: peelFinished counts these runs, and
  // retrospectiveFinished gives an outcome with the runs in `without`).
  bool startLeaveOut(const FieldTexts& texts, const QString& workdir, int runs);

  // "Quit session": a run in progress unwinds at its next yield point without writing results;
  // then the open files are closed and sessionOver() is emitted.
  void quit();

  // Every later bootstrap question is answered with this, without showing the window.
  void answerBootstrapWith(BootstrapAnswer answer) { bootstrap_answer_ = std::move(answer); }

  // Closing the program during a run: the run stops as STOP stops it (its results written, its
  // questions answered "2"), its files are closed, then sessionOver() is emitted.
  void stopAndQuit();

  // The host the computation draws on and yields to (tests drive it as a run would).
  Host& host();

  ProgressWindow* progressWindow() const { return progress_.get(); }
  BootstrapWindow* bootstrapWindow() const { return bootstrap_.get(); }
  RestartWindow* restartWindow() const { return restart_.get(); }

  // The run state; read it only while no run is in progress.
  const RunState& state() const { return *state_; }
  const RunOutcome& lastOutcome() const { return outcome_; }
  const RetroOutcome& lastRetrospective() const { return retro_outcome_; }
  // The last retrospective made its full run afresh, writing the results file and the search
  // log of the working directory over those of the last START.
  bool retrospectiveRewroteResults() const { return retro_full_run_; }

  // Holds the worker at its n-th yield point of the next run and emits workerHeld(); STOP or
  // release() lets it go on.
  void holdAtYield(long n);
  void release();
  long yields() const;

  // ---- Window-thread side of the worker's host ----
  // Paints the newest picture of the run: at once when `now`, else at most about 30 times a
  // second, so that the window keeps up with any search.
  void repaintProgress(bool now);
  void setProgressVisible(bool visible);
  void showParameters();
  void askBootstrap(bool terminated, std::function<void(BootstrapAnswer)> reply);
  void askRestart(std::function<void(std::string)> reply);
  void workerHeld(long yield_count);

 signals:
  void runStarted();
  void runFinished(const quorvane::RunOutcome& outcome);
  void peelFinished(int done, int peels);
  void retrospectiveFinished(const quorvane::app::RetroOutcome& outcome);
  void parametersWanted();
  void heldAtYield(long yield_count);
  void sessionOver();

 public slots:
  // STOP (if want): asks "Stop it?"; the worker stands at its next yield point meanwhile.
  void askStop();

 private:
  void finishRun();
  void finishRetrospective();
  // The analysis beside the run that `job` computes against the full run it is handed (null: it
  // makes its own), on the worker thread; `runs` is how many runs peelFinished counts to.
  using BesideJob = std::function<RetroOutcome(const FullRun* full, const std::atomic<bool>& quit,
                                               const std::function<void()>& run_done)>;
  bool startBeside(const FieldTexts& texts, const QString& workdir, int runs, BesideJob job);
  // The last START as the full run of a retrospective with these texts, when it can serve.
  std::optional<FullRun> lastFullRun(const FieldTexts& texts, const QString& workdir) const;
  void closeFiles();
  // Takes the lock of the working directory for a run; false (refusal_ set) when it cannot.
  bool lockWorkingDirectory(const QString& workdir);
  // Runs `question` now, or after "Stop it?" is answered when that question is on screen.
  void whenQuestionsAllowed(std::function<void()> question);

  std::unique_ptr<RunState> state_;
  std::unique_ptr<WindowHost> host_;
  std::unique_ptr<ProgressWindow> progress_;
  std::unique_ptr<BootstrapWindow> bootstrap_;
  std::unique_ptr<RestartWindow> restart_;
  QThread* worker_ = nullptr;
  RunOutcome outcome_;     // written by the worker, read once it has finished
  FieldTexts last_texts_;  // of the last START
  RunKeys last_keys_;      // of the last START
  RunKeys run_keys_;
  QString last_workdir_;
  bool retrospective_ = false;  // the worker runs a retrospective, not a START
  std::atomic<bool> quit_retrospective_{false};
  RetroOutcome retro_outcome_;
  bool retro_full_run_ = false;
  bool quitting_ = false;
  bool live_ = false;
  bool stop_and_quit_ = false;
  std::optional<BootstrapAnswer> bootstrap_answer_;
  BootstrapKind bootstrap_kind_ = BootstrapKind::Chained;
  std::unique_ptr<WorkdirLock> lock_;  // held from START to the end of the worker
  QString refusal_;
  bool stop_question_open_ = false;
  QElapsedTimer painted_;  // since the last picture was painted
  QTimer repaint_later_;
  std::vector<std::function<void()>> deferred_;
};

}  // namespace quorvane::app
