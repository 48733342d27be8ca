#include "run/field_list.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "run/field_registry.h"

namespace quorvane {

namespace {

// A CSV cell: quoted when it holds a comma, a quote or a blank at either end.
std::string csv_cell(std::string_view text) {
  const bool quote = text.find_first_of(",\"") != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return std::string(text);
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

std::string field_list_text(FieldListFormat format) {
  std::string out;
  if (format == FieldListFormat::Csv) {
    out = "name,number,label,default,allowed\n";
    for (const Field& f : kFields) {
      out += csv_cell(f.name) + "," + numbered_name(f.id) + "," + csv_cell(field_title(f)) + "," +
             csv_cell(f.default_text) + "," + csv_cell(allowed_values(f.id)) + "\n";
    }
    return out;
  }
  // The label comes last: it is the only long column.
  const std::array<std::string_view, 4> heads = {"name", "number", "default", "allowed"};
  std::array<std::size_t, 4> width{};
  for (std::size_t c = 0; c < heads.size(); ++c) width[c] = heads[c].size();
  for (const Field& f : kFields) {
    width[0] = std::max(width[0], f.name.size());
    width[1] = std::max(width[1], numbered_name(f.id).size());
    width[2] = std::max(width[2], f.default_text.size());
    width[3] = std::max(width[3], allowed_values(f.id).size());
  }
  const auto row = [&](const std::array<std::string, 4>& cells, std::string_view label) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      out += cells[c] + std::string(width[c] - cells[c].size() + 2, ' ');
    }
    out += std::string(label) + "\n";
  };
  row({"name", "number", "default", "allowed"}, "label");
  for (const Field& f : kFields) {
    row({std::string(f.name), numbered_name(f.id), std::string(f.default_text),
         allowed_values(f.id)},
        field_title(f));
  }
  return out;
}

}  // namespace quorvane
