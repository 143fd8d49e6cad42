#include "halftone/ink_limit.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

namespace {

using Pixel = std::array<int32_t, 8>;

Pixel Limited(void (*limit)(int32_t*, int32_t), Pixel v, int32_t inkLimit) {
    limit(v.data(), inkLimit);
    return v;
}

int32_t Sum7(const Pixel& v) { return std::accumulate(v.begin(), v.begin() + 7, 0); }

}  // namespace

TEST(InkLimit, WorkedExamplesOfTheFourColourLimiter) {
    // Three full colours at 200 %: no black, divisor 4342.
    EXPECT_EQ(Limited(InkLimit_CMYK, {4095, 4095, 4095, 0}, 8190), (Pixel{2736, 2736, 2736, 0}));
    // Four full channels at 300 %: E = 4095, divisor 3645, black by its own share.
    EXPECT_EQ(Limited(InkLimit_CMYK, {4095, 4095, 4095, 4095}, 12285), (Pixel{2881, 2881, 2881, 3643}));
}

TEST(InkLimit, LeavesPixelsAloneAtFourHundredPercentAndBelowOneFullChannel) {
    const Pixel full{4095, 4095, 4095, 4095, 4095, 4095, 4095, 4095};
    for (auto limit : {InkLimit_CMYK, InkLimit_CMYKWW, InkLimit_CMYKcm, InkLimit_CMYKcmWW, InkLimitSix}) {
        EXPECT_EQ(Limited(limit, full, kInkLimitNone), full);
        const Pixel light{1000, 1000, 1000, 1095, 0, 0, 0, 0};  // sums to 4095
        EXPECT_EQ(Limited(limit, light, 0), light);
    }
}

TEST(InkLimit, NoValueGoesBelowZeroWhateverTheLimit) {
    // Black with two colours far above a tiny limit: the colours' cut exceeds them.
    EXPECT_EQ(Limited(InkLimit_CMYK, {4095, 4095, 0, 4095}, 100), (Pixel{0, 0, 0, 2179}));
    for (auto limit : {InkLimit_CMYK, InkLimit_CMYKWW, InkLimit_CMYKcm, InkLimit_CMYKcmWW, InkLimitSix}) {
        for (int32_t inkLimit : {0, 1, 100, 2000}) {
            Pixel v = Limited(limit, {4095, 4095, 0, 4095, 4095, 4095, 4095, 4095}, inkLimit);
            for (int32_t x : v) EXPECT_GE(x, 0);
        }
    }
}

TEST(InkLimit, LightInksLoseTwiceTheShareAndStopAtZero) {
    // S = 10000 over 200 %: E = 1810, F = 782, divisor 4342 (no black).
    EXPECT_EQ(Limited(InkLimit_CMYKcm, {2000, 2000, 2000, 0, 2000, 2000, 7, 7}, 8190),
              (Pixel{1640, 1640, 1640, 0, 1280, 1280, 7, 7}));
    const Pixel cut = Limited(InkLimit_CMYKcm, {2000, 2000, 2000, 0, 2000, 2000, 0, 0}, 0);
    EXPECT_EQ(cut[4], 0);
    EXPECT_EQ(cut[5], 0);
}

TEST(InkLimit, ExtraChannelsCountAndShrinkInTheWhiteForms) {
    const Pixel ww = Limited(InkLimit_CMYKWW, {2000, 2000, 2000, 0, 0, 0, 2000, 2000}, 8190);
    EXPECT_LT(ww[6], 2000);
    EXPECT_EQ(ww[6], ww[0]);
}

TEST(InkLimit, SixValueFormWithTheHalftonersConstants) {
    const InkLimitConstants k{4095, 4928, 3776, 4096, 4928, 1632};
    Pixel all{4095, 4095, 4095, 4095, 0, 0, 0, 0};
    InkLimit_CMYKcm6(all.data(), 12285, k);
    EXPECT_EQ(all, (Pixel{2864, 2864, 2864, 3688, 0, 0, 0, 0}));
    Pixel noBlack{3000, 3000, 3000, 0, 1000, 1000, 0, 0};
    InkLimit_CMYKcm6(noBlack.data(), 8190, k);
    EXPECT_EQ(noBlack, (Pixel{2235, 2235, 2235, 0, 745, 745, 0, 0}));
}

TEST(InkLimit, SevenInkFormTakesTheResidueOffUntilWithinFive) {
    const uint8_t inked[4] = {255, 255, 255, 255};
    Pixel v{4000, 4000, 4000, 4000, 2000, 2000, 2000, 0};
    InkLimit_CMYKcmk(v.data(), 8190, inked);
    EXPECT_EQ(v, (Pixel{969, 969, 969, 2806, 485, 485, 1506, 0}));
    EXPECT_LE(Sum7(v) - 8190, 5);

    // No yellow byte: divisor 3480; the residue rounds empty the light inks and yellow.
    const uint8_t partial[4] = {10, 10, 0, 255};
    Pixel w{1000, 1000, 0, 4095, 500, 500, 3000, 0};
    InkLimit_CMYKcmk(w.data(), 6000, partial);
    EXPECT_EQ(w, (Pixel{347, 347, 0, 3089, 0, 0, 2218, 0}));

    // Unlike the other forms it acts below one full channel's sum.
    const uint8_t thin[4] = {1, 1, 1, 0};
    Pixel small{1000, 1000, 1000, 0, 0, 0, 0, 0};
    InkLimit_CMYKcmk(small.data(), 2000, thin);
    EXPECT_LE(Sum7(small), 2005);
}
