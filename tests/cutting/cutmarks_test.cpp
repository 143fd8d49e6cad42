#include "cutting/cutmarks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/text_error.h"

namespace {

// Rows as the page code receives them; fails the call numbered failAt (1-based).
struct RowSink {
    std::vector<std::vector<uint8_t>> rows;
    int failAt = 0;
    static int Write(void* context, const uint8_t* row, uint32_t size) {
        auto* sink = static_cast<RowSink*>(context);
        if (static_cast<int>(sink->rows.size()) + 1 == sink->failAt) return 1;
        sink->rows.emplace_back(row, row + size);
        return 0;
    }
};

MimakiCutmarksGeneratorParams Params(RowSink* sink, int width, int height, int dpi = 720, int bits = 1) {
    MimakiCutmarksGeneratorParams p;
    p.pfnWriteRow = RowSink::Write;
    p.pContext = sink;
    p.iResolutionX = p.iResolutionY = dpi;
    p.iImageWidth = width;
    p.iImageHeight = height;
    p.iBitsPerPixel = bits;
    return p;
}

std::string Refusal(const MimakiCutmarksGeneratorParams& params) {
    try {
        CreateMimakiCutmarksGenerator(params);
    } catch (const TextError& e) {
        return e.what();
    }
    return "accepted";
}

// Pixel values of a packed row, most significant bits first.
std::vector<int> Pixels(const std::vector<uint8_t>& row, int bits, size_t count) {
    std::vector<int> out;
    for (size_t i = 0; i < count; ++i) {
        const size_t bit = i * bits;
        out.push_back((row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1));
    }
    return out;
}

// Where a row's marked pixels stand: the count set at its start and at its
// end, and whether all pixels in between are clear.
struct Marked {
    size_t head = 0, tail = 0;
    bool clearBetween = true;
};

Marked Read(const std::vector<int>& pixels) {
    Marked m;
    const int on = pixels.front();
    while (m.head < pixels.size() && pixels[m.head] == on && on != 0) ++m.head;
    while (m.tail < pixels.size() && pixels[pixels.size() - 1 - m.tail] == on && on != 0) ++m.tail;
    for (size_t i = m.head; i + m.tail < pixels.size(); ++i) m.clearBetween = m.clearBetween && pixels[i] == 0;
    return m;
}

TEST(Cutmarks, MarkSizesGrowWithTheDistanceBetweenTheMarks) {
    const struct {
        double mm;
        int barWidthDots, barLengthDots;
    } sizes[] = {{50.02, 3, 71}, {100, 3, 74}, {200, 3, 82}, {500, 4, 103}, {1000, 4, 139}, {3000, 7, 282}, {5000, 7, 282}};
    for (const auto& s : sizes) {
        RowSink sink;
        const int px = static_cast<int>(std::lround(s.mm * 720 / 25.4));
        auto marks = CreateMimakiCutmarksGenerator(Params(&sink, px, 1418));
        marks->EmitMarks(false);
        // One dot of 1/180 inch is 0.4 points.
        EXPECT_DOUBLE_EQ(marks->GetBarWidthPt() * 2.5, s.barWidthDots) << s.mm;
        EXPECT_DOUBLE_EQ(marks->GetBarLengthPt() * 2.5, s.barLengthDots) << s.mm;
        if (s.mm >= 3000) {
            EXPECT_EQ(marks->GetBarLengthHundredths(), 3979);
        }
    }
}

TEST(Cutmarks, RefusesBadParametersInOrder) {
    RowSink sink;
    EXPECT_EQ(Refusal(Params(&sink, 1418, 2835)), "accepted");
    EXPECT_EQ(Refusal(Params(&sink, 1418, 2835, 540)), "accepted");
    EXPECT_EQ(Refusal(Params(nullptr, 0, 2835, 300)), "MimakiCutmarksGenerator_Imp no callback");
    EXPECT_EQ(Refusal(Params(&sink, 0, 2835, 300)), "MimakiCutmarksGenerator_Imp no image");
    EXPECT_EQ(Refusal(Params(&sink, 1418, 2835, 300)), "MimakiCutmarksGenerator_Imp illegal resolution X");
    EXPECT_EQ(Refusal(Params(&sink, 1418, 2835, 450)), "MimakiCutmarksGenerator_Imp illegal resolution X");
    auto params = Params(&sink, 1418, 2835);
    params.iResolutionY = 630;
    EXPECT_EQ(Refusal(params), "MimakiCutmarksGenerator_Imp illegal resolution Y");
    EXPECT_EQ(Refusal(Params(&sink, 1418, 2835, 720, 3)), "MimakiCutmarksGenerator_Imp illegal bits per pixel");
}

TEST(Cutmarks, MarksNeedFiftyMillimetresBetweenThem) {
    RowSink sink;
    auto marks = CreateMimakiCutmarksGenerator(Params(&sink, 1417, 2835));
    try {
        marks->EmitMarks(false);
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "Less than 50mm distance between cut marks");
    }
    EXPECT_TRUE(sink.rows.empty());
    EXPECT_NO_THROW(CreateMimakiCutmarksGenerator(Params(&sink, 1418, 2835))->EmitMarks(false));
}

TEST(Cutmarks, RowsDrawTheArmsOfTheMarksAtBothEnds) {
    for (int bits : {1, 2}) {
        RowSink before, after;
        const int width = 2835;  // 100 mm at 720 dpi
        auto marks = CreateMimakiCutmarksGenerator(Params(&before, width, 1418, 720, bits));
        EXPECT_EQ(marks->GetMarginPx(), 0);
        EXPECT_EQ(marks->GetBarLengthPt(), 0.0);
        marks->EmitMarks(false);
        EXPECT_EQ(marks->GetMarginPx(), 24);
        EXPECT_NEAR(marks->GetMarginPt(), 2.4, 1e-9);
        const size_t rowPixels = width + 2 * 24;
        // 3 dots of horizontal arm, then 71 dots of downward arm.
        ASSERT_EQ(before.rows.size(), 12u + 284u);
        for (size_t r = 0; r < before.rows.size(); ++r) {
            ASSERT_EQ(before.rows[r].size(), (bits * rowPixels + 7) / 8);
            const auto pixels = Pixels(before.rows[r], bits, rowPixels);
            const Marked m = Read(pixels);
            const size_t arm = r < 12 ? 296 : 12;
            EXPECT_EQ(pixels.front(), (1 << bits) - 1);
            EXPECT_EQ(m.head, arm) << "row " << r;
            EXPECT_EQ(m.tail, arm) << "row " << r;
            EXPECT_TRUE(m.clearBetween);
            // Padding bits after the last pixel stay clear.
            const auto slots = Pixels(before.rows[r], bits, before.rows[r].size() * 8 / bits);
            ASSERT_GT(slots.size(), rowPixels);
            EXPECT_EQ(std::count(slots.begin() + rowPixels, slots.end(), 0), slots.end() - slots.begin() - rowPixels)
                << "row " << r;
        }
        auto marksAfter = CreateMimakiCutmarksGenerator(Params(&after, width, 1418, 720, bits));
        marksAfter->EmitMarks(true);
        ASSERT_EQ(after.rows.size(), before.rows.size());
        EXPECT_EQ(after.rows.front(), before.rows.back());
        EXPECT_EQ(after.rows.back(), before.rows.front());
    }
}

TEST(Cutmarks, AFailedWriteStopsTheBlock) {
    RowSink sink;
    sink.failAt = 2;
    auto marks = CreateMimakiCutmarksGenerator(Params(&sink, 2835, 1418));
    try {
        marks->EmitMarks(false);
        FAIL() << "no throw";
    } catch (const TextError& e) {
        EXPECT_STREQ(e.what(), "Spool file write fail");
    }
    EXPECT_EQ(sink.rows.size(), 1u);
}

}  // namespace
