// The texts of an imported stock's files: the age-by-year tables, the fleet tables, the SSB
// surveys and the settings file, and their writing.
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/errors.h"
#include "import/file_names.h"
#include "import/stock_import.h"
#include "run/field_registry.h"

namespace quorvane::import {

namespace fs = std::filesystem;

namespace {

std::string cell_text(const Cell& c) {
  return c.computed ? format_computed(c.value) : format_read(c.value);
}

std::string age_head(const ImportedStock& s, int age) {
  return std::to_string(age) + (age == s.last_age && s.plus_group ? "+" : "");
}

// Lines 2 and 3 of a table, then the column heads and one line per year, right-aligned in
// columns as wide as the widest entry.
std::string age_year_text(const ImportedStock& s, const std::string& line2,
                          const std::string& line3, const Grid& grid) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"year"});
  for (int age = s.first_age; age <= s.last_age; ++age) rows[0].push_back(age_head(s, age));
  for (std::size_t y = 0; y < grid.size(); ++y) {
    std::vector<std::string> row{std::to_string(s.first_year + static_cast<int>(y))};
    for (const Cell& c : grid[y]) row.push_back(cell_text(c));
    rows.push_back(std::move(row));
  }
  std::size_t width = 0;
  for (const auto& row : rows) {
    for (const auto& t : row) width = std::max(width, t.size());
  }
  std::ostringstream out;
  out << s.first_age << ' ' << s.last_age << ' ' << s.first_year << ' ' << s.last_year << '\n'
      << line2 << '\n'
      << line3 << '\n';
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      out << std::string(width + (i == 0 ? 0 : 2) - row[i].size(), ' ') << row[i];
    }
    out << '\n';
  }
  return out.str();
}

// What the last age column holds, said once per table.
std::string age_note(const ImportedStock& s, const std::string& source_last_age_text,
                     const char* how) {
  std::string note;
  if (!s.plus_group) {
    note = "the last age " + std::to_string(s.last_age) + " is an ordinary age";
  } else if (!source_last_age_text.empty()) {
    note = "ages " + source_last_age_text + " folded into " + std::to_string(s.last_age) + "+ (" +
           how + ")";
  } else {
    note = "the last age " + std::to_string(s.last_age) + " is a plus group";
  }
  if (s.extended_year) {
    note += "; " + std::to_string(s.last_year) + " is the year after the last catch, no catch yet";
  }
  return note;
}

std::string table_text(const ImportedStock& s, const ImportedTable& t, int source_last_age,
                       const char* how) {
  const std::string folded =
      source_last_age > s.last_age ? range_text(s.last_age, source_last_age) : "";
  return age_year_text(s, t.what + ", imported from " + base_name(t.source) + ": " + t.title,
                       age_note(s, folded, how), t.cells);
}

std::string fleet_text(const ImportedStock& s, const ImportedFleet& f) {
  const std::string line2 =
      "aged index '" + f.name + "' (catch/effort), fleet " + std::to_string(f.number) + " of " +
      base_name(s.fleet_source) + ", survey time " + format_computed(f.time) +
      " of the year (period " + format_read(f.alpha) + "-" + format_read(f.beta) + "), ages " +
      range_text(f.first_age, f.last_age) + ", years " + range_text(f.first_year, f.last_year);
  std::string line3 = "-1 = no observation";
  if (s.plus_group && f.last_age > s.last_age) {
    line3 += "; ages " + range_text(std::max(f.first_age, s.last_age), f.last_age) +
             " summed into " + std::to_string(s.last_age) + "+";
  }
  return age_year_text(s, line2, line3, f.cells);
}

std::string ssb_text(const ImportedStock& s, const ImportedFleet& f) {
  std::ostringstream out;
  out << "SSB survey '" << f.name << "' (biomass index/effort), fleet " << f.number << " of "
      << base_name(s.fleet_source) << ", survey time " << format_computed(f.time)
      << " of the year\n"
      << "one value per year from " << s.first_year << " to " << s.last_year << ", no year column\n"
      << "-1: no observation\n"
      << "values\n";
  for (const Cell& c : f.ssb_values) out << cell_text(c) << '\n';
  return out.str();
}

// The youngest age that is at least half mature in the last year with a catch: the age of mass
// maturity that the age-dependent natural mortality needs.
int mass_maturity_age(const ImportedStock& s) {
  const std::size_t year = s.maturity.cells.size() - (s.extended_year ? 2 : 1);
  const std::vector<Cell>& row = s.maturity.cells[year];
  for (std::size_t a = 0; a < row.size(); ++a) {
    if (row[a].value >= 0.5) return s.first_age + static_cast<int>(a);
  }
  return s.last_age;
}

// A catch series that starts a decade or more before the first survey observation is analysed
// from that observation on: the years before it rest on the catch alone, and one separable
// pattern held over the decades between fits neither them nor the surveyed years well.
constexpr int kUntunedYearsAllowed = 10;

// The first year with an observation of any survey (SSB survey or aged fleet); none without
// surveys.
std::optional<int> first_survey_year(const ImportedStock& s) {
  std::optional<std::size_t> first;
  const auto seen = [&](std::size_t y) {
    if (!first || y < *first) first = y;
  };
  for (const ImportedFleet& f : s.aged_fleets) {
    for (std::size_t y = 0; y < f.cells.size(); ++y) {
      for (const Cell& c : f.cells[y]) {
        if (c.value >= 0) seen(y);
      }
    }
  }
  for (const ImportedFleet& f : s.ssb_surveys) {
    for (std::size_t y = 0; y < f.ssb_values.size(); ++y) {
      if (f.ssb_values[y].value >= 0) seen(y);
    }
  }
  if (!first) return std::nullopt;
  return s.first_year + static_cast<int>(*first);
}

std::string fields_text(const ImportedStock& s, const std::vector<std::string>& sources) {
  std::ostringstream out;
  // Each field by name, with its label in a comment, as the window saves them.
  const auto field = [&](FieldId id, const std::string& value) {
    out << "#   " << field_title(quorvane::field(id)) << " (" << numbered_name(id) << ")\n"
        << quorvane::field(id).name << " = " << value << '\n';
  };
  out << "# Settings of a stock imported by quorvane-import from\n";
  for (const std::string& p : sources) out << "#   " << p << '\n';
  out << "# File names are relative to this folder: quorvane-batch --workdir THIS_FOLDER "
         "--fields THIS_FOLDER/fields.txt\n"
         "# Lines are name = value; every field not named keeps its default text.\n";
  out << "# Files\n";
  field(FieldId::CatchFile, s.catch_numbers.file_name);
  field(FieldId::WeightFile, s.weights.file_name);
  field(FieldId::MFile, s.natural_mortality.file_name);
  field(FieldId::MaturityFile, s.maturity.file_name);
  out << run_keys_text(s.units);
  if (!s.units.units_numbers) {
    out << "# The catch file's title line does not state the unit of the catch numbers:\n"
           "# state it with units_numbers = ... (e.g. thousands) or --units-numbers\n";
  }
  if (!s.units.units_weight) {
    out << "# The weight file's title line does not state the unit of the weights:\n"
           "# state it with units_weight = ... (e.g. kg) or --units-weight\n";
  }
  out << "# M known, read from " << s.natural_mortality.file_name
      << "; the age of mass maturity (used only when M is searched as a function of age) is\n"
         "# the youngest age at least half mature in the last catch year\n";
  field(FieldId::MOption, "3");
  field(FieldId::MassMaturityAge, std::to_string(mass_maturity_age(s)));
  int first_year = s.first_year;
  if (const std::optional<int> surveyed = first_survey_year(s);
      surveyed && *surveyed - s.first_year >= kUntunedYearsAllowed) {
    first_year = *surveyed;
    out << "# Years of the analysis: from " << first_year
        << ", the first year with a survey observation; the catch runs from " << s.first_year
        << ",\n# but the years before the surveys would rest on the catch alone ("
        << quorvane::field(FieldId::FirstYear).name << " sets the first year)\n"
        << "# Ages of the analysis: the whole tables, one selectivity period";
  } else {
    out << "# Years and ages of the analysis: the whole tables, one selectivity period";
  }
  if (s.extended_year) {
    out << ";\n# " << s.last_year << " has survey data but no catch yet (the extended last year)";
  }
  out << '\n';
  field(FieldId::FirstYear, std::to_string(first_year));
  field(FieldId::LastYear, std::to_string(s.last_year));
  field(FieldId::FirstPeriodEnd, std::to_string(s.last_year));
  field(FieldId::FirstAge, std::to_string(s.first_age));
  field(FieldId::LastAge, std::to_string(s.last_age));
  field(FieldId::LastAgeKind, s.plus_group ? "1" : "2");

  if (s.ssb_surveys.empty()) {
    out << "# No SSB survey\n";
    field(FieldId::SsbOn, "2");
    field(FieldId::SsbCount, "0");
  } else {
    out << "# SSB surveys (biomass indices of the fleet file), relative indices; one survey "
           "time for all\n";
    field(FieldId::SsbOn, "1");
    field(FieldId::SsbCount, std::to_string(s.ssb_surveys.size()));
    for (std::size_t k = 0; k < s.ssb_surveys.size(); ++k) {
      field(ssb_field(SsbColumn::File, static_cast<int>(k) + 1), s.ssb_surveys[k].file_name);
    }
    field(FieldId::SsbTime, format_computed(s.ssb_surveys[0].time));
    for (std::size_t k = 0; k < s.ssb_surveys.size(); ++k)
      field(ssb_field(SsbColumn::Kind, static_cast<int>(k) + 1), "2");
  }

  if (s.aged_fleets.empty()) {
    out << "# No aged survey fleet\n";
    field(FieldId::FleetsOn, "2");
    field(FieldId::FleetCount, "0");
  } else {
    out << "# Aged survey fleets and their times within the year (the middle of each survey "
           "period)\n";
    field(FieldId::FleetsOn, "1");
    field(FieldId::FleetCount, std::to_string(s.aged_fleets.size()));
  }
  for (int k = 1; k <= kMaxAgedFleets; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    field(fleet_field(FleetColumn::File, k),
          i < s.aged_fleets.size() ? s.aged_fleets[i].file_name : "None");
  }
  for (std::size_t i = 0; i < s.aged_fleets.size(); ++i) {
    field(fleet_field(FleetColumn::Time, static_cast<int>(i) + 1),
          format_computed(s.aged_fleets[i].time));
  }

  const int ages = s.last_age - s.first_age + 1;
  if (ages >= 3) {
    out << "# Generation-dependent factors: their window is placed inside the ages "
        << range_text(s.first_age, s.last_age)
        << ",\n# from the second age to the one before the last (the default window 3-12 "
           "may reach beyond them)\n";
    field(FieldId::Triple, "1");
    field(FieldId::TripleFirstAge, std::to_string(s.first_age + 1));
    field(FieldId::TripleLastAge, std::to_string(s.last_age - 1));
  } else {
    out << "# Generation-dependent factors off: too few ages for their window\n";
    field(FieldId::Triple, "2");
    field(FieldId::TripleFirstAge, std::to_string(s.first_age));
    field(FieldId::TripleLastAge, std::to_string(s.last_age));
  }
  return out.str();
}

}  // namespace

std::vector<OutputFile> render_stock(const ImportedStock& s) {
  std::vector<OutputFile> files;
  const int folded_from = s.source_last_age;
  files.push_back({s.catch_numbers.file_name,
                   table_text(s, s.catch_numbers, folded_from, "catch numbers summed")});
  const char* mean = "averaged with the catch numbers at age as weights";
  files.push_back({s.weights.file_name, table_text(s, s.weights, folded_from, mean)});
  files.push_back(
      {s.natural_mortality.file_name, table_text(s, s.natural_mortality, folded_from, mean)});
  files.push_back({s.maturity.file_name, table_text(s, s.maturity, folded_from, mean)});
  if (!s.stock_weights.file_name.empty()) {
    files.push_back({s.stock_weights.file_name, table_text(s, s.stock_weights, folded_from, mean)});
  }
  for (const ImportedFleet& f : s.aged_fleets) files.push_back({f.file_name, fleet_text(s, f)});
  for (const ImportedFleet& f : s.ssb_surveys) files.push_back({f.file_name, ssb_text(s, f)});

  std::vector<std::string> sources{s.catch_numbers.source, s.weights.source,
                                   s.natural_mortality.source, s.maturity.source};
  if (!s.stock_weights.source.empty()) sources.push_back(s.stock_weights.source);
  if (!s.fleet_source.empty()) sources.push_back(s.fleet_source);
  files.push_back({"fields.txt", fields_text(s, sources)});
  return files;
}

void write_files(const std::vector<OutputFile>& files, const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw InputError(dir.string() + ": the folder cannot be made (" + ec.message() + ")");
  std::vector<fs::path> written;
  for (const OutputFile& f : files) {
    const fs::path path = dir / f.name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out << f.text;
    if (out) out.close();
    if (!out) {
      for (const fs::path& p : written) fs::remove(p, ec);
      fs::remove(path, ec);
      throw InputError(path.string() + ": the file cannot be written");
    }
    written.push_back(path);
  }
}

}  // namespace quorvane::import
