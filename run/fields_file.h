// Field texts from lines "name = value": the fields files of the batch runner and of the window
// program (its saved settings), and the runner's --set overrides. A field is named by its
// lower_snake name ("first_year = 1990") or by its number ("Text8=1990"); one file may mix both.
// A value is the field's text as typed, with the blanks around it trimmed; blank lines and lines
// starting with "#" are ignored. The writer puts every field on its own line, by name, with its
// label in a comment above it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "run/field_registry.h"
#include "run/run_keys.h"

namespace quorvane {

// The field a line names, and the text it gives it. SettingsError when the line has no "=" or
// names no field (naming the closest valid names); `where` starts the message
// ("fields.txt: line 3", "--set").
struct FieldLine {
  FieldId id;
  std::string text;
};
FieldLine parse_field_line(std::string_view line, const std::string& where);

// Puts one "name = value" into `texts`.
void apply_field_line(FieldTexts& texts, std::string_view line, const std::string& where);

// Reads a fields file into `texts`. SettingsError naming the file when it cannot be read, and
// the file and line when a line is not an assignment, names no field, or sets a field that an
// earlier line of the file already set; `texts` is then left as it was.
// Lines whose name is not a field go to `extra` (name, value, where), which takes those it knows
// (true) and may reject a value with SettingsError; a name it does not take is an error.
using ExtraKeys =
    std::function<bool(std::string_view name, std::string_view value, const std::string& where)>;
void read_fields_file(const std::string& path, FieldTexts& texts, const ExtraKeys& extra = {});

// The text of a fields file with every field, by name, in field order:
//   # C(a,y) file: (Text1)
//   catch_file = demo/c.txt
// SettingsError naming the field when a text holds a line break, which no line can carry.
std::string fields_file_text(const FieldTexts& texts);

// Writes fields_file_text(texts) and the run keys that are set to `path`, replacing the file.
// InputError naming the path when it cannot be written.
void write_fields_file(const std::string& path, const FieldTexts& texts, const RunKeys& keys = {});

}  // namespace quorvane
