#include "tools/sim/dataset_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quorvane::sim {

namespace {

constexpr int kSignificantDigits = 12;
constexpr int kColumnWidth = 16;  // wide enough for 12 digits, a point and a sign

// Field numbers of the run settings that describe a data set.

std::string pad(const std::string &text) {
  if (text.size() >= static_cast<std::size_t>(kColumnWidth)) return " " + text;
  return std::string(static_cast<std::size_t>(kColumnWidth) - text.size(), ' ') + text;
}

std::ofstream open_for_writing(const std::filesystem::path &path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return out;
}

void close_checked(std::ofstream &out, const std::filesystem::path &path) {
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string age_heading(const Scenario &scenario) {
  std::string line = "year";
  for (int age = scenario.first_age; age <= scenario.last_age; ++age) {
    line += pad("age " + std::to_string(age));
  }
  return line;
}

// One table in the age-by-year layout, covering every year of the data.
void write_age_year_file(const std::filesystem::path &path, const Scenario &scenario,
                         const StockTable &table, const std::string &title,
                         const std::string &note) {
  std::ofstream out = open_for_writing(path);
  out << scenario.first_age << ' ' << scenario.last_age << ' ' << scenario.first_year << ' '
      << scenario.data_last_year() << '\n';
  out << title << '\n' << note << '\n' << age_heading(scenario) << '\n';
  for (int y = 0; y < scenario.year_count(); ++y) {
    out << scenario.first_year + y;
    for (int a = 0; a < scenario.age_count(); ++a) out << pad(format_number(table(a, y)));
    out << '\n';
  }
  close_checked(out, path);
}

void write_ssb_file(const std::filesystem::path &path, const SimulatedStock &stock, int k) {
  const Scenario &scenario = stock.scenario;
  const SsbSurveySpec &survey = scenario.ssb_surveys[static_cast<std::size_t>(k)];
  std::ofstream out = open_for_writing(path);
  out << "SSB survey " << k + 1 << (survey.relative ? ", relative index" : ", absolute (tonnes)")
      << '\n';
  out << "one value per year from " << scenario.first_year << " to " << scenario.data_last_year()
      << ", no year column\n";
  out << "-1: no observation\n";
  out << "values\n";
  for (double value : stock.ssb_indices[static_cast<std::size_t>(k)]) {
    out << format_number(value) << '\n';
  }
  close_checked(out, path);
}

const char *index_of_name(IndexOf index_of) {
  switch (index_of) {
    case IndexOf::WholeStock:
      return "whole stock";
    case IndexOf::Mature:
      return "mature part";
    case IndexOf::Immature:
      return "immature part";
  }
  return "whole stock";
}

void write_table_section(std::ostream &out, const Scenario &scenario, const StockTable &table,
                         const std::string &title) {
  out << '\n' << title << '\n' << age_heading(scenario) << '\n';
  for (int y = 0; y < scenario.year_count(); ++y) {
    out << scenario.first_year + y;
    for (int a = 0; a < scenario.age_count(); ++a) out << pad(format_number(table(a, y)));
    out << '\n';
  }
}

void write_truth_file(const std::filesystem::path &path, const SimulatedStock &stock) {
  const Scenario &scenario = stock.scenario;
  std::ofstream out = open_for_writing(path);
  out << "Truth of a simulated stock\n";
  out << "seed " << scenario.seed << '\n';
  out << "ages " << scenario.first_age << ' ' << scenario.last_age << " plus_group "
      << (scenario.plus_group ? "yes" : "no") << '\n';
  out << "years " << scenario.first_year << ' ' << scenario.data_last_year() << " last_catch_year "
      << scenario.last_year << " extended_year " << (scenario.extended_year ? "yes" : "no") << '\n';
  out << "part " << format_number(scenario.part) << '\n';
  out << "terminal_f " << format_number(stock.terminal_f) << '\n';
  out << "recruitment_mean " << format_number(scenario.recruitment_mean) << " log_sd "
      << format_number(scenario.recruitment_log_sd) << '\n';
  out << "catch_cv " << format_number(scenario.catch_cv) << '\n';

  out << "\nYear factor f(y), SSB at the start of the year, recruitment\n";
  out << "year" << pad("f") << pad("SSB") << pad("recruits") << '\n';
  for (int y = 0; y < scenario.year_count(); ++y) {
    const auto i = static_cast<std::size_t>(y);
    out << scenario.first_year + y << pad(format_number(stock.f[i]))
        << pad(format_number(stock.ssb[i])) << pad(format_number(stock.numbers(0, y))) << '\n';
  }

  StockTable exploitation(scenario.age_count(), scenario.year_count());
  for (int y = 0; y < scenario.year_count(); ++y) {
    for (int a = 0; a < scenario.age_count(); ++a) {
      exploitation(a, y) = stock.f[static_cast<std::size_t>(y)] * stock.selectivity(a, y);
    }
  }
  write_table_section(out, scenario, stock.selectivity, "Age factor s(a,y)");
  write_table_section(out, scenario, exploitation, "Exploitation rate f(y)*s(a,y)");
  write_table_section(out, scenario, stock.numbers,
                      "Stock numbers N(a,y) at the start of the year");
  write_table_section(out, scenario, stock.true_catch, "Catch without noise C(a,y)");

  out << "\nSSB surveys (a relative survey: index * k = SSB at survey time)\n";
  for (std::size_t k = 0; k < scenario.ssb_surveys.size(); ++k) {
    const SsbSurveySpec &survey = scenario.ssb_surveys[k];
    out << "survey " << k + 1 << (survey.relative ? " relative k " : " absolute k ")
        << format_number(survey.relative ? survey.coefficient : 1.0) << " time "
        << format_number(survey.time) << " cv " << format_number(survey.cv) << '\n';
  }

  out << "\nAged fleets (index * q(a) = numbers measured at survey time)\n";
  for (std::size_t k = 0; k < scenario.fleets.size(); ++k) {
    const FleetSpec &fleet = scenario.fleets[k];
    out << "fleet " << k + 1 << " time " << format_number(fleet.time) << " ages " << fleet.first_age
        << ' ' << fleet.last_age << " years " << fleet.first_year << ' ' << fleet.last_year
        << " cv " << format_number(fleet.cv) << " index_of " << index_of_name(fleet.index_of)
        << '\n';
    out << "age" << pad("q") << '\n';
    for (int age = fleet.first_age; age <= fleet.last_age; ++age) {
      out << age
          << pad(format_number(fleet.catchability[static_cast<std::size_t>(age - fleet.first_age)]))
          << '\n';
    }
  }
  close_checked(out, path);
}

std::string ssb_file_name(std::size_t k) { return "SSB" + std::to_string(k + 1) + ".txt"; }
std::string fleet_file_name(std::size_t k) { return "fleet" + std::to_string(k + 1) + ".txt"; }

void write_fields_file(const std::filesystem::path &path, const SimulatedStock &stock,
                       const std::string &prefix) {
  std::ofstream out = open_for_writing(path);
  out << "# Settings for this simulated data set (quorvane-batch --fields); "
         "the rest keep their "
         "defaults.\n";
  for (const auto &[field, text] : field_texts(stock, prefix)) {
    out << numbered_name(field) << '=' << text << '\n';
  }
  close_checked(out, path);
}

}  // namespace

std::string format_number(double x) {
  if (x == 0.0) return "0";
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  const int decimals = std::clamp(kSignificantDigits - 1 - exponent, 0, 40);
  std::array<char, 128> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) throw std::invalid_argument("number too large to write");
  std::string text(buffer.data(), result.ptr);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::vector<std::pair<FieldId, std::string>> field_texts(const SimulatedStock &stock,
                                                         const std::string &prefix) {
  const Scenario &scenario = stock.scenario;
  if (scenario.ssb_surveys.size() > static_cast<std::size_t>(kMaxSsbSurveys) ||
      scenario.fleets.size() > static_cast<std::size_t>(kMaxFleets)) {
    throw std::invalid_argument("a run takes at most 3 SSB surveys and 7 aged fleets");
  }
  std::vector<std::pair<FieldId, std::string>> fields = {
      {FieldId::CatchFile, prefix + "c.txt"},
      {FieldId::WeightFile, prefix + "w.txt"},
      {FieldId::MOption, "3"},  // M as written in the M file
      {FieldId::MFile, prefix + "mm.txt"},
      {FieldId::FirstYear, std::to_string(scenario.first_year)},
      {FieldId::LastYear, std::to_string(scenario.data_last_year())},
      {FieldId::FirstPeriodEnd,
       std::to_string(scenario.last_year_of_s1.value_or(scenario.data_last_year()))},
      {FieldId::FirstAge, std::to_string(scenario.first_age)},
      {FieldId::LastAge, std::to_string(scenario.last_age)},
      {FieldId::LastAgeKind, scenario.plus_group ? "1" : "2"},
      {FieldId::MaxCatchTime, format_number(scenario.part)},
      {FieldId::MaturityFile, prefix + "mat.txt"},
      {FieldId::SsbOn, scenario.ssb_surveys.empty() ? "2" : "1"},
      {FieldId::FleetsOn, scenario.fleets.empty() ? "2" : "1"},
  };
  if (!scenario.ssb_surveys.empty()) {
    fields.emplace_back(FieldId::SsbCount, std::to_string(scenario.ssb_surveys.size()));
    fields.emplace_back(FieldId::SsbTime, format_number(scenario.ssb_surveys.front().time));
    for (std::size_t k = 0; k < scenario.ssb_surveys.size(); ++k) {
      const int slot = static_cast<int>(k) + 1;
      fields.emplace_back(ssb_field(SsbColumn::File, slot), prefix + ssb_file_name(k));
      fields.emplace_back(ssb_field(SsbColumn::Kind, slot),
                          scenario.ssb_surveys[k].relative ? "2" : "1");
    }
  }
  if (!scenario.fleets.empty()) {
    fields.emplace_back(FieldId::FleetCount, std::to_string(scenario.fleets.size()));
    for (std::size_t k = 0; k < scenario.fleets.size(); ++k) {
      const int slot = static_cast<int>(k) + 1;
      fields.emplace_back(fleet_field(FleetColumn::File, slot), prefix + fleet_file_name(k));
      fields.emplace_back(fleet_field(FleetColumn::Time, slot),
                          format_number(scenario.fleets[k].time));
      fields.emplace_back(fleet_field(FleetColumn::Type, slot),
                          std::to_string(static_cast<int>(scenario.fleets[k].index_of)));
    }
  }
  std::sort(fields.begin(), fields.end());
  return fields;
}

std::vector<std::filesystem::path> write_dataset(const SimulatedStock &stock,
                                                 const std::filesystem::path &dir,
                                                 const std::string &field_prefix) {
  const Scenario &scenario = stock.scenario;
  field_texts(stock,
              field_prefix);  // refuses too many surveys before any file is touched
  std::filesystem::create_directories(dir);
  std::vector<std::filesystem::path> written;
  const std::string seed_note = "simulated stock, seed " + std::to_string(scenario.seed);

  auto table = [&](const char *name, const StockTable &values, const std::string &title,
                   const std::string &note) {
    written.push_back(dir / name);
    write_age_year_file(written.back(), scenario, values, title, note);
  };
  std::string catch_note = seed_note;
  if (scenario.extended_year) catch_note += "; catch of the last year not reported yet: 0";
  table("c.txt", stock.observed_catch, "Catch at age in numbers", catch_note);
  table("w.txt", scenario.weight, "Mean weight at age (kg)", seed_note);
  table("mm.txt", scenario.natural_mortality, "Natural mortality at age", seed_note);
  table("mat.txt", scenario.maturity, "Proportion mature at age", seed_note);

  for (std::size_t k = 0; k < scenario.ssb_surveys.size(); ++k) {
    written.push_back(dir / ssb_file_name(k));
    write_ssb_file(written.back(), stock, static_cast<int>(k));
  }
  for (std::size_t k = 0; k < scenario.fleets.size(); ++k) {
    const FleetSpec &fleet = scenario.fleets[k];
    std::ostringstream title;
    title << "Aged survey fleet " << k + 1 << ", " << index_of_name(fleet.index_of) << ", at time "
          << format_number(fleet.time) << " of the year";
    table(fleet_file_name(k).c_str(), stock.fleet_indices[k], title.str(),
          seed_note + "; -1: no observation");
  }

  written.push_back(dir / "truth.txt");
  write_truth_file(written.back(), stock);
  written.push_back(dir / "fields.txt");
  write_fields_file(written.back(), stock, field_prefix);
  return written;
}

}  // namespace quorvane::sim
