// The visual-correction curve file.
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>

#include "job/job_test_support.h"

namespace {

int Identity12(int v) { return static_cast<int>(v * 4095.0 / 255.0 + 0.5); }

// One block: name, points (output, input), 256 map lines of (index, value),
// end word. mapOffset gives value (v + mapOffset) & 255.
std::string Block(const std::string& name, const std::vector<std::pair<double, double>>& points, int mapOffset) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << name << "\n" << points.size() << "\n";
    for (const auto& p : points) out << p.first << " " << p.second << "\n";
    for (int v = 0; v < 256; ++v) out << v << " " << ((v + mapOffset) & 255) << "\n";
    out << "END\n";
    return out.str();
}

const std::vector<std::pair<double, double>> kDiagonal = {{0.0, 0.0}, {1.0, 1.0}};

class VisualCorrection : public JobTest {
protected:
    ~VisualCorrection() override { std::remove(path.c_str()); }

    bool Load(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        return NewJob().ReadVisualCorrectionFile(tables, path);
    }

    std::string path = TempPath(".txt");
    VisualCorrectionTables tables;
};

TEST_F(VisualCorrection, DiagonalPointsGiveTheIdentityCurveInTheBlocksChannel) {
    std::string text = "HDR8\n";
    for (int b = 0; b < 8; ++b) text += Block("C" + std::to_string(b), kDiagonal, b);
    ASSERT_TRUE(Load(text));
    for (int c = 0; c < 8; ++c) {
        ASSERT_NE(tables.GetCurve(c), nullptr);
        for (int v : {0, 1, 128, 255}) EXPECT_EQ(tables.GetCurve(c)[v], Identity12(v)) << c << " " << v;
    }
    EXPECT_EQ(tables.GetCurve(0)[255], 4095);
    EXPECT_EQ(tables.GetCurve(0)[1], 16);
    // Blocks 0, 1, 2 fill channels 2, 1, 0; the others their own.
    EXPECT_EQ(tables.GetMap(2)[10], 10);
    EXPECT_EQ(tables.GetMap(1)[10], 11);
    EXPECT_EQ(tables.GetMap(0)[10], 12);
    EXPECT_EQ(tables.GetMap(5)[255], (255 + 5) & 255);
}

TEST_F(VisualCorrection, PointsShapeTheCurve) {
    std::string text = "HDR4\n" + Block("C", {{0.0, 0.0}, {0.25, 0.5}, {1.0, 1.0}}, 0);
    for (int b = 1; b < 4; ++b) text += Block("C", kDiagonal, 0);
    ASSERT_TRUE(Load(text));
    const uint16_t* curve = tables.GetCurve(2);
    EXPECT_NEAR(curve[128], 1024, 16);  // input 0.5 (near byte 128) gives output 0.25
    for (int v = 1; v < 256; ++v) EXPECT_GE(curve[v], curve[v - 1]);  // no overshoot on a rising curve
}

TEST_F(VisualCorrection, HeaderDigitLimitsTheChannelsRead) {
    // Channel count 4: blocks 4 to 7 are identity channels and are not read,
    // even when the file has them.
    std::string text = "HDR4\n";
    for (int b = 0; b < 8; ++b) text += Block("C", {{0.0, 0.0}, {0.5, 1.0}}, 7);
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(tables.GetCurve(3)[255], 2048);
    EXPECT_EQ(tables.GetCurve(4)[255], 4095);
    EXPECT_EQ(tables.GetMap(4)[3], 3);
    EXPECT_EQ(tables.GetMap(3)[3], 10);
}

TEST_F(VisualCorrection, BeginFilePassesOverItsFourLeadingBlocks) {
    std::string text = Block("BEGIN", {{1.0, 0.0}, {0.0, 1.0}}, 99);
    for (int b = 0; b < 3; ++b) text += Block("X", {{1.0, 0.0}, {0.0, 1.0}}, 99);
    for (int b = 0; b < 8; ++b) text += Block("C", kDiagonal, 0);
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(tables.GetCurve(2)[255], 4095);
    EXPECT_EQ(tables.GetMap(2)[1], 1);
}

TEST_F(VisualCorrection, RefusedFilesLeaveTheTablesUnloaded) {
    EXPECT_FALSE(Load("PLIN linearisation data\n" + Block("C", kDiagonal, 0)));
    EXPECT_EQ(tables.GetCurve(0), nullptr);
    EXPECT_FALSE(NewJob().ReadVisualCorrectionFile(tables, "/nonexistent/vc.txt"));
    EXPECT_FALSE(NewJob().ReadVisualCorrectionFile(tables, ""));
    EXPECT_EQ(tables.GetMap(0), nullptr);
}

TEST_F(VisualCorrection, TruncatedFileLeavesUnreachedChannelsUncorrected) {
    std::string text = "HDR8\n" + Block("C", {{0.0, 0.0}, {0.5, 1.0}}, 1) + Block("C", kDiagonal, 1);
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(tables.GetCurve(2)[255], 2048);
    for (int c : {0, 3, 4, 5, 6, 7}) {
        EXPECT_EQ(tables.GetCurve(c)[255], 4095) << c;  // not a zero curve that prints no ink
        EXPECT_EQ(tables.GetMap(c)[200], 200) << c;
    }
    EXPECT_TRUE(log.HasPrefix("\tVisual correction file ("));
}

TEST_F(VisualCorrection, MalformedNumbersDoNotCorruptTheTables) {
    // A point count that is not a number reads as no points; the block's map
    // still reads, and the reader never runs away.
    std::string text = "HDR4\nC\nmany\n";
    for (int v = 0; v < 256; ++v) text += std::to_string(v) + " " + std::to_string(v) + "\n";
    text += "END\n" + Block("C", {{0.0, 0.0}, {2.0, 1.5}, {0.5, 0.25}}, 0);
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(tables.GetCurve(2)[255], 0);  // no points: no curve values
    EXPECT_EQ(tables.GetMap(2)[77], 77);
    // A point outside 0..1 is dropped: the rest of block 1 still reads.
    EXPECT_NEAR(tables.GetCurve(1)[32], 2 * Identity12(32), 2);
    EXPECT_TRUE(log.HasPrefix("\tVisual correction point (2, 1.5) outside 0..1 ignored"));
}

struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST_F(VisualCorrection, NumbersReadTheSameUnderADecimalCommaLocale) {
    std::string text = "HDR4\n" + Block("C", {{0.0, 0.0}, {0.5, 0.5}, {1.0, 1.0}}, 0);
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const char* cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const bool loaded = Load(text);
    const std::string after = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    std::locale::global(previous);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(before, after);  // the process locale was left alone
    EXPECT_EQ(tables.GetCurve(2)[255], 4095);
    EXPECT_NEAR(tables.GetCurve(2)[128], Identity12(128), 2);
    if (!cLocale) GTEST_LOG_(INFO) << "no decimal-comma C locale installed; checked the C++ locale only";
}

}  // namespace
