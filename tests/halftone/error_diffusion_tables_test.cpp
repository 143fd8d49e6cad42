#include "halftone/error_diffusion_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(RuntimeRandom, ReproducesTheCRuntimeSequence) {
    // The first values of the C runtime's rand() after srand(1).
    RuntimeRandom random;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int value : expected) EXPECT_EQ(random.Next(), value);

    RuntimeRandom reseeded(12345);
    const int first = reseeded.Next();
    reseeded.Seed(12345);
    EXPECT_EQ(reseeded.Next(), first);
}

TEST(RandomTable, DefaultTableIsFixedAndHoldsValuesZeroToEight) {
    EXPECT_EQ(RandomTableSeed(false), 1u);
    auto table = BuildRandomTable(false);
    ASSERT_TRUE(table);
    // 41, 18467, 6334, 26500, 19169 mod 9.
    EXPECT_EQ(table[0], 5);
    EXPECT_EQ(table[1], 8);
    EXPECT_EQ(table[2], 7);
    EXPECT_EQ(table[3], 4);
    EXPECT_EQ(table[4], 8);
    std::vector<int> histogram(9, 0);
    for (size_t i = 0; i < kRandomTableSize; ++i) {
        ASSERT_LE(table[i], 8);
        ++histogram[table[i]];
    }
    for (int count : histogram) EXPECT_NEAR(count, 65536 / 9, 400);

    auto again = BuildRandomTable(false);
    EXPECT_TRUE(std::equal(table.get(), table.get() + kRandomTableSize, again.get()));

    std::vector<uint8_t> other(kRandomTableSize);
    FillRandomTable(other.data(), 2);
    EXPECT_FALSE(std::equal(table.get(), table.get() + kRandomTableSize, other.begin()));
}

TEST(NoiseBase, RowsFollowTheirShape) {
    for (int column = 0; column < kNoiseColumns; ++column) {
        EXPECT_EQ(NoiseBase(0, column), 0);
        EXPECT_EQ(NoiseBase(4095, column), 0);
        EXPECT_EQ(NoiseBase(64, column), -64 + 16 * column);
        EXPECT_EQ(NoiseBase(4094, column), -64 + 16 * column);
    }
    // Rows 1 to 63 run from -L to L with 0 in the middle; the inner columns
    // stay close to the straight fractions of L.
    const double fraction[kNoiseColumns] = {-1, -0.75, -0.5, -0.25, 0, 0.25, 0.5, 0.75, 1};
    const double slack[kNoiseColumns] = {0, 6, 4, 1, 0, 1, 2, 5, 0};
    for (int level = 1; level < 64; ++level) {
        for (int column = 0; column < kNoiseColumns; ++column)
            EXPECT_LE(std::fabs(NoiseBase(level, column) - fraction[column] * level), slack[column])
                << "level " << level << " column " << column;
    }
    const int row48[] = {-48, -32, -24, -12, 0, 12, 25, 32, 48};
    const int row16[] = {-16, -8, -5, -4, 0, 4, 6, 8, 16};
    for (int column = 0; column < kNoiseColumns; ++column) {
        EXPECT_EQ(NoiseBase(48, column), row48[column]);
        EXPECT_EQ(NoiseBase(16, column), row16[column]);
    }
    EXPECT_EQ(NoiseBase(-1, 0), 0);
    EXPECT_EQ(NoiseBase(4096, 0), 0);
    EXPECT_EQ(NoiseBase(10, 9), 0);
}

TEST(NoiseTable, BaseTimesTheBandMultiplierAtEveryBandEdge) {
    const struct {
        int level;
        int multiplier;
    } edges[] = {{0, 1},    {127, 1},  {128, 2},  {511, 2},  {512, 3},  {1023, 3}, {1024, 4},
                 {1279, 4}, {1280, 5}, {1835, 5}, {1836, 7}, {1964, 7}, {2243, 7}, {2244, 6},
                 {2371, 6}, {2372, 5}, {3839, 5}, {3840, 7}, {3967, 7}, {3968, 9}, {4095, 9}};
    for (const auto& edge : edges) EXPECT_EQ(NoiseBandMultiplier(edge.level), edge.multiplier) << edge.level;

    auto table = std::make_unique<NoiseTable>();
    BuildNoiseTable(*table);
    EXPECT_EQ(table->value[4094][8], 576);
    EXPECT_EQ(table->value[4094][0], -576);
    EXPECT_EQ(table->value[1836][1], -48 * 7);
    EXPECT_EQ(table->value[63][7], 47);
    EXPECT_EQ(table->value[100][2], -32);
    for (int column = 0; column < kNoiseColumns; ++column) {
        EXPECT_EQ(table->value[0][column], 0);
        EXPECT_EQ(table->value[4095][column], 0);
    }
}
