#include "import/lowestoft_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "tests/import/import_test_support.h"

namespace quorvane::import {
namespace {

using testing::lowestoft_table;
using testing::TempFolder;

// The message of the InputError that reading `path` as a table or a fleets file raises, or "".
std::string read_error(const std::string& path, bool fleets = false) {
  return testing::error_of<InputError>(
      [&] { fleets ? (void)read_lowestoft_fleets(path) : (void)read_lowestoft_table(path); });
}

// Formats 1 (a row per year), 2 (one row for every year) and 3 (one value for every cell) are
// read by the importer's tests; format 5 gives one value per year, for all ages.
TEST(LowestoftTable, FormatFiveGivesOneValuePerYear) {
  TempFolder dir;
  LowestoftTable column = read_lowestoft_table(
      dir.write("column.dat", lowestoft_table(5, 2000, 2002, 1, 2, 5, "0.3\n0.25\n0.2\n")));
  EXPECT_EQ(column.type, 5);
  EXPECT_EQ(column.at(2000, 2), 0.3);
  EXPECT_EQ(column.at(2001, 1), 0.25);
  EXPECT_EQ(column.at(2002, 2), 0.2);
}

// As real files come: CR LF, tabs, trailing blanks and tabs, text after the header numbers,
// a blank last line, a Fortran-style "5." and a row wrapped over two lines.
TEST(LowestoftTable, ReadsTheLayoutsOfRealFiles) {
  TempFolder dir;
  const std::string path = dir.write("cn.dat",
                                     "Cod; catch numbers\t\t\r\n"
                                     "1\t2\t\t\t\r\n"
                                     "1990 1991   years\r\n"
                                     "1\t3\tages 1 to 3 \r\n"
                                     "1 matrix\r\n"
                                     "10\t20\t5.\t\r\n"
                                     "11  21 \r\n"
                                     "  31\r\n"
                                     "\r\n");
  const LowestoftTable t = read_lowestoft_table(path);
  EXPECT_EQ(t.title, "Cod; catch numbers");
  EXPECT_EQ(t.first_year, 1990);
  EXPECT_EQ(t.last_age, 3);
  EXPECT_EQ(t.at(1990, 3), 5.0);
  EXPECT_EQ(t.at(1991, 1), 11.0);
  EXPECT_EQ(t.at(1991, 3), 31.0);
}

// A bad file, the reader it is given to, and the message after "<path>: ".
struct BadFile {
  const char* name;
  bool fleets;
  std::string text;
  std::string message;
};

TEST(LowestoftFiles, BadFilesAreRejectedNamingFileLineAndToken) {
  const std::vector<BadFile> cases = {
      // Commas separate numbers, so the token is "5x".
      {"bad.dat", false, lowestoft_table(2, 2000, 2001, 1, 2, 1, "1 2\r\n3,5x\r\n"),
       "line 7: '5x' is not a number"},
      {"surplus.dat", false, lowestoft_table(2, 2000, 2000, 1, 2, 1, "1 2 3\n"),
       "line 6: '3' is one value more than the 2 of the ages 1-2 in 2000"},
      {"short.dat", false, lowestoft_table(2, 2000, 2002, 1, 2, 1, "1 2\n3 4\n"),
       "the file ends at line 7 before the values of the ages 1-2 in 2002"},
      {"f4.dat", false, lowestoft_table(2, 2000, 2000, 1, 2, 4, "1 2\n"),
       "line 5: data format 4 is none of"},
      {"years.dat", false, "t\n1 2\n1990 years\n1 2\n1\n1 2\n",
       "line 3: 'years' is not a number; the first and last year should stand here"},
      {"rev.dat", false, "t\n1 2\n1990 1980\n1 2\n1\n1 2\n", "line 3: the years 1990-1980"},
      {"count.dat", true, "t\n2\nA\n2000 2000\n1 1 0 1\n1 1\n1 5\n",
       "line 2: '2' is not the number of fleets plus 100 (101 for one fleet)"},
      {"period.dat", true, "t\n101\nA\n2000 2000\n1 1 0.8 0.2\n1 1\n1 5\n",
       "line 5: the survey period"},
      {"token.dat", true, "t\n101\nA\n2000 2001\n1 1 0 1\n1 1\n1 5\n1 O.5\n",
       "line 8: 'O.5' is not a number"},
      {"two.dat", true, "t\n102\nA\n2000 2000\n1 1 0 1\n1 1\n1 5\n",
       "line 8: the file ends where the name of fleet 2 should stand"},
  };
  TempFolder dir;
  for (const BadFile& c : cases) {
    const std::string path = dir.write(c.name, c.text);
    const std::string error = read_error(path, c.fleets);
    EXPECT_EQ(error.rfind(path + ": " + c.message, 0), 0u) << c.name << ": " << error;
  }
  EXPECT_NE(read_error(dir.file("absent.dat")).find("cannot be opened"), std::string::npos);
}

}  // namespace
}  // namespace quorvane::import
