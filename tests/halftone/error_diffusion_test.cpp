#include "halftone/error_diffusion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "error_diffusion_test_util.h"

using namespace edtest;

namespace {

// One channel line through a kernel, values by image column, with the given
// random table; returns the packed bytes.
struct KernelRun {
    std::vector<uint8_t> random = std::vector<uint8_t>(kRandomTableSize, 4);  // column 4: no noise
    std::vector<std::vector<int32_t>> lines;
    std::vector<uint16_t> tables[3];
    uint16_t index = 0;

    explicit KernelRun(int width) : lines(3, std::vector<int32_t>(width + 2, 0)) {
        for (auto& t : tables) t.assign(4096, 0);
    }
    std::vector<uint8_t> Run(int (*kernel)(HalftoneTask*), const std::vector<int32_t>& values, bool rtl,
                             bool third = false, int bits = 1) {
        const int width = static_cast<int>(values.size());
        std::vector<uint8_t> out((width * bits + 7) / 8, 0);
        const int first = rtl ? width - 1 : 0;
        HalftoneTask task{};
        task.converted = &values[first];
        task.stride = rtl ? -1 : 1;
        task.width = width;
        task.thirdSplit = third;
        task.out = &out[first * bits / 8];
        task.direction = rtl ? -1 : 1;
        for (int s = 0; s < 3; ++s) {
            task.errorLine[s] = &lines[s][first + 1];
            task.dotSizeTable[s] = tables[s].data();
        }
        task.randomIndex = index;
        task.noise = &Tables().noise;
        task.random = random.data();
        EXPECT_EQ(kernel(&task), 0);
        index = task.randomIndex;
        return out;
    }
};

using Cells = std::vector<int32_t>;

TEST(ErrorDiffusionKernel, FiringPixelsPassErrorWithShiftsThatRoundDown) {
    // 3000 four times, no noise: S = 3000, 2452, 2178 fire; 2041 does not.
    // Negative sums are halved and quartered toward minus infinity.
    KernelRun run(4);
    EXPECT_EQ(run.Run(HalftoneLineSE1, {3000, 3000, 3000, 3000}, false), std::vector<uint8_t>{0xE0});
    EXPECT_EQ(run.lines[0], (Cells{-273, -684, -889, 31, 510, 0}));
    EXPECT_EQ(run.index, 4);

    // The same line right to left mirrors the cells, margin W + 1 included;
    // the bit layout stays left-pixel-high.
    KernelRun back(4);
    EXPECT_EQ(back.Run(HalftoneLineSE1, {3000, 3000, 3000, 3000}, true), std::vector<uint8_t>{0x70});
    EXPECT_EQ(back.lines[0], (Cells{0, 510, 31, -889, -684, -273}));
}

TEST(ErrorDiffusionKernel, ThirdSplitTruncatesTowardZeroAndSumsAbove4095DropTheirError) {
    // S = 3000 -> -1095, 2270 -> -1825, 1784 (no dot), 4189 (dot, error 0).
    KernelRun run(4);
    EXPECT_EQ(run.Run(HalftoneLineSE1, {3000, 3000, 3000, 3000}, false, true), std::vector<uint8_t>{0xD0});
    EXPECT_EQ(run.lines[0], (Cells{-183, -487, -6, 297, 0, 0}));
    EXPECT_EQ(run.index, 4);
}

TEST(ErrorDiffusionKernel, ThresholdSitsBetween2047And2048) {
    KernelRun at(1);
    EXPECT_EQ(at.Run(HalftoneLineSE1, {2047}, false), std::vector<uint8_t>{0x00});
    EXPECT_EQ(at.lines[0], (Cells{513, 511, 0}));
    KernelRun above(1);
    EXPECT_EQ(above.Run(HalftoneLineSE1, {2048}, false), std::vector<uint8_t>{0x80});
    EXPECT_EQ(above.lines[0], (Cells{-511, -512, 0}));
}

TEST(ErrorDiffusionKernel, HighlightAidAddsErrorAndOnOddPixelsTakesARandomValueFromTheCell) {
    // Level 40 (divisor 4), random values 0 (noise -40) except entry 3 = 2,
    // which the aid at pixel 1 reads and subtracts from that pixel's cell.
    KernelRun run(8);
    std::fill(run.random.begin(), run.random.end(), 0);
    run.random[3] = 2;
    EXPECT_EQ(run.Run(HalftoneLineSE1, std::vector<int32_t>(8, 40), false), std::vector<uint8_t>{0x00});
    EXPECT_EQ(run.lines[0], (Cells{10, 182, 174, 258, 269, 273, 274, 275, 197, 0}));
    EXPECT_EQ(run.index, 12);  // 8 levels and the aid at pixels 1, 3, 5, 7
}

TEST(ErrorDiffusionKernel, LevelZeroTakesNoRandomValueButGetsTheAidOnCarriedError) {
    KernelRun run(4);
    std::fill(run.random.begin(), run.random.end(), 0);
    run.lines[0][2] = 100;  // error left for pixel 1 by the line before
    EXPECT_EQ(run.Run(HalftoneLineSE1, {0, 0, 0, 0}, false), std::vector<uint8_t>{0x00});
    // Pixel 1: S = 100, counter 0 -> 1; pixel 2: S = 50 + (2047 - 50) / 3.
    EXPECT_EQ(run.lines[0], (Cells{0, 25, 205, 268, 89, 0}));
    EXPECT_EQ(run.index, 0);
}

TEST(ErrorDiffusionKernel, DotCodesOfTwoAndThreeStreams) {
    const std::vector<int32_t> values(4, 3000);
    const Cells fired{-273, -684, -889, 31, 510, 0};
    const Cells untouched(6, 0);

    // Two streams both firing: code 2, and stream 0 still takes its error.
    KernelRun both(4);
    both.tables[0].assign(4096, 3000);
    both.tables[1].assign(4096, 3000);
    EXPECT_EQ(both.Run(HalftoneLineVDS2, values, false, true, 2), std::vector<uint8_t>{0xA8});
    EXPECT_EQ(both.lines[0], fired);
    EXPECT_EQ(both.lines[1], fired);
    EXPECT_EQ(both.index, 8);

    KernelRun small(4);
    small.tables[0].assign(4096, 3000);
    EXPECT_EQ(small.Run(HalftoneLineVDS2, values, false, false, 2), std::vector<uint8_t>{0x54});

    // Three streams: code 3 whatever the others did.
    for (int others = 0; others < 2; ++others) {
        KernelRun run(4);
        run.tables[2].assign(4096, 3000);
        if (others) {
            run.tables[0].assign(4096, 3000);
            run.tables[1].assign(4096, 3000);
        }
        EXPECT_EQ(run.Run(HalftoneLineVDS3, values, false, false, 2), std::vector<uint8_t>{0xFC});
        EXPECT_EQ(run.lines[2], fired);
        EXPECT_EQ(run.lines[0], others ? fired : untouched);
        EXPECT_EQ(run.index, others ? 12 : 4);
    }
    KernelRun medium(4);
    medium.tables[1].assign(4096, 3000);
    medium.tables[0].assign(4096, 3000);
    EXPECT_EQ(medium.Run(HalftoneLineVDS3, values, false, false, 2), std::vector<uint8_t>{0xA8});
}

TEST(ErrorDiffusionKernel, ClampsValuesAndTableLevelsTo12Bits) {
    KernelRun clamped(6), plain(6);
    clamped.tables[0].assign(4096, 65535);
    plain.tables[0].assign(4096, 4095);
    const std::vector<int32_t> wild{-900, 5000, 70000, 4095, -1, 2100};
    const std::vector<int32_t> tame{0, 4095, 4095, 4095, 0, 2100};
    EXPECT_EQ(clamped.Run(HalftoneLineSE1, wild, false), plain.Run(HalftoneLineSE1, tame, false));
    EXPECT_EQ(clamped.Run(HalftoneLineVDS2, wild, true, false, 2), plain.Run(HalftoneLineVDS2, wild, true, false, 2));
    EXPECT_EQ(clamped.lines, plain.lines);
}

TEST(ErrorDiffusionKernel, RefusesTasksItCannotRun) {
    KernelRun run(4);
    std::vector<int32_t> values(4, 100);
    std::vector<uint8_t> out(1);
    HalftoneTask task{};
    EXPECT_EQ(HalftoneLineSE1(nullptr), kKernelBadTask);
    EXPECT_EQ(HalftoneLineSE1(&task), kKernelBadTask);
    task.converted = values.data();
    task.stride = 1;
    task.width = 4;
    task.out = out.data();
    task.direction = 1;
    task.errorLine[0] = &run.lines[0][1];
    task.errorLine[1] = &run.lines[1][1];
    task.errorLine[2] = &run.lines[2][1];
    task.noise = &Tables().noise;
    task.random = run.random.data();
    EXPECT_EQ(HalftoneLineSE1(&task), 0);
    EXPECT_EQ(HalftoneLineVDS3(&task), kKernelBadTask);  // no dot-size tables
    task.direction = 0;
    EXPECT_EQ(HalftoneLineSE1(&task), kKernelBadTask);
    task.direction = 1;
    task.width = 0;
    EXPECT_EQ(HalftoneLineSE1(&task), kKernelBadTask);
}

// ---------------------------------------------------------------------------
// The inline line step.

struct Job {
    ErrorDiffusion ed;
    TestDotTables dots;
    std::vector<uint8_t> out;
    Job(int32_t routine, int width, int scale = 1, int resX = 720, int resY = 720) {
        EXPECT_EQ(ed.InitJob(*FindDiffusionRoutine(routine), width, scale, resX, resY, 4), kDiffusionOk);
        EXPECT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);
        ed.InitPage();
        out.resize(ed.OutLineBytes());
    }
    int32_t Line(const std::vector<uint8_t>& input, DiffusionPixelConverter convert = ScaleConverter) {
        return ed.HalftoneLine(input.data(), input.size(), out.data(), out.size(), convert, nullptr);
    }
};

std::vector<const uint8_t*> g_converted;  // pixels handed to RecordingConverter, in order
const uint8_t* g_fullPixels[2];           // pixels it turns into 4095 on every channel

void RecordingConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    g_converted.push_back(pixel);
    const bool full = pixel == g_fullPixels[0] || pixel == g_fullPixels[1];
    converted[0] = full ? 4095 : 0;
}

TEST(ErrorDiffusionLine, SerpentineGroupsScaledPixelsFromTheScanStartAndNeverReadsBeforeTheLine) {
    // 13 pixels pad to 16; a scale of 3 leaves a partial group of one pixel.
    Job job(109, 13, 3);
    ASSERT_EQ(job.ed.InputBytesNeeded(), 6u * 4);
    std::vector<uint8_t> input(job.ed.InputBytesNeeded(), 0);
    g_fullPixels[0] = &input[0];
    g_fullPixels[1] = &input[4 * 4];
    auto pixels = [&] {
        std::vector<long> index;
        for (const uint8_t* p : g_converted) index.push_back((p - input.data()) / 4);
        g_converted.clear();
        return index;
    };

    // Left to right: pixels 0 to 5, pixel 0 serves x 0-2 and pixel 4 x 12-14.
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels(), (std::vector<long>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(job.out[0], 0xE0);
    EXPECT_EQ(job.out[1], 0x0E);

    // Right to left: groups start at x 15, so pixel 4 serves x 13-15 and the
    // last, partial group (x 0) repeats pixel 0.
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels(), (std::vector<long>{4, 3, 2, 1, 0, 0}));
    EXPECT_EQ(job.out[0], 0xF0);
    EXPECT_EQ(job.out[1], 0x07);

    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels().front(), 0);
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels().front(), 4);
    // A new page starts left to right again.
    job.ed.InitPage();
    ASSERT_EQ(job.Line(input, RecordingConverter), kDiffusionOk);
    EXPECT_EQ(pixels().front(), 0);
    // The other channels stay 0: nothing in them.
    EXPECT_TRUE(std::all_of(job.out.begin() + 2, job.out.end(), [](uint8_t b) { return b == 0; }));
}

TEST(ErrorDiffusionLine, PagesAreDeterministicAndEachPageRestartsTheRandomIndex) {
    for (int32_t routine : {103, 108, 109}) {
        Job job(routine, 300, 2, 1440, 720);
        const auto page = SyntheticPage(152, 12, 4, 3);
        std::vector<std::vector<uint8_t>> first, second, continued;
        for (const auto& line : page) {
            ASSERT_EQ(job.Line(line), kDiffusionOk);
            first.push_back(job.out);
        }
        EXPECT_NE(job.ed.m_nRandomIndex, 0);
        for (const auto& line : page) {  // no new page: errors and index run on
            ASSERT_EQ(job.Line(line), kDiffusionOk);
            continued.push_back(job.out);
        }
        job.ed.InitPage();
        EXPECT_EQ(job.ed.m_nRandomIndex, 0);
        for (const auto& line : page) {
            ASSERT_EQ(job.Line(line), kDiffusionOk);
            second.push_back(job.out);
        }
        EXPECT_EQ(first, second) << routine;
        EXPECT_NE(first, continued) << routine;
    }
}

void FlatConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    for (int c = 0; c < 8; ++c) converted[c] = pixel[0] ? 4095 : 0;
}

TEST(ErrorDiffusionLine, ZeroLinesStayEmptyAndFullLinesFillWithTheLargestDot) {
    for (const DiffusionRoutine& routine : kDiffusionRoutines) {
        Job job(routine.number, 45, 1, 1440, 720);
        const std::vector<uint8_t> zero(job.ed.InputBytesNeeded(), 0), full(job.ed.InputBytesNeeded(), 1);
        for (int y = 0; y < 4; ++y) {
            ASSERT_EQ(job.Line(zero, FlatConverter), kDiffusionOk);
            EXPECT_TRUE(std::all_of(job.out.begin(), job.out.end(), [](uint8_t b) { return b == 0; }));
        }
        EXPECT_EQ(job.ed.m_nRandomIndex, 0);
        // One dot size: every bit; two: the medium dot (code 2); three: the large (code 3).
        const uint8_t expected = routine.streams == 2 ? 0xAA : 0xFF;
        for (int y = 0; y < 4; ++y) {
            ASSERT_EQ(job.Line(full, FlatConverter), kDiffusionOk);
            EXPECT_TRUE(std::all_of(job.out.begin(), job.out.end(), [&](uint8_t b) { return b == expected; }))
                << routine.name << " line " << y;
        }
    }
}

// Channel 0 takes a 12-bit level from the first two input bytes.
void LevelConverter(CHalftone*, const uint8_t* pixel, int32_t* converted) {
    converted[0] = pixel[0] | pixel[1] << 8;
}

// Share of pixels in a block of the page whose code in channel 0 is `code`.
struct Coverage {
    double page = 0, lowestBlock = 1, highestBlock = 0;
};
Coverage MeasureCoverage(int32_t routine, int level, int code, const uint16_t* const tables[3]) {
    constexpr int kWidth = 512, kLines = 512, kBlock = 64;
    ErrorDiffusion ed;
    EXPECT_EQ(ed.InitJob(*FindDiffusionRoutine(routine), kWidth, 1, 720, 720, 4), kDiffusionOk);
    EXPECT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), tables), kDiffusionOk);
    ed.InitPage();
    std::vector<uint8_t> input(ed.InputBytesNeeded(), 0), out(ed.OutLineBytes());
    for (size_t i = 0; i < input.size(); i += 4) {
        input[i] = static_cast<uint8_t>(level & 0xFF);
        input[i + 1] = static_cast<uint8_t>(level >> 8);
    }
    const int bits = FindDiffusionRoutine(routine)->bitsPerPixel;
    std::vector<int> blocks((kWidth / kBlock) * (kLines / kBlock), 0);
    for (int y = 0; y < kLines; ++y) {
        EXPECT_EQ(ed.HalftoneLine(input.data(), input.size(), out.data(), out.size(), LevelConverter, nullptr),
                  kDiffusionOk);
        for (int x = 0; x < kWidth; ++x) {
            const int shift = 8 - bits - (x % (8 / bits)) * bits;
            const int value = (out[x * bits / 8] >> shift) & ((1 << bits) - 1);
            if (value == code) ++blocks[(y / kBlock) * (kWidth / kBlock) + x / kBlock];
        }
    }
    Coverage result;
    for (int count : blocks) {
        const double share = static_cast<double>(count) / (kBlock * kBlock);
        result.page += share / blocks.size();
        result.lowestBlock = std::min(result.lowestBlock, share);
        result.highestBlock = std::max(result.highestBlock, share);
    }
    return result;
}

TEST(ErrorDiffusionLine, FlatTintsCoverTheirShareEvenlyOnEveryStream) {
    // Each stream on its own: its table is the identity, the others are 0.
    std::vector<uint16_t> identity(4096), zero(4096, 0);
    for (int v = 0; v < 4096; ++v) identity[v] = static_cast<uint16_t>(v);
    const struct {
        int32_t routine;
        int stream;
        int code;
    } cases[] = {{109, 0, 1}, {106, 0, 1}, {106, 1, 2}, {103, 0, 1}, {103, 1, 2}, {103, 2, 3}};
    for (const auto& c : cases) {
        const uint16_t* tables[3] = {zero.data(), zero.data(), zero.data()};
        tables[c.stream] = identity.data();
        for (int level : {205, 1024, 2048, 3276, 3890}) {
            const Coverage coverage = MeasureCoverage(c.routine, level, c.code, tables);
            const double tint = level / 4095.0;
            EXPECT_NEAR(coverage.page, tint, 0.0075) << c.routine << " stream " << c.stream << " level " << level;
            EXPECT_NEAR(coverage.lowestBlock, tint, 0.0125) << c.routine << " stream " << c.stream << " level " << level;
            EXPECT_NEAR(coverage.highestBlock, tint, 0.0125) << c.routine << " stream " << c.stream << " level " << level;
        }
    }
}

TEST(ErrorDiffusionLine, HighlightsGetDotsEverywhere) {
    std::vector<uint16_t> identity(4096);
    for (int v = 0; v < 4096; ++v) identity[v] = static_cast<uint16_t>(v);
    const uint16_t* tables[3] = {identity.data(), identity.data(), identity.data()};
    // Below level 96 the aid adds error to lone pixels: coverage stays near
    // the tint and no 64 x 64 block is left empty or crowded.
    for (int level : {8, 40, 90}) {
        const Coverage coverage = MeasureCoverage(109, level, 1, tables);
        const double tint = level / 4095.0;
        EXPECT_NEAR(coverage.page, tint, 0.25 * tint) << level;
        EXPECT_GT(coverage.lowestBlock, 0.0) << level;
        EXPECT_LT(coverage.highestBlock, 2 * tint + 0.003) << level;
    }
}

TEST(ErrorDiffusionSetUp, BadGeometryMissingTablesAndShortLinesAreRefused) {
    const DiffusionRoutine& vds3 = *FindDiffusionRoutine(103);
    EXPECT_EQ(FindDiffusionRoutine(107), nullptr);
    ErrorDiffusion ed;
    EXPECT_EQ(ed.InitJob(vds3, 0, 1, 720, 720, 4), kDiffusionBadGeometry);
    EXPECT_EQ(ed.InitJob(vds3, 100, 0, 720, 720, 4), kDiffusionBadGeometry);
    EXPECT_EQ(ed.InitJob(vds3, 100, 1, 720, 720, 0), kDiffusionBadGeometry);
    EXPECT_EQ(ed.InitJob(vds3, 0x7FFFFFFF, 1, 720, 720, 4), kDiffusionBadGeometry);

    std::vector<uint8_t> input(1024, 0), out(1024, 0xEE);
    EXPECT_EQ(ed.HalftoneLine(input.data(), input.size(), out.data(), out.size(), ScaleConverter, nullptr),
              kDiffusionBadLine);

    ASSERT_EQ(ed.InitJob(vds3, 100, 1, 720, 720, 4), kDiffusionOk);
    EXPECT_EQ(ed.PaddedWidth(), 104);
    EXPECT_EQ(ed.BytesPerChannel(), 26);
    EXPECT_EQ(ed.OutLineBytes(), 104u);
    const TestDotTables dots;
    const uint16_t* twoTables[3] = {dots.pointers[0], dots.pointers[1], nullptr};
    EXPECT_EQ(ed.SetTables(nullptr, Tables().random.get(), dots.pointers), kDiffusionMissingTables);
    EXPECT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), twoTables), kDiffusionMissingTables);
    EXPECT_EQ(ed.HalftoneLine(input.data(), input.size(), out.data(), out.size(), ScaleConverter, nullptr),
              kDiffusionBadLine);
    ASSERT_EQ(ed.SetTables(&Tables().noise, Tables().random.get(), dots.pointers), kDiffusionOk);

    const size_t need = ed.InputBytesNeeded();
    EXPECT_EQ(ed.HalftoneLine(input.data(), need - 1, out.data(), out.size(), ScaleConverter, nullptr),
              kDiffusionBadLine);
    EXPECT_EQ(ed.HalftoneLine(input.data(), need, out.data(), ed.OutLineBytes() - 1, ScaleConverter, nullptr),
              kDiffusionBadLine);
    EXPECT_EQ(ed.HalftoneLine(nullptr, need, out.data(), out.size(), ScaleConverter, nullptr), kDiffusionBadLine);
    EXPECT_EQ(ed.HalftoneLine(input.data(), need, out.data(), out.size(), nullptr, nullptr), kDiffusionBadLine);
    EXPECT_EQ(out[0], 0xEE);  // refused lines write nothing
    EXPECT_EQ(ed.m_bReverseLine, 0);
    EXPECT_EQ(ed.HalftoneLine(input.data(), need, out.data(), out.size(), ScaleConverter, nullptr), kDiffusionOk);
    EXPECT_EQ(out[0], 0);

    // One bit per pixel needs no dot-size tables.
    ErrorDiffusion se1;
    ASSERT_EQ(se1.InitJob(*FindDiffusionRoutine(111), 9, 1, 720, 720, 6), kDiffusionOk);
    EXPECT_EQ(se1.SetTables(&Tables().noise, Tables().random.get(), nullptr), kDiffusionOk);
    EXPECT_EQ(se1.BytesPerChannel(), 2);
    EXPECT_EQ(se1.OutLineBytes(), 16u);
    EXPECT_EQ(se1.InputBytesNeeded(), 16u * 6);

    EXPECT_STRNE(DiffusionResultText(kDiffusionBadLine), DiffusionResultText(kDiffusionMissingTables));
}

}  // namespace
