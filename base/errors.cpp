#include "base/errors.h"

namespace quorvane {

std::string fault_message(const char* procedure, const std::string& what, int age_label,
                          int year_label) {
  std::string m = std::string(procedure) + ": " + what;
  if (age_label >= 0 && year_label >= 0) {
    m += " at age " + std::to_string(age_label) + ", year " + std::to_string(year_label);
  } else if (age_label >= 0) {
    m += " at age " + std::to_string(age_label);
  } else if (year_label >= 0) {
    m += " in year " + std::to_string(year_label);
  }
  return m;
}

void throw_fault(const char* procedure, const std::string& what, int age_label, int year_label) {
  throw ArithmeticFault(fault_message(procedure, what, age_label, year_label));
}

}  // namespace quorvane
