// Readers of a stock's exchange files in the Lowestoft layout: one file per table (catch numbers,
// weights, natural mortality, maturity, ...) and one file of tuning fleets.
//
// A table file:
//   line 1  title (any text)
//   line 2  "1 T": T the data type (2 catch numbers, 3 catch weights, 4 stock weights,
//           5 natural mortality, 6 proportion mature, 1 landings, 7 and 8 the proportions of F
//           and M before spawning)
//   line 3  first year, last year
//   line 4  first age, last age
//   line 5  the data format: 1 one row per year (a full matrix), 2 one row for all years,
//           3 one value for all ages and years, 5 one column by year (one value per year for
//           all ages)
//   then    the values, rows of one value per age.
// A tuning-fleet file:
//   line 1  title
//   line 2  the number of fleets plus 100
//   per fleet: its name; first and last year; "1 1 alpha beta", the fraction of the year at
//   which the survey period starts and ends; first and last age (-1 -1 for a biomass index);
//   then per year one row: the effort, then the catch at each age (one value for a biomass
//   index). A row may carry more values than the fleet's ages; the extra ones are not read.
//
// Header lines may carry text after their numbers; lines may end in CR LF or LF; numbers are
// separated by blanks, tabs or commas. A file that does not fit raises InputError with the
// file, the line and the token.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::import {

// Data-type codes on line 2 of a table file.
enum class DataType {
  Landings = 1,
  CatchNumbers = 2,
  CatchWeights = 3,
  StockWeights = 4,
  NaturalMortality = 5,
  Maturity = 6,
  FishingBeforeSpawning = 7,
  MortalityBeforeSpawning = 8,
};

// "catch numbers", "stock weights", ...; "data type 9" for a code without a name.
std::string data_type_name(int code);

// A table file as read, expanded to a full matrix whatever its data format.
struct LowestoftTable {
  std::string path;
  std::string title;  // line 1, blanks around it trimmed
  int type = 0;       // data-type code of line 2
  int format = 0;     // data-format code of line 5
  int first_year = 0, last_year = 0;
  int first_age = 0, last_age = 0;
  std::vector<std::vector<double>> values;  // values[year - first_year][age - first_age]

  bool has_year(int year) const { return year >= first_year && year <= last_year; }
  bool has_age(int age) const { return age >= first_age && age <= last_age; }
  double at(int year, int age) const {
    return values[static_cast<std::size_t>(year - first_year)]
                 [static_cast<std::size_t>(age - first_age)];
  }
};

LowestoftTable read_lowestoft_table(const std::string& path);

// Marks a fleet cell that the file leaves without an observation ("NA" or a negative number).
inline constexpr double kMissing = -1.0;

// One fleet of a tuning-fleet file.
struct LowestoftFleet {
  int number = 0;  // position in the file, from 1
  std::string name;
  int first_year = 0, last_year = 0;
  double alpha = 0, beta = 0;  // survey period as fractions of the year
  int first_age = 0, last_age = 0;
  std::vector<double> effort;                // effort[year - first_year]
  std::vector<std::vector<double>> catches;  // catches[year - first_year][age - first_age]

  // A biomass index: one value per year, no ages.
  bool biomass() const { return first_age == -1 && last_age == -1; }
  int value_count() const { return biomass() ? 1 : last_age - first_age + 1; }
};

std::vector<LowestoftFleet> read_lowestoft_fleets(const std::string& path);

// What line 2 of a file says it is, without reading the rest: a table of data type `type`, a
// tuning-fleet file, or neither. Used to recognise the files of a folder or an index file.
struct FileKind {
  enum Kind { Other, Table, Fleets } kind = Other;
  int type = 0;
};
FileKind peek_file_kind(const std::string& path);

// A number as these files write it: the numbers of the tables and fields, and also a trailing
// decimal point ("5."). Empty when the token is not a number.
std::optional<double> parse_file_number(std::string_view token);

}  // namespace quorvane::import
