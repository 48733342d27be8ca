#include "report/csv_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"

namespace quorvane {
namespace {

std::string message_of(const std::string& text) {
  try {
    const CsvFile file = parse_csv(text, "t/summary.csv");
    const int year = required_column(file, "year");
    const std::optional<int> ssb = optional_column(file, "ssb");
    for (const CsvRow& row : file.rows) {
      whole_cell(file, row, year);
      number_cell(file, row, ssb);
    }
  } catch (const InputError& e) {
    return e.what();
  }
  return "";
}

TEST(CsvReader, QuotedCellsCrlfAndBlankLinesKeepTheLineNumbersOfTheFile) {
  // Line 2 holds a quoted cell with a comma, a doubled quote and a line break, so the next
  // row starts on line 4; the blank line 5 is skipped and the last row is on line 6.
  const CsvFile file = parse_csv("name,value\r\n\"a, \"\"b\"\"\nc\",1\r\nd,\r\n\r\ne,2", "x.csv");
  ASSERT_EQ(file.rows.size(), 3u);
  EXPECT_EQ(file.rows[0].cells[0], "a, \"b\"\nc");
  EXPECT_EQ(file.rows[1].line, 4);
  EXPECT_EQ(file.rows[1].cells[1], "");
  EXPECT_EQ(file.rows[2].line, 6);
  EXPECT_EQ(file.rows[2].cells[1], "2");
  EXPECT_FALSE(number_cell(file, file.rows[1], 1).has_value());
  EXPECT_EQ(number_cell(file, file.rows[2], 1), 2.0);
}

TEST(CsvReader, MalformedTablesAreNamedByFileLineAndToken) {
  EXPECT_EQ(message_of("year,ssb\n1990,12\n1991,1x2\n"),
            "t/summary.csv: line 3: '1x2' is not a number");
  EXPECT_EQ(message_of("year,ssb\n1990.5,12\n"),
            "t/summary.csv: line 2: '1990.5' is not a whole number");
  EXPECT_EQ(message_of("year,ssb\n,12\n"),
            "t/summary.csv: line 2: an empty cell where a whole number is needed (column "
            "'year')");
  EXPECT_EQ(message_of("yr,ssb\n1990,12\n"),
            "t/summary.csv: line 1: no column 'year' in the header");
  EXPECT_EQ(message_of("year,ssb\n1990,12,3\n"),
            "t/summary.csv: line 2: 3 cells where the header has 2");
  EXPECT_EQ(message_of("year,ssb\n1990,\"12\n"),
            "t/summary.csv: line 2: a quoted cell is not closed");
  EXPECT_EQ(message_of(""), "t/summary.csv: the file is empty; a header row is needed");
}

}  // namespace
}  // namespace quorvane
