// Host: the one way the computation reaches the outside world.
//
// The window program, the batch runner and the tests implement it. The computation calls it for
// the progress window (show, hide, clear, set the drawing position in twips, print an item), at
// the yield point at the start of every cohort computation, for the two question windows, and at
// the end of a run. Every operation has a do-nothing default, so a host implements only what it
// shows; `draws()` lets the computation skip formatting work for a host that draws nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// What the user asked for since the last yield point.
enum class UserRequest {
  None,
  Stop,  // STOP pressed and "Stop it?" answered Yes
  Quit,  // "Quit session": unwind at once, write nothing, close the files
};

// The two fields of the bootstrap window, as typed.
struct BootstrapAnswer {
  std::string answer = "2";  // Textf21 "1-Yes; 2-No.  Option?:"
  std::string runs = "100";  // Textf22 "If Yes, input number of runs:"
};

// How far the bootstrap has got, for a window that shows it beside the design's picture: the runs
// whose lines are in the files, and the run whose lines come next while it is computed (on this
// thread or, ahead of its turn, on another), with what it has done so far.
struct BootstrapStatus {
  int total = 0;                     // runs of the bootstrap (boottot)
  int written = 0;                   // the runs up to this one have their lines in the files
  int computing = 0;                 // the run whose lines come next; 0 when none is being computed
  long evaluations = 0;              // of the objective, made by that run so far
  std::optional<double> total_loss;  // of its latest evaluation, once it has made one
};

class Host {
 public:
  virtual ~Host() = default;

  // Progress window.
  virtual bool draws() const { return false; }
  virtual void show_progress() {}
  virtual void hide_progress() {}
  virtual void clear_progress() {}
  virtual void set_position(int /*x_twips*/, int /*y_twips*/) {}
  // Print one item at the drawing position; the text is already in the number style when it
  // is a number. The statement ends its line.
  virtual void print(std::string_view /*text*/) {}
  // finalization: hide the progress window and show the parameter window again.
  virtual void show_parameters() {}
  // A table is being read from its file from inside the computation (a fleet or the maturity
  // table, read when it is first needed), and the reading is over. The run shows the user that
  // it is busy meanwhile; the reader only says when.
  virtual void reading_begins() {}
  virtual void reading_ends() {}

  // The yield point, at the start of every cohort computation: pending user input is handled
  // here and only here.
  virtual UserRequest yield() { return UserRequest::None; }
  // Whether the next yield point will take a request of the user (STOP pressed, its question
  // on screen, or Quit), without taking it. Lets the computation that waits for work on other
  // threads come to a yield point of its own at once instead of after that work.
  virtual bool request_pending() { return false; }

  // The bootstrap's progress (see BootstrapStatus). Called on the computation's thread, as
  // often as a few times a second; it is no part of the picture that the drawing calls make.
  virtual void bootstrap_status(const BootstrapStatus& /*status*/) {}

  // The question windows, shown modally; they return the texts typed into their fields.
  // `terminated` is true when the user has stopped the main run (bootstrap is then refused).
  virtual BootstrapAnswer ask_bootstrap(bool /*terminated*/) { return {}; }
  // Textf31 "1.Restart,   2.No (and stop).   Option?:", default "1".
  virtual std::string ask_restart() { return "1"; }

  // The run is over (normally, stopped, or failed); `message` is empty unless it failed.
  virtual void run_ended(const std::string& /*message*/) {}
};

}  // namespace quorvane
