#include "app/progress_picture.h"

#include <algorithm>

namespace quorvane::app {

namespace {

bool all_blank(std::string_view text) {
  return !text.empty() && text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

void ProgressPicture::clear() {
  texts_.clear();
  bootstrap_status_.clear();
  pen_ = {};
  ++version_;
}

void ProgressPicture::set_bootstrap_status(std::string_view text) {
  if (text == bootstrap_status_) return;
  bootstrap_status_.assign(text);
  ++version_;
}

void ProgressPicture::set_position(int x_twips, int y_twips) { pen_ = {x_twips, y_twips, 0}; }

void ProgressPicture::print(std::string_view text) {
  Text& slot = texts_[pen_];
  // Blanks followed by a value at the same place are one erase-and-draw: the value keeps the
  // width of the blanks to clear.
  const int erased = all_blank(slot.text) && !all_blank(text)
                         ? static_cast<int>(slot.text.size())
                         : (all_blank(text) ? 0 : slot.erased_blanks);
  slot = {pen_, std::string(text), all_blank(text) ? 0 : erased, ++version_};
  pen_ = {0, pen_.y_twips, pen_.line + 1};
}

std::vector<ProgressPicture::Text> ProgressPicture::texts() const {
  std::vector<Text> out;
  out.reserve(texts_.size());
  for (const auto& [place, text] : texts_) out.push_back(text);
  std::sort(out.begin(), out.end(), [](const Text& a, const Text& b) { return a.order < b.order; });
  return out;
}

}  // namespace quorvane::app
