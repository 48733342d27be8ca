// The three kinds of failure that end a run before its end.
//
// SettingsError: a field or setting rejected before the run (a field that is not a number, an
//   option outside its list, a count or range the tables cannot hold). The batch runner exits 2.
// InputError: a file that cannot be opened, ends early or holds something that is not a number.
//   The message names the file and, where it applies, the line and the token. Exit 1.
// ArithmeticFault: a logarithm of a non-positive number, a division by zero, an overflow or a
//   value that is not finite, met inside the computation. The message names the procedure and,
//   where known, the cell. Exit 1.
//
// All three are thrown where the fault is found and caught once, at the top of a run.
#pragma once

#include <cmath>
#include <stdexcept>
#include <string>

namespace quorvane {

class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ArithmeticFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "CALCSTOCK: division by zero at age 5, year 1990" — ages and years as labels where known.
// Pass a negative age or year index to leave it out; the labels are computed by the caller.
std::string fault_message(const char* procedure, const std::string& what, int age_label = -1,
                          int year_label = -1);

[[noreturn]] void throw_fault(const char* procedure, const std::string& what, int age_label = -1,
                              int year_label = -1);

// Checked arithmetic for the hot paths: the test is one comparison, the message is built only
// when the fault happens. `age` and `year` are labels (not indices), -1 when not known.
inline double checked_log(double x, const char* procedure, int age = -1, int year = -1) {
  if (!(x > 0.0) || !std::isfinite(x))
    throw_fault(procedure, "logarithm of a non-positive or non-finite number", age, year);
  return std::log(x);
}

inline double checked_div(double num, double den, const char* procedure, int age = -1,
                          int year = -1) {
  if (den == 0.0) throw_fault(procedure, "division by zero", age, year);
  const double q = num / den;
  if (!std::isfinite(q)) throw_fault(procedure, "overflow in a division", age, year);
  return q;
}

inline double checked_exp(double x, const char* procedure, int age = -1, int year = -1) {
  const double e = std::exp(x);
  if (!std::isfinite(e)) throw_fault(procedure, "overflow in an exponential", age, year);
  return e;
}

inline double checked_finite(double x, const char* procedure, int age = -1, int year = -1) {
  if (!std::isfinite(x)) throw_fault(procedure, "a value that is not finite", age, year);
  return x;
}

}  // namespace quorvane
