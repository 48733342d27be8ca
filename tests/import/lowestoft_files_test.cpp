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

// The message of the InputError that reading `path` raises, or "" when it reads.
std::string table_error(const std::string& path) {
  try {
    read_lowestoft_table(path);
  } catch (const InputError& e) {
    return e.what();
  }
  return "";
}

std::string fleets_error(const std::string& path) {
  try {
    read_lowestoft_fleets(path);
  } catch (const InputError& e) {
    return e.what();
  }
  return "";
}

TEST(LowestoftTable, EachDataFormatExpandsToTheFullMatrix) {
  TempFolder dir;
  // Format 1: one row per year.
  LowestoftTable full = read_lowestoft_table(
      dir.write("full.dat", lowestoft_table(3, 2000, 2001, 2, 4, 1, "0.1 0.2 0.3\n0.4 0.5 0.6\n")));
  EXPECT_EQ(full.type, 3);
  EXPECT_EQ(full.at(2000, 2), 0.1);
  EXPECT_EQ(full.at(2001, 4), 0.6);
  // Format 2: one row for every year.
  LowestoftTable row = read_lowestoft_table(
      dir.write("row.dat", lowestoft_table(6, 2000, 2002, 1, 3, 2, "0 0.5 1\n")));
  EXPECT_EQ(row.values.size(), 3u);
  EXPECT_EQ(row.at(2002, 2), 0.5);
  EXPECT_EQ(row.at(2000, 3), 1.0);
  // Format 3: one value for every age and year.
  LowestoftTable one =
      read_lowestoft_table(dir.write("one.dat", lowestoft_table(5, 2000, 2001, 1, 3, 3, "0.2\n")));
  EXPECT_EQ(one.at(2000, 1), 0.2);
  EXPECT_EQ(one.at(2001, 3), 0.2);
  // Format 5: one value per year, for all ages.
  LowestoftTable column = read_lowestoft_table(
      dir.write("column.dat", lowestoft_table(5, 2000, 2002, 1, 2, 5, "0.3\n0.25\n0.2\n")));
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

TEST(LowestoftFleets, ReadsAgedAndBiomassFleetsAndIgnoresValuesBeyondTheAges) {
  TempFolder dir;
  const std::string path = dir.write("survey.dat",
                                     "Surveys\r\n"
                                     "102\r\n"
                                     "Q1 survey\r\n"
                                     "2000\t2001\t\r\n"
                                     "1\t1\t0\t0.25\t\r\n"
                                     "1\t2\t\r\n"
                                     "1\t10\t20\t30\r\n"  // a third value beyond the ages 1-2
                                     "2\tNA\t-1\r\n"
                                     "Acoustic biomass\r\n"
                                     "2001 2001\r\n"
                                     "1 1 0.5 0.75\r\n"
                                     "-1 -1\r\n"
                                     "1 12345.5\r\n");
  const std::vector<LowestoftFleet> fleets = read_lowestoft_fleets(path);
  ASSERT_EQ(fleets.size(), 2u);
  const LowestoftFleet& q1 = fleets[0];
  EXPECT_EQ(q1.name, "Q1 survey");
  EXPECT_EQ(q1.number, 1);
  EXPECT_FALSE(q1.biomass());
  EXPECT_EQ(q1.beta, 0.25);
  ASSERT_EQ(q1.catches[0].size(), 2u);
  EXPECT_EQ(q1.catches[0][1], 20.0);
  EXPECT_EQ(q1.effort[1], 2.0);
  EXPECT_EQ(q1.catches[1][0], kMissing);
  const LowestoftFleet& acoustic = fleets[1];
  EXPECT_TRUE(acoustic.biomass());
  EXPECT_EQ(acoustic.number, 2);
  EXPECT_EQ(acoustic.alpha, 0.5);
  EXPECT_EQ(acoustic.catches[0][0], 12345.5);
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
    const std::string error = c.fleets ? fleets_error(path) : table_error(path);
    EXPECT_EQ(error.rfind(path + ": " + c.message, 0), 0u) << c.name << ": " << error;
  }
  EXPECT_NE(table_error(dir.file("absent.dat")).find("cannot be opened"), std::string::npos);
}

TEST(LowestoftFiles, LineTwoTellsTablesFromFleetFiles) {
  TempFolder dir;
  EXPECT_EQ(
      peek_file_kind(dir.write("cw.dat", lowestoft_table(3, 2000, 2000, 1, 1, 3, "1\n"))).type, 3);
  EXPECT_EQ(peek_file_kind(dir.write("f.dat", "t\r\n103\r\n")).kind, FileKind::Fleets);
  EXPECT_EQ(peek_file_kind(dir.write("x.bib", "@Misc{a,\n  year = {2016},\n")).kind,
            FileKind::Other);
  EXPECT_EQ(peek_file_kind(dir.file("absent")).kind, FileKind::Other);
}

}  // namespace
}  // namespace quorvane::import
