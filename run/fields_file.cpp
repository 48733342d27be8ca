#include "run/fields_file.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <optional>

#include "base/errors.h"
#include "base/print.h"
#include "data/input_file.h"
#include "state/message_text.h"
#include "state/trim.h"

namespace quorvane {

namespace {

// "'first_yeer' is not a field name (closest: first_year, last_year, first_age)". A name of the
// numbered form is told the numbered range instead.
std::string unknown_name(std::string_view name) {
  std::string m = "'" + token_text(name) + "' is not a field name (";
  if (name.substr(0, 4) == "Text") {
    return m + numbered_name(FieldId::CatchFile) + ".." + numbered_name(kFields.back().id) + ")";
  }
  m += "closest: ";
  const std::vector<std::string_view> nearest = closest_field_names(name);
  for (std::size_t i = 0; i < nearest.size(); ++i) {
    m += (i == 0 ? "" : ", ") + std::string(nearest[i]);
  }
  return m + ")";
}

}  // namespace

FieldLine parse_field_line(std::string_view line, const std::string& where) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    throw SettingsError(where + ": '" + token_text(trimmed(line)) +
                        "' is not of the form name=value");
  }
  const std::string_view name = trimmed(line.substr(0, eq));
  std::optional<FieldId> id = field_by_numbered_name(name);
  if (!id) id = field_by_name(name);
  if (!id) throw SettingsError(where + ": " + unknown_name(name));
  return {*id, std::string(trimmed(line.substr(eq + 1)))};
}

void apply_field_line(FieldTexts& texts, std::string_view line, const std::string& where) {
  FieldLine f = parse_field_line(line, where);
  texts[f.id] = std::move(f.text);
}

void read_fields_file(const std::string& path, FieldTexts& texts, const ExtraKeys& extra) {
  std::string text;
  try {
    text = read_input_file(path, "fields file");
  } catch (const InputError& e) {
    throw SettingsError(e.what());
  }
  // A byte-order mark, as some editors write at the start of a text file, is not a field name.
  std::string_view rest(text);
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  // A file with a bad line loads nothing: the lines go into a copy.
  FieldTexts loaded = texts;
  std::array<int, kFieldCount + 1> set_on_line{};  // by field number; 0 not yet set
  for_each_setting_line(
      rest, path, [&](std::string_view content, const std::string& where, int number) {
        if (const std::size_t eq = content.find('='); extra && eq != std::string_view::npos) {
          const std::string_view name = trimmed(content.substr(0, eq));
          if (!field_by_numbered_name(name) && !field_by_name(name) &&
              extra(name, trimmed(content.substr(eq + 1)), where)) {
            return;
          }
        }
        FieldLine f = parse_field_line(content, where);
        int& earlier = set_on_line[static_cast<std::size_t>(field_number(f.id))];
        if (earlier != 0) {
          // Two values for one field: whichever was meant, the other is a mistake.
          throw SettingsError(where + ": " + std::string(field(f.id).name) + " (" +
                              numbered_name(f.id) + ") is set again; line " +
                              std::to_string(earlier) + " set it already");
        }
        earlier = number;
        loaded[f.id] = std::move(f.text);
      });
  texts = loaded;
}

std::string fields_file_text(const FieldTexts& texts) {
  std::string out = "# Fields of a run: name = value, each below its label; '#' starts a comment\n";
  for (const Field& f : kFields) {
    const std::string& text = texts[f.id];
    if (text.find_first_of("\r\n") != std::string::npos) {
      throw SettingsError(field_problem(f.id, text, "holds a line break"));
    }
    out += "# " + field_title(f) + " (" + numbered_name(f.id) + ")\n";
    out += std::string(f.name) + " = " + text + "\n";
  }
  return out;
}

void write_fields_file(const std::string& path, const FieldTexts& texts, const RunKeys& keys,
                       std::string_view beside) {
  const std::string text = fields_file_text(texts) + run_keys_text(keys) + std::string(beside);
  write_text_file(path, text);
}

}  // namespace quorvane
