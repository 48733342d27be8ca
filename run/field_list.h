// The listing of every field for a person writing a fields file: its name, its number "TextN",
// its label (with the group heading), its default text and what it accepts; as an aligned table
// or as CSV.
#pragma once

#include <string>

namespace quorvane {

enum class FieldListFormat { Table, Csv };

std::string field_list_text(FieldListFormat format);

}  // namespace quorvane
