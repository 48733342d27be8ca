#include "app/run_controller.h"

#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <exception>
#include <memory>
#include <utility>

#include "app/warning.h"
#include "app/window_host.h"
#include "run/parallel_bootstrap.h"
#include "run/workdir_lock.h"

namespace quorvane::app {

RunController::RunController(QObject* parent)
    : QObject(parent),
      state_(std::make_unique<RunState>()),
      host_(std::make_unique<WindowHost>(*this)),
      progress_(std::make_unique<ProgressWindow>()),
      bootstrap_(std::make_unique<BootstrapWindow>()),
      restart_(std::make_unique<RestartWindow>()) {
  connect(progress_.get(), &ProgressWindow::stopPressed, this, &RunController::askStop);
  // The progress window paints the newest picture only: the bootstrap need not keep every
  // drawing call of the runs it computes ahead.
  fold_drawing_of_runs_ahead(true);
  // The title bar's X is STOP while a run goes on; afterwards it only closes the window.
  connect(progress_.get(), &ProgressWindow::closeRequested, this, [this] {
    if (running() && !retrospective_) {
      askStop();
    } else {
      progress_->hide();
    }
  });
  repaint_later_.setSingleShot(true);
  connect(&repaint_later_, &QTimer::timeout, this, [this] { repaintProgress(true); });
}

RunController::~RunController() {
  if (worker_ != nullptr) {
    host_->request_quit();
    quit_retrospective_ = true;
    worker_->wait();
    delete worker_;
  }
  closeFiles();
}

bool RunController::lockWorkingDirectory(const QString& workdir) {
  refusal_.clear();
  try {
    lock_ = std::make_unique<WorkdirLock>(workdir.toStdString());
  } catch (const std::exception& e) {
    refusal_ = QString::fromUtf8(e.what());
    return false;
  }
  return true;
}

bool RunController::start(const FieldTexts& texts, const QString& workdir) {
  if (running() || quitting_) return false;
  if (!lockWorkingDirectory(workdir)) return false;
  state_->workdir = workdir.toStdString();
  state_->bootstrap_kind = bootstrap_kind_;
  outcome_ = {};
  last_texts_ = texts;
  last_keys_ = run_keys_;
  last_workdir_ = workdir;
  retrospective_ = false;
  host_->begin_run();
  apply_run_keys(run_keys_, *state_);
  worker_ = QThread::create([this, texts] {
    try {
      outcome_ = run_start(*state_, *host_, texts);
    } catch (const std::exception& e) {
      outcome_ = {RunStatus::InputFailed, e.what()};
    }
    host_->flush();
  });
  connect(worker_, &QThread::finished, this, &RunController::finishRun);
  worker_->start();
  emit runStarted();
  return true;
}

bool RunController::startLive(const FieldTexts& texts, const QString& workdir) {
  if (running() || quitting_) return false;
  live_ = true;
  if (!start(texts, workdir)) live_ = false;
  return live_;
}

void RunController::cancelLive() {
  if (running() && live_) host_->cancel_run();
}

bool RunController::startRetrospective(const FieldTexts& texts, const QString& workdir, int peels) {
  return startBeside(texts, workdir, peels,
                     [texts, keys = run_keys_, dir = workdir.toStdString(), peels](
                         const FullRun* full, const std::atomic<bool>& quit,
                         const std::function<void()>& run_done) {
                       return run_retrospective(texts, keys, dir, peels, full, quit, run_done);
                     });
}

bool RunController::startLeaveOut(const FieldTexts& texts, const QString& workdir, int runs) {
  return startBeside(
      texts, workdir, runs,
      [texts, keys = run_keys_, dir = workdir.toStdString()](
          const FullRun* full, const std::atomic<bool>& quit,
          const std::function<void()>& run_done) {
        return run_leave_out(texts, keys, dir, full, quit, run_done);
      });
}

bool RunController::startBeside(const FieldTexts& texts, const QString& workdir, int runs,
                                BesideJob job) {
  if (running() || quitting_) return false;
  if (!lockWorkingDirectory(workdir)) return false;
  const std::optional<FullRun> last = lastFullRun(texts, workdir);
  // A full run made here writes its results and tables over those of the last START, which
  // then can no longer serve a later analysis.
  if (!last) last_workdir_.clear();
  retro_full_run_ = !last;
  retro_outcome_ = {};
  retrospective_ = true;
  quit_retrospective_ = false;
  auto done = std::make_shared<std::atomic<int>>(0);
  worker_ = QThread::create([this, job = std::move(job), runs, last, done] {
    const auto run_done = [this, runs, done] {
      const int count = ++*done;
      QMetaObject::invokeMethod(
          this, [this, count, runs] { emit peelFinished(count, runs); }, Qt::QueuedConnection);
    };
    try {
      retro_outcome_ = job(last ? &*last : nullptr, quit_retrospective_, run_done);
    } catch (const std::exception& e) {
      retro_outcome_ = {};
      retro_outcome_.problem = e.what();
    }
  });
  connect(worker_, &QThread::finished, this, &RunController::finishRun);
  worker_->start();
  return true;
}

std::optional<FullRun> RunController::lastFullRun(const FieldTexts& texts,
                                                  const QString& workdir) const {
  const ResultsRecord* record = state_->results_record.get();
  if (outcome_.status != RunStatus::Completed || record == nullptr || !record->complete ||
      record->stopped || texts != last_texts_ || run_keys_ != last_keys_ ||
      workdir != last_workdir_) {
    return std::nullopt;
  }
  return FullRun{record->years, outcome_.tables.folder, state_->results_record};
}

void RunController::finishRun() {
  worker_->wait();
  delete worker_;
  worker_ = nullptr;
  lock_.reset();  // the run is over: another run may use the folder
  if (quitting_ || stop_and_quit_) {
    quitting_ = true;
    closeFiles();
    emit sessionOver();
    return;
  }
  if (retrospective_) return finishRetrospective();
  // A failed run leaves no progress worth watching; the message says what failed.
  if (outcome_.status != RunStatus::Completed) progress_->hide();
  emit runFinished(outcome_);
  live_ = false;
}

void RunController::finishRetrospective() {
  retrospective_ = false;
  emit retrospectiveFinished(retro_outcome_);
}

void RunController::quit() {
  quitting_ = true;
  progress_->hide();
  if (running()) {
    host_->request_quit();
    quit_retrospective_ = true;
    return;
  }
  closeFiles();
  emit sessionOver();
}

void RunController::stopAndQuit() {
  if (!running() || retrospective_) return quit();
  stop_and_quit_ = true;
  progress_->hide();
  host_->pause();
  host_->resume(true);
}

void RunController::closeFiles() {
  state_->files.results.close();
  state_->files.minim.close();
  for (PrintFile& f : state_->files.boot) f.close();
}

Host& RunController::host() { return *host_; }

void RunController::holdAtYield(long n) { host_->hold_at_yield(n); }

void RunController::release() { host_->resume(false); }

long RunController::yields() const { return host_->yields(); }

namespace {

// About 30 pictures a second: more than a person can read, and little work for the window.
constexpr qint64 kPaintIntervalMs = 33;

}  // namespace

void RunController::repaintProgress(bool now) {
  if (!now && painted_.isValid() && painted_.elapsed() < kPaintIntervalMs) {
    if (!repaint_later_.isActive()) {
      repaint_later_.start(static_cast<int>(kPaintIntervalMs - painted_.elapsed()));
    }
    return;
  }
  repaint_later_.stop();
  painted_.start();
  progress_->setPicture(host_->take_picture());
}

void RunController::setProgressVisible(bool visible) {
  if (visible && !quitting_ && !stop_and_quit_ && !live_) {
    progress_->show();
    progress_->raise();
  } else {
    progress_->hide();
  }
}

void RunController::showParameters() {
  if (!quitting_ && !stop_and_quit_ && !live_) emit parametersWanted();
}

void RunController::workerHeld(long yield_count) { emit heldAtYield(yield_count); }

void RunController::askStop() {
  if (!running() || quitting_ || stop_and_quit_) return;
  host_->pause();
  stop_question_open_ = true;
  QMessageBox question(QMessageBox::Question, tr("termination"), tr("Stop it?"),
                       QMessageBox::Yes | QMessageBox::No, progress_.get());
  question.setObjectName(QStringLiteral("stopQuestion"));
  fit_to_text(&question);
  const bool stop = question.exec() == QMessageBox::Yes;
  stop_question_open_ = false;
  host_->resume(stop);
  for (auto& asked : deferred_) QTimer::singleShot(0, this, std::move(asked));
  deferred_.clear();
}

void RunController::whenQuestionsAllowed(std::function<void()> question) {
  if (stop_question_open_) {
    deferred_.push_back(std::move(question));
  } else {
    question();
  }
}

void RunController::askBootstrap(bool, std::function<void(BootstrapAnswer)> reply) {
  whenQuestionsAllowed([this, reply = std::move(reply)] {
    if (quitting_ || stop_and_quit_) return reply(kRefuseBootstrap);
    // A live run asks nothing: GO with "2" and the window's other default, as a person would.
    if (live_) return reply(BootstrapAnswer{});
    BootstrapAnswer answer;
    if (bootstrap_answer_) {
      answer = *bootstrap_answer_;
    } else {
      answer = bootstrap_->ask(bootstrap_kind_);
      bootstrap_kind_ = bootstrap_->kind();
    }
    // The worker waits for the answer and reads the kind only after it.
    state_->bootstrap_kind = bootstrap_kind_;
    // The answer clears the window: the closing message must not stand over the age rows of
    // the bootstrap runs that follow.
    host_->clear_progress();
    setProgressVisible(true);  // GO shows the progress window again
    reply(std::move(answer));
  });
}

void RunController::askRestart(std::function<void(std::string)> reply) {
  whenQuestionsAllowed([this, reply = std::move(reply)] {
    if (quitting_ || stop_and_quit_ || live_) return reply(kRefuseRestart);
    std::string answer = restart_->ask();
    host_->clear_progress();  // the answer clears the window, as the bootstrap question's does
    setProgressVisible(true);
    reply(std::move(answer));
  });
}

}  // namespace quorvane::app
