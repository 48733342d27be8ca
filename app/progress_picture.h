// The latest picture of the progress window, as the computation leaves it: which text stands at
// which drawing position. The computation may draw tens of thousands of values a second, far
// more than anybody can read; the window needs only the newest picture, so every drawing call
// updates this model in place instead of queueing, and the model's size is bounded by the number
// of places on the window, whatever the rate.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace quorvane::app {

class ProgressPicture {
 public:
  // Where a text was printed: the drawing position in twips and the number of print statements
  // since it was set (each print ends its line, so a print without a new position lands on the
  // next text line, at the left edge).
  struct Place {
    int x_twips = 0;
    int y_twips = 0;
    int line = 0;
    auto operator<=>(const Place&) const = default;
  };
  struct Text {
    Place at;
    std::string text;
    // The blanks that erased this place just before the text was printed: the window clears at
    // least their width, as drawing them would have.
    int erased_blanks = 0;
    std::uint64_t order = 0;  // later texts are painted over earlier ones where they overlap
  };

  void clear();
  void set_position(int x_twips, int y_twips);
  void print(std::string_view text);
  // The line that tells how far the bootstrap has got. It is no text of the design's picture
  // and has a place of its own; clear() removes it with everything else.
  void set_bootstrap_status(std::string_view text);
  const std::string& bootstrap_status() const { return bootstrap_status_; }

  // The texts in the order they are to be painted.
  std::vector<Text> texts() const;
  bool empty() const { return texts_.empty(); }
  // Grows by one with every change; lets a reader see that nothing changed.
  std::uint64_t version() const { return version_; }

 private:
  std::map<Place, Text> texts_;
  std::string bootstrap_status_;
  Place pen_;
  std::uint64_t version_ = 0;
};

}  // namespace quorvane::app
