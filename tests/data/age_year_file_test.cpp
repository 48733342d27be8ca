#include "data/age_year_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

class AgeYearFile : public ::testing::Test {
 protected:
  void SetUp() override { s_->workdir = dir_.str(); }
  void write(const std::string& name, const std::string& text) { dir_.write(name, text); }
  std::string path(const std::string& name) const { return dir_.file(name); }

  // A table whose cell for an age and year holds year * 100 + age, one year per line.
  static std::string table_text(int first_age, int last_age, int first_year, int last_year,
                                const std::string& eol = "\n") {
    std::string t = std::to_string(first_age) + " " + std::to_string(last_age) + " " +
                    std::to_string(first_year) + " " + std::to_string(last_year) + eol;
    t += "title" + eol + "source" + eol + "year ages" + eol;
    for (int y = first_year; y <= last_year; ++y) {
      t += std::to_string(y);
      for (int a = first_age; a <= last_age; ++a) t += " " + std::to_string(y * 100 + a);
      t += eol;
    }
    return t;
  }

  void read_catch(const std::string& text) {
    write("c.txt", text);
    s_->AnamefileC = "c.txt";
    read_catch_file(*s_, [] {});
  }

  testing::ScratchDir dir_;
  std::unique_ptr<RunState> s_ = std::make_unique<RunState>();
};

// Line 1 "3 13 1984 2014": ages at indices 2..12, years at 1..31, the year label at age index 1.
TEST_F(AgeYearFile, CatchFileIndicesFollowTheFirstLine) {
  s_->C(20, 50) = -7;  // outside the file's range: must keep its value
  read_catch(table_text(3, 13, 1984, 2014));
  EXPECT_EQ(s_->firstage, 3);
  EXPECT_EQ(s_->lastage, 13);
  EXPECT_EQ(s_->firstyear, 1984);
  EXPECT_EQ(s_->lastyear, 2014);
  EXPECT_EQ(s_->headC[1], 3);
  EXPECT_EQ(s_->headC[4], 2014);
  EXPECT_EQ(s_->file_years(), 31);
  EXPECT_EQ(s_->file_columns(), 12);
  EXPECT_EQ(s_->C(1, 1), 1984);
  EXPECT_EQ(s_->C(2, 1), 198403);    // age 3 in 1984
  EXPECT_EQ(s_->C(12, 31), 201413);  // age 13 in 2014
  EXPECT_EQ(s_->C(1, 31), 2014);
  EXPECT_EQ(s_->C(13, 31), 0);  // one age beyond the file: never written
  EXPECT_EQ(s_->C(20, 50), -7);
}

// The separators of the stream: a group across lines, commas, tabs, an empty item between two
// commas, CR LF and a lone CR all give the same table as one blank-separated line per year.
TEST_F(AgeYearFile, SeparatorsAndLineEndsDoNotChangeTheTable) {
  read_catch("1 2 2000 2001\nA\nB\nC\n2000 10 20\n2001 30 40\n");
  const AgeYearTable expected = s_->C;

  const std::string variants[] = {
      "1 2 2000 2001\nA\nB\nC\n2000 10\n  20\n2001\n30\n40",           // groups across lines
      "1,2,2000,2001\nA\nB\nC\n2000,10,,20\n2001,\t30,40\n",           // commas, tabs, empty item
      "1 2 2000 2001\r\nA\r\nB\r\nC\r\n2000 10 20\r\n2001 30 40\r\n",  // CR LF
      "1 2 2000 2001\rA\rB\rC\r2000 10 20\r2001 30 40\r",              // lone CR
      "\xEF\xBB\xBF"
      "1 2 2000 2001\nA\nB\nC\n2000 10 20\n2001 30 40 junk after the matrix\n",
  };
  for (const std::string& v : variants) {
    s_->C.fill(0);
    read_catch(v);
    EXPECT_EQ(s_->C, expected) << v;
  }
}

// 29 ages by 60 years is the capacity: read in full. One more age or year is refused right
// after line 1, before the settings are converted.
TEST_F(AgeYearFile, CapacityIs29AgesBy60Years) {
  read_catch(table_text(1, 29, 1901, 1960));
  EXPECT_EQ(s_->C(30, 60), 196029);
  EXPECT_EQ(s_->C(2, 1), 190101);

  bool converted = false;
  for (const std::string& text : {table_text(1, 30, 1901, 1960), table_text(1, 29, 1901, 1961)}) {
    write("c.txt", text);
    try {
      read_catch_file(*s_, [&] { converted = true; });
      ADD_FAILURE() << "a file beyond the tables was accepted";
    } catch (const InputError& e) {
      EXPECT_NE(std::string(e.what()).find(path("c.txt")), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(converted);
}

// Files that break the layout: the catalogue of tests/data/bad_input_cases.txt.

// Other tables are read with the dimensions of the C(a,y) file, whatever their own line 1 says.
TEST_F(AgeYearFile, OtherTablesTakeTheCatchFileDimensions) {
  read_catch(table_text(3, 5, 1990, 1992));
  write("w.txt",
        "7 8 1 2\nA\nB\nC\n"
        "1990 1 2 3\n1991 4 5 6\n1992 7 8 9\n");
  read_table_file(*s_, path("w.txt"), s_->W);
  EXPECT_EQ(s_->headX[1], 7);
  EXPECT_EQ(s_->headX[4], 2);
  EXPECT_EQ(s_->headC[1], 3);
  EXPECT_EQ(s_->W(2, 1), 1);  // age 3 in 1990
  EXPECT_EQ(s_->W(4, 3), 9);  // age 5 in 1992
}

TEST(ResolvePath, BothSeparatorsNameAFileInTheWorkingDirectory) {
  EXPECT_EQ(resolve_path("/data/run", "demo/c.txt"), "/data/run/demo/c.txt");
  EXPECT_EQ(resolve_path("/data/run/", "demo\\c.txt"), "/data/run/demo/c.txt");
  EXPECT_EQ(resolve_path("C:\\ORVANTE\\", "output.out"), "C:/ORVANTE/output.out");
  EXPECT_EQ(resolve_path(".", "c.txt"), "./c.txt");
}

TEST(ParseNumber, AcceptsTheNumberGrammarOnly) {
  EXPECT_EQ(parse_number("2014"), 2014.0);
  EXPECT_EQ(parse_number(" -2.5\t"), -2.5);
  EXPECT_EQ(parse_number("+.5"), 0.5);
  EXPECT_EQ(parse_number("1E3"), 1000.0);
  EXPECT_EQ(parse_number("1.5e-2"), 0.015);
  EXPECT_EQ(parse_number("0.1"), 0.1);     // correctly rounded, as the compiler reads 0.1
  EXPECT_EQ(parse_number("1E-400"), 0.0);  // too small for a double: zero, not an error
  EXPECT_EQ(parse_number("1.7976931348623157E308"), 1.7976931348623157E308);
  for (const char* bad : {"", "  ", "1,5", "inf", "nan", "-inf", "5.", ".", "-", "1E", "1E+",
                          "1E400", "-1E400", "0x10", "1 2", "--1", "1.2.3", "e5", "12abc"}) {
    EXPECT_FALSE(parse_number(bad)) << bad;
  }
}

}  // namespace
}  // namespace quorvane
