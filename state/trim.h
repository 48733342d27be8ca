// A text typed by hand (a line of a fields file, the title line of a fleet file) without the
// blanks and tabs around it, nor the carriage return that a Windows line end leaves behind.
#pragma once

#include <string_view>

namespace quorvane {

inline std::string_view trimmed(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) {
    t.remove_suffix(1);
  }
  return t;
}

}  // namespace quorvane
