#include "halftone/planar_channel_lanes.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "halftone/planar_channel.h"
#include "planar_test_support.h"

namespace {

// A VDS3 channel halftoner on lines of `width` pixels, `channels` values apart.
struct Vds3 {
    std::unique_ptr<CPlanarOneChannel> halftoner;
    uint32_t width;
    Vds3(bool lanes, uint32_t w, uint32_t channels, uint32_t repeat, uint16_t number)
        : halftoner(CreatePlanarOne_SE1_VDS3(nullptr, &planartest::Sb53())), width(w) {
        Kind().UseLanes(lanes);
        halftoner->InitJob(channels, w, repeat, false, &number);
        halftoner->InitPage();
    }
    CPlanarOne_SE1& Kind() { return static_cast<CPlanarOne_SE1&>(*halftoner); }
    std::vector<uint8_t> Line(const std::vector<uint16_t>& values) {
        std::vector<uint8_t> row((width + 7) / 8 * 2, 0x5A);
        CPlanarLineRequest request;
        request.input = values.data();
        request.output = row.data();
        request.outputSize = row.size();
        EXPECT_EQ(halftoner->ProcessLine(request), row.size());
        return row;
    }
    std::vector<int32_t> Cells() {
        const size_t n = (width + 7) / 8 * 8 + 2;
        std::vector<int32_t> all;
        for (int r = 0; r < 3; ++r) all.insert(all.end(), Kind().ErrorRow(r), Kind().ErrorRow(r) + n);
        return all;
    }
};

// Values that wander like a picture, with light tints (the aid), the starts
// of the larger dots' curves (noise rows of their own), zeros, full ink, and
// now and then a value out of the 12-bit range.
std::vector<uint16_t> Values(std::mt19937& rng, size_t n, int kind) {
    std::vector<uint16_t> v(n);
    int level = static_cast<int>(rng() % 4096);
    for (size_t x = 0; x < n; ++x) {
        level = std::min(4095, std::max(0, level + static_cast<int>(rng() % 201) - 100));
        int value = kind == 0 ? level : kind == 1 ? static_cast<int>(rng() % 140) : 650 + static_cast<int>(rng() % 500);
        if (rng() % 97 == 0) value = rng() % 2 ? 0 : 4095;
        if (rng() % 499 == 0) value = static_cast<uint16_t>(rng());
        v[x] = static_cast<uint16_t>(value);
    }
    return v;
}

}  // namespace

TEST(PlanarChannelLanes, AidFactorDividesExactly) {
    for (int32_t a = 0; a < 96; ++a) {
        const uint32_t f = PlanarAidFactor(a);
        for (uint32_t n = 0; n <= 2047; ++n) ASSERT_EQ((n * f) >> 16, n / kHighlightDivisor[a >> 4]) << a << " " << n;
    }
    EXPECT_EQ(PlanarAidFactor(96), 0);
    EXPECT_EQ(PlanarAidFactor(4095), 0);
}

TEST(PlanarChannelLanes, LanesGiveThePlainLinesRowsCellsAndRandomPosition) {
    if (!PlanarLanesSupported()) GTEST_SKIP() << "no SIMD lanes on this processor";
    std::mt19937 rng(11);
    struct Shape {
        uint32_t width, channels, repeat;
        uint16_t number;
    };
    for (const Shape& s : {Shape{512, 1, 1, 0}, Shape{301, 4, 1, 3}, Shape{203, 2, 3, 65530}, Shape{8, 1, 2, 9}}) {
        Vds3 lanes(true, s.width, s.channels, s.repeat, s.number), plain(false, s.width, s.channels, s.repeat, s.number);
        for (int page = 0; page < 2; ++page) {
            for (int n = 0; n < 60; ++n) {
                // The converted line holds the width rounded up to 8.
                const size_t padded = (s.width + 7) / 8 * 8;
                const std::vector<uint16_t> values = Values(rng, padded * s.channels, n % 3);
                ASSERT_EQ(lanes.Line(values), plain.Line(values)) << s.width << " line " << n;
                ASSERT_EQ(lanes.Cells(), plain.Cells()) << s.width << " line " << n;
                ASSERT_EQ(lanes.Kind().RandomIndex(), plain.Kind().RandomIndex());
            }
            lanes.halftoner->InitPage();
            plain.halftoner->InitPage();
        }
    }
}

TEST(PlanarChannelLanes, TwoChannelsTogetherGiveWhatEachGivesAlone) {
    if (!PlanarLanesSupported()) GTEST_SKIP() << "no SIMD lanes on this processor";
    std::mt19937 rng(23);
    for (const uint32_t repeat : {1u, 2u}) {
        const uint32_t width = 205, padded = 208;
        // Channels 0 and 1 of a two-channel line, each against a plain halftoner.
        Vds3 first(true, width, 2, repeat, 0), second(true, width, 2, repeat, 1);
        Vds3 plainFirst(false, width, 2, repeat, 0), plainSecond(false, width, 2, repeat, 1);
        for (int n = 0; n < 40; ++n) {
            const std::vector<uint16_t> values = Values(rng, padded * 2, n % 3);
            const std::vector<uint16_t> shifted(values.begin() + 1, values.end());
            std::vector<uint8_t> rows[2] = {std::vector<uint8_t>(52, 0x5A), std::vector<uint8_t>(52, 0x5A)};
            CPlanarLineRequest requests[2];
            for (int c = 0; c < 2; ++c) {
                requests[c].input = values.data() + c;
                requests[c].output = rows[c].data();
                requests[c].outputSize = rows[c].size();
            }
            ASSERT_TRUE(CPlanarOne_SE1::ProcessLinePair(*first.halftoner, requests[0], *second.halftoner, requests[1]));
            EXPECT_EQ(requests[0].status + requests[1].status, 2);
            ASSERT_EQ(rows[0], plainFirst.Line(values)) << n;
            ASSERT_EQ(rows[1], plainSecond.Line(shifted)) << n;
            ASSERT_EQ(first.Cells(), plainFirst.Cells());
            ASSERT_EQ(second.Cells(), plainSecond.Cells());
            ASSERT_EQ(second.Kind().RandomIndex(), plainSecond.Kind().RandomIndex());
        }
    }
    // Channels of different widths, or out of step, run one by one.
    Vds3 a(true, 64, 1, 1, 0), b(true, 72, 1, 1, 0), c(true, 64, 1, 1, 0);
    CPlanarLineRequest ra, rb;
    EXPECT_FALSE(CPlanarOne_SE1::ProcessLinePair(*a.halftoner, ra, *b.halftoner, rb));
    c.Line(std::vector<uint16_t>(64, 100));
    EXPECT_FALSE(CPlanarOne_SE1::ProcessLinePair(*a.halftoner, ra, *c.halftoner, rb));
}
