// The start of Qt for the programs that draw charts into files (quorvane-plot,
// quorvane-compare): without a display they draw offscreen, the same pixels as on a screen.
#pragma once

namespace quorvane::plot {

// Chooses the offscreen platform when there is no display and quietens Qt's remark about a
// session without a runtime folder, which says nothing about the charts. Call before the
// QApplication is made.
void prepare_headless_drawing();

}  // namespace quorvane::plot
