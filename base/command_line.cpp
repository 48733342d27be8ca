#include "base/command_line.h"

#include <string>

namespace quorvane {

bool CommandLine::next() {
  if (++i_ >= argc_) return false;
  arg_ = argv_[i_];
  has_attached_ = false;
  attached_ = {};
  if (const std::size_t eq = arg_.find('=');
      arg_.starts_with("--") && eq != std::string_view::npos) {
    attached_ = arg_.substr(eq + 1);
    arg_ = arg_.substr(0, eq);
    has_attached_ = true;
  }
  return true;
}

std::string_view CommandLine::value() {
  if (has_attached_) return attached_;
  if (i_ + 1 >= argc_) throw UsageError(std::string(arg_) + " needs a value");
  return argv_[++i_];
}

}  // namespace quorvane
