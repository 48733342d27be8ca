// Writes a simulated stock as a data set in the program's input layouts, with
// its truth.
//
// Into one directory:
//   c.txt, w.txt, mm.txt, mat.txt  catch, weight, natural mortality and
//   maturity by age and year:
//                                  line 1 "firstage lastage firstyear
//                                  lastyear", three lines of text, then per
//                                  year the year and one value per age;
//   SSB1.txt ..                    one SSB survey each: four lines of text,
//   then one value per
//                                  year of the catch file, no year column, -1
//                                  where not observed;
//   fleet1.txt ..                  one aged fleet each, in the age-by-year
//   layout on the catch
//                                  file's whole grid, -1 where the fleet has no
//                                  observation;
//   truth.txt                      what the assessment should find: f, s, N,
//   f·s, SSB, the
//                                  survey coefficients and catchabilities, the
//                                  terminal f;
//   fields.txt                     the settings that describe the data set, one
//   "TextN=value"
//                                  per line, for the batch runner's --fields.
// Numbers carry 12 significant digits and never an exponent, so that data
// without noise give back the truth to about 1e-11.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "run/field_registry.h"
#include "tools/sim/stock_simulator.h"

namespace quorvane::sim {

// At most this many surveys of each kind fit the settings of a run.
inline constexpr int kMaxSsbSurveys = 3;
inline constexpr int kMaxFleets = 7;

// A number with 12 significant digits in plain decimal notation, trailing zeros
// dropped: 0.5 gives "0.5", -1 gives "-1", 253123.4567890123 gives
// "253123.456789".
std::string format_number(double x);

// The settings that make a run read the data set: file names (each `prefix`
// followed by the file name, the prefix being the data set's directory as seen
// from the working directory), ages, years, plus group, catch time, M from the
// file, and the SSB surveys and aged fleets with their times and the part of
// the stock each measures. The program takes one time for all SSB surveys; the
// first survey's time is written.
std::vector<std::pair<FieldId, std::string>> field_texts(const SimulatedStock &stock,
                                                         const std::string &prefix);

// Writes every file of the data set into `dir` (created if missing) and returns
// their paths. Throws std::runtime_error when a file cannot be written and
// std::invalid_argument when the stock has more surveys or fleets than a run
// can take.
std::vector<std::filesystem::path> write_dataset(const SimulatedStock &stock,
                                                 const std::filesystem::path &dir,
                                                 const std::string &field_prefix = "");

}  // namespace quorvane::sim
