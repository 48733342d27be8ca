// The reading of the fields into the run state as START does it: in field order, with the
// conditional storing and the resets of a START, and the checks of the settings the run cannot
// work with. The fields themselves (labels, defaults, the setting each fills) are the registry's.
#pragma once

#include "data/age_year_file.h"
#include "run/field_registry.h"
#include "state/run_state.h"

namespace quorvane {

// Reads the fields into the settings as START does (field order, conditions of storing, the
// resets of totalinds, totalind, wssb, wind, n4 and brev1). A field that is not a number where
// a number is read, or an Integer that does not fit 16 bits, raises SettingsError naming the
// field's label and its text; so do the settings rejected before the run. Nothing of the state
// is changed when the fields are rejected. Every problem found is listed in the one message,
// separated by "; ".
void read_settings(RunState& s, const FieldTexts& texts);

}  // namespace quorvane
