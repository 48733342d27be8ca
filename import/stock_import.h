// From a stock's Lowestoft files to the program's input tables and settings.
//
// The years of the assessment are those of the catch-numbers file; every other table must cover
// them (extra years are not used). Ages above the plus age A are folded into an A+ group:
//   C(A+, y) = sum over a >= A of C(a, y)
//   X(A+, y) = sum C(a, y) X(a, y) / sum C(a, y)   for weights, M and maturity,
//              the plain mean of X(a, y) over a >= A where the catches are all 0,
// so that the group's weight, mortality and maturity are those of the fish that make its catch.
// Aged fleets become index tables on the catch table's grid, index = catch / effort, -1 where
// the fleet has no observation; a fleet's ages above A are summed into the plus group. Biomass
// fleets become SSB surveys. A fleet's survey time is the middle of its survey period.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/lowestoft_files.h"
#include "run/run_keys.h"

namespace quorvane::import {

// The program's capacity: ages and years of a table, aged fleets and SSB surveys of a run.
inline constexpr int kMaxAges = 29;
inline constexpr int kMaxYears = 60;
inline constexpr int kMaxAgedFleets = 7;
inline constexpr int kMaxSsbSurveys = 3;

// The files of one stock, as paths.
struct StockFiles {
  std::string catch_numbers;
  std::string weights;  // catch weights, or stock weights when weights_are_stock
  bool weights_are_stock = false;
  std::string natural_mortality;
  std::string maturity;
  std::string fleets;  // may be empty: no tuning data
  // Stock weights of their own beside the catch weights, or empty: the stock is then weighed
  // with `weights`.
  std::string stock_weights;
};

struct ImportChoices {
  std::optional<int> plus_age;     // fold the older ages into this one
  std::optional<bool> plus_group;  // without plus_age: is the last age a plus group
  bool extended_year = false;      // add the year after the catch when the surveys have it
  std::vector<int> select_fleets;  // numbers of the fleets in the fleet file, from 1
  // --units-numbers, --units-weight; without them the title lines may say.
  std::optional<std::string> units_numbers, units_weight;
};

// One cell of a written table: a value read from a file is written as it was read, a value the
// import computed with 12 significant digits.
struct Cell {
  double value = 0;
  bool computed = false;
};
using Grid = std::vector<std::vector<Cell>>;  // [year - first_year][age - first_age]

struct ImportedTable {
  std::string file_name;  // in the out folder
  std::string what;       // "catch in numbers", ...
  std::string source;     // the Lowestoft file it came from
  std::string title;      // that file's title line
  Grid cells;
};

struct ImportedFleet {
  int number = 0;  // in the fleet file
  std::string name;
  std::string file_name;
  double time = 0;  // (alpha + beta) / 2
  double alpha = 0, beta = 0;
  int first_age = 0, last_age = 0;  // as declared in the fleet file
  int first_year = 0, last_year = 0;
  Grid cells;                    // aged fleet: the whole grid
  std::vector<Cell> ssb_values;  // biomass fleet: one value per year of the grid
};

struct ImportedStock {
  int first_age = 0, last_age = 0, first_year = 0, last_year = 0;
  int source_last_age = 0;  // the catch file's last age, before any folding
  bool plus_group = true;
  bool extended_year = false;  // last_year carries surveys only, its catch is 0
  bool weights_are_stock = false;
  ImportedTable catch_numbers, weights, natural_mortality, maturity;
  ImportedTable stock_weights;  // file_name empty unless the stock has weights of its own
  std::vector<ImportedFleet> aged_fleets;
  std::vector<ImportedFleet> ssb_surveys;
  std::string fleet_source;
  // units_numbers and units_weight, unset when neither a choice nor a title says; the stock
  // weights' file when there is one
  RunKeys units;
  std::vector<std::string> warnings;
};

// Reads and checks every file and builds the stock in memory. InputError for a file that does
// not fit (naming the file, line and token, or the file and the first missing year or age);
// SettingsError for choices that do not fit the files (a plus age outside the ages, a fleet
// number not in the file, more fleets than a run takes).
ImportedStock import_stock(const StockFiles& files, const ImportChoices& choices);

// The unit a table's title line names in words ("... Catch Numbers (thousands)" gives
// "thousands", "... weights in kg" gives "kg"); empty when it names none.
std::string numbers_unit_in_title(std::string_view title);
std::string weight_unit_in_title(std::string_view title);

// A number written with 12 significant digits, plain decimal notation, no trailing zeros:
// 10.239336232581123 gives "10.2393362326", 0.125 gives "0.125", -1 gives "-1".
std::string format_computed(double x);
// A number read from a file, written back in the fewest digits that read as the same double.
std::string format_read(double x);

struct OutputFile {
  std::string name;
  std::string text;
};

// The text of every file to write: the tables, the fleets, the SSB surveys and fields.txt.
std::vector<OutputFile> render_stock(const ImportedStock& stock);

// Writes the files into `dir` (created when missing). When one cannot be written, the ones
// already written are removed again and InputError names the file.
void write_files(const std::vector<OutputFile>& files, const std::filesystem::path& dir);

}  // namespace quorvane::import
