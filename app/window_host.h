// The host that the computation sees when it runs on the worker thread of the window program.
//
// Drawing calls update the latest picture of the run in place (ProgressPicture, under a mutex);
// the window is only told that there is something new, once until it has looked, and paints the
// newest picture at its own pace. Nothing queues up however fast the search draws, and before
// the run waits for the user or ends the window paints at once, so it shows the final picture
// of every stage. The questions are asked on the window thread
// while the worker waits for the answer, so the user sees them in the order of a run that stands
// still while it asks. STOP, Quit and the wait while "Stop it?" is on screen reach the worker at
// its yield point, the one place where the computation takes user input.
#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "app/progress_picture.h"
#include "base/host.h"

namespace quorvane::app {

class RunController;

// The bootstrap's progress line: "bootstrap 13 of 100 | 25 evaluations | loss 31.23 | runs up to
// 12 written", or, with no run being computed, "bootstrap: runs up to 100 of 100 written".
QString bootstrap_status_text(const BootstrapStatus& status);

class WindowHost : public Host {
 public:
  explicit WindowHost(RunController& window_side) : window_side_(window_side) {}

  // ---- Called by the computation, on the worker thread ----
  bool draws() const override { return true; }
  void show_progress() override;
  void hide_progress() override;
  void clear_progress() override;
  void set_position(int x_twips, int y_twips) override;
  void print(std::string_view text) override;
  void show_parameters() override;
  UserRequest yield() override;
  bool request_pending() override;
  void bootstrap_status(const BootstrapStatus& status) override;
  BootstrapAnswer ask_bootstrap(bool terminated) override;
  std::string ask_restart() override;
  void run_ended(const std::string& message) override;
  // Has the window paint the picture now; the worker calls it last.
  void flush();

  // ---- Called on the window thread ----
  // Before a run starts: no stop pending, no pause, counting of yield points from zero, and an
  // empty picture (nothing of the previous run stays between the rows of the next).
  void begin_run();
  // The newest picture; from now on a change asks the window to paint again.
  ProgressPicture take_picture();
  // The worker waits at its next yield point until resume(); with `stop` the yield point then
  // reports the confirmed STOP, once.
  void pause();
  void resume(bool stop);
  // "Quit session": every later yield point asks the run to unwind, and a question that the
  // worker waits for is answered so that the run ends.
  void request_quit();
  // A live re-run given up for a newer one: its next yield point unwinds it as a quit does,
  // and begin_run() lets the next run go on.
  void cancel_run();
  // Holds the worker at its n-th yield point of the run (counted from 1) until resume(): lets a
  // caller act at a known point of the computation.
  void hold_at_yield(long n);
  long yields() const;

 private:
  void post(std::function<void()> call);
  void changed();
  bool quit_requested() const;
  template <typename Answer>
  Answer wait_for_answer(std::function<void(std::function<void(Answer)>)> ask, Answer if_quit);

  RunController& window_side_;

  // The latest picture, written by the worker and read by the window.
  std::mutex picture_mutex_;
  ProgressPicture picture_;
  std::atomic<bool> repaint_asked_{false};

  // Shared, under mutex_.
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  long yields_ = 0;
  long hold_at_ = 0;
  bool paused_ = false;
  bool stop_ = false;
  bool quit_ = false;
  bool cancel_ = false;
};

}  // namespace quorvane::app
