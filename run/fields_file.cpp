#include "run/fields_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "data/input_file.h"
#include "state/errors.h"
#include "state/message_text.h"

namespace quorvane {

namespace {

std::string_view trimmed(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) {
    t.remove_suffix(1);
  }
  return t;
}

}  // namespace

std::optional<int> field_number(std::string_view name) {
  constexpr std::string_view kPrefix = "Text";
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 3 ||
      name.substr(0, kPrefix.size()) != kPrefix) {
    return std::nullopt;
  }
  int n = 0;
  for (char c : name.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kFieldCount || name[kPrefix.size()] == '0') return std::nullopt;
  return n;
}

void apply_field_line(FieldTexts& texts, std::string_view line, const std::string& where) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    throw SettingsError(where + ": '" + token_text(trimmed(line)) +
                        "' is not of the form TextN=value");
  }
  const std::string_view name = trimmed(line.substr(0, eq));
  const std::optional<int> n = field_number(name);
  if (!n) {
    throw SettingsError(where + ": '" + token_text(name) + "' is not a field name (Text1.." +
                        "Text" + std::to_string(kFieldCount) + ")");
  }
  texts[static_cast<std::size_t>(*n)] = std::string(trimmed(line.substr(eq + 1)));
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
  for (int number = 1; !rest.empty(); ++number) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    const std::string_view content = trimmed(line);
    if (content.empty() || content.front() == '#') continue;
    const std::string where = path + ": line " + std::to_string(number);
    if (const std::size_t eq = content.find('='); extra && eq != std::string_view::npos) {
      const std::string_view name = trimmed(content.substr(0, eq));
      if (!field_number(name) && extra(name, trimmed(content.substr(eq + 1)), where)) continue;
    }
    apply_field_line(loaded, line, where);
  }
  texts = loaded;
}

std::string fields_file_text(const FieldTexts& texts) {
  std::string out = "# Fields of a run: TextN=value, each below its label; '#' starts a comment\n";
  for (const Field& f : kFields) {
    const std::string& text = texts[static_cast<std::size_t>(f.number)];
    if (text.find_first_of("\r\n") != std::string::npos) {
      throw SettingsError(field_problem(f.number, text, "holds a line break"));
    }
    out += "# " + field_title(f) + "\n";
    out += "Text" + std::to_string(f.number) + "=" + text + "\n";
  }
  return out;
}

void write_fields_file(const std::string& path, const FieldTexts& texts) {
  const std::string text = fields_file_text(texts);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    throw InputError(path + ": the fields file cannot be written (" + std::strerror(errno) + ")");
  }
}

}  // namespace quorvane
