#include "app/window_host.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <future>
#include <memory>
#include <utility>

#include "app/run_controller.h"
#include "report/batch_progress.h"

namespace quorvane::app {

namespace {

// How often a worker that waits for an answer looks whether the session is being closed.
constexpr auto kQuitPoll = std::chrono::milliseconds(50);

}  // namespace

QString bootstrap_status_text(const BootstrapStatus& status) {
  if (status.computing == 0) {
    return QCoreApplication::translate("WindowHost", "bootstrap: runs up to %1 of %2 written")
        .arg(status.written)
        .arg(status.total);
  }
  ProgressSnapshot p;
  p.stage = "bootstrap " + std::to_string(status.computing) + " of " + std::to_string(status.total);
  p.evaluations = status.evaluations;
  p.total_loss = status.total_loss;
  const QString progress = QString::fromStdString(progress_text(p));
  if (status.written < 1) return progress;
  return QCoreApplication::translate("WindowHost", "%1 | runs up to %2 written")
      .arg(progress)
      .arg(status.written);
}

void WindowHost::post(std::function<void()> call) {
  QMetaObject::invokeMethod(&window_side_, std::move(call), Qt::QueuedConnection);
}

void WindowHost::changed() {
  if (!repaint_asked_.exchange(true)) {
    post([side = &window_side_] { side->repaintProgress(false); });
  }
}

void WindowHost::flush() {
  post([side = &window_side_] { side->repaintProgress(true); });
}

ProgressPicture WindowHost::take_picture() {
  repaint_asked_ = false;
  std::lock_guard lock(picture_mutex_);
  return picture_;
}

void WindowHost::show_progress() {
  flush();
  post([side = &window_side_] { side->setProgressVisible(true); });
}

void WindowHost::hide_progress() {
  flush();
  post([side = &window_side_] { side->setProgressVisible(false); });
}

void WindowHost::clear_progress() {
  {
    std::lock_guard lock(picture_mutex_);
    picture_.clear();
  }
  changed();
}

void WindowHost::set_position(int x_twips, int y_twips) {
  std::lock_guard lock(picture_mutex_);
  picture_.set_position(x_twips, y_twips);
}

void WindowHost::print(std::string_view text) {
  {
    std::lock_guard lock(picture_mutex_);
    picture_.print(text);
  }
  changed();
}

void WindowHost::bootstrap_status(const BootstrapStatus& status) {
  const std::string text = bootstrap_status_text(status).toStdString();
  {
    std::lock_guard lock(picture_mutex_);
    if (picture_.bootstrap_status() == text) return;
    picture_.set_bootstrap_status(text);
  }
  changed();
}

bool WindowHost::request_pending() {
  std::lock_guard lock(mutex_);
  return paused_ || stop_ || quit_;
}

void WindowHost::show_parameters() {
  flush();
  post([side = &window_side_] { side->showParameters(); });
}

UserRequest WindowHost::yield() {
  bool hold = false;
  long count = 0;
  {
    std::lock_guard lock(mutex_);
    count = ++yields_;
    if (count == hold_at_) {
      hold_at_ = 0;
      paused_ = true;
      hold = true;
    }
  }
  if (hold) {
    flush();
    post([side = &window_side_, count] { side->workerHeld(count); });
  }

  std::unique_lock lock(mutex_);
  if (paused_) {
    lock.unlock();
    flush();  // the user decides on what the window shows now
    lock.lock();
    wake_.wait(lock, [this] { return !paused_ || quit_ || cancel_; });
  }
  if (quit_ || cancel_) return UserRequest::Quit;
  if (stop_) {
    stop_ = false;
    return UserRequest::Stop;
  }
  return UserRequest::None;
}

template <typename Answer>
Answer WindowHost::wait_for_answer(std::function<void(std::function<void(Answer)>)> ask,
                                   Answer if_quit) {
  flush();
  auto reply = std::make_shared<std::promise<Answer>>();
  std::future<Answer> answer = reply->get_future();
  post([ask = std::move(ask), reply] {
    ask([reply](Answer a) { reply->set_value(std::move(a)); });
  });
  while (answer.wait_for(kQuitPoll) != std::future_status::ready) {
    if (quit_requested()) return if_quit;
  }
  return answer.get();
}

BootstrapAnswer WindowHost::ask_bootstrap(bool terminated) {
  RunController* side = &window_side_;
  return wait_for_answer<BootstrapAnswer>(
      [side, terminated](std::function<void(BootstrapAnswer)> reply) {
        side->askBootstrap(terminated, std::move(reply));
      },
      RunController::kRefuseBootstrap);
}

std::string WindowHost::ask_restart() {
  RunController* side = &window_side_;
  return wait_for_answer<std::string>(
      [side](std::function<void(std::string)> reply) { side->askRestart(std::move(reply)); },
      RunController::kRefuseRestart);
}

void WindowHost::run_ended(const std::string&) { flush(); }

void WindowHost::begin_run() {
  std::lock_guard lock(mutex_);
  yields_ = 0;
  paused_ = false;
  stop_ = false;
  cancel_ = false;
  std::lock_guard picture_lock(picture_mutex_);
  picture_.clear();
}

void WindowHost::pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void WindowHost::resume(bool stop) {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
    if (stop) stop_ = true;
  }
  wake_.notify_all();
}

void WindowHost::request_quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

void WindowHost::cancel_run() {
  {
    std::lock_guard lock(mutex_);
    cancel_ = true;
  }
  wake_.notify_all();
}

void WindowHost::hold_at_yield(long n) {
  std::lock_guard lock(mutex_);
  hold_at_ = n;
}

long WindowHost::yields() const {
  std::lock_guard lock(mutex_);
  return yields_;
}

bool WindowHost::quit_requested() const {
  std::lock_guard lock(mutex_);
  return quit_ || cancel_;
}

}  // namespace quorvane::app
