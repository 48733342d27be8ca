// The run settings: the 115 fields of the parameter window in one table (number, label, default
// text, how the text is read) and the reading of the fields into the run state, in field order,
// with the conditional storing and the resets of a START. The same table builds the window.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "state/run_state.h"

namespace quorvane {

enum class FieldKind { Text, Integer, Real };

struct Field {
  int number;                     // n of Text<n>, 1..115
  std::string_view label;         // the label beside the field, as the window shows it
  std::string_view default_text;  // the text the field holds at program start
  FieldKind kind;                 // how START reads it
};

inline constexpr int kFieldCount = 115;

// kFields[n - 1] is field Text<n>.
extern const std::array<Field, kFieldCount> kFields;

// Field texts indexed 1..115 (slot 0 unused).
using FieldTexts = std::array<std::string, kFieldCount + 1>;

FieldTexts default_field_texts();

// Reads the fields into the settings as START does (field order, conditions of storing, the
// resets of totalinds, totalind, wssb, wind, n4 and brev1). A field that is not a number where
// a number is read, or an Integer that does not fit 16 bits, raises SettingsError naming the
// field's label and its text; so do the settings rejected before the run. Nothing of the state
// is changed when the fields are rejected.
void read_settings(RunState& s, const FieldTexts& texts);

// A number as the fields and the question windows accept it: [+-]digits[.digits] or
// [+-].digits with an optional E[+-]digits, surrounding blanks trimmed. Empty when the text is
// not a number or overflows a double.
std::optional<double> parse_number(std::string_view text);

}  // namespace quorvane
