// Session control: RESPRINT's flow around the results file (the bootstrap question, a stop
// inside a bootstrap run and the restart), finalization, and RunHost, which handles the user's
// STOP and Quit at the yield point of the computation.
#pragma once

#include "base/forwarding_host.h"
#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

// Steps 1..12 of the results step: writes the results file in the main run, asks about the
// bootstrap, sets Corig and sigma; in a stopped bootstrap run asks whether to restart it.
void RESPRINT(RunState& s, Host& host);

// Ends a run: resets zz, boot, bootn, boottot, contboot; closes the bootstrap files, the
// results file and "minim.out"; hides the progress window and shows the parameter window.
void finalization(RunState& s, Host& host);

// "working..." on the progress window while the computation reads a table from its file, and the
// blanks that erase it afterwards.
void draw_reading_begins(Host& host);
void draw_reading_ends(Host& host);

// The host that the computation sees during a run: it forwards everything to the user's host
// and carries out, at the yield point, what the user asked for: a confirmed STOP sets zz and
// writes the results at once (RESPRINT); Quit sets userend and closes the files.
class RunHost : public ForwardingHost {
 public:
  RunHost(RunState& s, Host& user) : ForwardingHost(user), s_(s) {}

  UserRequest yield() override;
  void reading_begins() override { draw_reading_begins(inner()); }
  void reading_ends() override { draw_reading_ends(inner()); }
  // The two halves of yield(): what the user asked for since the last yield point, and carrying
  // it out. The bootstrap, which puts the yield points of runs computed ahead to the user in
  // their turn, carries a request out only once the run state stands where the request came.
  UserRequest ask_user() { return inner().yield(); }
  void carry_out(UserRequest request);

 private:
  RunState& s_;
};

}  // namespace quorvane
