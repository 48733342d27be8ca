#include "base/drawing.h"

#include "base/print.h"

namespace quorvane {

void draw_text(Host& host, int x, int y, std::string_view text) {
  if (!host.draws()) return;
  host.set_position(x, y);
  host.print(text);
}

void draw_real(Host& host, int x, int y, double value) {
  if (!host.draws()) return;
  host.set_position(x, y);
  host.print(format_real(value));
}

}  // namespace quorvane
