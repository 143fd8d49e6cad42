#include "halftone/pixel_converters.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <vector>

#include "halftone/halftone.h"
#include "halftone_test_support.h"

using httest::Via;

namespace {

constexpr int32_t kUntouched = -1;
using Values = std::array<int32_t, 8>;

class PixelConverterTest : public ::testing::Test {
protected:
    PixelConverterTest() { httest::MarkMapsAndTables(halftone); }

    Values Convert(int32_t layout, std::array<uint8_t, 6> pixel) {
        Values v;
        v.fill(kUntouched);
        PixelConverterForLayout(layout)(&halftone, pixel.data(), v.data());
        return v;
    }

    CHalftone halftone{nullptr};
};

constexpr int32_t kFlood6 = Via(18, 255, 6);

}  // namespace

TEST_F(PixelConverterTest, EachLayoutTakesItsMapsAndTables) {
    const std::array<uint8_t, 6> p{1, 2, 3, 4, 5, 6};
    const int32_t c = Via(0, 1, 0), m = Via(1, 2, 1), y = Via(2, 3, 2), k = Via(3, 4, 3);
    const int32_t dc = Via(22, 1, 0), dm = Via(23, 2, 1), lc = Via(14, 1, 4), lm = Via(15, 2, 5);
    const int32_t x = kUntouched;
    struct Case {
        int32_t layout;
        Values expected;
    };
    const Case cases[] = {
        {1, {c, m, y, k, x, x, x, x}},
        {4, {c, m, y, k, x, x, x, x}},
        {2, {dc, dm, y, k, lc, lm, x, x}},
        {3, {dc, dm, y, Via(25, 4, 3), lc, lm, Via(17, 4, 6), x}},
        {5, {c, m, y, k, x, x, Via(18, 5, 6), Via(18, 6, 7)}},
        {6, {dc, dm, y, k, lc, lm, Via(18, 5, 6), Via(18, 6, 7)}},
        {8, {c, m, y, k, x, x, Via(18, 5, 6), x}},
        {9, {dc, dm, y, k, lc, lm, Via(18, 5, 6), x}},
        {11, {c, m, y, k, x, x, kFlood6, x}},
        {12, {dc, dm, y, k, lc, lm, kFlood6, x}},
        {14, {c, m, y, k, x, x, kFlood6, x}},
        {15, {dc, dm, y, k, lc, lm, kFlood6, x}},
        {16, {c, m, y, k, x, x, Via(18, 5, 6), Via(18, 5, 6)}},
        {17, {dc, dm, y, k, lc, lm, Via(18, 5, 6), Via(18, 5, 6)}},
        {18, {c, m, y, k, x, x, kFlood6, kFlood6}},
        {19, {dc, dm, y, k, lc, lm, kFlood6, kFlood6}},
        {20, {c, m, y, k, x, x, kFlood6, kFlood6}},
        {21, {dc, dm, y, k, lc, lm, kFlood6, kFlood6}},
        {22, {c, m, y, k, Via(14, 5, 4), Via(15, 6, 5), x, x}},
        // Black into magenta and yellow: 13 x 4 = 52, halved for magenta.
        {0, {x, 27, 54, x, x, x, x, x}},
    };
    for (const Case& t : cases) EXPECT_EQ(Convert(t.layout, p), t.expected) << "layout " << t.layout;
}

TEST_F(PixelConverterTest, EmptyPixelsGiveZerosExceptTheFullWhiteFlood) {
    // A map that sends 0 elsewhere must not be read for an empty pixel.
    for (int m = 0; m < kInputMapCount; ++m) halftone.m_aInputMap[m][0] = 999;
    const int32_t x = kUntouched;
    struct Case {
        int32_t layout;
        Values expected;
    };
    const Case cases[] = {
        {1, {0, 0, 0, 0, x, x, x, x}},   {2, {0, 0, 0, 0, 0, 0, x, x}},   {3, {0, 0, 0, 0, 0, 0, 0, x}},
        {5, {0, 0, 0, 0, x, x, 0, 0}},   {6, {0, 0, 0, 0, 0, 0, 0, 0}},   {8, {0, 0, 0, 0, x, x, 0, x}},
        {11, {0, 0, 0, 0, x, x, 0, x}},  {16, {0, 0, 0, 0, x, x, 0, 0}},  {19, {0, 0, 0, 0, 0, 0, 0, 0}},
        {22, {0, 0, 0, 0, 0, 0, x, x}},  {0, {x, 0, 0, x, x, x, x, x}},
        {14, {0, 0, 0, 0, x, x, kFlood6, x}},
        {15, {0, 0, 0, 0, 0, 0, kFlood6, x}},
        {20, {0, 0, 0, 0, x, x, kFlood6, kFlood6}},
        {21, {0, 0, 0, 0, 0, 0, kFlood6, kFlood6}},
    };
    for (const Case& t : cases) EXPECT_EQ(Convert(t.layout, {0, 0, 0, 0, 0, 0}), t.expected) << "layout " << t.layout;
    // The extra byte alone makes a pixel non-empty where it is tested.
    EXPECT_EQ(Convert(8, {0, 0, 0, 0, 5, 0})[6], Via(18, 5, 6));
    EXPECT_EQ(Convert(5, {0, 0, 0, 0, 0, 6})[7], Via(18, 6, 7));
}

TEST_F(PixelConverterTest, SingleWhiteStaysOutOfTheLimitWhileDoubleWhiteIsCut) {
    for (int m = 0; m < kInputMapCount; ++m) {
        for (int b = 0; b < kInputMapSize; ++b) halftone.m_aInputMap[m][b] = static_cast<uint16_t>(b * 16);
    }
    for (int c = 0; c < 8; ++c) {
        for (int v = 0; v < kLinTableSize; ++v) halftone.m_apLinTable[c][v] = static_cast<uint16_t>(v);
    }
    halftone.m_iInkLimit = 8190;
    const Values w = Convert(8, {255, 255, 255, 255, 255, 255});
    EXPECT_LT(w[0], 4080);
    EXPECT_EQ(w[6], 4080);
    const Values ww = Convert(5, {255, 255, 255, 255, 255, 255});
    EXPECT_LT(ww[6], 4080);
}

TEST_F(PixelConverterTest, OutOfRangeValuesReadTheTableEnds) {
    // Maps beyond 12 bits and a limit that drives colours below zero.
    for (int m = 0; m < kInputMapCount; ++m) halftone.m_aInputMap[m][255] = 65535;
    EXPECT_EQ(Convert(1, {255, 0, 0, 0, 0, 0})[0], 4095);
    for (int m = 0; m < kInputMapCount; ++m) halftone.m_aInputMap[m][200] = 4095;
    halftone.m_iInkLimit = 1;
    const Values v = Convert(1, {200, 200, 0, 200, 0, 0});
    EXPECT_EQ(v[0], halftone.m_apLinTable[0][0]);
    EXPECT_EQ(v[1], halftone.m_apLinTable[1][0]);
}

TEST_F(PixelConverterTest, SpanConvertsEveryScaleThPixelAndCopiesTheRest) {
    const std::vector<uint8_t> input{1, 2, 3, 4, 5, 6, 7, 8};  // two CMYK pixels
    std::vector<int32_t> out(4 * 4, 0);
    ConversionTask task{&halftone, input.data(), 4, out.data(), 4, 0, 4, 2, 1, nullptr, nullptr, nullptr, 0};
    ASSERT_EQ(ConvertPixelSpan(&task), 0);
    const std::vector<int32_t> first{Via(0, 1, 0), Via(1, 2, 1), Via(2, 3, 2), Via(3, 4, 3)};
    const std::vector<int32_t> second{Via(0, 5, 0), Via(1, 6, 1), Via(2, 7, 2), Via(3, 8, 3)};
    EXPECT_EQ(std::vector<int32_t>(out.begin(), out.begin() + 4), first);
    EXPECT_EQ(std::vector<int32_t>(out.begin() + 4, out.begin() + 8), first);
    EXPECT_EQ(std::vector<int32_t>(out.begin() + 8, out.begin() + 12), second);
    EXPECT_EQ(std::vector<int32_t>(out.begin() + 12, out.end()), second);

    // An eight-position converter into four values per pixel stays inside the span.
    task.layout = 6;
    task.inputBytesPerPixel = 6;
    task.scale = 1;
    task.end = 1;
    const std::vector<uint8_t> six{1, 2, 3, 4, 5, 6};
    task.input = six.data();
    EXPECT_EQ(ConvertPixelSpan(&task), 0);
    EXPECT_EQ(out[4], first[0]);  // the next pixel is left as it was

    task.start = 1;
    task.scale = 2;
    EXPECT_EQ(ConvertPixelSpan(&task), -1);  // no previous pixel to copy from

    // CMYK out of five-byte pixels: the next pixel starts five bytes on.
    const std::vector<uint8_t> five{1, 2, 3, 4, 99, 5, 6, 7, 8, 99};
    ConversionTask cmyk{&halftone, five.data(), 5, out.data(), 4, 0, 2, 1, 0, ConvertPixel_CMYK, nullptr, nullptr, 0};
    ASSERT_EQ(ConvertPixelSpan(&cmyk), 0);
    EXPECT_EQ(std::vector<int32_t>(out.begin(), out.begin() + 4), first);
    EXPECT_EQ(std::vector<int32_t>(out.begin() + 4, out.begin() + 8), second);
}

// Every cell of the channel-layout table, by ink-set class, halftone routine,
// ink-set code and output colour mode, as the printers expect it.
TEST(PixelConverterChoice, LayoutCodeOfEveryCell) {
    constexpr int32_t kModes[] = {4, 6, 7, 8, 12};
    struct Row {
        int32_t inkSetClass;
        std::vector<int32_t> routines;
        std::vector<int32_t> codes;
        std::array<int32_t, 5> layouts;  // for the modes above
    };
    const std::vector<int32_t> anyRoutine{51, 105};
    const std::vector<int32_t> anyCode{419, 420, 421, 422, 460, 464};
    const std::vector<int32_t> noWhite{422, 460, 464};
    const Row rows[] = {
        {0, anyRoutine, anyCode, {1, 2, 3, 22, 2}},
        {2, anyRoutine, anyCode, {5, 6, 6, 6, 6}},
        {16, {51}, {419}, {7, 7, 7, 7, 7}},
        {16, {51}, {420}, {10, 10, 10, 10, 10}},
        {16, {51}, {421}, {13, 13, 13, 13, 13}},
        {16, {51}, noWhite, {1, 1, 1, 1, 1}},
        {16, {105, 108}, {419}, {8, 9, 9, 9, 9}},
        {16, {105, 108}, {420}, {11, 12, 12, 12, 12}},
        {16, {105, 108}, {421}, {14, 15, 15, 15, 15}},
        {16, {105, 108}, noWhite, {1, 2, 2, 2, 2}},
        {17, anyRoutine, {419}, {16, 17, 17, 17, 17}},
        {17, anyRoutine, {420}, {18, 19, 19, 19, 19}},
        {17, anyRoutine, {421}, {20, 21, 21, 21, 21}},
        {17, anyRoutine, noWhite, {1, 2, 3, 0, 0}},
    };
    for (const Row& row : rows) {
        for (int32_t routine : row.routines) {
            for (int32_t code : row.codes) {
                for (size_t m = 0; m < std::size(kModes); ++m) {
                    EXPECT_EQ(ChannelLayoutFor(row.inkSetClass, code, kModes[m], routine), row.layouts[m])
                        << "class " << row.inkSetClass << " routine " << routine << " code " << code << " mode "
                        << kModes[m];
                }
            }
        }
    }
}

TEST(PixelConverterChoice, SelectionAndLayoutCodeAgreeButForTheClass17Exception) {
    httest::JobLog log;
    CVarnPrn job(nullptr, 1, &log);
    CHalftone halftone(&job);
    halftone.HalftoneRoutine = 105;
    const PixelConverter earlier = [](CHalftone*, const uint8_t*, int32_t*) {};
    for (int32_t model : {654, 657, 673, 656}) {          // ink-set classes 0, 2, 16, 17
        for (int32_t whiteMode : {1, 2, 3}) {             // codes 420, 421, 422
            for (int32_t mode : {4, 6, 7, 8, 12}) {
                job.m_iPrinterModell = model;
                job.m_iWhiteMode = whiteMode;
                job.m_iOutputColorMode = mode;
                halftone.m_pfnPixelConverter = earlier;
                halftone.SelectPixelConverter(&job);
                const bool exception = model == 656 && whiteMode == 3 && mode != 4 && mode != 6 && mode != 7;
                EXPECT_EQ(halftone.m_pfnPixelConverter,
                          exception ? earlier : PixelConverterForLayout(halftone.GetChannelLayout(&job)))
                    << model << " " << whiteMode << " " << mode;
            }
        }
    }
    job.m_iPrinterModell = 673;
    job.m_iWhiteMode = 1;
    job.m_iOutputColorMode = 4;
    EXPECT_EQ(halftone.GetChannelLayout(&job), 11);
    halftone.HalftoneRoutine = 51;
    EXPECT_EQ(halftone.GetChannelLayout(&job), 10);
}

// The CMYK converter through a line's prepared tables, and over a span, gives
// what it gives pixel by pixel, with and without the ink limit cutting, and
// on pixels of more bytes the same.
TEST(CmykLineTables, ConvertAsThePlainConverterUnderEveryLimit) {
    CHalftone h{nullptr};
    httest::MarkMapsAndTables(h);
    for (int m = 0; m < 4; ++m) {
        for (int b = 0; b < kInputMapSize; ++b) h.m_aInputMap[m][b] = uint16_t(std::min(4095, b * 16 + m * 40));
    }
    for (int c = 0; c < 4; ++c) {
        for (int v = 0; v < kLinTableSize; ++v) h.m_apLinTable[c][v] = uint16_t((v * (7 + c) / 8 + 13 * c) % 4096);
    }
    uint32_t seed = 1;
    std::vector<uint8_t> pixels(4 * 4096);
    for (uint8_t& b : pixels) b = uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    std::fill_n(pixels.begin() + 40, 4, 0);  // a blank pixel
    for (int32_t limit : {kInkLimitNone, 12285, 8190, 4095, 0}) {
        h.m_iInkLimit = limit;
        PrepareCmykLineTables(&h, h.m_CmykLineTables);
        std::vector<int32_t> span(pixels.size(), -1);
        ConversionTask task{&h, pixels.data(), 4, span.data(), 4, 0, 4096, 1, 1, ConvertPixel_CMYK, nullptr, nullptr, 0};
        ASSERT_EQ(ConvertPixelSpan(&task), 0);
        // Straight into channel rows of 4100 levels, pixels 3 to 4098.
        constexpr size_t kStride = 4100;
        std::vector<uint16_t> levels(4 * kStride, 0xFFFF);
        task.start = 3;
        task.end = 3 + 4096;
        ASSERT_TRUE(ConvertCmykSpanToLevels(&task, levels.data(), kStride));
        for (size_t i = 0; i < pixels.size(); i += 4) {
            int32_t plain[4], prepared[4];
            ConvertPixel_CMYK(&h, &pixels[i], plain);
            ConvertPixel_CMYKPrepared(&h, &pixels[i], prepared);
            ASSERT_TRUE(std::equal(plain, plain + 4, prepared)) << "limit " << limit << ", pixel " << i / 4;
            ASSERT_TRUE(std::equal(plain, plain + 4, &span[i])) << "limit " << limit << ", pixel " << i / 4;
            for (size_t c = 0; c < 4; ++c)
                ASSERT_EQ(levels[c * kStride + 3 + i / 4], std::min(std::max(plain[c], 0), 4095)) << "limit " << limit;
        }
        for (size_t c = 0; c < 4; ++c) {
            EXPECT_EQ(levels[c * kStride + 2], 0xFFFF);
            EXPECT_EQ(levels[c * kStride + 3 + 4096], 0xFFFF);
        }
        // Pixels of five bytes, a further channel after CMYK: the same levels.
        std::vector<uint8_t> five;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            five.insert(five.end(), pixels.begin() + ptrdiff_t(i), pixels.begin() + ptrdiff_t(i + 4));
            five.push_back(0x5A);
        }
        ConversionTask wide = task;
        wide.input = five.data();
        wide.inputBytesPerPixel = 5;
        std::vector<uint16_t> wideLevels(4 * kStride, 0xFFFF);
        ASSERT_TRUE(ConvertCmykSpanToLevels(&wide, wideLevels.data(), kStride));
        EXPECT_EQ(wideLevels, levels) << "limit " << limit;
    }

    // Any other span is left to ConvertPixelSpan, with nothing written.
    ConversionTask plain{&h, pixels.data(), 4, nullptr, 4, 0, 8, 1, 1, ConvertPixel_CMYK, nullptr, nullptr, 0};
    struct Other {
        const char* what;
        void (*change)(ConversionTask&);
    };
    const Other others[] = {
        {"scale 2", [](ConversionTask& t) { t.scale = 2; }},
        {"five channels", [](ConversionTask& t) { t.channels = 5; }},
        {"three bytes a pixel", [](ConversionTask& t) { t.inputBytesPerPixel = 3; }},
        {"another converter", [](ConversionTask& t) { t.convert = ConvertPixel_CMYKcm; }},
        {"another layout's converter", [](ConversionTask& t) { t.convert = nullptr, t.layout = 2; }},
        {"no input", [](ConversionTask& t) { t.input = nullptr; }},
    };
    for (const Other& other : others) {
        ConversionTask task = plain;
        other.change(task);
        std::vector<uint16_t> levels(4 * 8, 0xFFFF);
        EXPECT_FALSE(ConvertCmykSpanToLevels(&task, levels.data(), 8)) << other.what;
        EXPECT_EQ(levels, std::vector<uint16_t>(4 * 8, 0xFFFF)) << other.what;
    }
}
