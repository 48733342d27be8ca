#include "report/print.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "state/errors.h"

namespace quorvane {
namespace {

std::string slurp(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempDir {
public:
  TempDir() {
    path_ =
        std::filesystem::temp_directory_path() /
        ("quorvane_print_" +
         std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::filesystem::path &path() const { return path_; }

private:
  std::filesystem::path path_;
};

TEST(NumberStyle, IntegersHaveASignPositionAndATrailingBlank) {
  EXPECT_EQ(format_integer(5), " 5 ");
  EXPECT_EQ(format_integer(-12), "-12 ");
  EXPECT_EQ(format_integer(0), " 0 ");
  EXPECT_EQ(format_integer(std::numeric_limits<std::int64_t>::min()),
            "-9223372036854775808 ");
}

TEST(NumberStyle, RealsDropTrailingZerosAndThePointWhenNothingFollows) {
  EXPECT_EQ(format_real(12.5), " 12.5 ");
  EXPECT_EQ(format_real(2014.0), " 2014 ");
  EXPECT_EQ(format_real(-7.0), "-7 ");
  EXPECT_EQ(format_real(1e14), " 100000000000000 ");
  EXPECT_EQ(format_real(1234.5678), " 1234.5678 ");
}

TEST(NumberStyle, RealsBelowOneHaveNoLeadingZero) {
  EXPECT_EQ(format_real(0.5), " .5 ");
  EXPECT_EQ(format_real(-0.03), "-.03 ");
  EXPECT_EQ(format_real(0.000123), " .000123 ");
  EXPECT_EQ(format_real(-0.1234568), "-.1234568 ");
}

TEST(NumberStyle, ZeroIsWrittenWithoutSignEvenWhenNegative) {
  EXPECT_EQ(format_real(0.0), " 0 ");
  EXPECT_EQ(format_real(-0.0), " 0 ");
}

TEST(NumberStyle, FifteenSignificantDigitsHideTheLastBitsOfADouble) {
  // 0.1 + 0.2 is 0.30000000000000004 as a double; at 15 digits it is .3.
  EXPECT_EQ(format_real(0.1 + 0.2), " .3 ");
  // 1 - 1E-16 rounds up at the 15th digit: the carry makes it 1.
  EXPECT_EQ(format_real(0.9999999999999999), " 1 ");
  // Sixteen digits: the last one is rounded away (…5.6 -> …6).
  EXPECT_EQ(format_real(123456789012345.6), " 123456789012346 ");
  EXPECT_EQ(format_real(-2.718281828459045), "-2.71828182845905 ");
  // 1/3 keeps exactly fifteen threes.
  EXPECT_EQ(format_real(1.0 / 3.0), " .333333333333333 ");
  EXPECT_EQ(format_real(100.0 / 3.0), " 33.3333333333333 ");
}

TEST(NumberStyle, ExponentFormOnlyOutsideTheFifteenDigitRange) {
  EXPECT_EQ(format_real(1e15), " 1E+15 ");
  EXPECT_EQ(format_real(-2.5e17), "-2.5E+17 ");
  EXPECT_EQ(format_real(1.5e-16), " 1.5E-16 ");
  EXPECT_EQ(format_real(1e300), " 1E+300 ");
  // Just inside the range: plain notation.
  EXPECT_EQ(format_real(999999999999999.0), " 999999999999999 ");
  EXPECT_EQ(format_real(1e-15), " .000000000000001 ");
  EXPECT_EQ(format_real(1.25e-7), " .000000125 ");
  // A value that reaches 1E15 only at 15 digits is written as the rounded
  // value, 1E+15.
  EXPECT_EQ(format_real(999999999999999.9), " 1E+15 ");
}

TEST(NumberStyle, ValuesThatCannotBeWrittenAreAFault) {
  EXPECT_THROW(format_real(std::nan("")), ArithmeticFault);
  EXPECT_THROW(format_real(std::numeric_limits<double>::infinity()),
               ArithmeticFault);
}

TEST(PatternRounding, CountsOnlyPlaceholdersAfterThePoint) {
  EXPECT_EQ(pattern_decimals("####"), 0);
  EXPECT_EQ(pattern_decimals("##0."), 0);
  EXPECT_EQ(pattern_decimals("#.###"), 3);
  EXPECT_EQ(pattern_decimals("#0.#####"), 5);
  EXPECT_EQ(pattern_decimals("###0.#######"), 7);
  EXPECT_EQ(pattern_decimals("########0.##"), 2);
}

TEST(PatternRounding, RoundsHalfAwayFromZeroToThePatternsDecimals) {
  EXPECT_EQ(rounded(0.12345678, "#.#######"), 0.1234568);
  EXPECT_EQ(format_real(rounded(0.12345678, "#.#######")), " .1234568 ");
  EXPECT_EQ(rounded(2014.0, "####"), 2014.0);
  EXPECT_EQ(rounded(2.5, "##0."), 3.0);
  EXPECT_EQ(rounded(-2.5, "##0."), -3.0);
  // 0.125 is exact in binary: a true half, away from zero.
  EXPECT_EQ(rounded(0.125, "########0.##"), 0.13);
  EXPECT_EQ(rounded(-0.125, "########0.##"), -0.13);
  EXPECT_EQ(rounded(1234567.891, "########0.##"), 1234567.89);
}

TEST(PatternRounding, AValueThatRoundsToNothingIsAPositiveZero) {
  EXPECT_EQ(format_real(rounded(0.00004, "#.###")), " 0 ");
  const double r = rounded(-0.000004, "#0.#####");
  EXPECT_EQ(r, 0.0);
  EXPECT_FALSE(std::signbit(r));
  EXPECT_EQ(format_real(r), " 0 ");
}

TEST(PrintStatement, SemicolonJoinsItemsWithoutSpace) {
  PrintBuffer out;
  out.integer(7).text("a").end_line();
  EXPECT_EQ(out.str(), " 7 a\r\n");
}

TEST(PrintStatement, ZoneMovesToTheNextFourteenColumnStop) {
  PrintBuffer out;
  out.text("ab").zone();
  EXPECT_EQ(out.column(), 15);
  out.zone(); // at a zone start: still moves on to the next one
  EXPECT_EQ(out.column(), 29);
  out.text("123456789012345").zone(); // column 44 -> 57
  EXPECT_EQ(out.column(), 57);
  EXPECT_EQ(out.str(), "ab" + std::string(12, ' ') + std::string(14, ' ') +
                           "123456789012345" + std::string(13, ' '));
}

TEST(PrintStatement, TabPadsStaysOrBreaksTheLine) {
  {
    // The 32-character label then Tab(45): twelve blanks, the value's sign
    // blank at column 45.
    PrintBuffer out;
    out.text("portion of catch - controlled = ").tab(45).real(0.5).end_line();
    EXPECT_EQ(out.str(), "portion of catch - controlled = " +
                             std::string(12, ' ') + " .5 \r\n");
  }
  {
    PrintBuffer out;
    out.text("1234").tab(5).text("x");
    EXPECT_EQ(out.str(), "1234x");
  }
  {
    // Tab(0) and Tab(-3) are Tab(1): at column 1 nothing is written.
    PrintBuffer out;
    out.tab(0).tab(-3).text("y");
    EXPECT_EQ(out.str(), "y");
  }
  {
    // "Year\age" with "," leaves column 15; Tab(11) ends the line and starts
    // the next at 11.
    PrintBuffer out;
    out.text("Year\\age").zone().tab(11).real(3.0).end_line();
    EXPECT_EQ(out.str(), "Year\\age" + std::string(6, ' ') + "\r\n" +
                             std::string(10, ' ') + " 3 \r\n");
  }
}

TEST(PrintStatement, ALineEndReturnsToColumnOne) {
  PrintBuffer out;
  out.text("abc").end_line();
  EXPECT_EQ(out.column(), 1);
  out.tab(3).text("d").end_line();
  EXPECT_EQ(out.str(), "abc\r\n  d\r\n");
}

TEST(PrintFile, WritesCrLfLinesAndAppendsAtAFreshColumn) {
  TempDir dir;
  const std::string path = (dir.path() / "out.txt").string();
  {
    PrintFile f;
    f.create(path);
    f.text("x").zone().integer(2).end_line();
    f.text("abc"); // line left open
    f.close();
    EXPECT_FALSE(f.is_open());
    f.append(path);
    EXPECT_EQ(f.column(), 1);
    f.tab(3).real(1.5).end_line();
  }
  EXPECT_EQ(slurp(path), "x" + std::string(13, ' ') + " 2 \r\nabc   1.5 \r\n");

  // Creating again replaces the old content.
  PrintFile f;
  f.create(path);
  f.text("new").end_line();
  f.close();
  EXPECT_EQ(slurp(path), "new\r\n");
}

TEST(PrintFile, AFileThatCannotBeOpenedNamesItsPath) {
  TempDir dir;
  const std::string path =
      (dir.path() / "no_such_dir" / "results.out").string();
  PrintFile f;
  try {
    f.create(path);
    FAIL() << "expected InputError";
  } catch (const InputError &e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_THROW(f.append(path), InputError);
  EXPECT_FALSE(f.is_open());
}

} // namespace
} // namespace quorvane
