// Field texts from lines "TextN=value": the fields files of the batch runner and of the window
// program (its saved settings), and the runner's --set overrides. A value is the field's text as
// typed, with the blanks around it trimmed; blank lines and lines starting with "#" are ignored.
// The writer puts every field on its own line with its label in a comment above it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "run/settings.h"

namespace quorvane {

// The number n of a field name "TextN" (1..115), empty for any other name.
std::optional<int> field_number(std::string_view name);

// Puts one "TextN=value" into `texts`. SettingsError when the line has no "=" or names no
// field; `where` starts the message ("fields.txt: line 3", "--set").
void apply_field_line(FieldTexts& texts, std::string_view line, const std::string& where);

// Reads a fields file into `texts`, line by line, later lines winning. SettingsError naming the
// file when it cannot be read, and the file and line when a line is not an assignment or names
// no field; `texts` is then left as it was.
// Lines whose name is not a field go to `extra` (name, value, where), which takes those it knows
// (true) and may reject a value with SettingsError; a name it does not take is an error.
using ExtraKeys =
    std::function<bool(std::string_view name, std::string_view value, const std::string& where)>;
void read_fields_file(const std::string& path, FieldTexts& texts, const ExtraKeys& extra = {});

// The text of a fields file with every field Text1..Text115, in field order:
//   # C(a,y) file:
//   Text1=demo/c.txt
// SettingsError naming the field when a text holds a line break, which no line can carry.
std::string fields_file_text(const FieldTexts& texts);

// Writes fields_file_text(texts) to `path`, replacing the file. InputError naming the path when
// it cannot be written.
void write_fields_file(const std::string& path, const FieldTexts& texts);

}  // namespace quorvane
