#include "state/indices.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(RoundToInt16, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(round_to_int16(2.5), 2);
  EXPECT_EQ(round_to_int16(3.5), 4);
  EXPECT_EQ(round_to_int16(-2.5), -2);
  EXPECT_EQ(round_to_int16(2.4999999), 2);
  EXPECT_EQ(round_to_int16(1984.0 - 1984.0 + 1.0), 1);
}

TEST(RoundToInt16, RejectsValuesOutsideSixteenBits) {
  EXPECT_EQ(round_to_int16(32767.4), 32767);
  EXPECT_FALSE(round_to_int16(32767.5).has_value());  // ties to even: 32768
  EXPECT_EQ(round_to_int16(-32768.5), -32768);
  EXPECT_FALSE(round_to_int16(-32769.0).has_value());
  EXPECT_FALSE(round_to_int16(1.0 / 0.0).has_value());
}

TEST(RoundToInt32, RejectsDifferencesBeyondThirtyTwoBits) {
  EXPECT_EQ(round_to_int32(0.5), 0);
  EXPECT_EQ(round_to_int32(1.5), 2);
  EXPECT_FALSE(round_to_int32(21474.84 * 100000.0 + 100.0).has_value());
}

}  // namespace
}  // namespace quorvane
