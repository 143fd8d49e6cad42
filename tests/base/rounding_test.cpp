#include "base/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Rounding, HalvesGoAwayFromZeroAndResultsClampTo32Bits) {
    EXPECT_EQ(RoundToInt32(2.5), 3);
    EXPECT_EQ(RoundToInt32(-2.5), -3);
    EXPECT_EQ(RoundToInt32(2.4999999), 2);
    EXPECT_EQ(RoundToInt32(-0.5), -1);
    EXPECT_EQ(RoundToInt32(3e9), 2147483647);
    EXPECT_EQ(RoundToInt32(-3e9), -2147483647 - 1);
    EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::infinity()), 2147483647);
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
}

TEST(Rounding, MagnitudesBeyond2To52AreReturnedUnchanged) {
    const double big = 4503599627370496.0;  // 2^52: adding 0.5 would round to even
    EXPECT_EQ(RoundHalfAwayFromZero(big + 1), big + 1);
    EXPECT_EQ(RoundHalfAwayFromZero(-(big + 1)), -(big + 1));
    // Just below the boundary the halves still round away from zero.
    EXPECT_EQ(RoundHalfAwayFromZero(1125899906842623.5), 1125899906842624.0);
}

TEST(Rounding, MultiplesAndFractions) {
    EXPECT_EQ(RoundToMultiple(7.0, 4), 8.0);
    EXPECT_EQ(RoundToMultiple(7.0, 0), 7.0);
    EXPECT_EQ(RoundToMultiple(-6.0, 4), -8.0);
    EXPECT_EQ(RoundToFraction(0.125, 4), 0.25);
    EXPECT_EQ(RoundToFraction(0.125, -1), 0.125);
}

TEST(Rounding, EpsilonCeilingAndFloorForgiveRepresentationError) {
    EXPECT_EQ(CeilToInt32Eps(3.0000000001, 1e-9), 3);
    EXPECT_EQ(CeilToInt32Eps(3.1, 1e-9), 4);
    EXPECT_EQ(FloorToInt32Eps(2.9999999999, 1e-9), 3);
    EXPECT_EQ(FloorToInt32Eps(-2.5, 0), -3);
    EXPECT_EQ(CeilToInt32Eps(1e12, 0), 2147483647);
}
