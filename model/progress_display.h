// The progress window's drawing, as calls on the Host: kartinka and the single texts that other
// procedures place on the window. Positions are twips from the top left corner of the client
// area (10350 x 7545). Nothing is formatted when the host draws nothing.
#pragma once

#include <string_view>

#include "base/drawing.h"
#include "base/host.h"
#include "state/run_state.h"

namespace quorvane {

// The top line's two losses: the total loss after its label "LF=", and the catch loss of the
// evaluation. A loss that is still unset (negative) is not drawn; the place is not erased first.
inline constexpr int kLossRow = 1;
inline constexpr int kTotalLossLabelX = 5000;
inline constexpr int kCatchLossX = 9000;
void draw_total_loss(Host& host, double loss);
void draw_catch_loss(Host& host, double loss);

void kartinka(RunState& s, Host& host);

}  // namespace quorvane
