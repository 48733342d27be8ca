#include "import/stock_import.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "base/errors.h"
#include "import/file_names.h"

namespace quorvane::import {

namespace fs = std::filesystem;

namespace {

LowestoftTable read_as(const std::string& path, DataType role) {
  LowestoftTable t = read_lowestoft_table(path);
  if (t.type != static_cast<int>(role)) {
    throw InputError(path + ": line 2: the file holds " + data_type_name(t.type) + " (data type " +
                     std::to_string(t.type) + ") but is given as the " +
                     data_type_name(static_cast<int>(role)) + " (data type " +
                     std::to_string(static_cast<int>(role)) + ")");
  }
  return t;
}

// A table other than the catch must hold every age and year of the catch file.
void check_coverage(const LowestoftTable& t, const LowestoftTable& c) {
  for (int year = c.first_year; year <= c.last_year; ++year) {
    if (!t.has_year(year)) {
      throw InputError(t.path + ": has no values for the year " + std::to_string(year) +
                       " (it holds " + range_text(t.first_year, t.last_year) + ", the catch file " +
                       base_name(c.path) + " " + range_text(c.first_year, c.last_year) + ")");
    }
  }
  for (int age = c.first_age; age <= c.last_age; ++age) {
    if (!t.has_age(age)) {
      throw InputError(t.path + ": has no values for the age " + std::to_string(age) +
                       " (it holds " + range_text(t.first_age, t.last_age) + ", the catch file " +
                       base_name(c.path) + " " + range_text(c.first_age, c.last_age) + ")");
    }
  }
}

// The catch numbers of one year, ages first..A, the older ones summed into A.
std::vector<Cell> folded_catch(const LowestoftTable& c, int year, int plus_age) {
  std::vector<Cell> row;
  for (int age = c.first_age; age < plus_age; ++age) row.push_back({c.at(year, age), false});
  if (plus_age == c.last_age) {
    row.push_back({c.at(year, plus_age), false});
  } else {
    double sum = 0;
    for (int age = plus_age; age <= c.last_age; ++age) sum += c.at(year, age);
    row.push_back({sum, true});
  }
  return row;
}

// One year of a mean quantity (weight, M, maturity), ages first..A, the older ones averaged
// into A with the catch numbers at age as weights; `catches` holds that year's catch at the
// catch file's ages (all 0 for a year without catch: then a plain mean).
std::vector<Cell> folded_mean(const LowestoftTable& t, int year, const LowestoftTable& c,
                              const std::vector<double>& catches, int plus_age) {
  std::vector<Cell> row;
  for (int age = c.first_age; age < plus_age; ++age) row.push_back({t.at(year, age), false});
  if (plus_age == c.last_age) {
    row.push_back({t.at(year, plus_age), false});
    return row;
  }
  double weighted = 0, total = 0, plain = 0;
  for (int age = plus_age; age <= c.last_age; ++age) {
    const double n = catches[static_cast<std::size_t>(age - c.first_age)];
    weighted += n * t.at(year, age);
    total += n;
    plain += t.at(year, age);
  }
  const double mean = total > 0 ? weighted / total : plain / (c.last_age - plus_age + 1);
  row.push_back({mean, true});
  return row;
}

std::vector<double> catch_row(const LowestoftTable& c, int year) {
  if (!c.has_year(year))
    return std::vector<double>(static_cast<std::size_t>(c.last_age - c.first_age + 1), 0.0);
  return c.values[static_cast<std::size_t>(year - c.first_year)];
}

// Does the fleet observe anything in `year` at the ages the tables keep?
bool observes(const LowestoftFleet& f, int year, int first_age) {
  if (year < f.first_year || year > f.last_year) return false;
  const std::size_t i = static_cast<std::size_t>(year - f.first_year);
  if (!(f.effort[i] > 0)) return false;
  for (int k = 0; k < f.value_count(); ++k) {
    if (!f.biomass() && f.first_age + k < first_age) continue;
    if (f.catches[i][static_cast<std::size_t>(k)] > 0) return true;
  }
  return false;
}

std::string fleet_title(const LowestoftFleet& f) {
  return "fleet " + std::to_string(f.number) + " (" + f.name + ")";
}

// The fleet's index on the tables' grid: catch / effort, the ages above the plus age summed
// into it, -1 wherever there is no observation (a year or age the fleet does not cover, an
// effort or catch of 0, a negative or missing value; a plus group with a missing age).
Grid aged_grid(const LowestoftFleet& f, const ImportedStock& s, std::vector<std::string>& notes) {
  const int ages_n = s.last_age - s.first_age + 1;
  Grid grid(static_cast<std::size_t>(s.last_year - s.first_year + 1),
            std::vector<Cell>(static_cast<std::size_t>(ages_n), Cell{-1, false}));
  if (f.first_age < s.first_age) {
    notes.push_back(fleet_title(f) + ": ages " +
                    range_text(f.first_age, std::min(f.last_age, s.first_age - 1)) +
                    " are younger than the first age " + std::to_string(s.first_age) +
                    " and are left out");
  }
  if (f.last_age > s.last_age) {
    const int from = std::max(f.first_age, s.last_age + 1);
    notes.push_back(fleet_title(f) + ": ages " + range_text(from, f.last_age) +
                    (s.plus_group ? " are added into the " + std::to_string(s.last_age) + "+ group"
                                  : " are older than the last age " + std::to_string(s.last_age) +
                                        " and are left out"));
  }
  for (int year = std::max(f.first_year, s.first_year); year <= std::min(f.last_year, s.last_year);
       ++year) {
    const std::size_t fy = static_cast<std::size_t>(year - f.first_year);
    const double effort = f.effort[fy];
    std::vector<double> sum(static_cast<std::size_t>(ages_n), 0.0);
    std::vector<int> count(static_cast<std::size_t>(ages_n), 0);
    std::vector<bool> missing(static_cast<std::size_t>(ages_n), false);
    for (int age = f.first_age; age <= f.last_age; ++age) {
      int target = age;
      if (age < s.first_age) continue;
      if (age > s.last_age) {
        if (!s.plus_group) continue;
        target = s.last_age;
      }
      const std::size_t g = static_cast<std::size_t>(target - s.first_age);
      const double v = f.catches[fy][static_cast<std::size_t>(age - f.first_age)];
      ++count[g];
      if (v < 0)
        missing[g] = true;
      else
        sum[g] += v;
    }
    std::vector<Cell>& row = grid[static_cast<std::size_t>(year - s.first_year)];
    for (std::size_t g = 0; g < row.size(); ++g) {
      if (count[g] == 0 || missing[g] || !(effort > 0) || !(sum[g] > 0)) continue;
      row[g] = {sum[g] / effort, count[g] > 1 || effort != 1.0};
    }
  }
  return grid;
}

std::vector<Cell> biomass_values(const LowestoftFleet& f, const ImportedStock& s) {
  std::vector<Cell> values(static_cast<std::size_t>(s.last_year - s.first_year + 1),
                           Cell{-1, false});
  for (int year = std::max(f.first_year, s.first_year); year <= std::min(f.last_year, s.last_year);
       ++year) {
    const std::size_t fy = static_cast<std::size_t>(year - f.first_year);
    const double effort = f.effort[fy];
    const double v = f.catches[fy][0];
    if (effort > 0 && v > 0) {
      values[static_cast<std::size_t>(year - s.first_year)] = {v / effort, effort != 1.0};
    }
  }
  return values;
}

// The fleets a run takes: the chosen ones in the order given, or the first 7 aged fleets and
// the first 3 biomass indices of the file, each with a note of what is left out.
void choose_fleets(const std::vector<LowestoftFleet>& all, const ImportChoices& choices,
                   const std::string& path, std::vector<const LowestoftFleet*>& aged,
                   std::vector<const LowestoftFleet*>& biomass, std::vector<std::string>& notes) {
  std::vector<const LowestoftFleet*> chosen;
  if (!choices.select_fleets.empty()) {
    std::set<int> seen;
    for (int k : choices.select_fleets) {
      if (k < 1 || k > static_cast<int>(all.size())) {
        throw SettingsError("--select-fleets: " + path + " has no fleet " + std::to_string(k) +
                            " (it holds " + std::to_string(all.size()) + ")");
      }
      if (!seen.insert(k).second) {
        throw SettingsError("--select-fleets: fleet " + std::to_string(k) + " is named twice");
      }
      chosen.push_back(&all[static_cast<std::size_t>(k - 1)]);
    }
  } else {
    for (const LowestoftFleet& f : all) chosen.push_back(&f);
  }
  for (const LowestoftFleet* f : chosen) (f->biomass() ? biomass : aged).push_back(f);

  const auto limit = [&](std::vector<const LowestoftFleet*>& list, int most, const char* kind) {
    if (static_cast<int>(list.size()) <= most) return;
    if (!choices.select_fleets.empty()) {
      throw SettingsError("--select-fleets: " + std::to_string(list.size()) + " " + kind +
                          " chosen; a run takes at most " + std::to_string(most));
    }
    std::string left;
    for (std::size_t i = static_cast<std::size_t>(most); i < list.size(); ++i) {
      left +=
          (left.empty() ? "" : ", ") + std::to_string(list[i]->number) + " (" + list[i]->name + ")";
    }
    notes.push_back(path + ": more than " + std::to_string(most) + " " + kind + "; the first " +
                    std::to_string(most) + " are imported, not " + left +
                    " (choose with --select-fleets)");
    list.resize(static_cast<std::size_t>(most));
  };
  limit(aged, kMaxAgedFleets, "aged fleets");
  limit(biomass, kMaxSsbSurveys, "biomass indices");
}

}  // namespace

namespace {

// The title's words in lower case, each stripped of the brackets and punctuation around it.
std::vector<std::string> title_words(std::string_view title) {
  std::vector<std::string> words(1);
  for (const char c : title) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '\'') {
      words.back() += static_cast<char>(std::tolower(u));
    } else if (!words.back().empty()) {
      words.emplace_back();
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

}  // namespace

std::string numbers_unit_in_title(std::string_view title) {
  for (const std::string& w : title_words(title)) {
    if (w == "thousand" || w == "thousands" || w == "'000" || w == "000s") return "thousands";
    if (w == "million" || w == "millions") return "millions";
  }
  return "";
}

std::string weight_unit_in_title(std::string_view title) {
  for (const std::string& w : title_words(title)) {
    if (w == "kg" || w == "kilogram" || w == "kilograms" || w == "kilogrammes") return "kg";
    if (w == "t" || w == "tonne" || w == "tonnes" || w == "tons") return "t";
    if (w == "g" || w == "gram" || w == "grams" || w == "grammes") return "g";
  }
  return "";
}

ImportedStock import_stock(const StockFiles& files, const ImportChoices& choices) {
  // Every file is read and checked before anything is decided or written.
  const LowestoftTable c = read_as(files.catch_numbers, DataType::CatchNumbers);
  const LowestoftTable w = read_as(
      files.weights, files.weights_are_stock ? DataType::StockWeights : DataType::CatchWeights);
  const LowestoftTable m = read_as(files.natural_mortality, DataType::NaturalMortality);
  const LowestoftTable mo = read_as(files.maturity, DataType::Maturity);
  std::vector<LowestoftFleet> all_fleets;
  if (!files.fleets.empty()) all_fleets = read_lowestoft_fleets(files.fleets);
  for (const LowestoftTable* t : {&w, &m, &mo}) check_coverage(*t, c);
  std::optional<LowestoftTable> sw;
  if (!files.stock_weights.empty()) {
    sw = read_as(files.stock_weights, DataType::StockWeights);
    check_coverage(*sw, c);
  }

  ImportedStock s;
  s.weights_are_stock = files.weights_are_stock;
  const auto unit = [](const std::optional<std::string>& chosen, const std::string& in_title) {
    return chosen ? chosen : in_title.empty() ? std::nullopt : std::optional(in_title);
  };
  s.units.units_numbers = unit(choices.units_numbers, numbers_unit_in_title(c.title));
  s.units.units_weight = unit(choices.units_weight, weight_unit_in_title(w.title));
  s.fleet_source = files.fleets;
  s.first_age = c.first_age;
  s.source_last_age = c.last_age;
  s.first_year = c.first_year;
  if (choices.plus_age) {
    if (*choices.plus_age < c.first_age || *choices.plus_age > c.last_age) {
      throw SettingsError("--plus-age " + std::to_string(*choices.plus_age) +
                          " is outside the ages " + range_text(c.first_age, c.last_age) + " of " +
                          c.path);
    }
    s.last_age = *choices.plus_age;
    s.plus_group = true;
  } else {
    s.last_age = c.last_age;
    s.plus_group = choices.plus_group.value_or(true);
  }
  if (s.last_age - s.first_age + 1 > kMaxAges) {
    throw SettingsError(c.path + ": the ages " + range_text(s.first_age, s.last_age) + " are " +
                        std::to_string(s.last_age - s.first_age + 1) +
                        "; the tables hold at most " + std::to_string(kMaxAges) +
                        " (fold the oldest into a plus group with --plus-age)");
  }

  std::vector<const LowestoftFleet*> aged, biomass;
  choose_fleets(all_fleets, choices, files.fleets, aged, biomass, s.warnings);

  // The year after the catch joins the tables when a survey has seen it.
  s.last_year = c.last_year;
  if (choices.extended_year) {
    const int next = c.last_year + 1;
    bool seen = false;
    for (const auto* list : {&aged, &biomass}) {
      for (const LowestoftFleet* f : *list) seen = seen || observes(*f, next, s.first_age);
    }
    if (seen) {
      s.last_year = next;
      s.extended_year = true;
    } else {
      s.warnings.push_back("--extended-year: no fleet has an observation in " +
                           std::to_string(next) + "; no year is added");
    }
  }
  if (s.last_year - s.first_year + 1 > kMaxYears) {
    throw SettingsError(c.path + ": the years " + range_text(s.first_year, s.last_year) + " are " +
                        std::to_string(s.last_year - s.first_year + 1) +
                        "; the tables hold at most " + std::to_string(kMaxYears));
  }

  // The tables, year by year.
  const auto start = [&](ImportedTable& t, const LowestoftTable& from, const char* file,
                         const char* what) {
    t.file_name = file;
    t.what = what;
    t.source = from.path;
    t.title = from.title;
  };
  start(s.catch_numbers, c, "c.txt", "catch in numbers");
  start(s.weights, w, "w.txt",
        files.weights_are_stock ? "mean weight at age in the stock"
                                : "mean weight at age in the catch");
  start(s.natural_mortality, m, "mm.txt", "natural mortality");
  std::vector<std::pair<ImportedTable*, const LowestoftTable*>> averaged = {
      {&s.weights, &w}, {&s.natural_mortality, &m}, {&s.maturity, &mo}};
  if (sw) {
    start(s.stock_weights, *sw, "sw.txt", "mean weight at age in the stock");
    s.units.stock_weight_file = s.stock_weights.file_name;
    averaged.push_back({&s.stock_weights, &*sw});
  }
  start(s.maturity, mo, "mat.txt", "proportion mature");
  for (int year = s.first_year; year <= s.last_year; ++year) {
    const std::vector<double> catches = catch_row(c, year);
    if (c.has_year(year)) {
      s.catch_numbers.cells.push_back(folded_catch(c, year, s.last_age));
    } else {
      s.catch_numbers.cells.emplace_back(static_cast<std::size_t>(s.last_age - s.first_age + 1),
                                         Cell{0, false});
    }
    for (auto [table, from] : averaged) {
      if (from->has_year(year)) {
        table->cells.push_back(folded_mean(*from, year, c, catches, s.last_age));
      } else {
        // Only the added year can be missing here: the catch years were checked above.
        table->cells.push_back(table->cells.back());
        s.warnings.push_back(from->path + ": has no values for " + std::to_string(year) +
                             "; the values of " + std::to_string(year - 1) + " are used");
      }
    }
  }

  // The fleets; one without any observation in the tables' years would only disturb the fit.
  const auto usable = [&](const LowestoftFleet& f) {
    for (int year = s.first_year; year <= s.last_year; ++year) {
      if (observes(f, year, s.first_age)) return true;
    }
    s.warnings.push_back(files.fleets + ": " + fleet_title(f) + " has no observation in " +
                         range_text(s.first_year, s.last_year) + " and is left out");
    return false;
  };
  for (const auto* list : {&aged, &biomass}) {
    for (const LowestoftFleet* f : *list) {
      if (!usable(*f)) continue;
      ImportedFleet out;
      out.number = f->number;
      out.name = f->name;
      out.alpha = f->alpha;
      out.beta = f->beta;
      out.time = (f->alpha + f->beta) / 2;
      out.first_age = f->first_age;
      out.last_age = f->last_age;
      out.first_year = f->first_year;
      out.last_year = f->last_year;
      if (f->biomass()) {
        out.ssb_values = biomass_values(*f, s);
        out.file_name = "SSB" + std::to_string(s.ssb_surveys.size() + 1) + ".txt";
        s.ssb_surveys.push_back(std::move(out));
      } else {
        out.cells = aged_grid(*f, s, s.warnings);
        out.file_name = "fleet" + std::to_string(s.aged_fleets.size() + 1) + ".txt";
        s.aged_fleets.push_back(std::move(out));
      }
    }
  }
  for (std::size_t k = 1; k < s.ssb_surveys.size(); ++k) {
    if (s.ssb_surveys[k].time != s.ssb_surveys[0].time) {
      s.warnings.push_back(
          "the SSB surveys are at different times of the year; a run takes one "
          "time for all, that of the first (" +
          format_computed(s.ssb_surveys[0].time) + ")");
      break;
    }
  }
  return s;
}

std::string format_computed(double x) {
  if (x == 0) return "0";
  char buf[64];
  // Round to 12 significant digits first, so that large numbers lose their last digits too.
  std::snprintf(buf, sizeof buf, "%.11e", x);
  const double rounded = std::strtod(buf, nullptr);
  const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  const int decimals = std::max(0, 11 - exponent);
  std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
  std::string text = buf;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::string format_read(double x) {
  char buf[400];
  const auto result = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed);
  std::string text(buf, result.ptr);
  if (text == "-0") text = "0";
  return text;
}

}  // namespace quorvane::import
