// The programs' command lines: every option as "--name VALUE" or as "--name=VALUE".
#pragma once

#include <stdexcept>
#include <string_view>

namespace quorvane {

// A command line that cannot be carried out: the program says why and exits 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Walks the arguments one by one. An argument "--name=VALUE" reads as "--name" with its value
// attached; any other argument (a file name with "=" in it too) stays whole.
class CommandLine {
 public:
  CommandLine(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

  // Moves to the next argument; false when none is left.
  bool next();
  // The argument, without the value attached to it.
  std::string_view arg() const { return arg_; }
  // The argument as it was given, value attached and all.
  std::string_view whole() const { return argv_[i_]; }
  // The option's value: the text after "=", or else the next argument, which is then used up.
  // UsageError "--name needs a value" when there is none.
  std::string_view value();

 private:
  int argc_;
  const char* const* argv_;
  int i_ = -1;
  std::string_view arg_;
  std::string_view attached_;
  bool has_attached_ = false;
};

}  // namespace quorvane
