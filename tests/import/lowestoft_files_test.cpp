#include "import/lowestoft_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "tests/data/case_table.h"
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

// The cases of tests/data/import_bad_files.txt.
class BadLowestoftFile : public ::testing::TestWithParam<quorvane::testing::CaseRow> {};

TEST_P(BadLowestoftFile, IsRejectedNamingFileLineAndToken) {
  quorvane::testing::CaseRow c = GetParam();
  TempFolder dir;
  const std::string path = dir.write(c["case"] + ".dat", quorvane::testing::unescaped(c["text"]));
  const std::string error = read_error(path, c["reader"] == "fleets");
  EXPECT_EQ(error.rfind(path + ": " + c["message"], 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Case, BadLowestoftFile,
    ::testing::ValuesIn(quorvane::testing::read_case_table("import_bad_files.txt")),
    quorvane::testing::case_name);

TEST(LowestoftFiles, AnAbsentFileIsNamed) {
  TempFolder dir;
  EXPECT_NE(read_error(dir.file("absent.dat")).find("cannot be opened"), std::string::npos);
}

}  // namespace
}  // namespace quorvane::import
