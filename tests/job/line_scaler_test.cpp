// The paper-feed resampler against an independent overlap integral.
#include "job/line_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "job/job_test_support.h"

namespace {

using Line = std::vector<uint8_t>;

struct Collected {
    std::vector<Line> lines;
    static int Take(const uint8_t* line, uint32_t size, void* self) {
        static_cast<Collected*>(self)->lines.emplace_back(line, line + size);
        return 0;
    }
};

// Output line j covers [j, j+1) of the output axis, input line i covers
// [i*f, (i+1)*f): each output sample is the overlap-weighted sum.
std::vector<std::vector<double>> Reference(const std::vector<Line>& input, double f, size_t outputs) {
    std::vector<std::vector<double>> out(outputs, std::vector<double>(input[0].size(), 0.0));
    for (size_t j = 0; j < outputs; ++j) {
        for (size_t i = 0; i < input.size(); ++i) {
            const double overlap = std::min(double(j + 1), (i + 1) * f) - std::max(double(j), i * f);
            if (overlap <= 0) continue;
            for (size_t s = 0; s < input[i].size(); ++s) out[j][s] += input[i][s] * overlap;
        }
    }
    return out;
}

TEST(LineScaler, ResamplesLinesByTheirOverlapWithTheOutputLines) {
    std::mt19937 rng(11);
    const uint32_t channels = 3, width = 7;
    for (double f : {0.9, 0.95, 0.97, 1.03, 1.05, 1.1}) {
        std::vector<Line> input(40, Line(channels * width));
        for (Line& line : input) {
            for (uint8_t& b : line) b = static_cast<uint8_t>(rng());
        }
        const auto limit = static_cast<uint32_t>(std::lround(40 * f));
        Collected out;
        LineScaler scaler;
        ASSERT_EQ(scaler.Init(f, channels, width, limit, 0, &Collected::Take, &out), 0);
        for (const Line& line : input) ASSERT_EQ(scaler.Write(line.data(), static_cast<uint32_t>(line.size())), 0);
        // Every output line that the input covers completely is out before the flush.
        const size_t covered = static_cast<size_t>(std::floor(40 * f + 1e-9));
        EXPECT_GE(out.lines.size(), std::min<size_t>(covered, limit)) << f;
        const auto reference = Reference(input, f, out.lines.size());
        for (size_t j = 0; j < out.lines.size(); ++j) {
            for (size_t s = 0; s < out.lines[j].size(); ++s) {
                EXPECT_NEAR(out.lines[j][s], reference[j][s], 1.0) << "f " << f << " line " << j << " sample " << s;
            }
        }
        ASSERT_EQ(scaler.Flush(), 0);
        EXPECT_EQ(out.lines.size(), limit) << f;
    }
}

TEST(LineScaler, NeverSpillsPastThePagesLineCount) {
    const Line line(8, 100);
    Collected out;
    LineScaler scaler;
    // At 1.5 the second input line ends two output lines; the page has two.
    ASSERT_EQ(scaler.Init(1.5, 2, 4, 2, 0, &Collected::Take, &out), 0);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(scaler.Write(line.data(), 8), 0);
    EXPECT_EQ(out.lines.size(), 2u);
    EXPECT_EQ(scaler.AddLine(line.data(), 8), -3);
    EXPECT_EQ(scaler.Write(line.data(), 8), 0) << "lines past the limit are dropped";
    EXPECT_EQ(out.lines.size(), 2u);
}

TEST(LineScaler, RefusesWhatItCannotServe) {
    Collected out;
    LineScaler scaler;
    const Line line(16, 1);
    EXPECT_EQ(scaler.AddLine(line.data(), 16), -2);
    EXPECT_EQ(scaler.Flush(), -2);
    EXPECT_EQ(scaler.Free(), -1);
    EXPECT_EQ(scaler.Init(0.0, 4, 4, 10, 0, &Collected::Take, &out), -1);
    EXPECT_EQ(scaler.Init(1.05, 0, 4, 10, 0, &Collected::Take, &out), -1);
    EXPECT_EQ(scaler.Init(1.05, 4, 0, 10, 0, &Collected::Take, &out), -1);
    ASSERT_EQ(scaler.Init(1.05, 4, 4, 10, 0, &Collected::Take, &out), 0);
    EXPECT_EQ(scaler.AddLine(line.data(), 15), -4);
    EXPECT_EQ(scaler.AddLine(nullptr, 16), -4);
    EXPECT_EQ(scaler.Free(), 0);
    EXPECT_EQ(scaler.AddLine(line.data(), 16), -2);
}

TEST(LineScaler, HandsOutLinesAsLongAsTheReaderTakes) {
    // One channel of 4 pixels for a reader that takes 512 bytes of each line
    // (more than the line and its padding).
    struct Reader {
        unsigned sum = 0;
        static int Take(const uint8_t* line, uint32_t, void* self) {
            for (int i = 0; i < 512; ++i) static_cast<Reader*>(self)->sum += line[i];
            return 0;
        }
    } reader;
    LineScaler scaler;
    ASSERT_EQ(scaler.Init(1.05, 1, 4, 5, 512, &Reader::Take, &reader), 0);
    const Line line(4, 1);
    for (int i = 0; i < 5; ++i) scaler.Write(line.data(), 4);
    scaler.Flush();
    EXPECT_EQ(reader.sum, 5u * 4u) << "the padding beyond the line is zero";
}

class FeedClip : public JobTest {};

// 333 lines at 1.05 are 349.65: the page gets 350 lines and the factor that
// fits them exactly, not the factor asked for.
TEST_F(FeedClip, AFractionalProductGetsTheFactorOfTheRoundedHeight) {
    CVarnPrn& j = NewJob();
    j.m_iPrinterModell = 700;
    for (const auto& [factor, lines] : {std::pair{1.05, 350}, std::pair{0.95, 316}}) {
        j.m_iOutHeightPixel = 333;
        j.m_dPaperFeedAdjust = factor;
        j.ClipPaperFeedAdjust();
        EXPECT_TRUE(j.m_bPaperFeedResample);
        EXPECT_EQ(j.m_iOutHeightPixel, lines);
        EXPECT_EQ(j.m_dPaperFeedAdjust, lines / 333.0) << factor;
    }
}

TEST_F(FeedClip, AnEmptyPageKeepsItsFactor) {
    CVarnPrn& j = NewJob();
    j.m_iPrinterModell = 700;
    j.m_iOutHeightPixel = 0;
    j.m_dPaperFeedAdjust = 1.05;
    j.ClipPaperFeedAdjust();
    EXPECT_EQ(j.m_iOutHeightPixel, 0);
    EXPECT_DOUBLE_EQ(j.m_dPaperFeedAdjust, 1.05);
}

}  // namespace
