// Arithmetic faults met inside a run, on data that lead there as a scientist's data can: the run
// stops where the fault arises with a message naming the procedure and, where known, the age
// and year; the batch runner exits 1; no file holds a value that is not finite.
#include <gtest/gtest.h>

#include <string>

#include "robustness/batch_workdir.h"

namespace quorvane::testing {
namespace {

using enum ResultsFile;

// tiny/: ages 1-3, years 2001-2003, M = 0, catch at the start of the year, no smoothing,
// Method 3, effort-controlled. Age 1 is caught heavily; the factors that the first pass
// estimates give it in 2002 an exploitation rate s f that rounds to exactly 1, and the
// effort-controlled stock N' e^M / (1 - s f) divides by zero there.
const BadInput kFaults[] = {
    {"ExploitationRateOfOneInModeTwo", "", 1,
     "CALCSTOCK: division by zero: the exploitation rate s(a,y)*f(y) is 1 at age 1, year 2002",
     Emptied, "tiny"},
    // Mode 3 with no weight on the catch-controlled solution takes the same path.
    {"ExploitationRateOfOneInModeThree", "--set Text14=3 --set Text15=0", 1,
     "CALCSTOCK: division by zero: the exploitation rate s(a,y)*f(y) is 1 at age 1, year 2002",
     Emptied, "tiny"},
    // A scan of the terminal f from 0: the point equation of the last year divides by s f = 0.
    {"TerminalFOfZero", "--set Text17=0", 1,
     "CALCSTOCK: division by zero: s(a,y)*f(y) = 0 in the point equation at age 1, year 2006",
     Emptied},
    // -1 typed for a missing catch at age 1 in 2002: the exploitation rate implied by a
    // negative catch is 0, and Method 2 takes its logarithm.
    {"NegativeCatchUnderMethodTwo", "--set Text1=c_negative_catch.txt", 1,
     "CALCSTOCKALL: logarithm of a non-positive or non-finite number at age 1, year 2002", Emptied},
    // No fish mature in 2006, a year the SSB survey observes: the model SSB there is 0.
    {"ModelSsbZeroInAnObservedYear", "--set Text37=mat_none_mature_2006.txt", 1,
     "calcSSESSB: logarithm of a non-positive or non-finite number in year 2006", Emptied},
    // Ages 1-3 by years 2001-2005 give 15 catch residuals; a window of 16 cannot be centred.
    {"CentralWindowLargerThanTheSample", "--set Text33=16", 1,
     "mediana: the sample of 15 residuals is smaller than the central window of 16", Emptied},
};

class ArithmeticFaultInARun : public ::testing::TestWithParam<BadInput> {};

TEST_P(ArithmeticFaultInARun, StopsWhereItArisesWithoutNonFiniteValues) {
  expect_answer(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Fault, ArithmeticFaultInARun, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

// The valid neighbours of the faults run through: the same tiny stock catch-controlled, and a
// window exactly as large as the sample.
TEST(ArithmeticFaultNeighbours, ValidInputsNextToTheFaultsComplete) {
  expect_answer({"CatchControlled", "--set Text14=1", 0, "", Written, "tiny"});
  expect_answer({"WindowAsLargeAsTheSample", "--set Text33=14", 0, "", Written});
}

}  // namespace
}  // namespace quorvane::testing
