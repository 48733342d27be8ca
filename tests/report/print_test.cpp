#include "base/print.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

std::string blanks(int n) { return std::string(n, ' '); }

TEST(NumberStyle, NumbersHaveASignPositionAndATrailingBlank) {
  EXPECT_EQ(format_integer(5), " 5 ");
  EXPECT_EQ(format_integer(-12), "-12 ");
  EXPECT_EQ(format_integer(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808 ");
  EXPECT_EQ(format_real(12.5), " 12.5 ");
  EXPECT_EQ(format_real(2014.0), " 2014 ");
  EXPECT_EQ(format_real(1e14), " 100000000000000 ");
  // Zero, also a negative zero, has no sign.
  EXPECT_EQ(format_real(0.0), " 0 ");
  EXPECT_EQ(format_real(-0.0), " 0 ");
}

// A real below one has no leading zero (" .5 ", "-.03 ", " .00064 "): every results file of the
// reference cases holds hundreds of them, positive and negative.

TEST(NumberStyle, FifteenSignificantDigitsHideTheLastBitsOfADouble) {
  EXPECT_EQ(format_real(0.1 + 0.2), " .3 ");          // 0.30000000000000004 as a double
  EXPECT_EQ(format_real(0.9999999999999999), " 1 ");  // the carry reaches the units
  EXPECT_EQ(format_real(123456789012345.6), " 123456789012346 ");
  EXPECT_EQ(format_real(-2.718281828459045), "-2.71828182845905 ");
  EXPECT_EQ(format_real(100.0 / 3.0), " 33.3333333333333 ");
}

TEST(NumberStyle, ExponentFormOnlyOutsideTheFifteenDigitRange) {
  EXPECT_EQ(format_real(1e15), " 1E+15 ");
  EXPECT_EQ(format_real(-2.5e17), "-2.5E+17 ");
  EXPECT_EQ(format_real(1.5e-16), " 1.5E-16 ");
  EXPECT_EQ(format_real(1e300), " 1E+300 ");
  EXPECT_EQ(format_real(999999999999999.0), " 999999999999999 ");
  EXPECT_EQ(format_real(1e-15), " .000000000000001 ");
  // Reaches 1E15 only once rounded to 15 digits: written as the rounded value.
  EXPECT_EQ(format_real(999999999999999.9), " 1E+15 ");
  EXPECT_THROW(format_real(std::nan("")), ArithmeticFault);
  EXPECT_THROW(format_real(std::numeric_limits<double>::infinity()), ArithmeticFault);
}

TEST(PatternRounding, RoundsHalfAwayFromZeroToTheDecimalsAfterThePoint) {
  EXPECT_EQ(pattern_decimals("##0."), 0);
  EXPECT_EQ(pattern_decimals("###0.#######"), 7);
  EXPECT_EQ(rounded(0.12345678, "#.#######"), 0.1234568);
  EXPECT_EQ(rounded(2014.0, "####"), 2014.0);
  EXPECT_EQ(rounded(-2.5, "##0."), -3.0);
  EXPECT_EQ(rounded(0.125, "########0.##"), 0.13);  // an exact binary half
  EXPECT_EQ(rounded(1234567.891, "########0.##"), 1234567.89);
  // A value that rounds to nothing is a positive zero.
  EXPECT_EQ(format_real(rounded(0.00004, "#.###")), " 0 ");
  const double r = rounded(-0.000004, "#0.#####");
  EXPECT_FALSE(std::signbit(r));
  EXPECT_EQ(format_real(r), " 0 ");
}

TEST(PrintStatement, SemicolonAndZoneSeparators) {
  PrintBuffer out;
  out.integer(7).text("a").end_line();
  EXPECT_EQ(out.str(), " 7 a\r\n");
  out.clear();
  out.text("ab").zone();
  EXPECT_EQ(out.column(), 15);
  out.zone();                          // at a zone start it still moves on
  out.text("123456789012345").zone();  // column 44 -> 57
  EXPECT_EQ(out.str(), "ab" + blanks(26) + "123456789012345" + blanks(13));
}

TEST(PrintStatement, TabPadsStaysOrBreaksTheLine) {
  PrintBuffer out;
  // The 32-character label then Tab(45): twelve blanks, the value's sign blank at column 45.
  out.text("portion of catch - controlled = ").tab(45).real(0.5).end_line();
  EXPECT_EQ(out.str(), "portion of catch - controlled = " + blanks(12) + " .5 \r\n");
  out.clear();
  out.text("1234").tab(5).text("x").tab(0).end_line();  // Tab(0) is Tab(1): a new line
  EXPECT_EQ(out.str(), "1234x\r\n\r\n");
  out.clear();
  // "Year\age" with "," leaves column 15; Tab(11) ends the line and starts the next at 11.
  out.text("Year\\age").zone().tab(11).real(3.0).end_line();
  EXPECT_EQ(out.str(), "Year\\age" + blanks(6) + "\r\n" + blanks(10) + " 3 \r\n");
}

TEST(PrintFile, WritesCrLfLinesCreatesAnewAndAppendsAtColumnOne) {
  testing::ScratchDir dir;
  const std::string path = dir.file("out.txt");
  const auto slurp = [&] { return testing::slurp(path); };
  PrintFile f;
  f.create(path);
  f.text("x").zone().integer(2).end_line();
  f.text("abc");  // line left open
  f.close();
  f.append(path);
  f.tab(3).real(1.5).end_line();
  f.close();
  EXPECT_EQ(slurp(), "x" + blanks(13) + " 2 \r\nabc   1.5 \r\n");
  f.create(path);
  f.close();
  EXPECT_EQ(slurp(), "");

  // A file that cannot be opened is an input fault; that its message names the path, the bad
  // inputs catalogue shows (ResultsFileUnderAFile).
  const std::string bad = dir.file("no_such_dir/results.out");
  EXPECT_THROW(f.create(bad), InputError);
  EXPECT_THROW(f.append(bad), InputError);
}

}  // namespace
}  // namespace quorvane
