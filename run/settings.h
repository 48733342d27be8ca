// The run settings: the 115 fields of the parameter window in one table (number, label, default
// text, how the text is read, which setting it fills and when) and the reading of the fields into
// the run state, in field order, with the conditional storing and the resets of a START. The same
// table builds the window.
//
// Labels. `label` is the text the window shows beside the field. For a field that stands at the
// end of a long row of option text (Text3, Text6, Text7, Text13, Text14, Text16) it is that whole
// row text. `heading` is the text the window shows once for a group of fields: "If Scan:" before
// a group of scan bounds, the column heading of the fleet grid, "Weights of components in the
// overall loss function:" above the weights. In the fleet grid `label` is the row label
// ("1:".."7:", drawn once at the left of the row) and `heading` the column heading, so fleet 3's
// survey time is called "Time(0-1): 3:". Messages name a field by field_title(): heading and
// label together, which tells apart the several "Step :" fields.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/age_year_file.h"
#include "state/run_state.h"

namespace quorvane {

enum class FieldKind { Text, Integer, Real };

// The condition under which START stores a field; otherwise the setting keeps its value.
enum class StoredWhen {
  Always,
  MixedMode,         // n5 = 3
  Scan,              // scansearch = 1
  Precise,           // scansearch = 2
  ScanConstantM,     // scansearch = 1 and n1 = 1
  PreciseConstantM,  // scansearch = 2 and n1 = 1
  ScanAlfa,          // scansearch = 1 and n1 = 2
  PreciseAlfa,       // scansearch = 2 and n1 = 2
  SsbOn,             // indssb = 1
  SsbSurvey,         // indssb = 1 and totalinds >= slot
  AgedOn,            // indaged = 1
  AgedFleet,         // indaged = 1 and totalind >= slot
};

struct Field {
  int number;                     // n of Text<n>, 1..115
  std::string_view label;         // the label beside the field, as the window shows it
  std::string_view default_text;  // the text the field holds at program start
  FieldKind kind;                 // how START reads it
  std::string_view setting;       // the setting it fills, e.g. "fscanmin", "wind(3)"
  StoredWhen stored_when;         // when START stores it
  int slot;                       // survey or fleet number k of a per-survey/per-fleet setting
  int row;                        // window row from the top, 1..21
  std::string_view heading;       // group heading shown once for the group, or empty
};

inline constexpr int kFieldCount = 115;

// kFields[n - 1] is field Text<n>.
extern const std::array<Field, kFieldCount> kFields;

// The field Text<n>, n = 1..115.
const Field& field(int n);

// The name by which messages call a field: heading and label, e.g. "If Scan: Step :".
std::string field_title(const Field& f);

// One problem with field Text<n> holding `text`, in the form of every message about a field:
// "<title> '<text>' <what> (Text<n>)".
std::string field_problem(int n, std::string_view text, std::string_view what);

// Field texts indexed 1..115 (slot 0 unused).
using FieldTexts = std::array<std::string, kFieldCount + 1>;

FieldTexts default_field_texts();

// Reads the fields into the settings as START does (field order, conditions of storing, the
// resets of totalinds, totalind, wssb, wind, n4 and brev1). A field that is not a number where
// a number is read, or an Integer that does not fit 16 bits, raises SettingsError naming the
// field's label and its text; so do the settings rejected before the run. Nothing of the state
// is changed when the fields are rejected. Every problem found is listed in the one message,
// separated by "; ".
void read_settings(RunState& s, const FieldTexts& texts);

// A number as the fields and the question windows accept it: [+-]digits[.digits] or
// [+-].digits with an optional E[+-]digits, surrounding blanks trimmed. Empty when the text is
// not a number or overflows a double.
std::optional<double> parse_number(std::string_view text);

}  // namespace quorvane
