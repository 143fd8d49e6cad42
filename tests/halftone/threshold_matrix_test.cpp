#include "halftone/threshold_matrix.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/text_error.h"

TEST(ThresholdPacking, UnpacksAGroupByTheTwelveBitLayout) {
    // Words 0xA123, 0xB456, 0xC789: values 0x123, 0x456, 0x789 and 0xCBA.
    const uint8_t group[6] = {0x23, 0xA1, 0x56, 0xB4, 0x89, 0xC7};
    uint16_t out[4] = {};
    UnpackThresholdValues(group, 1, out);
    EXPECT_EQ(out[0], 0x123);
    EXPECT_EQ(out[1], 0x456);
    EXPECT_EQ(out[2], 0x789);
    EXPECT_EQ(out[3], 0xCBA);
    EXPECT_EQ(PackThresholdValues({0x123, 0x456, 0x789, 0xCBA}), std::vector<uint8_t>(group, group + 6));
}

TEST(ThresholdPacking, RoundTripsRandomValuesPaddingTheLastGroup) {
    std::mt19937 rng(11);
    std::vector<uint16_t> values(4001);
    for (auto& v : values) v = static_cast<uint16_t>(rng() & 0xFFF);
    const std::vector<uint8_t> packed = PackThresholdValues(values);
    ASSERT_EQ(packed.size(), 1001u * 6);
    std::vector<uint16_t> out(1001 * 4, 0xFFFF);
    UnpackThresholdValues(packed.data(), 1001, out.data());
    EXPECT_EQ(std::vector<uint16_t>(out.begin(), out.begin() + 4001), values);
    EXPECT_EQ(out[4001], 0);
    EXPECT_EQ(out[4003], 0);
}

TEST(ThresholdMatrix, ChoosesTheMatrixByTheResolutionRatio) {
    const ThresholdMatrix a = LoadThresholdMatrix(360, 720);
    EXPECT_EQ(a.width, 257);
    EXPECT_EQ(a.height, 257);
    EXPECT_EQ(a.values.size(), 66052u);
    const ThresholdMatrix b = LoadThresholdMatrix(720, 720);
    EXPECT_EQ(b.width, 257);
    const ThresholdMatrix c = LoadThresholdMatrix(1440, 720);
    EXPECT_EQ(c.width, 367);
    EXPECT_EQ(c.height, 179);
    EXPECT_EQ(c.values.size(), 65696u);
    EXPECT_EQ(PackedThresholdMatrix257x257().size(), 16513u * 6);
    EXPECT_EQ(PackedThresholdMatrix367x179().size(), 16424u * 6);
    EXPECT_THROW(LoadThresholdMatrix(720, 0), TextError);
    EXPECT_THROW(LoadThresholdMatrix(720, -720), TextError);
}

TEST(ThresholdMatrix, UsesEveryLevelEvenlyAndSpreadsThemAcrossTheCells) {
    for (const ThresholdMatrix& m : {LoadThresholdMatrix(720, 720), LoadThresholdMatrix(1440, 720)}) {
        const size_t n = static_cast<size_t>(m.width) * m.height;
        std::vector<int> histogram(4096, 0);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_LT(m.values[i], 4096);
            ++histogram[m.values[i]];
        }
        const int low = static_cast<int>(n / 4096);
        for (int count : histogram) {
            EXPECT_GE(count, low);
            EXPECT_LE(count, low + 1);
        }
        // At ink level 1/4 (threshold below 1024) every 8 x 8 window of the
        // matrix prints, and none prints solid: the dots do not clump.
        for (int y0 = 0; y0 + 8 <= m.height; y0 += 8) {
            for (int x0 = 0; x0 + 8 <= m.width; x0 += 8) {
                int on = 0;
                for (int y = y0; y < y0 + 8; ++y) {
                    for (int x = x0; x < x0 + 8; ++x) on += m.values[static_cast<size_t>(y) * m.width + x] < 1024;
                }
                EXPECT_GT(on, 4);
                EXPECT_LT(on, 28);
            }
        }
        // The padding after the matrix is zero.
        for (size_t i = n; i < m.values.size(); ++i) EXPECT_EQ(m.values[i], 0);
    }
}

namespace {
uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ULL;
    return h;
}
}  // namespace

// The matrices are made by a fixed rule, never at random: the same bytes in
// every run and every build, so a job screens alike wherever it runs.
TEST(ThresholdMatrix, BuiltInMatricesAreFixed) {
    EXPECT_EQ(Fnv1a(PackedThresholdMatrix257x257()), 0xC15D39C0E9C134BDULL);
    EXPECT_EQ(Fnv1a(PackedThresholdMatrix367x179()), 0x4DCD8BC1B57C9021ULL);
}
