#include "app/run_controller.h"

#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <exception>
#include <utility>

#include "app/window_host.h"

namespace quorvane::app {

RunController::RunController(QObject* parent)
    : QObject(parent),
      state_(std::make_unique<RunState>()),
      host_(std::make_unique<WindowHost>(*this)),
      progress_(std::make_unique<ProgressWindow>()),
      bootstrap_(std::make_unique<BootstrapWindow>()),
      restart_(std::make_unique<RestartWindow>()) {
  connect(progress_.get(), &ProgressWindow::stopPressed, this, &RunController::askStop);
}

RunController::~RunController() {
  if (worker_ != nullptr) {
    host_->request_quit();
    worker_->wait();
    delete worker_;
  }
  closeFiles();
}

bool RunController::start(const FieldTexts& texts, const QString& workdir) {
  if (running() || quitting_) return false;
  state_->workdir = workdir.toStdString();
  outcome_ = {};
  host_->begin_run();
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

void RunController::finishRun() {
  worker_->wait();
  delete worker_;
  worker_ = nullptr;
  if (quitting_) {
    closeFiles();
    emit sessionOver();
    return;
  }
  // A failed run leaves no progress worth watching; the message says what failed.
  if (outcome_.status != RunStatus::Completed) progress_->hide();
  emit runFinished(outcome_);
}

void RunController::quit() {
  quitting_ = true;
  progress_->hide();
  if (running()) {
    host_->request_quit();
    return;
  }
  closeFiles();
  emit sessionOver();
}

void RunController::closeFiles() {
  state_->files.results.close();
  state_->files.minim.close();
  for (PrintFile& f : state_->files.boot) f.close();
}

void RunController::holdAtYield(long n) { host_->hold_at_yield(n); }

void RunController::release() { host_->resume(false); }

long RunController::yields() const { return host_->yields(); }

void RunController::draw(const DrawOps& ops) { progress_->apply(ops); }

void RunController::setProgressVisible(bool visible) {
  if (visible && !quitting_) {
    progress_->show();
    progress_->raise();
  } else {
    progress_->hide();
  }
}

void RunController::showParameters() { emit parametersWanted(); }

void RunController::workerHeld(long yield_count) { emit heldAtYield(yield_count); }

void RunController::askStop() {
  if (!running() || quitting_) return;
  host_->pause();
  stop_question_open_ = true;
  QMessageBox question(QMessageBox::Question, tr("termination"), tr("Stop it?"),
                       QMessageBox::Yes | QMessageBox::No, progress_.get());
  question.setObjectName(QStringLiteral("stopQuestion"));
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
    if (quitting_) return reply(kRefuseBootstrap);
    BootstrapAnswer answer = bootstrap_->ask();
    setProgressVisible(true);  // GO shows the progress window again
    reply(std::move(answer));
  });
}

void RunController::askRestart(std::function<void(std::string)> reply) {
  whenQuestionsAllowed([this, reply = std::move(reply)] {
    if (quitting_) return reply(kRefuseRestart);
    std::string answer = restart_->ask();
    setProgressVisible(true);
    reply(std::move(answer));
  });
}

}  // namespace quorvane::app
