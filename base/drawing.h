// Drawing by calls on the Host: place one text or one number at a position of the progress
// window, given in twips from the top left corner of its client area. Nothing is formatted when
// the host draws nothing.
#pragma once

#include <string_view>

#include "base/host.h"

namespace quorvane {

// Set the drawing position and print one text there.
void draw_text(Host& host, int x, int y, std::string_view text);
// Set the drawing position and print one real in the number style.
void draw_real(Host& host, int x, int y, double value);

}  // namespace quorvane
